// Which converter export serves a source file, and the names of the files a
// conversion makes beside it.
#pragma once
#include <string>

// Names are built in buffers of this many characters, terminator included.
constexpr size_t kPathBufferChars = 260;

struct AudioConversion {
    const char* exportName = nullptr;
    std::string firstByProduct;   // handed to the converter
    std::string secondByProduct;  // made by the converter beside the converted file
};

// The text after the last "." of a path (the whole path when it has none).
std::string FileExtension(const std::string& path);
// The converted file of a source: source + ".rbf".
std::string ConvertedPath(const std::string& source);

// Chooses the export by speech format, then extension, both without regard
// to case. False when the pair has no converter, or when a name would not
// fit its buffer.
bool PlanAudioConversion(const std::string& speechFormat, const std::string& source,
                         const std::string& converted, AudioConversion* plan);
