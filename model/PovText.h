// POV-Ray text read token by token as POV-Ray 3.7 reads it, for the code
// that judges or closes a POV-Ray text it did not write itself (a custom
// material): what is a name, a number, a string, and what is only blank or
// comment between them.
#pragma once

#include <cstddef>
#include <string_view>

struct PovToken {
    enum Kind {
        End,     // past the last token
        Name,    // a letter or "_", then letters, digits and "_"
        Number,  // digits, a fraction and an exponent
        String,  // a string literal with its quotes
        Char,    // any other character, one token each
        Broken,  // a string or block comment that does not end within the
                 // text, or an escape POV-Ray does not know
    };
    Kind kind = End;
    std::string_view text;  // a view into the text read
    bool Is(char c) const { return kind == Char && text.size() == 1 && text[0] == c; }
};

// Blanks, tabs, carriage returns and line feeds separate tokens, and so do
// comments: "//" up to a carriage return or line feed, "/*" to "*/" nested
// (strings and "//" mean nothing inside). In a string a backslash takes one
// character of an escape POV-Ray knows (so \" does not end it) or "u" and
// four hex digits; line breaks may stand in a string.
class PovTokenizer {
public:
    explicit PovTokenizer(std::string_view text) : text_(text) {}
    // The next token; Broken and End repeat once reached.
    PovToken Next();

private:
    bool SkipSpace();
    bool SkipString();
    void SkipNumber();

    std::string_view text_;
    std::size_t pos_ = 0;
    bool broken_ = false;
};

// True when the text holds a token other than ";": something a declaration
// can take as its value. A text of blanks, line breaks and comments alone, or
// of ";" alone, is no POV-Ray material ("#declare NAME=" would be followed by
// nothing). A string or comment that does not end counts as a token.
bool PovTextHasValue(std::string_view text);

// True when the last token of the text is ";" (comments after it do not
// count). A declaration takes one ";" after it, not two.
bool PovTextEndsWithSemicolon(std::string_view text);
