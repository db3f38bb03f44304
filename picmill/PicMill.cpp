// Image converter library: JPG, BMP, PNG or GIF in, RBF image data out.
// The size the file declares is read from its own header before any decoder
// sees it; Windows Imaging Component then decodes the first frame and hands it
// over a band of rows at a time to RbfImage.cpp. See README.md.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <string>
#include <vector>

#include "FilePaths.h"
#include "PictureHeader.h"
#include "RbfImage.h"
#include "StagedFile.h"

namespace {

using namespace picmill;

// The two mode arguments: RBF pixels take two bytes (RGB565), and the picture is
// fitted inside the box keeping its aspect ratio, centred on the background.
const int kBytesPerPixel = 2;
const int kFitInside = 1;
// Boxes above this many pixels are refused (the output alone would pass 32 MiB).
const unsigned long long kMaxBoxPixels = 4096ull * 4096ull;
// Decoded rows handed over at a time, in bytes (at least one row).
const size_t kBandBytes = 1024 * 1024;

// The picture file, held open and shared for reading only for the whole
// call (so nothing writes, replaces or deletes it meanwhile); its header is
// read through a 64 KiB window, the decoder reads it through the same handle.
class FileBytes : public PictureBytes {
public:
    explicit FileBytes(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        // Only a file on disk: a pipe or a device could block a read forever.
        LARGE_INTEGER size;
        if (handle_ != INVALID_HANDLE_VALUE && GetFileType(handle_) == FILE_TYPE_DISK &&
            millfiles::IdOfHandle(handle_, id_) && GetFileSizeEx(handle_, &size) && size.QuadPart > 0)
            size_ = static_cast<uint64_t>(size.QuadPart);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }

    // Open, and a file on disk of at least one byte.
    bool Usable() const { return size_ != 0; }
    HANDLE Handle() const { return handle_; }
    const millfiles::FileId& Id() const { return id_; }

    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) override
    {
        size_t done = 0;
        while (done < count && offset + done < size_) {
            const uint64_t at = offset + done;
            if (at < windowStart_ || at >= windowStart_ + window_.size()) {
                window_.resize(kWindowBytes);
                LARGE_INTEGER position;
                position.QuadPart = static_cast<LONGLONG>(at);
                DWORD got = 0;
                if (!SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) ||
                    !ReadFile(handle_, window_.data(), kWindowBytes, &got, nullptr) || got == 0) {
                    window_.clear();
                    break;
                }
                window_.resize(got);
                windowStart_ = at;
            }
            const size_t from = static_cast<size_t>(at - windowStart_);
            const size_t n = count - done < window_.size() - from ? count - done : window_.size() - from;
            std::memcpy(buffer + done, window_.data() + from, n);
            done += n;
        }
        return done;
    }

private:
    static const DWORD kWindowBytes = 64 * 1024;
    HANDLE handle_;
    uint64_t size_ = 0;
    millfiles::FileId id_;
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
};

// COM on this thread for the length of one call, in whatever mode the thread
// already has.
class ComSession {
public:
    ComSession()
    {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        usable_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
        balance_ = SUCCEEDED(hr);
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
    ~ComSession()
    {
        if (balance_)
            CoUninitialize();
    }
    bool Usable() const { return usable_; }

private:
    bool usable_ = false, balance_ = false;
};

// Owns one reference to a COM object.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef()
    {
        if (p_)
            p_->Release();
    }
    Interface** operator&() { return &p_; }
    Interface* operator->() const { return p_; }
    Interface* Get() const { return p_; }

private:
    Interface* p_ = nullptr;
};

// How the frame's rows are copied out: 32-bit BGRA or BGR (alpha set to 255)
// as they come, 24-bit BGR widened here, every other format through Windows
// Imaging Component's converter to 32-bit BGRA (which does the same to those
// three, only slower).
enum class RowFormat { Bgra32, Bgrx32, Bgr24, Converted };

RowFormat RowFormatOf(const WICPixelFormatGUID& format)
{
    if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA))
        return RowFormat::Bgra32;
    if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGR))
        return RowFormat::Bgrx32;
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return RowFormat::Bgr24;
    return RowFormat::Converted;
}

// The decoded picture as 32-bit BGRA rows, copied out of the decoder a band
// of rows at a time.
class BandRows : public PictureRows {
public:
    BandRows(IWICBitmapSource* source, RowFormat format, unsigned width, unsigned height)
        : source_(source), format_(format), width_(width), height_(height),
          stride_((format == RowFormat::Bgr24 ? 3u : 4u) * width),
          band_(static_cast<unsigned>(kBandBytes / stride_ + 1))
    {
        if (format_ == RowFormat::Bgr24 || format_ == RowFormat::Bgrx32)
            row_.resize(4 * static_cast<size_t>(width));
    }

    const uint8_t* Row(unsigned y) override
    {
        if (y >= height_)
            return nullptr;
        if (y < first_ || y >= first_ + count_) {
            count_ = height_ - y < band_ ? height_ - y : band_;
            pixels_.resize(static_cast<size_t>(stride_) * count_);
            const WICRect rect = {0, static_cast<INT>(y), static_cast<INT>(width_), static_cast<INT>(count_)};
            if (FAILED(source_->CopyPixels(&rect, stride_, static_cast<UINT>(pixels_.size()), pixels_.data()))) {
                count_ = 0;
                return nullptr;
            }
            first_ = y;
        }
        const uint8_t* row = pixels_.data() + static_cast<size_t>(y - first_) * stride_;
        if (format_ == RowFormat::Bgrx32) {
            for (size_t x = 0; x < width_; ++x) {
                std::memcpy(&row_[4 * x], row + 4 * x, 3);
                row_[4 * x + 3] = 255;
            }
            return row_.data();
        }
        if (format_ == RowFormat::Bgr24) {
            // Four bytes read for each pixel but the last (the fourth belongs
            // to the next pixel and is replaced by alpha 255).
            size_t x = 0;
            for (; x + 1 < width_; ++x) {
                uint32_t v;
                std::memcpy(&v, row + 3 * x, 4);
                v = (v & 0x00FFFFFFu) | 0xFF000000u;
                std::memcpy(&row_[4 * x], &v, 4);
            }
            std::memcpy(&row_[4 * x], row + 3 * x, 3);
            row_[4 * x + 3] = 255;
            return row_.data();
        }
        return row;
    }

private:
    IWICBitmapSource* source_;
    RowFormat format_;
    unsigned width_, height_, stride_, band_;
    unsigned first_ = 0, count_ = 0;
    std::vector<uint8_t> pixels_, row_;
};

// Checks the declared size, decodes and renders the picture into the box;
// false when it can't be read or is too large.
bool RenderPicture(FileBytes& file, unsigned width, unsigned height, Rgb background, std::vector<uint8_t>& rgb)
{
    PictureSize declared;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!ReadPictureSize(file, declared) ||
        !PictureSizeAccepted(declared.width, declared.height, declared.framePixels) ||
        !SetFilePointerEx(file.Handle(), start, nullptr, FILE_BEGIN))
        return false;
    ComSession session;
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    UINT pictureWidth = 0, pictureHeight = 0;
    if (!session.Usable() ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(file.Handle()), nullptr,
                                                    WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&pictureWidth, &pictureHeight)) ||
        !PictureSizeAccepted(pictureWidth, pictureHeight))
        return false;
    WICPixelFormatGUID format;
    const RowFormat rowFormat = SUCCEEDED(frame->GetPixelFormat(&format)) ? RowFormatOf(format) : RowFormat::Converted;
    if (rowFormat == RowFormat::Converted &&
        (FAILED(factory->CreateFormatConverter(&converter)) ||
         FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                      0.0, WICBitmapPaletteTypeCustom))))
        return false;
    IWICBitmapSource* source = rowFormat == RowFormat::Converted ? static_cast<IWICBitmapSource*>(converter.Get())
                                                                 : static_cast<IWICBitmapSource*>(frame.Get());
    BandRows rows(source, rowFormat, pictureWidth, pictureHeight);
    return RenderOnBackground(pictureWidth, pictureHeight, rows, width, height, background, rgb);
}

// Writes the file under a temporary name beside its path and puts it in
// place when whole; on false whatever was at the path is as it was.
bool WriteWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    millfiles::StagedFile file;
    return file.Create(path) && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

}  // namespace

extern "C" {

int WINAPI ConvertImageResourceToRBF(const char* sourcePath, const char* convertedPath,
                                     unsigned int width, unsigned int height, int bytesPerPixel,
                                     int fitMode, const unsigned char* backgroundRGB)
{
    try {
        if (backgroundRGB == nullptr)
            return 0;
        if (bytesPerPixel != kBytesPerPixel || fitMode != kFitInside)
            return 0;
        if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF ||
            static_cast<unsigned long long>(width) * height > kMaxBoxPixels)
            return 0;
        Rgb background;
        background.red = backgroundRGB[0];
        background.green = backgroundRGB[1];
        background.blue = backgroundRGB[2];
        // The output must be a file that can be put in place, and not the picture.
        std::wstring source, converted;
        if (!millfiles::PathFromAnsi(sourcePath, source) || !millfiles::PathFromAnsi(convertedPath, converted))
            return 0;
        FileBytes file(source);
        millfiles::PathTarget picture, output;
        picture.exists = picture.regularFile = true;
        if (!file.Usable() || !millfiles::Examine(converted, output) || !millfiles::Replaceable(output))
            return 0;
        picture.id = file.Id();
        std::vector<uint8_t> rgb;
        if (millfiles::SameFile(picture, output) || !RenderPicture(file, width, height, background, rgb))
            return 0;
        return WriteWholeFile(converted, EncodeRbf(rgb)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}
