#include "ColorMath.h"

COLORREF InverseColor(COLORREF background)
{
    return 0x00FFFFFF - (background & 0x00FFFFFF);
}
