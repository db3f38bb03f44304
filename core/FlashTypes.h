// The flash types a write can program, in index order: the index is what
// the builder's settings store, the Writer dialog is given and --flash-type
// chooses.
#pragma once
#include "resource.h"
#include <string>

struct FlashType {
    const char* name;     // as the log and --flash-type write it
    int driverCode;       // the driver's code for it (flash set-up)
    int buttonId;         // the builder panel's radio button
};

constexpr FlashType kFlashTypes[] = {
    { "SPI", 5, IDC_FLASH_SPI },
    { "KP6X", 4, IDC_FLASH_KP6X },
    { "NAND", 6, IDC_FLASH_NAND },
};
constexpr int kFlashTypeCount = static_cast<int>(sizeof kFlashTypes / sizeof kFlashTypes[0]);
// The download panel's only type.
constexpr int kSpiFlashTypeCode = kFlashTypes[0].driverCode;

// The driver's code for a flash type index; 0 for any other index.
int FlashTypeCode(int index);
// The flash type's name for its index; "" for any other index.
const char* FlashTypeName(int index);
// The index of "SPI", "KP6X", "NAND" (any case), or -1.
int FlashTypeIndexOf(const std::string& name);
