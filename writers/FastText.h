// Number texts for the large writers: a geometry include writes millions of
// coordinates and indices, so each line is built in a small local buffer
// and handed to the file's buffer at once.
//
// WriteFastFloatText is FloatToText ("%7.7g", trimmed, "." as decimal
// separator), about twice as fast as the general conversion. The text is always exactly that of
// FloatToText (model/TextConv.h): values whose rounding to seven digits
// cannot be decided safely in double arithmetic, and values of very large or
// very small magnitude, go through FloatToText's own conversion.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Room that one number needs in the buffer of WriteFastFloatText.
inline constexpr std::size_t FastFloatTextSize = 40;

// Writes the text at p (FastFloatTextSize bytes of room) and returns its end.
char* WriteFastFloatText(char* p, double x);
void AppendFastFloatText(std::string& out, double x);

// "00" to "99", two characters each.
extern const char DigitPairs[201];

// The decimal text of n, as std::to_chars writes it, at p (24 bytes of
// room); returns its end. Indices take most of a geometry file: the usual
// ones are laid out from a table of digit pairs.
inline char* WriteFastInt(char* p, int64_t n) {
    if (n < 0 || n >= 100000000) return std::to_chars(p, p + 24, n).ptr;
    uint32_t v = static_cast<uint32_t>(n);
    const int length = v < 10 ? 1 : v < 100 ? 2 : v < 1000 ? 3 : v < 10000 ? 4 : v < 100000 ? 5 : v < 1000000 ? 6 : v < 10000000 ? 7 : 8;
    char* const end = p + length;
    char* q = end;
    while (v >= 100) {
        q -= 2;
        std::memcpy(q, DigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (v >= 10) {
        std::memcpy(q - 2, DigitPairs + 2 * v, 2);
    } else {
        q[-1] = static_cast<char>('0' + v);
    }
    return end;
}

// One line of numbers and short texts, appended to a string at once. Room
// for 160 bytes: three coordinates, or three indices, and their punctuation.
class NumberLine {
public:
    // Short fixed texts only; what does not fit is left out rather than
    // written past the buffer.
    NumberLine& Text(std::string_view s) {
        for (char c : s) Char(c);
        return *this;
    }
    NumberLine& Char(char c) {
        if (p_ < buf_ + sizeof buf_ - FastFloatTextSize) *p_++ = c;
        return *this;
    }
    NumberLine& Float(double x) {
        p_ = WriteFastFloatText(p_, x);
        return *this;
    }
    NumberLine& Int(int64_t n) {
        p_ = WriteFastInt(p_, n);
        return *this;
    }
    void AppendTo(std::string& out) const { out.append(buf_, static_cast<std::size_t>(p_ - buf_)); }

private:
    char buf_[160];
    char* p_ = buf_;
};
