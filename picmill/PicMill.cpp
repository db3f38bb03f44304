// Image converter library: JPG, BMP, PNG or GIF in, RBF image data out.
// GDI+ decodes the picture; RbfImage.cpp does the rest. See README.md.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>
namespace Gdiplus {
using std::max;
using std::min;
}
#include <objidl.h>
#include <gdiplus.h>

#include "RbfImage.h"

namespace {

using namespace picmill;

// The two mode arguments: RBF pixels take two bytes (RGB565), and the picture is
// fitted inside the box keeping its aspect ratio, centred on the background.
const int kBytesPerPixel = 2;
const int kFitInside = 1;
// Boxes above this many pixels are refused (the output alone would pass 32 MiB).
const unsigned long long kMaxBoxPixels = 4096ull * 4096ull;

// GDI+ for the length of one call; nested in any session the host already has.
class GdiplusSession {
public:
    GdiplusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession()
    {
        if (started_)
            Gdiplus::GdiplusShutdown(token_);
    }
    bool Started() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

std::wstring Widen(const char* ansi)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

// Decodes the picture and renders it into the box; false when it can't be read.
bool RenderPicture(const char* sourcePath, unsigned width, unsigned height, Rgb background,
                   std::vector<uint8_t>& rgb)
{
    const std::wstring path = Widen(sourcePath);
    if (path.empty())
        return false;
    GdiplusSession session;
    if (!session.Started())
        return false;
    Gdiplus::Bitmap bitmap(path.c_str(), FALSE);
    if (bitmap.GetLastStatus() != Gdiplus::Ok || bitmap.GetWidth() == 0 || bitmap.GetHeight() == 0)
        return false;
    Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
    Gdiplus::BitmapData data;
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    ArgbView view;
    view.firstRow = static_cast<const uint8_t*>(data.Scan0);
    view.rowBytes = data.Stride;
    view.width = data.Width;
    view.height = data.Height;
    bool ok = true;
    try {
        rgb = RenderOnBackground(view, width, height, background);
    } catch (...) {
        ok = false;
    }
    bitmap.UnlockBits(&data);
    return ok;
}

bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = bytes.empty() ||
              (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size());
    ok = CloseHandle(file) && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

}  // namespace

extern "C" {

int WINAPI ConvertImageResourceToRBF(const char* sourcePath, const char* convertedPath,
                                     unsigned int width, unsigned int height, int bytesPerPixel,
                                     int fitMode, const unsigned char* backgroundRGB)
{
    try {
        if (sourcePath == nullptr || convertedPath == nullptr || *convertedPath == '\0' ||
            backgroundRGB == nullptr)
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
        std::vector<uint8_t> rgb;
        if (!RenderPicture(sourcePath, width, height, background, rgb))
            return 0;
        return WriteWholeFile(convertedPath, EncodeRbf(rgb)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}
