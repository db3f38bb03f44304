#include "ImageFit.h"

FitRect AspectFit(int windowWidth, int windowHeight, unsigned imageWidth, unsigned imageHeight)
{
    FitRect fit = {0, 0, 0, 0};
    if (windowWidth <= 0 || windowHeight <= 0 || imageWidth == 0 || imageHeight == 0)
        return fit;

    const float windowRatio = static_cast<float>(windowHeight) / static_cast<float>(windowWidth);
    const double imageRatio = static_cast<double>(imageHeight) / static_cast<double>(imageWidth);

    if (imageRatio > windowRatio) {
        fit.height = windowHeight;
        fit.width = static_cast<int>(windowHeight / imageRatio);
        fit.x = (windowWidth - fit.width) / 2;
    } else {
        fit.width = windowWidth;
        fit.height = static_cast<int>(windowWidth * imageRatio);
        fit.y = (windowHeight - fit.height) / 2;
    }
    return fit;
}
