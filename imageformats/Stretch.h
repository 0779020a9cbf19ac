// The program's one image scaler: resizes a bitmap with one of seven
// reconstruction filters. Preview textures and backgrounds, map copying and
// map conversion all resize through it.
#pragma once

#include <cstdint>

#include "platform/gfx/Bitmap.h"

namespace img {

// The filters of Stretch by their index, each with its default radius.
enum TStretchFilter : uint8_t {
    sfBox = 0,       // radius 0.5
    sfTriangle = 1,  // 1.0
    sfHermite = 2,   // 1.0
    sfBell = 3,      // 1.5
    sfBSpline = 4,   // 2.0
    sfLanczos3 = 5,  // 3.0
    sfMitchell = 6,  // 2.0
};
inline constexpr int StretchFilterCount = 7;

// Resizes the bitmap in place to newWidth x newHeight with the filter of
// that index; a radius of 0 (or less) takes the filter's default, and one
// above 16 counts as 16. The bitmap is converted to 24 bits per pixel,
// resampled in two passes (rows, then columns) with its edges mirrored, and
// then holds the 24-bit result.
// Raises gfx::EInvalidGraphic, leaving the bitmap as it was, for a filter
// outside 0..6 or a size no bitmap may have (a side of 0 included).
void Stretch(uint32_t newWidth, uint32_t newHeight, uint8_t filter, float radius, gfx::Bitmap& bitmap);

namespace detail {

// Stretch resamples with AVX2 instructions when the processor has them and
// with plain code otherwise; both give the same pixels. StretchPlain always
// takes the plain code, so that the tests can compare the two.
void StretchPlain(uint32_t newWidth, uint32_t newHeight, uint8_t filter, float radius, gfx::Bitmap& bitmap);
// Whether Stretch takes the AVX2 instructions on this processor.
bool StretchUsesVectorUnits();

}  // namespace detail

}  // namespace img
