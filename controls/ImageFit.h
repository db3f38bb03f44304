// Where a picture goes in a window when it is scaled to fit with its aspect
// ratio kept and centred.
#pragma once

struct FitRect {
    int x;
    int y;
    int width;
    int height;
};

// The destination of a w x h picture in a W x H window. The picture spans
// the window's height when it is proportionally taller than the window,
// otherwise (equal ratios included) its width; the other side is truncated
// and centred, an odd spare pixel on the right or at the bottom. The window's
// ratio is held in single precision, the picture's in double precision.
// A window or picture with a side of 0 (or less) gives an empty rectangle:
// nothing is to be drawn.
FitRect AspectFit(int windowWidth, int windowHeight, unsigned imageWidth, unsigned imageHeight);
