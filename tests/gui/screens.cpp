// Drives the program through the states worth a screenshot: the download
// panel alone and with the builder panel, the system menu, before and after
// a download to the simulated device. Not a test: scripts/screenshots.sh
// runs it and takes each picture.
// Argument: a file the script creates once it has taken the picture. For
// each state one line goes to stdout: the state's name and the rectangle
// (left top right bottom) to take.
#include "AppDriver.h"
#include <cmath>
#include <cstdio>

namespace {

gui::App app;
std::string goFile;

// Announces a state and waits until the script has taken its picture.
void Shoot(const char* name, HWND window)
{
    ::Sleep(700);
    RECT rect;
    ::GetWindowRect(window, &rect);
    printf("%s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right, rect.bottom);
    fflush(stdout);
    gui::WaitFor([] { return ::GetFileAttributesA(goFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
    ::DeleteFileA(goFile.c_str());
}

void ToggleBuilder()
{
    ::SendMessageW(app.Main(), WM_SYSCOMMAND, 0x0020, 0);
}

// Some entries in the builder's lists, so that they show text.
void StoreLists()
{
    const char* key = "Software\\Norvane Tessaline 1.0\\Tessaline\\";
    const char* lists[][3] = {
        { "Audio File List", "C:\\Media\\Voice\\welcome.mp3", "C:\\Media\\Voice\\power on tone.wav" },
        { "Image File List", "C:\\Media\\Pictures\\logo.png", "C:\\Media\\Pictures\\splash.bmp" },
    };
    for (auto& list : lists) {
        HKEY section = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(key) + list[0]).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &section, nullptr) != ERROR_SUCCESS)
            continue;
        DWORD count = 2;
        ::RegSetValueExA(section, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
        for (int i = 0; i < 2; ++i) {
            std::string name = "File" + std::to_string(i);
            ::RegSetValueExA(section, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(list[i + 1]),
                             static_cast<DWORD>(strlen(list[i + 1]) + 1));
        }
        ::RegCloseKey(section);
    }
}

// Little-endian bytes of a value.
std::string Le(uint32_t value, int bytes)
{
    std::string text;
    for (int i = 0; i < bytes; ++i)
        text += static_cast<char>((value >> (8 * i)) & 0xFF);
    return text;
}

// Eight seconds of a 440 Hz tone, 16-bit mono at 22050 Hz.
std::string ToneWav()
{
    const uint32_t rate = 22050, samples = rate * 8;
    std::string data;
    for (uint32_t i = 0; i < samples; ++i)
        data += Le(static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265 * 440 / rate))), 2);
    return "RIFF" + Le(36 + samples * 2, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) + Le(rate, 4)
           + Le(rate * 2, 4) + Le(2, 2) + Le(16, 2) + "data" + Le(samples * 2, 4) + data;
}

// A 240 x 160 picture of colour bands with a diagonal, 24-bit BMP.
std::string BandsBmp()
{
    const int width = 240, height = 160, stride = width * 3;
    std::string pixels;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const bool line = std::abs(x * height / width - y) < 3;
            const int band = x * 6 / width;
            const int r = line ? 0 : (band == 0 || band == 1 || band == 5) ? 230 : 40;
            const int g = line ? 0 : (band >= 1 && band <= 3) ? 200 : 30;
            const int b = line ? 0 : (band >= 3) ? 220 : 50;
            pixels += static_cast<char>(b);
            pixels += static_cast<char>(g);
            pixels += static_cast<char>(r);
        }
    }
    return "BM" + Le(54 + stride * height, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4)
           + Le(1, 2) + Le(24, 2) + Le(0, 4) + Le(stride * height, 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4)
           + Le(0, 4) + pixels;
}

// Puts a file at the top of a builder list and double-clicks it.
void DoubleClickNew(int list, const std::string& path)
{
    ::SendMessageA(app.Item(list), LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::SendMessageA(app.Item(list), LB_SETCURSEL, 0, 0);
    ::PostMessageW(app.Main(), WM_COMMAND, MAKEWPARAM(list, LBN_DBLCLK), reinterpret_cast<LPARAM>(app.Item(list)));
}

// Opens a file through the program's file dialog, once it is up.
void ChooseInFileDialog(const std::string& path)
{
    HWND dialog = nullptr;
    gui::WaitFor([&] {
        for (HWND hwnd : app.OtherDialogs())
            if (::GetDlgItem(hwnd, 0x0470))
                dialog = hwnd;
        return dialog != nullptr;
    }, 10000);
    HWND name = ::GetDlgItem(dialog, 0x047C);
    if (!name)
        name = ::GetDlgItem(dialog, 0x0480);
    ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

bool MapSettled()
{
    return app.Text(1045).rfind(L"Working", 0) != 0 && !app.Text(1045).empty();
}

// The flash map under the builder: a media set opened with both start
// addresses 0, where the images overlap the audio, with a clip marked under
// the mouse; after Fit Images; on a 4M flash, two thirds full; and on a 2M
// flash, which it overruns.
void ShootFlashMap(const std::string& dir)
{
    std::string set = "tessaline-media-set = 1\nimage-start = 00000000\n\n";
    for (int k = 0; k < 6; ++k)
        set += "audio = tone.wav\n";
    for (int k = 0; k < 4; ++k)
        set += "image = bands.bmp\n";
    gui::WriteFile(dir + "board.tms", set);
    app.Click(1040);
    ChooseInFileDialog(dir + "board.tms");
    gui::WaitFor([] { return app.Text(1024) == L"Media set board.tms opened."; });
    gui::WaitFor(MapSettled, 20000);
    const LRESULT itemHeight = ::SendMessageW(app.Item(1012), LB_GETITEMHEIGHT, 0, 0);
    ::PostMessageW(app.Item(1012), WM_MOUSEMOVE, 0, MAKELPARAM(10, static_cast<int>(itemHeight) * 2 + 2));
    Shoot("map-overlap", app.Main());
    app.Click(1043);
    gui::WaitFor([] { return app.Text(1045).find(L"bytes: audio") != std::wstring::npos; }, 20000);
    Shoot("map", app.Main());
    // A 4M flash (512 KiB), which the set fills to two thirds, then a 2M
    // flash, which it overruns.
    for (int capacity : { 1, 0 }) {
        ::SendMessageW(app.Item(1030), CB_SETCURSEL, capacity, 0);
        ::SendMessageW(app.Main(), WM_COMMAND, MAKEWPARAM(1030, CBN_SELCHANGE), reinterpret_cast<LPARAM>(app.Item(1030)));
        if (capacity == 0)
            gui::WaitFor([] { return app.Text(1045).find(L"does not fit") != std::wstring::npos; }, 20000);
        else
            gui::WaitFor(MapSettled, 20000);
        if (capacity == 1)
            Shoot("map-full", app.Main());
    }
    Shoot("map-over", app.Main());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    goFile = argv[1];
    std::string dir = gui::MakeTempDir("screens");
    app.SetEnv("KP6600SIM_FLASH_FILE", dir + "flash.bin");
    app.SetEnv("KP6600SIM_ERASE_MS", "300");
    app.SetEnv("KP6600SIM_BLOCK_DELAY_MS", "0");
    StoreLists();
    if (!app.Start(gui::ExeDir()))
        return 1;

    Shoot("narrow-before", app.Main());
    ToggleBuilder();
    Shoot("wide-before", app.Main());
    // The system menu, with the item checked.
    ::PostMessageW(app.Main(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    Shoot("menu", ::GetDesktopWindow());
    ::PostMessageW(app.Main(), WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageW(app.Main(), WM_KEYDOWN, VK_ESCAPE, 0);
    ::Sleep(300);
    ToggleBuilder();

    std::string image = dir + "image.bin";
    gui::WriteFile(image, std::string(300000, '\x5a'));
    app.Click(1031);
    gui::MessageBoxInfo box;
    if (app.WaitMessageBox(&box))
        app.Dismiss(box);
    gui::WaitFor([] { return app.Enabled(1035); });
    app.SetText(1033, image);
    app.Click(1035);
    gui::WaitFor([] { return app.Text(1024) == L"Download OK" || app.Text(1024) == L"Download Fail!"; }, 60000);
    Shoot("narrow-after", app.Main());
    ToggleBuilder();
    Shoot("wide-after", app.Main());

    // A clip as the device plays it: what plays shows in the result label
    // (or, on a machine without audio output, the message saying so).
    const std::string tone = dir + "tone.wav", bands = dir + "bands.bmp";
    gui::WriteFile(tone, ToneWav());
    gui::WriteFile(bands, BandsBmp());
    DoubleClickNew(1012, tone);
    gui::MessageBoxInfo noAudio;
    gui::WaitFor([&] { return app.Text(1024).find(L" Hz, ") != std::wstring::npos || app.WaitMessageBox(&noAudio, 200); },
                 15000);
    Shoot("clip", app.Main());
    if (app.Text(1024).find(L" Hz, ") != std::wstring::npos)
        ::PostMessageW(app.Main(), WM_COMMAND, MAKEWPARAM(1012, LBN_DBLCLK), reinterpret_cast<LPARAM>(app.Item(1012)));
    if (noAudio.hwnd || app.WaitMessageBox(&noAudio, 500))
        app.Dismiss(noAudio);
    // A picture as the device shows it, in a window of its own.
    DoubleClickNew(1001, bands);
    HWND look = nullptr;
    gui::WaitFor([&] { return (look = ::FindWindowW(L"Tessaline.Window", L"bands.bmp")) != nullptr; }, 10000);
    Shoot("picture", look ? look : app.Main());
    if (look)
        ::PostMessageW(look, WM_CLOSE, 0, 0);
    ShootFlashMap(dir);
    ::PostMessageW(app.Main(), WM_SYSCOMMAND, 0x0010, 0);
    HWND about = nullptr;
    gui::WaitFor([&] {
        for (HWND hwnd : app.OtherDialogs())
            about = hwnd;
        return about != nullptr;
    });
    Shoot("about", about ? about : app.Main());
    if (about)
        ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::Sleep(300);
    ::PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    return app.WaitExit() == 0 ? 0 : 1;
}
