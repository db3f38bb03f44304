#include "ClipPlayer.h"
#include "resource.h"
#include <mmsystem.h>

bool CClipPlayer::Start(HWND notify, const MediaConverters& converters, const ClipRequest& request)
{
    Stop();
    m_notify = notify;
    m_converters = converters;
    m_request = request;
    m_text.clear();
    m_failure = ClipPlayerFailure::none;
    m_stopped = false;
    m_stop.Attach(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stop)
        return false;
    m_thread.Attach(::CreateThread(nullptr, 0, &CClipPlayer::Thread, this, 0, nullptr));
    if (!m_thread) {
        m_stop.Close();
        return false;
    }
    return true;
}

void CClipPlayer::Stop()
{
    if (!m_thread)
        return;
    m_stopped = true;
    ::SetEvent(m_stop.Get());
    ::WaitForSingleObject(m_thread.Get(), INFINITE);
    Finished();
}

void CClipPlayer::Finished()
{
    if (m_thread) {
        ::WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Close();
    }
    m_stop.Close();
}

DWORD WINAPI CClipPlayer::Thread(LPVOID param)
{
    static_cast<CClipPlayer*>(param)->Run();
    return 0;
}

void CClipPlayer::Run()
{
    ClipPreview clip;
    if (!PrepareClipPreview(m_converters, m_request, &clip)) {
        m_failure = ClipPlayerFailure::conversion;
    } else if (!m_stopped) {
        m_text = ClipPreviewText(clip);
        m_failure = Play(clip);
    }
    // A stop asked for by the window is not reported back to it.
    if (!m_stopped)
        ::PostMessageW(m_notify, WM_CLIP_PLAYER, static_cast<WPARAM>(ClipPlayerEvent::ended), 0);
}

ClipPlayerFailure CClipPlayer::Play(const ClipPreview& clip)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = clip.playRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = clip.playRate * 2;
    CHandle done(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    HWAVEOUT device = nullptr;
    if (!done
        || ::waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done.Get()), 0, CALLBACK_EVENT)
               != MMSYSERR_NOERROR)
        return ClipPlayerFailure::noAudioOutput;
    WAVEHDR header = {};
    header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(clip.samples.data()));
    header.dwBufferLength = static_cast<DWORD>(clip.samples.size() * sizeof(int16_t));
    ClipPlayerFailure result = ClipPlayerFailure::none;
    if (::waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR
        || ::waveOutWrite(device, &header, sizeof header) != MMSYSERR_NOERROR) {
        result = ClipPlayerFailure::noAudioOutput;
    } else {
        ::PostMessageW(m_notify, WM_CLIP_PLAYER, static_cast<WPARAM>(ClipPlayerEvent::playing), 0);
        // The event is also set once at the open: wait for the header's end
        // or a stop.
        HANDLE waits[2] = { done.Get(), m_stop.Get() };
        while (!(header.dwFlags & WHDR_DONE)) {
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
                break;
        }
    }
    ::waveOutReset(device);
    ::waveOutUnprepareHeader(device, &header, sizeof header);
    ::waveOutClose(device);
    return result;
}
