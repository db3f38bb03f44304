// The download panel's run, without any window: open the image file and the
// device (with its attempts), set up the flash, erase it and program the
// file in 16 KiB blocks from the start address, then close the device.
#pragma once
#include "FlashSequence.h"

// Nonzero on success (the last program call's result). The device is closed
// with the last open result whenever the image file could be opened.
int RunDownloadSequence(C_USBCmd& usb, const FlashJob& job, FlashReport& report, FlashOutcome* outcome);
