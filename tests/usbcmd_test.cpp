// The driver binding against three folders: the simulated device beside the
// test, a library without the flash-information export, and no library at all.
// The build makes one executable per folder (USBCMD_FOLDER_*).
#include "C_USBCmd.h"
#include "ModuleDir.h"
#include <gtest/gtest.h>
#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct SeenBox {
    std::wstring caption, text;
    HWND owner = nullptr;
    bool icon = false;
};

// Closes every message box this process shows while it lives, noting each one.
class BoxWatcher {
public:
    BoxWatcher() : m_thread([this] { Run(); }) {}
    ~BoxWatcher()
    {
        m_stop = true;
        m_thread.join();
    }
    std::vector<SeenBox> Seen()
    {
        ::Sleep(100);
        return m_seen;
    }

private:
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM lParam)
    {
        auto* self = reinterpret_cast<BoxWatcher*>(lParam);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        char name[16] = {};
        ::GetClassNameA(hwnd, name, sizeof(name));
        HWND text = ::GetDlgItem(hwnd, 0xFFFF);
        if (pid != ::GetCurrentProcessId() || strcmp(name, "#32770") != 0 || !text || !::IsWindowVisible(hwnd))
            return TRUE;
        SeenBox box;
        wchar_t buffer[512] = {};
        ::GetWindowTextW(hwnd, buffer, 512);
        box.caption = buffer;
        ::GetWindowTextW(text, buffer, 512);
        box.text = buffer;
        box.owner = ::GetWindow(hwnd, GW_OWNER);
        for (int id : { 0x14, 0x0440 }) {
            HWND icon = ::GetDlgItem(hwnd, id);
            if (icon && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0))
                box.icon = true;
        }
        self->m_seen.push_back(box);
        ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::Sleep(200);
        return TRUE;
    }
    void Run()
    {
        while (!m_stop) {
            ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(this));
            ::Sleep(20);
        }
    }
    std::atomic<bool> m_stop{ false };
    std::vector<SeenBox> m_seen;
    std::thread m_thread;
};

std::string Folder()
{
    std::string dir = GetModuleDir(false);
    return dir.substr(dir.find_last_of('\\') + 1);
}

bool HasDriver()
{
    return ::GetFileAttributesA((GetModuleDir(true) + "KP6600HidDriver.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(ModuleDirTest, IsTheExecutablesFolderWithOrWithoutBackslash)
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string expected = path;
    expected.erase(expected.find_last_of('\\'));
    EXPECT_EQ(expected, GetModuleDir(false));
    EXPECT_EQ(expected + "\\", GetModuleDir(true));
}

#if defined(USBCMD_FOLDER_BIN)
TEST(USBCmdTest, PassesArgumentsAndResultsThroughUnchanged)
{
    ASSERT_TRUE(HasDriver());
    ASSERT_EQ("bin", Folder());
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string flash = std::string(temp) + "usbcmd-flash.bin", log = std::string(temp) + "usbcmd-calls.log";
    ::DeleteFileA(flash.c_str());
    ::DeleteFileA(log.c_str());
    ::SetEnvironmentVariableA("KP6600SIM_FLASH_FILE", flash.c_str());
    ::SetEnvironmentVariableA("KP6600SIM_CALL_LOG", log.c_str());
    ::SetEnvironmentVariableA("KP6600SIM_ERASE_MS", "0");
    {
        BoxWatcher watcher;
        C_USBCmd usb;
        EXPECT_EQ(1, usb.LoadDriver());
        EXPECT_EQ(1, usb.LoadDriver());
        int handle = usb.Open(0);
        ASSERT_EQ(0, handle);
        EXPECT_EQ(1, usb.SetFlashInfo(handle, 5, 0));
        EXPECT_EQ(0, usb.SetFlashInfo(handle, 7, 0));
        EXPECT_EQ(1, usb.InitFlash(handle));
        unsigned char data[3] = { 0x12, 0x34, 0x56 };
        int programmed = 0;
        EXPECT_EQ(1, usb.Program(handle, data, 3, 0x10, &programmed));
        EXPECT_EQ(3, programmed);
        usb.Close(-7);
        usb.Close(handle);
        EXPECT_TRUE(watcher.Seen().empty());
    }
    std::ifstream in(log);
    std::vector<std::string> calls;
    std::string line;
    while (std::getline(in, line))
        calls.push_back(line.substr(line.find(' ') + 1));
    std::vector<std::string> expected = {
        "KP6600Open 0 -> 0",
        "KP6600SetFlashInfo 0 5 0 -> 1",
        "KP6600SetFlashInfo 0 7 0 -> 0",
        "KP6600InitFlash 0 -> 1",
        "KP6600Program 0 3 0x00000010 -> 1 programmed=3",
        "KP6600Close -7 -> -1",
        "KP6600Close 0 -> 0",
    };
    EXPECT_EQ(expected, calls);
    EXPECT_EQ(std::string("\x12\x34\x56"), [&] {
        std::ifstream f(flash, std::ios::binary);
        f.seekg(0x10);
        char b[3];
        f.read(b, 3);
        return std::string(b, 3);
    }());
    // The library is freed with the binding.
    EXPECT_EQ(nullptr, ::GetModuleHandleA("KP6600HidDriver.dll"));
}

#endif

#if defined(USBCMD_FOLDER_NOFLASHINFO)
TEST(USBCmdTest, MissingExportFailsSilentlyWhileOthersWork)
{
    ASSERT_EQ("noflashinfo", Folder());
    BoxWatcher watcher;
    C_USBCmd usb;
    int handle = usb.Open(0);
    EXPECT_GE(handle, 0);
    EXPECT_EQ(0, usb.SetFlashInfo(handle, 5, 0));
    usb.Close(handle);
    EXPECT_TRUE(watcher.Seen().empty());
}

#endif

#if defined(USBCMD_FOLDER_NODRIVER)
TEST(USBCmdTest, MissingLibraryShowsOwnerlessBoxOnEveryCall)
{
    ASSERT_FALSE(HasDriver());
    BoxWatcher watcher;
    C_USBCmd usb;
    EXPECT_EQ(0, usb.LoadDriver());
    EXPECT_EQ(-1, usb.Open(0));
    usb.Close(1);
    EXPECT_EQ(0, usb.SetFlashInfo(0, 5, 0));
    EXPECT_EQ(0, usb.InitFlash(0));
    int programmed = 0;
    unsigned char byte = 0;
    EXPECT_EQ(0, usb.Program(0, &byte, 1, 0, &programmed));
    std::vector<SeenBox> seen = watcher.Seen();
    ASSERT_EQ(6u, seen.size());
    for (const SeenBox& box : seen) {
        EXPECT_EQ(L"Load KP6600HidDriver.dll failure!!!", box.text);
        EXPECT_EQ(L"Error", box.caption);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_FALSE(box.icon);
    }
}

#endif

}  // namespace
