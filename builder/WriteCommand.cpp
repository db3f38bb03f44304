// The Write command: the builder's chain run from the panel, with the packed
// image written through the Writer dialog before the converted files go.
#include "TessalineDlg.h"
#include "BuildChain.h"
#include "BuilderParams.h"
#include "C_USBDownloadDlg.h"
#include "ConversionPlan.h"
#include "CFile.h"
#include "DownloadLog.h"
#include "StringConv.h"
#include "Texts.h"
#include "FlashSequence.h"
#include "WriterPlan.h"
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The wait cursor for the length of one scope.
class WaitCursor {
public:
    WaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)))) {}
    ~WaitCursor() { ::SetCursor(m_previous); }

private:
    HCURSOR m_previous;
};

std::vector<std::string> ListItems(CListBox& list)
{
    std::vector<std::string> items;
    int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        std::string text;
        if (list.GetText(i, &text) && text.size() <= kMaxListEntryChars)
            items.push_back(text);  // an entry that can't be read is skipped
    }
    return items;
}

// The temporary folder with its trailing backslash.
std::wstring TempFolder()
{
    std::wstring folder(MAX_PATH + 1, L'\0');
    DWORD length = ::GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]);
    if (length >= folder.size()) {
        folder.assign(length + 1, L'\0');
        length = ::GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]);
    }
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

}  // namespace

// Turns the chain's reports into the result label's texts and the panel's
// messages; writes the packed image once it is complete.
class CTessalineDlg::WriteReport : public BuildReport {
public:
    WriteReport(CTessalineDlg& window, const std::wstring& packed) : m_window(window), m_packed(packed) {}

    void Stage(BuildStage stage) override
    {
        if (stage == BuildStage::converting) {
            m_wait.reset(new WaitCursor);
        } else {
            m_wait.reset();
            m_window.m_result.SetWindowText(texts::kPackaging);
        }
    }

    void Converting(const std::string& source) override { m_window.ShowConverting(source); }

    void Failure(BuildFailure failure, const std::string&) override
    {
        switch (failure) {
        case BuildFailure::audioAddressOdd:
            m_window.MessageBox(texts::kAudioAddressOdd, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
            break;
        case BuildFailure::imageAddressOdd:
            m_window.MessageBox(texts::kImageAddressOdd, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
            break;
        case BuildFailure::noMedia:
            m_window.MessageBox(texts::kNoMediaFiles, texts::kCaptionError, MB_OK);
            break;
        case BuildFailure::sampleRateZero:
            m_window.MessageBox(texts::kSampleRateZero, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
            break;
        case BuildFailure::convertAudio:
            m_window.MessageBox(texts::kConvertAudioFail, texts::kCaptionError, MB_OK);
            break;
        case BuildFailure::convertImage:
            m_window.MessageBox(texts::kConvertImageFail, texts::kCaptionError, MB_OK);
            break;
        case BuildFailure::pack:
            m_window.MessageBox(texts::kPackFail, texts::kCaptionError, MB_OK);
            break;
        case BuildFailure::none:
            break;
        }
    }

    void Packed() override
    {
        m_window.m_result.SetWindowText(texts::kPackSuccess);
        C_USBDownloadDlg writer;
        int flashType = m_window.CheckedFlashType();
        m_window.m_result.SetWindowText(texts::kWritingImage);
        if (!PackedImageFits())
            return;
        if (writer.PrepareWrite(flashType, m_packed.c_str(), m_window.m_audioStartAddress, m_window.m_hWnd) != 1)
            return;
        const DWORD started = ::GetTickCount();
        const INT_PTR ended = writer.DoModal();
        const FlashOutcome& outcome = writer.GetOutcome();
        if (ended == IDOK && writer.GetFailed() == 0)
            m_window.m_result.SetWindowText(texts::kWriteSuccess);

        DownloadLogEntry entry;
        entry.program = "Tessaline";
        entry.operation = "write";
        entry.imagePath = m_packed;
        SetLoggedImage(&entry, outcome);
        entry.startAddress = m_window.m_audioStartAddress;
        entry.flashType = FlashTypeName(flashType);
        if (writer.GetFailed() == 0)
            entry.result = "ok";
        else
            entry.result = ended == IDCANCEL ? FlashFailureText(FlashFailure::cancelled) : FlashOutcomeText(outcome);
        entry.milliseconds = ::GetTickCount() - started;
        AppendDownloadLog(DefaultDownloadLogPath(), entry, nullptr);
    }

private:
    // The packed image is written from the audio start address: refused,
    // before the device is touched, when it would run past the flash
    // address space.
    bool PackedImageFits()
    {
        CFile file;
        if (!file.Open(m_packed.c_str(), CFile::modeRead | CFile::shareDenyNone))
            return true;  // the Writer reports the file itself
        const uint64_t length = file.GetLength();
        const uint32_t start = m_window.m_audioStartAddress;
        const FlashRange range = CheckFlashRange(start, length, 0);
        if (range == FlashRange::fits)
            return true;
        m_window.MessageBox(RefusalSentence(FlashRangeText(range, start, length, 0, std::string())).c_str(),
                            texts::kCaptionError, MB_OK);
        return false;
    }

    CTessalineDlg& m_window;
    std::wstring m_packed;
    std::unique_ptr<WaitCursor> m_wait;
};

int CTessalineDlg::CheckedFlashType() const
{
    for (int index = 0; index < 3; ++index) {
        if (::IsDlgButtonChecked(m_hWnd, IDC_FLASH_SPI + index) == BST_CHECKED)
            return index;
    }
    // None checked (only after an unusable stored value): SPI, the default.
    return 0;
}

void CTessalineDlg::ShowConverting(const std::string& source)
{
    char text[kPathBufferChars + 32];
    snprintf(text, sizeof(text), texts::kConvertingFormat, FileNameOf(source).c_str());
    m_result.SetWindowText(text);
}

void CTessalineDlg::OnWrite()
{
    // One run at a time: a download has the device and the binding, and the
    // Writer would open and erase it again underneath.
    if (IsDeviceBusy())
        return;
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(m_writeRunning);
    // The converters serve the Write alone.
    if (m_player.IsActive()) {
        m_player.Stop();
        m_result.SetWindowText(L"");
    }

    if (!GatherParams(TRUE))
        return;

    // The packed image goes into the temporary folder, whatever its name and length.
    const std::wstring packed = FormatWithText(WideFromAnsi(texts::kPackedImageFormat), TempFolder());

    BuildRequest request;
    request.audioFiles = ListItems(m_audioList);
    request.imageFiles = ListItems(m_imageList);
    request.speechFormat = m_speechFormat;
    request.sampleRate = m_sampleRate;
    request.systemClock = m_systemClock;
    request.audioStart = m_audioStartAddress;
    request.imageStart = m_imageStartAddress;
    request.background[0] = m_bgRed;
    request.background[1] = m_bgGreen;
    request.background[2] = m_bgBlue;
    request.imageWidth = m_imageWidth;
    request.imageHeight = m_imageHeight;
    request.outputPath = packed;

    WriteReport report(*this, packed);
    BuildPackedImage(request, MediaConverters(m_hTuneMill, m_hPicMill), report);
}
