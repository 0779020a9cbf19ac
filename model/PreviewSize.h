// The size of the preview's drawing area. It comes from edits, from model
// files and from the settings, so it is bounded before it reaches the
// window or an OpenGL frame buffer.
#pragma once

#include <cstdint>

// The longest side the preview's drawing area may have: more than any
// screen shows, and a frame buffer every OpenGL driver can make.
inline constexpr int32_t MaxPreviewSide = 8192;

// Scales width x height down, keeping its aspect ratio, until it fits
// within maxWidth x maxHeight (each taken as at least 1); no side becomes
// smaller than 1. A size that fits, or that has a side below 1 (which the
// callers refuse), stays as it is.
void FitPreviewSize(int32_t& width, int32_t& height, int32_t maxWidth, int32_t maxHeight);
