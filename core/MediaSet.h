// A media set: the builder's two lists and its values in a UTF-8 text file
// of its own, opened and saved by command beside the settings store. The
// format (README.md, "Media sets") is lines of "key = value"; paths are
// kept relative to the set's folder where they can be.
#pragma once
#include "BuilderParams.h"
#include <cstdint>
#include <string>
#include <vector>

struct MediaSet {
    std::vector<std::string> audio, images;  // full paths, UTF-8, in list order
    media::SpeechFormat speechFormat = kDefaultSpeechFormat;
    int sampleRate = kDefaultSampleRate;     // Hz
    int systemClock = kDefaultSystemClock;   // Hz
    // red, green, blue
    uint8_t background[3] = { kDefaultBackground[0], kDefaultBackground[1], kDefaultBackground[2] };
    uint32_t audioStart = kDefaultAudioStart, imageStart = kDefaultImageStart;
    int flashType = 0;                       // index into kFlashTypes
};

// Why a set was refused: its line (from 1), or 0 when the reason is not
// about one line (the file can't be read, or it is no set at all).
struct MediaSetError {
    int line = 0;
    std::string reason;
};

// The set a text gives; folder (UTF-8, full) is the set's own, which
// relative paths are taken from. False, with the first refusal, for a text
// that is not a set this program reads; *set is then unspecified.
bool ParseMediaSet(const std::string& text, const std::string& folder, MediaSet* set, MediaSetError* error);

// The text of a set in folder: every value, defaults included, then the
// audio and the image entries in order; LF line ends, no byte order mark.
std::string FormatMediaSet(const MediaSet& set, const std::string& folder);

// Why a set can't be written so that it reads back the same (a path that is
// not full, or that holds a control character or begins or ends with a
// blank); empty when it can.
std::string MediaSetUnwritableReason(const MediaSet& set);

// A set file read whole, its folder taken from path (UTF-16, made full).
bool ReadMediaSetFile(const std::wstring& path, MediaSet* set, MediaSetError* error);
// A set file written whole, or not at all (a file already there stays as it
// was); false with the reason.
bool WriteMediaSetFile(const std::wstring& path, const MediaSet& set, std::string* error);

// "FILE:LINE: reason", or "FILE: reason" for line 0.
std::string MediaSetErrorText(const std::string& fileName, const MediaSetError& error);
