#include "model/TextConv.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "tests/fixtures/Fixtures.h"

namespace {

using Words = std::vector<std::string>;

Words Split(std::string_view line) { return SplitCommaText(line); }

std::vector<std::string> TextLines(std::string text) {
    TextLineReader r(std::move(text));
    std::vector<std::string> lines;
    while (!r.Eof()) lines.emplace_back(r.ReadTextLine());
    return lines;
}

std::vector<std::string> Lines(std::string text) {
    TextLineReader r(std::move(text));
    std::vector<std::string> lines;
    while (!r.Eof()) lines.emplace_back(r.ReadLine());
    return lines;
}

// A folder of its own under the test temp folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::path(testing::TempDir()) /
                ("textconv_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string file = (path_ / name).string();
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Switches the C and C++ locales to one whose decimal separator is a comma,
// when one is installed, and back afterwards.
class CommaLocale {
public:
    CommaLocale() {
        saved_ = std::setlocale(LC_ALL, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                                 "it_IT.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) && std::setlocale(LC_NUMERIC, name) &&
                std::localeconv()->decimal_point[0] == ',') {
                active_ = true;
                try {
                    savedGlobal_ = std::locale::global(std::locale(name));
                } catch (const std::exception&) {
                }
                return;
            }
        }
        std::setlocale(LC_ALL, saved_.c_str());
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, saved_.c_str());
        std::locale::global(savedGlobal_);
    }
    bool Active() const { return active_; }

private:
    std::string saved_;
    std::locale savedGlobal_ = std::locale();
    bool active_ = false;
};

}  // namespace

// ---- Numbers to text ------------------------------------------------------

TEST(TextConvFormat, FloatToTextIsSevenSignificantDigitsWithCExponents) {
    EXPECT_EQ(FloatToText(0.1), "0.1");
    EXPECT_EQ(FloatToText(1234567.8), "1234568");
    EXPECT_EQ(FloatToText(12345678), "1.234568e+07");
    EXPECT_EQ(FloatToText(1e-5), "1e-05");
    EXPECT_EQ(FloatToText(1e-7), "1e-07");
    EXPECT_EQ(FloatToText(0.0001), "0.0001");
    EXPECT_EQ(FloatToText(100), "100");
    EXPECT_EQ(FloatToText(-2.5), "-2.5");
    EXPECT_EQ(FloatToText(1.0 / 3.0), "0.3333333");
    EXPECT_EQ(FloatToText(0), "0");
}

TEST(TextConvFormat, NoNegativeZeroNanOrInfinityInNumberTexts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FloatToText(-0.0), "0");
    EXPECT_EQ(FloatToText(nan), "0");
    EXPECT_EQ(FloatToText(-inf), "0");
    EXPECT_EQ(FloatToStrDot(inf), "0");
    EXPECT_EQ(FloatToStrDot(-0.0), "0");
    EXPECT_EQ(FormatFloatDot("%7.2f", -0.001), "0.00");
    EXPECT_EQ(FormatFloatDot("%7.2f", -0.006), "-0.01");
    EXPECT_EQ(FormatFloatDot("%e", -0.0), "0.000000e+00");
    EXPECT_EQ(FormatFloatDot("%g", nan), "0");
    EXPECT_EQ(FormatFloatMaskDot("0.##", nan), "0");
    std::string out = "x ";
    AppendFloatText(out, -0.0);
    AppendFloatText(out, 0.25);
    EXPECT_EQ(out, "x 00.25");
}

TEST(TextConvFormat, PrintfStyleFormats) {
    EXPECT_EQ(FormatFloatDot("%7.2f", 3.14159), "3.14");
    EXPECT_EQ(FormatFloatDot("%7.2f", 2.5), "2.50");
    EXPECT_EQ(FormatFloatDot("%7.7g", 1e-7), "1e-07");
    EXPECT_EQ(FormatFloatDot("%7.7g", 1234567.8), "1234568");
    EXPECT_EQ(FormatFloatDot("%g", 1.0 / 3.0), "0.333333333333333");  // 15 digits, not C's 6
    EXPECT_EQ(FormatFloatDot("%g", 0.1), "0.1");
    EXPECT_EQ(FormatFloatDot("%g", 1e21), "1e+21");
    EXPECT_EQ(FormatFloatDot("%.3g", 1234), "1.23e+03");
    EXPECT_EQ(FormatFloatDot("%.0g", 7.7), "8");
    EXPECT_EQ(FormatFloatDot("%e", 1234.5), "1.234500e+03");
    EXPECT_EQ(FormatFloatDot("%.2e", 0.000123), "1.23e-04");
    EXPECT_EQ(FormatFloatDot("%f", 1.5), "1.500000");
    EXPECT_EQ(FormatFloatDot("%.0f", 2.5), "2");  // ties to even, as C
    EXPECT_EQ(FormatFloatDot("%.5d", 1), "00001");
    EXPECT_EQ(FormatFloatDot("%.5d", 123456), "123456");
    EXPECT_EQ(FormatFloatDot("%.5d", -12), "-00012");
    EXPECT_EQ(FormatFloatDot("%d", 2.5), "2");
    EXPECT_EQ(FormatFloatDot("%d", -3.7), "-4");
    // Flags, width and text around the conversion; only the ends are trimmed.
    EXPECT_EQ(FormatFloatDot("x=%5.1f;", 3.14), "x=  3.1;");
    EXPECT_EQ(FormatFloatDot("%-6.1f|", 3.14), "3.1   |");
    EXPECT_EQ(FormatFloatDot("%05.1f", -3.14), "-03.1");
    EXPECT_EQ(FormatFloatDot("%+g", 2), "+2");
    EXPECT_EQ(FormatFloatDot("%g%%", 50), "50%");
    // Not a number conversion: copied as written.
    EXPECT_EQ(FormatFloatDot("%s", 1.5), "%s");
    EXPECT_EQ(FormatFloatDot("a%", 1.5), "a%");
    // A silly precision or width is bounded and still formats.
    EXPECT_EQ(FormatFloatDot("%.999f", 1e308).size(), 309u + 1 + 400);
    EXPECT_EQ(FormatFloatDot("%99999g", 1), "1");
}

TEST(TextConvFormat, FloatToStrDotIsShortestUpToFifteenDigits) {
    EXPECT_EQ(FloatToStrDot(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FloatToStrDot(0.1), "0.1");
    EXPECT_EQ(FloatToStrDot(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStrDot(100), "100");
    EXPECT_EQ(FloatToStrDot(20), "20");
    EXPECT_EQ(FloatToStrDot(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStrDot(1e15), "1e+15");
    EXPECT_EQ(FloatToStrDot(1e21), "1e+21");
    EXPECT_EQ(FloatToStrDot(1.5e-7), "1.5e-07");
    EXPECT_EQ(FloatToStrDot(255 * 0.5), "127.5");
    EXPECT_EQ(FloatToStrDot(0.4f), "0.400000005960464");  // single-precision fields stay as they are
    // The program reads its own exponent texts back.
    EXPECT_EQ(TextToFloat(FloatToStrDot(1e21)), 1e21);
    EXPECT_EQ(TextToFloat(FloatToStrDot(1.5e-7)), 1.5e-7);
}

// FloatToStrDot lays out the shortest digits itself when there are at most
// 15 of them: it must give the text of the general "%.15g" conversion for
// short decimals, computed values, random bit patterns and every exponent.
TEST(TextConvFormat, FloatToStrDotMatchesTheGeneralConversion) {
    std::mt19937_64 random(13);
    std::vector<double> values = {1e-5, 9.99999999999999e-5, 1e-4, 0.000123, 99999999999999.9, 999999999999999.0,
                                  1e15 - 1, 1e16, 5e-324, 1.7976931348623157e308, 0.5, 2.5e-300,
                                  std::nextafter(1e-4, 0.0), std::nextafter(1e15, 0.0), 0.1 + 0.2, 1.0 / 3.0};
    for (int i = 0; i < 20000; ++i) {
        const int digits = static_cast<int>(random() % 18) + 1;
        const double mantissa = static_cast<double>(random() % 1000000000000000000ULL) / std::pow(10.0, 18 - digits);
        values.push_back(std::round(mantissa) * std::pow(10.0, static_cast<int>(random() % 40) - 20));
        values.push_back(std::bit_cast<double>(random()));
        values.push_back(static_cast<double>(random() % 2000000) / 1000000.0 - 1.0);
    }
    for (double x : values)
        for (double v : {x, -x}) {
            std::string viaAppend = "<";
            AppendFloatStrDot(viaAppend, v);
            const std::string general = FormatFloatDot("%.15g", v);
            ASSERT_EQ(FloatToStrDot(v), general) << std::hexfloat << v;
            ASSERT_EQ(viaAppend, "<" + general);
        }
}

TEST(TextConvFormat, FormatVectorJoinsTheThreeComponents) {
    EXPECT_EQ(FormatVector("%g", ",", {1, 0.5, -2}), "1,0.5,-2");
    EXPECT_EQ(FormatVector("%7.2f", " ", {1, 0.5, -2}), "1.00 0.50 -2.00");
    EXPECT_EQ(FormatVector("%g", ", ", {1.0 / 3, 0, 1e-20}), "0.333333333333333, 0, 1e-20");
}

TEST(TextConvFormat, CommaLocaleStillWritesAndReadsPoints) {
    CommaLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    char c[32];
    std::snprintf(c, sizeof c, "%.1f", 0.5);
    ASSERT_STREQ(c, "0,5");  // the locale is in force for the C library
    EXPECT_EQ(FloatToText(0.1), "0.1");
    EXPECT_EQ(FloatToText(1234567.8), "1234568");
    EXPECT_EQ(FormatFloatDot("%7.2f", 1.5), "1.50");
    EXPECT_EQ(FormatFloatDot("%g", 1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FloatToStrDot(2.25), "2.25");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0.5), "0.5");
    EXPECT_EQ(TextToFloat("1.5"), 1.5);
    EXPECT_EQ(TextToFloat("1,5"), 1.5);
}

// ---- Picture masks --------------------------------------------------------

TEST(TextConvMask, FixedMasks) {
    EXPECT_EQ(FormatFloatMaskDot("#.#", 1.0), "1");
    EXPECT_EQ(FormatFloatMaskDot("#.#", 1.1), "1.1");
    EXPECT_EQ(FormatFloatMaskDot("#.#", 2.05), "2.1");  // half away from zero on 15 digits
    EXPECT_EQ(FormatFloatMaskDot("#.#", 0.5), "0.5");   // pinned: a zero integer part shows
    EXPECT_EQ(FormatFloatMaskDot("#.#", 0), "0");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 100 * 0.4567), "45.67");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0.333), "0.33");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0.125), "0.13");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0.25), "0.25");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 2.675), "2.68");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 1), "1");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0), "0");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 9.996), "10");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0.005), "0.01");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 0.004), "0");
    EXPECT_EQ(FormatFloatMaskDot("0.##", -1.5), "-1.5");
    EXPECT_EQ(FormatFloatMaskDot("0.##", -0.001), "0");  // never "-0"
    EXPECT_EQ(FormatFloatMaskDot("0.##", 1e20), "100000000000000000000");
    EXPECT_EQ(FormatFloatMaskDot("0.##", 123456789.125), "123456789.13");
    EXPECT_EQ(FormatFloatMaskDot("0.#", 0.05), "0.1");
    EXPECT_EQ(FormatFloatMaskDot("0.#", 0.04), "0");
    EXPECT_EQ(FormatFloatMaskDot("0.####", 3.14159265), "3.1416");
    EXPECT_EQ(FormatFloatMaskDot("0.####", -0.00004), "0");
    EXPECT_EQ(FormatFloatMaskDot("0.####", -0.00005), "-0.0001");
    EXPECT_EQ(FormatFloatMaskDot("0.####", 1e-300), "0");
    EXPECT_EQ(FormatFloatMaskDot("000.00", 1.5), "001.50");
}

TEST(TextConvMask, ExponentMasksRoundToTheirDigitsAndReadBack) {
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 0.02), "2E-2");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 1.73), "2E0");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 0.96), "1E0");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 0), "0E0");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", -0.02), "-2E-2");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 123456), "1E5");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 9.6e99), "1E100");
    EXPECT_EQ(FormatFloatMaskDot("#E-0", 1e-300), "1E-300");
    EXPECT_EQ(FormatFloatMaskDot("0.00E+00", 1234.5), "1.23E+03");
    EXPECT_EQ(FormatFloatMaskDot("0.0#e-0", 0.0001), "1.0e-4");
    // The weld step: a hundredth of the diagonal to one significant digit.
    for (auto [diagonal, step] : {std::pair{2.0, 0.02}, {173.0, 2.0}, {0.5, 0.005}, {96.0, 1.0}}) {
        double value = -1;
        int32_t code = 1;
        ValFloat(FormatFloatMaskDot("#E-0", diagonal / 100), value, code);
        EXPECT_EQ(code, 0) << diagonal;
        EXPECT_DOUBLE_EQ(value, step) << diagonal;
    }
}

// ---- Text to numbers ------------------------------------------------------

TEST(TextConvParse, PointOrCommaButNotBoth) {
    double v = -1;
    int32_t code = 1;
    ValFloat("1,5", v, code);
    EXPECT_EQ(v, 1.5);
    EXPECT_EQ(code, 0);
    ValFloat("1.5", v, code);
    EXPECT_EQ(v, 1.5);
    EXPECT_EQ(code, 0);
    for (const char* bad : {"1.234,5", "1,234.5", "1.2.3", "1,2,3", "", "   ", "abc", "1 5", "1..5", "12abc"}) {
        v = 7;
        code = 0;
        ValFloat(bad, v, code);
        EXPECT_EQ(v, 0) << bad;
        EXPECT_EQ(code, -1) << bad;
        EXPECT_EQ(TextToFloat(bad), 0) << bad;
    }
    EXPECT_EQ(TextToFloat(",5"), 0.5);
    EXPECT_EQ(TextToFloat("-,5"), -0.5);
    EXPECT_EQ(TextToFloat("5,"), 5);
}

TEST(TextConvParse, AcceptedAndRejectedForms) {
    const std::pair<const char*, double> good[] = {
        {"1E-5", 1e-5},   {"2e+03", 2000},     {"1.5E+20", 1.5e20},  {"+1.5", 1.5},   {"-1.5", -1.5},
        {" 7 ", 7},       {"\t-3\r\n", -3},   {"0001.50", 1.5},     {"1e0005", 1e5}, {"5.", 5},
        {".5", 0.5},      {"1.e5", 1e5},      {"1e-07", 1e-7},      {"1E-300", 1e-300},
        {"1e-310", 1e-310},  // subnormal
        {"1e-400", 0},       // too small for a double: zero
        {"0e999999", 0},
    };
    for (auto [text, expected] : good) {
        double v = -1;
        EXPECT_TRUE(ParseDouble(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    for (const char* bad : {"inf", "-inf", "INF", "infinity", "nan", "NaN", "-nan", "0x10", "0X1p3", "1e",
                            "1e+", "e5", ".", ",", "-", "+", "+-1", "--1", "1e400", "-1e400", "1e5.5", "1f",
                            "1,5e", "\xC2\xA0" "1"}) {
        double v = 42;
        EXPECT_FALSE(ParseDouble(bad, v)) << bad;
        EXPECT_EQ(v, 42) << "a failed parse leaves the value alone: " << bad;
    }
    double v = 0;
    ASSERT_TRUE(ParseDouble("-0", v));
    EXPECT_TRUE(std::signbit(v));
    // A long number text with a comma is not cut.
    const std::string longText = "1," + std::string(300, '5');
    ASSERT_TRUE(ParseDouble(longText, v));
    EXPECT_DOUBLE_EQ(v, 1.5555555555555556);
}

TEST(TextConvParse, Integers) {
    int64_t v = 0;
    EXPECT_TRUE(ParseInt("42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseInt("+42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseInt(" -42\t", v));
    EXPECT_EQ(v, -42);
    EXPECT_TRUE(ParseInt("9223372036854775807", v));
    EXPECT_EQ(v, INT64_MAX);
    v = 5;
    for (const char* bad : {"", " ", "4.2", "0x10", "1e3", "+-1", "+", "-", "12abc", "9223372036854775808", "1 2"}) {
        EXPECT_FALSE(ParseInt(bad, v)) << bad;
        EXPECT_EQ(v, 5) << bad;
    }
    EXPECT_EQ(TextToInt(" 17 "), 17);
    EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(TextToInt("2147483648"), 0);
    EXPECT_EQ(TextToInt("12abc"), 0);
    EXPECT_EQ(TextToInt("1.0"), 0);
}

TEST(TextConvParse, WrittenNumbersReadBack) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 2000; ++i) {
        const double x = mantissa(rng) * std::pow(10.0, exponent(rng) / (i % 2 ? 1 : 30));
        double back = 0;
        ASSERT_TRUE(ParseDouble(FloatToStrDot(x), back)) << FloatToStrDot(x);
        EXPECT_NEAR(back, x, std::fabs(x) * 1e-14) << FloatToStrDot(x);
        ASSERT_TRUE(ParseDouble(FloatToText(x), back)) << FloatToText(x);
        EXPECT_NEAR(back, x, std::fabs(x) * 6e-7) << FloatToText(x);
        ASSERT_TRUE(ParseDouble(FormatFloatDot("%e", x), back));
        ASSERT_TRUE(ParseDouble(FormatFloatMaskDot("0.##", x), back)) << FormatFloatMaskDot("0.##", x);
        ASSERT_TRUE(ParseDouble(FormatFloatMaskDot("#E-0", x), back)) << FormatFloatMaskDot("#E-0", x);
        EXPECT_NEAR(back, x, std::fabs(x) * 0.5) << FormatFloatMaskDot("#E-0", x);
    }
}

// ---- Small text routines --------------------------------------------------

TEST(TextConvText, BooleansAndTrimming) {
    EXPECT_EQ(BoolToText(1), "TRUE");
    EXPECT_EQ(BoolToText(2), "FALSE");
    EXPECT_EQ(BoolToText(0), "FALSE");
    EXPECT_TRUE(TextToBool("true"));
    EXPECT_TRUE(TextToBool("TrUe"));
    EXPECT_FALSE(TextToBool(" TRUE"));  // no trimming
    EXPECT_FALSE(TextToBool("1"));
    EXPECT_EQ(Trim("\t\r\n a b \x01"), "a b");
    EXPECT_EQ(Trim("\xC3\xA4 "), "\xC3\xA4");  // bytes above 127 are text
    std::string line = "\t v\t1\t2 \t";
    TabsToBlanks(line);
    EXPECT_EQ(line, "v 1 2");
    EXPECT_EQ(ReplaceChars("\"", ' ', "map \"a b.jpg\""), "map  a b.jpg ");
    EXPECT_EQ(UpperCase("usemtl \xC3\xA4"), "USEMTL \xC3\xA4");
    EXPECT_EQ(LowerCase("MTLLIB X"), "mtllib x");
    EXPECT_TRUE(SameText("Usemtl", "USEMTL"));
    EXPECT_FALSE(SameText("usemtl", "usemt"));
    EXPECT_TRUE(IsPlainASCII(" plain text~ "));
    EXPECT_FALSE(IsPlainASCII("caf\xC3\xA9"));
}

TEST(TextConvText, IdentifiersKeepTheirByteLength) {
    EXPECT_EQ(PrefixLeadingDigit("3ds"), "_3ds");
    EXPECT_EQ(PrefixLeadingDigit("ds3"), "ds3");
    EXPECT_EQ(PrefixLeadingDigit(""), "");
    EXPECT_EQ(MakeIdentifierPrefix("my car.1"), "my_car_1_");
    EXPECT_EQ(MakeIdentifierPrefix("3d model"), "_3d_model_");
    EXPECT_EQ(MakeIdentifierPrefix(""), "_");
    EXPECT_EQ(CleanIdentifier("  a-b.c  "), "a_b_c");
    EXPECT_EQ(CleanIdentifier("K\xC3\xA4se"), "K__se");  // a 2-byte letter gives two underscores
    EXPECT_EQ(CleanIdentifier("K\xC3\xA4se").size(), std::string("K\xC3\xA4se").size());
    EXPECT_EQ(CleanFileName(" my map.jpg "), "my_map.jpg");
    EXPECT_EQ(MakeIdentifier("3 a", true), "_3_a");
    EXPECT_EQ(MakeIdentifier("3 a", false), "3 a");
}

TEST(TextConvText, FileNamePartsSplitAtBothSeparators) {
    EXPECT_EQ(ExtractBaseName("C:\\models\\car.obj"), "car");
    EXPECT_EQ(ExtractBaseName("/home/u/car.v2.obj"), "car.v2");
    EXPECT_EQ(ExtractBaseName("dir.d/file"), "file");
    EXPECT_EQ(ExtractBaseName("mixed/dir\\name.pz3"), "name");
    EXPECT_EQ(ExtractFileName("mixed/dir\\name.pz3"), "name.pz3");
    EXPECT_EQ(ExtractFileName("name.pz3"), "name.pz3");
    EXPECT_EQ(ExtractFileName("dir/"), "");
    EXPECT_EQ(ExtractFilePath("a/b\\c.obj"), "a/b\\");
    EXPECT_EQ(ExtractFilePath("c.obj"), "");
    EXPECT_EQ(ExtractFileExt("maps\\wood.JPG"), ".JPG");
    EXPECT_EQ(ExtractFileExt("a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("a.b\\c"), "");
    EXPECT_EQ(ChangeFileExt("dir.d/file", ".mtl"), "dir.d/file.mtl");
    EXPECT_EQ(ChangeFileExt("out\\scene.obj", ".mtl"), "out\\scene.mtl");
    EXPECT_EQ(ChangeFileExt("scene.obj", ""), "scene");
    EXPECT_EQ(TextBeforeDigit("Light12"), "Light");
    EXPECT_EQ(TextBeforeDigit("Light"), "Light");
    EXPECT_EQ(TextAfterLastDot("1.0.0.17"), "17");
    EXPECT_EQ(TextAfterLastDot("none"), "none");
}

TEST(TextConvText, ByteSizesAndCountChanges) {
    EXPECT_EQ(ByteSizeText(0), "0 Bytes");
    EXPECT_EQ(ByteSizeText(1), "1 Byte");
    EXPECT_EQ(ByteSizeText(1023), "1023 Bytes");
    EXPECT_EQ(ByteSizeText(1024), "1 KByte");
    EXPECT_EQ(ByteSizeText(2048), "2 KBytes");
    EXPECT_EQ(ByteSizeText(1048576), "1 MByte");
    EXPECT_EQ(ByteSizeText(5000000000LL), "4768 MBytes");  // past 2^31 stays positive
    EXPECT_EQ(CountChangeText(-3), "3 removed");
    EXPECT_EQ(CountChangeText(0), "no change");
    EXPECT_EQ(CountChangeText(300), "300 added");
    EXPECT_EQ(CountChangeText(INT64_MIN), "9223372036854775808 removed");
}

TEST(TextConvText, ImageTypeKeywords) {
    EXPECT_EQ(POVImageType("C:\\maps\\wood.JPG"), "jpeg");
    EXPECT_EQ(POVImageType("wood.jif"), "jpeg");
    EXPECT_EQ(POVImageType("wood.TIF"), "tiff");
    EXPECT_EQ(POVImageType("wood.bmp"), "bmp");
    EXPECT_EQ(POVImageType("wood.png"), "png");
    EXPECT_EQ(POVImageType("wood.TGA"), "tga");
    EXPECT_EQ(POVImageType("wood.xyz"), "xyz");
    EXPECT_EQ(POVImageType("maps.d/wood"), "");
    for (int variant : {0, 1, 2}) {
        EXPECT_TRUE(IsPOVImageType("JPEG", variant));
        EXPECT_TRUE(IsPOVImageType("bmp", variant));
        EXPECT_TRUE(IsPOVImageType("png", variant));
        EXPECT_FALSE(IsPOVImageType("jpg", variant));
        EXPECT_FALSE(IsPOVImageType("sys", variant));
        EXPECT_FALSE(IsPOVImageType("", variant));
    }
    EXPECT_FALSE(IsPOVImageType("png", 3));
    EXPECT_FALSE(IsPOVImageType("png", -1));
}

// ---- Long text buffers ----------------------------------------------------

class TextConvBuffer : public fixtures::ModelTest {};

TEST_F(TextConvBuffer, OverlongTextIsCutWithAWarning) {
    tlongtext buffer;
    StringToBuffer(std::string(5000, 'x'), buffer);
    EXPECT_EQ(buffer.size(), 5000u);
    EXPECT_TRUE(Messages().empty());

    StringToBuffer(std::string(4999, 'a') + "bc", buffer);
    EXPECT_EQ(BufferToString(buffer), std::string(4999, 'a') + "b");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("<!>", 0), 0u) << Messages()[0];

    SingleLineToBuffer(std::string(6000, '~'), buffer);
    EXPECT_EQ(BufferToString(buffer), std::string(5000, '\n'));
    EXPECT_EQ(Messages().size(), 2u);

    StringToBuffer("", buffer);
    EXPECT_EQ(BufferToString(buffer), "");
}

TEST_F(TextConvBuffer, MultiLineTextsTravelOnOneLine) {
    tlongtext buffer;
    StringToBuffer("texture {\r\n  pigment { Red }\n}", buffer);
    const std::string line = BufferToSingleLine(buffer);
    EXPECT_EQ(line, "texture {?~  pigment { Red }~}");
    tlongtext back;
    SingleLineToBuffer(line, back);
    EXPECT_EQ(back, buffer);
    // The encoding is the file format: a typed "?" comes back as a CR.
    SingleLineToBuffer("a ? b : c", back);
    EXPECT_EQ(BufferToString(back), "a \r b : c");
}

// ---- Colours, shininess and record tests -----------------------------------

TEST(TextConvColor, ColoursAndLuminance) {
    EXPECT_EQ(ColorToVector(0x0000FF), (tvector{1, 0, 0}));
    EXPECT_EQ(ColorToVector(0xFF0000), (tvector{0, 0, 1}));
    EXPECT_EQ(ColorToVector(static_cast<int32_t>(0xFF00FF00u)), (tvector{0, 1, 0}));  // bits above 24 ignored
    EXPECT_EQ(VectorToColor({1, 0, 0}), 0x0000FF);
    EXPECT_EQ(VectorToColor({0.5, 0.5, 0.5}), 0x808080);  // 127.5 rounds to even: 128
    EXPECT_EQ(VectorToColor({-1, 2, std::nan("")}), 0x00FF00);
    for (int32_t c : {0, 0xFFFFFF, 0x123456, 0x7F8081}) EXPECT_EQ(VectorToColor(ColorToVector(c)), c);
    const float pixel[3] = {1.0f, 0.25f, 2.0f};
    EXPECT_EQ(FloatPixelToColor(pixel, 2.0), 0xFF80FF);  // sqrt(0.25) * 255 = 127.5 -> 128
    const float dark[3] = {-1.0f, 0.0f, std::nanf("")};
    EXPECT_EQ(FloatPixelToColor(dark, 2.2), 0);
    EXPECT_EQ(FloatPixelToColor(pixel, 0), 0xFF40FF);  // no gamma: taken as 1
    EXPECT_DOUBLE_EQ(Luminance(1, 1, 1), 1.0);
    EXPECT_DOUBLE_EQ(Luminance(1, 0, 0), 0.3);
}

TEST(TextConvColor, ShininessConversions) {
    EXPECT_DOUBLE_EQ(ShininessToExponent(1), 4096);
    EXPECT_DOUBLE_EQ(ShininessToExponent(0), 4);
    EXPECT_DOUBLE_EQ(ShininessToExponent(2), 4096);
    EXPECT_DOUBLE_EQ(ShininessToExponent(-1), 4);
    EXPECT_DOUBLE_EQ(ExponentToShininess(4096), 1);
    EXPECT_DOUBLE_EQ(ExponentToShininess(5000), 1);
    EXPECT_DOUBLE_EQ(ExponentToShininess(2), 0);
    EXPECT_DOUBLE_EQ(ExponentToShininess(std::nan("")), 0);
    for (double s = 0; s <= 1.0; s += 0.05) EXPECT_NEAR(ExponentToShininess(ShininessToExponent(s)), s, 1e-12);
    EXPECT_DOUBLE_EQ(ShininessToGL(0.34), 128);
    EXPECT_DOUBLE_EQ(ShininessToGL(0), 1);
    EXPECT_DOUBLE_EQ(ShininessToGL(1), 128);
    EXPECT_NEAR(ShininessToPhongSize(0), std::pow(2.0, 3.3), 1e-12);
    EXPECT_DOUBLE_EQ(ShininessToPhongSize(1), 256);
    EXPECT_DOUBLE_EQ(ShininessToPhongSize(-1), 1);
}

TEST(TextConvColor, PassesAndIndexTests) {
    tmaterial m;
    EXPECT_TRUE(IsMaterialInPass(m, 1));
    EXPECT_FALSE(IsMaterialInPass(m, 2));
    EXPECT_FALSE(IsMaterialInPass(m, 0));
    EXPECT_FALSE(IsMaterialInPass(m, 3));
    m.transparency = 0.1;
    EXPECT_FALSE(IsMaterialInPass(m, 1));
    EXPECT_TRUE(IsMaterialInPass(m, 2));
    m.transparency = 0;
    m.transparencyMap = "mask.png";
    EXPECT_FALSE(IsMaterialInPass(m, 1));
    EXPECT_TRUE(IsMaterialInPass(m, 2));

    tface f;
    f.uv[0] = f.uv[1] = f.uv[2] = 1;
    EXPECT_TRUE(FaceHasUVs(f));
    f.uv[2] = 0;
    EXPECT_FALSE(FaceHasUVs(f));
    tline l;
    l.normal[0] = 3;
    l.uv[0] = l.uv[1] = 2;
    EXPECT_FALSE(LineHasNormals(l));
    EXPECT_TRUE(LineHasUVs(l));
    l.normal[1] = 1;
    EXPECT_TRUE(LineHasNormals(l));
}

// ---- Files ----------------------------------------------------------------

TEST(TextConvFile, FileExistsNonBlankIsExact) {
    TempFolder dir;
    const std::string file = dir.Write("Wood.jpg", "x");
    EXPECT_TRUE(FileExistsNonBlank(file));
    EXPECT_FALSE(FileExistsNonBlank(dir.Path() + "/wood.jpg"));  // no case folding
    EXPECT_FALSE(FileExistsNonBlank(dir.Path()));                // a folder is not a file
    EXPECT_FALSE(FileExistsNonBlank(dir.Path() + "/none.jpg"));
    EXPECT_FALSE(FileExistsNonBlank(""));
    EXPECT_FALSE(FileExistsNonBlank("  \t"));
    EXPECT_FALSE(FileExistsNonBlank(std::string(file + '\0' + "x")));
    std::string windows = file;
    windows[dir.Path().size()] = '\\';
    EXPECT_TRUE(FileExistsNonBlank(windows));
}

// ---- Line reader ----------------------------------------------------------

TEST(TextConvLines, ClassicLineRule) {
    EXPECT_EQ(TextLines("a\r\nb"), (Words{"a", "b"}));
    EXPECT_EQ(TextLines("a\n\nb"), (Words{"a", "b"}));       // blank line swallowed
    EXPECT_EQ(TextLines("a\r\rb"), (Words{"a", "", "b"}));   // blank line kept
    EXPECT_EQ(TextLines("a\n\rb"), (Words{"a", "", "b"}));
    EXPECT_EQ(TextLines("a\nb\n"), (Words{"a", "b"}));
    // After a CR LF at the very end the LF is left: one more, empty line.
    EXPECT_EQ(TextLines("a\r\n\r\nb\r\n"), (Words{"a", "", "b", ""}));
    EXPECT_EQ(TextLines("a\n\n"), (Words{"a", ""}));  // the skipped LF ends the file
    EXPECT_EQ(TextLines("\n\nx"), (Words{"x"}));
    EXPECT_EQ(TextLines("\xEF\xBB\xBF" "a\nb"), (Words{"a", "b"}));
    EXPECT_EQ(TextLines(""), (Words{}));
    EXPECT_EQ(TextLines("no end"), (Words{"no end"}));
}

TEST(TextConvLines, PlainLineRule) {
    EXPECT_EQ(Lines("a\r\nb"), (Words{"a", "b"}));
    EXPECT_EQ(Lines("a\n\nb"), (Words{"a", "", "b"}));
    EXPECT_EQ(Lines("a\r\rb"), (Words{"a", "", "b"}));
    EXPECT_EQ(Lines("a\n\rb"), (Words{"a", "", "b"}));
    EXPECT_EQ(Lines("a\r\n"), (Words{"a"}));
    EXPECT_EQ(Lines("a\r\n\r\n"), (Words{"a", ""}));
    EXPECT_EQ(Lines("\xEF\xBB\xBF" "a\r\nb"), (Words{"a", "b"}));
    EXPECT_EQ(Lines("\xEF\xBB\xBF"), (Words{}));
    EXPECT_EQ(Lines("x\xEF\xBB\xBF"), (Words{"x\xEF\xBB\xBF"}));  // only at the start
    EXPECT_EQ(Lines(""), (Words{}));
    EXPECT_EQ(Lines("last"), (Words{"last"}));
}

TEST(TextConvLines, FilesAreReadWholeAndLinesAreViews) {
    TempFolder dir;
    const std::string name = dir.Write("model.obj", "\xEF\xBB\xBFv 1 2 3\r\n\r\nf 1 2 3");
    TextLineReader r;
    ASSERT_TRUE(r.Open(name));
    EXPECT_EQ(r.Text(), "v 1 2 3\r\n\r\nf 1 2 3");
    const std::string_view first = r.ReadTextLine();
    EXPECT_EQ(first, "v 1 2 3");
    EXPECT_EQ(first.data(), r.Text().data());  // no copy
    EXPECT_EQ(r.ReadTextLine(), "");
    EXPECT_EQ(r.ReadTextLine(), "f 1 2 3");
    EXPECT_TRUE(r.Eof());
    EXPECT_EQ(r.ReadTextLine(), "");
    r.Rewind();
    EXPECT_EQ(r.ReadLine(), "v 1 2 3");
    EXPECT_EQ(r.ReadLine(), "");
    EXPECT_EQ(r.ReadLine(), "f 1 2 3");
    EXPECT_TRUE(r.Eof());

    // Short files, a file of just a mark, and files that cannot be read.
    ASSERT_TRUE(r.Open(dir.Write("two", "ab")));
    EXPECT_EQ(r.Text(), "ab");
    ASSERT_TRUE(r.Open(dir.Write("bom", "\xEF\xBB\xBF")));
    EXPECT_TRUE(r.Eof());
    ASSERT_TRUE(r.Open(dir.Write("empty", "")));
    EXPECT_TRUE(r.Eof());
    EXPECT_FALSE(r.Open(dir.Path() + "/missing.obj"));
    EXPECT_TRUE(r.Eof());
    EXPECT_FALSE(r.Open(dir.Path()));
    EXPECT_EQ(r.Size(), 0u);
}

TEST(TextConvLines, LongTextsKeepEveryLine) {
    std::string mixed, crOnly;
    for (int i = 0; i < 3000; ++i) {
        mixed += "line" + std::to_string(i) + (i % 3 == 0 ? "\r" : i % 3 == 1 ? "\n" : "\r\n");
        crOnly += "line" + std::to_string(i) + "\r";
    }
    for (const std::string& text : {mixed, crOnly}) {
        TextLineReader classic(text), plain(text);
        for (int n = 0; n < 3000; ++n) {
            ASSERT_EQ(classic.ReadTextLine(), "line" + std::to_string(n));
            ASSERT_EQ(plain.ReadLine(), "line" + std::to_string(n));
        }
        EXPECT_EQ(classic.ReadTextLine(), "");  // the LF of the last CR LF, if any
        EXPECT_TRUE(classic.Eof());
        EXPECT_TRUE(plain.Eof());
    }
}

// ---- Comma text -----------------------------------------------------------

TEST(TextConvCommaText, SplitRules) {
    const std::pair<std::string, Words> cases[] = {
        {"", {}},
        {" \t ", {}},
        {"v 1.0 2.0 3.0", {"v", "1.0", "2.0", "3.0"}},
        {"  a   b  ", {"a", "b"}},
        {"a,b", {"a", "b"}},
        {"a , b", {"a", "b"}},       // comma after the blanks behind a word: no empty word
        {"a,,b", {"a", "", "b"}},    // two commas in a row: an empty word
        {"a , , b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {" ,a", {"", "a"}},
        {"a,", {"a"}},               // a comma at the end adds no word
        {",", {""}},
        {",,", {"", ""}},
        {"\"a b\",c", {"a b", "c"}},
        {"\"a\" , b", {"a", "b"}},   // comma after a quoted word: no empty word
        {"\"a\",,b", {"a", "", "b"}},
        {"\"a\"\"b\"", {"a\"b"}},    // a doubled quote stands for one
        {"\"\"\"\"", {"\""}},
        {"\"\"", {""}},
        {"\"\",x", {"", "x"}},
        {"\"abc def", {"abc def"}},  // unclosed: to the end of the line
        {"\"ab\"\"", {"ab\""}},
        {"\"a\"b", {"a", "b"}},
        {"a\"b c", {"a\"b", "c"}},   // a quote inside a word is a character
        {"a\tb\x01" "c\x7F", {"a", "b", "c\x7F"}},
        {"K\xC3\xA4se W\xC3\xBCrfel", {"K\xC3\xA4se", "W\xC3\xBCrfel"}},
        {std::string("a\0b", 3), {"a", "b"}},
        {"usemtl \"my mat\"", {"usemtl", "my mat"}},
    };
    for (const auto& [line, words] : cases) EXPECT_EQ(Split(line), words) << "line: [" << line << "]";
}

TEST(TextConvCommaText, WordsAreViewsAndSurviveGrowth) {
    CommaTextSplitter splitter;
    const std::string line = "plain \"quoted one\" \"dou\"\"bled\"";
    const auto& words = splitter.Split(line);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].data(), line.data());
    EXPECT_EQ(words[1].data(), line.data() + 7);
    EXPECT_EQ(words[2], "dou\"bled");

    // Many unquoted copies in one line: the earlier ones stay valid.
    std::string many;
    Words expected;
    for (int i = 0; i < 200; ++i) {
        many += "\"w" + std::to_string(i) + "\"\"\" ";
        expected.push_back("w" + std::to_string(i) + "\"");
    }
    for (int round = 0; round < 3; ++round) {
        const auto& w = splitter.Split(many);
        ASSERT_EQ(Words(w.begin(), w.end()), expected);
    }
    const auto& again = splitter.Split("x,y");
    EXPECT_EQ(Words(again.begin(), again.end()), (Words{"x", "y"}));
}

TEST(TextConvCommaText, JoinIsTheInverseOfSplit) {
    EXPECT_EQ(JoinCommaText({"a", "b"}), "a,b");
    EXPECT_EQ(JoinCommaText({"a b", ""}), "\"a b\",\"\"");
    EXPECT_EQ(JoinCommaText({"x\"y"}), "\"x\"\"y\"");
    EXPECT_EQ(JoinCommaText({}), "");
    const Words awkward = {"",      " ",         ",",        "\"",    "\"\"",        "a b",  "a,b",
                           "x\"y",  "\t",        "plain",    "K\xC3\xA4se", std::string("\0x", 2), "\"lead",
                           "trail\"", "a\r\nb",  ",,",       " lead", "trail ", "1.5", "-"};
    EXPECT_EQ(Split(JoinCommaText(awkward)), awkward);
    for (const std::string& w : awkward) EXPECT_EQ(Split(JoinCommaText({w})), Words{w}) << "[" << w << "]";
    EXPECT_EQ(Split(JoinCommaText({""})), Words{""});

    std::mt19937 rng(11);
    const std::string alphabet = "a ,\"\tx\r";
    for (int t = 0; t < 3000; ++t) {
        Words words(static_cast<std::size_t>(rng() % 6));
        for (std::string& w : words)
            for (unsigned k = rng() % 5; k > 0; --k) w.push_back(alphabet[rng() % alphabet.size()]);
        ASSERT_EQ(Split(JoinCommaText(words)), words) << JoinCommaText(words);
    }
}
