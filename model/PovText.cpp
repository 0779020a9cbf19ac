#include "model/PovText.h"

namespace {

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

bool PovTokenizer::SkipSpace() {
    const std::string_view t = text_;
    const std::size_t n = t.size();
    std::size_t& i = pos_;
    while (i < n) {
        const char c = t[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '/' && i + 1 < n && t[i + 1] == '/') {
            i += 2;
            while (i < n && t[i] != '\r' && t[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && t[i + 1] == '*') {
            i += 2;
            for (std::size_t depth = 1; depth > 0;) {
                if (i + 1 >= n) return false;
                if (t[i] == '/' && t[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (t[i] == '*' && t[i + 1] == '/') {
                    --depth;
                    i += 2;
                } else {
                    ++i;
                }
            }
        } else {
            break;
        }
    }
    return true;
}

bool PovTokenizer::SkipString() {
    constexpr std::string_view Escapes = "\"'\\abfnrtv";
    const std::string_view t = text_;
    const std::size_t n = t.size();
    std::size_t& i = pos_;
    for (++i; i < n;) {
        const char c = t[i++];
        if (c == '"') return true;
        if (c != '\\') continue;
        if (i >= n) return false;
        const char e = t[i++];
        if (e == 'u') {
            for (int k = 0; k < 4; ++k, ++i)
                if (i >= n || !IsHexDigit(t[i])) return false;
        } else if (Escapes.find(e) == std::string_view::npos) {
            return false;
        }
    }
    return false;
}

void PovTokenizer::SkipNumber() {
    const std::string_view t = text_;
    const std::size_t n = t.size();
    std::size_t& i = pos_;
    while (i < n && IsDigit(t[i])) ++i;
    if (i < n && t[i] == '.')
        for (++i; i < n && IsDigit(t[i]);) ++i;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < n && IsDigit(t[j]))
            for (i = j; i < n && IsDigit(t[i]);) ++i;
    }
}

PovToken PovTokenizer::Next() {
    if (broken_ || !SkipSpace()) {
        broken_ = true;
        return {PovToken::Broken, {}};
    }
    const std::string_view t = text_;
    const std::size_t n = t.size();
    const std::size_t start = pos_;
    if (start == n) return {PovToken::End, {}};
    const char c = t[start];
    PovToken::Kind kind = PovToken::Char;
    if (c == '"') {
        if (!SkipString()) {
            broken_ = true;
            return {PovToken::Broken, {}};
        }
        kind = PovToken::String;
    } else if (IsNameStart(c)) {
        while (pos_ < n && (IsNameStart(t[pos_]) || IsDigit(t[pos_]))) ++pos_;
        kind = PovToken::Name;
    } else if (IsDigit(c) || (c == '.' && start + 1 < n && IsDigit(t[start + 1]))) {
        SkipNumber();
        kind = PovToken::Number;
    } else {
        ++pos_;
    }
    return {kind, t.substr(start, pos_ - start)};
}

bool PovTextHasValue(std::string_view text) {
    PovTokenizer tokens(text);
    for (PovToken t = tokens.Next(); t.kind != PovToken::End; t = tokens.Next())
        if (!t.Is(';')) return true;
    return false;
}

bool PovTextEndsWithSemicolon(std::string_view text) {
    PovTokenizer tokens(text);
    bool semicolon = false;
    for (PovToken t = tokens.Next(); t.kind != PovToken::End; t = tokens.Next()) {
        if (t.kind == PovToken::Broken) return false;
        semicolon = t.Is(';');
    }
    return semicolon;
}
