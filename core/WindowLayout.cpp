#include "WindowLayout.h"

namespace layout {

int ScaleToDpi(int pixelsAt96, int dpi)
{
    long long scaled = static_cast<long long>(pixelsAt96) * dpi;
    return static_cast<int>((scaled + kDesignDpi / 2) / kDesignDpi);
}

Extent MainWindowSize(int dpi, Extent frame, Extent content, int margin)
{
    Extent size = { ScaleToDpi(kMainWidth, dpi), ScaleToDpi(kMainHeight, dpi) };
    if (content.width + frame.width > size.width)
        size.width = content.width + margin + frame.width;
    if (content.height + frame.height > size.height)
        size.height = content.height + margin + frame.height;
    return size;
}

}  // namespace layout
