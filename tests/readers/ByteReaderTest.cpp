#include <gtest/gtest.h>

#include <limits>

#include "readers/ByteReader.h"
#include "tests/readers/ModelFileBuilders.h"

using namespace build;

namespace {

TEST(ByteReaderTest, NumbersInBothByteOrders) {
    const std::string bytes = Le16(0x1234) + Be16(0x1234) + Le32(0xDEADBEEF) + Be32(0xDEADBEEF) + Le16(0xFFFE) +
                              Be32(0xFFFFFFFF) + LeF(1.5f) + BeF(-2.25f) +
                              LeF(std::numeric_limits<float>::infinity()) +
                              BeF(std::numeric_limits<float>::quiet_NaN()) + std::string(1, char(0xAB));
    ByteReader r(bytes);
    EXPECT_EQ(r.U16LE(), 0x1234);
    EXPECT_EQ(r.U16BE(), 0x1234);
    EXPECT_EQ(r.U32LE(), 0xDEADBEEFu);
    EXPECT_EQ(r.U32BE(), 0xDEADBEEFu);
    EXPECT_EQ(r.I16LE(), -2);
    EXPECT_EQ(r.I32BE(), -1);
    EXPECT_EQ(r.F32LE(), 1.5f);
    EXPECT_EQ(r.F32BE(), -2.25f);
    EXPECT_EQ(r.F32LE(), 0.0f);  // infinity
    EXPECT_EQ(r.F32BE(), 0.0f);  // NaN
    EXPECT_EQ(r.U8(), 0xAB);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_THROW(r.U8(), ByteOverrun);
}

TEST(ByteReaderTest, ReadsNeverPassTheirChunk) {
    const std::string bytes = "abcdefgh";
    ByteReader file(bytes);
    file.Skip(2);
    ByteReader chunk = file.Take(4);  // "cdef"
    EXPECT_EQ(file.Position(), 6u);
    EXPECT_EQ(chunk.FileOffset(), 2u);
    EXPECT_EQ(chunk.U16BE(), ('c' << 8) | 'd');
    EXPECT_THROW(chunk.U32BE(), ByteOverrun);
    EXPECT_EQ(chunk.Remaining(), 2u);  // a failed read takes nothing
    // A chunk longer than the bytes left is cut at the end of the file.
    ByteReader tail = file.Peek(1000);
    EXPECT_EQ(tail.Size(), 2u);
    EXPECT_FALSE(file.SkipClipped(3));
    EXPECT_TRUE(file.AtEnd());
    EXPECT_THROW(file.Skip(1), ByteOverrun);
    ByteReader empty;
    EXPECT_EQ(empty.CString(10), "");
    EXPECT_THROW(empty.VX(), ByteOverrun);
}

TEST(ByteReaderTest, CountsAreCheckedAgainstTheBytesLeft) {
    const std::string bytes(24, '\0');
    ByteReader r(bytes);
    EXPECT_EQ(r.CheckCount(2, 12), 2u);
    EXPECT_THROW(r.CheckCount(3, 12), ByteOverrun);
    EXPECT_THROW(r.CheckCount(UINT64_MAX / 2, 4), ByteOverrun);
    EXPECT_EQ(r.CheckCount(UINT64_MAX, 0), std::size_t(UINT64_MAX));
}

TEST(ByteReaderTest, StringsAreCutAndPadded) {
    const std::string bytes = std::string("name\0", 5) + std::string("abc\0", 4) + "xy";
    ByteReader r(bytes);
    EXPECT_EQ(r.CString(2), "na");  // cut, yet the whole string is passed
    EXPECT_EQ(r.Position(), 5u);
    EXPECT_EQ(r.S0(), "abc");
    EXPECT_EQ(r.CString(255), "xy");  // no end byte: runs to the end
    EXPECT_TRUE(r.AtEnd());

    const std::string odd = S0("ab") + S0("abcd") + std::string("z", 1);
    ByteReader s(odd);
    EXPECT_EQ(s.S0(), "ab");
    EXPECT_EQ(s.Position(), 4u);
    EXPECT_EQ(s.S0(), "abcd");
    EXPECT_EQ(s.Position(), 10u);
    EXPECT_EQ(s.S0(), "z");  // no end byte and no pad byte left
    EXPECT_TRUE(s.AtEnd());
}

TEST(ByteReaderTest, VariableLengthIndices) {
    const std::string bytes = VX(0x1234) + VX(0xFF00) + VX(0xABCDEF) + Be32(0xFF123456);
    ByteReader r(bytes);
    EXPECT_EQ(r.VX(), 0x1234u);
    EXPECT_EQ(r.Position(), 2u);
    EXPECT_EQ(r.VX(), 0xFF00u);
    EXPECT_EQ(r.VX(), 0xABCDEFu);
    EXPECT_EQ(r.VX(), 0x123456u);
    const std::string cut = "\xFF\x01";
    ByteReader c(cut);
    EXPECT_THROW(c.VX(), ByteOverrun);
}

}  // namespace
