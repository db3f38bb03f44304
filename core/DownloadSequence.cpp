#include "DownloadSequence.h"
#include "CFile.h"

int RunDownloadSequence(C_USBCmd& usb, const FlashJob& job, FlashReport& report, FlashOutcome* outcome)
{
    FlashOutcome local;
    if (!outcome)
        outcome = &local;
    auto fail = [&](FlashFailure failure) { ReportFlashFailure(report, outcome, failure, 0); };

    CFile file;
    if (!OpenFlashImage(job, file, report, outcome))
        return 0;
    const uint32_t size = outcome->imageSize;
    report.Progress(0, size);
    report.Stage(FlashStage::openingDevice);

    int ok = 1;
    const int device = OpenFlashDevice(usb, job, report);
    outcome->deviceOpened = device >= 0;
    if (device < 0) {
        fail(FlashFailure::deviceOpen);
        ok = 0;
    } else if (report.Cancelled()) {
        ok = 0;
    } else if (usb.SetFlashInfo(device, job.flashTypeCode, 0) == 0) {
        fail(FlashFailure::flashSetup);
        ok = 0;
    }
    report.Stage(FlashStage::deviceReady);

    if (ok) {
        report.Progress(0, size);
        report.Stage(FlashStage::erasing);
        report.EraseStarted();
        // Returns when the erase has ended; programming follows only a 1.
        ok = usb.InitFlash(device);
        report.EraseEnded(ok == 1);
        if (ok != 1)
            fail(FlashFailure::erase);
    }

    report.Stage(FlashStage::programming);
    report.Progress(0, size);
    outcome->result = ProgramFlashBlocks(usb, device, file, size, ok, job, report, outcome);

    file.Close();
    usb.Close(device);
    if (!outcome->result && report.Cancelled())
        outcome->failure = FlashFailure::cancelled;
    return outcome->result;
}
