// The library's exported calls: device handles, boards, the call log and the
// injected faults, over the NOR flash model in nor_flash.cpp.
//
// Locking: g_lock guards the handle table, the chips in use, the open
// counters and the latest call log path, and is held only for looking
// them up; each chip guards its own file. Settings are read, files
// attached, erase and block times waited out and log lines appended with
// no lock held, so boards (and handles) run truly in parallel.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "nor_flash.h"
#include "sim_config.h"

namespace {

const int kMaxHandles = 64;
const int kNoDevice = -1;

struct Slot {
    bool open = false;
    std::shared_ptr<NorFlash> chip;
    SimConfig config;     // as read when the handle was opened
    long programCalls = 0;
    int flashType = 0;
};

// A chip in use, found again by its file's path.
struct ChipInUse {
    std::wstring path;
    std::weak_ptr<NorFlash> chip;
};

HMODULE g_module = nullptr;
CRITICAL_SECTION g_lock;
std::vector<Slot>* g_slots = nullptr;
std::vector<ChipInUse>* g_chips = nullptr;
std::wstring* g_latestLog = nullptr;  // call log of the latest open (none yet: null)
long g_openCalls[kMaxBoards] = {};    // opens of each board since load

std::wstring LibraryFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(g_module, buffer.data(),
                                           static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return L".";
        if (n < buffer.size()) {
            std::wstring path(buffer.data(), n);
            const size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? L"." : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Appends one line to the call log at `path`, if there is one, in a single
// write to a file opened for appending only, so lines of calls made at once
// never mix.
void LogCall(const std::wstring& path, const char* format, ...)
{
    if (path.empty())
        return;

    char line[256];
    const int room = static_cast<int>(sizeof line) - 1;  // keeps space for the newline
    int n = std::snprintf(line, room, "%lu ", static_cast<unsigned long>(GetCurrentThreadId()));
    va_list args;
    va_start(args, format);
    n += std::vsnprintf(line + n, room - n, format, args);
    va_end(args);
    if (n > room - 1)
        n = room - 1;
    line[n++] = '\n';

    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
}

// The chip kept in the settings' flash file: the one in use if another
// handle has the file open, else a new one. Its file is attached under the
// chip's own lock, not g_lock.
std::shared_ptr<NorFlash> ChipFor(const SimConfig& config)
{
    std::shared_ptr<NorFlash> chip;
    {
        Lock lock(g_lock);
        for (size_t i = 0; i < g_chips->size();) {
            std::shared_ptr<NorFlash> inUse = (*g_chips)[i].chip.lock();
            if (!inUse) {
                g_chips->erase(g_chips->begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            if (CompareStringOrdinal((*g_chips)[i].path.c_str(), -1, config.flashFile.c_str(), -1,
                                     TRUE) == CSTR_EQUAL)
                chip = inUse;
            ++i;
        }
        if (!chip) {
            chip = std::make_shared<NorFlash>();
            g_chips->push_back(ChipInUse{config.flashFile, chip});
        }
    }
    // A file in use keeps the capacity it was opened with.
    if (!chip->Attach(config.flashFile, config.capacity))
        return nullptr;
    return chip;
}

// Caller holds g_lock.
Slot* Find(int handle)
{
    if (handle < 0 || handle >= static_cast<int>(g_slots->size()) || !(*g_slots)[handle].open)
        return nullptr;
    return &(*g_slots)[handle];
}

// The call log for a call on `handle`: its own settings', else the latest
// open's (or the settings as they are, before any open).
std::wstring LogPathFor(int handle)
{
    {
        Lock lock(g_lock);
        if (const Slot* slot = Find(handle))
            return slot->config.callLog;
        if (g_latestLog)
            return *g_latestLog;
    }
    return LoadSimConfig(LibraryFolder()).callLog;
}

// With one board every device number reaches it; with more, device n is
// board n and numbers past the last board reach nothing.
int Open(int deviceNumber, std::wstring* logPath)
{
    const std::wstring folder = LibraryFolder();
    const int boards = LoadBoardCount(folder);
    const int board = boards > 1 ? deviceNumber : 0;
    const bool exists = deviceNumber >= 0 && board < boards;
    const SimConfig config = LoadSimConfig(folder, exists ? board : 0);
    *logPath = config.callLog;
    {
        Lock lock(g_lock);
        if (!g_latestLog)
            g_latestLog = new std::wstring();
        *g_latestLog = config.callLog;
        if (!exists || ++g_openCalls[board] <= config.openFails || !config.plugged)
            return kNoDevice;
    }

    std::shared_ptr<NorFlash> chip = ChipFor(config);  // released after the lock below
    if (!chip)
        return kNoDevice;
    Lock lock(g_lock);
    int handle = 0;
    while (handle < static_cast<int>(g_slots->size()) && (*g_slots)[handle].open)
        ++handle;
    if (handle == kMaxHandles)
        return kNoDevice;
    if (handle == static_cast<int>(g_slots->size()))
        g_slots->push_back(Slot());
    Slot& slot = (*g_slots)[handle];
    slot.open = true;
    slot.chip = chip;
    slot.config = config;
    slot.programCalls = 0;
    slot.flashType = 0;
    return handle;
}

int Close(int handle)
{
    std::shared_ptr<NorFlash> chip;  // released after the lock
    Lock lock(g_lock);
    Slot* slot = Find(handle);
    if (!slot)
        return -1;
    chip.swap(slot->chip);
    *slot = Slot();
    return 0;
}

int SetFlashInfo(int handle, int flashTypeCode)
{
    Lock lock(g_lock);
    Slot* slot = Find(handle);
    if (!slot || slot->config.flashInfoFails)
        return 0;
    switch (flashTypeCode) {
    case 4:  // KP6X
    case 5:  // SPI
    case 6:  // NAND
        slot->flashType = flashTypeCode;
        return 1;
    default:
        return 0;
    }
}

int InitFlash(int handle)
{
    std::shared_ptr<NorFlash> chip;
    unsigned long eraseMs = 0;
    long result = 0;
    {
        Lock lock(g_lock);
        Slot* slot = Find(handle);
        if (!slot)
            return 0;
        chip = slot->chip;
        eraseMs = slot->config.eraseMs;
        result = slot->config.eraseResult;
    }
    Sleep(eraseMs);
    if (result != 1)
        return result;  // a failed erase leaves the cells as they were
    return chip->EraseAll() ? 1 : 0;
}

// Sets `programmed` to the number of bytes programmed (0 on failure).
int Program(int handle, const unsigned char* data, int count, unsigned int address,
            int& programmed)
{
    programmed = 0;
    std::shared_ptr<NorFlash> chip;
    unsigned long delayMs = 0;
    long call = 0;
    long failBlock = -1;
    long shortBlock = -1;
    {
        Lock lock(g_lock);
        Slot* slot = Find(handle);
        if (!slot)
            return 0;
        chip = slot->chip;
        delayMs = slot->config.blockDelayMs;
        failBlock = slot->config.failBlock;
        shortBlock = slot->config.shortBlock;
        call = slot->programCalls++;
    }

    if (count < 0 || (count > 0 && !data))
        return 0;
    const unsigned long long end =
        static_cast<unsigned long long>(address) + static_cast<unsigned long long>(count);
    if (count > 0 && end > chip->Capacity())
        return 0;
    Sleep(delayMs);
    if (call == failBlock)
        return 0;
    if (count == 0)
        return 1;

    const int length = call == shortBlock ? count - 1 : count;
    if (!chip->Program(address, data, static_cast<unsigned long>(length)))
        return 0;
    programmed = length;
    return 1;
}

}  // namespace

extern "C" {

int __stdcall KP6600Open(int deviceNumber)
{
    std::wstring log;
    const int result = Open(deviceNumber, &log);
    LogCall(log, "KP6600Open %d -> %d", deviceNumber, result);
    return result;
}

int __stdcall KP6600Close(int handle)
{
    const std::wstring log = LogPathFor(handle);
    const int result = Close(handle);
    LogCall(log, "KP6600Close %d -> %d", handle, result);
    return result;
}

int __stdcall KP6600SetFlashInfo(int handle, int flashTypeCode, int reserved)
{
    const int result = SetFlashInfo(handle, flashTypeCode);
    LogCall(LogPathFor(handle), "KP6600SetFlashInfo %d %d %d -> %d", handle, flashTypeCode, reserved, result);
    return result;
}

int __stdcall KP6600InitFlash(int handle)
{
    const int result = InitFlash(handle);
    LogCall(LogPathFor(handle), "KP6600InitFlash %d -> %d", handle, result);
    return result;
}

int __stdcall KP6600Program(int handle, const unsigned char* data, int count,
                            unsigned int flashAddress, int* programmed)
{
    int done = 0;
    const int result = Program(handle, data, count, flashAddress, done);
    if (programmed)
        *programmed = done;
    LogCall(LogPathFor(handle), "KP6600Program %d %d 0x%08X -> %d programmed=%d", handle, count, flashAddress,
            result, done);
    return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&g_lock);
        g_slots = new std::vector<Slot>();
        g_chips = new std::vector<ChipInUse>();
        break;
    case DLL_PROCESS_DETACH:
        // On process exit the system reclaims everything; on FreeLibrary
        // close the flash files left open by handles nobody closed.
        if (!reserved) {
            delete g_slots;
            delete g_chips;
            delete g_latestLog;
            g_slots = nullptr;
            g_chips = nullptr;
            g_latestLog = nullptr;
            DeleteCriticalSection(&g_lock);
        }
        break;
    }
    return TRUE;
}

}  // extern "C"
