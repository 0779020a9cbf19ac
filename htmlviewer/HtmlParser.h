// The HTML viewer's parser. This half is its tokenizer: it turns one
// document, held as cp1252 bytes, into tokens (start and end tags with their
// attributes, runs of text, decoded entities, end of file), skips comments
// and declarations, folds line ends, inserts the text of server-side include
// comments, and converts attribute values. Every character of a text token
// carries its index in the document, which selection, find and anchors use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "htmlviewer/HtmlSymbols.h"
#include "htmlviewer/HtmlUtils.h"
#include "platform/gfx/Errors.h"

// A document the parser cannot read: a comment still open at its end.
class EParseError : public gfx::Error {
public:
    using gfx::Error::Error;
};

// Answers a server-side include comment (<!--#command NAME="value" ...-->):
// the command word, one line NAME="value" per attribute (the name upper
// case), and the text to read in place of the comment (left empty for none).
using TIncludeHandler =
    std::function<void(const std::string& command, const std::vector<std::string>& params, std::string& result)>;

// Horizontal alignment of paragraphs, headings, divisions and table cells.
enum TJustify : uint8_t { NoJustify = 0, LeftJustify = 1, Centered = 2, RightJustify = 3 };
// Vertical alignment of table cells.
enum TVAlign : uint8_t { VATop = 0, VAMiddle = 1, VABottom = 2 };

class ThlParser {
public:
    // The character the reader returns once the document is exhausted; the
    // same character inside the document ends it there.
    static constexpr char EofChar = 26;
    // The separator that collapsed white space gives inside a no-break run.
    static constexpr char NoBreakSpace = 5;
    // The longest run of text one token holds.
    static constexpr int MaxTextRun = 100;

    // A parser of the document; call Begin before the first token.
    explicit ThlParser(std::string document);

    // ---- Reading state ----
    // The current character as read and upper-cased (ASCII letters only).
    char Ch = EofChar;
    char UCh = EofChar;
    // The index of the last character taken from the document; -1 before
    // the first. Characters of an include text do not raise it.
    int32_t PosCount = -1;
    // Set while script or style text is read: comments are then not removed.
    bool InScript = false;
    // Set for preformatted text and plain-text documents: white space is kept.
    bool InPre = false;
    // Set inside NOBR or a NOWRAP cell: collapsed white space gives NoBreakSpace.
    bool NoBreak = false;
    // The builder's paragraph-space flag; the tokenizer clears it when a BR,
    // H, HR, IMG, TABLE, INPUT, TEXTAREA or SELECT tag or text is read.
    bool ParagraphSpace = false;
    // Called for server-side include comments; none by default.
    TIncludeHandler OnInclude;

    // ---- The current token ----
    Sym Sy = Sym::Eof;
    // The level (1 to 6) of an H token; 0 when none was given.
    int HeadingLevel = 0;
    // The index of the "<" that opened the current tag.
    int32_t TagPos = 0;
    // The text of a text token (also of an other-character token).
    TokenObj TextToken;
    // The attributes of the last tag that keeps them.
    TAttributeList Attributes;

    // Reads the first character.
    void Begin();
    // Moves to the next character: line ends (CR, LF, CR LF, LF CR) become
    // one carriage return, a tab a space; comments and declarations are
    // skipped (outside script text) and include comments answered. A
    // comment still open at the end raises EParseError "Open Comment at End
    // of HTML File".
    void ReadChar();
    // Moves on while the character is a space, a tab or a carriage return.
    void SkipWhiteSpace();
    // Reads the next token into Sy, TextToken, Attributes and HeadingLevel.
    void NextToken();
    // Reads the next piece of a plain-text document: up to 200 characters
    // taken literally (no markup, entities or comments) as a Text token, an
    // end of line (Eol, consumed), or Eof.
    void NextPlainTextToken();

    // The four token readers NextToken tries in turn. ReadTag and ReadEntity
    // expect the current character "<" and "&"; each returns whether it
    // read a token.
    bool ReadTag();
    bool GetAttribute(TAttribute& attribute);
    bool ReadEntity();
    bool GetText();
    // Decodes the entity at the current "&" into `out`: its replacement at
    // the position of the "&", or the characters as written when it is no
    // known entity or a usable character reference.
    void ReadEntityInto(TokenObj& out);

    // ---- Attribute values ----
    // A colour name or "#RRGGBB" (short values padded with "0"), red in the
    // low byte. False, leaving `color` alone, for anything else.
    static bool ParseColor(std::string_view text, uint32_t& color);
    // ALIGN: "left", "center", "right"; otherwise `def`.
    static TJustify ParseAlign(const TAttributeList& attributes, TJustify def);
    // VALIGN: "top" and "baseline", "middle", "bottom"; otherwise `def`.
    static TVAlign ParseVAlign(const TAttributeList& attributes, TVAlign def);
    // BR's CLEAR: "left" 1, "right" 2, anything else 3 (both).
    static int ParseClearValue(std::string_view value);

private:
    // The next character of the active source without the line-end and
    // comment rules; EofChar at the end of the document.
    char ReadRaw();
    // The character ReadRaw would return, without taking it.
    char PeekRaw() const;
    // ReadChar without the comment rule.
    void ReadCharFolded();
    // In a comment: the next character; EOF raises EParseError.
    void ReadCommentChar();
    void SkipToEndOfComment();
    void SkipToCloseBracket();
    void ReadInclude();
    // Collects up to `max` characters that `accept` takes (into `raw` as
    // read and into `name`) and consumes an optional ";" after them; false
    // when one more such character follows.
    bool ReadEntityName(TokenObj& raw, std::string& name, std::size_t max, bool (*accept)(char));
    // GetAttribute, also giving the attribute's name as read (upper case).
    bool ReadAttribute(TAttribute& attribute, std::string& name);
    bool DocumentEndsHere() const;

    enum class LineEnd : uint8_t { None, AfterCR, AfterLF };

    std::string Doc;
    std::size_t DocPos = 0;
    std::string IncludeText;
    std::size_t IncludePos = 0;
    bool InInclude = false;
    bool CommentOpen = false;
    LineEnd LineState = LineEnd::None;
};
