#include "FlashSequence.h"
#include "CFile.h"
#include "Sha256.h"
#include "FlashRange.h"
#include <cstdio>
#include <vector>

const char* FlashFailureText(FlashFailure failure)
{
    switch (failure) {
    case FlashFailure::none:
        return "ok";
    case FlashFailure::imageOpen:
        return "image file can't be opened";
    case FlashFailure::addressRange:
        return "image runs past the end of the flash address space";
    case FlashFailure::flashRange:
        return "image runs past the end of the flash";
    case FlashFailure::deviceOpen:
        return "device open failed";
    case FlashFailure::flashSetup:
        return "flash set-up refused";
    case FlashFailure::flashType:
        return "unknown flash type";
    case FlashFailure::erase:
        return "erase failed";
    case FlashFailure::imageRead:
        return "image file read failed";
    case FlashFailure::program:
        return "block program failed";
    case FlashFailure::cancelled:
        return "cancelled";
    }
    return "failed";
}

std::string FlashOutcomeText(const FlashOutcome& outcome)
{
    if (outcome.result)
        return "ok";
    if (outcome.failure == FlashFailure::none)
        return "failed";
    std::string text = FlashFailureText(outcome.failure);
    if (outcome.failure == FlashFailure::program || outcome.failure == FlashFailure::imageRead) {
        char address[24];
        std::snprintf(address, sizeof address, " at 0x%08X", outcome.failedAddress);
        text += address;
    }
    return text;
}

void ReportFlashFailure(FlashReport& report, FlashOutcome* outcome, FlashFailure failure, uint32_t address)
{
    if (outcome->failure == FlashFailure::none) {
        outcome->failure = failure;
        outcome->failedAddress = address;
    }
    if (!report.Cancelled())
        report.Failure(failure, address);
}

int OpenFlashDevice(FlashDevice& usb, const FlashJob& job, FlashReport& report)
{
    int handle = -1;
    for (unsigned int attempt = 0; job.openAttempts == 0 || attempt < job.openAttempts; ++attempt) {
        handle = usb.Open(job.deviceNumber);
        if (handle >= 0 || report.Cancelled())
            break;
        report.OpenFailed(attempt + 1, job.openAttempts);
        ::Sleep(job.openRetryMs);
    }
    return handle;
}

namespace {

// Hashes what the file holds past the bytes already hashed. False when a
// read fails or the file ends early.
bool HashRestOfFile(CFile& file, uint64_t remaining, Sha256& hash)
{
    if (remaining == 0)
        return true;
    std::vector<unsigned char> buffer(static_cast<size_t>(remaining < (1u << 20) ? remaining : (1u << 20)));
    while (remaining > 0) {
        const UINT want = remaining > buffer.size() ? static_cast<UINT>(buffer.size()) : static_cast<UINT>(remaining);
        if (file.Read(buffer.data(), want) != want)
            return false;
        hash.Add(buffer.data(), want);
        remaining -= want;
    }
    return true;
}

}  // namespace

FlashRange CheckFlashJob(const FlashJob& job, uint64_t imageLength, const FlashPolicy& policy)
{
    if (policy.imageWithinCapacity && job.flashBytes != 0 && imageLength > job.flashBytes)
        return FlashRange::largerThanFlash;
    return CheckFlashRange(job.startAddress, imageLength, job.flashBytes);
}

bool OpenFlashImage(const FlashJob& job, const FlashPolicy& policy, CFile& file, FlashReport& report,
                    FlashOutcome* outcome)
{
    *outcome = FlashOutcome();
    if (!(job.image ? file.OpenMemory(job.image->data(), job.image->size())
                    : file.Open(job.imagePath.c_str(), CFile::modeRead | CFile::shareExclusive))) {
        ReportFlashFailure(report, outcome, FlashFailure::imageOpen, 0);
        return false;
    }
    outcome->imageOpened = true;
    outcome->imageLength = file.GetLength();
    outcome->imageSize = static_cast<uint32_t>(outcome->imageLength);
    // A block address past the end of the flash, or of the address space
    // (where it would wrap round to the start), is never programmed.
    switch (CheckFlashJob(job, outcome->imageLength, policy)) {
    case FlashRange::fits:
        return true;
    case FlashRange::largerThanFlash:
    case FlashRange::pastFlashEnd:
        ReportFlashFailure(report, outcome, FlashFailure::flashRange, 0);
        return false;
    case FlashRange::pastAddressSpace:
        ReportFlashFailure(report, outcome, FlashFailure::addressRange, 0);
        return false;
    }
    return false;
}

int ProgramFlashBlocks(FlashDevice& usb, int handle, CFile& file, uint32_t total, int usable, const FlashJob& job,
                       FlashReport& report, FlashOutcome* outcome)
{
    std::vector<unsigned char> block(kBlockSize);
    Sha256 hash;
    uint32_t remaining = total;
    int programmed = 0;
    // Ends the run: the hash covers the whole file, the bytes not read for
    // programming included, or is left empty when the file can't be read whole.
    auto end = [&](int result) {
        if (job.hashImage && HashRestOfFile(file, outcome->imageLength - (total - remaining), hash))
            outcome->sha256 = hash.Finish();
        return result;
    };
    for (;;) {
        const uint32_t count = NextBlockBytes(remaining);
        const bool last = remaining <= kBlockSize;
        if (usable != 1 || (!last && report.Cancelled()))
            return end(0);
        const uint32_t address = job.startAddress + (total - remaining);
        if (file.Read(block.data(), count) != count) {
            ReportFlashFailure(report, outcome, FlashFailure::imageRead, address);
            return 0;
        }
        if (job.hashImage)
            hash.Add(block.data(), count);
        usable = usb.Program(handle, block.data(), static_cast<int>(count), address, &programmed);
        remaining -= count;
        if (usable == 0 || programmed != static_cast<int>(count)) {
            ReportFlashFailure(report, outcome, FlashFailure::program, address);
            return end(0);
        }
        report.Progress(total - remaining, total);
        if (last)
            return end(usable);
    }
}

int RunFlashSequence(FlashDevice& usb, const FlashJob& job, const FlashPolicy& policy, FlashReport& report,
                     FlashOutcome* outcome)
{
    FlashOutcome local;
    if (!outcome)
        outcome = &local;
    CFile file;
    if (!OpenFlashImage(job, policy, file, report, outcome))
        return 0;
    const uint32_t total = outcome->imageSize;
    // A stage and the bar's restart at 0, in the order the caller shows them.
    auto announce = [&](FlashStage stage) {
        if (policy.progressBeforeStage)
            report.Progress(0, total);
        report.Stage(stage);
        if (!policy.progressBeforeStage)
            report.Progress(0, total);
    };

    announce(FlashStage::openingDevice);
    const int handle = OpenFlashDevice(usb, job, report);
    outcome->deviceOpened = handle >= 0;
    int usable = handle >= 0 ? 1 : 0;
    if (!usable)
        ReportFlashFailure(report, outcome, FlashFailure::deviceOpen, 0);
    // A cancel that came while the device was being opened leaves the flash
    // as it was: no erase is started for a run the user has called off.
    if (usable && report.Cancelled())
        usable = 0;

    if (job.flashTypeCode == 0) {
        ReportFlashFailure(report, outcome, FlashFailure::flashType, 0);
        usable = 0;
    } else if (usable && usb.SetFlashInfo(handle, job.flashTypeCode, 0) == 0) {
        ReportFlashFailure(report, outcome, FlashFailure::flashSetup, 0);
        usable = 0;
    }
    if (policy.reportDeviceReady)
        report.Stage(FlashStage::deviceReady);

    if (usable) {
        announce(FlashStage::erasing);
        report.EraseStarted();
        // Returns only when the whole flash is erased; programming follows only a 1.
        usable = usb.InitFlash(handle) == 1 ? 1 : 0;
        report.EraseEnded(usable == 1);
        if (!usable)
            ReportFlashFailure(report, outcome, FlashFailure::erase, 0);
    }

    report.Stage(FlashStage::programming);
    report.Progress(0, total);
    outcome->result = ProgramFlashBlocks(usb, handle, file, total, usable, job, report, outcome);

    file.Close();
    usb.Close(handle);
    if (!outcome->result && report.Cancelled())
        outcome->failure = FlashFailure::cancelled;
    return outcome->result;
}
