#include "platform/gfx/Display.h"

#include <utility>

namespace gfx {

namespace {

std::function<int()>& Source() {
    static std::function<int()> source;
    return source;
}

int FixedDepth = 0;

}  // namespace

int displayColorDepth() {
    if (FixedDepth > 0) return FixedDepth;
    const std::function<int()>& source = Source();
    const int depth = source ? source() : 0;
    return depth > 0 ? depth : 24;
}

void setDisplayDepthSource(std::function<int()> source) { Source() = std::move(source); }

void setDisplayColorDepth(int bits) { FixedDepth = bits > 0 ? bits : 0; }

}  // namespace gfx
