// The console program run as a user would: flash bytes, exit codes, the
// error line, the log, and board after board with --loop.
#include "AppDriver.h"
#include "ConsoleProcess.h"
#include "CommandLine.h"
#include "DeviceList.h"
#include "GdiPlus.h"
#include "PictureDecoder.h"
#include "SpeechDecoder.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>

namespace gui {
namespace {

// 40000 bytes: blocks of 16384, 16384 and 7232.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return bytes;
}
const char* const kPatternSha256 = "58d781cc597bca703812517d600f71acae3a22beb8ef6759384281a860d037eb";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class TessaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = MakeTempDir("tessa");
        ASSERT_FALSE(m_dir.empty());
        m_image = m_dir + "image.bin";
        ASSERT_TRUE(WriteFile(m_image, Pattern(40000)));
        m_flash = m_dir + "flash.bin";
        m_env = { { "KP6600SIM_FLASH_FILE", m_flash }, { "KP6600SIM_CALL_LOG", m_dir + "calls.log" },
                  { "KP6600SIM_ERASE_MS", "0" }, { "KP6600SIM_BLOCK_DELAY_MS", "0" } };
    }

    int Run(const std::string& arguments, std::vector<std::pair<std::string, std::string>> extra = {})
    {
        auto env = m_env;
        env.insert(env.end(), extra.begin(), extra.end());
        return RunConsole(ExeDir() + "tessa.exe", "--log \"" + m_dir + "log.csv\" " + arguments, env, &m_out, &m_err);
    }

    std::string m_dir, m_image, m_flash, m_out, m_err;
    std::vector<std::pair<std::string, std::string>> m_env;
};

TEST_F(TessaTest, DownloadProgramsTheImageAndLogsIt)
{
    ASSERT_EQ(0, Run("download \"" + m_image + "\" --capacity 2M")) << m_err;
    EXPECT_EQ(Pattern(40000), ReadFile(m_flash).substr(0, 40000));
    EXPECT_EQ("", m_err);
    std::vector<std::string> out = Lines(m_out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(0u, out.back().find("download OK: 40000 bytes in ")) << out.back();
    EXPECT_EQ("programming 100%", out[out.size() - 2]);

    std::vector<std::string> log = Lines(ReadFile(m_dir + "log.csv"));
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("time,program,operation,image,size,sha256,capacity,start_address,flash_type,result,ms,device", log[0]);
    const std::string fields = ",tessa,download," + m_image + ",40000," + kPatternSha256 + ",2M,0x00000000,SPI,ok,";
    EXPECT_NE(std::string::npos, log[1].find(fields)) << log[1];
    EXPECT_EQ(",0", log[1].substr(log[1].size() - 2));
    EXPECT_EQ('T', log[1][10]);
}

TEST_F(TessaTest, ImageNamedOutsideTheAnsiCodePageDownloads)
{
    const std::string name = m_dir + "\xE5\x9B\xBE-\xD0\x96.bin";  // UTF-8
    const std::wstring wide = std::wstring(m_dir.begin(), m_dir.end()) + L"\u56fe-\u0416.bin";
    ASSERT_TRUE(::CopyFileW(std::wstring(m_image.begin(), m_image.end()).c_str(), wide.c_str(), FALSE));
    ASSERT_EQ(0, Run("download \"" + name + "\" --capacity 2M")) << m_err;
    EXPECT_EQ(Pattern(40000), ReadFile(m_flash).substr(0, 40000));
    EXPECT_NE(std::string::npos, ReadFile(m_dir + "log.csv").find(",tessa,download," + name + ",40000,"));
}

TEST_F(TessaTest, RunsFromAFolderOutsideTheAnsiCodePage)
{
    // The driver library is loaded from the program's own folder.
    const std::wstring folder = std::wstring(m_dir.begin(), m_dir.end()) + L"\u5de5\u5177";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::string exeDir = ExeDir();
    for (const wchar_t* name : { L"tessa.exe", L"KP6600HidDriver.dll" })
        ASSERT_TRUE(::CopyFileW((std::wstring(exeDir.begin(), exeDir.end()) + name).c_str(),
                                (folder + L"\\" + name).c_str(), FALSE));
    const std::string exe = m_dir + "\xE5\xB7\xA5\xE5\x85\xB7\\tessa.exe";  // UTF-8
    EXPECT_EQ(0, RunConsole(exe, "connect", m_env, &m_out, &m_err)) << m_err;
    EXPECT_EQ(0u, m_out.find("connected: KP6600 HID")) << m_out;
}

TEST_F(TessaTest, WriteUsesTheFlashTypeAndAddress)
{
    ASSERT_EQ(0, Run("write \"" + m_image + "\" --flash-type nand --address 0x1000 --quiet")) << m_err;
    EXPECT_EQ("", m_out);
    std::string flash = ReadFile(m_flash);
    EXPECT_EQ(std::string(0x1000, '\xFF'), flash.substr(0, 0x1000));
    EXPECT_EQ(Pattern(40000), flash.substr(0x1000, 40000));
    std::vector<std::string> calls = Lines(ReadFile(m_dir + "calls.log"));
    ASSERT_EQ(7u, calls.size());
    EXPECT_NE(std::string::npos, calls[1].find("KP6600SetFlashInfo 0 6 0 -> 1"));
    EXPECT_NE(std::string::npos, calls[5].find("KP6600Program 0 7232 0x00009000 -> 1"));
    EXPECT_NE(std::string::npos, ReadFile(m_dir + "log.csv").find(",write,"));
}

TEST_F(TessaTest, FailuresGiveTheirExitCodeAndOneErrorLine)
{
    ASSERT_TRUE(WriteFile(m_dir + "big.bin", std::string(262145, 'x')));
    struct Case {
        std::string arguments;
        std::vector<std::pair<std::string, std::string>> env;
        int code;
        std::string error;
    } cases[] = {
        { "download \"" + m_dir + "none.bin\"", {}, 2, "tessa: image file not found or unreadable: " + m_dir + "none.bin" },
        { "download \"" + m_dir + "big.bin\" --capacity 2M", {}, 2,
          "tessa: image too big for the capacity 2M (256 KiB): 262145 bytes" },
        { "download \"" + m_image + "\" --address 3", {}, 2, "tessa: the address must be even: 0x00000003" },
        { "download \"" + m_image + "\" --capacity 2M --address 3C000", {}, 2,
          "tessa: image does not fit the 2M (256 KiB) flash: 40000 bytes from address 0x0003C000 end at 0x00045C40, past its "
          "end at 0x00040000" },
        { "download \"" + m_image + "\" --speed 9", {}, 2, "tessa: unknown option '--speed' for download" },
        { "download \"" + m_image + "\" -address 100000", {}, 2, "tessa: unknown option '-address' for download" },
        { "download \"" + m_image + "\" --devices 0,0", {}, 2, "tessa: the device list '0,0' names device 0 twice" },
        { "download \"" + m_image + "\"", { { "KP6600SIM_FAIL_BLOCK", "1" } }, 1,
          "tessa: download failed: block program failed at 0x00004000" },
        { "write \"" + m_image + "\"", { { "KP6600SIM_FLASHINFO_FAILS", "1" } }, 1,
          "tessa: write failed: flash set-up refused" },
        { "connect", { { "KP6600SIM_PLUGGED", "0" } }, 1, "tessa: no device answered: is the programmer plugged in?" },
        { "download \"" + m_image + "\"", { { "KP6600SIM_PLUGGED", "0" } }, 1, "tessa: download failed: device open failed" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, Run(c.arguments, c.env)) << c.arguments;
        EXPECT_EQ(c.error + "\r\n", m_err) << c.arguments;
    }
    // The last case: the 20 seconds without a device are counted aloud.
    for (const char* attempt : { "attempt 1 of 20", "attempt 20 of 20" })
        EXPECT_NE(std::string::npos, m_out.find("waiting for the device: " + std::string(attempt) + " found none\r\n"))
            << m_out;
    // Only the runs that reached the device are logged.
    std::vector<std::string> log = Lines(ReadFile(m_dir + "log.csv"));
    ASSERT_EQ(4u, log.size());
    EXPECT_NE(std::string::npos, log[3].find(",SPI,device open failed,"));
    // A run that failed part-way still logs the whole image's hash.
    EXPECT_NE(std::string::npos,
              log[1].find(",40000," + std::string(kPatternSha256) + ",32M,0x00000000,SPI,block program failed at 0x00004000,"))
        << log[1];
}

TEST_F(TessaTest, TheLogNamesTheImageByItsFullPath)
{
    ConsoleProcess tessa;
    for (const auto& env : m_env)
        tessa.SetEnv(env.first, env.second);
    ASSERT_TRUE(tessa.Start(ExeDir() + "tessa.exe", "--log log.csv download image.bin", m_dir));
    ASSERT_EQ(0, tessa.Wait()) << tessa.Errors();
    EXPECT_NE(std::string::npos, ReadFile(m_dir + "log.csv").find(",tessa,download," + m_image + ",40000,"))
        << ReadFile(m_dir + "log.csv");
}

TEST_F(TessaTest, LoopProgramsOneBoardAfterAnother)
{
    // The device follows its ini file: plugged in, pulled, plugged in with a new flash.
    const std::string appDir = MakeTempDir("tessa-loop");
    ASSERT_TRUE(CopyFromBin(appDir, { "tessa.exe", "KP6600HidDriver.dll" }));
    // Replaced whole, so that no open reads it half-written; the device may
    // hold the old one open for a moment while it reads it.
    auto plug = [&](int plugged, const char* flash) {
        if (!WriteFile(appDir + "next.ini", std::string("[Device]\r\nPlugged=") + std::to_string(plugged)
                                                + "\r\nFlashFile=" + m_dir + flash
                                                + "\r\nEraseMs=0\r\nBlockDelayMs=0\r\n"))
            return false;
        return WaitFor([&] {
            return ::MoveFileExA((appDir + "next.ini").c_str(), (appDir + "KP6600HidDriver.ini").c_str(),
                                 MOVEFILE_REPLACE_EXISTING) != FALSE;
        });
    };
    ASSERT_TRUE(plug(1, "board1.bin"));
    ConsoleProcess tessa;
    ASSERT_TRUE(tessa.Start(appDir + "tessa.exe",
                            "--log \"" + m_dir + "log.csv\" download \"" + m_image + "\" --loop --count 2", appDir));
    auto saw = [&](const char* text) { return WaitFor([&] { return tessa.Output().find(text) != std::string::npos; }, 20000); };
    ASSERT_TRUE(saw("board 1: remove it to go on")) << tessa.Output() << tessa.Errors();
    ASSERT_TRUE(plug(0, "board2.bin"));
    ASSERT_TRUE(saw("board 2: waiting for the device")) << tessa.Output();
    ASSERT_TRUE(plug(1, "board2.bin"));
    EXPECT_EQ(0, tessa.Wait(20000)) << tessa.Output() << tessa.Errors();

    std::string out = tessa.Output();
    EXPECT_NE(std::string::npos, out.find("good 1, failed 0"));
    EXPECT_NE(std::string::npos, out.find("board 2: download OK: 40000 bytes"));
    EXPECT_NE(std::string::npos, out.find("good 2, failed 0"));
    EXPECT_EQ(Pattern(40000), ReadFile(m_dir + "board1.bin").substr(0, 40000));
    EXPECT_EQ(Pattern(40000), ReadFile(m_dir + "board2.bin").substr(0, 40000));
    EXPECT_EQ(3u, Lines(ReadFile(m_dir + "log.csv")).size());
}

// The device of each log line after the header, from its last field.
std::vector<std::string> LoggedDevices(const std::vector<std::string>& log)
{
    std::vector<std::string> devices;
    for (size_t i = 1; i < log.size(); ++i)
        devices.push_back(log[i].substr(log[i].rfind(',') + 1));
    std::sort(devices.begin(), devices.end());
    return devices;
}

TEST_F(TessaTest, FourBoardsAtOnceEachGetTheImageAndALogLine)
{
    ASSERT_EQ(0, Run("download \"" + m_image + "\" --capacity 2M --devices 0-3", { { "KP6600SIM_BOARDS", "4" } }))
        << m_err;
    EXPECT_EQ("", m_err);
    const std::vector<std::string> log = Lines(ReadFile(m_dir + "log.csv"));
    EXPECT_EQ((std::vector<std::string>{ "0", "1", "2", "3" }), LoggedDevices(log));
    for (int device = 0; device < 4; ++device) {
        const std::string n = std::to_string(device);
        EXPECT_EQ(Pattern(40000), ReadFile(device ? m_dir + "flash-" + n + ".bin" : m_flash).substr(0, 40000)) << n;
        EXPECT_NE(std::string::npos, m_out.find("\nboard " + n + ": OK, 40000 bytes in ")) << m_out;
        EXPECT_NE(std::string::npos, log[static_cast<size_t>(device) + 1].find(
                                         std::string(",40000,") + kPatternSha256 + ",2M,0x00000000,SPI,ok,"));
    }
}

TEST_F(TessaTest, ABoardFailingAtABlockLeavesTheOthersGoodAndUnlistedBoardsUntouched)
{
    const std::string image = m_dir + "five-blocks.bin";
    ASSERT_TRUE(WriteFile(image, Pattern(70000)));
    EXPECT_EQ(1, Run("download \"" + image + "\" --devices 0,2,3",
                     { { "KP6600SIM_BOARDS", "4" }, { "KP6600SIM_FAIL_BLOCK_2", "3" } }));
    EXPECT_EQ("tessa: board 2: FAILED, block program failed at 0x0000C000\r\n", m_err);
    EXPECT_EQ(Pattern(70000), ReadFile(m_flash).substr(0, 70000));
    EXPECT_EQ(Pattern(70000), ReadFile(m_dir + "flash-3.bin").substr(0, 70000));
    EXPECT_EQ(Pattern(0xC000), ReadFile(m_dir + "flash-2.bin").substr(0, 0xC000));
    EXPECT_EQ(std::string(0x4000, '\xFF'), ReadFile(m_dir + "flash-2.bin").substr(0xC000, 0x4000));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((m_dir + "flash-1.bin").c_str()));
    const std::vector<std::string> log = Lines(ReadFile(m_dir + "log.csv"));
    EXPECT_EQ((std::vector<std::string>{ "0", "2", "3" }), LoggedDevices(log));
    EXPECT_NE(std::string::npos, ReadFile(m_dir + "log.csv").find(",SPI,block program failed at 0x0000C000,"));
}

TEST_F(TessaTest, MapReadsAGoodImageAndFlagsDamagedOnes)
{
    // Two clips of 10 and 7 bytes at audio start 0, defaults: as the packer writes it.
    const std::string good = std::string("\x02\x00\x40\xBF\x12\x80\x80\x88\x01\xFF\x40\xBF\x1C\x80\x80\x88\x01\xFF", 18)
                             + "0123456789abcdefg";
    struct Case {
        std::string bytes;
        int code;
        std::string inOutput;
    } cases[] = {
        { good, 0, "     1     0x0000001C          28           7  APM     1 (/4)       191        8000" },
        { good.substr(0, 20), 1, "problem: clip 1 points outside the file (file offset 28)" },
        { std::string("\xFF\xFF", 2) + std::string(300, '\x5A'), 1,
          "packed.bin is not a packed image: its first audio record ends in 5A 5A 5A, not 88 01 FF\r\n" },
        { "", 1, "problem: " },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFile(m_dir + "packed.bin", c.bytes));
        EXPECT_EQ(c.code, Run("map \"" + m_dir + "packed.bin\"")) << c.inOutput;
        EXPECT_NE(std::string::npos, (m_out + m_err).find(c.inOutput)) << m_out << m_err;
        EXPECT_EQ(c.code ? 0u : std::string::npos, m_err.find("tessa: ")) << m_err;
    }
    // More problems than are listed: the count on standard error counts them all.
    std::string many = "\x2C\x01";  // 300 records without a banked address
    for (int k = 0; k < 300; ++k)
        many += std::string("\x40\xBF\xFF\xFF\xFF\x88\x01\xFF", 8);
    ASSERT_TRUE(WriteFile(m_dir + "packed.bin", many));
    EXPECT_EQ(1, Run("map \"" + m_dir + "packed.bin\""));
    const size_t more = m_out.find("... and ");
    ASSERT_NE(std::string::npos, more) << m_out;
    const unsigned long dropped = std::stoul(m_out.substr(more + 8));
    EXPECT_NE(std::string::npos, m_err.find("tessa: " + std::to_string(200 + dropped) + " problem(s) in ")) << m_err;
    ASSERT_TRUE(WriteFile(m_dir + "packed.bin", good));
    EXPECT_EQ(0, Run("map \"" + m_dir + "packed.bin\" --json"));
    EXPECT_NE(std::string::npos, m_out.find("\"audioStart\": 0, \"audioStartInferred\": true")) << m_out;
}

std::string Le(uint32_t value, int bytes)
{
    return bytes ? std::string(1, static_cast<char>(value)) + Le(value >> 8, bytes - 1) : std::string();
}
// A mono 8-bit WAV at 8000 Hz; a 1 x 1 BMP declaring the given size.
std::string Wave(uint32_t samples)
{
    return "RIFF" + Le(36 + samples, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) + Le(8000, 4) + Le(8000, 4)
           + Le(1, 2) + Le(8, 2) + "data" + Le(samples, 4) + std::string(samples, '\x90');
}
std::string Bmp(uint32_t width = 1, uint32_t height = 1)
{
    return "BM" + Le(58, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4) + Le(1, 2) + Le(24, 2)
           + Le(0, 4) + Le(4, 4) + Le(0, 16) + Le(0xFF0000, 4);
}

// tessa with a command line of any characters; output and errors as written.
int RunWide(const std::wstring& arguments, std::string* out, std::string* err, const std::string& dir)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    STARTUPINFOW start = { sizeof start };
    start.dwFlags = STARTF_USESTDHANDLES;
    auto create = [&](const char* name) {
        return ::CreateFileA((dir + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    };
    start.hStdOutput = create("out.txt");
    start.hStdError = create("err.txt");
    const std::string exe = ExeDir() + "tessa.exe";
    std::wstring line = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    DWORD code = 255;
    if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &start,
                         &process)) {
        ::WaitForSingleObject(process.hProcess, 60000);
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(start.hStdOutput);
    ::CloseHandle(start.hStdError);
    *out = ReadFile(dir + "out.txt");
    *err = ReadFile(dir + "err.txt");
    return static_cast<int>(code);
}

TEST_F(TessaTest, PackPutsTheImagesAtTheFirstSectorAfterTheAudio)
{
    ASSERT_TRUE(WriteFile(m_dir + "tone.wav", Wave(1000)) && WriteFile(m_dir + "pic.bmp", Bmp()));
    const std::string pack = "pack -o \"" + m_dir + "m.bin\" --audio \"" + m_dir + "tone.wav\" --image \"" + m_dir
                             + "pic.bmp\" --audio-start 800";
    ASSERT_EQ(0, Run(pack)) << m_err;
    // Audio from 0x800: 10 header bytes and 500 of APM end at 0x9FE.
    EXPECT_EQ("packed 1 audio and 1 image files into " + m_dir + "m.bin: 34818 bytes; image section at 0x00001000, "
              "the first 4 KiB boundary after the audio section, which ends at 0x000009FE", Lines(m_out).back());
    const std::string packed = ReadFile(m_dir + "m.bin");
    ASSERT_EQ(34818u, packed.size());
    EXPECT_EQ(std::string(0x602, '\xFF') + std::string("\x01\x00", 2), packed.substr(0x1FE, 0x604));
    EXPECT_EQ(0, Run("map \"" + m_dir + "m.bin\"")) << m_out;
    EXPECT_NE(std::string::npos, m_out.find("image start: 0x00001000 (file offset 2048)")) << m_out;
    ASSERT_EQ(0, Run(pack + " --quiet")) << m_err;
    EXPECT_EQ("", m_out);
}

TEST_F(TessaTest, PackRefusalsNameTheRuleTheNumbersAndTheFile)
{
    const std::string d = m_dir;
    ASSERT_TRUE(WriteFile(d + "tone.wav", Wave(1000)) && WriteFile(d + "pic.bmp", Bmp())
                && WriteFile(d + "notes.png", "text") && WriteFile(d + "huge.bmp", Bmp(30000, 30000))
                && WriteFile(d + "song.ogg", "OggS"));
    const std::pair<std::string, std::string> cases[] = {
        { "--audio \"" + d + "tone.wav\" --image \"" + d + "pic.bmp\" --image-start 100",
          "the audio section ends at 0x000001FE, past the image start address 0x00000100; "
          "give --image-start 0x1000 or higher" },
        { "--image \"" + d + "notes.png\"", "can't convert " + d + "notes.png: not a BMP, PNG, JPEG or GIF picture" },
        { "--image \"" + d + "huge.bmp\"", "can't convert " + d + "huge.bmp: it declares 30000 x 30000 pixels; the "
                                           "converter takes sides of 1 to 65535 pixels and at most 50331648 pixels in all" },
        { "--audio \"" + d + "song.ogg\"", "can't convert " + d + "song.ogg: the builder converts only .mp3 and .wav audio files" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(2, Run("pack -o \"" + d + "m.bin\" " + c.first)) << c.first;
        EXPECT_EQ("tessa: " + c.second + "\r\n", m_err);
        EXPECT_EQ("", ReadFile(d + "m.bin"));
    }
}

TEST_F(TessaTest, PackRefusesSourcesNoAnsiCodePageCanNameAndWritesAnyOutput)
{
    ASSERT_TRUE(WriteFile(m_dir + "tone.wav", Wave(1000)));
    const std::wstring dir(m_dir.begin(), m_dir.end()), note = L"\U0001F3B5";
    ASSERT_TRUE(::CopyFileW((dir + L"tone.wav").c_str(), (dir + note + L".wav").c_str(), FALSE));
    std::string out, err;
    EXPECT_EQ(2, RunWide(L"pack -o \"" + dir + L"m.bin\" --audio \"" + dir + note + L".wav\"", &out, &err, m_dir));
    EXPECT_EQ("tessa: can't hand " + m_dir + "\xF0\x9F\x8E\xB5.wav to the converters: they take paths in the ANSI "
              "code page (" + std::to_string(::GetACP()) + "), which has no place for some of its characters\r\n", err);

    ASSERT_EQ(0, RunWide(L"pack -o \"" + dir + note + L".bin\" --audio \"" + dir + L"tone.wav\"", &out, &err, m_dir))
        << err;
    ASSERT_EQ(0, RunWide(L"map \"" + dir + note + L".bin\" --json", &out, &err, m_dir)) << err;
    EXPECT_NE(std::string::npos, out.find("\xF0\x9F\x8E\xB5.bin\", \"size\": 510,")) << out;
}

// Names in a folder matching a pattern ("*.tmp"), "." and ".." apart.
std::vector<std::string> Found(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
            names.push_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(TessaTest, ConvertWithATemporaryFolderOutsideTheAnsiCodePageLeavesTheUsersFiles)
{
    ASSERT_TRUE(WriteFile(m_dir + "t.wav", Wave(1000)) && WriteFile(m_dir + "t.wav.rbf", "kept by pack"));
    const std::wstring dir(m_dir.begin(), m_dir.end()), temp = dir + L"tmp\u65E5\u672C\\";
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));
    wchar_t oldTemp[MAX_PATH] = {}, oldTmp[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"TEMP", oldTemp, MAX_PATH);
    ::GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
    ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    ::SetEnvironmentVariableW(L"TMP", temp.c_str());
    std::string out, err;
    const int code = RunWide(L"convert \"" + dir + L"t.wav\" -o \"" + dir + L"out.wav\"", &out, &err, m_dir);
    ::SetEnvironmentVariableW(L"TEMP", oldTemp);
    ::SetEnvironmentVariableW(L"TMP", oldTmp);
    EXPECT_EQ(0, code) << err;
    EXPECT_EQ("kept by pack", ReadFile(m_dir + "t.wav.rbf"));
    EXPECT_NE("", ReadFile(m_dir + "out.wav"));
    EXPECT_TRUE(Found(m_dir + "tessa-*").empty());
    EXPECT_TRUE(::RemoveDirectoryW(temp.c_str()));  // nothing left in it
}

TEST_F(TessaTest, UnpackIntoAUsedFolderIsRefusedUnlessToldToReplaceItsOwnFiles)
{
    const std::string image = "\x02" + std::string(1, '\0') + std::string("\x40\xBF\x12\x80\x80\x88\x01\xFF", 8)
                              + "\x40\xBF\x1C\x80\x80\x88\x01\xFF" + "0123456789abcdefg";
    ASSERT_TRUE(WriteFile(m_dir + "p.bin", image));
    const std::string out = m_dir + "out";
    ASSERT_EQ(0, Run("unpack \"" + m_dir + "p.bin\" -o \"" + out + "\" --quiet")) << m_err;
    ASSERT_TRUE(WriteFile(out + "\\audio-07.wav", "old") && WriteFile(out + "\\notes.txt", "mine"));

    EXPECT_EQ(2, Run("unpack \"" + m_dir + "p.bin\" -o \"" + out + "\" --quiet"));
    EXPECT_EQ("tessa: the folder " + out + " is not empty: unpack into a new or empty folder, or give --replace to "
              "remove what an earlier unpack left there\r\n", m_err);
    EXPECT_EQ("old", ReadFile(out + "\\audio-07.wav"));

    EXPECT_EQ(0, Run("unpack \"" + m_dir + "p.bin\" -o \"" + out + "\" --quiet --replace")) << m_err;
    EXPECT_EQ((std::vector<std::string>{ "audio-01.wav", "audio-02.wav", "map.json", "notes.txt" }),
              Found(out + "\\*"));
    EXPECT_EQ("mine", ReadFile(out + "\\notes.txt"));
}

TEST_F(TessaTest, AFailedPackLeavesTheOldFileAsItWasAndNoTemporaryFile)
{
    ASSERT_TRUE(WriteFile(m_dir + "tone.wav", Wave(1000)) && WriteFile(m_dir + "pic.bmp", Bmp())
                && WriteFile(m_dir + "m.bin", "an earlier image"));
    EXPECT_EQ(2, Run("pack -o \"" + m_dir + "m.bin\" --audio \"" + m_dir + "tone.wav\" --image \"" + m_dir
                     + "pic.bmp\" --image-start 4"));
    EXPECT_EQ("an earlier image", ReadFile(m_dir + "m.bin"));
    EXPECT_TRUE(Found(m_dir + "m.bin.~*").empty());
}

// A media set of two clips and a picture, in a folder of its own beside theirs.
std::string WriteDemoSet(const std::string& dir)
{
    const bool made = ::CreateDirectoryA((dir + "media").c_str(), nullptr) && ::CreateDirectoryA((dir + "sets").c_str(), nullptr)
                      && WriteFile(dir + "media\\tone.wav", Wave(1000)) && WriteFile(dir + "hum.wav", Wave(300))
                      && WriteFile(dir + "media\\pic.bmp", Bmp())
                      && WriteFile(dir + "sets\\demo.tms",
                                   "tessaline-media-set = 1\nspeech-format = MDM\nsample-rate = 16000\n"
                                   "system-clock = 12000000\nbackground = 0, 128, 255\naudio-start = 00000800\n"
                                   "image-start = 00002000\nflash-type = KP6X\n\naudio = ../media/tone.wav\n"
                                   "audio = ..\\hum.wav\nimage = ../media/pic.bmp\n");
    return made ? dir + "sets\\demo.tms" : std::string();
}

TEST_F(TessaTest, PackWithASetGivesTheBytesOfPackWithItsFilesAndValues)
{
    const std::string set = WriteDemoSet(m_dir);
    ASSERT_NE("", set);
    const std::string files = " --audio \"" + m_dir + "media\\tone.wav\" --audio \"" + m_dir + "hum.wav\" --image \""
                              + m_dir + "media\\pic.bmp\" --format MDM --clock 12000000 --background 0,128,255 "
                              "--audio-start 800 --image-start 2000";
    ASSERT_EQ(0, Run("pack -o \"" + m_dir + "given.bin\" --rate 16000" + files)) << m_err;
    ASSERT_EQ(0, Run("pack --set \"" + set + "\" -o \"" + m_dir + "set.bin\"")) << m_err;
    const std::string given = ReadFile(m_dir + "given.bin");
    ASSERT_EQ(0x1802u + 32768, given.size());  // the images at 0x2000, behind their count
    EXPECT_EQ(given, ReadFile(m_dir + "set.bin"));
    EXPECT_EQ(0, Run("map \"" + m_dir + "set.bin\" --set \"" + set + "\"")) << m_out;
    EXPECT_NE(std::string::npos, m_out.find("image start: 0x00002000 (file offset 6144)")) << m_out;

    // A value given beside the set overrides the set's.
    ASSERT_EQ(0, Run("pack -o \"" + m_dir + "given.bin\" --rate 8000" + files)) << m_err;
    ASSERT_EQ(0, Run("pack --set \"" + set + "\" -o \"" + m_dir + "set.bin\" --rate 8000")) << m_err;
    EXPECT_NE(given, ReadFile(m_dir + "given.bin"));
    EXPECT_EQ(ReadFile(m_dir + "given.bin"), ReadFile(m_dir + "set.bin"));
}

TEST_F(TessaTest, ARefusedSetIsOneLineWithItsLine)
{
    const std::string set = WriteDemoSet(m_dir);
    ASSERT_TRUE(WriteFile(m_dir + "bad.tms", "tessaline-media-set = 1\n# a comment\ncolour = 1, 2, 3\n"));
    const std::pair<std::string, std::string> cases[] = {
        { "pack --set \"" + m_dir + "bad.tms\" -o \"" + m_dir + "m.bin\"", m_dir + "bad.tms:3: unknown key 'colour'" },
        { "pack --set \"" + set + "\" -o \"" + m_dir + "m.bin\" --audio \"" + m_dir + "hum.wav\"",
          "--audio and --image don't go with --set: the set lists the files" },
        { "unpack \"" + m_image + "\" -o \"" + m_dir + "out\" --set \"" + m_dir + "none.tms\"", m_dir + "none.tms: no such file" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(2, Run(c.first)) << c.first;
        EXPECT_EQ("tessa: " + c.second + "\r\n", m_err);
        EXPECT_EQ("", m_out);
    }
    EXPECT_EQ("", ReadFile(m_dir + "m.bin"));
    EXPECT_TRUE(Found(m_dir + "out").empty());
}

TEST_F(TessaTest, PathsOfTheWrongKindSayWhatTheyAreAndWhatToDo)
{
    ASSERT_TRUE(WriteFile(m_dir + "tone.wav", Wave(1000)));
    const std::string folder = m_dir + "folder.wav";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    const struct Case {
        std::string arguments;
        int code;
        std::string error;
    } cases[] = {
        { "pack -o \"" + folder + "\" --audio \"" + m_dir + "tone.wav\"", 2,
          folder + " is a folder: give -o the name of the file to write" },
        { "convert \"" + m_dir + "tone.wav\" -o \"" + folder + "\"", 2,
          folder + " is a folder: give -o the name of the file to write" },
        { "pack -o \"" + m_dir + "m.bin\" --audio \"" + folder + "\"", 2,
          folder + " is a folder, not a file: name the file itself" },
        { "unpack \"" + m_image + "\" -o \"" + m_dir + "tone.wav\"", 1,
          m_dir + "tone.wav is a file, not a folder: give a new or empty folder for -o" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, Run(c.arguments)) << c.arguments;
        EXPECT_EQ("tessa: " + c.error + "\r\n", m_err) << c.arguments;
    }
}

// A mono 16-bit WAV at 8000 Hz of a 1 kHz tone.
std::string Tone(uint32_t samples)
{
    std::string data;
    for (uint32_t i = 0; i < samples; ++i)
        data += Le(static_cast<uint32_t>(std::lround(12000 * std::sin(6.283185307179586 * i / 8))), 2);
    return "RIFF" + Le(36 + 2 * samples, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) + Le(8000, 4)
           + Le(16000, 4) + Le(2, 2) + Le(16, 2) + "data" + Le(2 * samples, 4) + data;
}

// A clip's bytes as the WAV file the device's decoder gives.
std::string ExpectedWave(const std::string& clip, media::SpeechFormat format, uint32_t rate)
{
    const std::vector<int16_t> samples = media::DecodeSpeech(format, std::vector<uint8_t>(clip.begin(), clip.end()));
    uint8_t header[media::kWaveHeaderBytes];
    media::MakeWaveHeader(rate, 2 * samples.size(), header);
    std::string wave(reinterpret_cast<char*>(header), sizeof header);
    for (int16_t sample : samples)
        wave += Le(static_cast<uint16_t>(sample), 2);
    return wave;
}

// A PNG's pixels as red, green, blue bytes, read back through GDI+.
std::vector<uint8_t> PngPixels(const std::string& path)
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    std::vector<uint8_t> rgb;
    {
        Gdiplus::Bitmap bitmap(std::wstring(path.begin(), path.end()).c_str());
        Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
        Gdiplus::BitmapData data;
        if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) == Gdiplus::Ok) {
            for (UINT y = 0; y < data.Height; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(data.Scan0) + y * static_cast<size_t>(data.Stride);
                for (UINT x = 0; x < data.Width; ++x)
                    rgb.insert(rgb.end(), { row[3 * x + 2], row[3 * x + 1], row[3 * x] });
            }
            bitmap.UnlockBits(&data);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return rgb;
}

TEST_F(TessaTest, PackThenUnpackKeepsA1kHzToneClean)
{
    ASSERT_TRUE(WriteFile(m_dir + "tone.wav", Tone(8000)));
    for (const auto& c : { std::make_pair("APM", 15.0), std::make_pair("MDM", 30.0) }) {
        ASSERT_EQ(0, Run("pack -o \"" + m_dir + "t.bin\" --audio \"" + m_dir + "tone.wav\" --format " + c.first)) << m_err;
        ASSERT_EQ(0, Run("unpack \"" + m_dir + "t.bin\" -o \"" + m_dir + c.first + "\"")) << m_err;
        const std::string wave = ReadFile(m_dir + c.first + "\\audio-01.wav");
        ASSERT_EQ(44u + 2 * 8000, wave.size()) << c.first;
        EXPECT_EQ(Le(8000, 4), wave.substr(24, 4));
        double signal = 0, noise = 0;
        for (size_t i = 0; i < 8000; ++i) {
            const double in = std::lround(12000 * std::sin(6.283185307179586 * static_cast<double>(i) / 8));
            const int16_t out = static_cast<int16_t>(static_cast<uint8_t>(wave[44 + 2 * i]) | wave[45 + 2 * i] << 8);
            signal += in * in;
            noise += (out - in) * (out - in);
        }
        const double snr = 10 * std::log10(signal / noise);
        std::printf("%s 1 kHz tone, packed and unpacked: %.1f dB\n", c.first, snr);
        EXPECT_GE(snr, c.second) << c.first;
    }
}

TEST_F(TessaTest, UnpackAndConvertGiveWhatTheDevicePlaysAndShows)
{
    const std::string d = m_dir;
    ASSERT_TRUE(WriteFile(d + "tone.wav", Tone(1000)) && WriteFile(d + "hum.wav", Wave(333)) && WriteFile(d + "pic.bmp", Bmp()));
    ASSERT_EQ(0, Run("pack -o \"" + d + "m.bin\" --audio \"" + d + "tone.wav\" --audio \"" + d + "hum.wav\" --image \"" + d
                     + "pic.bmp\" --rate 22050")) << m_err;
    // 2756 and 918 samples at 22050 Hz: 1378 and 459 bytes of APM after 18 of
    // records; the image count at 0x1000.
    const std::string packed = ReadFile(d + "m.bin");
    ASSERT_EQ(0x1002u + 32768, packed.size());

    // Into a folder of any name, made with its parent.
    std::string out, err;
    const std::wstring dir(d.begin(), d.end());
    ASSERT_EQ(0, RunWide(L"unpack \"" + dir + L"m.bin\" -o \"" + dir + L"new\\\u56fe\"", &out, &err, d)) << err;
    EXPECT_EQ("audio-01.wav: APM 22101 Hz, 0.1 s\r\naudio-02.wav: APM 22101 Hz, 0.0 s\r\nunpacked 2 of 2 clips and 1 of 1 "
              "images into " + d + "new\\\xE5\x9B\xBE\r\n", out);
    ASSERT_TRUE(::MoveFileW((dir + L"new\\\u56fe").c_str(), (dir + L"unpacked").c_str()));
    const std::string u = d + "unpacked\\";
    EXPECT_EQ(ExpectedWave(packed.substr(18, 1378), media::SpeechFormat::apm, 22101), ReadFile(u + "audio-01.wav"));
    EXPECT_EQ(ExpectedWave(packed.substr(1396, 459), media::SpeechFormat::apm, 22101), ReadFile(u + "audio-02.wav"));
    const std::string rbf = packed.substr(0x1002);
    const std::vector<uint8_t> shown = media::DecodeRbf(std::vector<uint8_t>(rbf.begin(), rbf.end()));
    EXPECT_EQ(shown, PngPixels(u + "image-01.png"));
    ASSERT_EQ(0, Run("map \"" + d + "m.bin\" --json"));
    EXPECT_EQ(m_out, ReadFile(u + "map.json"));

    // One file converted alone comes out as it was unpacked.
    ASSERT_EQ(0, Run("convert \"" + d + "pic.bmp\" -o \"" + d + "pic.png\"")) << m_err;
    EXPECT_EQ(shown, PngPixels(d + "pic.png"));
    ASSERT_EQ(0, Run("convert \"" + d + "tone.wav\" -o \"" + d + "tone-as-played.wav\" --rate 22050")) << m_err;
    EXPECT_EQ(ReadFile(u + "audio-01.wav"), ReadFile(d + "tone-as-played.wav"));
    EXPECT_EQ("", ReadFile(d + "tone.wav.apm") + ReadFile(d + "pic.bmp.rbf"));
    EXPECT_EQ(2, Run("convert \"" + d + "m.bin\" -o \"" + d + "m.png\""));
    EXPECT_EQ("tessa: unknown kind of source: " + d + "m.bin (audio .mp3 or .wav, pictures .jpg, .bmp, .png or .gif)\r\n", m_err);
}

TEST_F(TessaTest, UnpackOfDamagedImagesSaysWhyAndWritesWhatItCan)
{
    const std::string record0("\x40\xBF\x12\x80\x80\x88\x01\xFF", 8), good = "\x02" + std::string(1, '\0') + record0
                              + "\x40\xBF\x1C\x80\x80\x88\x01\xFF" + "0123456789abcdefg";
    struct Case {
        std::string bytes, options, error, written;
    } cases[] = {
        { good.substr(0, 20), "", "clip 1 points outside the file (file offset 28)", "" },
        { "\x02" + std::string(1, '\0') + record0 + "\xC0\xBF\x1C\x80\x80\x88\x01\xFF" + "0123456789abcdefg", "",
          "clip 1: unknown prescaler code 3 (control byte 0xC0)", "audio-01.wav" },
        { "\x02" + std::string(1, '\0') + record0 + "\x40\xBF\x10\x80\x80\x88\x01\xFF" + "0123456789abcdefg", "",
          "clip 1 points into the audio records (file offset 16) (and 1 more problems)", "" },
        { std::string("\xFF\xFF", 2) + std::string(300, '\x5A'), "",
          "the file (302 bytes) is shorter than its header of 65535 audio records (524282 bytes) (and 111 more problems)", "" },
        { std::string("\0\0\xFF\xFF", 4) + std::string(40000, '\x5A'), " --audio-start 0 --image-start 2",
          "the 65535 images of 32768 bytes from file offset 4 run past the end of the file", "image-01.png" },
        { "", "", "the file (0 bytes) is shorter than its header of 0 audio records (2 bytes)", "" },
    };
    for (const Case& c : cases) {
        const std::string dir = MakeTempDir("unpack");
        ASSERT_TRUE(WriteFile(dir + "bad.bin", c.bytes));
        EXPECT_EQ(1, Run("unpack \"" + dir + "bad.bin\" -o \"" + dir + "out\" --quiet" + c.options)) << c.error;
        EXPECT_EQ("tessa: " + c.error + "\r\n", m_err);
        EXPECT_NE("", ReadFile(dir + "out\\map.json"));
        if (!c.written.empty()) {
            EXPECT_NE("", ReadFile(dir + "out\\" + c.written)) << c.error;
        }
    }
}

TEST(TessaCommandLine, DeviceListsByTable)
{
    const std::pair<const char*, std::vector<int>> lists[] = {
        { "0-3", { 0, 1, 2, 3 } }, { "0,2,5", { 0, 2, 5 } }, { "0-2,7", { 0, 1, 2, 7 } }, { "4-4", { 4 } },
        { "9,63", { 9, 63 } },
    };
    std::vector<int> devices;
    std::string error;
    for (const auto& c : lists) {
        EXPECT_TRUE(ParseDeviceList(c.first, &devices, &error)) << c.first << ": " << error;
        EXPECT_EQ(c.second, devices) << c.first;
    }
    const std::pair<const char*, const char*> refused[] = {
        { "", "the device list is empty" },
        { "0,,2", "the device list '0,,2' has an empty entry" },
        { "1,", "the device list '1,' has an empty entry" },
        { "3-1", "the device list '3-1' has a reversed range: '3-1'" },
        { "0-3,2", "the device list '0-3,2' names device 2 twice" },
        { "-1", "the device list '-1' has a negative number: '-1'" },
        { "2--1", "the device list '2--1' has a negative number: '2--1'" },
        { "x", "the device list 'x' has 'x', which is not a device number or a range of them" },
        { "1-", "the device list '1-' has '1-', which is not a device number or a range of them" },
        { "0, 1", "the device list '0, 1' has ' 1', which is not a device number or a range of them" },
        { "64", "the device list '64' goes past device 63: '64'" },
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(ParseDeviceList(c.first, &devices, &error)) << c.first;
        EXPECT_EQ(c.second, error);
        EXPECT_TRUE(devices.empty());
    }
}

TEST(TessaCommandLine, ReadsEveryOptionAndRefusesBadOnes)
{
    TessaOptions o;
    std::string error;
    ASSERT_TRUE(ParseTessaArguments({ "--quiet", "--log", "a.csv", "write", "x.bin", "--flash-type", "KP6X",
                                      "--address", "0x00FF00", "--loop", "--count", "3" },
                                    &o, &error)) << error;
    EXPECT_EQ(TessaCommand::write, o.command);
    EXPECT_EQ("x.bin", o.input);
    EXPECT_EQ(1, o.flashTypeIndex);
    EXPECT_EQ(0xFF00u, o.address);
    EXPECT_TRUE(o.loop && o.quiet);
    EXPECT_EQ(3u, o.count);
    EXPECT_EQ("a.csv", o.logPath);

    ASSERT_TRUE(ParseTessaArguments({ "pack", "-o", "out.bin", "--audio", "a.wav", "--audio", "b.mp3", "--image",
                                      "c.png", "--format", "mdm", "--rate", "16000", "--clock", "12000000",
                                      "--background", "0,128,255", "--image-start", "10000", "--keep-converted" },
                                    &o, &error)) << error;
    EXPECT_EQ((std::vector<std::string>{ "a.wav", "b.mp3" }), o.audio);
    EXPECT_EQ("MDM", o.format);
    EXPECT_EQ(16000, o.rate);
    EXPECT_EQ(12000000, o.clock);
    EXPECT_EQ(128, o.background[1]);
    EXPECT_EQ(0x10000u, o.imageStart);
    EXPECT_TRUE(o.keepConverted);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        { {}, "no command given (try --help)" },
        { { "flash" }, "unknown command 'flash' (try --help)" },
        { { "download" }, "download needs an image file" },
        { { "download", "a", "b" }, "unexpected argument 'b'" },
        { { "download", "a", "--capacity", "3M" }, "unknown capacity '3M' (2M, 4M, 8M, 16M, 32M or 64M)" },
        { { "download", "a", "--address", "12345678A" }, "the address must be hexadecimal, at most 8 digits: '12345678A'" },
        { { "download", "a", "--flash-type", "SPI" }, "unknown option '--flash-type' for download" },
        { { "write", "a", "--flash-type", "EMMC" }, "unknown flash type 'EMMC' (SPI, KP6X or NAND)" },
        { { "write", "a", "--count", "2" }, "--count goes with --loop" },
        { { "pack", "--audio", "a.wav" }, "pack needs an output file: -o OUT" },
        { { "pack", "-o", "x", "--background", "1,2" }, "the background must be R,G,B with values from 0 to 255: '1,2'" },
        { { "pack", "-o", "x", "--rate" }, "option --rate needs a value" },
        { { "unpack", "x.bin" }, "unpack needs an output folder: -o DIR" },
        { { "convert", "-o", "x.wav" }, "convert needs an audio file or a picture" },
        { { "unpack", "x.bin", "-o", "d", "--clock", "0" }, "--clock must be above 0 Hz" },
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(ParseTessaArguments(c.first, &o, &error));
        EXPECT_EQ(c.second, error);
    }
}

// An option is known only as a whole: the tail of one the command takes is
// refused, not taken for nothing.
TEST(TessaCommandLine, OptionsAreMatchedWhole)
{
    const std::pair<std::vector<std::string>, const char*> partial[] = {
        { { "download", "a.bin", "-address", "100000" }, "unknown option '-address' for download" },
        { { "download", "a.bin", "-capacity", "2M" }, "unknown option '-capacity' for download" },
        { { "download", "a.bin", "-log", "x.csv" }, "unknown option '-log' for download" },
        { { "write", "a.bin", "-type", "NAND" }, "unknown option '-type' for write" },
        { { "pack", "-o", "x", "-start", "100" }, "unknown option '-start' for pack" },
        { { "map", "a.bin", "-json" }, "unknown option '-json' for map" },
    };
    TessaOptions o;
    std::string error;
    for (const auto& c : partial) {
        EXPECT_FALSE(ParseTessaArguments(c.first, &o, &error)) << c.second;
        EXPECT_EQ(c.second, error);
    }
}

}  // namespace
}  // namespace gui
