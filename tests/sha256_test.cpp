// The image hash of the download log: known digests, any split of the
// input, and the SHA instructions against the portable rounds.
#include "Sha256.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {

std::string Digest(const std::string& bytes)
{
    Sha256 hash;
    hash.Add(bytes.data(), bytes.size());
    return hash.Finish();
}

TEST(Sha256Test, KnownDigestsAtEveryPaddingBoundary)
{
    const std::pair<std::string, const char*> cases[] = {
        { "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855" },
        { "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad" },
        { "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: the length needs a second block
          "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1" },
        { std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, Digest(c.first)) << c.first.size();
}

TEST(Sha256Test, PiecesOfAnySizeGiveTheDigestOfTheWhole)
{
    std::string bytes(70000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131 + 7) >> 3);
    const std::string whole = Digest(bytes);
    for (size_t piece : { 1u, 63u, 64u, 65u, 16384u }) {
        Sha256 hash;
        for (size_t at = 0; at < bytes.size(); at += piece)
            hash.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(whole, hash.Finish()) << piece;
    }
}

TEST(Sha256Test, ProcessorInstructionsMatchThePortableRounds)
{
    if (!Sha256HasShaInstructions())
        GTEST_SKIP() << "this processor has no SHA instructions";
    std::vector<unsigned char> blocks(64 * 37);
    for (size_t i = 0; i < blocks.size(); ++i)
        blocks[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
    uint32_t fast[8] = { 1, 2, 3, 4, 5, 6, 7, 8 }, portable[8];
    std::memcpy(portable, fast, sizeof fast);
    Sha256Blocks(fast, blocks.data(), 37);
    Sha256BlocksPortable(portable, blocks.data(), 37);
    EXPECT_EQ(0, std::memcmp(fast, portable, sizeof fast));
}

}  // namespace
