#include "MediaWriters.h"
#include "ConsoleFiles.h"
#include "SystemLibraries.h"
#include <wincodec.h>
#include <cstdio>
#include <vector>

namespace {

constexpr size_t kClipPiece = 0x10000;  // clip bytes decoded at a time

// Releases a COM interface when it goes.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (m_p)
            m_p->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }

private:
    T* m_p = nullptr;
};

std::string Failed(const char* step, HRESULT hr)
{
    char text[96];
    std::snprintf(text, sizeof text, "the imaging component failed to %s (0x%08lX)", step,
                  static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

bool WriteClipWave(const ReadAt& read, uint64_t offset, uint64_t length, media::SpeechFormat format, uint32_t rate,
                   const std::wstring& path, std::string* why)
{
    const size_t perByte = media::SamplesPerByte(format);
    const uint64_t samples = length * perByte;
    uint8_t header[media::kWaveHeaderBytes];
    if (length > media::kMaxWaveDataBytes / 2 / perByte || !media::MakeWaveHeader(rate, 2 * samples, header)) {
        *why = "its " + std::to_string(samples) + " samples are more than a WAV file holds";
        return false;
    }
    OutputFile file;
    if (!file.Create(path, why) || !file.Write(header, sizeof header, why))
        return false;
    std::vector<uint8_t> clip(kClipPiece), bytes(kClipPiece * perByte * 2);
    std::vector<int16_t> pcm(kClipPiece * perByte);
    media::SpeechDecoder decoder(format);
    for (uint64_t done = 0; done < length;) {
        const size_t piece = static_cast<size_t>(length - done < kClipPiece ? length - done : kClipPiece);
        if (!read(offset + done, clip.data(), piece)) {
            *why = "it can't be read";
            return false;
        }
        const size_t count = decoder.Decode(clip.data(), piece, pcm.data());
        for (size_t i = 0; i < count; ++i) {
            const uint16_t value = static_cast<uint16_t>(pcm[i]);
            bytes[2 * i] = static_cast<uint8_t>(value);
            bytes[2 * i + 1] = static_cast<uint8_t>(value >> 8);
        }
        if (!file.Write(bytes.data(), 2 * count, why))
            return false;
        done += piece;
    }
    return file.Commit(why);
}

PngWriter::PngWriter()
{
    m_ole32 = LoadSystemLibrary(L"ole32.dll");
    if (!m_ole32)
        return;
    auto initialize = reinterpret_cast<HRESULT(WINAPI*)(void*, DWORD)>(::GetProcAddress(m_ole32, "CoInitializeEx"));
    auto create = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**)>(
        ::GetProcAddress(m_ole32, "CoCreateInstance"));
    m_uninitialize = reinterpret_cast<void(WINAPI*)()>(::GetProcAddress(m_ole32, "CoUninitialize"));
    m_createStream = reinterpret_cast<HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**)>(
        ::GetProcAddress(m_ole32, "CreateStreamOnHGlobal"));
    m_streamMemory = reinterpret_cast<HRESULT(WINAPI*)(IStream*, HGLOBAL*)>(
        ::GetProcAddress(m_ole32, "GetHGlobalFromStream"));
    if (!initialize || !create || !m_uninitialize || !m_createStream || !m_streamMemory)
        return;
    const HRESULT hr = initialize(nullptr, COINIT_MULTITHREADED);
    m_comStarted = SUCCEEDED(hr);
    // Another mode already chosen by the thread serves as well.
    if (SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE)
        create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
               reinterpret_cast<void**>(&m_factory));
}

PngWriter::~PngWriter()
{
    if (m_factory)
        m_factory->Release();
    if (m_comStarted)
        m_uninitialize();
    if (m_ole32)
        ::FreeLibrary(m_ole32);
}

bool PngWriter::Write(const uint8_t* rgb, unsigned width, unsigned height, const std::wstring& path,
                      std::string* why)
{
    auto fail = [why](const std::string& reason) {
        *why = reason;
        return false;
    };
    if (!m_factory)
        return fail("the Windows Imaging Component is not available");
    // The encoder takes blue, green, red; the file is made in memory and
    // written whole.
    const UINT stride = width * 3;
    std::vector<BYTE> bgr(static_cast<size_t>(stride) * height);
    for (size_t i = 0; i + 2 < bgr.size(); i += 3) {
        bgr[i] = rgb[i + 2];
        bgr[i + 1] = rgb[i + 1];
        bgr[i + 2] = rgb[i];
    }
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat24bppBGR;
    HRESULT hr = m_createStream(nullptr, TRUE, &stream);
    if (FAILED(hr))
        return fail(Failed("make a stream", hr));
    if (FAILED(hr = m_factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder))
        || FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)))
        return fail(Failed("make a PNG encoder", hr));
    if (FAILED(hr = encoder->CreateNewFrame(&frame, nullptr)) || FAILED(hr = frame->Initialize(nullptr))
        || FAILED(hr = frame->SetSize(width, height)) || FAILED(hr = frame->SetPixelFormat(&pixelFormat)))
        return fail(Failed("start a PNG picture", hr));
    if (pixelFormat != GUID_WICPixelFormat24bppBGR)
        return fail("the PNG encoder does not take 24-bit pixels");
    if (FAILED(hr = frame->WritePixels(height, stride, static_cast<UINT>(bgr.size()), bgr.data()))
        || FAILED(hr = frame->Commit()) || FAILED(hr = encoder->Commit()))
        return fail(Failed("encode the PNG picture", hr));

    STATSTG stat = {};
    HGLOBAL memory = nullptr;
    if (FAILED(hr = stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(hr = m_streamMemory(stream.get(), &memory)))
        return fail(Failed("hand over the PNG file", hr));
    const void* bytes = ::GlobalLock(memory);
    if (!bytes)
        return fail(SystemErrorText(::GetLastError()));
    OutputFile file;
    const bool written = file.Create(path, why)
                         && file.Write(bytes, static_cast<size_t>(stat.cbSize.QuadPart), why) && file.Commit(why);
    ::GlobalUnlock(memory);
    return written;
}
