// GDI+ for code built with NOMINMAX: its headers use min and max unqualified.
#pragma once
#include <windows.h>
#include <algorithm>
namespace Gdiplus {
using std::min;
using std::max;
}
#include <objidl.h>
#include <gdiplus.h>
