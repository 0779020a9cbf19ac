// The millisecond clock of animations (GIF frames, blinking text). Code asks
// `tickSource()` for the time; tests install a `ManualTickSource` and move
// it on by hand instead of waiting.
#pragma once

#include <chrono>
#include <cstdint>

namespace gfx {

class TickSource {
public:
    virtual ~TickSource() = default;
    // Milliseconds since an arbitrary start; never goes back.
    virtual uint64_t milliseconds() = 0;
};

// The steady clock of the system.
class SteadyTickSource : public TickSource {
public:
    uint64_t milliseconds() override;

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A clock that moves only when told.
class ManualTickSource : public TickSource {
public:
    uint64_t milliseconds() override { return now; }
    void advance(uint64_t ms) { now += ms; }
    uint64_t now = 0;
};

// The clock in force: a steady clock unless a scope replaced it.
TickSource& tickSource();

// Installs a clock for the lifetime of the object, then restores the one
// before.
class ScopedTickSource {
public:
    explicit ScopedTickSource(TickSource& source);
    ~ScopedTickSource();
    ScopedTickSource(const ScopedTickSource&) = delete;
    ScopedTickSource& operator=(const ScopedTickSource&) = delete;

private:
    TickSource* saved_;
};

}  // namespace gfx
