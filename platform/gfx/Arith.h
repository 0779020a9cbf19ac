// Integer arithmetic shared by the libraries on the graphics layer. The
// program's one rounding rule (nearest, ties to even) is `Round` of
// platform/Rounding.h; `mulDiv` rounds differently on purpose and is kept apart.
#pragma once

#include <cstdint>

namespace gfx {

// a * b / c with a 64-bit product, the quotient rounded to the nearest
// integer with halves away from zero. Returns -1 when c is 0 or when the
// result does not fit in 32 bits. Font sizes, table widths and image sizes
// of the HTML viewer are computed with it.
int32_t mulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace gfx
