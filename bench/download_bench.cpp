// Times a download of an 8 MiB image through the program against a plain loop
// that reads the same file in 16 KiB blocks and calls the driver library
// directly, both on the simulated device with no erase or block delay, and
// prints the ratio. Runs from the build's bin folder.
#include "AppDriver.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

typedef int(WINAPI* OpenFn)(int);
typedef int(WINAPI* CloseFn)(int);
typedef int(WINAPI* SetFlashInfoFn)(int, int, int);
typedef int(WINAPI* InitFlashFn)(int);
typedef int(WINAPI* ProgramFn)(int, const unsigned char*, int, unsigned int, int*);

const size_t kImageBytes = 8u * 1024 * 1024;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Opens, sets up, erases and programs the file block by block.
double PlainLoop(const std::string& image)
{
    HMODULE driver = ::LoadLibraryA((gui::ExeDir() + "KP6600HidDriver.dll").c_str());
    if (!driver)
        return -1;
    auto open = reinterpret_cast<OpenFn>(::GetProcAddress(driver, "KP6600Open"));
    auto close = reinterpret_cast<CloseFn>(::GetProcAddress(driver, "KP6600Close"));
    auto setFlashInfo = reinterpret_cast<SetFlashInfoFn>(::GetProcAddress(driver, "KP6600SetFlashInfo"));
    auto initFlash = reinterpret_cast<InitFlashFn>(::GetProcAddress(driver, "KP6600InitFlash"));
    auto program = reinterpret_cast<ProgramFn>(::GetProcAddress(driver, "KP6600Program"));

    auto start = std::chrono::steady_clock::now();
    HANDLE file = ::CreateFileA(image.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    int handle = open(0);
    bool ok = handle >= 0 && setFlashInfo(handle, 5, 0) && initFlash(handle) == 1;
    std::vector<unsigned char> block(16384);
    unsigned int address = 0;
    DWORD read = 0;
    while (ok && ::ReadFile(file, block.data(), 16384, &read, nullptr) && read > 0) {
        int programmed = 0;
        ok = program(handle, block.data(), static_cast<int>(read), address, &programmed) && programmed == static_cast<int>(read);
        address += read;
    }
    close(handle);
    ::CloseHandle(file);
    double elapsed = Seconds(start);
    ::FreeLibrary(driver);
    return ok ? elapsed : -1;
}

// Presses the download button and waits for the result label.
double ThroughProgram(const std::string& image, const std::string& flash, int runs, std::vector<double>* times)
{
    gui::App app;
    app.SetEnv("KP6600SIM_FLASH_FILE", flash);
    if (!app.Start(gui::ExeDir(), "\"" + image + "\""))
        return -1;
    ::SendMessageW(app.Item(1030), CB_SETCURSEL, 5, 0);
    app.Click(1031);
    gui::MessageBoxInfo box;
    if (!app.WaitMessageBox(&box))
        return -1;
    app.Dismiss(box);
    gui::WaitFor([&] { return app.Enabled(1035); });
    // The path came from the command line with quotes; give it plainly.
    app.SetText(1033, image);

    for (int run = 0; run < runs; ++run) {
    app.SetText(1024, "");
    auto start = std::chrono::steady_clock::now();
    app.Click(1035);
    std::wstring result;
    for (;;) {
        result = app.Text(1024);
        if (result == L"Download OK" || result == L"Download Fail!" || Seconds(start) > 120)
            break;
        ::Sleep(1);
    }
    if (result != L"Download OK")
        return -1;
    times->push_back(Seconds(start));
    // Let the window release the worker before the next press.
    gui::WaitFor([&] { return ::SendMessageW(app.Item(1037), 0x0408 /* PBM_GETPOS */, 0, 0) == 0; });
    ::Sleep(50);
    }
    ::PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    app.WaitExit();
    return 1;
}

// Median times of the plain loop and of the program, in seconds.
bool Measure(const std::string& image, const std::string& flash, int runs, double* plain, double* program)
{
    std::vector<double> plainTimes, programTimes;
    PlainLoop(image);
    for (int run = 0; run < runs; ++run)
        plainTimes.push_back(PlainLoop(image));
    if (ThroughProgram(image, flash, runs + 1, &programTimes) < 0 || programTimes.size() != static_cast<size_t>(runs + 1))
        return false;
    programTimes.erase(programTimes.begin());
    *plain = Median(plainTimes);
    *program = Median(programTimes);
    return *plain > 0;
}

void Report(const char* title, double plain, double program)
{
    const double pause = 0.100;
    printf("%s\n", title);
    printf("  plain loop:                    %8.4f s\n", plain);
    printf("  through the program:           %8.4f s (of which %.3f s is the fixed pause after the erase)\n",
           program, pause);
    printf("  ratio program/plain:           %8.2f (target 1.10 or less)\n", program / plain);
    printf("  ratio without the fixed pause: %8.2f\n", (program - pause) / plain);
}

}  // namespace

int main()
{
    ::SetEnvironmentVariableA("KP6600SIM_ERASE_MS", "0");
    ::SetEnvironmentVariableA("KP6600SIM_CAPACITY", "8388608");
    std::string dir = gui::MakeTempDir("bench");
    std::string image = dir + "image.bin", flash = dir + "flash.bin";
    std::string bytes(kImageBytes, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    if (!gui::WriteFile(image, bytes)) {
        fprintf(stderr, "cannot write %s\n", image.c_str());
        return 1;
    }
    ::SetEnvironmentVariableA("KP6600SIM_FLASH_FILE", flash.c_str());

    // Each path warms up once (file cache, library loading); then the median of five.
    const int runs = 5;
    double plain = 0, program = 0;
    ::SetEnvironmentVariableA("KP6600SIM_BLOCK_DELAY_MS", "0");
    if (!Measure(image, flash, runs, &plain, &program)) {
        fprintf(stderr, "a download failed\n");
        return 1;
    }
    Report("8 MiB download, simulated device with no erase time and no block delay, median of 5:", plain, program);

    // For scale: the same with a device that takes 2 ms per block.
    ::SetEnvironmentVariableA("KP6600SIM_BLOCK_DELAY_MS", "2");
    if (!Measure(image, flash, runs, &plain, &program)) {
        fprintf(stderr, "a download failed\n");
        return 1;
    }
    Report("The same with 2 ms per block:", plain, program);
    return 0;
}
