// Reading the builder panel's fields back into the builder parameters.
#include "TessalineDlg.h"
#include "BuilderParams.h"
#include "Texts.h"

namespace {
// Parameter fields are read with at most 8 characters.
const int kFieldChars = 8;
}

int CTessalineDlg::GatherParams(BOOL showMessages)
{
    ParseHex(m_audioStartEdit.GetWindowTextA(kFieldChars + 1), &m_audioStartAddress);
    ParseHex(m_imageStartEdit.GetWindowTextA(kFieldChars + 1), &m_imageStartAddress);
    SplitColor(m_bgColor.GetBkColor(), &m_bgRed, &m_bgGreen, &m_bgBlue);
    m_sampleRate = ParseDecimal(m_sampleRateEdit.GetWindowTextA(kFieldChars + 1));
    m_systemClock = ParseDecimal(m_systemClockEdit.GetWindowTextA(kFieldChars + 1));
    m_imageWidth = 128;
    m_imageHeight = 128;
    m_audioCount = m_audioList.GetCount();
    m_imageCount = m_imageList.GetCount();

    if (m_audioStartAddress & 1) {
        if (showMessages)
            MessageBox(texts::kAudioAddressOdd, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (m_imageStartAddress & 1) {
        if (showMessages)
            MessageBox(texts::kImageAddressOdd, texts::kCaptionWarning, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    return 1;
}

void CTessalineDlg::OnSpeechFormatChange()
{
    std::string text;
    if (m_speechFormatList.GetLBText(m_speechFormatList.GetCurSel(), &text))
        m_speechFormat = text;
}
