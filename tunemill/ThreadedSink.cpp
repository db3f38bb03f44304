#include "ThreadedSink.h"

namespace tunemill {

ThreadedSink::~ThreadedSink()
{
    Close();
}

bool ThreadedSink::Begin(unsigned sampleRate, unsigned channels)
{
    if (!target_.Begin(sampleRate, channels))
        return false;
    channels_ = channels;
    try {
        worker_ = std::thread(&ThreadedSink::Work, this);
    } catch (...) {
        direct_ = true;
    }
    return true;
}

bool ThreadedSink::Take(const int16_t* interleaved, size_t frames)
{
    if (direct_) {
        if (!failed_)
            failed_ = !target_.Take(interleaved, frames);
        return !failed_;
    }
    if (!worker_.joinable())
        return false;
    gathering_.insert(gathering_.end(), interleaved, interleaved + frames * channels_);
    return gathering_.size() < pieceSamples_ ? !failed_ : Queue();
}

bool ThreadedSink::Queue()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || queue_.size() < kQueuedPieces; });
    if (failed_)
        return false;
    queue_.push_back(std::move(gathering_));
    gathering_.clear();
    if (!spare_.empty()) {
        gathering_.swap(spare_.back());
        spare_.pop_back();
    }
    changed_.notify_all();
    return true;
}

bool ThreadedSink::Close()
{
    if (worker_.joinable()) {
        if (!gathering_.empty())
            Queue();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    return !failed_;
}

void ThreadedSink::Work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty())
            return;  // closing, and everything handed over
        std::vector<int16_t> piece = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        bool ok = false;
        try {
            ok = target_.Take(piece.data(), piece.size() / channels_);
        } catch (...) {
        }
        lock.lock();
        piece.clear();
        spare_.push_back(std::move(piece));
        if (!ok) {
            failed_ = true;
            queue_.clear();
            changed_.notify_all();
            return;
        }
        changed_.notify_all();
    }
}

}  // namespace tunemill
