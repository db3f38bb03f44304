// The packed image: a count and an 8-byte record per audio clip
// (AudioRecord.h), the clips back to back, then (when there are images) 0xFF
// up to the image start address, an image count and the images back to
// back. The file is written into the flash from the audio start address on.
#pragma once
#include "AudioRecord.h"
#include "BuilderParams.h"
#include <cstdint>
#include <string>
#include <vector>

// Every input is streamed through one buffer of this size.
constexpr uint32_t kPackCopyBufferSize = 0x20000;
// One past the highest flash address: the packed image must end within it.
constexpr uint64_t kFlashAddressSpace = 0x100000000ULL;
// A flash sector: the boundary an image section placed after the audio takes.
constexpr uint32_t kFlashSectorSize = 0x1000;

// The builder parameters the packer reads; the defaults are the settings'.
struct PackParams {
    // The name of a speech format, any case; any other text is taken for APM.
    std::string speechFormat = media::SpeechFormatName(kDefaultSpeechFormat);
    uint32_t sampleRate = kDefaultSampleRate;     // Hz
    uint32_t systemClock = kDefaultSystemClock;   // Hz
    uint32_t audioStart = kDefaultAudioStart;     // flash address of the file's first byte
    uint32_t imageStart = kDefaultImageStart;     // flash address of the image count
    // Instead of imageStart: the first sector boundary at or after the end
    // of the audio section.
    bool imageStartAfterAudio = false;
};

enum class PackFailure {
    none,
    outputIsInput,      // an input is the output file itself
    tooManyFiles,       // a list holds more than its 16-bit count can give
    sampleRateZero,     // audio records need a rate
    outputNotWritten,   // the output can't be created or written (systemError)
    noMemory,
    inputUnreadable,    // file: an input that can't be opened or read whole
    audioPastImages,    // the audio section ends past the image start address
    pastAddressSpace,   // the packed image would end past 4 GiB
};

// How a pack went: the failure and the addresses worked out up to it.
struct PackResult {
    PackFailure failure = PackFailure::none;
    std::string file;               // inputUnreadable: the input
    unsigned long systemError = 0;  // outputNotWritten: the Windows error code
    uint64_t audioEnd = 0;          // flash address one past the audio section
    uint64_t imageStart = 0;        // flash address of the image count (with images)
    uint64_t end = 0;               // flash address one past the packed image
};

// Copies a packed image whole into target's place, through one buffer as the
// packer streams its inputs: a file already at target stays as it was unless
// the copy completes. False when it can't be read or written whole.
bool CopyPackedImage(const std::wstring& packed, const std::wstring& target);

// The first sector boundary at or after a flash address (wide: it may pass 4 GiB).
uint64_t SectorBoundaryAtOrAfter(uint64_t flashAddress);

// Writes the packed image of the converted files to outputPath, replacing
// any old file. 1 on success; 0 on failure, with no file left at outputPath,
// except when one of the inputs is outputPath itself: then nothing is
// touched. Refused before anything is written: more than 65535 files in a
// list, or audio files with a sample rate of 0.
int PackImage(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
              const std::string& outputPath, const PackParams& params);
// What a failure does to a file already at the output path: removed (the
// builder's own packed image, so that no stale one is written), or left as
// it was (a user's file).
enum class OldOutput { removeOnFailure, keepOnFailure };

// The same with an output path of any name, telling how it went; result may
// be null. Either way the image is written under a temporary name beside the
// output and put in its place only when whole, so that an interrupted run
// leaves an old file as it was and no part of the new one.
int PackImage(const std::vector<std::string>& audioFiles, const std::vector<std::string>& imageFiles,
              const std::wstring& outputPath, const PackParams& params, PackResult* result,
              OldOutput old = OldOutput::removeOnFailure);
