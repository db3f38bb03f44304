#include "Packer.h"
#include "BuilderParams.h"
#include "CFile.h"
#include "StagedFile.h"
#include "StringConv.h"
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint8_t kFormatApm = 0;
constexpr uint8_t kFormatMdm = 2;

enum class CopyResult { done, inputShort, outputFailed };

bool IsMdm(const std::string& speechFormat)
{
    static const char kMdm[] = "MDM";
    if (speechFormat.size() != 3)
        return false;
    for (size_t i = 0; i < 3; ++i) {
        char c = speechFormat[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kMdm[i])
            return false;
    }
    return true;
}

void PickPrescaler(uint32_t clock, uint32_t rate, uint8_t* prescaler, uint32_t* divider)
{
    uint32_t slowBelow, mediumBelow;  // rates below these take codes 2 and 1
    if (clock < 4000000) {
        slowBelow = 0;  // code 2 is never used below 4 MHz
        mediumBelow = 7900;
    } else if (clock < 7000000) {
        slowBelow = 6900;
        mediumBelow = 13700;
    } else {
        slowBelow = 8900;
        mediumBelow = 17700;
    }
    if (rate < slowBelow) {
        *prescaler = 2;
        *divider = 8;
    } else if (rate < mediumBelow) {
        *prescaler = 1;
        *divider = 4;
    } else {
        *prescaler = 0;
        *divider = 2;
    }
}

// clock / (divider * rate) rounded half up: the timer count + 1. Computed
// wide, so no rate makes the divisor wrap to 0; a rate of 0 gives 0.
uint64_t TimerPeriods(uint32_t clock, uint32_t rate)
{
    uint8_t prescaler;
    uint32_t divider;
    PickPrescaler(clock, rate, &prescaler, &divider);
    const uint64_t d = static_cast<uint64_t>(divider) * rate;
    if (d == 0)
        return 0;
    const uint64_t q = clock / d;
    return clock % d < d / 2 ? q : q + 1;
}

// The banked address of a clip beginning at this flash address.
uint32_t ClipAddress(uint64_t flashAddress)
{
    const uint64_t device = flashAddress + kDeviceAddressOffset;
    return device >= kFlashAddressSpace ? 0xFFFFFFFF : BankAddress(static_cast<uint32_t>(device));
}

void FillAudioRecord(uint8_t* record, uint8_t control, uint8_t timerCount, uint32_t banked)
{
    record[0] = control;
    record[1] = timerCount;
    record[2] = static_cast<uint8_t>(banked);
    record[3] = static_cast<uint8_t>(banked >> 8);
    record[4] = static_cast<uint8_t>(banked >> 16);
    record[5] = 0x88;
    record[6] = 0x01;
    record[7] = 0xFF;
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}

// The inputs' paths are in the ANSI code page.
bool NamesOutput(const std::vector<std::string>& inputs, const std::wstring& fullOutput)
{
    for (const std::string& input : inputs) {
        if (::lstrcmpiW(FullPath(WideFromAnsi(input)).c_str(), fullOutput.c_str()) == 0)
            return true;
    }
    return false;
}

// Copies the first size bytes of input to output through the buffer.
CopyResult CopyWhole(CFile& input, uint64_t size, StagedFile& output, uint8_t* buffer)
{
    while (size > 0) {
        const UINT chunk = size > kPackCopyBufferSize ? kPackCopyBufferSize : static_cast<UINT>(size);
        if (input.Read(buffer, chunk) != chunk)
            return CopyResult::inputShort;
        if (!output.Write(buffer, chunk))
            return CopyResult::outputFailed;
        size -= chunk;
    }
    return CopyResult::done;
}

bool WriteFill(StagedFile& output, uint64_t count, uint8_t* buffer)
{
    memset(buffer, 0xFF, kPackCopyBufferSize);
    while (count > 0) {
        const UINT chunk = count > kPackCopyBufferSize ? kPackCopyBufferSize : static_cast<UINT>(count);
        if (!output.Write(buffer, chunk))
            return false;
        count -= chunk;
    }
    return true;
}

// The summed sizes of the files that can be looked at; others count 0.
uint64_t SizeOfFiles(const std::vector<std::string>& paths)
{
    uint64_t total = 0;
    for (const std::string& path : paths) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            total += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return total;
}

bool WriteCount(StagedFile& output, size_t count)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
    return output.Write(bytes, 2) != 0;
}

}  // namespace

uint32_t BankAddress(uint32_t deviceAddress)
{
    if (deviceAddress >= 0x800000)
        return 0xFFFFFFFF;
    const uint32_t bank = deviceAddress >> 15;
    const uint32_t offset = deviceAddress & 0x7FFF;
    return bank == 0 ? offset : (bank << 16) | 0x8000 | offset;
}

int TimerSettings(uint32_t clock, uint32_t rate, uint8_t* prescaler, uint8_t* timerCount)
{
    uint32_t divider;
    PickPrescaler(clock, rate, prescaler, &divider);
    // Periods 0 (rate 0, or a rate above twice what the clock gives) wrap
    // to 0xFF like any count above 255.
    *timerCount = static_cast<uint8_t>(TimerPeriods(clock, rate) - 1);
    return 1;
}

uint64_t SectorBoundaryAtOrAfter(uint64_t flashAddress)
{
    return (flashAddress + kFlashSectorSize - 1) / kFlashSectorSize * kFlashSectorSize;
}

int PackImage(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
              const std::string& outputPath, const PackParams& params)
{
    return PackImage(audioFiles, imageFiles, WideFromAnsi(outputPath), params, nullptr, OldOutput::removeOnFailure);
}

int PackImage(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
              const std::wstring& outputPath, const PackParams& params, PackResult* result, OldOutput old)
{
    PackResult local;
    PackResult& r = result ? *result : local;
    r = PackResult();
    const wchar_t* output = outputPath.c_str();
    // Creating the output would destroy an input of the same name.
    const std::wstring fullOutput = FullPath(outputPath);
    if (NamesOutput(audioFiles, fullOutput) || NamesOutput(imageFiles, fullOutput)) {
        r.failure = PackFailure::outputIsInput;
        return 0;
    }

    const size_t n = audioFiles.size();
    const size_t m = imageFiles.size();
    // The counts are 16-bit fields, and audio records need a sample rate.
    if (n > static_cast<size_t>(kMaxListEntries) || m > static_cast<size_t>(kMaxListEntries)
        || (n > 0 && params.sampleRate == 0)) {
        r.failure = n > 0 && params.sampleRate == 0 ? PackFailure::sampleRateZero : PackFailure::tooManyFiles;
        if (old == OldOutput::removeOnFailure)
            CFile::Remove(output);
        return 0;
    }

    // Written under a temporary name and put in place only when whole.
    StagedFile file;
    if (!file.Create(outputPath)) {
        r.failure = PackFailure::outputNotWritten;
        r.systemError = ::GetLastError();
        if (old == OldOutput::removeOnFailure)
            CFile::Remove(output);
        return 0;
    }
    auto fail = [&file, output, &r, old](PackFailure failure) {
        if (failure == PackFailure::outputNotWritten)
            r.systemError = ::GetLastError();
        r.failure = failure;
        file.Discard();
        if (old == OldOutput::removeOnFailure)
            CFile::Remove(output);
        return 0;
    };

    // The header goes out first as a placeholder and again once every
    // clip's place is known, so each input is read only once.
    const size_t headerSize = 2 + kAudioRecordSize * n;
    std::unique_ptr<uint8_t[]> header(new (std::nothrow) uint8_t[headerSize]());
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPackCopyBufferSize]);
    if (!header || !buffer)
        return fail(PackFailure::noMemory);
    header[0] = static_cast<uint8_t>(n);
    header[1] = static_cast<uint8_t>(n >> 8);
    if (!file.Write(header.get(), static_cast<UINT>(headerSize)))
        return fail(PackFailure::outputNotWritten);

    uint8_t prescaler, timerCount;
    TimerSettings(params.systemClock, params.sampleRate, &prescaler, &timerCount);
    const uint8_t format = IsMdm(params.speechFormat) ? kFormatMdm : kFormatApm;
    const uint8_t control = static_cast<uint8_t>((prescaler << 6) + (format << 3));

    // The first input that could not be read; the others are still copied.
    auto inputFailed = [&r](const std::string& path) {
        if (r.file.empty())
            r.file = path;
    };
    // Flash address of the next byte to be written; wide, so that no start
    // address or file size can wrap it.
    uint64_t cur = static_cast<uint64_t>(params.audioStart) + headerSize;
    for (size_t k = 0; k < n; ++k) {
        CFile input;
        if (!input.Open(audioFiles[k].c_str(), CFile::modeRead | CFile::shareExclusive)) {
            inputFailed(audioFiles[k]);
            continue;
        }
        const uint64_t size = input.GetLength();
        FillAudioRecord(&header[2 + kAudioRecordSize * k], control, timerCount, ClipAddress(cur));
        const CopyResult copied = CopyWhole(input, size, file, buffer.get());
        if (copied == CopyResult::outputFailed)
            return fail(PackFailure::outputNotWritten);
        if (copied == CopyResult::inputShort)
            inputFailed(audioFiles[k]);
        cur += size;
    }
    r.audioEnd = cur;
    if (n > 0) {
        if (!file.Seek(0) || !file.Write(header.get(), static_cast<UINT>(headerSize))
            || !file.Seek(static_cast<int64_t>(cur - params.audioStart)))
            return fail(PackFailure::outputNotWritten);
    }

    uint64_t end = cur;  // flash address one past the last byte written
    if (m > 0) {
        const uint64_t imageStart = params.imageStartAfterAudio ? SectorBoundaryAtOrAfter(cur) : params.imageStart;
        r.imageStart = imageStart;
        if (cur > imageStart)
            return fail(PackFailure::audioPastImages);  // the audio section runs into the image section
        // Known to end past the address space: refused before any fill is written.
        const uint64_t imagesEnd = imageStart + 2 + SizeOfFiles(imageFiles);
        if (imagesEnd > kFlashAddressSpace) {
            r.end = imagesEnd;
            return fail(PackFailure::pastAddressSpace);
        }
        if (!WriteFill(file, imageStart - cur, buffer.get()) || !WriteCount(file, m))
            return fail(PackFailure::outputNotWritten);
        end = imageStart + 2;
        for (const std::string& path : imageFiles) {
            CFile input;
            if (!input.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive)) {
                inputFailed(path);
                continue;
            }
            const uint64_t size = input.GetLength();
            const CopyResult copied = CopyWhole(input, size, file, buffer.get());
            if (copied == CopyResult::outputFailed)
                return fail(PackFailure::outputNotWritten);
            if (copied == CopyResult::inputShort)
                inputFailed(path);
            end += size;
        }
    }

    buffer.reset();
    r.end = end;
    if (!r.file.empty())
        return fail(PackFailure::inputUnreadable);
    if (end > kFlashAddressSpace)
        return fail(PackFailure::pastAddressSpace);
    if (!file.Commit())
        return fail(PackFailure::outputNotWritten);
    return 1;
}
