#include "model/UniqueNames.h"

namespace {

// The length of the base before a suffix of `suffixSize` bytes.
std::size_t StemLength(std::size_t limit, std::size_t suffixSize) {
    return limit > suffixSize ? limit - suffixSize : 0;
}

}  // namespace

std::string SuffixedName(std::string_view base, int64_t n, std::size_t limit) {
    std::string suffix(1, '_');  // not "_" + ...: that trips a false -Wrestrict in GCC 12
    suffix += std::to_string(n);
    std::string name(base.substr(0, StemLength(limit, suffix.size())));
    name += suffix;
    return name;
}

int SuffixNumbers::DigitCount(int64_t n) {
    int digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

int64_t SuffixNumbers::Power10(int exponent) {
    int64_t p = 1;
    for (int i = 0; i < exponent; ++i) p *= 10;
    return p;
}

std::string UniqueNameSet::Take(std::string_view base) {
    std::string name(base.substr(0, limit_));
    if (names_.insert(name).second) return name;
    const int64_t n = numbers_.Smallest(
        [&](int digits) {
            return std::string(base.substr(0, StemLength(limit_, static_cast<std::size_t>(digits) + 1)));
        },
        [&](const std::string& candidate) { return names_.count(candidate) > 0; });
    name = SuffixedName(base, n, limit_);
    names_.insert(name);
    return name;
}

void UniqueNameSet::Clear() {
    names_.clear();
    numbers_.Clear();
}
