// Browse and the download button: the file checks and the start of the worker.
#include "TessalineDlg.h"
#include "CFile.h"
#include "CFileDialog.h"
#include "DownloadMath.h"
#include "StatusLine.h"
#include "StringConv.h"
#include "Texts.h"
#include "WriterPlan.h"

namespace {
const DWORD kFileNameBufferChars = 66300;
const int kImagePathChars = 498;
}

void CTessalineDlg::OnBrowse()
{
    CFileDialog dialog(TRUE, "*.*", nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, texts::kBinFilter, this,
                       kFileNameBufferChars);
    if (dialog.DoModal() != IDOK)
        return;
    m_path.SetWindowText(dialog.GetPathName().c_str());

    CFile file;
    if (!file.Open(m_path.GetWindowTextW().c_str(), CFile::modeRead | CFile::shareDenyNone))
        MessageBox(texts::kFileOpenFail, texts::kCaptionDownload, MB_OK);
}

void CTessalineDlg::OnDownload()
{
    // One run at a time: the worker owns the binding and the download values.
    if (IsDeviceBusy())
        return;

    // Read as UTF-16, so that any file name opens whatever the ANSI code page.
    std::wstring path = m_path.GetWindowTextW();
    if (path.empty()) {
        MessageBox(texts::kChooseBinFile, texts::kCaptionDownload, MB_OK);
        return;
    }
    {
        CFile file;
        if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone)) {
            MessageBox(texts::kBinFileNotFound, texts::kCaptionDownload, MB_OK);
            return;
        }
        const uint64_t length = file.GetLength();
        const int bits = CapacityBits(CapacityIndex());
        if (!FitsCapacity(length, bits)) {
            MessageBox(texts::kBinFileTooBig, texts::kCaptionDownload, MB_OK);
            return;
        }
        // The image goes to the audio start address, which a Write may have
        // left above 0: it must end within the flash.
        const uint64_t flashBytes = static_cast<uint32_t>(bits) / 8u;
        const FlashRange range = CheckFlashRange(m_audioStartAddress, length, flashBytes);
        if (range != FlashRange::fits) {
            MessageBox(RefusalSentence(FlashRangeText(range, m_audioStartAddress, length, flashBytes,
                                                      CapacityName(bits)))
                           .c_str(),
                       texts::kCaptionDownload, MB_OK);
            return;
        }
    }

    m_result.SetWindowText(texts::kWritingImage);
    if (path.size() > static_cast<size_t>(kImagePathChars))
        path.resize(kImagePathChars);
    if (!SetupDownload(path, m_audioStartAddress, m_hWnd))
        return;
    StartDownload();
}

int CTessalineDlg::SetupDownload(const std::wstring& path, unsigned int startAddress, HWND owner)
{
    m_imagePath = path;
    m_startAddress = startAddress;
    m_hOwner = owner;
    if (m_usb.LoadDriver() != 1) {
        ::MessageBoxW(m_hOwner, texts::kUsbInitializeFail, texts::kCaptionError, MB_OK | MB_ICONERROR);
        return 0;
    }
    return 1;
}

int CTessalineDlg::StartDownload()
{
    m_progress.SetRange32(0, 100);
    m_hWorker = ::CreateThread(nullptr, 0, &CTessalineDlg::DownloadThread, this, 0, nullptr);
    if (!m_hWorker)
        m_result.SetWindowText(texts::kDownloadFail);
    return 1;
}
