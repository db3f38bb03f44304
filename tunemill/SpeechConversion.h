// One conversion as it runs: decoded audio comes in piece by piece, is mixed to
// mono, resampled, encoded and written to the converted file and the two
// by-products, all staged beside their final paths; at the end they are put in
// place, the converted file first. The encoding and the writing of the
// converted file and its description can run on a thread of their own, beside
// the resampling.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Resample.h"
#include "SpeechCodec.h"
#include "StagedFile.h"
#include "ThreadedSink.h"
#include "Wave.h"

namespace tunemill {

class SpeechConversion : public PcmSink, private ResampledSink {
public:
    // `encodeBeside`: the encoding runs on a thread of its own when there is
    // resampling to do beside it (handing the audio over costs more than it
    // saves when there is not).
    SpeechConversion(SpeechFormat format, int targetRate, bool encodeBeside = false);

    // The second by-product's path for a converted path: ".apm" or ".h"
    // added; empty when that is too long to open.
    static std::wstring DescriptionPath(SpeechFormat format, const std::wstring& convertedPath);

    // Creates the staged converted file (false when it can't be) and the
    // staged by-products (each left out when it can't be or its path is
    // empty). Paths in the form FilePaths.h makes. `expectedSamples` is the
    // length the output should have; the MDM C text, which starts with it, is
    // rewritten at the end if the output came out otherwise.
    bool Open(const std::wstring& convertedPath, const std::wstring& firstByProductPath,
              const std::wstring& descriptionPath, uint64_t expectedSamples);

    // Lets the conversion run before Open, which another thread may then call
    // meanwhile: what it writes until then is kept in memory (up to
    // kHeldBytes, beyond which it waits for Open). Called before Begin.
    void Hold() { holding_ = true; }
    // Gives up a conversion held before Open: it stops at its next write.
    void Abandon();
    static const size_t kHeldBytes = 4 * 1024 * 1024;

    bool Begin(unsigned sampleRate, unsigned channels) override;
    // False when the output passes MaxSpeechSamples or the converted file
    // can't be written.
    bool Take(const int16_t* interleaved, size_t frames) override;

    // Ends the stream and puts the converted file in place, then the
    // by-products. False when no sample came out, too many did, or the
    // converted file can't be written; then nothing is left behind.
    bool Finish();

private:
    // Encodes the resampled audio and writes the converted file and its
    // description, on whichever thread it is handed the audio.
    class Encoding : public PcmSink {
    public:
        explicit Encoding(SpeechConversion& owner) : owner_(owner) {}
        bool Begin(unsigned, unsigned) override { return true; }
        bool Take(const int16_t* samples, size_t count) override;

    private:
        SpeechConversion& owner_;
        std::vector<uint8_t> bytes_;
    };

    // Counts a piece of the resampled audio, writes it to the first
    // by-product and hands it to the encoding.
    bool TakeResampled(const int16_t* samples, size_t count) override;

    // The three outputs, and writing to them: false when the converted file
    // can't be written or the conversion has been abandoned; a first
    // by-product that can't be written is dropped, a description that can't
    // is dropped at the end.
    enum Output { kConverted, kWave, kDescription };
    bool Put(Output output, const void* data, size_t size);
    bool WriteNow(Output output, const void* data, size_t size);
    // Appends MDM bytes to the C text, whole lines at a time.
    void DescribeMdm(const uint8_t* bytes, size_t count, bool last);
    void FinishDescription();
    void FinishWave();
    static VOID CALLBACK FinishWaveOnPool(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WORK);
    void RewriteMdmDescription();

    SpeechFormat format_;
    unsigned rate_;
    std::wstring convertedPath_, descriptionPath_;
    uint64_t expected_ = 0;
    std::unique_ptr<Resampler> resampler_;
    unsigned channels_ = 0;
    millfiles::StagedFile converted_, wave_, description_;
    ApmEncoder apm_;
    Encoding encoding_;
    std::unique_ptr<ThreadedSink> beside_;
    bool encodeBeside_;
    std::vector<int16_t> mono_;
    std::vector<uint8_t> waveBytes_, lineStart_;
    std::vector<char> text_;
    uint64_t samples_ = 0, dataBytes_ = 0;
    // Held before Open: the bytes of each output kept, and their total.
    bool holding_ = false, open_ = false, abandoned_ = false;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    std::vector<uint8_t> held_[3];
    size_t heldBytes_ = 0;
};

}  // namespace tunemill
