// The converter libraries under measurement, driven by convert_bench.sh:
//   make <kind> <path> ...        writes an input (see Make)
//   time <runs> <export> <args>   median seconds of one call, after a warm-up
//   peak <export> <args>          one call in this fresh process; its peak memory
//   foldback <wav> <f0> <f1> <s>  fold-back of a converted linear sweep, dB: over
//                                 the whole of it and in its worst 20 ms
//   twotone <wav> <low> <alias>   level of the alias tone and of everything else
//   levels <wav> <amplitude> <f>...  level of each tone, dB relative to amplitude
//   snr <wav> <decoded wav>       signal to noise ratio of a decoding, dB
//   apmsnr <wav> <apm file>       the same for APM data, decoded here
//   mdmsnr <wav> <mdm file>       the same for MDM data, decoded here
//   apmbound <wav>                the same for the best APM codes a far wider
//                                 search than the encoder's finds (see
//                                 ApmBestSequenceError)
//   apmplain <wav>                the same for the usual IMA encoder (the
//                                 nearest code each sample) from the device's
//                                 start, predictor 0 and step index 0
//   checkerboard <from> <to>      how far from flat a one-pixel checkerboard
//                                 of each size from..to pixels square comes
//                                 out shrunk to 128 x 128, before rounding:
//                                 the worst, in levels, and its size
//   stages <source> <format> <rate> <folder>
//                                 where one conversion's time goes: decode,
//                                 resample, encode, write (the library's parts
//                                 run one after another on the whole input)
// Audio exports take <source> <first by-product> <converted> <rate>; the picture
// export takes <source> <converted> <width> <height> (green background).
#include <windows.h>
#include <psapi.h>

#include "FilePaths.h"
#include "Mp3.h"
#include "RbfImage.h"
#include "Resample.h"
#include "SourceFile.h"
#include "SpeechCodec.h"
#include "SpeechDecoder.h"
#include "StagedFile.h"
#include "Wave.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef int(WINAPI* AudioFn)(const char*, const char*, const char*, int);
typedef int(WINAPI* PictureFn)(const char*, const char*, unsigned int, unsigned int, int, int,
                               const unsigned char*);

const double kPi = 3.14159265358979323846;

std::string ExeDir()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

// ---- Inputs ------------------------------------------------------------------

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Writes a PCM WAV file of `frames` frames; sample(i, channel) gives each value.
template <typename Sample>
bool WriteWav(const char* path, unsigned rate, unsigned channels, unsigned bits, uint64_t frames, Sample sample)
{
    std::vector<uint8_t> b;
    const uint32_t data = static_cast<uint32_t>(frames * channels * bits / 8);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put(b, 36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(b, 16, 4);
    Put(b, 1, 2);
    Put(b, channels, 2);
    Put(b, rate, 4);
    Put(b, rate * channels * bits / 8, 4);
    Put(b, channels * bits / 8, 2);
    Put(b, bits, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put(b, data, 4);
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = true;
    for (uint64_t i = 0; i < frames && ok; ++i) {
        for (unsigned c = 0; c < channels; ++c)
            Put(b, static_cast<uint32_t>(sample(i, c)), bits / 8);
        if (b.size() >= 65536 || i + 1 == frames) {
            ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
            b.clear();
        }
    }
    ok = ok && std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

bool WriteBytes(const char* path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

int Make(int argc, char** argv)
{
    const std::string kind = argv[2];
    const char* path = argv[3];
    if (kind == "sweep" && argc == 8) {  // rate seconds f0 f1: linear, -6 dBFS, mono
        const unsigned rate = std::atoi(argv[4]);
        const double seconds = std::atof(argv[5]), f0 = std::atof(argv[6]), f1 = std::atof(argv[7]);
        return WriteWav(path, rate, 1, 16, static_cast<uint64_t>(rate * seconds), [&](uint64_t i, unsigned) {
            const double t = static_cast<double>(i) / rate;
            return static_cast<int>(std::lround(16384 * std::sin(2 * kPi * (f0 * t + (f1 - f0) * t * t / (2 * seconds)))));
        }) ? 0 : 1;
    }
    if (kind == "logsweep" && argc == 8) {  // rate seconds f0 f1: logarithmic, -6 dBFS, mono
        const unsigned rate = std::atoi(argv[4]);
        const double seconds = std::atof(argv[5]), f0 = std::atof(argv[6]), f1 = std::atof(argv[7]);
        const double k = std::log(f1 / f0) / seconds;
        return WriteWav(path, rate, 1, 16, static_cast<uint64_t>(rate * seconds), [&](uint64_t i, unsigned) {
            const double t = static_cast<double>(i) / rate;
            return static_cast<int>(std::lround(16384 * std::sin(2 * kPi * f0 * (std::exp(k * t) - 1) / k)));
        }) ? 0 : 1;
    }
    if (kind == "tonepair" && argc == 9) {  // rate seconds amplitude f1 f2: mono
        const unsigned rate = std::atoi(argv[4]);
        const double seconds = std::atof(argv[5]), amplitude = std::atof(argv[6]);
        const double f1 = std::atof(argv[7]), f2 = std::atof(argv[8]);
        return WriteWav(path, rate, 1, 16, static_cast<uint64_t>(rate * seconds), [&](uint64_t i, unsigned) {
            const double t = static_cast<double>(i) / rate;
            return static_cast<int>(std::lround(amplitude * (std::sin(2 * kPi * f1 * t) + std::sin(2 * kPi * f2 * t))));
        }) ? 0 : 1;
    }
    if (kind == "tones" && argc == 8) {  // rate seconds f1 f2: equal levels, mono
        const unsigned rate = std::atoi(argv[4]);
        const double seconds = std::atof(argv[5]), f1 = std::atof(argv[6]), f2 = std::atof(argv[7]);
        return WriteWav(path, rate, 1, 16, static_cast<uint64_t>(rate * seconds), [&](uint64_t i, unsigned) {
            return static_cast<int>(std::lround(8192 * (std::sin(2 * kPi * f1 * static_cast<double>(i) / rate) + std::sin(2 * kPi * f2 * static_cast<double>(i) / rate))));
        }) ? 0 : 1;
    }
    if (kind == "speech" && argc == 7) {  // rate seconds channels: a gliding buzz and noise in syllables
        const unsigned rate = std::atoi(argv[4]), channels = std::atoi(argv[6]);
        const double seconds = std::atof(argv[5]);
        std::vector<double> period(4096);  // one period of 30 harmonics
        for (size_t k = 0; k < period.size(); ++k)
            for (int h = 1; h <= 30; ++h)
                period[k] += std::sin(2 * kPi * h * static_cast<double>(k) / static_cast<double>(period.size())) / h;
        double phase = 0;
        uint32_t seed = 1;
        int value = 0;
        return WriteWav(path, rate, channels, 16, static_cast<uint64_t>(rate * seconds), [&](uint64_t i, unsigned c) {
            if (c == 0) {
                const double t = static_cast<double>(i) / rate;
                const double envelope = 0.5 + 0.5 * std::sin(2 * kPi * 4 * t);
                seed = seed * 1103515245u + 12345u;
                const double noise = (static_cast<int>(seed >> 16) - 32768) / 32768.0;
                phase += (120 + 40 * std::sin(2 * kPi * 0.3 * t)) / rate;
                phase -= std::floor(phase);
                const double buzz = period[static_cast<size_t>(phase * static_cast<double>(period.size()))];
                value = std::max(-32768, std::min(32767, static_cast<int>(envelope * (6000 * buzz + 1500 * noise))));
            }
            return c ? value / 2 : value;
        }) ? 0 : 1;
    }
    if (kind == "tones" && argc > 8) {  // rate seconds f1 f2 f3 ...: amplitude 6000 each, mono
        const unsigned rate = std::atoi(argv[4]);
        const double seconds = std::atof(argv[5]);
        std::vector<double> freqs;
        for (int k = 6; k < argc; ++k)
            freqs.push_back(std::atof(argv[k]));
        return WriteWav(path, rate, 1, 16, static_cast<uint64_t>(rate * seconds), [&](uint64_t i, unsigned) {
            double v = 0;
            for (double f : freqs)
                v += 6000 * std::sin(2 * kPi * f * static_cast<double>(i) / rate);
            return static_cast<int>(std::lround(v));
        }) ? 0 : 1;
    }
    if (kind == "silence8" && argc == 6)  // rate frames: 8-bit mono
        return WriteWav(path, std::atoi(argv[4]), 1, 8, std::atoll(argv[5]), [](uint64_t, unsigned) { return 128; }) ? 0 : 1;
    if (kind == "bmpheader" && argc == 6) {  // width height: 24-bit BMP header and 768 bytes of pixels
        std::vector<uint8_t> b = {'B', 'M'};
        Put(b, 54 + 768, 4), Put(b, 0, 4), Put(b, 54, 4), Put(b, 40, 4);
        Put(b, std::atoi(argv[4]), 4), Put(b, std::atoi(argv[5]), 4);
        Put(b, 1, 2), Put(b, 24, 2), Put(b, 0, 4), Put(b, 768, 4), Put(b, 2835, 4), Put(b, 2835, 4), Put(b, 0, 4), Put(b, 0, 4);
        b.resize(b.size() + 768);
        return WriteBytes(path, b) ? 0 : 1;
    }
    if (kind == "jpegsize" && argc == 7) {  // source width height: the JPEG with its frame header's size replaced
        FILE* f = std::fopen(argv[4], "rb");
        if (!f)
            return 1;
        std::vector<uint8_t> b;
        int c;
        while ((c = std::fgetc(f)) != EOF)
            b.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
        for (size_t i = 2; i + 9 < b.size(); i += 2 + (b[i + 2] << 8 | b[i + 3])) {
            if (b[i + 1] >= 0xC0 && b[i + 1] <= 0xC2) {
                const int w = std::atoi(argv[5]), h = std::atoi(argv[6]);
                b[i + 5] = static_cast<uint8_t>(h >> 8), b[i + 6] = static_cast<uint8_t>(h);
                b[i + 7] = static_cast<uint8_t>(w >> 8), b[i + 8] = static_cast<uint8_t>(w);
                return WriteBytes(path, b) ? 0 : 1;
            }
        }
        return 1;
    }
    std::fprintf(stderr, "make: unknown kind or arguments\n");
    return 1;
}

// ---- Calls -------------------------------------------------------------------

// Calls the export named argv[0] with the arguments after it; returns its result.
int Call(HMODULE tuneMill, HMODULE picMill, char** argv)
{
    const std::string name = argv[0];
    if (name == "ConvertImageResourceToRBF") {
        static const unsigned char green[3] = {0, 255, 0};
        auto fn = reinterpret_cast<PictureFn>(GetProcAddress(picMill, name.c_str()));
        return fn ? fn(argv[1], argv[2], std::atoi(argv[3]), std::atoi(argv[4]), 2, 1, green) : -1;
    }
    auto fn = reinterpret_cast<AudioFn>(GetProcAddress(tuneMill, name.c_str()));
    return fn ? fn(argv[1], argv[2], argv[3], std::atoi(argv[4])) : -1;
}

double PeakMiB()
{
    PROCESS_MEMORY_COUNTERS counters;
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / 1048576.0;
}

double WorkingMiB()
{
    PROCESS_MEMORY_COUNTERS counters;
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / 1048576.0;
}

int Time(int runs, HMODULE tuneMill, HMODULE picMill, char** argv)
{
    std::vector<double> times;
    int result = 0;
    for (int run = 0; run <= runs; ++run) {  // the first run warms up
        if (run == 0 && runs > 0) {
            result = Call(tuneMill, picMill, argv);
            continue;
        }
        const auto start = std::chrono::steady_clock::now();
        result = Call(tuneMill, picMill, argv);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("seconds %.6f result %d\n", times[times.size() / 2], result);
    return 0;
}

int Peak(HMODULE tuneMill, HMODULE picMill, char** argv)
{
    const double before = WorkingMiB();
    const auto start = std::chrono::steady_clock::now();
    const int result = Call(tuneMill, picMill, argv);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("peak_mib %.1f before_mib %.1f seconds %.3f result %d\n", PeakMiB(), before, seconds, result);
    return 0;
}

// ---- Analysis ----------------------------------------------------------------

bool ReadWav16(const char* path, unsigned& rate, std::vector<double>& samples)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::vector<uint8_t> b;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        b.insert(b.end(), chunk, chunk + got);
    std::fclose(f);
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0)
        return false;
    size_t pos = 12;
    unsigned channels = 0, bits = 0;
    while (pos + 8 <= b.size()) {
        const uint32_t size = b[pos + 4] | (b[pos + 5] << 8) | (b[pos + 6] << 16) | (static_cast<uint32_t>(b[pos + 7]) << 24);
        if (std::memcmp(&b[pos], "fmt ", 4) == 0) {
            channels = b[pos + 10] | (b[pos + 11] << 8);
            rate = b[pos + 12] | (b[pos + 13] << 8) | (b[pos + 14] << 16) | (static_cast<uint32_t>(b[pos + 15]) << 24);
            bits = b[pos + 22] | (b[pos + 23] << 8);
        } else if (std::memcmp(&b[pos], "data", 4) == 0) {
            if (channels != 1 || bits != 16)
                return false;
            const size_t end = std::min(b.size(), pos + 8 + size);
            for (size_t i = pos + 8; i + 1 < end; i += 2)
                samples.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)));
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

double Rms(const std::vector<double>& v, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += v[i] * v[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

// The linear sweep from f0 to f1 in `seconds`: the passband is where it stays
// below 0.4 x rate, the fold-back where it is above the new Nyquist frequency
// (plus 50 Hz); fold-back = RMS there relative to RMS in the passband.
int Foldback(char** argv)
{
    unsigned rate = 0;
    std::vector<double> y;
    if (!ReadWav16(argv[2], rate, y))
        return 1;
    const double f0 = std::atof(argv[3]), f1 = std::atof(argv[4]), seconds = std::atof(argv[5]);
    auto index = [&](double f) { return static_cast<size_t>((f - f0) / (f1 - f0) * seconds * rate); };
    const size_t passFrom = index(200), passTo = index(0.4 * rate);
    const size_t foldFrom = index(0.5 * rate + 50), foldTo = std::min(y.size(), index(f1) - rate / 100);
    const double pass = Rms(y, passFrom, passTo), fold = Rms(y, foldFrom, foldTo);
    // The loudest 20 ms of the fold-back, in steps of 10 ms.
    const size_t window = rate / 50;
    double worst = 0;
    for (size_t at = foldFrom; at + window <= foldTo; at += window / 2)
        worst = std::max(worst, Rms(y, at, at + window));
    std::printf("foldback_db %.1f worst20ms_db %.1f\n", 20 * std::log10(std::max(fold, 1e-9) / pass),
                20 * std::log10(std::max(worst, 1e-9) / pass));
    return 0;
}

// Least-squares amplitude of the tones at the given frequencies over the middle
// half; then the alias level relative to the low tone, and the RMS of what is
// left after both (spurs and noise) relative to the low tone's RMS.
int TwoTone(char** argv)
{
    unsigned rate = 0;
    std::vector<double> y;
    if (!ReadWav16(argv[2], rate, y))
        return 1;
    const double freqs[2] = {std::atof(argv[3]), std::atof(argv[4])};
    const size_t from = y.size() / 4, to = y.size() * 3 / 4;
    double amplitude[2];
    std::vector<double> rest(y);
    for (int k = 0; k < 2; ++k) {
        const double w = 2 * kPi * freqs[k] / rate;
        double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
        for (size_t n = from; n < to; ++n) {
            const double c = std::cos(w * static_cast<double>(n)), s = std::sin(w * static_cast<double>(n));
            cc += c * c, ss += s * s, cs += c * s, yc += rest[n] * c, ys += rest[n] * s;
        }
        const double det = cc * ss - cs * cs;
        const double a = (yc * ss - ys * cs) / det, b = (ys * cc - yc * cs) / det;
        amplitude[k] = std::sqrt(a * a + b * b);
        for (size_t n = from; n < to; ++n)
            rest[n] -= a * std::cos(w * static_cast<double>(n)) + b * std::sin(w * static_cast<double>(n));
    }
    std::printf("alias_db %.1f spurs_db %.1f\n", 20 * std::log10(std::max(amplitude[1], 1e-9) / amplitude[0]),
                20 * std::log10(std::max(Rms(rest, from, to), 1e-9) / (amplitude[0] / std::sqrt(2.0))));
    return 0;
}

// ---- Stages ------------------------------------------------------------------

// One conversion as the library streams it (pieces of the decoded input mixed,
// resampled, encoded and written as they come), with a clock for each part.
class StageClock : public tunemill::PcmSink, private tunemill::ResampledSink {
public:
    using Clock = std::chrono::steady_clock;
    StageClock(bool apm, unsigned rate) : apm_(apm), rate_(rate) {}

    bool Open(const std::string& folder)
    {
        const char* names[3] = {"\\stage.out", "\\stage.wav", "\\stage.out.description"};
        for (int i = 0; i < 3; ++i) {
            std::wstring path;
            if (!millfiles::PathFromAnsi((folder + names[i]).c_str(), path) || !files_[i].Create(path))
                return false;
        }
        return true;
    }
    bool Begin(unsigned sampleRate, unsigned channels) override
    {
        channels_ = channels;
        resampler_.reset(new tunemill::Resampler(sampleRate, rate_));
        return true;
    }
    bool Take(const int16_t* interleaved, size_t frames) override
    {
        const Clock::time_point start = Clock::now();
        mono_.resize(frames);
        tunemill::MixToMono(interleaved, frames, channels_, mono_.data());
        const bool ok = resampler_->Push(mono_.data(), frames, *this);
        inside_ += Since(start);
        return ok;
    }
    bool Finish()
    {
        const Clock::time_point start = Clock::now();
        bool ok = resampler_->Finish(*this);
        bytes_.clear();
        apmEncoder_.Finish(bytes_);
        ok = ok && files_[0].Write(bytes_.data(), bytes_.size());
        ok = ok && files_[0].Commit() && files_[1].Commit() && files_[2].Commit();
        inside_ += Since(start);
        write_ += Since(start);
        return ok;
    }
    // Milliseconds: all the time spent past decoding, then each part of it.
    double inside_ = 0, encode_ = 0, write_ = 0;

private:
    static double Since(const Clock::time_point& start)
    {
        return std::chrono::duration<double>(Clock::now() - start).count() * 1000.0;
    }
    bool TakeResampled(const int16_t* samples, size_t count) override
    {
        Clock::time_point start = Clock::now();
        bytes_.clear();
        if (apm_) {
            apmEncoder_.Encode(samples, count, bytes_);
        } else {
            bytes_.resize(count);
            tunemill::EncodeMdm(samples, count, bytes_.data());
            text_.resize((count + 15) / 16 * tunemill::kMdmLineChars);
            text_.resize(tunemill::FormatMdmLines(bytes_.data(), count, &text_[0]));
        }
        encode_ += Since(start);
        start = Clock::now();
        wave_.resize(2 * count);
        std::memcpy(wave_.data(), samples, 2 * count);
        const bool ok = files_[0].Write(bytes_.data(), bytes_.size()) && files_[1].Write(wave_.data(), wave_.size()) &&
                        (apm_ ? files_[2].Write(bytes_.data(), bytes_.size()) : files_[2].Write(text_.data(), text_.size()));
        write_ += Since(start);
        return ok;
    }

    bool apm_;
    unsigned rate_, channels_ = 0;
    std::unique_ptr<tunemill::Resampler> resampler_;
    tunemill::ApmEncoder apmEncoder_;
    std::vector<int16_t> mono_;
    std::vector<uint8_t> bytes_, wave_;
    std::string text_;
    millfiles::StagedFile files_[3];
};

// Where one conversion's time goes: decoding (a WAV read and widened, or an
// MP3 through the codec), mixing and resampling, encoding (with the MDM C
// text), writing the three outputs. Medians of 7 rounds after a warm-up.
int Stages(char** argv)
{
    using Clock = std::chrono::steady_clock;
    const std::string source = argv[2], folder = argv[5];
    const bool apm = std::string(argv[3]) == "apm", mp3 = source.find(".mp3") != std::string::npos;
    const unsigned rate = static_cast<unsigned>(std::atoi(argv[4]));
    std::vector<double> times[4];
    for (int run = 0; run <= 7; ++run) {
        std::wstring path;
        tunemill::SourceFile file;
        StageClock stages(apm, rate);
        if (!millfiles::PathFromAnsi(source.c_str(), path) || !file.Open(path) || !stages.Open(folder))
            return 1;
        const Clock::time_point start = Clock::now();
        bool ok;
        if (mp3) {
            uint64_t offset = 0;
            tunemill::Mp3Frame first;
            ok = tunemill::FindFirstMp3Frame(file, offset, first) && tunemill::DecodeMp3(file, offset, first, stages);
        } else {
            tunemill::WavLayout layout;
            ok = tunemill::LocateWavData(file, layout) && tunemill::StreamWav(file, layout, stages);
        }
        if (!ok || !stages.Finish())
            return 1;
        const double total = std::chrono::duration<double>(Clock::now() - start).count() * 1000.0;
        if (run > 0) {
            times[0].push_back(total - stages.inside_);
            times[1].push_back(stages.inside_ - stages.encode_ - stages.write_);
            times[2].push_back(stages.encode_);
            times[3].push_back(stages.write_);
        }
    }
    double median[4];
    for (int i = 0; i < 4; ++i) {
        std::sort(times[i].begin(), times[i].end());
        median[i] = times[i][times[i].size() / 2];
    }
    std::printf("decode_ms %.1f resample_ms %.1f encode_ms %.1f write_ms %.1f\n", median[0], median[1], median[2],
                median[3]);
    return 0;
}

// Least-squares fit of each tone in turn over the middle half (taken out of
// what is left before the next); its level relative to `amplitude`.
int Levels(int argc, char** argv)
{
    unsigned rate = 0;
    std::vector<double> y;
    if (!ReadWav16(argv[2], rate, y))
        return 1;
    const double amplitude = std::atof(argv[3]);
    const size_t from = y.size() / 4, to = y.size() * 3 / 4;
    std::printf("level_db");
    for (int k = 4; k < argc; ++k) {
        const double w = 2 * kPi * std::atof(argv[k]) / rate;
        double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
        for (size_t n = from; n < to; ++n) {
            const double c = std::cos(w * static_cast<double>(n)), s = std::sin(w * static_cast<double>(n));
            cc += c * c, ss += s * s, cs += c * s, yc += y[n] * c, ys += y[n] * s;
        }
        const double det = cc * ss - cs * cs;
        const double a = (yc * ss - ys * cs) / det, b = (ys * cc - yc * cs) / det;
        for (size_t n = from; n < to; ++n)
            y[n] -= a * std::cos(w * static_cast<double>(n)) + b * std::sin(w * static_cast<double>(n));
        std::printf(" %.3f", 20 * std::log10(std::sqrt(a * a + b * b) / amplitude));
    }
    std::printf("\n");
    return 0;
}

double SnrDb(const std::vector<double>& signal, const std::vector<double>& decoded)
{
    double s = 0, e = 0;
    const size_t n = std::min(signal.size(), decoded.size());
    for (size_t i = 0; i < n; ++i) {
        s += signal[i] * signal[i];
        e += (signal[i] - decoded[i]) * (signal[i] - decoded[i]);
    }
    return 10 * std::log10(s / std::max(e, 1e-9));
}

bool ReadAllBytes(const char* path, std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(f);
    return true;
}

// The device's decoders: APM from predictor 0 and step index 0, MDM as
// the midpoints of the mu-law steps.
std::vector<double> DecodeApm(const std::vector<uint8_t>& data, size_t samples)
{
    const std::vector<int16_t> pcm = media::DecodeSpeech(media::SpeechFormat::apm, data);
    return std::vector<double>(pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(std::min(samples, pcm.size())));
}

std::vector<double> DecodeMdm(const std::vector<uint8_t>& data)
{
    const std::vector<int16_t> pcm = media::DecodeSpeech(media::SpeechFormat::mdm, data);
    return std::vector<double>(pcm.begin(), pcm.end());
}

// The least squared error of the APM code sequences that a wide search finds
// for these samples: every code toward the sample tried from every state, and
// per sample the 8 cheapest distinct predictors kept for each of 16 step
// indices placed around the best state (128 states, against the encoder's 8).
// Wider searches gain less than 0.1 dB more on the bench's inputs: this is
// about as close as any code sequence comes, a bound for the encoder that is
// far too slow to be one.
double ApmBestSequenceError(const std::vector<double>& x)
{
    const int16_t* const steps = tunemill::kImaStepSizes;
    const int kIndices = 16, kKept = 8, kBelow = 6;
    struct State {
        int predictor;
        double cost;
    };
    // Per step index of the band, up to kKept states; count in `used`.
    std::vector<State> now(89 * kKept), next(89 * kKept);
    std::vector<int> used(89, 0), nextUsed(89, 0);
    now[0] = {0, 0};
    used[0] = 1;
    for (const double value : x) {
        const int sample = static_cast<int>(value);
        int bestIndex = 0, bestPredictor = 0;
        double best = 1e300;
        for (int i = 0; i < 89; ++i)
            for (int k = 0; k < used[i]; ++k)
                if (now[i * kKept + k].cost < best) {
                    best = now[i * kKept + k].cost;
                    bestIndex = i;
                    bestPredictor = now[i * kKept + k].predictor;
                }
        const int nearest = std::min(7, std::abs(sample - bestPredictor) * 4 / steps[bestIndex]);
        const int reached = bestIndex + (nearest < 4 ? -1 : 2 * (nearest - 3));
        const int low = std::max(0, std::min(89 - kIndices, reached - kBelow));
        std::fill(nextUsed.begin(), nextUsed.end(), 0);
        for (int i = 0; i < 89; ++i)
            for (int k = 0; k < used[i]; ++k) {
                const State& s = now[i * kKept + k];
                const int step = steps[i];
                const bool down = s.predictor > sample;
                for (int magnitude = 0; magnitude < 8; ++magnitude) {
                    const int to = std::max(0, std::min(88, i + (magnitude < 4 ? -1 : 2 * (magnitude - 3))));
                    if (to < low || to >= low + kIndices)
                        continue;
                    const int difference = (step >> 3) + ((magnitude & 4) ? step : 0) + ((magnitude & 2) ? step >> 1 : 0) +
                                           ((magnitude & 1) ? step >> 2 : 0);
                    const int predictor = std::max(-32768, std::min(32767, s.predictor + (down ? -difference : difference)));
                    const double e = sample - predictor, cost = s.cost + e * e;
                    State* slots = &next[to * kKept];
                    int& n = nextUsed[to];
                    int same = -1, worst = 0;
                    for (int j = 0; j < n; ++j) {
                        if (slots[j].predictor == predictor)
                            same = j;
                        if (slots[j].cost > slots[worst].cost)
                            worst = j;
                    }
                    if (same >= 0) {
                        if (cost < slots[same].cost)
                            slots[same].cost = cost;
                    } else if (n < kKept) {
                        slots[n++] = {predictor, cost};
                    } else if (cost < slots[worst].cost) {
                        slots[worst] = {predictor, cost};
                    }
                }
            }
        now.swap(next);
        used.swap(nextUsed);
    }
    double best = 1e300;
    for (int i = 0; i < 89; ++i)
        for (int k = 0; k < used[i]; ++k)
            best = std::min(best, now[i * kKept + k].cost);
    return best;
}

// apmbound <wav>: the signal to noise ratio of that best sequence found.
int ApmBound(char** argv)
{
    unsigned rate = 0;
    std::vector<double> signal;
    if (!ReadWav16(argv[2], rate, signal))
        return 1;
    double s = 0;
    for (const double v : signal)
        s += v * v;
    std::printf("snr_db %.2f\n", 10 * std::log10(s / std::max(ApmBestSequenceError(signal), 1e-9)));
    return 0;
}

// apmplain <wav>: the usual encoder's codes from the device's start, decoded
// by the device's decoder.
int ApmPlain(char** argv)
{
    unsigned rate = 0;
    std::vector<double> signal;
    if (!ReadWav16(argv[2], rate, signal))
        return 1;
    tunemill::ImaState state;
    std::vector<uint8_t> apm((signal.size() + 1) / 2);
    for (size_t i = 0; i < signal.size(); ++i) {
        const uint8_t code = tunemill::ImaEncode(state, static_cast<int16_t>(signal[i]));
        apm[i / 2] = static_cast<uint8_t>((i & 1) ? apm[i / 2] | (code << 4) : code);
    }
    std::printf("snr_db %.2f\n", SnrDb(signal, DecodeApm(apm, signal.size())));
    return 0;
}

// checkerboard <from> <to>: a one-pixel checkerboard is 127.5 - 127.5 x a x b
// before rounding, a and b being the differences between the weights of the
// even and the odd inputs of its column and its row (AxisTaps); its range over
// the 128 x 128 pixels, the worst of the sizes.
int Checkerboard(char** argv)
{
    const unsigned from = static_cast<unsigned>(std::atoi(argv[2])), to = static_cast<unsigned>(std::atoi(argv[3]));
    double worst = 0, worstSum = 0;
    unsigned worstSize = from;
    for (unsigned size = from; size <= to; ++size) {
        double low = 0, high = 0;
        for (const std::vector<picmill::Tap>& output : picmill::AxisTaps(size, 128)) {
            double sum = 0, difference = 0;
            for (const picmill::Tap& tap : output) {
                sum += tap.weight;
                difference += (tap.index & 1) ? -tap.weight : tap.weight;
            }
            worstSum = std::max(worstSum, std::fabs(sum - 1));
            low = std::min(low, difference);
            high = std::max(high, difference);
        }
        const double products[] = {low * low, low * high, high * high};
        const double range = 127.5 * (*std::max_element(products, products + 3) - *std::min_element(products, products + 3));
        if (range > worst || size == from) {
            worst = range;
            worstSize = size;
        }
    }
    std::printf("worst_levels %.1e size %u weight_sum_error %.1e\n", worst, worstSize, worstSum);
    return 0;
}

int Snr(const std::string& mode, char** argv)
{
    unsigned rate = 0;
    std::vector<double> signal, decoded;
    if (!ReadWav16(argv[2], rate, signal))
        return 1;
    if (mode == "snr") {
        if (!ReadWav16(argv[3], rate, decoded))
            return 1;
    } else {
        std::vector<uint8_t> data;
        if (!ReadAllBytes(argv[3], data))
            return 1;
        decoded = mode == "apmsnr" ? DecodeApm(data, signal.size()) : DecodeMdm(data);
    }
    std::printf("snr_db %.2f\n", SnrDb(signal, decoded));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc > 3)
        return Make(argc, argv);
    if (mode == "foldback" && argc == 6)
        return Foldback(argv);
    if (mode == "twotone" && argc == 5)
        return TwoTone(argv);
    if (mode == "stages" && argc == 6)
        return Stages(argv);
    if (mode == "levels" && argc > 4)
        return Levels(argc, argv);
    if ((mode == "snr" || mode == "apmsnr" || mode == "mdmsnr") && argc == 4)
        return Snr(mode, argv);
    if (mode == "apmbound" && argc == 3)
        return ApmBound(argv);
    if (mode == "apmplain" && argc == 3)
        return ApmPlain(argv);
    if (mode == "checkerboard" && argc == 4)
        return Checkerboard(argv);
    HMODULE tuneMill = LoadLibraryA((ExeDir() + "TuneMill.dll").c_str());
    HMODULE picMill = LoadLibraryA((ExeDir() + "PicMill.dll").c_str());
    if (!tuneMill || !picMill) {
        std::fprintf(stderr, "TuneMill.dll and PicMill.dll must be beside the benchmark\n");
        return 1;
    }
    if (mode == "time" && argc >= 6)
        return Time(std::atoi(argv[2]), tuneMill, picMill, argv + 3);
    if (mode == "peak" && argc >= 5)
        return Peak(tuneMill, picMill, argv + 2);
    std::fprintf(stderr, "usage: see the top of convert_bench.cpp\n");
    return 1;
}
