// The device numbers of --devices: the boards a command programs at once.
#pragma once
#include <string>
#include <vector>

constexpr int kMaxDeviceNumber = 63;

// Numbers and ranges joined by commas: "0-3", "0,2,5", "0-2,7". Each number
// from 0 to kMaxDeviceNumber, none twice, in the order given. False, with a
// one-line reason, for an empty list or entry, a reversed range, a repeat, a
// negative number or anything that is not a number.
bool ParseDeviceList(const std::string& text, std::vector<int>* devices, std::string* error);

