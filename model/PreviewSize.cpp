#include "model/PreviewSize.h"

#include <algorithm>
#include <cmath>

void FitPreviewSize(int32_t& width, int32_t& height, int32_t maxWidth, int32_t maxHeight) {
    maxWidth = std::max(maxWidth, 1);
    maxHeight = std::max(maxHeight, 1);
    if (width < 1 || height < 1 || (width <= maxWidth && height <= maxHeight)) return;
    const double scale = std::min(static_cast<double>(maxWidth) / width, static_cast<double>(maxHeight) / height);
    width = std::clamp(static_cast<int32_t>(std::floor(width * scale)), 1, maxWidth);
    height = std::clamp(static_cast<int32_t>(std::floor(height * scale)), 1, maxHeight);
}
