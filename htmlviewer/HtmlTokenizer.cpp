// The tokenizer half of the viewer's parser.
#include <charconv>

#include "htmlviewer/HtmlParser.h"
#include "model/TextConv.h"

namespace {

constexpr const char* OpenCommentText = "Open Comment at End of HTML File";
// The longest tag name kept; further letters are read and dropped.
constexpr std::size_t MaxTagName = 255;
// The longest piece of a plain-text document one token holds.
constexpr int MaxPlainTextRun = 200;

inline bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiAlnum(char c) { return IsDigit(c) || IsUpperLetter(c) || (c >= 'a' && c <= 'z'); }
inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// The tokens after which a P adds its paragraph space again.
bool ClearsParagraphSpace(Sym sy) {
    switch (sy) {
    case Sym::Br: case Sym::H: case Sym::Hr: case Sym::Img: case Sym::Text:
    case Sym::Table: case Sym::Input: case Sym::Textarea: case Sym::Select: return true;
    default: return false;
    }
}

}  // namespace

// ---- Characters -----------------------------------------------------------------

bool ThlParser::DocumentEndsHere() const { return DocPos >= Doc.size() || Doc[DocPos] == EofChar; }

char ThlParser::ReadRaw() {
    if (InInclude) {
        if (IncludePos < IncludeText.size() && IncludeText[IncludePos] != EofChar) return IncludeText[IncludePos++];
        InInclude = false;
        IncludeText.clear();
    }
    if (DocumentEndsHere()) return EofChar;
    ++PosCount;
    return Doc[DocPos++];
}

char ThlParser::PeekRaw() const {
    if (InInclude && IncludePos < IncludeText.size() && IncludeText[IncludePos] != EofChar)
        return IncludeText[IncludePos];
    return DocumentEndsHere() ? EofChar : Doc[DocPos];
}

void ThlParser::ReadCharFolded() {
    char c = ReadRaw();
    if ((c == '\n' && LineState == LineEnd::AfterCR) || (c == '\r' && LineState == LineEnd::AfterLF)) c = ReadRaw();
    if (c == '\n') {
        c = '\r';
        LineState = LineEnd::AfterLF;
    } else if (c == '\r') {
        LineState = LineEnd::AfterCR;
    } else {
        LineState = LineEnd::None;
        if (c == '\t') c = ' ';
    }
    Ch = c;
    UCh = Upper(c);
}

void ThlParser::ReadCommentChar() {
    ReadCharFolded();
    if (Ch == EofChar) throw EParseError(OpenCommentText);
}

void ThlParser::SkipToCloseBracket() {
    while (Ch != '>') ReadCommentChar();
}

void ThlParser::SkipToEndOfComment() {
    // Searches from the current character for "--", any further "-",
    // blanks, then ">".
    for (;;) {
        while (Ch != '-') ReadCommentChar();
        ReadCommentChar();
        if (Ch != '-') continue;
        while (Ch == '-') ReadCommentChar();
        while (Ch == ' ' || Ch == '\r') ReadCommentChar();
        if (Ch == '>') return;
    }
}

void ThlParser::ReadChar() {
    ReadCharFolded();
    while (Ch == '<' && !InScript && !CommentOpen && PeekRaw() == '!') {
        CommentOpen = true;
        ReadCommentChar();  // the "!"
        ReadCommentChar();
        if (Ch != '-') {
            SkipToCloseBracket();  // a declaration
        } else {
            ReadCommentChar();
            if (Ch != '-') {
                SkipToCloseBracket();
            } else {
                ReadCommentChar();
                if (Ch == '#' && OnInclude && !InInclude)
                    ReadInclude();
                else
                    SkipToEndOfComment();
            }
        }
        CommentOpen = false;
        ReadCharFolded();  // after the ">": possibly the first character of an include text
    }
}

void ThlParser::ReadInclude() {
    std::string command;
    ReadCommentChar();
    while (IsUpperLetter(UCh)) {
        command += Ch;
        ReadCommentChar();
    }
    std::vector<std::string> params;
    TAttribute attribute;
    std::string name;
    bool closed = false;
    for (;;) {
        // A "-" here starts the comment's closing "--", not an attribute.
        SkipWhiteSpace();
        if (Ch == '-' || !ReadAttribute(attribute, name)) break;
        // An unquoted last value runs into the closing "-->": it ends the comment.
        if (Ch == '>' && attribute.Name.size() >= 2 && attribute.Name.ends_with("--")) {
            attribute.Name.resize(attribute.Name.size() - 2);
            closed = true;
        }
        params.push_back(name + "=\"" + attribute.Name + "\"");
        if (closed) break;
    }
    if (!closed) SkipToEndOfComment();
    std::string result;
    OnInclude(command, params, result);
    if (!result.empty()) {
        IncludeText = std::move(result);
        IncludePos = 0;
        InInclude = true;
    }
}

void ThlParser::Begin() {
    PosCount = -1;
    DocPos = 0;
    InInclude = false;
    LineState = LineEnd::None;
    ReadChar();
}

void ThlParser::SkipWhiteSpace() {
    while (Ch == ' ' || Ch == '\t' || Ch == '\r') ReadChar();
}

// ---- Tokens ---------------------------------------------------------------------

void ThlParser::NextToken() {
    TextToken.Clear();
    if (Ch == EofChar) {
        Sy = Sym::Eof;
        return;
    }
    bool read = false;
    if (Ch == '<') read = ReadTag();
    if (!read && Ch == '&') read = ReadEntity();
    if (!read) read = GetText();
    if (!read) {
        Sy = Sym::OtherChar;
        TextToken.AddChar(Ch, PosCount);
        ReadChar();
    }
    if (ClearsParagraphSpace(Sy)) ParagraphSpace = false;
}

bool ThlParser::ReadTag() {
    TagPos = PosCount;
    ReadChar();
    const bool endTag = Ch == '/';
    if (endTag) ReadChar();
    if (!IsUpperLetter(UCh)) {
        Sy = Sym::Text;
        TextToken.AddChar('<', TagPos);
        return true;
    }
    std::string name;
    while (IsUpperLetter(UCh)) {
        if (name.size() < MaxTagName) name += UCh;
        ReadChar();
    }
    Sy = Sym::Unknown;
    const std::optional<Sym> start = TagFromName(name);
    if (start) {
        if (!endTag)
            Sy = *start;
        else if (const std::optional<Sym> end = EndTagOf(*start))
            Sy = *end;
    }
    SkipWhiteSpace();
    HeadingLevel = 0;
    if ((Sy == Sym::H || Sy == Sym::HEnd) && Ch >= '1' && Ch <= '6') {
        HeadingLevel = Ch - '0';
        ReadChar();
    }
    // End tags of these names keep their attributes too (the builder
    // ignores what it does not need, such as ALIGN on the end of P).
    const bool keep = start && KeepsAttributes(*start);
    if (keep) Attributes.Clear();
    TAttribute attribute;
    while (GetAttribute(attribute))
        if (keep) Attributes.Add(std::make_unique<TAttribute>(attribute));
    while (Ch != '>' && Ch != EofChar) ReadChar();
    if (Ch == '>') {
        if ((Sy == Sym::PEnd || Sy == Sym::Br) && !InInclude && DocumentEndsHere()) {
            // The document ends with one space of text after the line break.
            Ch = UCh = ' ';
        } else {
            ReadChar();
        }
    }
    return true;
}

bool ThlParser::GetAttribute(TAttribute& attribute) {
    std::string name;
    return ReadAttribute(attribute, name);
}

bool ThlParser::ReadAttribute(TAttribute& attribute, std::string& name) {
    attribute.AttrSymbol = AttrSym::Unknown;
    SkipWhiteSpace();
    name.clear();
    while (IsUpperLetter(UCh) || UCh == '-') {
        name += UCh;
        ReadChar();
    }
    if (name.empty()) return false;
    attribute.AttrSymbol = AttributeFromName(name);
    SkipWhiteSpace();
    attribute.Value = attribute.AttrSymbol == AttrSym::Border ? 1 : 0;
    attribute.Name.clear();
    if (Ch != '=') return true;
    ReadChar();
    SkipWhiteSpace();
    if (Ch == '"' || Ch == '\'') {
        const char quote = Ch;
        ReadChar();
        while (Ch != quote && Ch != EofChar) {
            if (Ch == '\r') {
                ReadChar();
            } else if (Ch == '&') {
                TokenObj entity;
                ReadEntityInto(entity);
                attribute.Name += entity.S;
            } else {
                attribute.Name += Ch;
                ReadChar();
            }
        }
        if (Ch == quote) ReadChar();
        std::string number = Trim(attribute.Name);
        if (!number.empty() && number.find('%') == number.size() - 1) number.pop_back();
        attribute.Value = AttributeNumber(number);
    } else if (Ch == '+' || Ch == '-' || IsDigit(Ch)) {
        attribute.Name += Ch;
        ReadChar();
        while (Ch != '\t' && Ch != '\r' && Ch != EofChar && Ch != ' ' && Ch != '%' && Ch != '>') {
            attribute.Name += Ch;
            ReadChar();
        }
        SkipWhiteSpace();
        attribute.Value = AttributeNumber(attribute.Name);
        if (Ch == '%') {
            attribute.Name += '%';
            ReadChar();
        }
    } else {
        while (Ch != '\t' && Ch != '\r' && Ch != EofChar && Ch != ' ' && Ch != '>') {
            attribute.Name += Ch;
            ReadChar();
        }
    }
    return true;
}

bool ThlParser::ReadEntity() {
    Sy = Sym::Text;
    ReadEntityInto(TextToken);
    return true;
}

bool ThlParser::ReadEntityName(TokenObj& raw, std::string& name, std::size_t max, bool (*accept)(char)) {
    while (accept(Ch) && name.size() < max) {
        raw.AddChar(Ch, PosCount);
        name += Ch;
        ReadChar();
    }
    if (accept(Ch)) return false;
    if (Ch == ';') {
        raw.AddChar(';', PosCount);
        ReadChar();
    }
    return true;
}

void ThlParser::ReadEntityInto(TokenObj& out) {
    const int32_t p = PosCount;
    TokenObj raw;
    raw.AddChar('&', p);
    ReadChar();
    if (Ch == '#') {
        raw.AddChar('#', PosCount);
        ReadChar();
        std::string digits;
        const bool fits = ReadEntityName(raw, digits, 5, IsDigit);
        if (digits.empty() || !fits) {
            out.AddString(raw);
            return;
        }
        int n = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (n == 9 || n == 10 || (n >= 32 && n <= 255)) {
            out.AddChar(n == 9 ? ' ' : static_cast<char>(n), p);
        } else if (n < 32) {
            out.AddString(raw);
        } else {
            // A character beyond Latin-1: its cp1252 byte, "?" when it has none.
            const std::optional<uint8_t> byte = UnicodeToCp1252(static_cast<char32_t>(n));
            out.AddChar(byte ? static_cast<char>(*byte) : '?', p);
        }
        return;
    }
    std::string name;
    const bool fits = ReadEntityName(raw, name, 6, IsAsciiAlnum);
    const std::optional<std::string_view> text = fits ? EntityText(name) : std::nullopt;
    if (!text) {
        out.AddString(raw);
        return;
    }
    for (std::size_t i = 0; i < text->size(); ++i) out.AddChar((*text)[i], p + static_cast<int32_t>(i));
}

bool ThlParser::GetText() {
    bool added = false;
    while (TextToken.Length() < MaxTextRun) {
        const unsigned char c = static_cast<unsigned char>(Ch);
        const bool isText = c == '\r' || (c >= 32 && c <= 37) || (c >= 39 && c <= 59) || c >= 61;
        if (!isText) break;
        if (!InPre && (Ch == ' ' || Ch == '\r')) {
            TextToken.AddChar(NoBreak ? NoBreakSpace : ' ', PosCount);
            do ReadChar();
            while (Ch == ' ' || Ch == '\r');
        } else {
            TextToken.AddChar(Ch, PosCount);
            ReadChar();
        }
        added = true;
    }
    if (added) Sy = Sym::Text;
    return added;
}

void ThlParser::NextPlainTextToken() {
    TextToken.Clear();
    const bool savedScript = InScript;
    InScript = true;  // "<!" is text here
    if (Ch == EofChar) {
        Sy = Sym::Eof;
    } else if (Ch == '\r') {
        Sy = Sym::Eol;
        ReadChar();
    } else {
        Sy = Sym::Text;
        while (Ch != '\r' && Ch != EofChar && TextToken.Length() < MaxPlainTextRun) {
            TextToken.AddChar(Ch, PosCount);
            ReadChar();
        }
    }
    InScript = savedScript;
}

// ---- Attribute values -----------------------------------------------------------

bool ThlParser::ParseColor(std::string_view text, uint32_t& color) {
    if (text.empty()) return false;
    if (const std::optional<uint32_t> named = NamedColor(UpperCase(text.substr(0, 10)))) {
        color = *named;
        return true;
    }
    std::string s = Trim(text);
    if (const std::size_t hash = s.find('#'); hash != std::string::npos) s.erase(hash, 1);
    while (s.size() < 6) s += '0';
    uint32_t v = 0;
    if (s.size() > 8) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    color = ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
    return true;
}

TJustify ThlParser::ParseAlign(const TAttributeList& attributes, TJustify def) {
    const TAttribute* a = attributes.Find(AttrSym::Align);
    if (!a) return def;
    const std::string v = LowerCase(a->Name);
    if (v == "left") return LeftJustify;
    if (v == "center") return Centered;
    if (v == "right") return RightJustify;
    return def;
}

TVAlign ThlParser::ParseVAlign(const TAttributeList& attributes, TVAlign def) {
    const TAttribute* a = attributes.Find(AttrSym::VAlign);
    if (!a) return def;
    const std::string v = LowerCase(a->Name);
    if (v == "top" || v == "baseline") return VATop;
    if (v == "middle") return VAMiddle;
    if (v == "bottom") return VABottom;
    return def;
}

int ThlParser::ParseClearValue(std::string_view value) {
    const std::string v = LowerCase(value);
    if (v == "left") return 1;
    if (v == "right") return 2;
    return 3;
}
