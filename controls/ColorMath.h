// Colour arithmetic on 0x00BBGGRR values.
#pragma once
#include <windows.h>

// The text colour for a label of this background: each of red, green and
// blue becomes 255 minus its value (white gives black, red gives cyan). Mid
// grey stays barely readable; no contrast correction is made.
COLORREF InverseColor(COLORREF background);
