// Reading the usual lines of an OBJ file straight from its text: the
// numbers of "v", "vn" and "vt" lines and the corners of "f" lines, in the
// forms that nearly every file uses. Each routine reads one word and says
// whether it had the usual form; when it had not, the OBJ reader reads the
// whole line again by the full word rules, which give the same values for
// every word these routines accept.
//
// The text is a block of whole lines (TextBlocks): every line ends with CR
// or LF inside the block, so a scan stops at the line end at the latest and
// needs no other bound.
#pragma once

#include <cstdint>

#include "model/TextConv.h"  // ExactPowersOfTen

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

// Reads the digits at s into value (times ten for each) and returns where
// they end. Two at a time: half the steps of the usual loop, whose each step
// waits for the one before.
[[gnu::always_inline]] inline const char* ReadDigits(const char* s, uint64_t& value) {
    for (;;) {
        const unsigned d0 = Digit(s[0]);
        if (d0 > 9) return s;
        const unsigned d1 = Digit(s[1]);  // s[0] is a digit: s[1] is in the line
        if (d1 > 9) {
            value = value * 10 + d0;
            return s + 1;
        }
        value = value * 100 + d0 * 10 + d1;
        s += 2;
    }
}

// A number of at most 15 significant digits with an optional sign, point
// and exponent ("-0.123456", "5", "1.5e-3"), ending at a blank or the line
// end. Its digits and the power of ten are exact doubles, so one
// multiplication or division gives the correctly rounded value, the same as
// the general parser. Blanks before it are skipped; p is left after it.
[[gnu::always_inline]] inline bool Number(const char*& p, double& value) {
    const char* s = SkipInlineBlanks(p);
    bool negative = false;
    if (*s == '-' || *s == '+') negative = *s++ == '-';
    // The forms of the numbers repeat from line to line, so the end of each
    // run of digits is foreseen. A run too long for the mantissa wraps it
    // around (unsigned), and is refused below.
    uint64_t mantissa = 0;
    const char* const whole = s;
    s = ReadDigits(s, mantissa);
    int digits = static_cast<int>(s - whole);
    int decimals = 0;
    if (*s == '.') {
        const char* const point = ++s;
        s = ReadDigits(s, mantissa);
        decimals = static_cast<int>(s - point);
        digits += decimals;
    }
    if (digits == 0 || digits > 15) return false;
    int scale = -decimals;
    if ((*s | 0x20) == 'e') {
        ++s;
        bool negativeExponent = false;
        if (*s == '-' || *s == '+') negativeExponent = *s++ == '-';
        uint64_t exponent = 0;
        const char* const first = s;
        for (unsigned d; (d = Digit(*s)) <= 9 && s - first < 4; ++s) exponent = exponent * 10 + d;
        const int n = static_cast<int>(s - first);
        if (n == 0 || n > 3) return false;
        scale += negativeExponent ? -static_cast<int>(exponent) : static_cast<int>(exponent);
    }
    if (!EndsWord(*s) || scale < -22 || scale > 22) return false;
    const double m = static_cast<double>(static_cast<int64_t>(mantissa));  // below 10^15: one conversion
    const double v = scale >= 0 ? m * ExactPowersOfTen[scale] : m / ExactPowersOfTen[-scale];
    value = negative ? -v : v;
    p = s;
    return true;
}

// One corner "v", "v/t", "v//n" or "v/t/n": indices of at most nine digits,
// a "-" before one counting back from the end of its list; an empty texture
// or normal field is 0 (none). Ends at a blank or the line end. The fields
// are stored in the order vertex, texture, normal, before negative ones are
// resolved.
[[gnu::always_inline]] inline bool Corner(const char*& p, int64_t fields[3]) {
    // One field; false when it is not "-"? followed by at most nine digits
    // (an empty texture or normal field is 0).
    const char* s = p;
    auto field = [&s](int64_t& value, bool mayBeEmpty) {
        const bool negative = *s == '-';
        if (negative) ++s;
        const char* const first = s;
        uint64_t digits = 0;
        s = ReadDigits(s, digits);
        const long n = s - first;
        if (n > 9 || (n == 0 && (negative || !mayBeEmpty))) return false;
        value = negative ? -static_cast<int64_t>(digits) : static_cast<int64_t>(digits);
        return true;
    };
    fields[1] = fields[2] = 0;
    if (!field(fields[0], false)) return false;
    if (*s == '/') {
        ++s;
        if (!field(fields[1], true)) return false;
        if (*s == '/') {
            ++s;
            if (!field(fields[2], true) || *s == '/') return false;  // no fourth field
        }
    }
    if (!EndsWord(*s)) return false;
    p = s;
    return true;
}

}  // namespace objscan
