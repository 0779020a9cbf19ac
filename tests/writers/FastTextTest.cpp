// The fast number text of the geometry writers is FloatToText's text for
// every value: random values of every magnitude, short decimals, values on
// and next to the ties of seven-digit rounding, and the special values.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

#include "model/TextConv.h"
#include "writers/FastText.h"

namespace {

std::string Fast(double x) {
    std::string s;
    AppendFastFloatText(s, x);
    return s;
}

void ExpectSame(double x) { ASSERT_EQ(Fast(x), FloatToText(x)) << std::hexfloat << x; }

TEST(FastTextTest, SpecialValues) {
    for (double x : {0.0, -0.0, 1.0, -1.0, 0.5, 0.1, 1e-5, 1e-4, 0.0001, 9.9999995e-5, 1234567.0, 12345678.0,
                     9999999.0, 9999999.5, 9999999.4, 99999995.0, 1e7, 1e6, 0.9999999, 0.99999995, 0.12345675,
                     0.123456789, 1.0000005, 1.0000015, 2.5, 1e21, 1e22, 1e23, 1e-16, 1e-17, 1e-300, 1e300,
                     std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
                     std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        ExpectSame(x);
        ExpectSame(-x);
    }
}

TEST(FastTextTest, RandomValuesOfEveryMagnitude) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-40, 40);
    for (int i = 0; i < 200000; ++i) {
        const double x = mantissa(rng) * std::pow(10.0, exponent(rng));
        ExpectSame(x);
        ExpectSame(-x);
    }
}

// Short decimals (as models read from text files hold them) and the values
// halfway between two seven-digit results, with their neighbours.
TEST(FastTextTest, ShortDecimalsAndTies) {
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<int64_t> digits(0, 99999999);
    std::uniform_int_distribution<int> scale(0, 12);
    for (int i = 0; i < 100000; ++i) {
        const double x = static_cast<double>(digits(rng)) / std::pow(10.0, scale(rng));
        ExpectSame(x);
        // Ties: eight significant digits ending in 5.
        const double tie = (static_cast<double>(digits(rng) % 9000000 + 1000000) * 10 + 5) / std::pow(10.0, scale(rng));
        ExpectSame(tie);
        ExpectSame(std::nextafter(tie, 0.0));
        ExpectSame(std::nextafter(tie, 1e300));
    }
}

}  // namespace

namespace {

// The indices' text is std::to_chars' at every length, sign and bound.
TEST(FastTextTest, IntegersAsToChars) {
    std::vector<int64_t> values = {0, -1, INT64_MIN, INT64_MAX, INT32_MIN, INT32_MAX};
    for (int64_t p = 1; p <= 1000000000; p *= 10) values.insert(values.end(), {p - 1, p, p + 1, -p});
    std::mt19937_64 rng(3);
    for (int i = 0; i < 100000; ++i) values.push_back(static_cast<int64_t>(rng() >> (rng() % 64)));
    for (int64_t n : values) {
        char fast[24], general[24];
        const std::string_view got(fast, static_cast<std::size_t>(WriteFastInt(fast, n) - fast));
        ASSERT_EQ(got, std::string_view(general, std::to_chars(general, general + 24, n).ptr)) << n;
    }
}

TEST(FastTextTest, NumberLine) {
    std::string out = "x";
    NumberLine line;
    line.Char('<').Float(-0.5).Char(',').Int(-12).Text(",ab").Float(1e-5).Char('>').AppendTo(out);
    EXPECT_EQ(out, "x<-0.5,-12,ab1e-05>");
}

}  // namespace
