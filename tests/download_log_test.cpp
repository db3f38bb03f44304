// The download log's lines: exact fields, CSV quoting, the time's offset,
// and programs appending at once.
#include "DownloadLog.h"
#include <gtest/gtest.h>
#include <cstring>
#include <thread>
#include <vector>

namespace {

TEST(DownloadLogTest, LineHoldsEveryFieldInOrderQuotedWhereNeeded)
{
    DownloadLogEntry entry;
    entry.program = "tessa";
    entry.operation = "write";
    entry.imagePath = L"C:\\boards\\a,\"b\"\u56fe.bin";
    entry.size = "99";
    entry.sha256 = "ab12";
    entry.capacity = "";
    entry.startAddress = 0x1000;
    entry.flashType = "NAND";
    entry.result = "block program failed at 0x00005000";
    entry.milliseconds = 1234;
    entry.device = 7;
    EXPECT_EQ("2026-12-08T10:15:00+01:00,tessa,write,\"C:\\boards\\a,\"\"b\"\"\xE5\x9B\xBE.bin\",99,ab12,,0x00001000,"
              "NAND,block program failed at 0x00005000,1234,7\r\n",
              DownloadLogLine(entry, "2026-12-08T10:15:00+01:00"));
}

TEST(DownloadLogTest, LocalTimeCarriesItsOffsetFromUtc)
{
    SYSTEMTIME t = {};
    t.wYear = 2026; t.wMonth = 3; t.wDay = 9; t.wHour = 7; t.wMinute = 5; t.wSecond = 59;
    const std::pair<long, const char*> cases[] = {
        { 0, "2026-03-09T07:05:59+00:00" },
        { -60, "2026-03-09T07:05:59+01:00" },
        { 300, "2026-03-09T07:05:59-05:00" },
        { -330, "2026-03-09T07:05:59+05:30" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, IsoLocalTime(t, c.first));
}

TEST(DownloadLogTest, LinesFollowTheirFilesHeaderWithOrWithoutTheDevice)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string logAnsi = std::string(temp) + "tessaline-header-" + std::to_string(::GetCurrentProcessId()) + ".csv";
    const std::wstring log(logAnsi.begin(), logAnsi.end());
    const std::string old = "time,program,operation,image,size,sha256,capacity,start_address,flash_type,result,ms\r\n";
    DownloadLogEntry entry;
    entry.program = "tessa";
    entry.result = "ok";
    entry.device = 3;
    for (const std::string& header : { old, std::string(kDownloadLogHeader) }) {
        FILE* f = fopen(logAnsi.c_str(), "wb");
        ASSERT_TRUE(f);
        fputs(header.c_str(), f);
        fclose(f);
        ASSERT_TRUE(AppendDownloadLog(log, entry, nullptr));
        f = fopen(logAnsi.c_str(), "rb");
        char text[1024] = {};
        const size_t n = fread(text, 1, sizeof text, f);
        fclose(f);
        const std::string line = std::string(text, n).substr(header.size());
        const std::string one = DownloadLogLine(entry, line.substr(0, line.find(',')), header != old);
        EXPECT_EQ(one, line);
        EXPECT_EQ(header != old, one.find(",ok,0,3\r\n") != std::string::npos) << one;
    }
    ::DeleteFileW(log.c_str());
}

TEST(DownloadLogTest, ProgramsAppendingAtOnceNeverInterleaveALine)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "tessaline-log-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string logAnsi = dir + "\\downloads.csv";
    const std::wstring log(logAnsi.begin(), logAnsi.end());
    ::DeleteFileW(log.c_str());

    // Each writer opens the log anew for every line, as separate programs do.
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&, w] {
            DownloadLogEntry entry;
            entry.program = "writer" + std::to_string(w);
            entry.imagePath = L"abc.bin";
            entry.size = "3";
            entry.sha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
            entry.result = std::string(200, static_cast<char>('a' + w));
            for (int i = 0; i < 25; ++i)
                EXPECT_TRUE(AppendDownloadLog(log, entry, nullptr));
        });
    }
    for (auto& writer : writers)
        writer.join();

    FILE* f = fopen(logAnsi.c_str(), "rb");
    ASSERT_TRUE(f);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    fclose(f);
    EXPECT_EQ(0u, text.find(kDownloadLogHeader));
    size_t lines = 0;
    for (size_t at = std::strlen(kDownloadLogHeader); at < text.size(); ++lines) {
        size_t end = text.find("\r\n", at);
        ASSERT_NE(std::string::npos, end);
        const std::string line = text.substr(at, end - at);
        const char w = line[line.find(",writer") + 7];
        // Size and hash, then the writer's own result whole.
        EXPECT_NE(std::string::npos,
                  line.find(",3,ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad,"));
        EXPECT_NE(std::string::npos, line.find("," + std::string(200, static_cast<char>('a' + (w - '0'))) + ",0"))
            << line;
        at = end + 2;
    }
    EXPECT_EQ(100u, lines);
}

}  // namespace
