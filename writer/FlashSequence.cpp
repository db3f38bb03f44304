#include "FlashSequence.h"
#include "CFile.h"
#include "WriterPlan.h"
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

int OpenFlashDevice(C_USBCmd& usb, const FlashJob& job, FlashReport& report)
{
    int handle = -1;
    for (unsigned int attempt = 0; job.openAttempts == 0 || attempt < job.openAttempts; ++attempt) {
        handle = usb.Open(0);
        if (handle >= 0 || report.Cancelled())
            break;
        ::Sleep(job.openRetryMs);
    }
    return handle;
}

int ProgramFlashBlocks(C_USBCmd& usb, int handle, CFile& file, uint32_t total, int usable, const FlashJob& job,
                       FlashReport& report, FlashOutcome* outcome)
{
    std::vector<unsigned char> block(kWriterBlockSize);
    uint32_t remaining = total;
    int programmed = 0;
    for (;;) {
        const uint32_t count = WriterPieceBytes(remaining);
        const bool last = remaining <= kWriterBlockSize;
        if (usable != 1 || (!last && report.Cancelled()))
            return 0;
        const uint32_t address = job.startAddress + (total - remaining);
        if (file.Read(block.data(), count) != count) {
            ReportFlashFailure(report, outcome, FlashFailure::imageRead, address);
            return 0;
        }
        usable = usb.Program(handle, block.data(), static_cast<int>(count), address, &programmed);
        if (usable == 0 || programmed != static_cast<int>(count)) {
            ReportFlashFailure(report, outcome, FlashFailure::program, address);
            return 0;
        }
        remaining -= count;
        report.Progress(total - remaining, total);
        if (last)
            return usable;
    }
}

int RunWriteSequence(C_USBCmd& usb, const FlashJob& job, FlashReport& report, FlashOutcome* outcome)
{
    FlashOutcome local;
    if (!outcome)
        outcome = &local;
    *outcome = FlashOutcome();

    CFile file;
    if (!file.Open(job.imagePath.c_str(), CFile::modeRead | CFile::shareExclusive)) {
        ReportFlashFailure(report, outcome, FlashFailure::imageOpen, 0);
        return 0;
    }
    outcome->imageOpened = true;
    const uint64_t length = file.GetLength();
    outcome->imageSize = static_cast<uint32_t>(length);
    // A block address past the end of the address space would wrap round and
    // overwrite the start of the flash.
    if (!WriteRangeFits(job.startAddress, length)) {
        ReportFlashFailure(report, outcome, FlashFailure::addressRange, 0);
        return 0;
    }
    const uint32_t total = static_cast<uint32_t>(length);

    report.Stage(FlashStage::openingDevice);
    report.Progress(0, total);

    const int handle = OpenFlashDevice(usb, job, report);
    outcome->deviceOpened = handle >= 0;
    int usable = handle >= 0 ? 1 : 0;
    if (!usable)
        ReportFlashFailure(report, outcome, FlashFailure::deviceOpen, 0);
    // A cancel that came while the device was being opened leaves the flash
    // as it was: no erase is started for a write the user has called off.
    if (usable && report.Cancelled())
        usable = 0;

    if (job.flashTypeCode == 0) {
        ReportFlashFailure(report, outcome, FlashFailure::flashType, 0);
        usable = 0;
    } else if (usable) {
        if (usb.SetFlashInfo(handle, job.flashTypeCode, 0) == 0) {
            ReportFlashFailure(report, outcome, FlashFailure::flashSetup, 0);
            usable = 0;
        } else {
            report.Stage(FlashStage::erasing);
            report.Progress(0, total);
            report.EraseStarted();
            // Returns only when the whole flash is erased.
            usable = usb.InitFlash(handle) == 1 ? 1 : 0;
            report.EraseEnded(usable == 1);
            if (!usable)
                ReportFlashFailure(report, outcome, FlashFailure::erase, 0);
        }
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
