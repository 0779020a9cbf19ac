// A text file held once in memory, lowered or as it stands, and split into tokens that are
// spans of that one buffer. The scene-description readers (VRML, X3D,
// POV-Ray meshes) walk such a token list: a token costs eight bytes whatever
// its length, so a file of a few hundred megabytes stays within a small
// multiple of its own size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TokenText {
public:
    // Takes the file's bytes and, with `lower`, lowers them (ASCII) in
    // place. ReadError for a text of 4 GiB or more, which token offsets
    // cannot address.
    explicit TokenText(std::string bytes, const std::string& fileName = {}, bool lower = true);

    // The bytes; the tokenizer may rewrite them in place (quoted words are
    // unquoted where they stand).
    std::string& Bytes() { return text_; }
    const std::string& Bytes() const { return text_; }

    void Add(std::size_t offset, std::size_t length) {
        if ((count_ & (BlockSize - 1)) == 0) {
            blocks_.emplace_back();
            blocks_.back().reserve(BlockSize);
        }
        blocks_.back().push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(length)});
        ++count_;
    }
    std::size_t Count() const { return count_; }
    // The token at i; the empty view past the last token.
    std::string_view operator[](std::size_t i) const {
        if (i >= count_) return {};
        const ttoken& t = blocks_[i >> BlockBits][i & (BlockSize - 1)];
        return std::string_view(text_.data() + t.offset, t.length);
    }

private:
    struct ttoken {
        uint32_t offset;
        uint32_t length;
    };
    // Tokens are kept in blocks of a fixed size, so that the list never
    // holds twice the room it needs while it grows, nor copies itself.
    static constexpr std::size_t BlockBits = 16;
    static constexpr std::size_t BlockSize = std::size_t(1) << BlockBits;
    std::string text_;
    std::vector<std::vector<ttoken>> blocks_;
    std::size_t count_ = 0;
};

// Calls f(begin, end) for every line of the text, ends excluded. Lines end at
// CR, LF or CR LF; a final line end starts no further line.
template <typename F>
void ForEachLine(const std::string& text, F&& f) {
    const std::size_t size = text.size();
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && text[end] != '\n' && text[end] != '\r') ++end;
        f(pos, end);
        pos = end;
        if (pos < size && text[pos] == '\r') ++pos;
        if (pos < size && text[pos] == '\n') ++pos;
    }
}

// Splits stretches of a TokenText's bytes into words by comma-text rules:
// blanks, control characters and the chosen blank characters separate words;
// after a word, blanks and then at most one comma (with the blanks after it)
// are passed over, so two commas in a row give an empty word. A word that
// starts with a double quote runs to the closing quote, a doubled quote
// standing for one. The chosen own character is always a word of its own.
//
// With attribute quotes on (XML text) both quote characters instead delimit
// an attribute value: the words inside are split like any other, and the
// closing quote becomes a word made of the own character, so that a value
// ends like a bracketed list. A value may run over several lines.
class CommaTokenizer {
public:
    CommaTokenizer(std::string_view blanks, char own);
    void SetAttributeQuotes(bool on) { attributeQuotes_ = on; }
    bool InsideAttribute() const { return open_ != 0; }
    void Split(TokenText& out, std::size_t begin, std::size_t end);

private:
    bool IsBlank(unsigned char c) const { return c <= 32 || blank_[c]; }
    bool IsQuote(unsigned char c) const { return attributeQuotes_ && (c == '"' || c == '\''); }

    bool blank_[256] = {};
    char own_;
    bool attributeQuotes_ = false;
    char open_ = 0;
};

// The integer at the start of a token: an optional sign and the digits that
// follow, the rest ignored; false (and 0) when no digit starts it. Values
// beyond the int32 range are held at its ends.
bool LeadingInt(std::string_view s, int64_t& value);
int32_t LeadingInt32(std::string_view s);
// A token that is an integer and nothing else.
bool IsIntegerToken(std::string_view s);
// A token that is a number; `value` 0 otherwise.
bool TokenNumber(std::string_view s, double& value);
