#include "ImageHash.h"
#include <windows.h>
#include <bcrypt.h>

ImageHash::ImageHash()
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    m_ok = BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))
           && BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    m_algorithm = algorithm;
    m_hash = hash;
}

ImageHash::~ImageHash()
{
    if (m_hash)
        ::BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(m_hash));
    if (m_algorithm)
        ::BCryptCloseAlgorithmProvider(static_cast<BCRYPT_ALG_HANDLE>(m_algorithm), 0);
}

void ImageHash::Add(const void* data, size_t size)
{
    auto* bytes = static_cast<unsigned char*>(const_cast<void*>(data));
    while (m_ok && size > 0) {
        const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        m_ok = BCRYPT_SUCCESS(::BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(m_hash), bytes, piece, 0));
        bytes += piece;
        size -= piece;
    }
}

std::string ImageHash::Finish()
{
    unsigned char digest[32] = {};
    const bool ok = m_ok && BCRYPT_SUCCESS(::BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(m_hash), digest,
                                                               sizeof digest, 0));
    m_ok = false;
    if (!ok)
        return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}
