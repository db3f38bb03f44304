// The folder unpack writes into: new or empty, or emptied of what an earlier
// unpack left there when told so; nothing else in it is ever touched.
#pragma once
#include <string>

// Whether name is one unpack gives its files: map.json, audio-NN.wav,
// image-NN.png (two digits or more), in any case.
bool IsUnpackFileName(const std::wstring& name);

// Whether unpack may write into folder (in its \\?\ form, made already): it
// holds nothing, or replace is set and every file of unpack's naming in it has
// been removed. False with the reason in *why, from which the caller makes
// its line.
bool PrepareUnpackFolder(const std::wstring& folder, bool replace, std::string* why);
