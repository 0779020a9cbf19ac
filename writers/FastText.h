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

// The texts "0000" to "9999" and the number of zeros each ends in.
struct FourDigitGroups {
    char text[10000][4];
    uint8_t trailingZeros[10000];
    constexpr FourDigitGroups() : text{}, trailingZeros{} {
        for (int n = 0; n < 10000; ++n) {
            for (int i = 3, v = n; i >= 0; --i, v /= 10) text[n][i] = static_cast<char>('0' + v % 10);
            int zeros = 0;
            for (int v = n; zeros < 4 && v % 10 == 0; v /= 10) ++zeros;
            trailingZeros[n] = static_cast<uint8_t>(zeros);
        }
    }
};
extern const FourDigitGroups DigitGroups;

// The decimal text of n, as std::to_chars writes it, at p (24 bytes of
// room); returns its end. Indices take most of a geometry file: the usual
// ones are laid out from the table of four-digit groups.
inline char* WriteFastInt(char* p, int64_t n) {
    if (n < 0 || n >= 100000000) return std::to_chars(p, p + 24, n).ptr;
    const uint32_t high = static_cast<uint32_t>(n) / 10000, low = static_cast<uint32_t>(n) % 10000;
    // The first group without its leading zeros, then a whole one.
    const uint32_t first = high != 0 ? high : low;
    const int length = first < 10 ? 1 : first < 100 ? 2 : first < 1000 ? 3 : 4;
    std::memcpy(p, DigitGroups.text[first] + 4 - length, static_cast<std::size_t>(length));
    p += length;
    if (high == 0) return p;
    std::memcpy(p, DigitGroups.text[low], 4);
    return p + 4;
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
