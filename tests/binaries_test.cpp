// The shipped binaries as Windows sees them: each carries the version
// resource, and the programs their application manifest.
#include "Version.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

namespace {

std::string BinDir()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::vector<std::string> Binaries()
{
    return { "Tessaline.exe", "tessa.exe", "KP6600HidDriver.dll", "TuneMill.dll", "PicMill.dll" };
}

std::vector<std::string> Programs()
{
    return { "Tessaline.exe", "tessa.exe" };
}

std::string StringValue(const std::vector<char>& info, const char* name)
{
    std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
    char* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "(missing)";
    return std::string(value);
}

TEST(BinariesTest, EveryBinaryCarriesTheProductVersionAndMaker)
{
    for (const std::string& name : Binaries()) {
        SCOPED_TRACE(name);
        std::string path = BinDir() + name;
        DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), nullptr);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
        EXPECT_EQ("Tessaline", StringValue(info, "ProductName"));
        EXPECT_EQ("Norvane", StringValue(info, "CompanyName"));
        EXPECT_EQ(TESSALINE_VERSION_TEXT, StringValue(info, "ProductVersion"));
        EXPECT_EQ(TESSALINE_VERSION_TEXT, StringValue(info, "FileVersion"));
        EXPECT_EQ(name, StringValue(info, "OriginalFilename"));
        EXPECT_FALSE(StringValue(info, "FileDescription").empty());

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(TESSALINE_VERSION_MINOR, TESSALINE_VERSION_MAJOR)), fixed->dwFileVersionMS);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, TESSALINE_VERSION_PATCH)), fixed->dwFileVersionLS);
    }
}

TEST(BinariesTest, ProgramsCarryTheApplicationManifest)
{
    const char* expected[] = {
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "level=\"asInvoker\"",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",   // Windows 10 and 11
        ">true</dpiAware>",
        ">PerMonitorV2, System</dpiAwareness>",
    };
    for (const std::string& name : Programs()) {
        SCOPED_TRACE(name);
        HMODULE module = ::LoadLibraryExA((BinDir() + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module);
        HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        ASSERT_NE(nullptr, found);
        const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
        std::string manifest(bytes, ::SizeofResource(module, found));
        // Line breaks inside an element do not count.
        std::string flat;
        for (char c : manifest) {
            if (c == '\r' || c == '\n')
                continue;
            if (c == ' ' && !flat.empty() && flat.back() == ' ')
                continue;
            flat += c;
        }
        for (const char* text : expected)
            EXPECT_NE(std::string::npos, flat.find(text)) << text;
        ::FreeLibrary(module);
    }
}

}  // namespace
