// Every path argument of both converter libraries: whatever its length, kind or
// spelling, a call converts correctly or returns 0 and leaves the folder as it was.
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
        {tooLong, L"\\\\?\\" + tooLong},
        {tooLong + L"x", L""},                // one past the limit
        {L"\\\\?\\GLOBALROOT\\x", L""},       // neither a drive nor a UNC path
        {L"C:\\a\\b.wav:rbf", L""},           // a stream
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, millfiles::LongPathForm(c.first)) << std::string(c.first.begin(), c.first.end());
}

typedef int(__stdcall* AudioFn)(const char*, const char*, const char*, int);
typedef int(__stdcall* ImageFn)(const char*, const char*, unsigned, unsigned, int, int, const unsigned char*);

// Every file (with its bytes) and folder below a \\?\ folder.
using Listing = std::map<std::wstring, Bytes>;

void List(const std::wstring& folder, const std::wstring& below, Listing& listing)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + below + L"*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found) != 0) {
        const std::wstring name = below + found.cFileName;
        if (found.cFileName[0] == L'.')  // "." and ".."; no other name here starts so
            continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        listing[name] = isFolder ? Bytes(1, 'D') : ReadAll(folder + name);
        if (isFolder)
            List(folder, name + L"\\", listing);
    }
    FindClose(search);
}

struct InFolder {  // the current folder for the length of a test, then the test's own
    explicit InFolder(const std::string& folder) { SetCurrentDirectoryA(folder.c_str()); }
    ~InFolder() { SetCurrentDirectoryA(ExeFolder().c_str()); }
};

struct PathCase {
    const char* what;
    std::string source, byProduct, converted;  // an empty by-product: none given (audio only)
    bool converts;
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
         MakeBmp(4, 4, Solid(Opaque(255, 0, 0))), {0x00, 0xF8}, false}};

    ScratchFolder scratch;
    const std::string& folder = scratch.Path();
    InFolder inside(folder);
    // A folder whose name makes "<it>\a.rbf" 300 characters long.
    const std::string longFolder(300 - folder.size() - 6, 'd');
    ASSERT_LE(longFolder.size(), 255u);
    ASSERT_TRUE(CreateDirectoryW(LongName(folder + longFolder).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA("sub", nullptr));
    const std::string longPath = folder + longFolder + "\\a.rbf";
    const std::string tooLong = folder + std::string(32767 - folder.size(), 'x');
    const std::wstring root = LongName(folder);

    const PathCase cases[] = {
        {"relative", "a.src", "", "a.rbf", true},
        {"300 characters", "a.src", "", longPath, true},
        {"300-character source", longPath, "", "b.rbf", true},
        {"32767 characters", "a.src", "", tooLong, false},
        {"32767-character source", tooLong, "", "a.rbf", false},
        {"empty", "a.src", "", "", false},
        {"empty source", "", "", "a.rbf", false},
        {"a folder", "a.src", "", "sub", false},
        {"a folder, with its separator", "a.src", "", folder, false},
        {"NUL", "a.src", "", "NUL", false},
        {"CON", "a.src", "", "CON", false},
        {"COM1", "a.src", "", "COM1", false},
        {"device name", "a.src", "", "\\\\.\\NUL", false},
        {"device as source", "CON", "", "a.rbf", false},
        {"source = output", "a.src", "", "a.src", false},
        {"source = output, spelt otherwise", "a.src", "", folder + "sub\\..\\.\\A.SRC", false},
        {"by-product = output", "a.src", "a.rbf", "a.rbf", false},
        {"by-product = output, spelt otherwise", "a.src", folder + "A.RBF", "a.rbf", false},
        {"source = by-product", "a.src", ".\\A.src", "a.rbf", false},
    };
    for (const Converter& converter : converters) {
        for (const PathCase& c : cases) {
            if (!c.byProduct.empty() && !converter.byProducts)
                continue;
            SCOPED_TRACE(std::string(converter.name) + ", " + c.what);
            WriteAll(folder + "a.src", converter.source);
            WriteAll(longPath, converter.source);
            WriteAll(folder + "a.rbf", Bytes({'o', 'l', 'd'}));
            Listing before, after;
            List(root, L"", before);

            const int result = converter.call(c.source.c_str(), c.byProduct.empty() ? nullptr : c.byProduct.c_str(),
                                              c.converted.c_str());
            List(root, L"", after);
            EXPECT_EQ(c.converts ? 1 : 0, result);
            if (result != 0) {  // the converted file (and by-products), nothing else
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
