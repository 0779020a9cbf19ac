#include "readers/TokenText.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "model/Errors.h"
#include "model/TextConv.h"

TokenText::TokenText(std::string bytes, const std::string& fileName, bool lower) : text_(std::move(bytes)) {
    if (text_.size() >= std::numeric_limits<uint32_t>::max())
        throw ReadError("File " + ExtractFileName(fileName) + " is too large to be read", fileName);
    if (lower)
        for (char& c : text_)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
}

CommaTokenizer::CommaTokenizer(std::string_view blanks, char own) : own_(own) {
    for (char c : blanks) blank_[static_cast<unsigned char>(c)] = true;
}

void CommaTokenizer::Split(TokenText& out, std::size_t begin, std::size_t end) {
    std::string& s = out.Bytes();
    std::size_t i = begin;
    auto skipBlanks = [&] {
        while (i < end && IsBlank(static_cast<unsigned char>(s[i]))) ++i;
    };
    for (;;) {
        skipBlanks();
        if (i >= end) return;
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsQuote(c)) {
            if (open_ == 0) {  // a value opens: its words follow
                open_ = static_cast<char>(c);
                ++i;
                continue;
            }
            if (c != static_cast<unsigned char>(open_)) {  // the other quote inside a value
                ++i;
                continue;
            }
            s[i] = own_;  // the value closes like a list
            out.Add(i, 1);
            open_ = 0;
            ++i;
        } else if (c == static_cast<unsigned char>(own_)) {
            out.Add(i, 1);
            ++i;
        } else if (c == ',') {
            out.Add(i, 0);  // two commas in a row: an empty word
        } else if (c == '"' && !attributeQuotes_) {
            // A quoted word, unquoted in place: a doubled quote stands for one.
            const std::size_t start = i + 1;
            std::size_t w = start, j = start;
            while (j < end) {
                if (s[j] == '"') {
                    if (j + 1 < end && s[j + 1] == '"') {
                        s[w++] = '"';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                s[w++] = s[j++];
            }
            out.Add(start, w - start);
            i = j;
        } else {
            std::size_t j = i;
            while (j < end) {
                const unsigned char d = static_cast<unsigned char>(s[j]);
                if (IsBlank(d) || d == ',' || d == static_cast<unsigned char>(own_) || IsQuote(d)) break;
                ++j;
            }
            out.Add(i, j - i);
            i = j;
        }
        skipBlanks();
        if (i < end && s[i] == ',') ++i;
    }
}

bool LeadingInt(std::string_view s, int64_t& value) {
    value = 0;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    int64_t v = 0;
    constexpr int64_t Limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        if (v < Limit) v = v * 10 + (s[i] - '0');
    if (v > Limit) v = Limit;
    v = negative ? -v : v;
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
    value = v;
    return true;
}

int32_t LeadingInt32(std::string_view s) {
    int64_t v = 0;
    LeadingInt(s, v);
    return static_cast<int32_t>(v);
}

bool IsIntegerToken(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i >= s.size()) return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

bool TokenNumber(std::string_view s, double& value) {
    value = 0;
    if (s.empty()) return false;
    // A quick refusal of words, so that keywords walked past cost nothing.
    const char c = s[0];
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')) return false;
    double v = 0;
    if (!ParseDouble(s, v)) return false;
    value = v;
    return true;
}
