// MP3 decoding through the audio compression manager: the stream is described
// as MPEGLAYER3WAVEFORMAT and converted to 16-bit PCM by whichever installed
// codec accepts it, 16 KiB of the file at a time. The manager's library is
// loaded from the system folder at the first decoding, not imported, and kept
// (loading it again for each decoding costs milliseconds; freeing it while
// this library is unloaded is not allowed).
#include "Mp3.h"
#include "SystemLibrary.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstring>
#include <vector>

namespace tunemill {

namespace {

const DWORD kInputChunk = 16 * 1024;
const DWORD kMinOutputChunk = 1024 * 1024;

// The manager's functions that the decoding calls, as its header declares them.
class Acm {
public:
    Acm()
    {
        loaded_ = library_.Find("acmStreamOpen", &streamOpen) && library_.Find("acmStreamClose", &streamClose) &&
                  library_.Find("acmStreamSize", &streamSize) &&
                  library_.Find("acmStreamPrepareHeader", &streamPrepareHeader) &&
                  library_.Find("acmStreamUnprepareHeader", &streamUnprepareHeader) &&
                  library_.Find("acmStreamConvert", &streamConvert) &&
                  library_.Find("acmFormatSuggest", &formatSuggest);
    }
    bool Loaded() const { return loaded_; }

    decltype(&::acmStreamOpen) streamOpen = nullptr;
    decltype(&::acmStreamClose) streamClose = nullptr;
    decltype(&::acmStreamSize) streamSize = nullptr;
    decltype(&::acmStreamPrepareHeader) streamPrepareHeader = nullptr;
    decltype(&::acmStreamUnprepareHeader) streamUnprepareHeader = nullptr;
    decltype(&::acmStreamConvert) streamConvert = nullptr;
    decltype(&::acmFormatSuggest) formatSuggest = nullptr;

private:
    millfiles::SystemLibrary library_{ L"msacm32.dll" };
    bool loaded_ = false;
};

class AcmStream {
public:
    explicit AcmStream(const Acm& acm) : acm_(acm) {}
    AcmStream(const AcmStream&) = delete;
    AcmStream& operator=(const AcmStream&) = delete;
    ~AcmStream()
    {
        if (handle_)
            acm_.streamClose(handle_, 0);
    }

    bool Open(WAVEFORMATEX* source, WAVEFORMATEX* destination)
    {
        return acm_.streamOpen(&handle_, nullptr, source, destination, nullptr, 0, 0,
                               ACM_STREAMOPENF_NONREALTIME) == MMSYSERR_NOERROR;
    }
    HACMSTREAM Handle() const { return handle_; }

private:
    const Acm& acm_;
    HACMSTREAM handle_ = nullptr;
};

// A stream header prepared over two buffers, unprepared at the end with the
// lengths it was prepared with, as the manager requires.
class PreparedHeader {
public:
    PreparedHeader(const Acm& acm, HACMSTREAM stream, uint8_t* source, DWORD sourceBytes, uint8_t* destination,
                   DWORD destinationBytes)
        : acm_(acm), stream_(stream)
    {
        std::memset(&header_, 0, sizeof header_);
        header_.cbStruct = sizeof header_;
        header_.pbSrc = source;
        header_.cbSrcLength = sourceBytes;
        header_.pbDst = destination;
        header_.cbDstLength = destinationBytes;
        sourceLength_ = header_.cbSrcLength;
        prepared_ = acm_.streamPrepareHeader(stream_, &header_, 0) == MMSYSERR_NOERROR;
    }
    PreparedHeader(const PreparedHeader&) = delete;
    PreparedHeader& operator=(const PreparedHeader&) = delete;
    ~PreparedHeader()
    {
        if (prepared_) {
            header_.cbSrcLength = sourceLength_;
            acm_.streamUnprepareHeader(stream_, &header_, 0);
        }
    }

    bool Prepared() const { return prepared_; }
    ACMSTREAMHEADER& Header() { return header_; }

private:
    const Acm& acm_;
    HACMSTREAM stream_;
    ACMSTREAMHEADER header_;
    DWORD sourceLength_ = 0;
    bool prepared_ = false;
};

MPEGLAYER3WAVEFORMAT DescribeStream(const Mp3Frame& frame)
{
    MPEGLAYER3WAVEFORMAT format;
    std::memset(&format, 0, sizeof format);
    format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    format.wfx.nChannels = static_cast<WORD>(frame.channels);
    format.wfx.nSamplesPerSec = frame.sampleRate;
    format.wfx.nAvgBytesPerSec = frame.bitrateKbps * 1000 / 8;
    format.wfx.nBlockAlign = 1;
    format.wfx.wBitsPerSample = 0;
    format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    format.wID = MPEGLAYER3_ID_MPEG;
    format.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    format.nBlockSize = static_cast<WORD>(frame.frameBytes - (frame.padding ? 1 : 0));
    format.nFramesPerBlock = 1;
    format.nCodecDelay = 1393;
    return format;
}

WAVEFORMATEX Pcm16(unsigned channels, unsigned rate)
{
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

bool IsUsablePcm(const WAVEFORMATEX& format)
{
    return format.wFormatTag == WAVE_FORMAT_PCM && format.wBitsPerSample == 16 &&
           (format.nChannels == 1 || format.nChannels == 2) && format.nSamplesPerSec != 0;
}

// The manager, loaded at the first call and kept while the process runs.
const Acm& TheAcm()
{
    static const Acm* const acm = new Acm();
    return *acm;
}

}  // namespace

bool DecodeMp3(ByteSource& source, uint64_t offset, const Mp3Frame& frame, PcmSink& sink)
{
    const Acm& acm = TheAcm();
    if (!acm.Loaded())
        return false;
    MPEGLAYER3WAVEFORMAT format = DescribeStream(frame);
    WAVEFORMATEX pcm = Pcm16(frame.channels, frame.sampleRate);
    AcmStream stream(acm);
    if (!stream.Open(&format.wfx, &pcm)) {
        // Let the codec name the PCM form it produces.
        std::memset(&pcm, 0, sizeof pcm);
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.wBitsPerSample = 16;
        if (acm.formatSuggest(nullptr, &format.wfx, &pcm, sizeof pcm,
                              ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_WBITSPERSAMPLE) !=
                MMSYSERR_NOERROR ||
            !IsUsablePcm(pcm) || !stream.Open(&format.wfx, &pcm))
            return false;
    }
    if (!sink.Begin(pcm.nSamplesPerSec, pcm.nChannels))
        return false;

    DWORD outputChunk = 0;
    if (acm.streamSize(stream.Handle(), kInputChunk, &outputChunk, ACM_STREAMSIZEF_SOURCE) !=
            MMSYSERR_NOERROR ||
        outputChunk < kMinOutputChunk)
        outputChunk = kMinOutputChunk;
    std::vector<uint8_t> input(kInputChunk);
    // The codec writes 16-bit samples straight into samples the sink can take.
    outputChunk &= ~static_cast<DWORD>(3);
    std::vector<int16_t> output(outputChunk / 2);
    PreparedHeader prepared(acm, stream.Handle(), input.data(), kInputChunk,
                            reinterpret_cast<uint8_t*>(output.data()), outputChunk);
    if (!prepared.Prepared())
        return false;
    ACMSTREAMHEADER& header = prepared.Header();

    const uint64_t size = source.Size();
    const size_t frameBytes = pcm.nBlockAlign;
    std::vector<uint8_t> partial;  // output that does not end on a whole frame
    std::vector<int16_t> samples;
    bool any = false;
    uint64_t position = offset;
    DWORD pending = 0;  // bytes at the front of input not yet taken by the codec
    bool first = true;
    for (;;) {
        const size_t room = kInputChunk - pending;
        const size_t take = source.ReadAt(position, input.data() + pending, room);
        position += take;
        pending += static_cast<DWORD>(take);
        const bool last = position >= size || take < room;

        header.cbSrcLength = pending;
        header.cbSrcLengthUsed = 0;
        header.cbDstLengthUsed = 0;
        DWORD flags = last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
        if (first)
            flags |= ACM_STREAMCONVERTF_START;
        first = false;
        if (acm.streamConvert(stream.Handle(), &header, flags) != MMSYSERR_NOERROR) {
            if (last && pending == 0 && any)
                break;  // a codec that will not be called with no input left
            return false;
        }

        const DWORD used = header.cbSrcLengthUsed <= pending ? header.cbSrcLengthUsed : pending;
        const DWORD produced =
            header.cbDstLengthUsed <= outputChunk ? header.cbDstLengthUsed : outputChunk;
        if (partial.empty() && produced % frameBytes == 0) {
            if (produced > 0) {
                if (!sink.Take(output.data(), produced / frameBytes))
                    return false;
                any = true;
            }
        } else {
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(output.data());
            partial.insert(partial.end(), bytes, bytes + produced);
            const size_t frames = partial.size() / frameBytes;
            if (frames > 0) {
                samples.resize(frames * pcm.nChannels);
                for (size_t i = 0; i < samples.size(); ++i)
                    samples[i] = static_cast<int16_t>(partial[2 * i] | (partial[2 * i + 1] << 8));
                if (!sink.Take(samples.data(), frames))
                    return false;
                partial.erase(partial.begin(), partial.begin() + static_cast<ptrdiff_t>(frames * frameBytes));
                any = true;
            }
        }
        std::memmove(input.data(), input.data() + used, pending - used);
        pending -= used;

        // Done once the input is all in and a call brings nothing more out
        // (the codec may hold decoded audio back from earlier calls).
        if (used == 0 && produced == 0 && (last || pending == kInputChunk))
            break;
    }
    return any;
}

}  // namespace tunemill
