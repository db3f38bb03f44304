// Whole files in and out, with paths in the system's ANSI code page.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunemill {

// Sources larger than this are refused.
const size_t kMaxSourceBytes = 128u * 1024 * 1024;

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes);

// Creates or replaces the file and writes every byte. When that fails, whatever
// was created is deleted, so no partial file stays behind.
bool WriteWholeFile(const char* path, const void* bytes, size_t size);

}  // namespace tunemill
