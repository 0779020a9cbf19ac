// Gradient fills of the HTML list box: the selection colours of its items
// and the gradient that fills item, paragraph and selection backgrounds.
#pragma once

#include <functional>

#include "platform/gfx/Canvas.h"

// The colours of a selected item: a gradient from `ColorFrom` to `ColorTo`
// (a plain fill in `ColorFrom` when `ColorTo` is none) inside a border.
class TGradientStyle {
public:
    gfx::Color ColorTo() const { return colorTo_; }
    gfx::Color ColorFrom() const { return colorFrom_; }
    gfx::Color BorderColor() const { return borderColor_; }
    // True: the colour changes from left to right; false: from top to bottom.
    bool Direction() const { return direction_; }

    // Each setter stores the value and raises OnChange.
    void SetColorTo(gfx::Color c);
    void SetColorFrom(gfx::Color c);
    void SetBorderColor(gfx::Color c);
    void SetDirection(bool horizontal) { direction_ = horizontal; }
    // Copies the three colours of another style and raises OnChange.
    void Assign(const TGradientStyle& other);

    // Raised after a colour changed.
    std::function<void()> OnChange;

private:
    void Changed();

    gfx::Color colorTo_ = gfx::clNone;
    gfx::Color colorFrom_ = gfx::clHighlight;
    gfx::Color borderColor_ = gfx::clHighlight;
    bool direction_ = false;
};

// Fills `rect` with `steps` bands (0 counts as 1) running from `from` to
// `to`, left to right when `horizontal`, else top to bottom; each band is one
// pixel wider than its share so that rounding leaves no gap. A border colour
// other than none then outlines the rectangle. System colours are resolved
// on the canvas.
void DrawGradient(gfx::Canvas& canvas, gfx::Color from, gfx::Color to, bool horizontal, const gfx::Rect& rect,
                  int steps, gfx::Color border);
