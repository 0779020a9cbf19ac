#include "writers/FastText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/TextConv.h"

namespace {

// Seven significant digits of a (> 0) as an integer m in [10^6, 10^7) and
// the decimal exponent e of its first digit: a ~ m * 10^(e - 6). False when
// the rounding is not certain or a lies outside the range handled here.
bool SevenDigits(double a, int64_t& m, int& e) {
    // a = f * 2^binary with f in [1, 2) (a is normal here); then
    // floor(binary * log10(2)) is floor(log10(a)) or one less.
    const int binary = static_cast<int>((std::bit_cast<uint64_t>(a) >> 52) & 0x7FF) - 1023;
    e = (binary * 78913) >> 18;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int k = 6 - e;
        if (k > 22 || k < -22) return false;
        // One correctly rounded operation with an exact power of ten: s is
        // within half a unit in the last place of a * 10^k (below 1e-9 for
        // s under 10^7).
        const double s = k >= 0 ? a * ExactPowersOfTen[k] : a / ExactPowersOfTen[-k];
        if (s >= 1e7) {
            ++e;
            continue;
        }
        if (s < 1e6) return false;
        const int64_t whole = static_cast<int64_t>(s);  // s > 0: truncation is floor
        const double frac = s - static_cast<double>(whole);
        if (frac > 0.5 - 1e-7 && frac < 0.5 + 1e-7) return false;  // too near a tie to decide
        m = whole + (frac > 0.5 ? 1 : 0);
        if (m == 10000000) {
            m = 1000000;
            ++e;
        }
        return true;
    }
    return false;
}

}  // namespace

constexpr FourDigitGroups DigitGroups;

char* WriteFastFloatText(char* p, double x) {
    if (x == 0) {
        *p++ = '0';
        return p;
    }
    const double a = std::fabs(x);
    int64_t m = 0;
    int e = 0;
    if (!std::isfinite(x) || a < 1e-200 || a > 1e200 || !SevenDigits(a, m, e)) {
        const std::string text = FloatToText(x);
        return std::copy(text.begin(), text.end(), p);
    }
    // The seven digits from a table of four-digit groups: the high three
    // (a group "0ddd") and the low four. They are copied eight bytes at a
    // time (the caller's room allows it) and the text ends where they do.
    const uint32_t value = static_cast<uint32_t>(m);  // 10^6 <= value < 10^7
    const uint32_t high = value / 10000, low = value % 10000;
    char digits[16];  // room for the copies of eight from any digit on
    std::memcpy(digits, DigitGroups.text[high] + 1, 3);
    std::memcpy(digits + 3, DigitGroups.text[low], 4);
    std::memset(digits + 7, '0', sizeof digits - 7);
    // Trailing zeros dropped (high is at least 100, so never all seven).
    const int count = 7 - (low != 0 ? DigitGroups.trailingZeros[low] : 4 + DigitGroups.trailingZeros[high]);
    if (x < 0) *p++ = '-';
    if (e < -4 || e >= 7) {
        // d[.ddd]e+XX, at least two exponent digits.
        *p++ = digits[0];
        if (count > 1) {
            *p++ = '.';
            for (int i = 1; i < count; ++i) *p++ = digits[i];
        }
        *p++ = 'e';
        *p++ = e < 0 ? '-' : '+';
        const int ae = e < 0 ? -e : e;
        if (ae >= 100) *p++ = static_cast<char>('0' + ae / 100);
        *p++ = static_cast<char>('0' + ae / 10 % 10);
        *p++ = static_cast<char>('0' + ae % 10);
    } else if (e >= 0) {
        // e + 1 digits before the point (zeros past the seventh are zeros).
        const int before = e + 1;
        std::memcpy(p, digits, 8);  // the places past the last digit hold zeros
        p += before;
        if (count > before) {
            *p++ = '.';
            std::memcpy(p, digits + before, 8);
            p += count - before;
        }
    } else {
        // 0.000ddd
        std::memcpy(p, "0.000", 5);
        p += 1 - e;
        std::memcpy(p, digits, 8);
        p += count;
    }
    return p;
}

void AppendFastFloatText(std::string& out, double x) {
    char buf[FastFloatTextSize];
    out.append(buf, static_cast<std::size_t>(WriteFastFloatText(buf, x) - buf));
}
