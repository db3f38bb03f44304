#include "UnpackCommand.h"
#include "ConsoleFiles.h"
#include "ExitCodes.h"
#include "MapCommand.h"
#include "MediaWriters.h"
#include "PackedMapWriters.h"
#include "PictureDecoder.h"
#include "StringConv.h"
#include "UnpackFolder.h"
#include <vector>

namespace {

// "audio-01.wav": the number from 1, with as many digits as count needs and
// at least two.
std::string NumberedName(const char* stem, size_t number, size_t count, const char* extension)
{
    size_t digits = 2;
    for (size_t rest = count; rest >= 100; rest /= 10)
        ++digits;
    const std::string text = std::to_string(number);
    return stem + std::string(digits > text.size() ? digits - text.size() : 0, '0') + text + extension;
}

// A text as the console program prints it into a file: every "\n" as "\r\n",
// so that map.json holds what `tessa map --json` prints.
std::string AsPrinted(const std::string& text)
{
    std::string printed;
    printed.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n')
            printed += '\r';
        printed += c;
    }
    return printed;
}

// Writes every clip the map can place and play as "audio-NN.wav" under
// prefix; gives the number written and adds the problems.
size_t UnpackClips(const PackedMap& map, const ReadAt& read, int clock, const std::wstring& prefix,
                   ConsoleOutput& out, std::vector<std::string>* problems)
{
    size_t clips = 0;
    std::string why;
    for (const PackedClip& clip : map.clips) {
        // Those the map can't place or play are among its problems.
        if (!clip.offset || !clip.length || !clip.sampleRate || !clip.format)
            continue;
        if (*clip.sampleRate == 0) {
            problems->push_back("clip " + std::to_string(clip.index) + " plays at 0 Hz at the clock of "
                                + std::to_string(clock) + " Hz");
            continue;
        }
        const media::SpeechFormat format = *clip.format;
        const std::string name = NumberedName("audio-", clip.index + 1, map.clips.size(), ".wav");
        if (!WriteClipWave(read, *clip.offset, *clip.length, format, *clip.sampleRate, prefix + WideFromUtf8(name),
                           &why)) {
            problems->push_back("can't write " + name + " (clip " + std::to_string(clip.index) + "): " + why);
            continue;
        }
        ++clips;
        out.Info(name + ": " + media::ClipText(format, *clip.sampleRate, *clip.length * media::SamplesPerByte(format)));
    }
    return clips;
}

// Writes every whole image of the map as "image-NN.png" under prefix; gives
// the number written and adds the problems.
size_t UnpackImages(const PackedMap& map, const InputFile& file, const std::wstring& prefix,
                    std::vector<std::string>* problems)
{
    const ReadAt read = file.Reader();
    std::vector<uint8_t> rbf(media::kScreenRbfBytes), rgb(media::kScreenRbfBytes / 2 * 3);
    PngWriter png;
    size_t images = 0;
    std::string why;
    for (const PackedImage& image : map.images) {
        // One cut short by the end of the file is among the map's problems.
        if (image.size != rbf.size() || image.offset > file.Size() || image.size > file.Size() - image.offset)
            continue;
        const std::string name = NumberedName("image-", image.index + 1, map.images.size(), ".png");
        if (!read(image.offset, rbf.data(), rbf.size())) {
            problems->push_back("can't read image " + std::to_string(image.index));
            continue;
        }
        media::DecodeRbf(rbf.data(), rbf.size() / 2, rgb.data());
        if (!png.Write(rgb.data(), media::kScreenWidth, media::kScreenHeight, prefix + WideFromUtf8(name), &why)) {
            problems->push_back("can't write " + name + " (image " + std::to_string(image.index) + "): " + why);
            continue;
        }
        ++images;
    }
    return images;
}

}  // namespace

int RunUnpackCommand(const TessaOptions& options, ConsoleOutput& out)
{
    InputFile file;
    if (!file.Open(WideFromUtf8(options.input))) {
        out.Error("packed image not found or unreadable: " + options.input);
        return kExitBadInput;
    }
    // The folder without trailing separators, a drive's root ("X:\\") apart.
    std::wstring dir = ExtendedPath(options.output);
    while (dir.size() > 1 && dir.back() == L'\\' && dir[dir.size() - 2] != L':')
        dir.pop_back();
    const unsigned long folderError = dir.empty() ? ERROR_INVALID_NAME : CreateFolders(dir);
    if (folderError == ERROR_ALREADY_EXISTS) {
        out.Error(options.output + " is a file, not a folder: give a new or empty folder for -o");
        return kExitFailed;
    }
    if (folderError) {
        out.Error("can't make the folder " + options.output + ": " + SystemErrorText(folderError));
        return kExitBadInput;
    }
    std::string why;
    if (!PrepareUnpackFolder(dir, options.replace, &why)) {
        out.Error("the folder " + options.output + " " + why
                  + ": unpack into a new or empty folder, or give --replace to remove what an earlier unpack "
                    "left there");
        return kExitBadInput;
    }
    const std::wstring prefix = dir.back() == L'\\' ? dir : dir + L'\\';

    // Every problem the map finds, then every file that could not be written;
    // whatever can be decoded still is.
    PackedMap map;
    std::vector<std::string> problems;
    if (!ReadPackedImage(file, options, &map))
        problems.push_back("reading the packed image failed: " + options.input);
    problems.insert(problems.end(), map.problems.begin(), map.problems.end());
    if (!WriteWholeFile(prefix + L"map.json", AsPrinted(FormatPackedMapJson(map)), &why))
        problems.push_back("can't write map.json: " + why);
    const size_t clips = UnpackClips(map, file.Reader(), options.clock, prefix, out, &problems);
    const size_t images = UnpackImages(map, file, prefix, &problems);

    out.Info("unpacked " + std::to_string(clips) + " of " + std::to_string(map.clips.size()) + " clips and "
             + std::to_string(images) + " of " + std::to_string(map.images.size()) + " images into "
             + options.output);
    if (!problems.empty()) {
        std::string line = problems.front();
        if (problems.size() > 1)
            line += " (and " + std::to_string(problems.size() - 1) + " more problems)";
        out.Error(line);
        return kExitFailed;
    }
    return kExitOk;
}
