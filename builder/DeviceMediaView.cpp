#include "DeviceMediaView.h"
#include "FlashRange.h"
#include "PictureDecoder.h"
#include "StringConv.h"
#include "Texts.h"

void CDeviceMediaView::PlayClip(const MediaConverters& converters, const ClipRequest& request)
{
    m_result.SetWindowText(FormatWithText(L"Converting %s...", WideFromAnsi(FileNameOf(request.source))).c_str());
    if (!m_player.Start(m_window.m_hWnd, converters, request))
        m_result.SetWindowText(L"");
}

void CDeviceMediaView::StopClip()
{
    m_player.Stop();
    OnClipPlayer(static_cast<WPARAM>(ClipPlayerEvent::ended));
}

void CDeviceMediaView::StopClipQuietly()
{
    if (!m_player.IsActive())
        return;
    m_player.Stop();
    m_result.SetWindowText(L"");
}

void CDeviceMediaView::OnClipPlayer(WPARAM event)
{
    if (static_cast<ClipPlayerEvent>(event) == ClipPlayerEvent::playing) {
        m_result.SetWindowText(m_player.PlayingText().c_str());
        return;
    }
    const ClipPlayerFailure failure = m_player.Failure();
    m_player.Finished();
    m_result.SetWindowText(L"");
    if (failure == ClipPlayerFailure::conversion)
        m_window.MessageBox(texts::kConvertAudioFail, texts::kCaptionError, MB_OK);
    else if (failure == ClipPlayerFailure::noAudioOutput)
        m_window.MessageBox(texts::kNoAudioOutput, texts::kCaptionError, MB_OK);
}

void CDeviceMediaView::ShowPicture(const MediaConverters& converters, const std::string& source, COLORREF background)
{
    BoxPicture device, original;
    device.width = static_cast<int>(media::kScreenWidth);
    device.height = static_cast<int>(media::kScreenHeight);
    if (!PrepareDevicePicture(converters, source, background, &device.rgb)
        || !ScaleIntoBox(WideFromAnsi(source), device.width, device.height, background, &original)) {
        m_window.MessageBox(texts::kConvertImageFail, texts::kCaptionError, MB_OK);
        return;
    }
    m_pictureWnd.Show(m_window.m_hWnd, WideFromAnsi(FileNameOf(source)), device, original);
}

void CDeviceMediaView::Close()
{
    m_player.Stop();
    m_pictureWnd.Close();
}
