// The main window's size, worked out without a window: the designed 450 by
// 380 pixels (pixels at 96 DPI, scaled to the window's DPI), and where what
// must show does not fit in that, grown just enough to hold it and a margin
// beyond it, so that no control runs into the window's frame.
#pragma once

namespace layout {

constexpr int kDesignDpi = 96;
constexpr int kMainWidth = 450;
constexpr int kMainHeight = 380;

struct Extent {
    int width;
    int height;
};

// A length in pixels at 96 DPI, at the given DPI (rounded to the nearest pixel).
int ScaleToDpi(int pixelsAt96, int dpi);

// The main window's outer size at this DPI. frame: outer size minus client
// size. content: the right and bottom edges, in client pixels, of the
// controls that must show whole (the download panel down to its result
// label, and the builder panel while it is shown). margin: the space kept
// beyond an edge that does not fit the designed size.
Extent MainWindowSize(int dpi, Extent frame, Extent content, int margin);

}  // namespace layout
