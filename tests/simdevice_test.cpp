// The simulated device library, loaded the way the application loads it.
// Each test gets its own flash file through the environment and frees the
// library at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef int(__stdcall* OpenFn)(int);
typedef int(__stdcall* CloseFn)(int);
typedef int(__stdcall* SetFlashInfoFn)(int, int, int);
typedef int(__stdcall* InitFlashFn)(int);
typedef int(__stdcall* ProgramFn)(int, const unsigned char*, int, unsigned int, int*);

const char* const kExports[] = {"KP6600Open", "KP6600Close", "KP6600SetFlashInfo",
                                "KP6600InitFlash", "KP6600Program"};
const char* const kVariables[] = {
    "KP6600SIM_FLASH_FILE", "KP6600SIM_CAPACITY", "KP6600SIM_ERASE_MS",
    "KP6600SIM_BLOCK_DELAY_MS", "KP6600SIM_PLUGGED", "KP6600SIM_OPEN_FAILS",
    "KP6600SIM_FLASHINFO_FAILS", "KP6600SIM_ERASE_RESULT", "KP6600SIM_FAIL_BLOCK",
    "KP6600SIM_SHORT_BLOCK", "KP6600SIM_CALL_LOG", "KP6600SIM_BOARDS", "KP6600SIM_FAIL_BLOCK_1"};

std::string ExeFolder()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

std::string MainDll() { return ExeFolder() + "\\KP6600HidDriver.dll"; }
std::string VariantDll() { return ExeFolder() + "\\..\\variants\\noflashinfo\\KP6600HidDriver.dll"; }

std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::vector<unsigned char> bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!bytes.empty())
        ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
}

std::vector<unsigned char> Pattern(size_t n, unsigned seed)
{
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>(i * 7 + seed);
    return v;
}

bool AllOnes(const std::vector<unsigned char>& v, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i)
        if (v[i] != 0xFF)
            return false;
    return true;
}

class SimDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        dir_ = std::string(temp) + "kp6600sim-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
        flash_ = dir_ + "\\flash.bin";
        for (const char* name : kVariables)
            SetEnvironmentVariableA(name, nullptr);
        Env("KP6600SIM_FLASH_FILE", flash_);
        Env("KP6600SIM_CAPACITY", "65536");
        Env("KP6600SIM_ERASE_MS", "10");
        Env("KP6600SIM_BLOCK_DELAY_MS", "0");
    }

    void TearDown() override
    {
        Unload();
        for (const char* name : kVariables)
            SetEnvironmentVariableA(name, nullptr);
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((dir_ + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((dir_ + "\\" + found.cFileName).c_str());
            while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(dir_.c_str());
    }

    static void Env(const char* name, const std::string& value)
    {
        SetEnvironmentVariableA(name, value.c_str());
    }

    void Load(const std::string& path = MainDll())
    {
        lib_ = LoadLibraryA(path.c_str());
        ASSERT_NE(lib_, nullptr) << path;
        open_ = reinterpret_cast<OpenFn>(GetProcAddress(lib_, "KP6600Open"));
        close_ = reinterpret_cast<CloseFn>(GetProcAddress(lib_, "KP6600Close"));
        setFlashInfo_ = reinterpret_cast<SetFlashInfoFn>(GetProcAddress(lib_, "KP6600SetFlashInfo"));
        initFlash_ = reinterpret_cast<InitFlashFn>(GetProcAddress(lib_, "KP6600InitFlash"));
        program_ = reinterpret_cast<ProgramFn>(GetProcAddress(lib_, "KP6600Program"));
    }

    void Unload()
    {
        if (lib_)
            FreeLibrary(lib_);
        lib_ = nullptr;
    }

    // Programs `data` at `address`; returns the result, `programmed` the count.
    int Program(int handle, const std::vector<unsigned char>& data, unsigned address)
    {
        programmed_ = -99;
        return program_(handle, data.data(), static_cast<int>(data.size()), address, &programmed_);
    }

    std::string dir_, flash_;
    HMODULE lib_ = nullptr;
    OpenFn open_ = nullptr;
    CloseFn close_ = nullptr;
    SetFlashInfoFn setFlashInfo_ = nullptr;
    InitFlashFn initFlash_ = nullptr;
    ProgramFn program_ = nullptr;
    int programmed_ = 0;
};

TEST_F(SimDeviceTest, ExportsAllFiveCallsUnderUndecoratedNames)
{
    Load();
    for (const char* name : kExports)
        EXPECT_NE(GetProcAddress(lib_, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(lib_, "_KP6600Open@4"), nullptr);
    EXPECT_EQ(GetProcAddress(lib_, "KP6600Open@4"), nullptr);
}

TEST_F(SimDeviceTest, NoFlashInfoVariantLacksOnlySetFlashInfo)
{
    Load(VariantDll());
    EXPECT_EQ(GetProcAddress(lib_, "KP6600SetFlashInfo"), nullptr);
    ASSERT_TRUE(open_ && close_ && initFlash_ && program_);
    const int h = open_(0);
    ASSERT_EQ(h, 0);
    EXPECT_EQ(Program(h, {0x12, 0x34}, 0), 1);
    EXPECT_EQ(ReadAll(flash_)[1], 0x34);
}

TEST_F(SimDeviceTest, MissingFileBecomesErasedChipOfDefaultCapacity)
{
    SetEnvironmentVariableA("KP6600SIM_CAPACITY", nullptr);
    Load();
    EXPECT_EQ(open_(0), 0);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    ASSERT_EQ(chip.size(), 8388608u);
    EXPECT_TRUE(AllOnes(chip, 0, chip.size()));
}

TEST_F(SimDeviceTest, WrongSizeFileIsExtendedWithOnesOrCut)
{
    WriteAll(flash_, std::vector<unsigned char>(10, 0x00));
    Env("KP6600SIM_CAPACITY", "0x1000");
    Load();
    ASSERT_EQ(open_(0), 0);
    std::vector<unsigned char> chip = ReadAll(flash_);
    ASSERT_EQ(chip.size(), 4096u);
    EXPECT_EQ(chip[9], 0x00);
    EXPECT_TRUE(AllOnes(chip, 10, chip.size()));
    Unload();

    Env("KP6600SIM_CAPACITY", "16");
    Load();
    ASSERT_EQ(open_(0), 0);
    chip = ReadAll(flash_);
    ASSERT_EQ(chip.size(), 16u);
    EXPECT_EQ(chip[9], 0x00);
}

TEST_F(SimDeviceTest, ProgramOverErasedCellsWritesExactBytes)
{
    Load();
    const int h = open_(0);
    ASSERT_EQ(setFlashInfo_(h, 5, 0), 1);
    const std::vector<unsigned char> data = Pattern(300, 3);
    EXPECT_EQ(Program(h, data, 0x100), 1);
    EXPECT_EQ(programmed_, 300);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    EXPECT_TRUE(AllOnes(chip, 0, 0x100));
    EXPECT_EQ(std::vector<unsigned char>(chip.begin() + 0x100, chip.begin() + 0x100 + 300), data);
    EXPECT_TRUE(AllOnes(chip, 0x100 + 300, chip.size()));
}

TEST_F(SimDeviceTest, ProgrammingOnlyClearsBits)
{
    Load();
    const int h = open_(0);
    ASSERT_EQ(Program(h, {0xF0, 0x5A}, 8), 1);
    ASSERT_EQ(Program(h, {0x0F, 0xFF}, 8), 1);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    EXPECT_EQ(chip[8], 0x00);
    EXPECT_EQ(chip[9], 0x5A);
}

TEST_F(SimDeviceTest, EraseTakesEraseTimeAndSetsEveryByte)
{
    Env("KP6600SIM_ERASE_MS", "300");
    Load();
    const int h = open_(0);
    ASSERT_EQ(Program(h, Pattern(64, 0), 1000), 1);
    const DWORD start = GetTickCount();
    EXPECT_EQ(initFlash_(h), 1);
    EXPECT_GE(GetTickCount() - start, 250u);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    ASSERT_EQ(chip.size(), 65536u);
    EXPECT_TRUE(AllOnes(chip, 0, chip.size()));
}

TEST_F(SimDeviceTest, ContentsPersistAcrossUnloadAndReload)
{
    Load();
    ASSERT_EQ(Program(open_(0), {0x11, 0x22, 0x33}, 0x4000), 1);
    Unload();  // handle left open on purpose
    Load();
    const int h = open_(0);
    ASSERT_EQ(Program(h, {0x0F}, 0x4001), 1);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    EXPECT_EQ(chip[0x4000], 0x11);
    EXPECT_EQ(chip[0x4001], 0x02);
    EXPECT_EQ(chip[0x4002], 0x33);
}

TEST_F(SimDeviceTest, RefusesRangesBeyondCapacity)
{
    Env("KP6600SIM_CAPACITY", "4096");
    Load();
    const int h = open_(0);
    EXPECT_EQ(Program(h, {0x00, 0x00}, 4095), 0);
    EXPECT_EQ(programmed_, 0);
    EXPECT_EQ(ReadAll(flash_)[4095], 0xFF);
    EXPECT_EQ(Program(h, {0x00}, 4096), 0);
    EXPECT_EQ(programmed_, 0);
    EXPECT_EQ(Program(h, {0x00, 0x00}, 0xFFFFFFFFu), 0);
    EXPECT_EQ(Program(h, {0x00}, 4095), 1);
    EXPECT_EQ(programmed_, 1);
    EXPECT_EQ(Program(h, {}, 0), 1);
    EXPECT_EQ(programmed_, 0);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    ASSERT_EQ(chip.size(), 4096u);
    EXPECT_EQ(chip[4094], 0xFF);
    EXPECT_EQ(chip[4095], 0x00);
}

TEST_F(SimDeviceTest, NotPluggedInMakesOpenNegative)
{
    Env("KP6600SIM_PLUGGED", "0");
    Load();
    EXPECT_LT(open_(0), 0);
    Env("KP6600SIM_PLUGGED", "1");  // read again at every open
    EXPECT_EQ(open_(0), 0);
}

TEST_F(SimDeviceTest, OpenFailsCountsOpensSinceLoad)
{
    Env("KP6600SIM_OPEN_FAILS", "2");
    Load();
    EXPECT_EQ(open_(0), -1);
    EXPECT_EQ(open_(0), -1);
    EXPECT_EQ(open_(0), 0);
    EXPECT_EQ(open_(0), 1);
}

TEST_F(SimDeviceTest, SetFlashInfoAcceptsKnownTypesUnlessFailing)
{
    Load();
    const int h = open_(0);
    EXPECT_NE(setFlashInfo_(h, 4, 0), 0);
    EXPECT_NE(setFlashInfo_(h, 5, 0), 0);
    EXPECT_NE(setFlashInfo_(h, 6, 0), 0);
    EXPECT_EQ(setFlashInfo_(h, 3, 0), 0);
    EXPECT_EQ(setFlashInfo_(h, 7, 0), 0);
    Env("KP6600SIM_FLASHINFO_FAILS", "1");
    const int failing = open_(0);
    EXPECT_EQ(setFlashInfo_(failing, 5, 0), 0);
}

TEST_F(SimDeviceTest, FailedEraseReturnsConfiguredValueAndKeepsData)
{
    Env("KP6600SIM_ERASE_RESULT", "0");
    Load();
    int h = open_(0);
    ASSERT_EQ(Program(h, {0x42}, 7), 1);
    EXPECT_EQ(initFlash_(h), 0);
    Env("KP6600SIM_ERASE_RESULT", "2");
    h = open_(0);
    EXPECT_EQ(initFlash_(h), 2);
    EXPECT_EQ(ReadAll(flash_)[7], 0x42);
}

TEST_F(SimDeviceTest, FailBlockRefusesThatCallOfEachHandle)
{
    Env("KP6600SIM_FAIL_BLOCK", "1");
    Load();
    int h = open_(0);
    EXPECT_EQ(Program(h, Pattern(16, 0), 0), 1);
    EXPECT_EQ(Program(h, Pattern(16, 0), 16), 0);
    EXPECT_EQ(programmed_, 0);
    EXPECT_EQ(Program(h, Pattern(16, 0), 32), 1);
    close_(h);
    h = open_(0);
    EXPECT_EQ(Program(h, {0x00}, 100), 1);
    EXPECT_EQ(Program(h, {0x00}, 101), 0);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    EXPECT_TRUE(AllOnes(chip, 16, 32));
    EXPECT_EQ(chip[32], Pattern(16, 0)[0]);
    EXPECT_EQ(chip[101], 0xFF);
}

TEST_F(SimDeviceTest, ShortBlockProgramsOneByteLess)
{
    Env("KP6600SIM_SHORT_BLOCK", "0");
    Load();
    const int h = open_(0);
    EXPECT_EQ(Program(h, std::vector<unsigned char>(16, 0x00), 0), 1);
    EXPECT_EQ(programmed_, 15);
    EXPECT_EQ(Program(h, std::vector<unsigned char>(16, 0x00), 16), 1);
    EXPECT_EQ(programmed_, 16);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    EXPECT_EQ(chip[14], 0x00);
    EXPECT_EQ(chip[15], 0xFF);
    EXPECT_EQ(chip[31], 0x00);
}

TEST_F(SimDeviceTest, UnknownHandlesAreRefusedAndCloseToleratesAny)
{
    Load();
    EXPECT_EQ(setFlashInfo_(0, 5, 0), 0);
    EXPECT_EQ(initFlash_(-1), 0);
    EXPECT_EQ(Program(3, {0x00}, 0), 0);
    EXPECT_EQ(programmed_, 0);
    close_(-1);
    close_(1);
    close_(12345);
    EXPECT_EQ(open_(0), 0);
    EXPECT_EQ(open_(0), 1);
    close_(0);
    EXPECT_EQ(Program(0, {0x00}, 0), 0);
    EXPECT_EQ(Program(1, {0x00}, 0), 1);
}

TEST_F(SimDeviceTest, CallLogHasOneExactLinePerCall)
{
    const std::string log = dir_ + "\\calls.log";
    Env("KP6600SIM_CALL_LOG", log);
    Load();
    const int h = open_(0);
    setFlashInfo_(h, 5, 0);
    initFlash_(h);
    Program(h, std::vector<unsigned char>(16384, 0xA5), 0x4000);
    Program(h, {0x00}, 0x10000);
    close_(1);
    close_(h);
    const std::string t = std::to_string(GetCurrentThreadId());
    const std::string expected = t + " KP6600Open 0 -> 0\n" +
                                 t + " KP6600SetFlashInfo 0 5 0 -> 1\n" +
                                 t + " KP6600InitFlash 0 -> 1\n" +
                                 t + " KP6600Program 0 16384 0x00004000 -> 1 programmed=16384\n" +
                                 t + " KP6600Program 0 1 0x00010000 -> 0 programmed=0\n" +
                                 t + " KP6600Close 1 -> -1\n" +
                                 t + " KP6600Close 0 -> 0\n";
    const std::vector<unsigned char> text = ReadAll(log);
    EXPECT_EQ(std::string(text.begin(), text.end()), expected);
}

struct Writer {
    ProgramFn program;
    int handle;
    unsigned base;
    unsigned char value;
    HANDLE go;
    int failures;
};

DWORD WINAPI WriteBlocks(void* p)
{
    Writer* w = static_cast<Writer*>(p);
    WaitForSingleObject(w->go, INFINITE);
    const std::vector<unsigned char> block(256, w->value);
    for (unsigned i = 0; i < 64; ++i) {
        int done = 0;
        if (w->program(w->handle, block.data(), 256, w->base + i * 256, &done) != 1 || done != 256)
            ++w->failures;
    }
    return 0;
}

TEST_F(SimDeviceTest, TwoThreadsProgramDifferentRangesAtOnce)
{
    Env("KP6600SIM_BLOCK_DELAY_MS", "1");
    Load();
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Writer a = {program_, open_(0), 0x0000, 0x3C, go, 0};
    Writer b = {program_, open_(0), 0x8000, 0xC3, go, 0};
    HANDLE threads[2] = {CreateThread(nullptr, 0, WriteBlocks, &a, 0, nullptr),
                         CreateThread(nullptr, 0, WriteBlocks, &b, 0, nullptr)};
    SetEvent(go);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    CloseHandle(go);
    EXPECT_EQ(a.failures + b.failures, 0);
    const std::vector<unsigned char> chip = ReadAll(flash_);
    ASSERT_EQ(chip.size(), 65536u);
    for (size_t i = 0; i < chip.size(); ++i)
        ASSERT_EQ(chip[i], i < 0x4000 ? 0x3C : i < 0x8000 ? 0xFF : i < 0xC000 ? 0xC3 : 0xFF) << i;
}

TEST_F(SimDeviceTest, ReadsIniBesideLibraryAndEnvironmentWins)
{
    const std::string copy = dir_ + "\\KP6600HidDriver.dll";
    ASSERT_TRUE(CopyFileA(MainDll().c_str(), copy.c_str(), FALSE));
    WritePrivateProfileStringA("Device", "FlashFile", "chip.bin", (dir_ + "\\KP6600HidDriver.ini").c_str());
    WritePrivateProfileStringA("Device", "Capacity", "0x2000", (dir_ + "\\KP6600HidDriver.ini").c_str());
    WritePrivateProfileStringA("Device", "Plugged", "0", (dir_ + "\\KP6600HidDriver.ini").c_str());
    SetEnvironmentVariableA("KP6600SIM_FLASH_FILE", nullptr);
    SetEnvironmentVariableA("KP6600SIM_CAPACITY", nullptr);
    Load(copy);
    EXPECT_EQ(open_(0), -1);
    Env("KP6600SIM_PLUGGED", "1");
    EXPECT_EQ(open_(0), 0);
    EXPECT_EQ(ReadAll(dir_ + "\\chip.bin").size(), 0x2000u);
}

TEST_F(SimDeviceTest, BoardsHaveTheirOwnFlashFilesAndSettings)
{
    Load();  // one board: every device number reaches it
    ASSERT_EQ(Program(open_(7), {0x5A}, 8), 1);
    EXPECT_EQ(ReadAll(flash_)[8], 0x5A);
    Unload();

    const std::string copy = dir_ + "\\KP6600HidDriver.dll";
    const std::string ini = dir_ + "\\KP6600HidDriver.ini";
    ASSERT_TRUE(CopyFileA(MainDll().c_str(), copy.c_str(), FALSE));
    WritePrivateProfileStringA("Device", "Boards", "3", ini.c_str());
    WritePrivateProfileStringA("Device", "Capacity", "8192", ini.c_str());
    WritePrivateProfileStringA("Device2", "Capacity", "4096", ini.c_str());
    SetEnvironmentVariableA("KP6600SIM_CAPACITY", nullptr);
    Env("KP6600SIM_FAIL_BLOCK_1", "0");
    Load(copy);
    const int h0 = open_(0), h1 = open_(1), h2 = open_(2);
    ASSERT_TRUE(h0 >= 0 && h1 >= 0 && h2 >= 0);
    EXPECT_EQ(open_(3), -1);
    EXPECT_EQ(Program(h0, {0x00}, 0), 1);
    EXPECT_EQ(Program(h1, {0x01}, 0), 0);
    EXPECT_EQ(Program(h2, {0x02}, 0), 1);
    EXPECT_EQ(ReadAll(flash_)[0], 0x00);
    const std::vector<unsigned char> one = ReadAll(dir_ + "\\flash-1.bin"), two = ReadAll(dir_ + "\\flash-2.bin");
    ASSERT_EQ(one.size(), 8192u);
    EXPECT_TRUE(AllOnes(one, 0, one.size()));
    ASSERT_EQ(two.size(), 4096u);
    EXPECT_EQ(two[0], 0x02);
}

}  // namespace
