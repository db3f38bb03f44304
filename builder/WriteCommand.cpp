#include "WriteCommand.h"
#include "C_USBDownloadDlg.h"
#include "Capacities.h"
#include "CFile.h"
#include "CWaitCursor.h"
#include "FlashSequence.h"
#include "FlashTypes.h"
#include "StringConv.h"
#include "Texts.h"
#include <cstdio>
#include <memory>

namespace {

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

// Turns the chain's reports into the result label's texts and the window's
// messages.
class PackReport : public BuildReport {
public:
    PackReport(CWnd& window, CStatic& result) : m_window(window), m_result(result) {}

    void Stage(BuildStage stage) override
    {
        if (stage == BuildStage::converting) {
            m_wait.reset(new CWaitCursor);
        } else {
            m_wait.reset();
            m_result.SetWindowText(texts::kPackaging);
        }
    }

    void Converting(const std::string& source) override
    {
        char text[kPathBufferChars + 32];
        std::snprintf(text, sizeof(text), texts::kConvertingFormat, FileNameOf(source).c_str());
        m_result.SetWindowText(text);
    }

    void Failure(BuildFailure failure, const std::string&) override
    {
        switch (failure) {
        case BuildFailure::audioAddressOdd:
            Warn(texts::kAudioAddressOdd);
            break;
        case BuildFailure::imageAddressOdd:
            Warn(texts::kImageAddressOdd);
            break;
        case BuildFailure::noMedia:
            m_window.MessageBox(texts::kNoMediaFiles, texts::kCaptionError, MB_OK);
            break;
        case BuildFailure::sampleRateZero:
            Warn(texts::kSampleRateZero);
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

private:
    void Warn(const wchar_t* text) { m_window.MessageBox(text, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION); }

    CWnd& m_window;
    CStatic& m_result;
    std::unique_ptr<CWaitCursor> m_wait;
};

// The packed image is written from the audio start address: refused, before
// the device is touched, when it would run past the flash address space.
bool PackedImageFits(CWnd& window, const std::wstring& packed, uint32_t start)
{
    CFile file;
    if (!file.Open(packed.c_str(), CFile::modeRead | CFile::shareDenyNone))
        return true;  // the Writer reports the file itself
    const uint64_t length = file.GetLength();
    FlashJob job;
    job.startAddress = start;
    job.flashBytes = 0;
    const FlashRange range = CheckFlashJob(job, length, kWriterPolicy);
    if (range == FlashRange::fits)
        return true;
    window.MessageBox(RefusalSentence(FlashRangeText(range, start, length, 0, std::string())).c_str(),
                      texts::kCaptionError, MB_OK);
    return false;
}

// When the packed image would run past the end of the flash chosen in the
// download panel, asks whether to go on; true to go on.
bool GoOnPastCapacity(CWnd& window, const std::wstring& packed, uint32_t start, int capacityBits)
{
    CFile file;
    if (capacityBits <= 0 || !file.Open(packed.c_str(), CFile::modeRead | CFile::shareDenyNone))
        return true;
    const uint64_t length = file.GetLength();
    const uint64_t flashBytes = static_cast<uint64_t>(capacityBits) / 8;
    const FlashRange range = CheckFlashRange(start, length, flashBytes);
    if (range != FlashRange::pastFlashEnd)
        return true;
    const std::wstring question =
        RefusalSentence(FlashRangeText(range, start, length, flashBytes, CapacityName(capacityBits)))
        + texts::kGoOnAnyway;
    return window.MessageBox(question.c_str(), texts::kCaptionWarning,
                             MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

// Writes the packed image through the Writer dialog, whose run is logged.
void WritePackedImage(CWnd& window, CStatic& result, const std::wstring& packed, uint32_t start, int flashType)
{
    result.SetWindowText(texts::kWritingImage);
    if (!PackedImageFits(window, packed, start))
        return;
    C_USBDownloadDlg writer;
    if (writer.PrepareWrite(flashType, packed.c_str(), start, window.m_hWnd) != 1)
        return;
    if (writer.DoModal() == IDOK && writer.GetFailureFlag() == 0)
        result.SetWindowText(texts::kWriteSuccess);
}

// Converts and packs the request into the temporary folder as the Write
// does; the converted files are gone when it returns.
bool PackIntoTemporaryFolder(CWnd& window, CStatic& result, BuildRequest& request, const MediaConverters& converters,
                             ConvertedFiles* converted)
{
    // The packed image goes into the temporary folder, whatever its name and length.
    request.outputPath = FormatWithText(WideFromAnsi(texts::kPackedImageFormat), TempFolder());
    PackReport report(window, result);
    if (!BuildPackedImage(request, converters, report, converted))
        return false;
    result.SetWindowText(texts::kPackSuccess);
    return true;
}

}  // namespace

bool RefuseBuildRequest(CWnd& window, CStatic& result, const BuildRequest& request)
{
    BuildRefusal refusal;
    refusal.failure = CheckBuildRequest(request);
    if (refusal.failure == BuildFailure::none)
        return false;
    PackReport report(window, result);
    report.Refused(refusal);
    return true;
}

void RunWriteCommand(CWnd& window, CStatic& result, BuildRequest request, int flashTypeIndex, int capacityBits,
                     const MediaConverters& converters)
{
    // The converted files stay beside their sources until the image is written.
    ConvertedFiles converted;
    if (!PackIntoTemporaryFolder(window, result, request, converters, &converted))
        return;
    if (!GoOnPastCapacity(window, request.outputPath, request.audioStart, capacityBits))
        return;
    WritePackedImage(window, result, request.outputPath, request.audioStart, flashTypeIndex);
}

bool RunSaveCommand(CWnd& window, CStatic& result, BuildRequest request, int capacityBits,
                    const MediaConverters& converters, const std::wstring& target)
{
    if (!PackIntoTemporaryFolder(window, result, request, converters, nullptr))
        return false;
    if (!GoOnPastCapacity(window, request.outputPath, request.audioStart, capacityBits))
        return false;
    result.SetWindowText(texts::kSavingImage);
    if (!CopyPackedImage(request.outputPath, target)) {
        window.MessageBox(texts::kSaveImageFail, texts::kCaptionError, MB_OK);
        return false;
    }
    result.SetWindowText(texts::kSaveSuccess);
    return true;
}
