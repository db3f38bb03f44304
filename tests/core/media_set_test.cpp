// Media sets: the text a set is written as, what it reads back, its paths
// relative to its folder, and the lines it refuses.
#include "MediaSet.h"
#include "MediaSetPaths.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {

const char* const kFolder = "C:\\Sets\\Demo";

// The same lists, and the same values as the text shows every one of them.
void ExpectSameSet(const MediaSet& a, const MediaSet& b)
{
    EXPECT_EQ(a.audio, b.audio);
    EXPECT_EQ(a.images, b.images);
    EXPECT_EQ(FormatMediaSet(a, kFolder), FormatMediaSet(b, kFolder));
}

TEST(MediaSetTest, WritesEveryValueAndRelativePathsAndReadsThemBack)
{
    MediaSet set;
    set.audio = { "C:\\Sets\\Demo\\voice\\hello.wav", "C:\\Sets\\bye.mp3", "D:\\clips\\x.wav" };
    set.images = { "\\\\server\\art\\logo.png", "C:\\Sets\\Demo\\a\\..\\odd.bmp" };
    set.speechFormat = media::SpeechFormat::mdm;
    set.sampleRate = 16000;
    set.systemClock = 12000000;
    set.background[1] = 128;
    set.audioStart = 0x1000;
    set.imageStart = 0xABCDE;
    set.flashType = 2;
    const std::string text = FormatMediaSet(set, kFolder);
    EXPECT_EQ("tessaline-media-set = 1\nspeech-format = MDM\nsample-rate = 16000\nsystem-clock = 12000000\n"
              "background = 255, 128, 255\naudio-start = 00001000\nimage-start = 000ABCDE\nflash-type = NAND\n\n"
              "audio = voice/hello.wav\naudio = ../bye.mp3\naudio = D:\\clips\\x.wav\n"
              "image = \\\\server\\art\\logo.png\nimage = C:\\Sets\\Demo\\a\\..\\odd.bmp\n",
              text);
    MediaSet back;
    MediaSetError error;
    ASSERT_TRUE(ParseMediaSet(text, kFolder, &back, &error)) << error.reason;
    ExpectSameSet(set, back);

    // Values left out take the builder's defaults.
    ASSERT_TRUE(ParseMediaSet("\xEF\xBB\xBF# mine\r\n\r\ntessaline-media-set = 1\r\n", kFolder, &back, &error));
    ExpectSameSet(MediaSet(), back);
}

TEST(MediaSetTest, ThroughAFileTheFolderIsTheSetsOwn)
{
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
    const std::wstring path = std::wstring(temp) + L"media-set-test.tms";
    MediaSet set, back;
    set.images = { "Z:\\pictures\\p.png" };
    std::string why;
    ASSERT_TRUE(WriteMediaSetFile(path, set, &why)) << why;
    MediaSetError error;
    EXPECT_TRUE(ReadMediaSetFile(path, &back, &error)) << error.reason;
    ExpectSameSet(set, back);
    set.audio = { "relative.wav" };
    EXPECT_FALSE(WriteMediaSetFile(path, set, &why));
    EXPECT_EQ("the path 'relative.wav' is not a full path", why);
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
    EXPECT_FALSE(ReadMediaSetFile(path, &back, &error));
    EXPECT_EQ("x.tms: no such file", MediaSetErrorText("x.tms", error));
}

TEST(MediaSetTest, PathsAreRelativeToTheFolderWhereTheyReadBackTheSame)
{
    const struct {
        const char* path;
        const char* folder;
        const char* written;
    } cases[] = {
        { "C:\\Sets\\Demo\\a.wav", "C:\\Sets\\Demo", "a.wav" },
        { "c:\\SETS\\demo\\a.wav", "C:\\Sets\\Demo\\", "a.wav" },      // names compared without case
        { "C:\\Sets\\Other\\b\\a.wav", "C:\\Sets\\Demo", "../Other/b/a.wav" },
        { "C:\\a.wav", "C:\\Sets\\Demo", "../../a.wav" },
        { "C:\\Sets\\Demo\\a.wav", "C:\\", "Sets/Demo/a.wav" },
        { "D:\\Sets\\Demo\\a.wav", "C:\\Sets\\Demo", "D:\\Sets\\Demo\\a.wav" },  // another drive
        { "\\\\srv\\share\\m\\a.wav", "\\\\SRV\\Share", "m/a.wav" },
        { "\\\\srv\\other\\a.wav", "\\\\srv\\share", "\\\\srv\\other\\a.wav" },   // another share
        { "C:\\Sets\\\\a.wav", "C:\\Sets", "C:\\Sets\\\\a.wav" },                   // would not read back the same
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.written, SetPathRelativeTo(c.path, c.folder)) << c.path;

    const std::pair<const char*, const char*> read[] = {
        { "x\\y.wav", "C:\\Sets\\Demo\\x\\y.wav" },
        { "./x/../../y.wav", "C:\\Sets\\y.wav" },
        { "D:/m/y.wav", "D:/m/y.wav" },
    };
    for (const auto& c : read) {
        std::string path, why;
        EXPECT_TRUE(ResolveSetPath(c.first, kFolder, &path, &why)) << why;
        EXPECT_EQ(c.second, path);
    }
}

TEST(MediaSetTest, RefusesWhatItDoesNotKnowWithTheLineAndTheReason)
{
    const std::string head = "tessaline-media-set = 1\n";
    const struct {
        std::string text;
        int line;
        const char* reason;
    } cases[] = {
        { head + "# a comment\ncolour = 1, 2, 3\n", 3, "unknown key 'colour'" },
        { head + "sample-rate = 100000\n", 2, "sample-rate must be a number of hertz, 1 to 5 digits: '100000'" },
        { head + "system-clock = 6.1M\n", 2, "system-clock must be a number of hertz, 1 to 8 digits: '6.1M'" },
        { head + "audio-start = 123456789\n", 2, "audio-start must be 1 to 8 hexadecimal digits: '123456789'" },
        { head + "background = 1, 2, 256\n", 2, "background must be R, G, B, each from 0 to 255: '1, 2, 256'" },
        { head + "speech-format = PCM\n", 2, "speech-format must be APM or MDM: 'PCM'" },
        { head + "flash-type = EMMC\n", 2, "flash-type must be SPI, KP6X or NAND: 'EMMC'" },
        { head + "flash-type = SPI\n\nflash-type = NAND\n", 4, "flash-type is given twice (first on line 2)" },
        { head + "tessaline-media-set = 1\n", 2, "tessaline-media-set is given twice (first on line 1)" },
        { "tessaline-media-set = 2\n", 1, "the set is of version 2, newer than this program reads (1)" },
        { "sample-rate = 8000\n", 1, "a media set begins with the line 'tessaline-media-set = 1'" },
        { head + "audio\n", 2, "not a 'key = value' line: 'audio'" },
        { head + "audio = \n", 2, "audio needs a path" },
        { head + "image = ../../../x.png\n", 2, "the path '../../../x.png' climbs above C:\\" },
        { head + "image = \\x.png\n", 2,
          "the path '\\x.png' depends on a drive's current folder or root: give it relative to the set's folder "
          "or in full" },
        { head + "image = \xC3(.png\n", 2, "the line is not UTF-8 text" },
        { "# nothing\n", 0, "not a media set: it has no line 'tessaline-media-set = 1'" },
    };
    for (const auto& c : cases) {
        MediaSet set;
        MediaSetError error;
        EXPECT_FALSE(ParseMediaSet(c.text, kFolder, &set, &error)) << c.text;
        EXPECT_EQ(c.line, error.line) << c.text;
        EXPECT_EQ(c.reason, error.reason);
    }
    EXPECT_EQ("my.tms:4: flash-type is given twice", MediaSetErrorText("my.tms", { 4, "flash-type is given twice" }));
}

}  // namespace
