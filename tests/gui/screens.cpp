// Drives the program through the states worth a screenshot: the download
// panel alone and with the builder panel, the system menu, before and after
// a download to the simulated device. Not a test: scripts/screenshots.sh
// runs it and takes each picture.
// Argument: a file the script creates once it has taken the picture. For
// each state one line goes to stdout: the state's name and the rectangle
// (left top right bottom) to take.
#include "AppDriver.h"
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
