#include "platform/gfx/Arith.h"

#include <limits>

namespace gfx {

int32_t mulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    // Magnitudes fit in 64 unsigned bits: |a * b| <= 2^62 and |c| <= 2^31.
    const uint64_t num = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t den = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    const uint64_t q = (num + den / 2) / den;  // halves away from zero
    if (negative) {
        if (q > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) + 1) return -1;
        return static_cast<int32_t>(-static_cast<int64_t>(q));
    }
    if (q > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return -1;
    return static_cast<int32_t>(q);
}

}  // namespace gfx
