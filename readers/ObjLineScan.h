// Reading the usual lines of an OBJ file straight from its text: the
// numbers of "v", "vn" and "vt" lines and the corners of "f" lines, in the
// forms that nearly every file uses. Each routine reads one word and says
// whether it had the usual form; when it had not, the OBJ reader reads the
// whole line again by the full word rules, which give the same values for
// every word these routines accept.
//
// The text is a block of whole lines (TextBlocks): every line ends with CR
// or LF inside the block, and eight bytes past any byte of a line are
// readable.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace objscan {

// A blank inside a line: a control character or blank other than a line end.
inline bool IsInlineBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\n' && c != '\r'; }
// What ends a word: a blank, a control character or a line end.
inline bool EndsWord(char c) { return static_cast<unsigned char>(c) <= ' '; }
inline bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

inline const char* SkipInlineBlanks(const char* p) {
    while (IsInlineBlank(*p)) ++p;
    return p;
}

// The line end at or after p, or nullptr when the line's last word ends in
// "\" (the line goes on in the next one).
inline const char* RestOfLine(const char* p) {
    char last = ' ';
    for (; !IsLineEnd(*p); ++p)
        if (!IsInlineBlank(*p)) last = *p;
    return last == '\\' ? nullptr : p;
}

// Past the line end at p: CR, LF or CR LF.
inline const char* PastLineEnd(const char* p, const char* end) {
    return *p == '\r' && p + 1 < end && p[1] == '\n' ? p + 2 : p + 1;
}

inline unsigned Digit(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

// Reads the digits at p (at most `limit` of them) into value, which is
// multiplied by ten for each; returns how many there were. Eight at a time
// while they run on.
inline int Digits(const char*& p, uint64_t& value, int limit) {
    int n = 0;
    for (;;) {
        uint64_t bytes;
        std::memcpy(&bytes, p, 8);
        if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap64(bytes);
        const uint64_t high = (bytes & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL;
        const uint64_t over9 = ((bytes & 0x0F0F0F0F0F0F0F0FULL) + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL;
        const uint64_t notDigit = high | over9;
        if (notDigit == 0) {
            if (n + 8 > limit) return limit + 1;
            // Eight digits: their value in three steps of pairing.
            bytes -= 0x3030303030303030ULL;
            bytes = bytes * 10 + (bytes >> 8);
            bytes = (((bytes & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
                     (((bytes >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
                    32;
            value = value * 100000000ULL + static_cast<uint32_t>(bytes);
            p += 8;
            n += 8;
            continue;
        }
        const int run = std::countr_zero(notDigit) / 8;
        if (n + run > limit) return limit + 1;
        for (int i = 0; i < run; ++i) value = value * 10 + Digit(p[i]);
        p += run;
        return n + run;
    }
}

// Exact powers of ten as doubles (10^22 is the largest exact one).
inline constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A number of at most 15 significant digits with an optional sign, point
// and exponent ("-0.123456", "5", "1.5e-3"), ending at a blank or the line
// end. Its digits and the power of ten are exact doubles, so one
// multiplication or division gives the correctly rounded value, the same as
// the general parser. Blanks before it are skipped; p is left after it.
inline bool Number(const char*& p, double& value) {
    const char* s = SkipInlineBlanks(p);
    bool negative = false;
    if (*s == '-' || *s == '+') negative = *s++ == '-';
    uint64_t mantissa = 0;
    int digits = Digits(s, mantissa, 15);
    int decimals = 0;
    if (*s == '.') {
        ++s;
        decimals = Digits(s, mantissa, 15 - digits);
        digits += decimals;
    }
    if (digits == 0 || digits > 15) return false;
    int scale = -decimals;
    if ((*s | 0x20) == 'e') {
        ++s;
        bool negativeExponent = false;
        if (*s == '-' || *s == '+') negativeExponent = *s++ == '-';
        uint64_t exponent = 0;
        const int n = Digits(s, exponent, 3);
        if (n == 0 || n > 3) return false;
        scale += negativeExponent ? -static_cast<int>(exponent) : static_cast<int>(exponent);
    }
    if (!EndsWord(*s) || scale < -22 || scale > 22) return false;
    const double m = static_cast<double>(mantissa);
    const double v = scale >= 0 ? m * PowersOfTen[scale] : m / PowersOfTen[-scale];
    value = negative ? -v : v;
    p = s;
    return true;
}

// One corner "v", "v/t", "v//n" or "v/t/n": indices of at most nine digits,
// a "-" before one counting back from the end of its list; an empty texture
// or normal field is 0 (none). Ends at a blank or the line end. The fields
// are stored in the order vertex, texture, normal, before negative ones are
// resolved.
inline bool Corner(const char*& p, int64_t fields[3]) {
    const char* s = p;
    fields[0] = fields[1] = fields[2] = 0;
    for (int i = 0; i < 3; ++i) {
        const bool negative = *s == '-';
        if (negative) ++s;
        uint64_t value = 0;
        const int n = Digits(s, value, 9);
        if (n > 9 || (n == 0 && (negative || i == 0))) return false;
        fields[i] = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
        if (*s != '/') {
            if (!EndsWord(*s)) return false;
            p = s;
            return true;
        }
        ++s;
    }
    return false;  // a fourth field
}

}  // namespace objscan
