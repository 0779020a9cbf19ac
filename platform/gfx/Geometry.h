// Points, sizes and rectangles in device pixels. A rectangle runs from its
// left and top edges up to, but not including, its right and bottom edges,
// so its width is right - left.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gfx {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    // True when the rectangle holds no pixel.
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    // The rectangle moved by dx, dy.
    Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // The common part of both rectangles; an empty rectangle when they do
    // not meet.
    Rect intersected(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
        if (r.isEmpty()) return {};
        return r;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A rectangle from its corner and size.
inline Rect rectOfSize(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

}  // namespace gfx
