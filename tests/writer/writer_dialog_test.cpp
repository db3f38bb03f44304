// The Writer dialog run in this process against the simulated device. The
// dialog runs modally on the test's thread; a watcher thread answers its
// message boxes, and a driver thread reads its windows and presses Cancel.
// A hook on the test's thread records every text the dialog's labels and
// title receive, so the sequence of label texts is exact.
//
// The same source builds a second executable into a folder without the
// driver library (WRITER_NO_DRIVER) for the failed preparation.
#include "C_USBDownloadDlg.h"
#include "ProgressText.h"
#include "TestSupport.h"
#include "resource.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using gui::ExeDir;
using gui::MessageBoxInfo;
using gui::ReadFile;
using gui::WaitFor;
using gui::WindowText;
using gui::WriteFile;

const char kDriverName[] = "KP6600HidDriver.dll";
// How long a test waits for the dialog or the device to get somewhere.
const DWORD kWaitMs = 10000;

bool HasDriver()
{
    return ::GetFileAttributesA((ExeDir() + kDriverName).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Finds the Writer dialog and notes every message box of this process,
// answering each with OK unless told to hold them. Ends the process when a
// run outlives its deadline, so that a deadlock fails the test instead of
// hanging it.
class Watcher {
public:
    Watcher() : m_thread([this] { Run(); }) {}
    ~Watcher()
    {
        m_stop = true;
        m_thread.join();
    }
    HWND Dialog() const { return m_dialog; }
    std::vector<MessageBoxInfo> Boxes()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_boxes;
    }
    void SetDeadline(DWORD tick) { m_deadline = tick; }
    // Leaves new message boxes open for the test to answer.
    void Hold(bool hold) { m_hold = hold; }

private:
    void Visit(HWND hwnd)
    {
        if (!gui::IsDialogClass(hwnd) || !::IsWindowVisible(hwnd))
            return;
        if (::GetDlgItem(hwnd, IDC_WRITER_PROGRESS)) {
            m_dialog = hwnd;
            return;
        }
        if (!gui::IsMessageBox(hwnd))
            return;
        std::lock_guard<std::mutex> lock(m_lock);
        for (const MessageBoxInfo& seen : m_boxes)
            if (seen.hwnd == hwnd)
                return;
        MessageBoxInfo box;
        gui::ReadMessageBox(hwnd, &box);
        m_boxes.push_back(box);
        if (!m_hold)
            ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    void Run()
    {
        while (!m_stop) {
            for (HWND hwnd : gui::TopWindows(::GetCurrentProcessId()))
                Visit(hwnd);
            DWORD deadline = m_deadline;
            if (deadline && static_cast<LONG>(::GetTickCount() - deadline) > 0) {
                std::fprintf(stderr, "The Writer dialog did not end in time: deadlock?\n");
                std::fflush(stderr);
                ::TerminateProcess(::GetCurrentProcess(), 3);
            }
            ::Sleep(10);
        }
    }

    std::atomic<bool> m_hold{ false };
    std::atomic<bool> m_stop{ false };
    std::atomic<HWND> m_dialog{ nullptr };
    std::atomic<DWORD> m_deadline{ 0 };
    std::mutex m_lock;
    std::vector<MessageBoxInfo> m_boxes;
    std::thread m_thread;
};

#if !defined(WRITER_NO_DRIVER)

void AnswerBox(HWND box)
{
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// What the labels showed after one progress message, and the bar after it.
struct Snapshot {
    std::wstring file, total, transferred, remain;
    int bar = -1;
    bool operator==(const Snapshot& other) const
    {
        return file == other.file && total == other.total && transferred == other.transferred
            && remain == other.remain && bar == other.bar;
    }
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s)
{
    return out << "{\"" << Narrow(s.file) << "\", " << Narrow(s.total) << ", " << Narrow(s.transferred)
               << ", " << Narrow(s.remain) << ", bar " << s.bar << "}";
}

// The numbers of a snapshot, without the file name label.
std::vector<std::wstring> Numbers(const std::vector<Snapshot>& snapshots)
{
    std::vector<std::wstring> numbers;
    for (const Snapshot& s : snapshots)
        numbers.push_back(s.total + L" " + s.transferred + L" " + s.remain + L" " + std::to_wstring(s.bar));
    return numbers;
}

// Records, on this thread, every WM_SETTEXT the Writer dialog and its labels
// have handled: the dialog's titles, and one snapshot per progress message
// (the handler sets the file name label first and moves the bar last).
class TextRecorder {
public:
    explicit TextRecorder(CTextProgressCtrl* bar) : m_bar(bar)
    {
        s_current = this;
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~TextRecorder()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    bool Hooked() const { return m_hook != nullptr; }
    void Finish()
    {
        if (!snapshots.empty())
            snapshots.back().bar = m_bar->GetPos();
    }
    std::vector<std::wstring> titles;
    std::vector<Snapshot> snapshots;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        auto* message = reinterpret_cast<CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && s_current && message->message == WM_SETTEXT)
            s_current->Seen(message->hwnd);
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    void Seen(HWND hwnd)
    {
        if (::GetDlgItem(hwnd, IDC_WRITER_PROGRESS)) {
            titles.push_back(WindowText(hwnd));
            return;
        }
        HWND parent = ::GetParent(hwnd);
        if (!parent || !::GetDlgItem(parent, IDC_WRITER_PROGRESS))
            return;
        int id = ::GetDlgCtrlID(hwnd);
        if (id == IDC_WRITER_FILENAME) {
            if (!snapshots.empty())
                snapshots.back().bar = m_bar->GetPos();
            snapshots.emplace_back();
            snapshots.back().file = WindowText(hwnd);
        } else if (!snapshots.empty()) {
            if (id == IDC_WRITER_TOTAL)
                snapshots.back().total = WindowText(hwnd);
            else if (id == IDC_WRITER_TRANSFERRED)
                snapshots.back().transferred = WindowText(hwnd);
            else if (id == IDC_WRITER_REMAIN)
                snapshots.back().remain = WindowText(hwnd);
        }
    }
    static TextRecorder* s_current;
    CTextProgressCtrl* m_bar;
    HHOOK m_hook = nullptr;
};
TextRecorder* TextRecorder::s_current = nullptr;

// Deterministic contents with no run of 0xFF bytes, so that a block that
// was not programmed shows.
std::string Pattern(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed + (i >> 8)) % 255);
    return bytes;
}

const unsigned kCapacity = 0x40000;
typedef std::vector<std::string> Lines;

struct Outcome {
    INT_PTR result = -1;
    int failed = -1;
    DWORD ms = 0;
};

class WriterDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = { sizeof init, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS };
        ::InitCommonControlsEx(&init);
        ASSERT_TRUE(HasDriver());
        m_dir = gui::MakeTempDir("writer");
        ASSERT_FALSE(m_dir.empty());
        m_flash = m_dir + "flash.bin";
        m_log = m_dir + "calls.log";
        ::DeleteFileA(m_log.c_str());
        // A flash that holds something already, so that an erase shows.
        ASSERT_TRUE(WriteFile(m_flash, std::string(kCapacity, '\x5A')));
        Env("KP6600SIM_FLASH_FILE", m_flash.c_str());
        Env("KP6600SIM_CALL_LOG", m_log.c_str());
        Env("KP6600SIM_CAPACITY", std::to_string(kCapacity).c_str());
        Env("KP6600SIM_ERASE_MS", "0");
        Env("KP6600SIM_BLOCK_DELAY_MS", "0");
        for (const char* name : { "KP6600SIM_PLUGGED", "KP6600SIM_OPEN_FAILS", "KP6600SIM_FLASHINFO_FAILS",
                                  "KP6600SIM_ERASE_RESULT", "KP6600SIM_FAIL_BLOCK", "KP6600SIM_SHORT_BLOCK" })
            Env(name, nullptr);
    }
    void TearDown() override
    {
        for (const std::string& file : m_files)
            ::DeleteFileA(file.c_str());
        ::DeleteFileA(m_flash.c_str());
        ::DeleteFileA(m_log.c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }

    static void Env(const char* name, const char* value) { ::SetEnvironmentVariableA(name, value); }

    std::string MakeFile(const char* name, size_t size)
    {
        std::string path = m_dir + name;
        EXPECT_TRUE(WriteFile(path, Pattern(size, static_cast<unsigned>(size))));
        m_files.push_back(path);
        return path;
    }

    // Runs the dialog modally here while script drives it from its own thread.
    Outcome Run(C_USBDownloadDlg& dialog, std::function<void()> script = nullptr, DWORD deadlineMs = 60000)
    {
        TextRecorder texts(&dialog.m_progress);
        EXPECT_TRUE(texts.Hooked());
        m_watcher.SetDeadline(::GetTickCount() + deadlineMs);
        std::thread driver;
        if (script)
            driver = std::thread(script);
        Outcome outcome;
        DWORD start = ::GetTickCount();
        outcome.result = dialog.DoModal();
        outcome.ms = ::GetTickCount() - start;
        if (driver.joinable())
            driver.join();
        m_watcher.SetDeadline(0);
        texts.Finish();
        m_titles = texts.titles;
        m_snapshots = texts.snapshots;
        outcome.failed = dialog.GetFailureFlag();
        return outcome;
    }

    // The device calls in order, without the calling thread's id.
    Lines Calls() const { return gui::ReadCallTexts(m_log); }
    std::vector<DWORD> CallThreads() const
    {
        std::vector<DWORD> threads;
        for (const gui::LoggedCall& call : gui::ReadCallLog(m_log))
            threads.push_back(static_cast<DWORD>(call.thread));
        return threads;
    }
    size_t CallCount() const { return Calls().size(); }
    std::string Flash(size_t offset, size_t count) const { return ReadFile(m_flash).substr(offset, count); }

    // Driver-thread helpers.
    HWND WaitDialog()
    {
        WaitFor([&] { return m_watcher.Dialog() != nullptr; }, kWaitMs);
        return m_watcher.Dialog();
    }
    std::wstring Label(int id) { return WindowText(::GetDlgItem(m_watcher.Dialog(), id)); }
    void ClickCancel()
    {
        HWND dialog = WaitDialog();
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
    }

    void ExpectErrorBox(const MessageBoxInfo& box, const wchar_t* text, HWND dialog)
    {
        EXPECT_EQ(text, box.text);
        EXPECT_EQ(L"Error", box.caption);
        EXPECT_EQ(dialog, box.owner);
        EXPECT_TRUE(box.hasIcon);
        EXPECT_NE(::GetCurrentThreadId(), box.threadId) << "shown by the worker";
    }

    std::string m_dir, m_flash, m_log;
    std::vector<std::string> m_files;
    Watcher m_watcher;
    std::vector<std::wstring> m_titles;
    std::vector<Snapshot> m_snapshots;
};

const wchar_t kTitle[] = L"Downloading file...";
const wchar_t kWaitErase[] = L"Wait USB device to erase flash...";

TEST_F(WriterDialogTest, WritesFortyThousandBytesAsTwoBlocksAndALastPiece)
{
    std::string path = MakeFile("image40000.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(0, run.failed);
    EXPECT_EQ((Lines{
                  "KP6600Open 0 -> 0",
                  "KP6600SetFlashInfo 0 5 0 -> 1",
                  "KP6600InitFlash 0 -> 1",
                  "KP6600Program 0 16384 0x00000000 -> 1 programmed=16384",
                  "KP6600Program 0 16384 0x00004000 -> 1 programmed=16384",
                  "KP6600Program 0 7232 0x00008000 -> 1 programmed=7232",
                  "KP6600Close 0 -> 0",
              }),
              Calls());
    std::vector<DWORD> threads = CallThreads();
    ASSERT_FALSE(threads.empty());
    for (DWORD thread : threads) {
        EXPECT_EQ(threads[0], thread);
        EXPECT_NE(::GetCurrentThreadId(), thread) << "the device is driven by the worker";
    }
    EXPECT_EQ(ReadFile(path), Flash(0, 40000));
    EXPECT_EQ(std::string(16, '\xFF'), Flash(40000, 16)) << "erased beyond the file";
    EXPECT_TRUE(m_watcher.Boxes().empty());
    EXPECT_EQ(std::vector<std::wstring>{ kTitle }, m_titles);

    // Three reports while opening, erasing and starting, then one per piece.
    EXPECT_EQ((std::vector<std::wstring>{ L"40000 0 40000 0", L"40000 0 40000 0", L"40000 0 40000 0",
                                          L"40000 16384 23616 40", L"40000 32768 7232 81",
                                          L"40000 40000 0 100" }),
              Numbers(m_snapshots));
    ASSERT_EQ(6u, m_snapshots.size());
    for (size_t i = 2; i < m_snapshots.size(); ++i)
        EXPECT_EQ(L"image40000.bin", m_snapshots[i].file) << i;
    EXPECT_EQ("100%", ProgressPercentText(dialog.m_progress.GetPos(), 0, 100));
    EXPECT_EQ("40%", ProgressPercentText(m_snapshots[3].bar, 0, 100));
    EXPECT_EQ("81%", ProgressPercentText(m_snapshots[4].bar, 0, 100));
}

TEST_F(WriterDialogTest, LabelsShowTheWaitTextsWhileOpeningAndErasing)
{
    // One failed open and a slow erase hold each wait text long enough to
    // be shown by its own report.
    Env("KP6600SIM_OPEN_FAILS", "1");
    Env("KP6600SIM_ERASE_MS", "600");
    std::string path = MakeFile("slow.bin", 20000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(0, run.failed);
    EXPECT_EQ((std::vector<Snapshot>{
                  { L"Wait USB device to download slow.bin...", L"20000", L"0", L"20000", 0 },
                  { kWaitErase, L"20000", L"0", L"20000", 0 },
                  { L"slow.bin", L"20000", L"0", L"20000", 0 },
                  { L"slow.bin", L"20000", L"16384", L"3616", 81 },
                  { L"slow.bin", L"20000", L"20000", L"0", 100 },
              }),
              m_snapshots);
    EXPECT_EQ("KP6600Open 0 -> -1", Calls().at(0));
    EXPECT_EQ("KP6600Open 0 -> 0", Calls().at(1));
    EXPECT_EQ(ReadFile(path), Flash(0, 20000));
}

TEST_F(WriterDialogTest, FileOfExactlyTwoBlocksEndsWithAFullLastPiece)
{
    std::string path = MakeFile("two.bin", 32768);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(0, run.failed);
    EXPECT_EQ((Lines{
                  "KP6600Open 0 -> 0",
                  "KP6600SetFlashInfo 0 5 0 -> 1",
                  "KP6600InitFlash 0 -> 1",
                  "KP6600Program 0 16384 0x00000000 -> 1 programmed=16384",
                  "KP6600Program 0 16384 0x00004000 -> 1 programmed=16384",
                  "KP6600Close 0 -> 0",
              }),
              Calls());
    EXPECT_EQ(ReadFile(path), Flash(0, 32768));
    EXPECT_EQ((std::vector<std::wstring>{ L"32768 0 32768 0", L"32768 0 32768 0", L"32768 0 32768 0",
                                          L"32768 16384 16384 50", L"32768 32768 0 100" }),
              Numbers(m_snapshots));
}

TEST_F(WriterDialogTest, StartAddressMovesEveryPiece)
{
    std::string path = MakeFile("offset.bin", 20000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0x12340, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(0, run.failed);
    Lines calls = Calls();
    ASSERT_EQ(6u, calls.size());
    EXPECT_EQ("KP6600Program 0 16384 0x00012340 -> 1 programmed=16384", calls[3]);
    EXPECT_EQ("KP6600Program 0 3616 0x00016340 -> 1 programmed=3616", calls[4]);
    EXPECT_EQ(std::string(0x12340, '\xFF'), Flash(0, 0x12340));
    EXPECT_EQ(ReadFile(path), Flash(0x12340, 20000));
}

TEST_F(WriterDialogTest, FlashTypesKp6xAndNandPassCodesFourAndSix)
{
    std::string path = MakeFile("types.bin", 1000);
    const struct { int index; const char* call; } cases[] = {
        { 1, "KP6600SetFlashInfo 0 4 0 -> 1" },
        { 2, "KP6600SetFlashInfo 0 6 0 -> 1" },
    };
    for (const auto& c : cases) {
        ::DeleteFileA(m_log.c_str());
        C_USBDownloadDlg dialog;
        ASSERT_EQ(1, dialog.PrepareWrite(c.index, path.c_str(), 0, nullptr));
        Outcome run = Run(dialog);
        EXPECT_EQ(IDOK, run.result) << c.index;
        EXPECT_EQ(0, run.failed) << c.index;
        EXPECT_EQ((Lines{
                      "KP6600Open 0 -> 0",
                      c.call,
                      "KP6600InitFlash 0 -> 1",
                      "KP6600Program 0 1000 0x00000000 -> 1 programmed=1000",
                      "KP6600Close 0 -> 0",
                  }),
                  Calls());
    }
}

TEST_F(WriterDialogTest, UnknownFlashTypeIndexFailsWithoutMessage)
{
    std::string path = MakeFile("type3.bin", 1000);
    for (int index : { 3, -1 }) {
        ::DeleteFileA(m_log.c_str());
        C_USBDownloadDlg dialog;
        ASSERT_EQ(1, dialog.PrepareWrite(index, path.c_str(), 0, nullptr));
        Outcome run = Run(dialog);
        EXPECT_EQ(IDOK, run.result);
        EXPECT_EQ(1, run.failed);
        EXPECT_EQ((Lines{ "KP6600Open 0 -> 0", "KP6600Close 0 -> 0" }), Calls()) << index;
    }
    EXPECT_TRUE(m_watcher.Boxes().empty());
    EXPECT_EQ(std::string(kCapacity, '\x5A'), ReadFile(m_flash)) << "nothing erased";
}

TEST_F(WriterDialogTest, NoDeviceGivesUpAfterTwentyAttempts)
{
    Env("KP6600SIM_PLUGGED", "0");
    std::string path = MakeFile("nodevice.bin", 40000);
    Watcher& holding = m_watcher;
    holding.Hold(true);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    std::wstring labelWhileShown;
    DWORD shownAfter = 0;
    HWND dialogWindow = nullptr;
    DWORD start = ::GetTickCount();
    Outcome run = Run(dialog, [&] {
        dialogWindow = WaitDialog();
        if (!WaitFor([&] { return !holding.Boxes().empty(); }, 30000))
            return;
        shownAfter = ::GetTickCount() - start;
        labelWhileShown = Label(IDC_WRITER_FILENAME);
        AnswerBox(holding.Boxes()[0].hwnd);
    });

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_GE(shownAfter, 19000u) << "20 attempts, each followed by a pause of 1000 ms";
    EXPECT_EQ(L"Wait USB device to download nodevice.bin...", labelWhileShown);
    std::vector<MessageBoxInfo> boxes = holding.Boxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectErrorBox(boxes[0], L"USB device open failed.", dialogWindow);
    Lines expected(20, "KP6600Open 0 -> -1");
    expected.push_back("KP6600Close -1 -> -1");
    EXPECT_EQ(expected, Calls());
    ASSERT_FALSE(m_snapshots.empty());
    EXPECT_EQ(L"nodevice.bin", m_snapshots.back().file);
    EXPECT_EQ(L"0", m_snapshots.back().transferred);
}

TEST_F(WriterDialogTest, CancelWhileOpeningEndsAtTheNextAttempt)
{
    Env("KP6600SIM_PLUGGED", "0");
    std::string path = MakeFile("cancel-open.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    DWORD untilClosed = 0;
    Outcome run = Run(dialog, [&] {
        WaitDialog();
        WaitFor([&] { return CallCount() >= 2; }, kWaitMs);
        DWORD cancelledAt = ::GetTickCount();
        ClickCancel();
        // The worker's last call: the device is closed once it has stopped.
        WaitFor([&] { return !Calls().empty() && Calls().back().find("KP6600Close") == 0; }, kWaitMs);
        untilClosed = ::GetTickCount() - cancelledAt;
    });

    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_LE(untilClosed, 1500u) << "at most one pause of 1000 ms";
    EXPECT_TRUE(m_watcher.Boxes().empty()) << "no open failure message after a cancel";
    Lines calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_LE(calls.size(), 4u);
    for (size_t i = 0; i + 1 < calls.size(); ++i)
        EXPECT_EQ("KP6600Open 0 -> -1", calls[i]);
    EXPECT_EQ("KP6600Close -1 -> -1", calls.back());
    EXPECT_EQ(std::string(kCapacity, '\x5A'), ReadFile(m_flash)) << "nothing erased";
}

TEST_F(WriterDialogTest, CancelBeforeALateOpenLeavesTheFlashUntouched)
{
    // The cancel arrives in the pause after the first failed attempt; the
    // second attempt finds the device, but no erase follows.
    Env("KP6600SIM_OPEN_FAILS", "1");
    std::string path = MakeFile("late.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog, [&] {
        WaitDialog();
        WaitFor([&] { return CallCount() >= 1; }, kWaitMs);
        ClickCancel();
    });

    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_EQ((Lines{ "KP6600Open 0 -> -1", "KP6600Open 0 -> 0", "KP6600Close 0 -> 0" }), Calls());
    EXPECT_TRUE(m_watcher.Boxes().empty());
    EXPECT_EQ(std::string(kCapacity, '\x5A'), ReadFile(m_flash));
}

TEST_F(WriterDialogTest, CloseBoxDuringTheEraseWaitsForItAndStopsBeforeTheFirstBlock)
{
    Env("KP6600SIM_ERASE_MS", "1500");
    std::string path = MakeFile("cancel-erase.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    bool heldDuringErase = false;
    bool answeredWhileWaiting = false;
    Outcome run = Run(dialog, [&] {
        HWND window = WaitDialog();
        WaitFor([&] { return Label(IDC_WRITER_FILENAME) == kWaitErase; }, kWaitMs);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        ::Sleep(400);
        heldDuringErase = ::IsWindowVisible(window) && Calls().size() == 2;
        // Cancel waits for the erase, but the dialog's thread still answers.
        DWORD_PTR length = 0;
        answeredWhileWaiting = ::SendMessageTimeoutW(::GetDlgItem(window, IDC_WRITER_TOTAL), WM_GETTEXTLENGTH, 0, 0,
                                                     SMTO_ABORTIFHUNG, 500, &length) != 0
            && length == 5;
    });

    EXPECT_EQ(IDCANCEL, run.result) << "the worker's own OK afterwards changes nothing";
    EXPECT_EQ(1, run.failed);
    EXPECT_TRUE(heldDuringErase) << "the dialog stays until the erase is over";
    EXPECT_TRUE(answeredWhileWaiting);
    EXPECT_EQ((Lines{
                  "KP6600Open 0 -> 0",
                  "KP6600SetFlashInfo 0 5 0 -> 1",
                  "KP6600InitFlash 0 -> 1",
                  "KP6600Close 0 -> 0",
              }),
              Calls());
    EXPECT_TRUE(m_watcher.Boxes().empty());
    EXPECT_EQ(std::string(kCapacity, '\xFF'), ReadFile(m_flash));
}

TEST_F(WriterDialogTest, CancelDuringTheEraseStillWritesAFileOfOneBlock)
{
    Env("KP6600SIM_ERASE_MS", "1000");
    std::string path = MakeFile("small.bin", 10000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog, [&] {
        WaitDialog();
        WaitFor([&] { return Label(IDC_WRITER_FILENAME) == kWaitErase; }, kWaitMs);
        ClickCancel();
    });

    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_EQ(0, run.failed) << "the only piece is the last piece, which a cancel does not stop";
    EXPECT_EQ("KP6600Program 0 10000 0x00000000 -> 1 programmed=10000", Calls().at(3));
    EXPECT_EQ(ReadFile(path), Flash(0, 10000));
}

TEST_F(WriterDialogTest, RefusedFlashInformationShowsItsMessage)
{
    Env("KP6600SIM_FLASHINFO_FAILS", "1");
    std::string path = MakeFile("noinfo.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    HWND window = nullptr;
    Outcome run = Run(dialog, [&] { window = WaitDialog(); });

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_EQ((Lines{ "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 0", "KP6600Close 0 -> 0" }), Calls());
    std::vector<MessageBoxInfo> boxes = m_watcher.Boxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectErrorBox(boxes[0], L"Set flash information failed.", window);
    EXPECT_EQ(std::string(kCapacity, '\x5A'), ReadFile(m_flash));
}

TEST_F(WriterDialogTest, EraseResultOtherThanOneStopsWithoutMessage)
{
    Env("KP6600SIM_ERASE_RESULT", "2");
    std::string path = MakeFile("erase2.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_EQ((Lines{ "KP6600Open 0 -> 0", "KP6600SetFlashInfo 0 5 0 -> 1", "KP6600InitFlash 0 -> 2",
                      "KP6600Close 0 -> 0" }),
              Calls());
    EXPECT_TRUE(m_watcher.Boxes().empty());
    ASSERT_FALSE(m_snapshots.empty());
    EXPECT_EQ(L"0", m_snapshots.back().transferred);
}

TEST_F(WriterDialogTest, FailedBlockShowsDownloadFail)
{
    Env("KP6600SIM_FAIL_BLOCK", "1");
    std::string path = MakeFile("failblock.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    HWND window = nullptr;
    Outcome run = Run(dialog, [&] { window = WaitDialog(); });

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_EQ((Lines{
                  "KP6600Open 0 -> 0",
                  "KP6600SetFlashInfo 0 5 0 -> 1",
                  "KP6600InitFlash 0 -> 1",
                  "KP6600Program 0 16384 0x00000000 -> 1 programmed=16384",
                  "KP6600Program 0 16384 0x00004000 -> 0 programmed=0",
                  "KP6600Close 0 -> 0",
              }),
              Calls());
    std::vector<MessageBoxInfo> boxes = m_watcher.Boxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectErrorBox(boxes[0], L"USB device download fail.", window);
    ASSERT_FALSE(m_snapshots.empty());
    EXPECT_EQ(L"16384", m_snapshots.back().transferred);
    EXPECT_EQ(L"23616", m_snapshots.back().remain);
}

TEST_F(WriterDialogTest, ShortLastPieceShowsDownloadFail)
{
    Env("KP6600SIM_SHORT_BLOCK", "2");
    std::string path = MakeFile("short.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_EQ("KP6600Program 0 7232 0x00008000 -> 1 programmed=7231", Calls().at(5));
    std::vector<MessageBoxInfo> boxes = m_watcher.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"USB device download fail.", boxes[0].text);
    EXPECT_EQ(L"32768", m_snapshots.back().transferred);
}

TEST_F(WriterDialogTest, MissingFileTouchesNoDevice)
{
    std::string path = m_dir + "absent.bin";
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(m_watcher.Boxes().empty());
    EXPECT_EQ(std::vector<std::wstring>{ kTitle }, m_titles);
    EXPECT_TRUE(m_snapshots.empty());
}

TEST_F(WriterDialogTest, EmptyPathEndsAtOnce)
{
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, "", 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(m_titles.empty());
}

TEST_F(WriterDialogTest, EmptyFileIsWrittenWithAnEmptyBar)
{
    std::string path = MakeFile("empty.bin", 0);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(0, run.failed);
    EXPECT_EQ((Lines{
                  "KP6600Open 0 -> 0",
                  "KP6600SetFlashInfo 0 5 0 -> 1",
                  "KP6600InitFlash 0 -> 1",
                  "KP6600Program 0 0 0x00000000 -> 1 programmed=0",
                  "KP6600Close 0 -> 0",
              }),
              Calls());
    EXPECT_EQ(std::vector<std::wstring>(4, L"0 0 0 0"), Numbers(m_snapshots));
    EXPECT_EQ("0%", ProgressPercentText(dialog.m_progress.GetPos(), 0, 100));
}

TEST_F(WriterDialogTest, FilePastTheEndOfTheAddressSpaceTouchesNoDevice)
{
    std::string path = MakeFile("wrap.bin", 40000);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0xFFFFC000u, nullptr));
    Outcome run = Run(dialog);

    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_TRUE(Calls().empty()) << "the second block would wrap round to address 0";
    EXPECT_TRUE(m_watcher.Boxes().empty());
    EXPECT_EQ(std::string(kCapacity, '\x5A'), ReadFile(m_flash));
}

TEST_F(WriterDialogTest, CancelWhileTheWorkersMessageIsOpenDoesNotDeadlock)
{
    // The worker's message box needs the dialog's thread when it closes
    // (it enables and activates its owner) while that thread waits in Cancel.
    Env("KP6600SIM_FAIL_BLOCK", "0");
    std::string path = MakeFile("deadlock.bin", 40000);
    Watcher& holding = m_watcher;
    holding.Hold(true);
    C_USBDownloadDlg dialog;
    ASSERT_EQ(1, dialog.PrepareWrite(0, path.c_str(), 0, nullptr));
    bool stillWaiting = false;
    Outcome run = Run(dialog, [&] {
        HWND window = WaitDialog();
        if (!WaitFor([&] { return !holding.Boxes().empty(); }, kWaitMs))
            return;
        ClickCancel();
        ::Sleep(500);
        stillWaiting = ::IsWindow(window) && ::IsWindow(holding.Boxes()[0].hwnd);
        AnswerBox(holding.Boxes()[0].hwnd);
    }, 20000);

    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_EQ(1, run.failed);
    EXPECT_TRUE(stillWaiting);
    ASSERT_EQ(1u, holding.Boxes().size());
    EXPECT_EQ(L"USB device download fail.", holding.Boxes()[0].text);
    EXPECT_EQ("KP6600Close 0 -> 0", Calls().back());
}

TEST_F(WriterDialogTest, PrepareWriteLoadsTheDriverQuietlyAndTheDialogFreesIt)
{
    {
        C_USBDownloadDlg dialog;
        EXPECT_EQ(1, dialog.PrepareWrite(1, "x.bin", 0, nullptr));
        EXPECT_NE(nullptr, ::GetModuleHandleA(kDriverName));
        EXPECT_EQ(1, dialog.GetFailureFlag()) << "failed until a write has succeeded";
    }
    EXPECT_EQ(nullptr, ::GetModuleHandleA(kDriverName));
    ::Sleep(100);
    EXPECT_TRUE(m_watcher.Boxes().empty());
}

// ---- The dialog template ----

struct TemplateItem {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring windowClass, text;
};

struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring caption, face;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

// Reads a DIALOGEX resource: the strings are UTF-16 in the file.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_p(data), m_end(data + size) {}
    template <typename T> T Get()
    {
        T value{};
        if (m_p + sizeof(T) <= m_end)
            memcpy(&value, m_p, sizeof(T));
        m_p += sizeof(T);
        return value;
    }
    // A string or an ordinal; the predefined control classes by name.
    std::wstring NameOrOrdinal()
    {
        WORD first = Get<WORD>();
        if (first == 0)
            return L"";
        if (first == 0xFFFF) {
            WORD ordinal = Get<WORD>();
            switch (ordinal) {
            case 0x80: return L"Button";
            case 0x81: return L"Edit";
            case 0x82: return L"Static";
            default: return L"#" + std::to_wstring(ordinal);
            }
        }
        std::wstring text(1, static_cast<wchar_t>(first));
        for (WORD c; (c = Get<WORD>()) != 0 && m_p <= m_end;)
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    void AlignDword(const BYTE* base)
    {
        while ((m_p - base) % 4)
            ++m_p;
    }
    bool Ok() const { return m_p <= m_end; }

private:
    const BYTE* m_p;
    const BYTE* m_end;
};

bool ReadDialogTemplate(HMODULE module, DialogTemplate* out)
{
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(IDD_WRITER_DIALOG), MAKEINTRESOURCEW(5));
    if (!info)
        return false;
    const BYTE* base = static_cast<const BYTE*>(::LockResource(::LoadResource(module, info)));
    if (!base)
        return false;
    TemplateReader r(base, ::SizeofResource(module, info));
    if (r.Get<WORD>() != 1 || r.Get<WORD>() != 0xFFFF)
        return false;
    r.Get<DWORD>();   // help id
    r.Get<DWORD>();   // extended style
    out->style = r.Get<DWORD>();
    WORD count = r.Get<WORD>();
    r.Get<short>();
    r.Get<short>();
    out->cx = r.Get<short>();
    out->cy = r.Get<short>();
    r.NameOrOrdinal();   // menu
    r.NameOrOrdinal();   // class
    out->caption = r.NameOrOrdinal();
    if (out->style & DS_SETFONT) {
        out->pointSize = r.Get<WORD>();
        r.Get<WORD>();
        r.Get<BYTE>();
        r.Get<BYTE>();
        out->face = r.NameOrOrdinal();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword(base);
        TemplateItem item;
        r.Get<DWORD>();
        r.Get<DWORD>();
        item.style = r.Get<DWORD>();
        item.x = r.Get<short>();
        item.y = r.Get<short>();
        item.cx = r.Get<short>();
        item.cy = r.Get<short>();
        item.id = static_cast<int>(r.Get<DWORD>());
        item.windowClass = r.NameOrOrdinal();
        item.text = r.NameOrOrdinal();
        WORD extra = r.Get<WORD>();
        for (WORD b = 0; b < extra; ++b)
            r.Get<BYTE>();
        out->items.push_back(item);
    }
    return r.Ok();
}

void ExpectWriterTemplate(HMODULE module)
{
    DialogTemplate t;
    ASSERT_TRUE(ReadDialogTemplate(module, &t));
    EXPECT_EQ(L"Writer Dialog", t.caption);
    const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    EXPECT_EQ(frame, t.style & frame);
    EXPECT_EQ(255, t.cx);
    EXPECT_EQ(91, t.cy);
    EXPECT_EQ(10, t.pointSize);
    EXPECT_EQ(L"Tahoma", t.face);

    const struct { int id; const wchar_t* cls; const wchar_t* text; short x, y, cx, cy; } expected[] = {
        { -1, L"Static", L"Filename : ", 8, 7, 46, 12 },
        { 1011, L"Static", L"", 54, 7, 194, 12 },
        { -1, L"Static", L"Total Length (byte) : ", 8, 22, 80, 12 },
        { 1013, L"Static", L"", 88, 22, 160, 12 },
        { -1, L"Static", L"Transfered (byte) : ", 8, 37, 74, 12 },
        { 1015, L"Static", L"", 82, 37, 50, 12 },
        { -1, L"Static", L"Remain (byte) : ", 134, 37, 63, 12 },
        { 1018, L"Static", L"", 197, 37, 50, 12 },
        { 1021, L"msctls_progress32", L"Progress1", 8, 52, 240, 15 },
        { IDCANCEL, L"Button", L"Cancel", 103, 72, 50, 12 },
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], t.items.size());
    for (size_t i = 0; i < t.items.size(); ++i) {
        const TemplateItem& item = t.items[i];
        EXPECT_EQ(expected[i].id, item.id) << i;
        EXPECT_EQ(0, _wcsicmp(expected[i].cls, item.windowClass.c_str())) << Narrow(item.windowClass) << " " << i;
        EXPECT_EQ(expected[i].text, item.text) << i;
        EXPECT_EQ(expected[i].x, item.x) << i;
        EXPECT_EQ(expected[i].y, item.y) << i;
        EXPECT_EQ(expected[i].cx, item.cx) << i;
        EXPECT_EQ(expected[i].cy, item.cy) << i;
        EXPECT_TRUE(item.style & WS_VISIBLE) << i;
        if (_wcsicmp(item.windowClass.c_str(), L"Static") == 0) {
            EXPECT_EQ(static_cast<DWORD>(SS_LEFT), item.style & SS_TYPEMASK) << i;
            EXPECT_TRUE(item.style & SS_CENTERIMAGE) << "vertically centred, one line: " << i;
        }
    }
    EXPECT_EQ(static_cast<DWORD>(PBS_SMOOTH | WS_BORDER), t.items[8].style & (PBS_SMOOTH | WS_BORDER));
    EXPECT_EQ(static_cast<DWORD>(BS_PUSHBUTTON), t.items[9].style & BS_TYPEMASK);
}

TEST(WriterDialogTemplate, IsInThisProgram)
{
    ExpectWriterTemplate(::GetModuleHandleW(nullptr));
}

TEST(WriterDialogTemplate, IsInTheProgramBesideIt)
{
    HMODULE program = ::LoadLibraryExA((ExeDir() + "Tessaline.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    ExpectWriterTemplate(program);
    ::FreeLibrary(program);
}

#else  // WRITER_NO_DRIVER

TEST(WriterDialogNoDriver, PrepareWriteShowsBothMessagesAndReturnsZero)
{
    ASSERT_FALSE(HasDriver());
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"Owner", WS_POPUP | WS_VISIBLE, 40, 40, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    std::vector<MessageBoxInfo> boxes;
    {
        Watcher watcher;
        C_USBDownloadDlg dialog;
        EXPECT_EQ(0, dialog.PrepareWrite(0, "C:\\image.bin", 0, owner));
        ::Sleep(100);
        boxes = watcher.Boxes();
        EXPECT_EQ(1, dialog.GetFailureFlag());
    }
    ::DestroyWindow(owner);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Load KP6600HidDriver.dll failure!!!", boxes[0].text);
    EXPECT_EQ(L"Error", boxes[0].caption);
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_FALSE(boxes[0].hasIcon);
    EXPECT_EQ(L"USB initialize fail!!!", boxes[1].text);
    EXPECT_EQ(L"Error", boxes[1].caption);
    EXPECT_EQ(owner, boxes[1].owner);
    EXPECT_TRUE(boxes[1].hasIcon);
}

#endif

}  // namespace
