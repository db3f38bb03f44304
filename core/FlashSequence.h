// The device runs behind the download panel and the Writer dialog, without
// any window: open the device, set up and erase the flash, and program the
// image file in 16 KiB blocks. Each reports through a FlashReport.
#pragma once
#include "C_USBCmd.h"
#include "FlashReport.h"

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

// Opens the job's image (its file exclusively, or its bytes) and checks that it fits the flash from
// the start address; false after reporting why not. Fills the outcome's
// image fields (and clears the rest).
bool OpenFlashImage(const FlashJob& job, CFile& file, FlashReport& report, FlashOutcome* outcome);

// Opens the job's device: stops at the first result of 0 or more or when the run is
// called off; after each failed try (the last one included) sleeps
// job.openRetryMs. Returns the last open result.
int OpenFlashDevice(C_USBCmd& usb, const FlashJob& job, FlashReport& report);

// Programs total bytes from the file's start in 16 KiB blocks, block k at
// job.startAddress + k * 16384. Each block is due only while usable is
// exactly 1 and the run is not called off (the last block is not called
// off); usable becomes each program call's result. Returns the last
// program call's result when every byte was programmed, 0 otherwise.
// Sets the outcome's sha256 from the bytes read (see FlashOutcome).
int ProgramFlashBlocks(C_USBCmd& usb, int handle, CFile& file, uint32_t total, int usable, const FlashJob& job,
                       FlashReport& report, FlashOutcome* outcome);

// The Writer dialog's run. Nonzero when the whole image was written.
int RunWriteSequence(C_USBCmd& usb, const FlashJob& job, FlashReport& report, FlashOutcome* outcome);
