// SHA-256 of a stream of bytes, fed piece by piece as a run reads them. Uses
// the processor's SHA instructions where it has them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void Add(const void* data, size_t size);
    // Lower-case hex of everything added. Ends the hash: add nothing more.
    std::string Finish();

private:
    void Blocks(const unsigned char* data, size_t count);

    uint32_t m_state[8];
    unsigned char m_pending[64];
    size_t m_pendingBytes = 0;
    uint64_t m_totalBytes = 0;
};

// The 64 round constants.
extern const uint32_t kSha256Round[64];

// The compression of whole 64-byte blocks, for the processor at hand and
// the portable one (the latter for tests that compare both).
void Sha256Blocks(uint32_t state[8], const unsigned char* data, size_t count);
void Sha256BlocksPortable(uint32_t state[8], const unsigned char* data, size_t count);
// True when Sha256Blocks uses the processor's SHA instructions.
bool Sha256HasShaInstructions();
