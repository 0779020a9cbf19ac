#include "platform/gfx/TickSource.h"

namespace gfx {

namespace {
TickSource* current = nullptr;
}

uint64_t SteadyTickSource::milliseconds() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
}

TickSource& tickSource() {
    static SteadyTickSource steady;
    return current ? *current : steady;
}

ScopedTickSource::ScopedTickSource(TickSource& source) : saved_(current) { current = &source; }

ScopedTickSource::~ScopedTickSource() { current = saved_; }

}  // namespace gfx
