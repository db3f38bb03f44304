#include "ThreadedSink.h"

namespace tunemill {

namespace {

// Holds an SRW lock for a scope.
class Locked {
public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace

ThreadedSink::~ThreadedSink()
{
    Close();
}

bool ThreadedSink::Begin(unsigned sampleRate, unsigned channels)
{
    if (!target_.Begin(sampleRate, channels))
        return false;
    channels_ = channels;
    work_ = CreateThreadpoolWork(&ThreadedSink::Run, this, nullptr);
    if (work_ != nullptr)
        SubmitThreadpoolWork(work_);
    else
        direct_ = true;
    return true;
}

bool ThreadedSink::Take(const int16_t* interleaved, size_t frames)
{
    if (direct_) {
        if (!failed_)
            failed_ = !target_.Take(interleaved, frames);
        return !failed_;
    }
    if (work_ == nullptr)
        return false;
    gathering_.insert(gathering_.end(), interleaved, interleaved + frames * channels_);
    return gathering_.size() < pieceSamples_ ? !failed_ : Queue();
}

bool ThreadedSink::Queue()
{
    Locked locked(lock_);
    while (!failed_ && queue_.size() >= kQueuedPieces)
        SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (failed_)
        return false;
    queue_.push_back(std::move(gathering_));
    gathering_.clear();
    if (!spare_.empty()) {
        gathering_.swap(spare_.back());
        spare_.pop_back();
    }
    WakeAllConditionVariable(&changed_);
    return true;
}

bool ThreadedSink::Close()
{
    if (work_ != nullptr) {
        if (!gathering_.empty())
            Queue();
        {
            Locked locked(lock_);
            closing_ = true;
        }
        WakeAllConditionVariable(&changed_);
        WaitForThreadpoolWorkCallbacks(work_, FALSE);
        CloseThreadpoolWork(work_);
        work_ = nullptr;
    }
    return !failed_;
}

VOID CALLBACK ThreadedSink::Run(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WORK)
{
    static_cast<ThreadedSink*>(context)->Work();
}

void ThreadedSink::Work()
{
    AcquireSRWLockExclusive(&lock_);
    for (;;) {
        while (!closing_ && queue_.empty())
            SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        if (queue_.empty())
            break;  // closing, and everything handed over
        std::vector<int16_t> piece = std::move(queue_.front());
        queue_.pop_front();
        ReleaseSRWLockExclusive(&lock_);
        bool ok = false;
        try {
            ok = target_.Take(piece.data(), piece.size() / channels_);
        } catch (...) {
        }
        AcquireSRWLockExclusive(&lock_);
        piece.clear();
        spare_.push_back(std::move(piece));
        if (!ok) {
            failed_ = true;
            queue_.clear();
            WakeAllConditionVariable(&changed_);
            break;
        }
        WakeAllConditionVariable(&changed_);
    }
    ReleaseSRWLockExclusive(&lock_);
}

}  // namespace tunemill
