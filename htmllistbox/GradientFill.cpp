#include "htmllistbox/GradientFill.h"

#include <algorithm>
#include <cmath>

#include "model/Types.h"

void TGradientStyle::Changed() {
    if (OnChange) OnChange();
}

void TGradientStyle::SetColorTo(gfx::Color c) {
    colorTo_ = c;
    Changed();
}
void TGradientStyle::SetColorFrom(gfx::Color c) {
    colorFrom_ = c;
    Changed();
}
void TGradientStyle::SetBorderColor(gfx::Color c) {
    borderColor_ = c;
    Changed();
}

void TGradientStyle::Assign(const TGradientStyle& other) {
    colorTo_ = other.colorTo_;
    colorFrom_ = other.colorFrom_;
    borderColor_ = other.borderColor_;
    Changed();
}

void DrawGradient(gfx::Canvas& canvas, gfx::Color from, gfx::Color to, bool horizontal, const gfx::Rect& rect,
                  int steps, gfx::Color border) {
    if (steps < 1) steps = 1;
    const gfx::Color a = canvas.resolve(from), b = canvas.resolve(to);
    const double stepR = (gfx::redOf(b) - gfx::redOf(a)) / static_cast<double>(steps);
    const double stepG = (gfx::greenOf(b) - gfx::greenOf(a)) / static_cast<double>(steps);
    const double stepB = (gfx::blueOf(b) - gfx::blueOf(a)) / static_cast<double>(steps);
    const int extent = horizontal ? rect.width() : rect.height();
    const double band = extent / static_cast<double>(steps);
    auto channel = [](int base, double step, int i) {
        return static_cast<uint8_t>(std::clamp<int64_t>(base + Round(i * step), 0, 255));
    };
    for (int i = 0; i < steps; ++i) {
        const gfx::Color c = gfx::rgb(channel(gfx::redOf(a), stepR, i), channel(gfx::greenOf(a), stepG, i),
                                      channel(gfx::blueOf(a), stepB, i));
        const int start = static_cast<int>(Round(i * band));
        const int end = std::min(extent, start + static_cast<int>(std::trunc(band)) + 1);
        if (end <= start) continue;
        if (horizontal)
            canvas.fillRect({rect.left + start, rect.top, rect.left + end, rect.bottom}, c);
        else
            canvas.fillRect({rect.left, rect.top + start, rect.right, rect.top + end}, c);
    }
    if (!gfx::isNone(border)) canvas.frameRect(rect, border);
}
