// Browse: the file-open dialog, its filter, and the test open of the chosen file.
#include "Fixture.h"

namespace gui {
namespace {

const int kFileTypeCombo = 0x0470;

class BrowseTest : public AppTest {
protected:
    // Presses Browse and waits for the file dialog.
    HWND OpenDialog()
    {
        m_app.Click(kBrowse);
        return WaitFileDialog();
    }
};

TEST_F(BrowseTest, OffersBinThenRomFilesAndCancelChangesNothing)
{
    Start("keep.bin");
    HWND dialog = OpenDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(m_app.Main(), ::GetWindow(dialog, GW_OWNER));
    HWND types = ::GetDlgItem(dialog, kFileTypeCombo);
    ASSERT_EQ(2, ::SendMessageW(types, CB_GETCOUNT, 0, 0));
    wchar_t item[64] = {};
    ::SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(L"BIN Files(*.bin)", item);
    ::SendMessageW(types, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(L"Rom Files(*.rom)", item);
    EXPECT_EQ(0, ::SendMessageW(types, CB_GETCURSEL, 0, 0));

    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    EXPECT_EQ(L"keep.bin", m_app.Text(kPath));
    EXPECT_TRUE(m_app.NoMessageBox(300));
    Close();
}

TEST_F(BrowseTest, ChosenFileGoesIntoThePathField)
{
    std::string image = m_dir + "chosen.rom";
    ASSERT_TRUE(WriteFile(image, "abc"));
    Start();
    HWND dialog = OpenDialog();
    ASSERT_NE(nullptr, dialog);
    TypeInFileDialog(dialog, image);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    std::wstring expected(image.begin(), image.end());
    EXPECT_TRUE(WaitFor([&] { return m_app.Text(kPath) == expected; }));
    EXPECT_TRUE(m_app.NoMessageBox(500));
    Close();
}

TEST_F(BrowseTest, ChosenFileThatCannotBeOpenedIsReportedAndStays)
{
    std::string image = m_dir + "locked.bin";
    ASSERT_TRUE(WriteFile(image, "abc"));
    HANDLE locked = ::CreateFileA(image.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    Start();
    HWND dialog = OpenDialog();
    ASSERT_NE(nullptr, dialog);
    TypeInFileDialog(dialog, image);
    ExpectBox(L"File open fail!", kDownloadCaption, m_app.Main(), false);
    ::CloseHandle(locked);
    EXPECT_EQ(std::wstring(image.begin(), image.end()), m_app.Text(kPath));
    Close();
}

}  // namespace
}  // namespace gui
