#include "DevicePictureWnd.h"
#include "CDC.h"
#include "GdiPlus.h"
#include "ImageFit.h"

namespace {

const int kBox = 128;
const int kMargin = 12;
const int kLabel = 20;

// Draws a box picture at its top-left corner, each pixel scale x scale,
// with a grey line round it where the screen ends.
void DrawBox(HDC dc, const BoxPicture& picture, int x, int y, int scale)
{
    if (picture.rgb.empty())
        return;
    CBrush frame;
    frame.CreateSolidBrush(RGB(160, 160, 160));
    RECT edge = { x - 1, y - 1, x + picture.width * scale + 1, y + picture.height * scale + 1 };
    ::FrameRect(dc, &edge, frame);
    // A 32-bit DIB needs no row padding; the rows go top-down.
    std::vector<uint32_t> pixels(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint32_t>(picture.rgb[3 * i]) << 16 | static_cast<uint32_t>(picture.rgb[3 * i + 1]) << 8
                    | picture.rgb[3 * i + 2];
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, x, y, picture.width * scale, picture.height * scale, 0, 0, picture.width, picture.height,
                    pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void Label(HDC dc, const wchar_t* text, int x, int y)
{
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutW(dc, x, y, text, static_cast<int>(wcslen(text)));
}

}  // namespace

CDevicePictureWnd::~CDevicePictureWnd()
{
    Close();
}

bool CDevicePictureWnd::Show(HWND owner, const std::wstring& title, const BoxPicture& device, const BoxPicture& original)
{
    m_device = device;
    m_original = original;
    if (!m_hWnd) {
        // Two rows (as flashed, original), each at 1x and 2x.
        RECT frame = { 0, 0, kMargin * 3 + kBox * 3, kMargin * 3 + (kLabel + kBox * 2) * 2 };
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
        if (!CreateEx(WS_EX_TOOLWINDOW, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, owner))
            return false;
    }
    SetWindowText(title.c_str());
    Invalidate(TRUE);
    ShowWindow(SW_SHOWNORMAL);
    ::SetForegroundWindow(m_hWnd);
    return true;
}

void CDevicePictureWnd::Close()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CDevicePictureWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        *result = 0;
        return TRUE;
    case WM_CLOSE:
        DestroyWindow();
        *result = 0;
        return TRUE;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            DestroyWindow();
            *result = 0;
            return TRUE;
        }
        return FALSE;
    default:
        return CWnd::OnWndMsg(msg, wParam, lParam, result);
    }
}

void CDevicePictureWnd::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    int y = kMargin;
    const struct {
        const wchar_t* label;
        const BoxPicture* picture;
    } rows[] = { { L"As the device shows it (RGB565), 1x and 2x", &m_device },
                 { L"The original, scaled the same way", &m_original } };
    for (const auto& row : rows) {
        Label(dc, row.label, kMargin, y);
        y += kLabel;
        DrawBox(dc, *row.picture, kMargin, y, 1);
        DrawBox(dc, *row.picture, kMargin * 2 + kBox, y, 2);
        y += kBox * 2 + kMargin;
    }
    ::EndPaint(m_hWnd, &paint);
}

bool ScaleIntoBox(const std::wstring& path, int width, int height, uint32_t background, BoxPicture* picture)
{
    Gdiplus::Bitmap source(path.c_str(), FALSE);
    if (source.GetLastStatus() != Gdiplus::Ok || source.GetWidth() == 0 || source.GetHeight() == 0)
        return false;
    Gdiplus::Bitmap box(width, height, PixelFormat24bppRGB);
    {
        Gdiplus::Graphics graphics(&box);
        graphics.Clear(Gdiplus::Color(static_cast<BYTE>(background & 0xFF), static_cast<BYTE>((background >> 8) & 0xFF),
                                      static_cast<BYTE>((background >> 16) & 0xFF)));
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        const FitRect fit = AspectFit(width, height, source.GetWidth(), source.GetHeight());
        graphics.DrawImage(&source, fit.x, fit.y, fit.width, fit.height);
    }
    picture->width = width;
    picture->height = height;
    picture->rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Gdiplus::Color color;
            box.GetPixel(x, y, &color);
            uint8_t* pixel = &picture->rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
            pixel[0] = color.GetR();
            pixel[1] = color.GetG();
            pixel[2] = color.GetB();
        }
    }
    return true;
}
