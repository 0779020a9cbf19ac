#include "model/TextConv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/StatusLog.h"

namespace {

// Blanks and control characters: every byte up to 32 (bytes above 127 are
// text, whatever char's signedness).
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string_view TrimView(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// A number text that reads as zero ("0", "-0.00", "-0e+00") loses its minus.
void DropMinusOfZero(char* first, char*& last) {
    if (first == last || *first != '-') return;
    for (const char* p = first + 1; p < last; ++p) {
        if (*p == 'e' || *p == 'E') break;
        if (*p >= '1' && *p <= '9') return;
    }
    std::memmove(first, first + 1, static_cast<std::size_t>(last - first - 1));
    --last;
}

// x as C's "%.{precision}{type}" into [first, last); the end of the text.
// Not finite values are written as 0.
char* FormatNumber(char* first, char* last, double x, std::chars_format fmt, int precision) {
    if (!std::isfinite(x)) x = 0;
    char* end = std::to_chars(first, last, x, fmt, precision).ptr;
    DropMinusOfZero(first, end);
    return end;
}

// FloatToText into a buffer: "%7.7g" (the width only pads, and is trimmed).
inline char* FloatText7(char* first, char* last, double x) {
    return FormatNumber(first, last, x, std::chars_format::general, 7);
}

bool IsIdentifierChar(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

// The offset of the extension's point within path, or npos.
std::size_t ExtensionStart(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return dot;
    if (sep != std::string_view::npos && dot < sep) return std::string_view::npos;
    return dot;
}

// ---- Decimal digits of a double for the picture masks ----------------------
// x = 0.d0 d1 d2 ... x 10^(exponent + 1), i.e. d0 stands at 10^exponent.
struct Decimal {
    std::array<int, 16> digits{};  // 15 significant digits, room for a carry
    int count = 0;                 // digits in use
    int exponent = 0;
    bool negative = false;
    bool IsZero() const {
        for (int i = 0; i < count; ++i)
            if (digits[i] != 0) return false;
        return true;
    }
};

Decimal DecimalOf(double x) {
    Decimal d;
    if (!std::isfinite(x)) x = 0;
    d.negative = std::signbit(x);
    char buf[40];
    char* end = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14).ptr;
    // "d.dddddddddddddde+XX"
    const char* p = buf;
    while (p < end && *p != 'e') {
        if (IsDigit(*p)) d.digits[d.count++] = *p - '0';
        ++p;
    }
    int e = 0;
    if (p < end) std::from_chars(p + 1 + (p[1] == '+'), end, e);
    d.exponent = (x == 0) ? 0 : e;
    return d;
}

// Keeps `keep` leading digits, rounding half away from zero on the next one.
// keep may be 0 (only a carry can then leave a digit) or negative (zero).
void RoundDigits(Decimal& d, int keep) {
    if (keep >= d.count) return;
    if (keep < 0) {
        d.count = 0;
        return;
    }
    const bool up = d.digits[keep] >= 5;
    d.count = keep;
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == 9) d.digits[i--] = 0;
    if (i >= 0) {
        ++d.digits[i];
    } else {
        // Carry out of the first digit (or a lone rounding digit): 1 at the
        // next higher position.
        for (int j = d.count; j > 0; --j) d.digits[j] = d.digits[j - 1];
        d.digits[0] = 1;
        d.count += 1;
        d.exponent += 1;
    }
}

int DigitAt(const Decimal& d, int power) {
    const int i = d.exponent - power;
    return (i >= 0 && i < d.count) ? d.digits[i] : 0;
}

// ---- The comma-text rule ---------------------------------------------------
// Scans a quoted word that starts at line[pos] == '"'. Returns the end of the
// word (after the closing quote, or the end of the line), the inner text and
// whether it holds doubled quotes.
std::size_t ScanQuoted(std::string_view line, std::size_t pos, std::string_view& inner, bool& doubled) {
    const std::size_t start = pos + 1;
    std::size_t i = start;
    doubled = false;
    for (;;) {
        const std::size_t q = line.find('"', i);
        if (q == std::string_view::npos) {
            inner = line.substr(start);
            return line.size();
        }
        if (q + 1 < line.size() && line[q + 1] == '"') {
            doubled = true;
            i = q + 2;
            continue;
        }
        inner = line.substr(start, q - start);
        return q + 1;
    }
}

}  // namespace

// ---- Numbers to text ------------------------------------------------------

std::string FormatFloatDot(std::string_view format, double x) {
    std::string out;
    std::size_t i = 0;
    const std::size_t n = format.size();
    while (i < n) {
        const char c = format[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < n && format[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        // %[flags][width][.precision]type
        const std::size_t specStart = i++;
        bool left = false, plus = false, zero = false, space = false;
        for (; i < n; ++i) {
            if (format[i] == '-') left = true;
            else if (format[i] == '+') plus = true;
            else if (format[i] == '0') zero = true;
            else if (format[i] == ' ') space = true;
            else break;
        }
        int width = 0;
        for (; i < n && IsDigit(format[i]); ++i) width = std::min(width * 10 + (format[i] - '0'), 1000);
        int precision = -1;
        if (i < n && format[i] == '.') {
            precision = 0;
            for (++i; i < n && IsDigit(format[i]); ++i) precision = std::min(precision * 10 + (format[i] - '0'), 400);
        }
        if (i >= n || (format[i] != 'f' && format[i] != 'e' && format[i] != 'g' && format[i] != 'd')) {
            // Not a number conversion: copied as written.
            const std::size_t stop = std::min(i + 1, n);
            out.append(format.substr(specStart, stop - specStart));
            i = stop;
            continue;
        }
        const char type = format[i++];

        // The number without its sign, then the sign.
        char buf[1024];
        char* end;
        bool negative;
        if (type == 'd') {
            const int64_t v = Round(x);
            negative = v < 0;
            const uint64_t mag = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
            char digits[24];
            char* dEnd = std::to_chars(digits, digits + sizeof digits, mag).ptr;
            const int len = static_cast<int>(dEnd - digits);
            const int pad = std::max(precision - len, 0);
            std::memset(buf, '0', static_cast<std::size_t>(pad));
            std::memcpy(buf + pad, digits, static_cast<std::size_t>(len));
            end = buf + pad + len;
            if (precision == 0 && v == 0) end = buf;  // C: "%.0d" of 0 prints no digit
        } else {
            std::chars_format fmt = type == 'f'   ? std::chars_format::fixed
                                    : type == 'e' ? std::chars_format::scientific
                                                  : std::chars_format::general;
            if (precision < 0) precision = (type == 'g') ? 15 : 6;
            if (type == 'g' && precision == 0) precision = 1;
            end = FormatNumber(buf, buf + sizeof buf, x, fmt, precision);
            negative = buf[0] == '-';
            if (negative) {
                std::memmove(buf, buf + 1, static_cast<std::size_t>(end - buf - 1));
                --end;
            }
        }
        const std::string_view body(buf, static_cast<std::size_t>(end - buf));
        const char sign = negative ? '-' : plus ? '+' : space ? ' ' : '\0';
        const int len = static_cast<int>(body.size()) + (sign ? 1 : 0);
        const int pad = std::max(width - len, 0);
        if (left) {
            if (sign) out.push_back(sign);
            out.append(body);
            out.append(static_cast<std::size_t>(pad), ' ');
        } else if (zero && !(type == 'd' && precision >= 0)) {
            if (sign) out.push_back(sign);
            out.append(static_cast<std::size_t>(pad), '0');
            out.append(body);
        } else {
            out.append(static_cast<std::size_t>(pad), ' ');
            if (sign) out.push_back(sign);
            out.append(body);
        }
    }
    const std::string_view t = TrimView(out);
    if (t.size() != out.size()) return std::string(t);
    return out;
}

std::string FloatToText(double x) {
    char buf[40];
    return std::string(buf, FloatText7(buf, buf + sizeof buf, x));
}

void AppendFloatText(std::string& out, double x) {
    char buf[40];
    out.append(buf, FloatText7(buf, buf + sizeof buf, x));
}

namespace {

// The shortest text of x written without an exponent, for the usual values
// (1e-4 <= |x| < 1e15) whose shortest digits number at most 15: the fewest
// decimals k for which the integer m nearest to |x| * 10^k gives back x as
// m / 10^k. Both operations are correctly rounded on exact operands, so m
// with k decimals reads back as x; and a text with fewer decimals that read
// back as x would differ from |x| * 10^k by far less than a half, so its
// integer would have been that m at its k. nullptr for any other x.
char* ShortFixedText(char* first, double x) {
    const double a = std::fabs(x);
    if (!(a >= 1e-4 && a < 1e15)) return nullptr;
    for (int k = 0; k <= 19; ++k) {
        const double scaled = a * ExactPowersOfTen[k];
        if (scaled >= 1e15) return nullptr;
        // The nearest integer (scaled is below 10^15; a tie cannot read back).
        const double m = static_cast<double>(static_cast<int64_t>(scaled + 0.5));
        // A text with k decimals that reads back as a lies within one and a
        // half units in the last place of |x| * 10^k (at most 3.4e-16 of
        // it): the other k are passed over without a division.
        if (std::fabs(scaled - m) > scaled * 4e-16 || m / ExactPowersOfTen[k] != a) continue;
        char digits[24];
        char* const end = std::to_chars(digits, digits + sizeof digits, static_cast<int64_t>(m)).ptr;
        const int count = static_cast<int>(end - digits);
        char* out = first;
        if (x < 0) *out++ = '-';
        if (count > k) {
            out = std::copy(digits, digits + count - k, out);
            if (k > 0) {
                *out++ = '.';
                out = std::copy(end - k, end, out);
            }
        } else {
            *out++ = '0';
            *out++ = '.';
            out = std::fill_n(out, k - count, '0');
            out = std::copy(digits, end, out);
        }
        return out;
    }
    return nullptr;
}

// FloatToStrDot into a buffer of 40 bytes. The shortest digits that read
// back as x are the digits of its rounding to 15 significant digits whenever
// there are at most 15 of them: x lies within half a unit of its last binary
// place of them, far less than half a unit of the 15th decimal digit. Those
// digits are laid out as "%g" lays them out; x whose shortest text is longer
// goes through the full conversion, as does any x below the normal range.
char* FloatStrDotText(char* first, double x) {
    if (x == 0 || !std::isfinite(x)) {
        *first = '0';
        return first + 1;
    }
    if (char* end = ShortFixedText(first, x)) return end;
    // Below the normal range the last binary place is no longer that small.
    if (std::fabs(x) < std::numeric_limits<double>::min())
        return FormatNumber(first, first + 40, x, std::chars_format::general, 15);
    char shortest[32];
    const char* const end = std::to_chars(shortest, shortest + sizeof shortest, x, std::chars_format::scientific).ptr;
    // "-d.ddde+XX": the digits and the exponent.
    const char* p = shortest;
    const bool negative = *p == '-';
    if (negative) ++p;
    char digits[20];
    int count = 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') digits[count++] = *p;
    if (count > 15 || p == end) return FormatNumber(first, first + 40, x, std::chars_format::general, 15);
    ++p;  // 'e'
    const bool negativeExponent = *p == '-';
    ++p;  // the exponent's sign
    int exponent = 0;
    for (; p < end; ++p) exponent = exponent * 10 + (*p - '0');
    if (negativeExponent) exponent = -exponent;

    char* out = first;
    if (negative) *out++ = '-';
    if (exponent < -4 || exponent >= 15) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            for (int i = 1; i < count; ++i) *out++ = digits[i];
        }
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
        *out++ = static_cast<char>('0' + magnitude / 10 % 10);
        *out++ = static_cast<char>('0' + magnitude % 10);
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
        if (count > exponent + 1) {
            *out++ = '.';
            for (int i = exponent + 1; i < count; ++i) *out++ = digits[i];
        }
    } else {
        *out++ = '0';
        *out++ = '.';
        for (int i = 0; i < -exponent - 1; ++i) *out++ = '0';
        for (int i = 0; i < count; ++i) *out++ = digits[i];
    }
    return out;
}

}  // namespace

std::string FloatToStrDot(double x) {
    char buf[40];
    return std::string(buf, FloatStrDotText(buf, x));
}

char* WriteFloatStrDot(char* p, double x) { return FloatStrDotText(p, x); }

void AppendFloatStrDot(std::string& out, double x) {
    char buf[40];
    out.append(buf, FloatStrDotText(buf, x));
}

std::string FormatFloatMaskDot(std::string_view mask, double x) {
    // The mask: integer placeholders, fraction placeholders (the last "0"
    // among them marks the decimals always shown), an exponent.
    int intRequired = 0, fracRequired = 0, fracMax = 0, expDigits = 0;
    bool inFraction = false, hasExponent = false, expPlus = false;
    char expLetter = 'E';
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        if (hasExponent) {
            if (c == '0') ++expDigits;
            continue;
        }
        if ((c == 'E' || c == 'e') && i + 1 < mask.size() && (mask[i + 1] == '+' || mask[i + 1] == '-')) {
            hasExponent = true;
            expLetter = c;
            expPlus = mask[i + 1] == '+';
            ++i;
        } else if (c == '.') {
            inFraction = true;
        } else if (c == '0' || c == '#') {
            if (inFraction) {
                ++fracMax;
                if (c == '0') fracRequired = fracMax;
            } else if (c == '0') {
                ++intRequired;
            }
        }
    }
    expDigits = std::max(expDigits, 1);

    Decimal d = DecimalOf(x);
    std::string out;
    if (hasExponent) {
        RoundDigits(d, 1 + fracMax);
        if (d.IsZero()) d.exponent = 0;
        if (d.negative && !d.IsZero()) out.push_back('-');
        out.push_back(static_cast<char>('0' + DigitAt(d, d.exponent)));
        int shown = fracMax;
        while (shown > fracRequired && DigitAt(d, d.exponent - shown) == 0) --shown;
        if (shown > 0) {
            out.push_back('.');
            for (int k = 1; k <= shown; ++k) out.push_back(static_cast<char>('0' + DigitAt(d, d.exponent - k)));
        }
        out.push_back(expLetter);
        if (d.exponent < 0) out.push_back('-');
        else if (expPlus) out.push_back('+');
        char eb[8];
        char* ee = std::to_chars(eb, eb + sizeof eb, std::abs(d.exponent)).ptr;
        out.append(static_cast<std::size_t>(std::max(expDigits - static_cast<int>(ee - eb), 0)), '0');
        out.append(eb, ee);
        return out;
    }
    RoundDigits(d, d.exponent + fracMax + 1);
    if (d.negative && !d.IsZero()) out.push_back('-');
    const int top = std::max({d.count > 0 ? d.exponent : 0, intRequired - 1, 0});
    for (int p = top; p >= 0; --p) out.push_back(static_cast<char>('0' + DigitAt(d, p)));
    int shown = fracMax;
    while (shown > fracRequired && DigitAt(d, -shown) == 0) --shown;
    if (shown > 0) {
        out.push_back('.');
        for (int k = 1; k <= shown; ++k) out.push_back(static_cast<char>('0' + DigitAt(d, -k)));
    }
    return out;
}

std::string FormatVector(std::string_view format, std::string_view separator, const tvector& v) {
    std::string out = FormatFloatDot(format, v.x);
    out.append(separator);
    out.append(FormatFloatDot(format, v.y));
    out.append(separator);
    out.append(FormatFloatDot(format, v.z));
    return out;
}

// ---- Text to numbers ------------------------------------------------------

namespace {

// The slow path of ParseDouble: a comma as decimal point, or a number out of
// the range of a double. The grammar checked here is the one the fast path
// gets from from_chars: digits [("." | ",") digits] [("e" | "E") ["+" | "-"]
// digits], with at least one mantissa digit. Along the way the decimal
// magnitude is noted to tell an underflow (zero) from an overflow (an error).
bool ParseDoubleCarefully(const char* numberStart, const char* end, bool negative, double& value) {
    constexpr int None = 1 << 30;
    int firstSignificant = None;  // power of ten of the first non-zero digit
    int intDigits = 0, fracDigits = 0;
    const char* comma = nullptr;
    const char* p = numberStart;
    for (; p < end && IsDigit(*p); ++p) {
        if (*p != '0' && firstSignificant == None) firstSignificant = -intDigits;
        ++intDigits;
    }
    if (firstSignificant != None) firstSignificant += intDigits - 1;
    if (p < end && (*p == '.' || *p == ',')) {
        if (*p == ',') comma = p;
        for (++p; p < end && IsDigit(*p); ++p) {
            ++fracDigits;
            if (*p != '0' && firstSignificant == None) firstSignificant = -fracDigits;
        }
    }
    if (intDigits + fracDigits == 0) return false;
    long long exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool expNegative = false;
        if (p < end && (*p == '+' || *p == '-')) expNegative = *p++ == '-';
        if (p == end || !IsDigit(*p)) return false;
        for (; p < end && IsDigit(*p); ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1000000LL);
        if (expNegative) exponent = -exponent;
    }
    if (p != end) return false;

    const char* first = numberStart;
    const char* last = end;
    char local[128];
    std::string heap;
    if (comma) {
        const std::size_t len = static_cast<std::size_t>(end - numberStart);
        char* copy = local;
        if (len > sizeof local) {
            heap.assign(numberStart, len);
            copy = heap.data();
        } else {
            std::memcpy(local, numberStart, len);
        }
        copy[comma - numberStart] = '.';
        first = copy;
        last = copy + len;
    }
    double v = 0;
    const auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        if (firstSignificant == None || firstSignificant + exponent < 0) v = 0;  // too small: zero
        else return false;                                                       // too large
    } else if (r.ec != std::errc() || r.ptr != last) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

}  // namespace

bool ParseDouble(std::string_view s, double& value) {
    s = TrimView(s);
    const char* p = s.data();
    const char* const end = p + s.size();
    if (p == end) return false;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // A digit or a decimal point must come first: from_chars would also take
    // "inf" and "nan", which are not numbers here. It takes no hex without
    // being asked to, no blanks and no second sign.
    if (p == end || !(IsDigit(*p) || *p == '.' || *p == ',')) return false;
    double v = 0;
    const auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec == std::errc() && r.ptr == end) {
        value = negative ? -v : v;
        return true;
    }
    return ParseDoubleCarefully(p, end, negative, value);
}

bool ParseInt(std::string_view s, int64_t& value) {
    s = TrimView(s);
    if (s.empty()) return false;
    std::size_t start = 0;
    if (s[0] == '+') {
        start = 1;
        if (s.size() > 1 && s[1] == '-') return false;
    }
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    int64_t v = 0;
    const auto r = std::from_chars(first, last, v, 10);
    if (r.ec != std::errc() || r.ptr != last) return false;
    value = v;
    return true;
}

double TextToFloat(std::string_view s) {
    double v = 0;
    return ParseDouble(s, v) ? v : 0.0;
}

void ValFloat(std::string_view s, double& value, int32_t& code) {
    double v = 0;
    if (ParseDouble(s, v)) {
        value = v;
        code = 0;
    } else {
        value = 0;
        code = -1;
    }
}

int32_t TextToInt(std::string_view s) {
    int64_t v = 0;
    if (!ParseInt(s, v) || v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<int32_t>(v);
}

// ---- cp1252 ---------------------------------------------------------------

namespace {

// The characters cp1252 gives the bytes 0x80 to 0x9F (0 where it has none).
constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t Cp1252ToUnicode(uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0 && Cp1252High[byte - 0x80] != 0) return Cp1252High[byte - 0x80];
    return byte;
}

std::optional<uint8_t> UnicodeToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
    for (std::size_t i = 0; i < Cp1252High.size(); ++i)
        if (Cp1252High[i] == c) return static_cast<uint8_t>(0x80 + i);
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<uint8_t>(ch)));
    return out;
}

// ---- Booleans and small text routines ---------------------------------

std::string BoolToText(uint8_t b) { return b == 1 ? "TRUE" : "FALSE"; }

bool TextToBool(std::string_view s) { return SameText(s, "TRUE"); }

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string_view TrimmedView(std::string_view s) { return TrimView(s); }

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = ToUpperAscii(c);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = ToLowerAscii(c);
    return r;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
    return true;
}

void TabsToBlanks(std::string& line) {
    const std::string_view t = TrimView(line);
    if (t.size() != line.size()) line = std::string(t);
    std::replace(line.begin(), line.end(), '\t', ' ');
}

std::string ReplaceChars(std::string_view chars, char newChar, std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (chars.find(c) != std::string_view::npos) c = newChar;
    return r;
}

std::string CleanIdentifier(std::string_view s) {
    std::string r(TrimView(s));
    for (char& c : r)
        if (!IsIdentifierChar(c)) c = '_';
    return r;
}

std::string CleanFileName(std::string_view s) {
    std::string r(TrimView(s));
    for (char& c : r)
        if (!IsIdentifierChar(c) && c != '.') c = '_';
    return r;
}

std::string PrefixLeadingDigit(std::string_view s) {
    std::string r;
    if (!s.empty() && IsDigit(s[0])) r.push_back('_');
    r.append(s);
    return r;
}

std::string MakeIdentifierPrefix(std::string_view name) {
    return PrefixLeadingDigit(CleanIdentifier(name)) + "_";
}

std::string MakeIdentifier(std::string_view name, bool clean) {
    return clean ? PrefixLeadingDigit(CleanIdentifier(name)) : std::string(name);
}

bool IsPlainASCII(std::string_view s) {
    for (char c : TrimView(s))
        if (static_cast<unsigned char>(c) > 127) return false;
    return true;
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const std::size_t dot = ExtensionStart(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ExtractBaseName(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    const std::size_t start = sep == std::string_view::npos ? 0 : sep + 1;
    const std::size_t dot = ExtensionStart(path);
    const std::size_t stop = dot == std::string_view::npos ? path.size() : dot;
    return std::string(path.substr(start, stop - start));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    const std::size_t dot = ExtensionStart(path);
    std::string r(dot == std::string_view::npos ? path : path.substr(0, dot));
    r.append(ext);
    return r;
}

std::string TextBeforeDigit(std::string_view s) {
    const std::size_t i = s.find_first_of("0123456789");
    return std::string(i == std::string_view::npos ? s : s.substr(0, i));
}

std::string TextAfterLastDot(std::string_view s) {
    const std::size_t i = s.rfind('.');
    return std::string(i == std::string_view::npos ? s : s.substr(i + 1));
}

std::string ByteSizeText(int64_t n) {
    int64_t number = n;
    const char* unit = " Byte";
    if (n >= 1048576) {
        number = n / 1048576;
        unit = " MByte";
    } else if (n >= 1024) {
        number = n / 1024;
        unit = " KByte";
    }
    std::string r = std::to_string(number) + unit;
    if (number != 1) r.push_back('s');
    return r;
}

std::string CountChangeText(int64_t delta) {
    if (delta < 0) return std::to_string(0 - static_cast<uint64_t>(delta)) + " removed";
    if (delta == 0) return "no change";
    return std::to_string(delta) + " added";
}

// ---- Map file types -------------------------------------------------------

std::string POVImageType(std::string_view fileName) {
    std::string ext = LowerCase(ExtractFileExt(fileName));
    if (!ext.empty()) ext.erase(0, 1);
    if (ext == "jpg" || ext == "jif") return "jpeg";
    if (ext == "tif") return "tiff";
    return ext;
}

bool IsPOVImageType(std::string_view keyword, int32_t variant) {
    if (variant < 0 || variant > 2) return false;
    static constexpr std::string_view types[] = {"gif", "tga", "iff", "ppm", "pgm", "png", "jpeg", "tiff", "bmp"};
    for (std::string_view t : types)
        if (SameText(keyword, t)) return true;
    return false;
}

// ---- Long text buffers ----------------------------------------------------

std::string BufferToString(const tlongtext& buffer) { return buffer.str(); }

void StringToBuffer(std::string_view s, tlongtext& buffer) {
    if (s.size() > tlongtext::Capacity)
        LogMessage("<!>Text of " + std::to_string(s.size()) + " characters cut to " +
                   std::to_string(tlongtext::Capacity) + " characters");
    buffer = s;  // the buffer keeps the first 5000
}

std::string BufferToSingleLine(const tlongtext& buffer) {
    std::string r = buffer.str();
    for (char& c : r) {
        if (c == '\r') c = '?';
        else if (c == '\n') c = '~';
    }
    return r;
}

void SingleLineToBuffer(std::string_view s, tlongtext& buffer) {
    std::string r(s);
    for (char& c : r) {
        if (c == '?') c = '\r';
        else if (c == '~') c = '\n';
    }
    StringToBuffer(r, buffer);
}

// ---- Colours and shininess ------------------------------------------------

tvector ColorToVector(int32_t c) {
    const uint32_t u = static_cast<uint32_t>(c);
    return {static_cast<double>(u & 255) / 255.0, static_cast<double>((u >> 8) & 255) / 255.0,
            static_cast<double>((u >> 16) & 255) / 255.0};
}

static int32_t ChannelByte(double v) { return static_cast<int32_t>(std::clamp<int64_t>(Round(v * 255.0), 0, 255)); }

int32_t VectorToColor(const tvector& v) {
    return ChannelByte(v.x) | (ChannelByte(v.y) << 8) | (ChannelByte(v.z) << 16);
}

int32_t FloatPixelToColor(const float pixel[3], double gamma) {
    if (!(gamma > 0) || !std::isfinite(gamma)) gamma = 1.0;
    int32_t c = 0;
    for (int i = 0; i < 3; ++i) {
        const double p = static_cast<double>(pixel[i]);
        const double v = p > 0 ? std::pow(p, 1.0 / gamma) : 0.0;
        c |= ChannelByte(v) << (8 * i);
    }
    return c;
}

double Luminance(double r, double g, double b) { return 0.3 * r + 0.59 * g + 0.11 * b; }

double ShininessToExponent(double s) { return std::clamp(std::pow(2.0, 10.0 * s + 2.0), 4.0, 4096.0); }

double ExponentToShininess(double e) {
    if (!(e >= 4)) return 0;  // NaN too
    if (e > 4096) return 1;
    return std::log2(e / 4.0) / 10.0;
}

double ShininessToGL(double s) { return std::clamp(1.0 + 127.0 * s / 0.34, 1.0, 128.0); }

double ShininessToPhongSize(double s) { return std::max(std::pow(2.0, (0.47 * s + 0.53) * 10.0 - 2.0), 1.0); }

bool IsMaterialInPass(const tmaterial& material, int32_t pass) {
    const bool transparent = !material.transparencyMap.empty() || material.transparency > 0;
    if (pass == 1) return !transparent;
    if (pass == 2) return transparent;
    return false;
}

bool FaceHasUVs(const tface& face) { return face.uv[0] >= 1 && face.uv[1] >= 1 && face.uv[2] >= 1; }
bool LineHasNormals(const tline& line) { return line.normal[0] >= 1 && line.normal[1] >= 1; }
bool LineHasUVs(const tline& line) { return line.uv[0] >= 1 && line.uv[1] >= 1; }

// ---- Files ------------------------------------------------------------

bool FileExistsNonBlank(std::string_view name) {
    if (TrimView(name).empty() || name.find('\0') != std::string_view::npos) return false;
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

// ---- Text files -----------------------------------------------------------

namespace {
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
}

TextLineReader::TextLineReader(std::string text) { Adopt(std::move(text)); }

TextLineReader::~TextLineReader() { Release(); }

TextLineReader::TextLineReader(TextLineReader&& other) noexcept { *this = std::move(other); }

TextLineReader& TextLineReader::operator=(TextLineReader&& other) noexcept {
    if (this == &other) return *this;
    Release();
    const bool owned = other.map_ == nullptr;
    const std::size_t offset = owned ? static_cast<std::size_t>(other.data_ - other.owned_.data()) : 0;
    owned_ = std::move(other.owned_);
    map_ = other.map_;
    mapSize_ = other.mapSize_;
    data_ = owned ? (owned_.empty() ? "" : owned_.data() + offset) : other.data_;
    size_ = other.size_;
    pos_ = other.pos_;
    nextCR_ = other.nextCR_;
    nextLF_ = other.nextLF_;
    other.map_ = nullptr;
    other.mapSize_ = 0;
    other.owned_.clear();
    other.data_ = "";
    other.size_ = 0;
    other.Rewind();
    return *this;
}

void TextLineReader::Release() {
    if (map_) munmap(map_, mapSize_);
    map_ = nullptr;
    mapSize_ = 0;
    owned_.clear();
    owned_.shrink_to_fit();
    data_ = "";
    size_ = 0;
    Rewind();
}

void TextLineReader::Adopt(std::string text) {
    Release();
    owned_ = std::move(text);
    const std::size_t skip = std::string_view(owned_).substr(0, 3) == Utf8Bom ? 3 : 0;
    data_ = owned_.empty() ? "" : owned_.data() + skip;
    size_ = owned_.size() - skip;
}

bool TextLineReader::Open(const std::string& fileName) {
    Release();
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        // Mapped, not copied: the pages of the file cache are used as they
        // are. A file that changes while it is read keeps the size it had.
        const std::size_t size = static_cast<std::size_t>(st.st_size);
        void* m = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (m != MAP_FAILED) {
            ::close(fd);
            map_ = m;
            mapSize_ = size;
            data_ = static_cast<const char*>(m);
            size_ = size;
            if (Text().substr(0, 3) == Utf8Bom) {
                data_ += 3;
                size_ -= 3;
            }
            return true;
        }
    }
    // A pipe, a device, an empty file, or a file that cannot be mapped: read.
    // A file that cannot be mapped for want of memory seldom fits when read:
    // its text is given its room at once, and running out of memory is
    // std::bad_alloc, not a file that cannot be opened.
    std::string text;
    bool ok = true;
    char chunk[65536];
    try {
        if (S_ISREG(st.st_mode) && st.st_size > 0) text.reserve(static_cast<std::size_t>(st.st_size));
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            text.append(chunk, static_cast<std::size_t>(n));
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    if (!ok) return false;
    Adopt(std::move(text));
    return true;
}

void TextLineReader::Rewind() {
    pos_ = 0;
    nextCR_ = NotSearched;
    nextLF_ = NotSearched;
}

std::size_t TextLineReader::NextCR() {
    if (nextCR_ == NotSearched || nextCR_ < pos_) {
        const void* p = std::memchr(data_ + pos_, '\r', size_ - pos_);
        nextCR_ = p ? static_cast<std::size_t>(static_cast<const char*>(p) - data_) : size_;
    }
    return nextCR_;
}

std::size_t TextLineReader::NextLF() {
    if (nextLF_ == NotSearched || nextLF_ < pos_) {
        const void* p = std::memchr(data_ + pos_, '\n', size_ - pos_);
        nextLF_ = p ? static_cast<std::size_t>(static_cast<const char*>(p) - data_) : size_;
    }
    return nextLF_;
}

std::string_view TextLineReader::ReadTextLine() {
    const std::string_view text = Text();
    while (pos_ < text.size()) {
        const std::size_t cr = NextCR();
        const std::size_t lf = NextLF();
        const std::size_t start = pos_;
        if (cr < lf) {
            pos_ = cr + 1;
            return text.substr(start, cr - start);
        }
        if (lf == text.size()) {
            pos_ = lf;
            return text.substr(start);
        }
        pos_ = lf + 1;
        if (lf > start) return text.substr(start, lf - start);
        // An LF at the start of a line is skipped.
    }
    return {};
}

std::string_view TextLineReader::ReadLine() {
    const std::string_view text = Text();
    if (pos_ >= text.size()) return {};
    const std::size_t start = pos_;
    const std::size_t end = std::min(NextCR(), NextLF());
    pos_ = end;
    if (pos_ < text.size()) {
        if (text[pos_] == '\r' && pos_ + 1 < text.size() && text[pos_ + 1] == '\n') ++pos_;
        ++pos_;
    }
    return text.substr(start, end - start);
}

// ---- Comma text -----------------------------------------------------------

namespace {

// Byte classes of the comma-text rule, looked up once per byte.
enum : unsigned char { WordByte = 0, BlankByte = 1, CommaByte = 2 };
constexpr std::array<unsigned char, 256> CommaTextClasses = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c <= ' '; ++c) t[c] = BlankByte;
    t[','] = CommaByte;
    return t;
}();
inline unsigned char ClassOf(char c) { return CommaTextClasses[static_cast<unsigned char>(c)]; }

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
    while (i < line.size() && ClassOf(line[i]) == BlankByte) ++i;
    return i;
}

// The word that starts at `i` (blanks before it skipped): its text as it
// stands in the line (a quoted word without its quotes, `doubled` when it
// holds doubled quotes that stand for one). Returns where the next word
// starts: past the blanks, one comma and the blanks after the word.
std::size_t ScanWord(std::string_view line, std::size_t i, std::string_view& word, bool& doubled) {
    const std::size_t n = line.size();
    doubled = false;
    if (line[i] == '"') {
        i = ScanQuoted(line, i, word, doubled);
    } else {
        const std::size_t start = i;
        while (i < n && ClassOf(line[i]) == WordByte) ++i;
        word = line.substr(start, i - start);
    }
    i = SkipBlanks(line, i);
    if (i < n && line[i] == ',') i = SkipBlanks(line, i + 1);
    return i;
}

void UnquoteInto(std::string_view quoted, std::string& s) {
    s.clear();
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        s.push_back(quoted[i]);
        if (quoted[i] == '"' && i + 1 < quoted.size() && quoted[i + 1] == '"') ++i;
    }
}

}  // namespace

const std::vector<std::string_view>& CommaTextSplitter::Split(std::string_view line) {
    return SplitFirst(line, static_cast<std::size_t>(-1));
}

const std::vector<std::string_view>& CommaTextSplitter::SplitFirst(std::string_view line, std::size_t limit) {
    words_.clear();
    unquotedUsed_ = 0;
    std::size_t i = SkipBlanks(line, 0);
    while (i < line.size() && words_.size() < limit) {
        std::string_view word;
        bool doubled = false;
        i = ScanWord(line, i, word, doubled);
        words_.push_back(doubled ? Unquote(word) : word);
    }
    return words_;
}

std::string_view CommaTextSplitter::Unquote(std::string_view quoted) {
    if (unquotedUsed_ == unquoted_.size()) unquoted_.emplace_back();
    std::string& s = unquoted_[unquotedUsed_++];
    UnquoteInto(quoted, s);
    return s;
}

CommaTextWords::CommaTextWords(std::string_view line) : line_(line), pos_(SkipBlanks(line, 0)) {}

bool CommaTextWords::Next(std::string_view& word) {
    if (pos_ >= line_.size()) return false;
    bool doubled = false;
    pos_ = ScanWord(line_, pos_, word, doubled);
    copied_ = doubled;
    if (doubled) {
        UnquoteInto(word, unquoted_);
        word = unquoted_;
    }
    return true;
}

std::vector<std::string> SplitCommaText(std::string_view line) {
    CommaTextSplitter splitter;
    const auto& words = splitter.Split(line);
    return std::vector<std::string>(words.begin(), words.end());
}

std::string JoinCommaText(const std::vector<std::string>& words) {
    std::string out;
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (w > 0) out.push_back(',');
        const std::string& word = words[w];
        const bool quote = word.empty() || std::any_of(word.begin(), word.end(), [](char c) {
                               return IsBlank(c) || c == ',' || c == '"';
                           });
        if (!quote) {
            out.append(word);
            continue;
        }
        out.push_back('"');
        for (char c : word) {
            out.push_back(c);
            if (c == '"') out.push_back('"');
        }
        out.push_back('"');
    }
    return out;
}
