// Times `tessa download` of a 1 MiB image on four boards at once against one
// board, on the simulated device with an erase of 1 s and 4 ms per block,
// each run a process of its own, the two taking turns, and prints the ratio
// of their medians. The boards are independent, so 1.0 is the limit.
#include "BenchProcess.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const size_t kImageBytes = 1024 * 1024;
const int kRuns = 7;

}  // namespace

int main()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = temp;
    const std::string image = dir + "gang_bench_image.bin", log = dir + "gang_bench_log.csv";
    const std::string flash = dir + "gang_bench_flash.bin";
    std::vector<char> bytes(kImageBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    FILE* f = std::fopen(image.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        return 1;
    ::SetEnvironmentVariableA("KP6600SIM_BOARDS", "4");
    ::SetEnvironmentVariableA("KP6600SIM_FLASH_FILE", flash.c_str());
    ::SetEnvironmentVariableA("KP6600SIM_CAPACITY", "2097152");
    ::SetEnvironmentVariableA("KP6600SIM_ERASE_MS", "1000");
    ::SetEnvironmentVariableA("KP6600SIM_BLOCK_DELAY_MS", "4");
    ::SetEnvironmentVariableA("KP6600SIM_CALL_LOG", nullptr);

    const std::string one = "\"" + ExeDir() + "tessa.exe\" --quiet --log \"" + log + "\" download \"" + image
                            + "\" --capacity 16M";
    const std::string four = one + " --devices 0-3";
    std::vector<double> oneTimes, fourTimes;
    TimeProcess(one);  // warm caches and the wine server, and make the flash files
    TimeProcess(four);
    for (int run = 0; run < kRuns; ++run) {
        oneTimes.push_back(TimeProcess(one));
        fourTimes.push_back(TimeProcess(four));
    }
    for (const auto* times : { &oneTimes, &fourTimes })
        for (double t : *times)
            if (t < 0)
                return std::printf("a run failed\n"), 1;
    const double oneMedian = Median(oneTimes), fourMedian = Median(fourTimes);
    std::printf("1 MiB image, EraseMs=1000, BlockDelayMs=4, median of %d runs each, taking turns:\n", kRuns);
    std::printf("  one board                %7.1f ms\n", oneMedian * 1000);
    std::printf("  four boards at once      %7.1f ms\n", fourMedian * 1000);
    std::printf("gang ratio: %.3f (four boards against one; target at most 1.15)\n", fourMedian / oneMedian);
    ::DeleteFileA(image.c_str());
    ::DeleteFileA(log.c_str());
    ::DeleteFileA(flash.c_str());
    for (int board = 1; board < 4; ++board)
        ::DeleteFileA((dir + "gang_bench_flash-" + std::to_string(board) + ".bin").c_str());
    return 0;
}
