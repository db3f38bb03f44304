// Libraries planted beside the programs under the names of the system's
// libraries that the programs and the converter libraries call and that are
// not known ones: none of them ever runs, in the window, the Writer or any
// command of the console program. (Wine's own libraries bring others in ways
// of Wine's: version.dll and uxtheme.dll before any program starts, and
// windowscodecs.dll for its GDI+ by the search order the program started with.)
#include "ConsoleProcess.h"
#include "Fixture.h"
#include "ImageBuilder.h"

namespace gui {
namespace {

const char* const kPlanted[] = { "msacm32", "gdiplus", "winmm" };

// A stub of each beside the program, which leaves "<name>.dll.ran" in the
// folder that TESSALINE_PLANTED_MARKERS names when it is loaded. Windows looks
// beside the program first for such a library; Wine is told to do the same for
// the program of this name (by its per-program setting: a child process does
// not take the overrides from the environment it is given).
class Planted {
public:
    Planted(const std::string& dir, const std::string& exeName) : m_key("Software\\Wine\\AppDefaults\\" + exeName)
    {
        HKEY overrides = nullptr;
        m_done = ::RegCreateKeyExA(HKEY_CURRENT_USER, (m_key + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_WRITE,
                                   nullptr, &overrides, nullptr) == ERROR_SUCCESS;
        const std::string stub = ExeDir() + "..\\planted\\planted.dll";
        const BYTE* nativeFirst = reinterpret_cast<const BYTE*>("native,builtin");
        for (const char* name : kPlanted)
            m_done = m_done && !::RegSetValueExA(overrides, name, 0, REG_SZ, nativeFirst, 15)
                     && ::CopyFileA(stub.c_str(), (dir + name + ".dll").c_str(), FALSE);
        if (overrides)
            ::RegCloseKey(overrides);
    }
    ~Planted() { ::RegDeleteTreeA(HKEY_CURRENT_USER, m_key.c_str()); }
    bool Done() const { return m_done; }

private:
    std::string m_key;
    bool m_done = false;
};

// The marker of a stub that ran, or "".
std::string Ran(const std::string& markers)
{
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((markers + "*.ran").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return "";
    ::FindClose(search);
    return found.cFileName;
}

bool WriteInputs(const std::string& dir)
{
    const media_test::Bytes bmp = media_test::MakeBmp(4, 2, media_test::Solid(media_test::Opaque(200, 30, 90)));
    return WriteFile(dir + "pic.bmp", std::string(bmp.begin(), bmp.end()))
           && ::CopyFileA((ExeDir() + "media\\tone_22050_mono.mp3").c_str(), (dir + "tone.mp3").c_str(), FALSE);
}

TEST(PlantedLibraries, NeverRunInAnyConsoleCommand)
{
    { media_test::ScratchFolder leftOver; }  // by a run cut short, under the same name
    media_test::ScratchFolder scratch;
    const std::string d = scratch.Path(), app = d + "app\\", markers = d + "ran\\";
    ASSERT_TRUE(::CreateDirectoryA(app.c_str(), nullptr) && ::CreateDirectoryA(markers.c_str(), nullptr));
    ASSERT_TRUE(CopyFromBin(app, { "KP6600HidDriver.dll", "TuneMill.dll", "PicMill.dll" }));
    ASSERT_TRUE(::CopyFileA((ExeDir() + "tessa.exe").c_str(), (app + "tessa-planted.exe").c_str(), FALSE));
    const Planted planted(app, "tessa-planted.exe");
    ASSERT_TRUE(planted.Done() && WriteInputs(d) && WriteFile(d + "image.bin", std::string(40000, '\x5A')));
    for (const char* command : { "download image.bin --capacity 2M", "write image.bin", "connect",
                                 "pack -o packed.bin --audio tone.mp3 --image pic.bmp", "map packed.bin",
                                 "unpack packed.bin -o unpacked", "convert tone.mp3 -o tone.wav",
                                 "convert pic.bmp -o pic.png" }) {
        ConsoleProcess tessa;
        tessa.SetEnv("TESSALINE_PLANTED_MARKERS", markers);
        tessa.SetEnv("KP6600SIM_FLASH_FILE", d + "flash.bin");
        tessa.SetEnv("KP6600SIM_ERASE_MS", "0");
        ASSERT_TRUE(tessa.Start(app + "tessa-planted.exe", std::string("--no-log --quiet ") + command, d));
        EXPECT_EQ(0, tessa.Wait()) << command << ": " << tessa.Errors();
        EXPECT_EQ("", Ran(markers)) << command;
    }
}

using PlantedLibrariesInTheWindow = AppTest;

TEST_F(PlantedLibrariesInTheWindow, NeverRunInTheLooksOrTheWriter)
{
    const int kAudioList = 1012, kImageList = 1001, kImageStart = 1023, kWrite = 1029;
    const std::string markers = m_dir + "ran\\";
    const Planted planted(m_appDir, m_appName + ".exe");
    ASSERT_TRUE(::CreateDirectoryA(markers.c_str(), nullptr) && planted.Done() && WriteInputs(m_dir));
    m_app.SetEnv("TESSALINE_PLANTED_MARKERS", markers);
    Start();
    EXPECT_EQ("", Ran(markers)) << "at the start";
    for (int list : { kImageList, kAudioList }) {
        const std::string file = m_dir + (list == kImageList ? "pic.bmp" : "tone.mp3");
        ::SendMessageA(m_app.Item(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.c_str()));
        ::SendMessageW(m_app.Item(list), LB_SETCURSEL, 0, 0);
    }
    // The picture's preview and its window, the clip played, then the Write.
    for (auto notify : { std::make_pair(kImageList, LBN_SELCHANGE), std::make_pair(kImageList, LBN_DBLCLK),
                         std::make_pair(kAudioList, LBN_DBLCLK) })
        ::PostMessageW(m_app.Main(), WM_COMMAND, MAKEWPARAM(notify.first, notify.second),
                       reinterpret_cast<LPARAM>(m_app.Item(notify.first)));
    ASSERT_TRUE(WaitFor([&] { return ::FindWindowW(L"Tessaline.Window", L"pic.bmp") != nullptr; }));
    MessageBoxInfo box;  // where there is no audio output
    if (m_app.WaitMessageBox(&box, 3000))
        m_app.Dismiss(box);
    EXPECT_EQ("", Ran(markers)) << "in the looks";
    m_app.SetText(kImageStart, "00010000");
    m_app.Click(kWrite);
    std::wstring result;
    const wchar_t* const written = L"Writing image files to flash success.";
    ASSERT_TRUE(WaitFor([&] { return (result = m_app.Text(kResult)) == written; }, 30000))
        << std::string(result.begin(), result.end());
    ASSERT_TRUE(WaitFor([&] { return m_app.OtherDialogs().empty(); }));
    Close();
    EXPECT_EQ("", Ran(markers)) << "in the Writer";
}

}  // namespace
}  // namespace gui
