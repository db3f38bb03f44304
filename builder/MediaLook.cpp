// Hearing and seeing the builder's files as the device will play and show
// them: a double-click on an audio entry plays it, on an image entry shows it.
#include "TessalineDlg.h"
#include "BuilderParams.h"
#include "MediaPreview.h"
#include "StringConv.h"
#include "Texts.h"
#include "WriterPlan.h"

namespace {
// The rate and clock fields are read with at most 8 characters.
const int kFieldChars = 8;
}

void CTessalineDlg::OnPlayClip()
{
    // A second double-click stops the clip that plays.
    if (m_player.IsActive()) {
        m_player.Stop();
        OnClipPlayer(static_cast<WPARAM>(ClipPlayerEvent::ended));
        return;
    }
    ClipRequest request;
    if (!m_audioList.GetText(m_audioList.GetCurSel(), &request.source) || request.source.empty())
        return;
    request.speechFormat = m_speechFormat;
    request.sampleRate = ParseDecimal(m_sampleRateEdit.GetWindowTextA(kFieldChars + 1));
    request.systemClock = ParseDecimal(m_systemClockEdit.GetWindowTextA(kFieldChars + 1));
    m_result.SetWindowText(FormatWithText(L"Converting %s...", WideFromAnsi(FileNameOf(request.source))).c_str());
    if (!m_player.Start(m_hWnd, MediaConverters(m_hTuneMill, m_hPicMill), request))
        m_result.SetWindowText(L"");
}

void CTessalineDlg::OnClipPlayer(WPARAM event)
{
    if (static_cast<ClipPlayerEvent>(event) == ClipPlayerEvent::playing) {
        m_result.SetWindowText(m_player.PlayingText().c_str());
        return;
    }
    const ClipPlayerFailure failure = m_player.Failure();
    m_player.Finished();
    m_result.SetWindowText(L"");
    if (failure == ClipPlayerFailure::conversion)
        MessageBox(texts::kConvertAudioFail, texts::kCaptionError, MB_OK);
    else if (failure == ClipPlayerFailure::noAudioOutput)
        MessageBox(texts::kNoAudioOutput, texts::kCaptionError, MB_OK);
}

void CTessalineDlg::OnLookPicture()
{
    std::string source;
    if (!m_imageList.GetText(m_imageList.GetCurSel(), &source) || source.empty())
        return;
    const COLORREF background = m_bgColor.GetBkColor();
    BoxPicture device, original;
    device.width = device.height = 128;
    if (!PrepareDevicePicture(MediaConverters(m_hTuneMill, m_hPicMill), source, background, &device.rgb)
        || !ScaleIntoBox(WideFromAnsi(source), 128, 128, background, &original)) {
        MessageBox(texts::kConvertImageFail, texts::kCaptionError, MB_OK);
        return;
    }
    m_pictureLook.Show(m_hWnd, WideFromAnsi(FileNameOf(source)), device, original);
}
