// The Write command: convert every listed file, pack the results into one
// image in the temporary directory, write it through the Writer dialog and
// remove the converted files.
#include "TessalineDlg.h"
#include "BuilderParams.h"
#include "C_USBDownloadDlg.h"
#include "ConversionPlan.h"
#include "Packer.h"
#include "Texts.h"
#include "WriterPlan.h"
#include <cstdio>
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

void DeleteFiles(const std::vector<std::string>& files)
{
    for (const std::string& file : files)
        ::DeleteFileA(file.c_str());
}

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

}  // namespace

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
    if (!GatherParams(TRUE))
        return;
    if (m_audioCount <= 0 && m_imageCount <= 0) {
        MessageBox(texts::kNoMediaFiles, texts::kCaptionError, MB_OK);
        return;
    }
    // Audio records need a rate to derive their timer from.
    if (m_audioCount > 0 && m_sampleRate <= 0) {
        MessageBox(texts::kSampleRateZero, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    std::vector<std::string> audio, images;
    {
        WaitCursor wait;
        for (const std::string& source : ListItems(m_audioList)) {
            ShowConverting(source);
            std::string converted = ConvertedPath(source);
            if (!ConvertAudio(source, converted, m_sampleRate)) {
                MessageBox(texts::kConvertAudioFail, texts::kCaptionError, MB_OK);
                DeleteFiles(audio);
                return;
            }
            audio.push_back(converted);
        }
        const unsigned char background[3] = { m_bgRed, m_bgGreen, m_bgBlue };
        for (const std::string& source : ListItems(m_imageList)) {
            ShowConverting(source);
            std::string converted = ConvertedPath(source);
            if (!ConvertImage(source, converted, m_imageWidth, m_imageHeight, background)) {
                MessageBox(texts::kConvertImageFail, texts::kCaptionError, MB_OK);
                DeleteFiles(audio);
                DeleteFiles(images);
                return;
            }
            images.push_back(converted);
        }
    }

    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    char packed[kPathBufferChars];
    snprintf(packed, sizeof(packed), texts::kPackedImageFormat, temp);
    m_result.SetWindowText(texts::kPackaging);

    PackParams params;
    params.speechFormat = m_speechFormat;
    params.sampleRate = static_cast<uint32_t>(m_sampleRate);
    params.systemClock = static_cast<uint32_t>(m_systemClock);
    params.audioStart = m_audioStartAddress;
    params.imageStart = m_imageStartAddress;
    if (!PackImage(audio, images, packed, params)) {
        MessageBox(texts::kPackFail, texts::kCaptionError, MB_OK);
    } else {
        m_result.SetWindowText(texts::kPackSuccess);
        C_USBDownloadDlg writer;
        int flashType = CheckedFlashType();
        m_result.SetWindowText(texts::kWritingImage);
        if (writer.PrepareWrite(flashType, packed, m_audioStartAddress, m_hWnd) == 1
            && writer.DoModal() == IDOK && writer.GetFailed() == 0)
            m_result.SetWindowText(texts::kWriteSuccess);
    }
    DeleteFiles(audio);
    DeleteFiles(images);
}
