// Decoded clips and pictures into files: WAV through plain file writes, PNG
// through the Windows Imaging Component. Each output is written whole or
// not at all.
#pragma once
#include "PackedImageMap.h"  // ReadAt
#include "SpeechDecoder.h"
#include <windows.h>
#include <cstdint>
#include <string>

struct IWICImagingFactory;
struct IStream;

// The clip of `length` bytes at `offset`, decoded a piece at a time, as a
// 16-bit mono PCM WAV file playing at rate. False with the reason in *why.
bool WriteClipWave(const ReadAt& read, uint64_t offset, uint64_t length, media::SpeechFormat format, uint32_t rate,
                   const std::wstring& path, std::string* why);

// Writes 24-bit RGB pictures as PNG files. COM is initialised for the
// calling thread for the object's life.
class PngWriter {
public:
    PngWriter();
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // rgb: red, green, blue bytes, rows from the top. False with the reason in *why.
    bool Write(const uint8_t* rgb, unsigned width, unsigned height, const std::wstring& path, std::string* why);

private:
    // COM is loaded only here, when a picture is written: linked in, it
    // would cost every start of the program (tens of milliseconds under Wine).
    HMODULE m_ole32 = nullptr;
    void(WINAPI* m_uninitialize)() = nullptr;
    HRESULT(WINAPI* m_createStream)(HGLOBAL, BOOL, IStream**) = nullptr;
    HRESULT(WINAPI* m_streamMemory)(IStream*, HGLOBAL*) = nullptr;
    bool m_comStarted = false;
    IWICImagingFactory* m_factory = nullptr;
};
