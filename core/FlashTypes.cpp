#include "FlashTypes.h"
#include "StringConv.h"

int FlashTypeCode(int index)
{
    return index >= 0 && index < kFlashTypeCount ? kFlashTypes[index].driverCode : 0;
}

const char* FlashTypeName(int index)
{
    return index >= 0 && index < kFlashTypeCount ? kFlashTypes[index].name : "";
}

int FlashTypeIndexOf(const std::string& name)
{
    for (int index = 0; index < kFlashTypeCount; ++index) {
        if (SameTextIgnoringCase(name, kFlashTypes[index].name))
            return index;
    }
    return -1;
}
