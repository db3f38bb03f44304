// The builder's flash map against a Save of the same set: 30 clips of 10 s
// (WAV) and 20 pictures. Times one Save (the builder's chain into a file),
// then the map's refresh after one clip changed and after the rate changed,
// through the map builder the panel's worker runs. Prints stable lines:
//   save: <ms> ms
//   map after one clip: <ms> ms, ratio <refresh / save>
//   map after the rate: <ms> ms, ratio <refresh / save>
// Each time is the median of several rounds; the first, cold map (every
// file converted) is printed for scale.
#include "BuildChain.h"
#include "FlashMapBuilder.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const int kClips = 30, kPictures = 20, kRounds = 5;

std::string ExeDir()
{
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string Le(uint32_t value, int bytes)
{
    std::string text;
    for (int i = 0; i < bytes; ++i)
        text += static_cast<char>((value >> (8 * i)) & 0xFF);
    return text;
}

// seconds of a tone, 16-bit mono at 22050 Hz; the pitch tells the clips apart.
std::string ToneWav(double seconds, double pitch)
{
    const uint32_t rate = 22050, samples = static_cast<uint32_t>(rate * seconds);
    std::string data;
    data.reserve(samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        data += Le(static_cast<uint16_t>(static_cast<int16_t>(9000 * std::sin(i * 2 * 3.14159265 * pitch / rate))), 2);
    return "RIFF" + Le(36 + samples * 2, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) + Le(rate, 4)
        + Le(rate * 2, 4) + Le(2, 2) + Le(16, 2) + "data" + Le(samples * 2, 4) + data;
}

// A 320 x 240 24-bit picture of bands.
std::string Bands(int seed)
{
    const int width = 320, height = 240, row = width * 3;
    std::string pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels += std::string{ static_cast<char>(x + seed), static_cast<char>(y * 2), static_cast<char>(seed * 40) };
    return "BM" + Le(54 + row * height, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4)
        + Le(1, 2) + Le(24, 2) + Le(0, 4) + Le(row * height, 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4)
        + pixels;
}

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double Milliseconds(F run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

class NoReport : public BuildReport {};

}  // namespace

int main()
{
    HMODULE tuneMill = ::LoadLibraryA((ExeDir() + "TuneMill.dll").c_str());
    HMODULE picMill = ::LoadLibraryA((ExeDir() + "PicMill.dll").c_str());
    if (!tuneMill || !picMill) {
        std::fprintf(stderr, "map_bench: the converters are not beside the benchmark\n");
        return 1;
    }
    const MediaConverters converters(tuneMill, picMill);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "map-bench-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(dir.c_str(), nullptr);

    FlashMapRequest request;
    request.capacityBytes = 0x800000;  // 64M
    for (int k = 0; k < kClips; ++k) {
        request.build.audioFiles.push_back(dir + "clip" + std::to_string(k) + ".wav");
        Write(request.build.audioFiles.back(), ToneWav(10, 300 + 10 * k));
    }
    for (int k = 0; k < kPictures; ++k) {
        request.build.imageFiles.push_back(dir + "picture" + std::to_string(k) + ".bmp");
        Write(request.build.imageFiles.back(), Bands(k));
    }
    request.build.imageStartAfterAudio = true;

    // One Save: the whole chain into a file, as the builder's Save runs it.
    BuildRequest save = request.build;
    save.outputPath = std::wstring(dir.begin(), dir.end()) + L"packed.bin";
    std::vector<double> saves;
    NoReport report;
    for (int round = 0; round < 3; ++round) {
        saves.push_back(Milliseconds([&] {
            if (!BuildPackedImage(save, converters, report))
                std::fprintf(stderr, "map_bench: the save failed\n");
        }));
    }
    const double saveMs = Median(saves);

    FlashMapBuilder builder(converters);
    FlashMap map;
    const double coldMs = Milliseconds([&] { builder.Build(request, nullptr, nullptr, &map); });
    if (FlashMapWarns(map))
        std::fprintf(stderr, "map_bench: %s\n", FlashMapFigures(map).c_str());

    // One clip changes (rewritten, a little longer), then the map again.
    std::vector<double> oneClip;
    for (int round = 0; round < kRounds; ++round) {
        Write(request.build.audioFiles[round], ToneWav(10 + 0.1 * (round + 1), 300 + 10 * round));
        const uint64_t before = builder.Conversions();
        oneClip.push_back(Milliseconds([&] { builder.Build(request, nullptr, nullptr, &map); }));
        if (builder.Conversions() != before + 1)
            std::fprintf(stderr, "map_bench: %llu conversions for one change\n",
                         static_cast<unsigned long long>(builder.Conversions() - before));
    }
    // The rate changes: every clip again.
    std::vector<double> rate;
    for (int round = 0; round < 3; ++round) {
        request.build.sampleRate = 8000 + 1000 * (round + 1);
        rate.push_back(Milliseconds([&] { builder.Build(request, nullptr, nullptr, &map); }));
    }

    const double oneMs = Median(oneClip), rateMs = Median(rate);
    std::printf("set: %d clips of 10 s (WAV, 22050 Hz), %d pictures (320 x 240 BMP)\n", kClips, kPictures);
    std::printf("save: %.1f ms\n", saveMs);
    std::printf("map cold (every file converted): %.1f ms\n", coldMs);
    std::printf("map after one clip: %.1f ms, ratio %.3f\n", oneMs, oneMs / saveMs);
    std::printf("map after the rate: %.1f ms, ratio %.3f\n", rateMs, rateMs / saveMs);
    std::printf("figures: %s\n", FlashMapFigures(map).c_str());

    for (const std::string& path : request.build.audioFiles)
        ::DeleteFileA(path.c_str());
    for (const std::string& path : request.build.imageFiles)
        ::DeleteFileA(path.c_str());
    ::DeleteFileW(save.outputPath.c_str());
    ::RemoveDirectoryA(dir.c_str());
    ::FreeLibrary(picMill);
    ::FreeLibrary(tuneMill);
    return oneMs < 300 && oneMs < saveMs ? 0 : 1;
}
