// The rounding rules of the whole program, on the ground floor so that the
// graphics layer rounds as the model does.
#pragma once

#include <cmath>
#include <cstdint>

// One rounding rule for the whole program: to nearest, ties to even.
inline int64_t Round(double x) {
    if (!std::isfinite(x)) return 0;
    const double r = std::nearbyint(x);
    if (r >= 9.2e18) return INT64_MAX;
    if (r <= -9.2e18) return INT64_MIN;
    return static_cast<int64_t>(r);
}

// Toward zero.
inline double Trunc(double x) { return std::trunc(x); }
inline double Frac(double x) { return x - std::trunc(x); }
