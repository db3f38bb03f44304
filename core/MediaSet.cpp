#include "MediaSet.h"
#include "CFile.h"
#include "FlashTypes.h"
#include "MediaSetPaths.h"
#include "StagedFile.h"
#include "StringConv.h"
#include <windows.h>

namespace {

const char* const kMarkerKey = "tessaline-media-set";
const int kVersion = 1;
// Far above what 2 x 65535 entries of full paths take.
const uint64_t kMaxSetBytes = 64u << 20;

bool AllDigits(const std::string& text, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool Refuse(const std::string& reason, std::string* why)
{
    *why = reason;
    return false;
}

// How each value is read from its text and written back: one row a key, in
// the order the set writes them.
struct ValueKey {
    const char* name;
    bool (*read)(const std::string& value, MediaSet* set, std::string* why);
    std::string (*write)(const MediaSet& set);
};

bool ReadSpeechFormat(const std::string& value, MediaSet* set, std::string* why)
{
    return media::ParseSpeechFormat(value, &set->speechFormat)
           || Refuse("speech-format must be APM or MDM: '" + value + "'", why);
}

// The panel's fields: the sample rate takes 5 digits, the clock 8.
bool ReadHertz(const std::string& value, size_t digits, const char* key, int* hertz, std::string* why)
{
    if (!AllDigits(value, digits))
        return Refuse(std::string(key) + " must be a number of hertz, 1 to " + std::to_string(digits)
                          + " digits: '" + value + "'",
                      why);
    *hertz = std::stoi(value);
    return true;
}

bool ReadSampleRate(const std::string& value, MediaSet* set, std::string* why)
{
    return ReadHertz(value, 5, "sample-rate", &set->sampleRate, why);
}

bool ReadSystemClock(const std::string& value, MediaSet* set, std::string* why)
{
    return ReadHertz(value, 8, "system-clock", &set->systemClock, why);
}

bool ReadBackground(const std::string& value, MediaSet* set, std::string* why)
{
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = value.find(',', start);
        const std::string part = Trimmed(value.substr(start, comma == std::string::npos ? std::string::npos
                                                                                         : comma - start));
        if ((i < 2) != (comma != std::string::npos) || !AllDigits(part, 3) || std::stoi(part) > 255)
            return Refuse("background must be R, G, B, each from 0 to 255: '" + value + "'", why);
        set->background[i] = static_cast<uint8_t>(std::stoi(part));
        start = comma + 1;
    }
    return true;
}

// As the panel's address fields hold them: up to 8 hexadecimal digits.
bool ReadAddress(const std::string& value, const char* key, uint32_t* address, std::string* why)
{
    if (value.empty() || value.size() > 8 || !ParseHex(value, address))
        return Refuse(std::string(key) + " must be 1 to 8 hexadecimal digits: '" + value + "'", why);
    return true;
}

bool ReadAudioStart(const std::string& value, MediaSet* set, std::string* why)
{
    return ReadAddress(value, "audio-start", &set->audioStart, why);
}

bool ReadImageStart(const std::string& value, MediaSet* set, std::string* why)
{
    return ReadAddress(value, "image-start", &set->imageStart, why);
}

bool ReadFlashType(const std::string& value, MediaSet* set, std::string* why)
{
    set->flashType = FlashTypeIndexOf(value);
    return set->flashType >= 0 || Refuse("flash-type must be SPI, KP6X or NAND: '" + value + "'", why);
}

const ValueKey kValueKeys[] = {
    { "speech-format", ReadSpeechFormat,
      [](const MediaSet& s) { return std::string(media::SpeechFormatName(s.speechFormat)); } },
    { "sample-rate", ReadSampleRate, [](const MediaSet& s) { return FormatDecimal(s.sampleRate); } },
    { "system-clock", ReadSystemClock, [](const MediaSet& s) { return FormatDecimal(s.systemClock); } },
    { "background", ReadBackground,
      [](const MediaSet& s) {
          return std::to_string(s.background[0]) + ", " + std::to_string(s.background[1]) + ", "
                 + std::to_string(s.background[2]);
      } },
    { "audio-start", ReadAudioStart, [](const MediaSet& s) { return FormatHex8(s.audioStart); } },
    { "image-start", ReadImageStart, [](const MediaSet& s) { return FormatHex8(s.imageStart); } },
    { "flash-type", ReadFlashType, [](const MediaSet& s) { return std::string(FlashTypeName(s.flashType)); } },
};
const size_t kValueKeyCount = sizeof kValueKeys / sizeof kValueKeys[0];

bool IsUtf8(const std::string& text)
{
    return text.empty()
           || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0)
                  > 0;
}

bool HasControlCharacter(const std::string& text)
{
    for (char c : text) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
            return true;
    }
    return false;
}

// What a set reads, line by line; each step false with the reason.
class SetReader {
public:
    SetReader(const std::string& folder, MediaSet* set) : m_folder(folder), m_set(set) {}

    bool Line(int number, const std::string& line, std::string* why)
    {
        if (!IsUtf8(line))
            return Refuse("the line is not UTF-8 text", why);
        const std::string text = Trimmed(line);
        if (text.empty() || text[0] == '#')
            return true;
        if (HasControlCharacter(text))
            return Refuse("the line holds a control character", why);
        const size_t equals = text.find('=');
        if (equals == std::string::npos || Trimmed(text.substr(0, equals)).empty())
            return Refuse("not a 'key = value' line: '" + text + "'", why);
        const std::string key = Trimmed(text.substr(0, equals)), value = Trimmed(text.substr(equals + 1));
        if (!m_markerLine)
            return Marker(number, key, value, why);
        if (key == kMarkerKey)
            return Refuse(Twice(key, m_markerLine), why);
        if (key == "audio" || key == "image")
            return Entry(key, value, key == "audio" ? &m_set->audio : &m_set->images, why);
        for (size_t i = 0; i < kValueKeyCount; ++i) {
            if (key != kValueKeys[i].name)
                continue;
            if (m_seenAt[i])
                return Refuse(Twice(key, m_seenAt[i]), why);
            m_seenAt[i] = number;
            return kValueKeys[i].read(value, m_set, why);
        }
        return Refuse("unknown key '" + key + "'", why);
    }

    bool Marked() const { return m_markerLine != 0; }

private:
    static std::string Twice(const std::string& key, int first)
    {
        return key + " is given twice (first on line " + std::to_string(first) + ")";
    }

    bool Marker(int number, const std::string& key, const std::string& value, std::string* why)
    {
        if (key != kMarkerKey)
            return Refuse("a media set begins with the line '" + std::string(kMarkerKey) + " = "
                              + std::to_string(kVersion) + "'",
                          why);
        if (!AllDigits(value, 9) || std::stoi(value) == 0)
            return Refuse(std::string(kMarkerKey) + " must be a version number: '" + value + "'", why);
        if (std::stoi(value) > kVersion)
            return Refuse("the set is of version " + value + ", newer than this program reads ("
                              + std::to_string(kVersion) + ")",
                          why);
        m_markerLine = number;
        return true;
    }

    bool Entry(const std::string& key, const std::string& value, std::vector<std::string>* list, std::string* why)
    {
        if (value.empty())
            return Refuse(key + " needs a path", why);
        if (list->size() >= static_cast<size_t>(kMaxListEntries))
            return Refuse("more than " + std::to_string(kMaxListEntries) + " " + key
                              + " entries: the packed image counts them in 16 bits",
                          why);
        std::string path;
        if (!ResolveSetPath(value, m_folder, &path, why))
            return false;
        list->push_back(path);
        return true;
    }

    const std::string m_folder;
    MediaSet* m_set;
    int m_markerLine = 0;
    int m_seenAt[kValueKeyCount] = {};
};

}  // namespace

bool ParseMediaSet(const std::string& text, const std::string& folder, MediaSet* set, MediaSetError* error)
{
    *set = MediaSet();
    SetReader reader(folder, set);
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!reader.Line(number, line, &error->reason)) {
            error->line = number;
            return false;
        }
        start = end + 1;
    }
    if (reader.Marked())
        return true;
    *error = { 0, "not a media set: it has no line '" + std::string(kMarkerKey) + " = " + std::to_string(kVersion)
                      + "'" };
    return false;
}

std::string FormatMediaSet(const MediaSet& set, const std::string& folder)
{
    std::string text = std::string(kMarkerKey) + " = " + std::to_string(kVersion) + "\n";
    for (const ValueKey& key : kValueKeys)
        text += std::string(key.name) + " = " + key.write(set) + "\n";
    if (!set.audio.empty() || !set.images.empty())
        text += "\n";
    for (const std::string& path : set.audio)
        text += "audio = " + SetPathRelativeTo(path, folder) + "\n";
    for (const std::string& path : set.images)
        text += "image = " + SetPathRelativeTo(path, folder) + "\n";
    return text;
}

std::string MediaSetUnwritableReason(const MediaSet& set)
{
    if (set.sampleRate < 0 || set.sampleRate > 99999)
        return "the sample rate " + std::to_string(set.sampleRate) + " Hz is not 0 to 99999";
    if (set.systemClock < 0 || set.systemClock > 99999999)
        return "the system clock " + std::to_string(set.systemClock) + " Hz is not 0 to 99999999";
    if (FlashTypeName(set.flashType)[0] == '\0')
        return "no flash type is chosen (SPI, KP6X or NAND)";
    for (const std::vector<std::string>* list : { &set.audio, &set.images }) {
        for (const std::string& path : *list) {
            if (!IsFullSetPath(path))
                return "the path '" + path + "' is not a full path";
            if (HasControlCharacter(path) || Trimmed(path) != path || !IsUtf8(path))
                return "the path '" + path + "' can't be kept in a set: it begins or ends with a blank, or holds "
                       "a control character";
        }
    }
    return std::string();
}

bool ReadMediaSetFile(const std::wstring& path, MediaSet* set, MediaSetError* error)
{
    *error = MediaSetError();
    const std::wstring full = CFile::FullPath(path);
    CFile file;
    if (!file.Open(full.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        const DWORD code = ::GetLastError();
        error->reason = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                            ? "no such file"
                            : "can't be read (Windows error " + std::to_string(code) + ")";
        return false;
    }
    const uint64_t size = file.GetLength();
    if (size > kMaxSetBytes) {
        error->reason = "too big for a media set: " + std::to_string(size) + " bytes";
        return false;
    }
    std::string text(static_cast<size_t>(size), '\0');
    if (size && file.Read(&text[0], static_cast<UINT>(size)) != size) {
        error->reason = "can't be read (Windows error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    const std::string utf8 = Utf8FromWide(full);
    const size_t separator = utf8.find_last_of("\\/");
    return ParseMediaSet(text, utf8.substr(0, separator == std::string::npos ? 0 : separator + 1), set, error);
}

bool WriteMediaSetFile(const std::wstring& path, const MediaSet& set, std::string* error)
{
    *error = MediaSetUnwritableReason(set);
    if (!error->empty())
        return false;
    const std::wstring full = CFile::FullPath(path);
    const std::string utf8 = Utf8FromWide(full);
    const std::string text = FormatMediaSet(set, utf8.substr(0, utf8.find_last_of("\\/") + 1));
    StagedFile file;
    if (file.Create(full) && file.Write(text.data(), static_cast<UINT>(text.size())) && file.Commit())
        return true;
    *error = "can't be written (Windows error " + std::to_string(::GetLastError()) + ")";
    return false;
}

std::string MediaSetErrorText(const std::string& fileName, const MediaSetError& error)
{
    return error.line > 0 ? fileName + ":" + std::to_string(error.line) + ": " + error.reason
                          : fileName + ": " + error.reason;
}
