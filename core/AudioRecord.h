// The packed image's audio record, 8 bytes per clip, written by the packer
// and read back by the packed image's map through this one pair:
//   byte 0     control: prescaler code << 6 | format code << 3
//   byte 1     timer count
//   bytes 2-4  banked device address of the clip's first byte, low byte first
//   bytes 5-7  88 01 FF
// A clip's device address is its flash address + 0x400000.
#pragma once
#include "SpeechFormat.h"
#include <cstdint>
#include <optional>

constexpr uint32_t kAudioRecordSize = 8;
// Audio records give a clip's place as flash address + this, banked.
constexpr uint32_t kDeviceAddressOffset = 0x400000;
// The address bytes of a clip whose device address has no banked form.
constexpr uint32_t kNoBankedAddress = 0xFFFFFF;
// Bytes 5-7 of every record.
constexpr uint8_t kAudioRecordTail[3] = { 0x88, 0x01, 0xFF };

// The fields of a record. The packer writes a prescaler code of 0-2 and the
// code of a speech format; read back, they are whatever the bytes say.
struct AudioRecord {
    uint8_t prescaler = 0;     // bits 6-7 of the control byte; 3 has no divider
    uint8_t formatCode = 0;    // bits 3-5 of the control byte
    uint8_t timerCount = 0;
    uint32_t banked = 0;       // 24 bits; kNoBankedAddress for none
};

void EncodeAudioRecord(const AudioRecord& record, uint8_t bytes[kAudioRecordSize]);
// Reads every field; false when bytes 5-7 are not kAudioRecordTail.
bool DecodeAudioRecord(const uint8_t bytes[kAudioRecordSize], AudioRecord* record);

// A format's code in the control byte: 0 for APM, 2 for MDM.
uint8_t SpeechFormatCode(media::SpeechFormat format);
// The format a code stands for; nothing for codes no format has.
std::optional<media::SpeechFormat> SpeechFormatOfCode(unsigned code);

// The divider a prescaler code stands for: 2, 4 or 8 for codes 0, 1, 2.
constexpr uint32_t PrescalerDivider(unsigned prescaler) { return 2u << prescaler; }

// Prescaler code (0, 1, 2) and timer count so that clock / divider /
// (count + 1) comes nearest the rate. The count is kept to its low 8 bits:
// a quotient of 0 gives 0xFF and counts above 255 wrap. A rate of 0 gives
// the count 0xFF. Always returns 1.
int TimerSettings(uint32_t clock, uint32_t rate, uint8_t* prescaler, uint8_t* timerCount);

// A device address in banked form: the bank number (32 KiB banks) in bits
// 16-23 and the offset in the window 0x8000-0xFFFF; bank 0 is its plain
// offset. 0xFFFFFFFF for 0x800000 and above, which have no banked form.
uint32_t BankAddress(uint32_t deviceAddress);

// The address bytes of a clip that begins at this flash address (wide: it
// may lie past 4 GiB): kNoBankedAddress from flash address 0x400000 on.
uint32_t ClipBankedAddress(uint64_t flashAddress);

// The flash address a record's address bytes give back.
enum class ClipAddress {
    placed,     // flashAddress is set
    none,       // kNoBankedAddress: the clip begins at 0x400000 or above
    notBanked,  // no flash address has these bytes as its banked form
};
ClipAddress ClipFlashAddress(uint32_t banked, uint64_t* flashAddress);
