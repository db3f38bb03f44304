#include "PackLayout.h"
#include "BuilderParams.h"

PackFailure CheckPackCounts(size_t audioCount, size_t imageCount, const PackParams& params)
{
    if (audioCount > 0 && params.sampleRate == 0)
        return PackFailure::sampleRateZero;
    if (audioCount > static_cast<size_t>(kMaxListEntries) || imageCount > static_cast<size_t>(kMaxListEntries))
        return PackFailure::tooManyFiles;
    return PackFailure::none;
}

PackLayout::PackLayout(const PackParams& params, size_t audioCount)
    : m_params(params), m_header(2 + kAudioRecordSize * audioCount, 0)
{
    m_header[0] = static_cast<uint8_t>(audioCount);
    m_header[1] = static_cast<uint8_t>(audioCount >> 8);
    TimerSettings(params.systemClock, params.sampleRate, &m_record.prescaler, &m_record.timerCount);
    media::SpeechFormat format = media::SpeechFormat::apm;  // any other text is taken for APM
    media::ParseSpeechFormat(params.speechFormat, &format);
    m_record.formatCode = SpeechFormatCode(format);
    m_next = static_cast<uint64_t>(params.audioStart) + m_header.size();
    m_audioEnd = m_end = m_next;
}

void PackLayout::PlaceClip(size_t k, uint64_t size)
{
    m_record.banked = ClipBankedAddress(m_next);
    EncodeAudioRecord(m_record, &m_header[2 + kAudioRecordSize * k]);
    m_next += size;
    m_audioEnd = m_end = m_next;
}

PackFailure PackLayout::PlaceImages(size_t imageCount, uint64_t imageBytes)
{
    m_audioEnd = m_end = m_next;
    if (imageCount == 0)
        return m_end > kFlashAddressSpace ? PackFailure::pastAddressSpace : PackFailure::none;
    m_imageStart = m_params.imageStartAfterAudio ? SectorBoundaryAtOrAfter(m_next) : m_params.imageStart;
    if (m_next > m_imageStart)
        return PackFailure::audioPastImages;  // the audio section runs into the image section
    m_end = m_imageStart + 2 + imageBytes;
    return m_end > kFlashAddressSpace ? PackFailure::pastAddressSpace : PackFailure::none;
}

PackFailure LayOutPack(const std::vector<uint64_t>& audioSizes, const std::vector<uint64_t>& imageSizes,
                       const PackParams& params, PackLayout* layout)
{
    const PackFailure refused = CheckPackCounts(audioSizes.size(), imageSizes.size(), params);
    if (refused != PackFailure::none)
        return refused;
    *layout = PackLayout(params, audioSizes.size());
    for (size_t k = 0; k < audioSizes.size(); ++k)
        layout->PlaceClip(k, audioSizes[k]);
    uint64_t imageBytes = 0;
    for (const uint64_t size : imageSizes)
        imageBytes += size;
    return layout->PlaceImages(imageSizes.size(), imageBytes);
}
