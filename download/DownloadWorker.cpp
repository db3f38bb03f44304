// The download worker: opens the device, erases the flash and programs the
// image file block by block, reporting through the status panel, the result
// label and posted progress messages. Its window-side handlers follow.
#include "TessalineDlg.h"
#include "CFile.h"
#include "DownloadMath.h"
#include "StatusLine.h"
#include "Texts.h"
#include <vector>

DWORD WINAPI CTessalineDlg::DownloadThread(LPVOID param)
{
    auto* dialog = static_cast<CTessalineDlg*>(param);
    dialog->DownloadWorker(dialog->m_imagePath);
    // The last word of the run: the window releases the thread and resets the bar.
    dialog->PostMessage(WM_DOWNLOAD_FINISHED);
    return 0;
}

int CTessalineDlg::WorkerCapacityIndex() const
{
    int index = m_capacity.GetCurSel();
    return index >= 0 && index < kCapacityCount ? index : kDefaultCapacityIndex;
}

int CTessalineDlg::DownloadWorker(const std::string& imagePath)
{
    CFile file;
    uint32_t fileSize = 0;
    int capacityBits = CapacityBits(WorkerCapacityIndex());
    int result = 0;
    auto status = [&](const wchar_t* prefix, const wchar_t* suffix) {
        m_status.SetWindowText(StatusLine(prefix, capacityBits, texts::kMiddle, static_cast<int>(fileSize), suffix).c_str());
    };
    auto progress = [&](uint32_t done, uint32_t total) {
        PostMessage(WM_DOWNLOAD_PROGRESS, done, static_cast<LPARAM>(total));
    };
    auto error = [&](const wchar_t* text) {
        ::MessageBoxW(m_hWnd, text, texts::kCaptionError, MB_OK | MB_ICONERROR);
    };

    if (file.Open(imagePath.c_str(), CFile::modeRead | CFile::shareExclusive)) {
        fileSize = static_cast<uint32_t>(file.GetLength());
        uint32_t remaining = fileSize;
        progress(0, fileSize);

        int ok = 1;
        int device = -1;
        for (unsigned int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            device = m_usb.Open(0);
            if (device >= 0)
                break;
            ::Sleep(kOpenRetryMs);
        }
        if (device < 0) {
            error(texts::kDeviceOpenFailed);
            ok = 0;
        } else if (m_usb.SetFlashInfo(device, kSpiFlashTypeCode, 0) == 0) {
            error(texts::kFlashNotFound);
            ok = 0;
        }

        int capacityIndex = WorkerCapacityIndex();
        capacityBits = CapacityBits(capacityIndex);
        status(texts::kPrefixWideConnected, texts::kSuffixReady);

        if (ok) {
            progress(0, fileSize);
            status(texts::kPrefixConnected, texts::kSuffixErasing);
            // The erase reports nothing until it ends: a timer of the window's
            // own thread moves the bar meanwhile.
            unsigned int interval = EraseTimerInterval(WorkerCapacityIndex());
            if (interval)
                PostMessage(WM_DOWNLOAD_ERASE_TIMER, interval);
            ok = m_usb.InitFlash(device);
            PostMessage(WM_DOWNLOAD_ERASE_TIMER, 0);
            progress(100, 100);
            ::Sleep(100);
            progress(0, fileSize);
        }

        status(texts::kPrefixConnected, texts::kSuffixDownloading);
        progress(0, fileSize);

        std::vector<unsigned char> buffer(kBlockSize);
        int programmed = 0;
        while (ok == 1) {
            unsigned int count = NextBlockBytes(remaining);
            bool last = remaining <= kBlockSize;
            if (file.Read(buffer.data(), count) != count)
                break;
            int programResult = m_usb.Program(device, buffer.data(), static_cast<int>(count),
                                              m_startAddress + (fileSize - remaining), &programmed);
            if (programResult == 0 || programmed != static_cast<int>(count))
                break;
            remaining -= count;
            progress(fileSize - remaining, fileSize);
            if (last) {
                result = programResult;
                break;
            }
            ok = programResult;
        }

        file.Close();
        m_usb.Close(device);
    }

    if (result) {
        m_result.SetWindowText(texts::kDownloadOk);
        status(texts::kPrefixConnected, texts::kSuffixDone);
    } else {
        m_result.SetWindowText(texts::kDownloadFail);
        status(texts::kPrefixConnected, texts::kSuffixFailed);
    }
    return result;
}

void CTessalineDlg::OnDownloadProgress(WPARAM done, LPARAM total)
{
    m_progress.SetPos(ProgressPosition(static_cast<uint32_t>(done), static_cast<uint32_t>(total)));
}

void CTessalineDlg::OnEraseTimer(WPARAM interval)
{
    if (interval) {
        m_eraseTicks = 0;
        SetTimer(kEraseTimerId, static_cast<UINT>(interval));
    } else {
        KillTimer(kEraseTimerId);
    }
}

void CTessalineDlg::OnEraseTick()
{
    ++m_eraseTicks;
    PostMessage(WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(m_eraseTicks), 100);
}

void CTessalineDlg::OnDownloadFinished()
{
    if (m_hWorker) {
        ::WaitForSingleObject(m_hWorker, INFINITE);
        ::CloseHandle(m_hWorker);
        m_hWorker = nullptr;
    }
    // Posted after every progress message of the run, so it lands last.
    m_progress.SetPos(0);
    if (m_closePending) {
        m_closePending = false;
        CDialog::OnCancel();
    }
}
