// Times `tessa download` of an 8 MiB image against a plain driver loop, each
// as a process of its own started the same way, both on the simulated device
// with no erase time or block delay, and prints the ratio of their medians.
// Run as "tessa_bench --plain IMAGE", it is that plain loop itself.
#include "BenchProcess.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef int(WINAPI* OpenFn)(int);
typedef int(WINAPI* CloseFn)(int);
typedef int(WINAPI* SetFlashInfoFn)(int, int, int);
typedef int(WINAPI* InitFlashFn)(int);
typedef int(WINAPI* ProgramFn)(int, const unsigned char*, int, unsigned int, int*);

const size_t kImageBytes = 8u * 1024 * 1024;
const int kRuns = 9;

// Opens, sets up, erases and programs the file block by block: 0 on success.
int PlainLoop(const char* image)
{
    HMODULE driver = ::LoadLibraryA((ExeDir() + "KP6600HidDriver.dll").c_str());
    if (!driver)
        return 1;
    auto open = reinterpret_cast<OpenFn>(::GetProcAddress(driver, "KP6600Open"));
    auto close = reinterpret_cast<CloseFn>(::GetProcAddress(driver, "KP6600Close"));
    auto setFlashInfo = reinterpret_cast<SetFlashInfoFn>(::GetProcAddress(driver, "KP6600SetFlashInfo"));
    auto initFlash = reinterpret_cast<InitFlashFn>(::GetProcAddress(driver, "KP6600InitFlash"));
    auto program = reinterpret_cast<ProgramFn>(::GetProcAddress(driver, "KP6600Program"));
    HANDLE file = ::CreateFileA(image, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    ::FreeLibrary(driver);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--plain")
        return PlainLoop(argv[2]);

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = temp;
    const std::string image = dir + "tessa_bench_image.bin", log = dir + "tessa_bench_log.csv";
    std::vector<char> bytes(kImageBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    FILE* f = std::fopen(image.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        return 1;
    ::SetEnvironmentVariableA("KP6600SIM_FLASH_FILE", (dir + "tessa_bench_flash.bin").c_str());
    ::SetEnvironmentVariableA("KP6600SIM_CAPACITY", "8388608");
    ::SetEnvironmentVariableA("KP6600SIM_ERASE_MS", "0");
    ::SetEnvironmentVariableA("KP6600SIM_BLOCK_DELAY_MS", "0");
    ::SetEnvironmentVariableA("KP6600SIM_CALL_LOG", nullptr);

    const std::string plain = "\"" + ExeDir() + "tessa_bench.exe\" --plain \"" + image + "\"";
    const std::string tessa = "\"" + ExeDir() + "tessa.exe\" --quiet download \"" + image + "\" --capacity 64M";
    const std::string bare = tessa + " --no-log", logged = tessa + " --log \"" + log + "\"";
    std::vector<double> plainTimes, bareTimes, loggedTimes;
    TimeProcess(plain);  // warm caches and the wine server
    TimeProcess(logged);
    for (int run = 0; run < kRuns; ++run) {
        plainTimes.push_back(TimeProcess(plain));
        bareTimes.push_back(TimeProcess(bare));
        loggedTimes.push_back(TimeProcess(logged));
    }
    for (const auto* times : { &plainTimes, &bareTimes, &loggedTimes })
        for (double t : *times)
            if (t < 0)
                return std::printf("a run failed\n"), 1;
    const double plainMedian = Median(plainTimes), bareMedian = Median(bareTimes), loggedMedian = Median(loggedTimes);
    std::printf("8 MiB, no erase time, no block delay, median of %d runs, each a process of its own:\n", kRuns);
    std::printf("  plain driver loop               %7.1f ms\n", plainMedian * 1000);
    std::printf("  tessa download --no-log         %7.1f ms   ratio %.3f (target at most 1.05)\n", bareMedian * 1000,
                bareMedian / plainMedian);
    std::printf("  tessa download with its log     %7.1f ms   ratio %.3f (target at most 1.10; the log line and the\n"
                "                                                SHA-256 of the bytes sent: %.1f ms more)\n",
                loggedMedian * 1000, loggedMedian / plainMedian, (loggedMedian - bareMedian) * 1000);
    ::DeleteFileA(image.c_str());
    ::DeleteFileA(log.c_str());
    ::DeleteFileA((dir + "tessa_bench_flash.bin").c_str());
    return 0;
}
