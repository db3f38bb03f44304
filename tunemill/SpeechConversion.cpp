#include "SpeechConversion.h"

#include "SourceFile.h"

namespace tunemill {

namespace {

// Bytes of converted data read back at a time for the second by-product; a
// whole number of MDM lines.
const size_t kReadBackBytes = 64 * 1024;

}  // namespace

SpeechConversion::SpeechConversion(SpeechFormat format, int targetRate)
    : format_(format), rate_(targetRate > 0 ? static_cast<unsigned>(targetRate) : 0)
{
}

bool SpeechConversion::Open(const char* convertedPath, const char* firstByProductPath)
{
    if (convertedPath == nullptr || !converted_.Create(convertedPath))
        return false;
    convertedPath_ = convertedPath;
    if (firstByProductPath != nullptr && *firstByProductPath != '\0' && wave_.Create(firstByProductPath)) {
        uint8_t header[44];
        MakeWav16MonoHeader(0, rate_, header);
        wave_.Write(header, sizeof header);
    }
    return true;
}

bool SpeechConversion::Begin(unsigned sampleRate, unsigned channels)
{
    if (sampleRate == 0 || channels == 0 || rate_ == 0 || resampler_)
        return false;
    channels_ = channels;
    resampler_.reset(new Resampler(sampleRate, rate_));
    return true;
}

bool SpeechConversion::Take(const int16_t* interleaved, size_t frames)
{
    if (!resampler_)
        return false;
    mono_.resize(frames);
    MixToMono(interleaved, frames, channels_, mono_.data());
    resampled_.clear();
    resampler_->Push(mono_.data(), frames, resampled_);
    return Emit();
}

bool SpeechConversion::Emit()
{
    const size_t count = resampled_.size();
    if (count == 0)
        return true;
    samples_ += count;
    if (samples_ > MaxSpeechSamples(format_))
        return false;
    bytes_.clear();
    if (format_ == SpeechFormat::Apm) {
        apm_.Encode(resampled_.data(), count, bytes_);
    } else {
        bytes_.resize(count);
        EncodeMdm(resampled_.data(), count, bytes_.data());
    }
    if (!converted_.Write(bytes_.data(), bytes_.size()))
        return false;
    if (wave_.IsOpen()) {
        bytes_.resize(2 * count);
        for (size_t i = 0; i < count; ++i) {
            bytes_[2 * i] = static_cast<uint8_t>(resampled_[i]);
            bytes_[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(resampled_[i]) >> 8);
        }
        if (!wave_.Write(bytes_.data(), bytes_.size()))
            wave_.Discard();
    }
    return true;
}

bool SpeechConversion::Finish()
{
    if (!resampler_)
        return false;
    resampled_.clear();
    resampler_->Finish(resampled_);
    if (!Emit() || samples_ == 0)
        return false;
    if (format_ == SpeechFormat::Apm) {
        bytes_.clear();
        apm_.Finish(bytes_);
        if (!converted_.Write(bytes_.data(), bytes_.size()))
            return false;
    }
    if (!converted_.Commit())
        return false;
    if (wave_.IsOpen()) {
        uint8_t header[44];
        MakeWav16MonoHeader(samples_, rate_, header);
        if (wave_.Overwrite(0, header, sizeof header))
            wave_.Commit();
        else
            wave_.Discard();
    }
    WriteDescription();
    return true;
}

void SpeechConversion::WriteDescription()
{
    SourceFile data;
    StagedFile description;
    const bool apm = format_ == SpeechFormat::Apm;
    if (!data.Open(convertedPath_.c_str()) || !description.Create((convertedPath_ + (apm ? ".apm" : ".h")).c_str()))
        return;
    std::vector<uint8_t> piece(kReadBackBytes);
    std::vector<char> text(apm ? 0 : kReadBackBytes / 16 * kMdmLineChars);
    if (apm) {
        uint8_t header[16];
        MakeApmDescriptionHeader(rate_, samples_, data.Size(), header);
        description.Write(header, sizeof header);
    } else {
        const std::string start = MdmHeaderStart(rate_, samples_);
        description.Write(start.data(), start.size());
    }
    for (uint64_t offset = 0; offset < data.Size();) {
        const size_t got = data.ReadAt(offset, piece.data(), piece.size());
        if (got == 0)
            return;
        if (apm)
            description.Write(piece.data(), got);
        else
            description.Write(text.data(), FormatMdmLines(piece.data(), got, text.data()));
        offset += got;
    }
    if (!apm) {
        const std::string end = MdmHeaderEnd();
        description.Write(end.data(), end.size());
    }
    description.Commit();
}

}  // namespace tunemill
