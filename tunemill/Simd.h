// Whether the resampler's loops use SSE2 (every x86-64 processor, and every
// i686 one the program supports; the builds ask for it). Without it they run
// the plain loops beside them, which compute the same values in the same order.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TUNEMILL_SSE2 1
#endif
