// What a run that writes an image file into the flash (a download or a
// write) tells its caller while it goes, and what it asks of it. The run
// calls these on its own thread; a window turns them into texts and posted
// messages, the console program into lines and a progress bar.
#pragma once
#include "FlashTypes.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The constants every run shares: the bytes one driver call programs, and
// how often and how far apart a device is asked to open.
constexpr unsigned int kBlockSize = 16384;
constexpr unsigned int kOpenAttempts = 20;
constexpr unsigned int kOpenRetryMs = 1000;

// Bytes of the next block to program when this many remain.
inline unsigned int NextBlockBytes(uint32_t remaining)
{
    return remaining > kBlockSize ? kBlockSize : remaining;
}

enum class FlashStage {
    openingDevice,  // the image file is open; the device is being opened
    deviceReady,    // opening and flash set-up are over, whether or not they succeeded
    erasing,        // the erase is about to start
    programming,    // blocks are about to be programmed (also after a failure)
};

enum class FlashFailure {
    none,
    imageOpen,      // the image file can't be opened
    addressRange,   // the image would run past the end of the address space
    flashRange,     // the image would run past the end of the flash
    deviceOpen,     // no device opened in all attempts
    flashSetup,     // the driver refused the flash type
    flashType,      // no flash type code for the requested type
    erase,          // the erase did not report success
    imageRead,      // a block could not be read from the image file
    program,        // a block was refused or programmed short
    cancelled,      // the caller called the run off
};

class FlashReport {
public:
    virtual void Stage(FlashStage stage) {}
    // Bytes done of the total (the image size); (0, total) marks a restart.
    virtual void Progress(uint32_t done, uint32_t total) {}
    // An attempt to open the device failed; attempts is 0 when they go on
    // until the device opens or the run is called off.
    virtual void OpenFailed(unsigned int attempt, unsigned int attempts) {}
    virtual void EraseStarted() {}
    virtual void EraseEnded(bool erased) {}
    // A failure as it happens; address is where a block failed, else 0.
    // Not reported once the caller has called the run off.
    virtual void Failure(FlashFailure failure, uint32_t address) {}
    // Asked between steps by the runs that can be called off.
    virtual bool Cancelled() { return false; }

protected:
    ~FlashReport() = default;
};

// What to write and how to reach the device.
struct FlashJob {
    std::wstring imagePath;
    uint32_t startAddress = 0;      // flash address of the image's first byte
    uint64_t flashBytes = 0;        // the flash's size; 0: the 32-bit address space
    int flashTypeCode = kSpiFlashTypeCode;   // the driver's code: 5 SPI, 4 KP6X, 6 NAND
    unsigned int openAttempts = kOpenAttempts;  // 0: until the device opens or the run is called off
    unsigned int openRetryMs = kOpenRetryMs;
    bool hashImage = true;          // take the image's SHA-256 for the log
    int deviceNumber = 0;           // the device the driver is asked to open
    // The image's bytes, read once and shared by runs going on at once; the
    // run reads them instead of opening imagePath. Null: it opens the file.
    std::shared_ptr<const std::vector<unsigned char>> image;
};

// How a run ended.
struct FlashOutcome {
    int result = 0;                 // nonzero on success (the last program call's result)
    FlashFailure failure = FlashFailure::none;
    uint32_t failedAddress = 0;     // flash address of the failed block
    uint32_t imageSize = 0;         // bytes of the image (its length's low 32 bits)
    uint64_t imageLength = 0;       // bytes of the image file
    // Lower-case hex SHA-256 of the image file, of the very bytes read for
    // programming (and of the rest of the file after a run that stopped
    // part-way); empty when the file was not read whole.
    std::string sha256;
    bool imageOpened = false;
    bool deviceOpened = false;
};
