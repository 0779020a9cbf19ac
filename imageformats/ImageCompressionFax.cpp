// The one-dimensional CCITT fax decoders: modified Huffman rows and Group 3
// rows with end-of-line codes.
#include <algorithm>
#include <array>
#include <cstring>

#include "imageformats/ImageCompression.h"

namespace img {

namespace {

// The run length codes of the fax standard, written as their bits. The
// terminating codes give runs 0 to 63 in order; the make-up codes 64 to 1728
// in steps of 64.
const char* const WhiteTerminating[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
};
const char* const WhiteMakeUp[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011",
};
const char* const BlackTerminating[64] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
};
const char* const BlackMakeUp[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",  "000000110100",
    "000000110101",  "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101",
};
// The make-up codes of both colours for runs of 1792 to 2560.
const char* const ExtendedMakeUp[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111",
};

}  // namespace

const std::array<uint8_t, 256>& ReversedBits() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b)) r |= 0x80 >> b;
            t[static_cast<std::size_t>(i)] = static_cast<uint8_t>(r);
        }
        return t;
    }();
    return table;
}

void TCCITTDecoder::AddCode(std::vector<Node>& tree, uint32_t code, int bits, int32_t value) {
    int32_t node = 0;
    for (int i = bits - 1; i >= 0; --i) {
        const int bit = static_cast<int>((code >> i) & 1);
        if (tree[static_cast<std::size_t>(node)].child[bit] == 0) {
            tree.emplace_back();
            tree[static_cast<std::size_t>(node)].child[bit] = static_cast<int32_t>(tree.size() - 1);
        }
        node = tree[static_cast<std::size_t>(node)].child[bit];
    }
    tree[static_cast<std::size_t>(node)].value = value;
}

void TCCITTDecoder::BuildTree(std::vector<Node>& tree, bool white) {
    tree.assign(1, Node{});
    auto add = [&](const char* text, int32_t value) {
        uint32_t code = 0;
        int bits = 0;
        for (const char* p = text; *p; ++p, ++bits) code = (code << 1) | static_cast<uint32_t>(*p - '0');
        AddCode(tree, code, bits, value);
    };
    const char* const* terminating = white ? WhiteTerminating : BlackTerminating;
    const char* const* makeUp = white ? WhiteMakeUp : BlackMakeUp;
    for (int i = 0; i < 64; ++i) add(terminating[i], i);
    for (int i = 0; i < 27; ++i) add(makeUp[i], 64 * (i + 1));
    for (int i = 0; i < 13; ++i) add(ExtendedMakeUp[i], 1792 + 64 * i);
    add("000000000001", EndOfLine);
    add("000000001", Invalid);
    add("0000000001", Invalid);
    add("00000000001", Invalid);
    add("000000000000", Invalid);
}

TCCITTDecoder::TCCITTDecoder(uint32_t options, bool swapBits, bool wordAligned, uint32_t width)
    : options_(options), swapBits_(swapBits), wordAligned_(wordAligned), width_(width) {
    BuildTree(white_tree_, true);
    BuildTree(black_tree_, false);
}

void TCCITTDecoder::Begin(const uint8_t* source, uint8_t* dest, int32_t packedSize, int32_t unpackedSize) {
    sourceStart_ = source_ = source;
    sourceLeft_ = static_cast<uint32_t>(std::max(packedSize, 0));
    bitsLeft_ = 0;
    rowStart_ = dest;
    targetEnd_ = dest + std::max(unpackedSize, 0);
    if (unpackedSize > 0) std::memset(dest, 0, static_cast<std::size_t>(unpackedSize));
    column_ = 0;
    white_ = true;
}

int TCCITTDecoder::NextBit() {
    if (bitsLeft_ == 0) {
        if (sourceLeft_ == 0) return -1;
        byte_ = swapBits_ ? ReversedBits()[*source_] : *source_;
        ++source_;
        --sourceLeft_;
        bitsLeft_ = 8;
    }
    --bitsLeft_;
    return (byte_ >> bitsLeft_) & 1;
}

int32_t TCCITTDecoder::ReadRun() {
    const std::vector<Node>& tree = white_ ? white_tree_ : black_tree_;
    int32_t node = 0;
    int32_t sum = 0;
    for (;;) {
        const int bit = NextBit();
        if (bit < 0) return sum;
        const int32_t next = tree[static_cast<std::size_t>(node)].child[bit];
        if (next == 0) return Invalid;  // no code goes on with this bit
        const Node& n = tree[static_cast<std::size_t>(next)];
        if (n.child[0] != 0 || n.child[1] != 0) {
            node = next;
            continue;
        }
        if (n.value >= 64) {  // a make-up code: its terminating code follows
            sum += n.value;
            node = 0;
            continue;
        }
        return n.value < 0 ? n.value : sum + n.value;
    }
}

bool TCCITTDecoder::WriteRun(int32_t length) {
    const uint32_t n = std::min(static_cast<uint32_t>(std::max(length, 0)), width_ - column_);
    if (!white_ && n > 0) {
        // Sets bits column_ .. column_ + n - 1 of the row, inside the target.
        const std::size_t room = static_cast<std::size_t>(targetEnd_ - rowStart_);
        uint32_t x = column_;
        const uint32_t stop = column_ + n;
        while (x < stop && x % 8 != 0) {
            if (x / 8 < room) rowStart_[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            ++x;
        }
        if (stop - x >= 8) {
            const std::size_t first = x / 8, bytes = (stop - x) / 8;
            if (first < room) std::memset(rowStart_ + first, 0xFF, std::min(bytes, room - first));
            x += static_cast<uint32_t>(bytes * 8);
        }
        while (x < stop) {
            if (x / 8 < room) rowStart_[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            ++x;
        }
    }
    column_ += n;
    return column_ >= width_;
}

void TCCITTDecoder::NewRow() {
    const std::size_t rowBytes = (static_cast<std::size_t>(width_) + 7) / 8;
    const std::size_t room = static_cast<std::size_t>(targetEnd_ - rowStart_);
    rowStart_ += std::min(rowBytes, room);
    column_ = 0;
    white_ = true;
}

void TCCITTDecoder::AlignSource() {
    bitsLeft_ = 0;
    if (wordAligned_ && ((source_ - sourceStart_) & 1) != 0 && sourceLeft_ > 0) {
        ++source_;
        --sourceLeft_;
    }
}

void TCCITTMHDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Begin(source, dest, packedSize, unpackedSize);
    while (SourceLeft() && !TargetFull()) {
        const int32_t run = ReadRun();
        if (run < 0) continue;  // invalid codes are skipped
        if (WriteRun(run)) {
            NewRow();
            AlignSource();
        } else {
            FlipColor();
        }
    }
}

void TCCITTFax3Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                               int32_t unpackedSize) {
    Begin(source, dest, packedSize, unpackedSize);
    int endOfLines = 0;
    while (SourceLeft() && !TargetFull()) {
        if (endOfLines == 0) {
            // Finds the row's end-of-line code: eleven 0 bits, then a 1.
            int zeros = 0;
            while (zeros < 11) {
                const int bit = NextBit();
                if (bit < 0) break;
                zeros = bit == 0 ? zeros + 1 : 0;
            }
            for (int bit = NextBit(); bit == 0; bit = NextBit()) {
            }
        }
        endOfLines = 0;
        while (SourceLeft()) {
            const int32_t run = ReadRun();
            if (run == EndOfLine) {
                ++endOfLines;
                break;
            }
            if (run == Invalid) break;
            if (WriteRun(run)) break;
            FlipColor();
        }
        NewRow();
    }
}

}  // namespace img
