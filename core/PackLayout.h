// Where every part of a packed image goes, worked out from the converted
// files' sizes alone: the packer writes by it, and the builder's flash map
// shows it before anything is written.
#pragma once
#include "Packer.h"
#include <cstddef>
#include <cstdint>
#include <vector>

// What is refused from the counts and values alone: a list longer than its
// 16-bit count, audio without a sample rate.
PackFailure CheckPackCounts(size_t audioCount, size_t imageCount, const PackParams& params);

class PackLayout {
public:
    // The header of audioCount records, all zero until their clips are placed.
    explicit PackLayout(const PackParams& params = PackParams(), size_t audioCount = 0);

    // The audio count and the records: what the file begins with.
    const std::vector<uint8_t>& Header() const { return m_header; }
    // Places clip k of size bytes at the next byte and fills its record. A
    // clip left unplaced keeps a zero record and takes no room.
    void PlaceClip(size_t k, uint64_t size);
    // Flash address one past what is placed so far (wide: no size wraps it).
    uint64_t Next() const { return m_next; }

    // Ends the audio section and places the image section after it, given
    // the images' summed size: audioPastImages or pastAddressSpace when the
    // packer must refuse it (nothing is written then). Without images the
    // packed image ends with the audio.
    PackFailure PlaceImages(size_t imageCount, uint64_t imageBytes);

    uint64_t AudioEnd() const { return m_audioEnd; }      // one past the audio section
    uint64_t ImageStart() const { return m_imageStart; }  // the image count's address (with images)
    uint64_t End() const { return m_end; }                // one past the packed image

private:
    PackParams m_params;
    AudioRecord m_record;           // the fields every record shares
    std::vector<uint8_t> m_header;
    uint64_t m_next = 0;
    uint64_t m_audioEnd = 0, m_imageStart = 0, m_end = 0;
};

// The whole layout of converted files of these sizes, in list order, as
// the packer would write it: none, or the refusal the packer would give.
PackFailure LayOutPack(const std::vector<uint64_t>& audioSizes, const std::vector<uint64_t>& imageSizes,
                       const PackParams& params, PackLayout* layout);
