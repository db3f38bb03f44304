// Downloads to the simulated device: exact flash bytes, the device call
// sequence, refusals, device failures and the guards around a running worker.
#include "Fixture.h"
#include <commctrl.h>
#include <algorithm>

namespace gui {
namespace {

const wchar_t* kWritingImage = L"Writing image files to flash...";
const int kWrite = 1029;

std::string Pattern(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned value = seed;
    for (size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(value >> 16);
    }
    return bytes;
}

std::wstring Status(const wchar_t* prefix, const wchar_t* bits, size_t size, const wchar_t* suffix)
{
    return std::wstring(prefix) + bits + L"\r\n内部数据容量 : " + std::to_wstring(size) + L" (bytes)\r\n" + suffix;
}

const wchar_t* kConnectedPrefix = L"芯片 : KP6600 HID\r\nUSB 状态 : 连接\r\n存储器类型 : SPI, 存储器容量 : ";
const wchar_t* kDone = L"操作状态 : 下载完成";
const wchar_t* kFailed = L"操作状态 : 下载失败";

class DownloadTest : public AppTest {
protected:
    void StartConnected()
    {
        Start();
        m_app.Click(kConnect);
        ExpectBox(L"连接", kDownloadCaption, m_app.Main(), false);
        ASSERT_TRUE(WaitFor([&] { return m_app.Enabled(kDownload); }));
    }

    std::string Image(size_t size, unsigned seed = 1)
    {
        std::string path = m_dir + "image" + std::to_string(size) + "-" + std::to_string(seed) + ".bin";
        EXPECT_TRUE(WriteFile(path, Pattern(size, seed)));
        return path;
    }

    // Starts a download of path and waits for its result label.
    std::wstring Download(const std::string& path, DWORD timeoutMs = 60000)
    {
        m_app.SetText(kPath, path);
        m_app.SetText(kResult, "");
        size_t before = Calls().size();
        m_app.Click(kDownload);
        std::wstring result;
        WaitFor([&] {
            result = m_app.Text(kResult);
            return result == L"Download OK" || result == L"Download Fail!";
        }, timeoutMs);
        // The status line follows the label; the window resets the bar once
        // the worker has gone.
        WaitFor([&] {
            std::wstring status = m_app.Text(kStatus);
            return status.find(kDone) != std::wstring::npos || status.find(kFailed) != std::wstring::npos;
        });
        WaitFor([&] { return ::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0) == 0; });
        std::vector<LoggedCall> calls = Calls();
        m_runCalls.assign(calls.begin() + static_cast<long>(std::min(before, calls.size())), calls.end());
        return result;
    }

    std::vector<std::string> RunCallTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& call : m_runCalls)
            texts.push_back(call.call);
        return texts;
    }

    std::vector<LoggedCall> m_runCalls;
};

TEST_F(DownloadTest, FlashHoldsAnExactCopyForEverySize)
{
    StartConnected();
    DWORD uiThread = ::GetWindowThreadProcessId(m_app.Main(), nullptr);
    for (size_t size : { 1u, 16383u, 16384u, 16385u, 40000u, 4194304u }) {
        SCOPED_TRACE(size);
        std::string image = Pattern(size, static_cast<unsigned>(size));
        std::string path = m_dir + "copy.bin";
        ASSERT_TRUE(WriteFile(path, image));
        ASSERT_EQ(L"Download OK", Download(path));
        EXPECT_EQ(Status(kConnectedPrefix, L"33554432", size, kDone), m_app.Text(kStatus));

        std::string flash = ReadFile(m_flash);
        ASSERT_GE(flash.size(), size + 16);
        EXPECT_TRUE(flash.compare(0, size, image) == 0);
        EXPECT_EQ(std::string(16, '\xFF'), flash.substr(size, 16));

        ASSERT_GE(m_runCalls.size(), 5u);
        size_t blocks = (size + 16383) / 16384;
        EXPECT_EQ(4 + blocks, m_runCalls.size());
        for (const auto& call : m_runCalls)
            EXPECT_NE(uiThread, call.thread) << call.call;
    }
}

TEST_F(DownloadTest, CallsGoInBlocksOf16KiBAtTheirOffsets)
{
    StartConnected();
    ASSERT_EQ(L"Download OK", Download(Image(40000)));
    std::vector<std::string> expected = {
        "KP6600Open 0 -> 0",
        "KP6600SetFlashInfo 0 5 0 -> 1",
        "KP6600InitFlash 0 -> 1",
        "KP6600Program 0 16384 0x00000000 -> 1 programmed=16384",
        "KP6600Program 0 16384 0x00004000 -> 1 programmed=16384",
        "KP6600Program 0 7232 0x00008000 -> 1 programmed=7232",
        "KP6600Close 0 -> 0",
    };
    EXPECT_EQ(expected, RunCallTexts());
    EXPECT_EQ(m_runCalls.front().thread, m_runCalls.back().thread);
    EXPECT_EQ(L"Download OK", m_app.Text(kResult));
    Close();
}

TEST_F(DownloadTest, RefusesEmptyPathMissingFileQuotedPathOversizedFilesAndOverlongPaths)
{
    StartConnected();
    std::string fits = Image(4194305);
    std::string huge = m_dir + "huge.bin";
    HANDLE file = ::CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 600LL * 1024 * 1024 + 1;
    ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file);
    ::CloseHandle(file);
    // A file that opens, named by a path longer than the run can hold.
    ASSERT_TRUE(WriteFile(m_dir + "deep.bin", "x"));
    std::string deep = m_dir;
    while (deep.size() < 500)
        deep += ".\\";
    deep += "deep.bin";

    struct Case { std::string path; const wchar_t* message; int capacity; };
    std::vector<Case> cases = {
        { "", L"Pls choose a bin file!", 4 },
        { m_dir + "absent.bin", L"Bin file not found!", 4 },
        { "\"" + Image(10) + "\"", L"Bin file not found!", 4 },
        { fits, L"Bin file too big to fit in SPI flash!", 4 },
        { huge, L"Bin file too big to fit in SPI flash!", 5 },
        { deep, L"Bin file path too long!", 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ::SendMessageW(m_app.Item(kCapacity), CB_SETCURSEL, c.capacity, 0);
        m_app.SetText(kPath, c.path);
        m_app.Click(kDownload);
        ExpectBox(c.message, kDownloadCaption, m_app.Main(), false);
        EXPECT_EQ(L"", m_app.Text(kResult));
    }
    EXPECT_EQ(std::vector<std::string>({ "KP6600Open 0 -> 0", "KP6600Close 0 -> 0" }), CallTexts());
    Close();
}

TEST_F(DownloadTest, ImagePastTheFlashEndFromTheWritesAddressIsRefused)
{
    StartConnected();
    // A Write leaves the builder's audio start address in force for downloads.
    m_app.SetText(kAudioStart, "003F8000");
    m_app.Click(kWrite);
    ExpectBox(L"No audio or image file in the list windows.", L"Error", m_app.Main(), false);
    m_app.SetText(kPath, Image(40000));
    m_app.Click(kDownload);
    ExpectBox(L"Image does not fit the 32M flash: 40000 bytes from address 0x003F8000 end at 0x00401C40, past its "
              L"end at 0x00400000.",
              kDownloadCaption, m_app.Main(), false);
    EXPECT_EQ(std::vector<std::string>({ "KP6600Open 0 -> 0", "KP6600Close 0 -> 0" }), CallTexts());
    Close();
}

TEST_F(DownloadTest, PathOutsideTheAnsiCodePageDownloads)
{
    StartConnected();
    const std::string image = Pattern(20000, 3);
    const std::wstring path = std::wstring(m_dir.begin(), m_dir.end()) + L"\u56fe\u50cf-\u0416.bin";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written, nullptr);
    ::CloseHandle(file);
    ::SendMessageW(m_app.Item(kPath), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    m_app.Click(kDownload);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Download OK"; }, 30000)) << m_app.Text(kResult);
    EXPECT_TRUE(ReadFile(m_flash).compare(0, image.size(), image) == 0);
    Close();
}

TEST_F(DownloadTest, FlashSetUpRefusedEndsWithoutEraseOrProgram)
{
    m_app.SetEnv("KP6600SIM_FLASHINFO_FAILS", "1");
    StartConnected();
    m_app.SetText(kPath, Image(40000));
    m_app.Click(kDownload);
    MessageBoxInfo box;
    ASSERT_TRUE(m_app.WaitMessageBox(&box, 10000));
    EXPECT_EQ(L"下载找不到FLASH", box.text);
    EXPECT_EQ(L"Error", box.caption);
    EXPECT_EQ(m_app.Main(), box.owner);
    EXPECT_TRUE(box.hasIcon);
    m_app.Dismiss(box);
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kResult) == L"Download Fail!"; }));
    ASSERT_TRUE(WaitFor([&] { return m_app.Text(kStatus) == Status(kConnectedPrefix, L"33554432", 40000, kFailed); }));
    std::vector<std::string> calls = CallTexts();
    std::vector<std::string> expected = {
        "KP6600Open 0 -> 0", "KP6600Close 0 -> 0",
        "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 0", "KP6600Close 0 -> 0",
    };
    EXPECT_EQ(expected, calls);
    Close();
}

TEST_F(DownloadTest, FailedEraseEndsWithoutMessageOrProgram)
{
    m_app.SetEnv("KP6600SIM_ERASE_RESULT", "2");
    StartConnected();
    m_app.SetText(kPath, Image(40000));
    m_app.Click(kDownload);
    // The bar goes full when the erase ends and back to 0 for the end.
    int highest = 0;
    ASSERT_TRUE(WaitFor([&] {
        int position = static_cast<int>(::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0));
        highest = std::max(highest, position);
        return m_app.Text(kResult) == L"Download Fail!";
    }, 20000));
    EXPECT_EQ(100, highest);
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0) == 0; }));
    m_app.SetText(kResult, "");
    EXPECT_EQ(L"Download Fail!", Download(Image(40000)));
    EXPECT_TRUE(m_app.OtherDialogs().empty());
    EXPECT_EQ(std::vector<std::string>({ "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 1",
                                         "KP6600InitFlash 0 -> 2", "KP6600Close 0 -> 0" }),
              RunCallTexts());
    EXPECT_EQ(Status(kConnectedPrefix, L"33554432", 40000, kFailed), m_app.Text(kStatus));
    Close();
}

TEST_F(DownloadTest, FailingOrShortBlockStopsTheRun)
{
    m_app.SetEnv("KP6600SIM_FAIL_BLOCK", "1");
    StartConnected();
    EXPECT_EQ(L"Download Fail!", Download(Image(40000)));
    EXPECT_EQ(std::vector<std::string>({ "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 1",
                                         "KP6600InitFlash 0 -> 1",
                                         "KP6600Program 0 16384 0x00000000 -> 1 programmed=16384",
                                         "KP6600Program 0 16384 0x00004000 -> 0 programmed=0",
                                         "KP6600Close 0 -> 0" }),
              RunCallTexts());
    EXPECT_TRUE(m_app.OtherDialogs().empty());
    const std::string log = DownloadLog();
    EXPECT_EQ(0u, log.find("time,program,operation,image,size,sha256,capacity,start_address,flash_type,result,ms,"
                           "device\r\n"));
    EXPECT_NE(std::string::npos,
              log.find(",Tessaline,download," + m_dir + "image40000-1.bin,40000,"
                       "618ae17e6a1e65fc7ce8191f0c4a7d86107e00aaebf33d87c6ab6b9595dfcced,32M,0x00000000,SPI,"
                       "block program failed at 0x00004000,"))
        << log;
    Close();

    App shortBlock;
    shortBlock.SetEnv("KP6600SIM_SHORT_BLOCK", "0");
    shortBlock.SetEnv("KP6600SIM_FLASH_FILE", m_flash);
    shortBlock.SetEnv("KP6600SIM_CALL_LOG", m_log);
    shortBlock.SetEnv("KP6600SIM_ERASE_MS", "0");
    ASSERT_TRUE(shortBlock.Start(ExeDir()));
    shortBlock.Click(kConnect);
    MessageBoxInfo box;
    ASSERT_TRUE(shortBlock.WaitMessageBox(&box));
    shortBlock.Dismiss(box);
    ASSERT_TRUE(WaitFor([&] { return shortBlock.Enabled(kDownload); }));
    size_t before = Calls().size();
    shortBlock.SetText(kPath, Image(40000, 2));
    shortBlock.Click(kDownload);
    ASSERT_TRUE(WaitFor([&] { return shortBlock.Text(kResult) == L"Download Fail!"; }, 20000));
    std::vector<std::string> calls = CallTexts();
    calls.erase(calls.begin(), calls.begin() + static_cast<long>(before));
    EXPECT_EQ(std::vector<std::string>({ "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 1",
                                         "KP6600InitFlash 0 -> 1",
                                         "KP6600Program 0 16384 0x00000000 -> 1 programmed=16383",
                                         "KP6600Close 0 -> 0" }),
              calls);
    ::PostMessageW(shortBlock.Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, shortBlock.WaitExit());
}

TEST_F(DownloadTest, UnopenableImageFailsWithCapacityAndZeroWithoutTouchingTheDevice)
{
    StartConnected();
    std::string path = Image(40000);
    // Held open by another reader: the size check passes, the worker's
    // exclusive open does not.
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ::SendMessageW(m_app.Item(kCapacity), CB_SETCURSEL, 1, 0);
    EXPECT_EQ(L"Download Fail!", Download(path));
    ::CloseHandle(held);
    EXPECT_TRUE(m_runCalls.empty());
    EXPECT_EQ(Status(kConnectedPrefix, L"4194304", 0, kFailed), m_app.Text(kStatus));
    Close();
}

TEST_F(DownloadTest, EmptyFileEndsCleanly)
{
    StartConnected();
    EXPECT_EQ(L"Download OK", Download(Image(0)));
    EXPECT_EQ(Status(kConnectedPrefix, L"33554432", 0, kDone), m_app.Text(kStatus));
    EXPECT_EQ(0, ::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0));
    Close();
}

TEST_F(DownloadTest, OnlyTheEraseTimerMovesTheBar)
{
    Start();
    ::PostMessageW(m_app.Main(), WM_TIMER, 2, 0);
    ::PostMessageW(m_app.Main(), WM_TIMER, 7, 0);
    EXPECT_FALSE(WaitFor([&] { return ::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0) != 0; }, 1000));
    Close();
}

TEST_F(DownloadTest, RunningWorkerRefusesSecondStartConnectDisconnectAndDefersClose)
{
    m_app.SetEnv("KP6600SIM_ERASE_MS", "3000");
    StartConnected();
    std::string path = Image(40000);
    m_app.SetText(kPath, path);
    m_app.Click(kDownload);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() >= 4; }));  // erasing now
    EXPECT_EQ(kWritingImage, m_app.Text(kResult));
    // The erase timer moves the bar meanwhile.
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(m_app.Item(kProgress), PBM_GETPOS, 0, 0) > 0; }));
    m_app.Click(kDownload);
    m_app.Click(kConnect);
    m_app.Click(kDisconnect);
    m_app.Click(kWrite);  // would convert, pack and open the device again
    ::PostMessageW(m_app.Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_app.NoMessageBox(500));

    // The program ends only once the write is complete.
    EXPECT_EQ(0, m_app.WaitExit(30000));
    std::vector<std::string> calls = CallTexts();
    std::vector<std::string> expected = {
        "KP6600Open 0 -> 0", "KP6600Close 0 -> 0",
        "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 1", "KP6600InitFlash 0 -> 1",
        "KP6600Program 0 16384 0x00000000 -> 1 programmed=16384",
        "KP6600Program 0 16384 0x00004000 -> 1 programmed=16384",
        "KP6600Program 0 7232 0x00008000 -> 1 programmed=7232",
        "KP6600Close 0 -> 0",
    };
    EXPECT_EQ(expected, calls);
    EXPECT_TRUE(ReadFile(m_flash).compare(0, 40000, Pattern(40000, 1)) == 0);
}

TEST_F(DownloadTest, QuitRequestCallsTheRunOffBeforeTheWindowGoes)
{
    m_app.SetEnv("KP6600SIM_ERASE_MS", "2000");
    StartConnected();
    m_app.SetText(kPath, Image(40000));
    m_app.Click(kDownload);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() >= 4; }));  // erasing now
    ::PostThreadMessageW(::GetWindowThreadProcessId(m_app.Main(), nullptr), WM_QUIT, 0, 0);

    // The run stops at its first check after the erase, and is logged so.
    EXPECT_EQ(0, m_app.WaitExit(30000));
    EXPECT_EQ(std::vector<std::string>({ "KP6600Open 0 -> 0", "KP6600Close 0 -> 0", "KP6600Open 0 -> 0",
                                         "KP6600SetFlashInfo 0 5 0 -> 1", "KP6600InitFlash 0 -> 1",
                                         "KP6600Close 0 -> 0" }),
              CallTexts());
    EXPECT_NE(std::string::npos, DownloadLog().find(",32M,0x00000000,SPI,cancelled,")) << DownloadLog();
}

TEST_F(DownloadTest, NoDeviceGivesUpAfterTwentyAttempts)
{
    StartConnected();
    ::SetEnvironmentVariableA("KP6600SIM_PLUGGED", "0");  // not read by the running program
    App absent;
    absent.SetEnv("KP6600SIM_PLUGGED", "0");
    absent.SetEnv("KP6600SIM_CALL_LOG", m_dir + "absent.log");
    absent.SetEnv("KP6600SIM_FLASH_FILE", m_flash);
    ::SetEnvironmentVariableA("KP6600SIM_PLUGGED", nullptr);
    Close();

    ASSERT_TRUE(absent.Start(ExeDir()));
    // The download button needs a good Connect first, which this device never
    // gives: unlock it the way a user's earlier Connect would have.
    ::EnableWindow(absent.Item(kDownload), TRUE);
    absent.SetText(kPath, Image(100));
    DWORD start = ::GetTickCount();
    absent.Click(kDownload);
    MessageBoxInfo box;
    ASSERT_TRUE(absent.WaitMessageBox(&box, 40000));
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(L"USB device open failed.", box.text);
    EXPECT_EQ(L"Error", box.caption);
    EXPECT_TRUE(box.hasIcon);
    EXPECT_GE(elapsed, 19000u);
    absent.Dismiss(box);
    ASSERT_TRUE(WaitFor([&] { return absent.Text(kResult) == L"Download Fail!"; }));
    EXPECT_TRUE(WaitFor([&] { return absent.Text(kStatus) == Status(kConnectedPrefix, L"33554432", 100, kFailed); }));

    std::istringstream lines(ReadFile(m_dir + "absent.log"));
    std::string line;
    std::vector<std::string> calls;
    while (std::getline(lines, line))
        calls.push_back(line.substr(line.find(' ') + 1));
    std::vector<std::string> expected(20, "KP6600Open 0 -> -1");
    expected.push_back("KP6600Close -1 -> -1");
    EXPECT_EQ(expected, calls);
    ::PostMessageW(absent.Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, absent.WaitExit());
}

TEST_F(DownloadTest, MissingDriverLibraryStopsTheStartWithTwoMessages)
{
    std::string dir = MakeTempDir("nodriver");
    ASSERT_TRUE(CopyFromBin(dir, { "Tessaline.exe", "PicMill.dll", "TuneMill.dll" }));
    ASSERT_TRUE(m_app.Start(dir));
    // As after a good Connect with a library that has since gone.
    ::EnableWindow(m_app.Item(kDownload), TRUE);
    m_app.SetText(kPath, Image(100));
    m_app.Click(kDownload);
    ExpectBox(L"Load KP6600HidDriver.dll failure!!!", L"Error", nullptr, false);
    ExpectBox(L"USB initialize fail!!!", L"Error", m_app.Main(), true);
    EXPECT_EQ(kWritingImage, m_app.Text(kResult));
    EXPECT_TRUE(m_app.NoMessageBox(500));
    EXPECT_EQ(L"", m_app.Text(kStatus)) << "no worker ran";
    Close();
}

}  // namespace
}  // namespace gui
