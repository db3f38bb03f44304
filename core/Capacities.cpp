#include "Capacities.h"
#include "StringConv.h"

int CapacityBits(int index)
{
    return index >= 0 && index < kCapacityCount ? kCapacities[index].bits : 0;
}

std::string CapacityName(int bits)
{
    for (const Capacity& capacity : kCapacities) {
        if (capacity.bits == bits)
            return capacity.name;
    }
    return std::string();
}

std::string CapacityWithBytes(int bits)
{
    const std::string name = CapacityName(bits);
    if (name.empty())
        return name;
    const int kib = bits / 8 / 1024;
    return name + " (" + (kib >= 1024 ? std::to_string(kib / 1024) + " MiB)" : std::to_string(kib) + " KiB)");
}

unsigned int EraseTimerInterval(int index)
{
    return index >= 0 && index < kCapacityCount ? kCapacities[index].eraseTimerMs : 0;
}

int CapacityIndexOf(const std::string& name)
{
    for (int index = 0; index < kCapacityCount; ++index) {
        if (SameTextIgnoringCase(name, kCapacities[index].name))
            return index;
    }
    return -1;
}
