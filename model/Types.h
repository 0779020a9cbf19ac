// Value types shared by the whole model: vectors, quaternions, bounded
// strings and the rounding rules every module uses.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Rounding.h"

// Comparison epsilon of the model: a length, area, dot product or range not
// above it counts as zero.
inline constexpr double Epsilon = 1e-10;

struct tvector {
    double x = 0, y = 0, z = 0;
    friend bool operator==(const tvector&, const tvector&) = default;
};

struct tvector2 {
    double a = 0, b = 0;
    friend bool operator==(const tvector2&, const tvector2&) = default;
};

// Scalar part first.
struct tquaternion {
    double w = 1, x = 0, y = 0, z = 0;
    friend bool operator==(const tquaternion&, const tquaternion&) = default;
};

struct tindextriple {
    int32_t a = 0, b = 0, c = 0;
    friend bool operator==(const tindextriple&, const tindextriple&) = default;
};

// A byte string that never holds more than N bytes: longer text is cut at N
// when stored. Names of materials, groups, cameras, placeholders and library
// entries hold 255 bytes, light names 100, long custom texts 5000.
template <std::size_t N>
class ShortString {
public:
    static constexpr std::size_t Capacity = N;

    ShortString() = default;
    ShortString(std::string_view s) : s_(s.substr(0, N)) {}  // NOLINT: implicit by design
    ShortString(const std::string& s) : ShortString(std::string_view(s)) {}  // NOLINT
    ShortString(const char* s) : ShortString(std::string_view(s ? s : "")) {}  // NOLINT

    ShortString& operator=(std::string_view s) {
        s_.assign(s.substr(0, N));
        return *this;
    }
    ShortString& operator=(const std::string& s) { return *this = std::string_view(s); }
    ShortString& operator=(const char* s) { return *this = std::string_view(s ? s : ""); }

    const std::string& str() const { return s_; }
    operator const std::string&() const { return s_; }  // NOLINT: implicit by design
    std::string_view view() const { return s_; }
    const char* c_str() const { return s_.c_str(); }
    std::size_t size() const { return s_.size(); }
    bool empty() const { return s_.empty(); }
    void clear() { s_.clear(); }
    char operator[](std::size_t i) const { return s_[i]; }

    friend bool operator==(const ShortString& a, const ShortString& b) { return a.s_ == b.s_; }
    friend bool operator==(const ShortString& a, std::string_view b) { return a.s_ == b; }
    friend bool operator==(const ShortString& a, const char* b) { return a.s_ == b; }
    friend bool operator==(const ShortString& a, const std::string& b) { return a.s_ == b; }
    friend std::string operator+(const ShortString& a, std::string_view b) {
        std::string r = a.s_;
        r.append(b);
        return r;
    }
    friend std::string operator+(std::string_view a, const ShortString& b) {
        std::string r(a);
        r.append(b.s_);
        return r;
    }

private:
    std::string s_;
};

using tname = ShortString<255>;       // material, group, camera, placeholder, declare names
using tlightname = ShortString<100>;  // light and light preset names
using tlongtext = ShortString<5000>;  // custom POV-Ray texts, #declare bodies
// Map file names: a path is kept whole up to the longest the file system
// takes, since a map cut short names another file and loses its extension.
using tmapname = ShortString<4096>;


// Integer division that never traps: a zero divisor gives 0.
inline int64_t SafeDiv(int64_t a, int64_t b) { return b == 0 ? 0 : a / b; }
