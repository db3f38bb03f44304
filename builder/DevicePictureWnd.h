// A small window of its own that shows a builder picture as the device will
// show it (the converted 128x128 RGB565 picture on the background colour) at
// 1x and 2x, beside the original scaled into the same box the same way.
#pragma once
#include "CWnd.h"
#include <cstdint>
#include <string>
#include <vector>

namespace Gdiplus { class Bitmap; }

// A 128 x 128 picture, rows top-down, 3 bytes a pixel (red, green, blue).
struct BoxPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

class CDevicePictureWnd : public CWnd {
public:
    ~CDevicePictureWnd() override;

    // Shows the pictures, creating the window (owned by owner) on first use
    // and bringing it forward afterwards.
    bool Show(HWND owner, const std::wstring& title, const BoxPicture& device, const BoxPicture& original);
    // Closes the window, if open.
    void Close();

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnPaint();

    BoxPicture m_device;
    BoxPicture m_original;
};

// The original picture scaled into a box on the background colour, fitted
// and centred as the converter places it, with GDI+'s best scaling.
bool ScaleIntoBox(const std::wstring& path, int width, int height, uint32_t background, BoxPicture* picture);
