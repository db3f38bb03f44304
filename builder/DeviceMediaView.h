// Hearing and seeing the builder's files as the device will play and show
// them: a clip played through the clip player, a picture shown beside its
// original in the picture window. Both report in the result label.
#pragma once
#include "CControls.h"
#include "ClipPlayer.h"
#include "DevicePictureWnd.h"
#include "MediaConverters.h"
#include <string>

class CDeviceMediaView {
public:
    // window: the main window, which owns the messages and hears the player;
    // result: the result label under both panels.
    CDeviceMediaView(CWnd& window, CStatic& result) : m_window(window), m_result(result) {}

    // Converts and plays the clip; one that plays stops first.
    void PlayClip(const MediaConverters& converters, const ClipRequest& request);
    // A WM_CLIP_PLAYER event.
    void OnClipPlayer(WPARAM event);
    bool IsPlaying() const { return m_player.IsActive(); }
    // Stops the clip that plays, as if it had ended.
    void StopClip();
    // Stops a clip before a Write, which needs the converters to itself: the
    // label is cleared, no message follows.
    void StopClipQuietly();
    // Shows the picture as the device will, on the given background.
    void ShowPicture(const MediaConverters& converters, const std::string& source, COLORREF background);
    // Stops the clip and closes the picture window (both use the converters).
    void Close();

private:
    CWnd& m_window;
    CStatic& m_result;
    CClipPlayer m_player;
    CDevicePictureWnd m_pictureWnd;
};
