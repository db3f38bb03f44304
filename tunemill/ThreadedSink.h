// Hands decoded audio to another sink on a thread of its own, so that decoding
// and the work done with the audio run side by side. What comes in is gathered
// into pieces of about kPieceSamples samples (each hand-over wakes a thread);
// at most kQueuedPieces wait between the two, the decoder waits when they do.
// The thread is one of the process's thread pool (Windows keeps its threads
// from one call to the next: starting and ending a thread of one's own costs
// more than a short conversion, under Wine several milliseconds).
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "Wave.h"

namespace tunemill {

class ThreadedSink : public PcmSink {
public:
    static const size_t kQueuedPieces = 4;
    static const size_t kPieceSamples = 256 * 1024;

    explicit ThreadedSink(PcmSink& target, size_t pieceSamples = kPieceSamples)
        : target_(target), pieceSamples_(pieceSamples)
    {
    }
    ~ThreadedSink();
    ThreadedSink(const ThreadedSink&) = delete;
    ThreadedSink& operator=(const ThreadedSink&) = delete;

    // Begins the target on the calling thread, then starts the work on the
    // pool (or, when that can't be had, passes every piece on directly).
    bool Begin(unsigned sampleRate, unsigned channels) override;
    // Adds a copy of the frames to the piece being gathered, and queues it once
    // full. False once the target has refused a piece.
    bool Take(const int16_t* interleaved, size_t frames) override;
    // Queues what is gathered and waits until the target has had every piece;
    // true when it took them all.
    bool Close();

private:
    static VOID CALLBACK Run(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WORK);
    bool Queue();
    void Work();

    PcmSink& target_;
    size_t pieceSamples_;
    unsigned channels_ = 0;
    PTP_WORK work_ = nullptr;
    bool direct_ = false;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    std::deque<std::vector<int16_t>> queue_;
    std::vector<std::vector<int16_t>> spare_;
    std::vector<int16_t> gathering_;
    bool closing_ = false;
    std::atomic<bool> failed_{false};
};

}  // namespace tunemill
