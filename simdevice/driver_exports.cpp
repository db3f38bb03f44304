// The library's exported calls: device handles, the call log and the
// injected faults, over the NOR flash model in nor_flash.cpp.
//
// Locking: g_lock guards the handle table, the open counter and the current
// settings; each chip guards its own file. No lock is held while a call
// waits out the time the hardware would take, so a long erase on one handle
// does not hold up calls on another.
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

HMODULE g_module = nullptr;
CRITICAL_SECTION g_lock;
CRITICAL_SECTION g_logLock;
std::vector<Slot>* g_slots = nullptr;
SimConfig* g_current = nullptr;  // settings read by the latest open
long g_openCalls = 0;

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

// Caller holds g_lock.
const SimConfig& CurrentConfig()
{
    if (!g_current)
        g_current = new SimConfig(LoadSimConfig(LibraryFolder()));
    return *g_current;
}

std::wstring LogPath()
{
    Lock lock(g_lock);
    return CurrentConfig().callLog;
}

// Appends one line to the call log, if there is one.
void LogCall(const char* format, ...)
{
    const std::wstring path = LogPath();
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

    Lock lock(g_logLock);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
}

// The chip behind an open handle, shared with the handle's other users.
// Caller holds g_lock.
std::shared_ptr<NorFlash> ChipFor(const SimConfig& config)
{
    for (const Slot& slot : *g_slots) {
        if (slot.open && CompareStringOrdinal(slot.chip->Path().c_str(), -1,
                                              config.flashFile.c_str(), -1, TRUE) == CSTR_EQUAL)
            return slot.chip;  // a file in use keeps the capacity it was opened with
    }
    std::shared_ptr<NorFlash> chip = std::make_shared<NorFlash>();
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

int Open(int deviceNumber)
{
    Lock lock(g_lock);
    ++g_openCalls;
    delete g_current;
    g_current = nullptr;
    const SimConfig& config = CurrentConfig();
    if (g_openCalls <= config.openFails || !config.plugged || deviceNumber < 0)
        return kNoDevice;

    int handle = 0;
    while (handle < static_cast<int>(g_slots->size()) && (*g_slots)[handle].open)
        ++handle;
    if (handle == kMaxHandles)
        return kNoDevice;

    std::shared_ptr<NorFlash> chip = ChipFor(config);
    if (!chip)
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
    const int result = Open(deviceNumber);
    LogCall("KP6600Open %d -> %d", deviceNumber, result);
    return result;
}

int __stdcall KP6600Close(int handle)
{
    const int result = Close(handle);
    LogCall("KP6600Close %d -> %d", handle, result);
    return result;
}

int __stdcall KP6600SetFlashInfo(int handle, int flashTypeCode, int reserved)
{
    const int result = SetFlashInfo(handle, flashTypeCode);
    LogCall("KP6600SetFlashInfo %d %d %d -> %d", handle, flashTypeCode, reserved, result);
    return result;
}

int __stdcall KP6600InitFlash(int handle)
{
    const int result = InitFlash(handle);
    LogCall("KP6600InitFlash %d -> %d", handle, result);
    return result;
}

int __stdcall KP6600Program(int handle, const unsigned char* data, int count,
                            unsigned int flashAddress, int* programmed)
{
    int done = 0;
    const int result = Program(handle, data, count, flashAddress, done);
    if (programmed)
        *programmed = done;
    LogCall("KP6600Program %d %d 0x%08X -> %d programmed=%d", handle, count, flashAddress,
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
        InitializeCriticalSection(&g_logLock);
        g_slots = new std::vector<Slot>();
        break;
    case DLL_PROCESS_DETACH:
        // On process exit the system reclaims everything; on FreeLibrary
        // close the flash files left open by handles nobody closed.
        if (!reserved) {
            delete g_slots;
            delete g_current;
            g_slots = nullptr;
            g_current = nullptr;
            DeleteCriticalSection(&g_logLock);
            DeleteCriticalSection(&g_lock);
        }
        break;
    }
    return TRUE;
}

}  // extern "C"
