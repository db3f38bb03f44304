// Shared set-up of the tests that run the program: a flash file and a call
// log of the simulated device per test, and the program's exact texts.
#pragma once
#include "AppDriver.h"
#include <gtest/gtest.h>
#include <sstream>

namespace gui {

constexpr const wchar_t* kMainCaption = L"ZQW 下载V1.0(只下载SPI-FLASH)";
constexpr const wchar_t* kDownloadCaption = L"ZQW Writer V1.0 (SPI Download Only)";

constexpr int kCapacity = 1030, kConnect = 1031, kDisconnect = 1032, kPath = 1033, kBrowse = 1034,
              kDownload = 1035, kStatus = 1036, kProgress = 1037, kResult = 1024, kAudioStart = 1026;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program runs as a copy named after the test, so its settings
        // live in a key of their own, removed before and after the test.
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_appName = std::string("T") + info->name();
        m_appName = m_appName.substr(0, 48);
        m_storeKey = std::string("Software\\Norvane Tessaline 1.0\\") + m_appName;
        ::RegDeleteTreeA(HKEY_CURRENT_USER, m_storeKey.c_str());
        m_appDir = MakeTempDir("app");
        m_dir = MakeTempDir("run");
        ASSERT_FALSE(m_dir.empty());
        m_flash = m_dir + "flash.bin";
        m_log = m_dir + "calls.log";
        m_app.SetEnv("KP6600SIM_FLASH_FILE", m_flash);
        m_app.SetEnv("KP6600SIM_CALL_LOG", m_log);
        m_app.SetEnv("KP6600SIM_ERASE_MS", "0");
        m_app.SetEnv("KP6600SIM_BLOCK_DELAY_MS", "0");
        // The download log goes into the test's folder.
        m_app.SetEnv("LOCALAPPDATA", m_dir);
    }

    std::string DownloadLog() const { return ReadFile(m_dir + "Tessaline\\downloads.csv"); }

    void TearDown() override
    {
        m_app.Kill();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, m_storeKey.c_str());
    }

    // Starts the test's copy of the program with the given libraries beside it.
    void StartWith(const std::vector<const char*>& libraries, const std::string& arguments = "")
    {
        ASSERT_TRUE(CopyFromBin(m_appDir, libraries));
        ASSERT_TRUE(::CopyFileA((ExeDir() + "Tessaline.exe").c_str(), (m_appDir + m_appName + ".exe").c_str(), FALSE));
        m_app.SetExeName(m_appName + ".exe");
        ASSERT_TRUE(m_app.Start(m_appDir, arguments));
    }

    void Start(const std::string& arguments = "")
    {
        StartWith({ "KP6600HidDriver.dll", "PicMill.dll", "TuneMill.dll" }, arguments);
    }

    std::vector<LoggedCall> Calls() const { return ReadCallLog(m_log); }
    std::vector<std::string> CallTexts() const { return ReadCallTexts(m_log); }

    // Expects the next message box to carry these texts, then closes it.
    void ExpectBox(const std::wstring& text, const std::wstring& caption, HWND owner, bool icon)
    {
        MessageBoxInfo box;
        ASSERT_TRUE(m_app.WaitMessageBox(&box)) << "no message box for: " << std::string(text.begin(), text.end());
        EXPECT_EQ(text, box.text);
        EXPECT_EQ(caption, box.caption);
        EXPECT_EQ(owner, box.owner);
        EXPECT_EQ(icon, box.hasIcon);
        m_app.Dismiss(box);
    }

    // The program's open file dialog, once it is up (null after the wait).
    HWND WaitFileDialog()
    {
        const int fileTypeCombo = 0x0470;
        HWND dialog = nullptr;
        WaitFor([&] {
            for (HWND hwnd : m_app.OtherDialogs())
                if (::GetDlgItem(hwnd, fileTypeCombo))
                    dialog = hwnd;
            return dialog != nullptr;
        }, 10000);
        return dialog;
    }

    // Types into the file dialog's name field and presses its OK button.
    void TypeInFileDialog(HWND dialog, const std::string& text)
    {
        HWND name = ::GetDlgItem(dialog, 0x047C);
        if (!name)
            name = ::GetDlgItem(dialog, 0x0480);
        ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

    // The items of one of the program's list boxes.
    std::vector<std::wstring> ListItems(int id)
    {
        std::vector<std::wstring> items;
        int count = static_cast<int>(::SendMessageW(m_app.Item(id), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            ::SendMessageW(m_app.Item(id), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }

    void Close()
    {
        ::PostMessageW(m_app.Main(), WM_CLOSE, 0, 0);
        EXPECT_EQ(0, m_app.WaitExit());
    }

    App m_app;
    std::string m_dir, m_flash, m_log;
    std::string m_appName, m_appDir, m_storeKey;
};

}  // namespace gui
