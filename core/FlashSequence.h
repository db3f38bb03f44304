// The one device run behind the download panel, the Writer dialog and the
// console program, without any window: open the image file and the device
// (with its attempts), set up and erase the flash, program the image in
// 16 KiB blocks from the start address, then close the device. It reports
// through a FlashReport; what differs between its callers is a FlashPolicy.
#pragma once
#include "FlashDevice.h"
#include "FlashReport.h"
#include "FlashRange.h"

class CFile;

// A short English description of a failure, as the log and the console
// program show it.
const char* FlashFailureText(FlashFailure failure);

// "ok" for a run that succeeded, else its failure, with the flash address for
// a failed block ("block program failed at 0x00004000").
std::string FlashOutcomeText(const FlashOutcome& outcome);

// Records the run's first failure in the outcome and reports it, unless the
// run has been called off.
void ReportFlashFailure(FlashReport& report, FlashOutcome* outcome, FlashFailure failure, uint32_t address);

// How the download panel's run differs from the Writer's.
struct FlashPolicy {
    // (0, total) is reported before a stage is announced rather than after.
    bool progressBeforeStage;
    // The deviceReady stage is reported once opening and set-up are over.
    bool reportDeviceReady;
    // The image may be no larger than the flash, wherever it starts.
    bool imageWithinCapacity;
};
constexpr FlashPolicy kDownloadPolicy = { true, true, true };
constexpr FlashPolicy kWriterPolicy = { false, false, false };

// The one check of a job before and inside a run: an image of imageLength
// bytes against the job's start address and flash.
FlashRange CheckFlashJob(const FlashJob& job, uint64_t imageLength, const FlashPolicy& policy);

// Opens the job's image (its file exclusively, or its bytes) and checks it
// with CheckFlashJob; false after reporting why not. Fills the outcome's
// image fields (and clears the rest).
bool OpenFlashImage(const FlashJob& job, const FlashPolicy& policy, CFile& file, FlashReport& report,
                    FlashOutcome* outcome);

// Opens the job's device: stops at the first result of 0 or more or when the run is
// called off; after each failed try (the last one included) sleeps
// job.openRetryMs. Returns the last open result.
int OpenFlashDevice(FlashDevice& usb, const FlashJob& job, FlashReport& report);

// Programs total bytes from the file's start in 16 KiB blocks, block k at
// job.startAddress + k * 16384. Each block is due only while usable is
// exactly 1 and the run is not called off (the last block is not called
// off); usable becomes each program call's result. Returns the last
// program call's result when every byte was programmed, 0 otherwise.
// Sets the outcome's sha256 from the bytes read (see FlashOutcome).
int ProgramFlashBlocks(FlashDevice& usb, int handle, CFile& file, uint32_t total, int usable, const FlashJob& job,
                       FlashReport& report, FlashOutcome* outcome);

// The whole run. Nonzero when the whole image was written (the last program
// call's result). The device is closed with the last open result whenever
// the image could be opened.
int RunFlashSequence(FlashDevice& usb, const FlashJob& job, const FlashPolicy& policy, FlashReport& report,
                     FlashOutcome* outcome);
