// Hands decoded audio to another sink on a thread of its own, so that decoding
// and the work done with the audio run side by side. What comes in is gathered
// into pieces of about kPieceSamples samples (each hand-over wakes a thread);
// at most kQueuedPieces wait between the two, the decoder waits when they do.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
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

    // Begins the target on the calling thread, then starts the worker (or,
    // when no thread can be started, passes every piece on directly).
    bool Begin(unsigned sampleRate, unsigned channels) override;
    // Adds a copy of the frames to the piece being gathered, and queues it once
    // full. False once the target has refused a piece.
    bool Take(const int16_t* interleaved, size_t frames) override;
    // Queues what is gathered and waits until the target has had every piece;
    // true when it took them all.
    bool Close();

private:
    bool Queue();
    void Work();

    PcmSink& target_;
    size_t pieceSamples_;
    unsigned channels_ = 0;
    std::thread worker_;
    bool direct_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<int16_t>> queue_;
    std::vector<std::vector<int16_t>> spare_;
    std::vector<int16_t> gathering_;
    bool closing_ = false;
    std::atomic<bool> failed_{false};
};

}  // namespace tunemill
