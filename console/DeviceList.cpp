#include "DeviceList.h"
#include <algorithm>

namespace {

enum class Part { number, negative, notNumber, tooBig };

Part ReadPart(const std::string& text, int* value)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return Part::notNumber;
    if (negative)
        return Part::negative;
    int number = 0;
    for (char c : digits) {
        number = number * 10 + (c - '0');
        if (number > kMaxDeviceNumber)
            return Part::tooBig;
    }
    *value = number;
    return Part::number;
}

}  // namespace

bool ParseDeviceList(const std::string& text, std::vector<int>* devices, std::string* error)
{
    devices->clear();
    const std::string list = "the device list '" + text + "'";
    auto fail = [&](const std::string& reason) {
        *error = reason;
        devices->clear();
        return false;
    };
    if (text.empty())
        return fail("the device list is empty");
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string entry = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (entry.empty())
            return fail(list + " has an empty entry");
        // A '-' after the first character joins the two ends of a range.
        const size_t dash = entry.find('-', 1);
        int ends[2] = { 0, 0 };
        const std::string parts[2] = { entry.substr(0, dash), dash == std::string::npos ? entry : entry.substr(dash + 1) };
        for (int i = 0; i < 2; ++i) {
            switch (ReadPart(parts[i], &ends[i])) {
            case Part::number:
                break;
            case Part::negative:
                return fail(list + " has a negative number: '" + entry + "'");
            case Part::notNumber:
                return fail(list + " has '" + entry + "', which is not a device number or a range of them");
            case Part::tooBig:
                return fail(list + " goes past device " + std::to_string(kMaxDeviceNumber) + ": '" + entry + "'");
            }
        }
        if (ends[0] > ends[1])
            return fail(list + " has a reversed range: '" + entry + "'");
        for (int device = ends[0]; device <= ends[1]; ++device) {
            if (std::find(devices->begin(), devices->end(), device) != devices->end())
                return fail(list + " names device " + std::to_string(device) + " twice");
            devices->push_back(device);
        }
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}
