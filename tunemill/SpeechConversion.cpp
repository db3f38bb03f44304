#include "SpeechConversion.h"

#include "FilePaths.h"
#include "SourceFile.h"

namespace tunemill {

namespace {

// Bytes of converted data read back at a time when the MDM C text has to be
// written again; a whole number of lines.
const size_t kReadBackBytes = 64 * 1024;
// Samples handed to the encoding thread at a time.
const size_t kEncodedPiece = 65536;

}  // namespace

SpeechConversion::SpeechConversion(SpeechFormat format, int targetRate, bool encodeBeside)
    : format_(format), rate_(targetRate > 0 ? static_cast<unsigned>(targetRate) : 0), encoding_(*this),
      encodeBeside_(encodeBeside)
{
}

std::wstring SpeechConversion::DescriptionPath(SpeechFormat format, const std::wstring& convertedPath)
{
    const std::wstring path = convertedPath + (format == SpeechFormat::Apm ? L".apm" : L".h");
    return path.size() <= millfiles::kMaxPathChars ? path : std::wstring();
}

bool SpeechConversion::Open(const std::wstring& convertedPath, const std::wstring& firstByProductPath,
                            const std::wstring& descriptionPath, uint64_t expectedSamples)
{
    if (!converted_.Create(convertedPath))
        return false;
    convertedPath_ = convertedPath;
    descriptionPath_ = descriptionPath;
    expected_ = expectedSamples;
    if (!firstByProductPath.empty() && wave_.Create(firstByProductPath)) {
        uint8_t header[44];
        MakeWav16MonoHeader(0, rate_, header);
        wave_.Write(header, sizeof header);
    }
    if (!descriptionPath_.empty() && description_.Create(descriptionPath_)) {
        if (format_ == SpeechFormat::Apm) {
            uint8_t header[16] = {};
            description_.Write(header, sizeof header);  // filled in at the end
        } else {
            const std::string start = MdmHeaderStart(rate_, expected_);
            description_.Write(start.data(), start.size());
        }
    }
    if (holding_) {
        // What the conversion wrote meanwhile, then the files themselves.
        AcquireSRWLockExclusive(&lock_);
        for (int output = kConverted; output <= kDescription; ++output) {
            std::vector<uint8_t>& kept = held_[output];
            WriteNow(static_cast<Output>(output), kept.data(), kept.size());
            std::vector<uint8_t>().swap(kept);
        }
        open_ = true;
        ReleaseSRWLockExclusive(&lock_);
        WakeAllConditionVariable(&changed_);
    }
    return true;
}

void SpeechConversion::Abandon()
{
    AcquireSRWLockExclusive(&lock_);
    abandoned_ = true;
    ReleaseSRWLockExclusive(&lock_);
    WakeAllConditionVariable(&changed_);
}

bool SpeechConversion::Put(Output output, const void* data, size_t size)
{
    if (holding_) {
        AcquireSRWLockExclusive(&lock_);
        while (!open_ && !abandoned_ && heldBytes_ + size > kHeldBytes && heldBytes_ > 0)
            SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        const bool abandoned = abandoned_, open = open_;
        if (!open && !abandoned) {
            const uint8_t* bytes = static_cast<const uint8_t*>(data);
            held_[output].insert(held_[output].end(), bytes, bytes + size);
            heldBytes_ += size;
        }
        ReleaseSRWLockExclusive(&lock_);
        if (abandoned)
            return false;
        if (!open)
            return true;
    }
    return WriteNow(output, data, size);
}

bool SpeechConversion::WriteNow(Output output, const void* data, size_t size)
{
    if (output == kConverted)
        return converted_.Write(data, size);
    if (output == kWave) {
        if (wave_.IsOpen() && !wave_.Write(data, size))
            wave_.Discard();
    } else if (description_.IsOpen()) {
        description_.Write(data, size);
    }
    return true;
}

bool SpeechConversion::Begin(unsigned sampleRate, unsigned channels)
{
    if (sampleRate == 0 || channels == 0 || rate_ == 0 || resampler_)
        return false;
    channels_ = channels;
    resampler_.reset(new Resampler(sampleRate, rate_));
    // Beside the resampling; at the same rate, handing the audio over costs
    // more than it saves.
    if (encodeBeside_ && sampleRate != rate_) {
        beside_.reset(new ThreadedSink(encoding_, kEncodedPiece));
        if (!beside_->Begin(rate_, 1))
            return false;
    }
    return true;
}

bool SpeechConversion::Take(const int16_t* interleaved, size_t frames)
{
    if (!resampler_)
        return false;
    mono_.resize(frames);
    MixToMono(interleaved, frames, channels_, mono_.data());
    return resampler_->Push(mono_.data(), frames, *this);
}

bool SpeechConversion::TakeResampled(const int16_t* samples, size_t count)
{
    samples_ += count;
    if (samples_ > MaxSpeechSamples(format_))
        return false;
    waveBytes_.resize(2 * count);
    for (size_t i = 0; i < count; ++i) {
        waveBytes_[2 * i] = static_cast<uint8_t>(samples[i]);
        waveBytes_[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i]) >> 8);
    }
    if (!Put(kWave, waveBytes_.data(), waveBytes_.size()))
        return false;
    return beside_ ? beside_->Take(samples, count) : encoding_.Take(samples, count);
}

bool SpeechConversion::Encoding::Take(const int16_t* samples, size_t count)
{
    SpeechConversion& c = owner_;
    bytes_.clear();
    if (c.format_ == SpeechFormat::Apm) {
        c.apm_.Encode(samples, count, bytes_);
    } else {
        bytes_.resize(count);
        EncodeMdm(samples, count, bytes_.data());
    }
    if (!c.Put(kConverted, bytes_.data(), bytes_.size()))
        return false;
    c.dataBytes_ += bytes_.size();
    if (c.format_ == SpeechFormat::Apm)
        return c.Put(kDescription, bytes_.data(), bytes_.size());
    c.DescribeMdm(bytes_.data(), bytes_.size(), false);
    return true;
}

void SpeechConversion::DescribeMdm(const uint8_t* bytes, size_t count, bool last)
{
    // A line left unfinished by the previous piece is completed first.
    if (!lineStart_.empty()) {
        const size_t take = count < 16 - lineStart_.size() ? count : 16 - lineStart_.size();
        lineStart_.insert(lineStart_.end(), bytes, bytes + take);
        bytes += take;
        count -= take;
        if (lineStart_.size() < 16 && !last)
            return;
        text_.resize(kMdmLineChars);
        Put(kDescription, text_.data(), FormatMdmLines(lineStart_.data(), lineStart_.size(), text_.data()));
        lineStart_.clear();
    }
    const size_t whole = last ? count : count / 16 * 16;
    text_.resize((whole + 15) / 16 * kMdmLineChars);
    Put(kDescription, text_.data(), FormatMdmLines(bytes, whole, text_.data()));
    lineStart_.assign(bytes + whole, bytes + count);
}

bool SpeechConversion::Finish()
{
    if (!resampler_)
        return false;
    if (!resampler_->Finish(*this) || (beside_ && !beside_->Close()) || samples_ == 0)
        return false;
    if (format_ == SpeechFormat::Apm) {
        std::vector<uint8_t> bytes;
        apm_.Finish(bytes);
        if (!converted_.Write(bytes.data(), bytes.size()))
            return false;
        dataBytes_ += bytes.size();
        if (description_.IsOpen())
            description_.Write(bytes.data(), bytes.size());
    }
    if (!converted_.Commit())
        return false;
    // The by-products after it, side by side (each moved into place costs
    // milliseconds under Wine).
    PTP_WORK wave = wave_.IsOpen() ? CreateThreadpoolWork(&SpeechConversion::FinishWaveOnPool, this, nullptr) : nullptr;
    if (wave != nullptr)
        SubmitThreadpoolWork(wave);
    else
        FinishWave();
    FinishDescription();
    if (wave != nullptr) {
        WaitForThreadpoolWorkCallbacks(wave, FALSE);
        CloseThreadpoolWork(wave);
    }
    return true;
}

VOID CALLBACK SpeechConversion::FinishWaveOnPool(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WORK)
{
    static_cast<SpeechConversion*>(context)->FinishWave();
}

void SpeechConversion::FinishWave()
{
    if (!wave_.IsOpen())
        return;
    uint8_t header[44];
    MakeWav16MonoHeader(samples_, rate_, header);
    if (wave_.Overwrite(0, header, sizeof header))
        wave_.Commit();
    else
        wave_.Discard();
}

void SpeechConversion::FinishDescription()
{
    if (!description_.IsOpen())
        return;
    if (format_ == SpeechFormat::Apm) {
        uint8_t header[16];
        MakeApmDescriptionHeader(rate_, samples_, dataBytes_, header);
        if (description_.Overwrite(0, header, sizeof header))
            description_.Commit();
        else
            description_.Discard();
        return;
    }
    if (samples_ != expected_) {
        RewriteMdmDescription();
        return;
    }
    DescribeMdm(nullptr, 0, true);
    const std::string end = MdmHeaderEnd();
    description_.Write(end.data(), end.size());
    description_.Commit();
}

// The C text from the converted file, when its first line had the length wrong.
void SpeechConversion::RewriteMdmDescription()
{
    description_.Discard();
    lineStart_.clear();
    SourceFile data;
    if (!data.Open(convertedPath_) || !description_.Create(descriptionPath_))
        return;
    const std::string start = MdmHeaderStart(rate_, samples_);
    description_.Write(start.data(), start.size());
    std::vector<uint8_t> piece(kReadBackBytes);
    for (uint64_t offset = 0; offset < data.Size();) {
        const size_t got = data.ReadAt(offset, piece.data(), piece.size());
        if (got == 0) {
            description_.Discard();
            return;
        }
        offset += got;
        DescribeMdm(piece.data(), got, offset >= data.Size());
    }
    const std::string end = MdmHeaderEnd();
    description_.Write(end.data(), end.size());
    description_.Commit();
}

}  // namespace tunemill
