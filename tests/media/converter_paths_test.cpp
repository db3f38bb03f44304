// Every path argument of both converter libraries: whatever its length, kind
// or spelling, a call either converts correctly or returns 0 and leaves the
// folder exactly as it was (no temporary file, no partial output, an older
// output untouched).
#include "FilePaths.h"
#include "ImageBuilder.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace media_test;

namespace {

TEST(MillFilesPaths, LongPathForm)
{
    const std::wstring tooLong = L"C:\\" + std::wstring(millfiles::kMaxPathChars - 7, L'x');
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\a\\b.rbf", L"\\\\?\\C:\\a\\b.rbf"},
        {L"\\\\server\\share\\b.rbf", L"\\\\?\\UNC\\server\\share\\b.rbf"},
        {L"\\\\?\\C:\\b.rbf", L"\\\\?\\C:\\b.rbf"},
        {L"\\\\?\\UNC\\server\\share\\b", L"\\\\?\\UNC\\server\\share\\b"},
        {tooLong, L"\\\\?\\" + tooLong},
        {tooLong + L"x", L""},            // one past the limit
        {L"\\\\.\\NUL", L""},             // devices
        {L"\\\\.\\COM1", L""},
        {L"\\\\?\\GLOBALROOT\\x", L""},
        {L"\\??\\C:\\a", L""},
        {L"C:\\a\\", L""},                // folders
        {L"C:\\", L""},
        {L"\\\\server\\share\\", L""},
        {L"\\\\server", L""},
        {L"C:\\a\\b.wav:rbf", L""},       // a stream
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, millfiles::LongPathForm(c.first)) << std::string(c.first.begin(), c.first.end());
}

typedef int(__stdcall* AudioFn)(const char*, const char*, const char*, int);
typedef int(__stdcall* ImageFn)(const char*, const char*, unsigned, unsigned, int, int, const unsigned char*);

// Every file under a folder with its bytes (folders as "<folder>"), by name
// below it.
using Listing = std::map<std::wstring, Bytes>;

void List(const std::wstring& folder, const std::wstring& below, Listing& listing)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + below + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = below + found.cFileName;
        if (std::wstring(found.cFileName) == L"." || std::wstring(found.cFileName) == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            listing[name] = Bytes({'<', 'f', 'o', 'l', 'd', 'e', 'r', '>'});
            List(folder, name + L"\\", listing);
            continue;
        }
        Bytes& bytes = listing[name];
        HANDLE file = CreateFileW((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        bytes.resize(found.nFileSizeLow);
        DWORD got = 0;
        if (file != INVALID_HANDLE_VALUE && !bytes.empty())
            ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        bytes.resize(got);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Writes a file at a full path of any length.
void WriteLong(const std::string& path, const Bytes& bytes)
{
    HANDLE file = CreateFileW((L"\\\\?\\" + Wide(path)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(bytes.size(), written);
}

// The current folder for the length of a test.
class InFolder {
public:
    explicit InFolder(const std::string& folder)
    {
        GetCurrentDirectoryA(MAX_PATH, m_previous);
        SetCurrentDirectoryA(folder.c_str());
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    ~InFolder() { SetCurrentDirectoryA(m_previous); }

private:
    char m_previous[MAX_PATH] = {};
};

struct PathCase {
    const char* what;
    std::string source, byProduct, converted;  // an empty by-product: none given
    bool converts;
    bool needsByProduct;  // audio only
};

TEST(ConverterPaths, ConvertOrLeaveTheFolderAsItWas)
{
    Library tuneMill("TuneMill.dll"), picMill("PicMill.dll");
    const auto wavToApm = tuneMill.Get<AudioFn>("ConvertWAVToAPMWithResample");
    const auto wavToMdm = tuneMill.Get<AudioFn>("ConvertWAVToMDMWithResample");
    const auto toRbf = picMill.Get<ImageFn>("ConvertImageResourceToRBF");
    ASSERT_TRUE(wavToApm && wavToMdm && toRbf);
    static const unsigned char kBlue[3] = {0, 0, 255};

    struct Converter {
        const char* name;
        std::function<int(const char*, const char*, const char*)> call;
        Bytes source, converted;
        bool byProducts;
    };
    const Converter converters[] = {
        {"WAV to APM", [&](const char* s, const char* b, const char* c) { return wavToApm(s, b, c, 8000); },
         MakeWav16Mono(8000, {1000, 1000, 0}), {0x77, 0x0C}, true},
        {"WAV to MDM", [&](const char* s, const char* b, const char* c) { return wavToMdm(s, b, c, 8000); },
         MakeWav16Mono(8000, {0, 1000, -1000}), {0xFF, 0xCE, 0x4E}, true},
        {"picture to RBF", [&](const char* s, const char*, const char* c) { return toRbf(s, c, 1, 1, 2, 1, kBlue); },
         MakeBmp(4, 4, Solid(Opaque(255, 0, 0))), {0x00, 0xF8}, false},
    };

    ScratchFolder scratch;
    const std::string& folder = scratch.Path();
    InFolder inside(folder);
    // A folder whose name makes "<it>\a.rbf" 300 characters long.
    const std::string longFolder(300 - folder.size() - 6, 'd');
    ASSERT_LE(longFolder.size(), 255u);
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide(folder + longFolder)).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA("sub", nullptr));
    const std::string longPath = folder + longFolder + "\\a.rbf";
    const std::string tooLong = folder + std::string(32767 - folder.size(), 'x');

    const PathCase cases[] = {
        {"relative", "a.src", "", "a.rbf", true, false},
        {"300 characters", "a.src", "", longPath, true, false},
        {"300-character source", longPath, "", "b.rbf", true, false},
        {"32767 characters", "a.src", "", tooLong, false, false},
        {"32767-character source", tooLong, "", "a.rbf", false, false},
        {"empty", "a.src", "", "", false, false},
        {"empty source", "", "", "a.rbf", false, false},
        {"a folder", "a.src", "", "sub", false, false},
        {"a folder, with its separator", "a.src", "", folder, false, false},
        {"NUL", "a.src", "", "NUL", false, false},
        {"CON", "a.src", "", "CON", false, false},
        {"COM1", "a.src", "", "COM1", false, false},
        {"device name", "a.src", "", "\\\\.\\NUL", false, false},
        {"device as source", "CON", "", "a.rbf", false, false},
        {"source = output", "a.src", "", "a.src", false, false},
        {"source = output, spelt otherwise", "a.src", "", folder + "sub\\..\\.\\A.SRC", false, false},
        {"by-product = output", "a.src", "a.rbf", "a.rbf", false, true},
        {"by-product = output, spelt otherwise", "a.src", folder + "A.RBF", "a.rbf", false, true},
        {"source = by-product", "a.src", ".\\A.src", "a.rbf", false, true},
    };
    for (const Converter& converter : converters) {
        for (const PathCase& c : cases) {
            if (c.needsByProduct && !converter.byProducts)
                continue;
            SCOPED_TRACE(std::string(converter.name) + ", " + c.what);
            const std::wstring root = L"\\\\?\\" + Wide(folder);
            WriteAll(folder + "a.src", converter.source);
            WriteLong(longPath, converter.source);
            WriteAll(folder + "a.rbf", Bytes({'o', 'l', 'd'}));
            Listing before, after;
            List(root, L"", before);

            const int result = converter.call(c.source.c_str(), c.byProduct.empty() ? nullptr : c.byProduct.c_str(),
                                              c.converted.c_str());
            List(root, L"", after);
            EXPECT_EQ(c.converts ? 1 : 0, result);
            if (result != 0) {
                // The converted file, its by-products (audio), nothing else.
                const bool full = c.converted.compare(0, folder.size(), folder) == 0;
                const std::wstring name = Wide(c.converted.substr(full ? folder.size() : 0));
                EXPECT_EQ(converter.converted, after[name]);
                for (const wchar_t* output : {L"", L".apm", L".h"}) {
                    before.erase(name + output);
                    after.erase(name + output);
                    DeleteFileW((root + name + output).c_str());
                }
            }
            EXPECT_TRUE(before == after) << "the folder changed";
        }
    }
}

}  // namespace
