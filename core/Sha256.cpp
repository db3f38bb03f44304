#include "Sha256.h"
#include <cstring>
#if defined(_MSC_VER)
#include <intrin.h>
#elif defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

// The block function with the SHA instructions, in a file of its own that is
// compiled for them (Sha256Ni.cpp); called only where the processor has them.
void Sha256BlocksNi(uint32_t state[8], const unsigned char* data, size_t count);

const uint32_t kSha256Round[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};


namespace {


inline uint32_t Rotr(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

bool DetectShaInstructions()
{
#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
    int info[4] = {};
    __cpuid(info, 0);
    if (info[0] < 7)
        return false;
    __cpuid(info, 1);
    const bool ssse3 = (info[2] & (1 << 9)) != 0, sse41 = (info[2] & (1 << 19)) != 0;
    __cpuidex(info, 7, 0);
    return ssse3 && sse41 && (info[1] & (1 << 29)) != 0;
#elif defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid_max(0, nullptr) < 7 || !__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const bool ssse3 = (c & (1u << 9)) != 0, sse41 = (c & (1u << 19)) != 0;
    __cpuid_count(7, 0, a, b, c, d);
    return ssse3 && sse41 && (b & (1u << 29)) != 0;
#else
    return false;
#endif
}

}  // namespace

bool Sha256HasShaInstructions()
{
    static const bool has = DetectShaInstructions();
    return has;
}

void Sha256BlocksPortable(uint32_t state[8], const unsigned char* data, size_t count)
{
    uint32_t w[64];
    for (; count > 0; --count, data += 64) {
        for (int i = 0; i < 16; ++i)
            w[i] = static_cast<uint32_t>(data[4 * i]) << 24 | static_cast<uint32_t>(data[4 * i + 1]) << 16
                   | static_cast<uint32_t>(data[4 * i + 2]) << 8 | static_cast<uint32_t>(data[4 * i + 3]);
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kSha256Round[i] + w[i];
            const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

void Sha256Blocks(uint32_t state[8], const unsigned char* data, size_t count)
{
    if (Sha256HasShaInstructions())
        Sha256BlocksNi(state, data, count);
    else
        Sha256BlocksPortable(state, data, count);
}

Sha256::Sha256()
    : m_state{ 0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19 }
{
}

void Sha256::Blocks(const unsigned char* data, size_t count)
{
    Sha256Blocks(m_state, data, count);
}

void Sha256::Add(const void* data, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    m_totalBytes += size;
    if (m_pendingBytes > 0) {
        const size_t take = size < 64 - m_pendingBytes ? size : 64 - m_pendingBytes;
        std::memcpy(m_pending + m_pendingBytes, bytes, take);
        m_pendingBytes += take;
        bytes += take;
        size -= take;
        if (m_pendingBytes < 64)
            return;
        Blocks(m_pending, 1);
        m_pendingBytes = 0;
    }
    if (size >= 64) {
        Blocks(bytes, size / 64);
        bytes += size / 64 * 64;
        size %= 64;
    }
    std::memcpy(m_pending, bytes, size);
    m_pendingBytes = size;
}

std::string Sha256::Finish()
{
    const uint64_t bits = m_totalBytes * 8;
    unsigned char tail[128] = {};
    std::memcpy(tail, m_pending, m_pendingBytes);
    tail[m_pendingBytes] = 0x80;
    const size_t length = m_pendingBytes + 9 <= 64 ? 64 : 128;
    for (int i = 0; i < 8; ++i)
        tail[length - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    Blocks(tail, length / 64);
    m_pendingBytes = 0;

    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint32_t word : m_state) {
        for (int shift = 28; shift >= 0; shift -= 4)
            text += kHex[(word >> shift) & 15];
    }
    return text;
}
