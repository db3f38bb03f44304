#include "AudioRecord.h"

namespace {

constexpr uint8_t kFormatCodeApm = 0;
constexpr uint8_t kFormatCodeMdm = 2;
// One past the highest flash address.
constexpr uint64_t kAddressSpace = 0x100000000ULL;

uint8_t PickPrescaler(uint32_t clock, uint32_t rate)
{
    uint32_t slowBelow, mediumBelow;  // rates below these take codes 2 and 1
    if (clock < 4000000) {
        slowBelow = 0;  // code 2 is never used below 4 MHz
        mediumBelow = 7900;
    } else if (clock < 7000000) {
        slowBelow = 6900;
        mediumBelow = 13700;
    } else {
        slowBelow = 8900;
        mediumBelow = 17700;
    }
    return rate < slowBelow ? 2 : rate < mediumBelow ? 1 : 0;
}

// clock / (divider * rate) rounded half up: the timer count + 1. Computed
// wide, so no rate makes the divisor wrap to 0; a rate of 0 gives 0.
uint64_t TimerPeriods(uint32_t clock, uint32_t rate, uint8_t prescaler)
{
    const uint64_t d = static_cast<uint64_t>(PrescalerDivider(prescaler)) * rate;
    if (d == 0)
        return 0;
    const uint64_t q = clock / d;
    return clock % d < d / 2 ? q : q + 1;
}

}  // namespace

void EncodeAudioRecord(const AudioRecord& record, uint8_t bytes[kAudioRecordSize])
{
    bytes[0] = static_cast<uint8_t>((record.prescaler & 3) << 6 | (record.formatCode & 7) << 3);
    bytes[1] = record.timerCount;
    bytes[2] = static_cast<uint8_t>(record.banked);
    bytes[3] = static_cast<uint8_t>(record.banked >> 8);
    bytes[4] = static_cast<uint8_t>(record.banked >> 16);
    for (int i = 0; i < 3; ++i)
        bytes[5 + i] = kAudioRecordTail[i];
}

bool DecodeAudioRecord(const uint8_t bytes[kAudioRecordSize], AudioRecord* record)
{
    record->prescaler = static_cast<uint8_t>(bytes[0] >> 6);
    record->formatCode = static_cast<uint8_t>(bytes[0] >> 3 & 7);
    record->timerCount = bytes[1];
    record->banked = static_cast<uint32_t>(bytes[2] | bytes[3] << 8 | bytes[4] << 16);
    for (int i = 0; i < 3; ++i) {
        if (bytes[5 + i] != kAudioRecordTail[i])
            return false;
    }
    return true;
}

uint8_t SpeechFormatCode(media::SpeechFormat format)
{
    return format == media::SpeechFormat::mdm ? kFormatCodeMdm : kFormatCodeApm;
}

std::optional<media::SpeechFormat> SpeechFormatOfCode(unsigned code)
{
    if (code == kFormatCodeApm)
        return media::SpeechFormat::apm;
    if (code == kFormatCodeMdm)
        return media::SpeechFormat::mdm;
    return std::nullopt;
}

int TimerSettings(uint32_t clock, uint32_t rate, uint8_t* prescaler, uint8_t* timerCount)
{
    *prescaler = PickPrescaler(clock, rate);
    // Periods 0 (rate 0, or a rate above twice what the clock gives) wrap
    // to 0xFF like any count above 255.
    *timerCount = static_cast<uint8_t>(TimerPeriods(clock, rate, *prescaler) - 1);
    return 1;
}

uint32_t BankAddress(uint32_t deviceAddress)
{
    if (deviceAddress >= 0x800000)
        return 0xFFFFFFFF;
    const uint32_t bank = deviceAddress >> 15;
    const uint32_t offset = deviceAddress & 0x7FFF;
    return bank == 0 ? offset : (bank << 16) | 0x8000 | offset;
}

uint32_t ClipBankedAddress(uint64_t flashAddress)
{
    const uint64_t device = flashAddress + kDeviceAddressOffset;
    return device >= kAddressSpace ? kNoBankedAddress : BankAddress(static_cast<uint32_t>(device)) & kNoBankedAddress;
}

ClipAddress ClipFlashAddress(uint32_t banked, uint64_t* flashAddress)
{
    if (banked == kNoBankedAddress)
        return ClipAddress::none;
    const uint32_t device = (banked >> 16) << 15 | (banked & 0x7FFF);
    if (device < kDeviceAddressOffset || BankAddress(device) != banked)
        return ClipAddress::notBanked;
    *flashAddress = device - kDeviceAddressOffset;
    return ClipAddress::placed;
}
