// Plays a builder clip as the device will: converts the audio file with the
// panel's format, rate and clock into the temporary folder, decodes the
// result and plays it from memory through the default audio output. All of
// it runs on a thread of its own; the window hears of it through posted
// WM_CLIP_PLAYER messages (see ClipPlayerEvent) and may stop it any time.
#pragma once
#include "MediaPreview.h"
#include "MediaConverters.h"
#include "CHandle.h"
#include <windows.h>
#include <atomic>
#include <string>

// wParam of WM_CLIP_PLAYER.
enum class ClipPlayerEvent : WPARAM {
    playing,        // the clip sounds now: PlayingText() says what
    ended,          // it played to its end, was stopped, or failed (Failure())
};

enum class ClipPlayerFailure { none, conversion, noAudioOutput };

class CClipPlayer {
public:
    CClipPlayer() = default;
    ~CClipPlayer() { Stop(); }
    CClipPlayer(const CClipPlayer&) = delete;
    CClipPlayer& operator=(const CClipPlayer&) = delete;

    // Starts converting and then playing source; any clip before it stops
    // first. Events go to notify as WM_CLIP_PLAYER.
    bool Start(HWND notify, const MediaConverters& converters, const ClipRequest& request);
    // Stops the sound and waits for the thread; no event follows.
    void Stop();
    // A clip is being converted or played.
    bool IsActive() const { return static_cast<bool>(m_thread); }
    // Once ended has been posted: releases the thread.
    void Finished();

    // What plays, "APM 8000 Hz, 3.2 s"; valid from the playing event on.
    const std::string& PlayingText() const { return m_text; }
    ClipPlayerFailure Failure() const { return m_failure; }

private:
    static DWORD WINAPI Thread(LPVOID param);
    void Run();
    // Plays the decoded samples until their end or a stop.
    ClipPlayerFailure Play(const ClipPreview& clip);

    HWND m_notify = nullptr;
    MediaConverters m_converters{ nullptr, nullptr };
    ClipRequest m_request;
    CHandle m_thread;
    CHandle m_stop;                 // set to stop the sound
    std::atomic<bool> m_stopped{ false };
    std::string m_text;
    ClipPlayerFailure m_failure = ClipPlayerFailure::none;
};
