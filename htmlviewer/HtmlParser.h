// The HTML viewer's parser. Its lower half (HtmlTokenizer.cpp) is the
// tokenizer: it turns one document, held as cp1252 bytes, into tokens (start
// and end tags with their attributes, runs of text, decoded entities, end of
// file), skips comments and declarations, folds line ends, inserts the text
// of server-side include comments, and converts attribute values. Every
// character of a text token carries its index in the document, which
// selection, find and anchors use. Its upper half (HtmlBuilder.cpp and
// HtmlBuilderTables.cpp) is the document builder: it pulls the tokens one at
// a time and builds the viewer's document from them in one recursive pass
// that never fails on badly nested markup.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlviewer/HtmlFonts.h"
#include "htmlviewer/HtmlSymbols.h"
#include "htmlviewer/HtmlUtils.h"
#include "platform/gfx/Errors.h"

class TSectionList;
class TSectionBase;
class TCell;
class TSection;
class TCellList;
class TCellObj;
class ThtmlTable;
class TFormControlObj;

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

// The anchors of a document: the upper-case names of A NAME tags, each with
// the section it stands in. The first anchor of a name wins.
using TAnchorList = std::map<std::string, TSectionBase*, std::less<>>;

// Events of the builder: a background sound (BGSOUND, or the end of every
// sound with an empty source and `terminate`), a META element, and the text
// of a SCRIPT element (its lines joined by CR LF, ending with a zero byte).
using TSoundHandler = std::function<void(const std::string& src, int loop, bool terminate)>;
using TMetaHandler =
    std::function<void(const std::string& httpEquiv, const std::string& name, const std::string& content)>;
using TScriptHandler =
    std::function<void(const std::string& name, const std::string& language, const std::string& script)>;

// Horizontal alignment of paragraphs, headings, divisions and table cells.
enum TJustify : uint8_t { NoJustify = 0, LeftJustify = 1, Centered = 2, RightJustify = 3 };
// Vertical alignment of table cells.
enum TVAlign : uint8_t { VATop = 0, VAMiddle = 1, VABottom = 2 };

class ThlParser {
public:
    // The most fonts the builder stacks.
    static constexpr std::size_t MaxFontDepth = 25;
    // The deepest nesting of lists, divisions and tables, and of tables
    // alone (each table level doubles the work of laying its cells out).
    // Deeper ones are read as if their start tags were not there.
    static constexpr int MaxNesting = 100;
    static constexpr int MaxTableNesting = 12;
    // The character the reader returns once the document is exhausted; the
    // same character inside the document ends it there.
    static constexpr char EofChar = 26;
    // The separator that collapsed white space gives inside a no-break run.
    static constexpr char NoBreakSpace = 5;
    // The longest run of text one token holds.
    static constexpr int MaxTextRun = 100;

    // A parser of the document; call Begin before the first token.
    explicit ThlParser(std::string document);
    ~ThlParser();
    ThlParser(const ThlParser&) = delete;
    ThlParser& operator=(const ThlParser&) = delete;

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

    // ---- The document builder ----
    // Builds `document` (emptied before) from the HTML text: paragraphs,
    // fonts, links, lists, tables, forms and image maps, and the anchors into
    // `anchors`. A comment still open at the end, or a table of more than 200
    // columns, raises EParseError; the document keeps what was built so far.
    void ParseHtml(TSectionList& document, TAnchorList& anchors);
    // Builds `document` from plain text: one line of preformatted text a line.
    void ParseText(TSectionList& document, TAnchorList& anchors);
    // The events the builder raises; none by default.
    TMetaHandler OnMeta;
    TSoundHandler OnSoundRequest;
    TScriptHandler OnScript;
    // Set when the document is built for a viewer: BODY's margins and META's
    // character set then apply.
    bool ForViewer = false;
    // What the head gave: the title, BASE's HREF and TARGET.
    std::string Title;
    std::string Base;
    std::string BaseTarget;
    // BODY's MARGINWIDTH and MARGINHEIGHT (for a viewer, 0 to 200); -1 when
    // not given.
    int BodyMarginWidth = -1;
    int BodyMarginHeight = -1;

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

    // ---- Builder: set-up and sections (HtmlBuilder.cpp) ----
    void StartBuild(TSectionList& document, TAnchorList& anchors);
    void EndBuild();
    // Appends the current section to the current cell; none is current then.
    void AppendSection();
    // A new current paragraph with the justification, the open link, the
    // top font and the list level of the handler at work.
    void NewSection(TJustify justify);
    void EnsureSection();
    // The current section gets the top font (when there is one).
    void ChangeFont();
    TMyFont& TopFont() { return Fonts.back(); }
    // Pushes a copy of the top font; false when 25 are stacked.
    bool PushFont();
    // Pops the top font while more than one is stacked.
    void PopFont();
    void PopFontsTo(std::size_t depth);
    // Closes the open link: its font goes and the URL is cleared.
    void EndLink();

    // ---- Builder: handlers ----
    // The block loop: handles tokens until the end of the document or a
    // token of `terminators`, which it leaves unread.
    void ParseBlock(int level, const SymSet& terminators);
    // One inline token, then the next token (when the handler does not
    // already stand on it).
    void ParseInline();
    // The work of the inline handler for one token; returns false when it
    // already stands on the token after the element.
    bool DoInline();
    // B, I, U, S and their kin (and their end tags): the extra style; false
    // for any other token.
    bool ApplyStyle();
    void DoParagraph();
    void DoHeading();
    void DoAnchor();
    void DoBody();
    void DoMeta();
    void DoListItemOutsideList();
    void DoDivision(int level, const SymSet& terminators);
    // FONT and BASEFONT; true when the top font changed.
    bool DoFont();
    // BIG and SMALL.
    void DoSizeStep();
    // OL, UL, DIR, MENU, DL and BLOCKQUOTE: their items until their end tag
    // or a terminator, on which it stops.
    void ParseList(Sym kind, int level, const SymSet& terminators);
    // Consumes the token when it is the end tag of a list.
    void SkipListEnd();
    void ParsePre();
    void ParsePlainText();
    // ---- Builder: tables, forms, maps and scripts (HtmlBuilderTables.cpp) ----
    void ParseTable();
    void AddFormControl();
    void ReadOptions(TFormControlObj* control);
    void ReadTextArea(TFormControlObj* control);
    // Reads a MAP; true when it ended at its end tag (which is then the
    // current token), false when it stands on a token it did not take.
    bool ReadMap();
    // Reads script or style text up to its end tag; delivers it to the
    // handler when there is one.
    void ReadScript(const TScriptHandler* handler);

    // ---- Builder state ----
    TSectionList* MasterList = nullptr;
    // The cell to which finished sections go, and the current section.
    TCell* SectionList = nullptr;
    std::unique_ptr<TSection> Section;
    TAnchorList* Anchors = nullptr;
    // The font stack, 1 to 25 entries; the first is the document font.
    std::vector<TMyFont> Fonts;
    TJustify Justify = LeftJustify;
    // The list level of new sections (that of the handler at work).
    int Level = 0;
    // The base font size, an index 1 to 7.
    int BaseFontSize = 3;
    bool InLink = false;
    // Set when the open link pushed a font (it fails at 25 fonts).
    bool LinkFontPushed = false;
    TUrlTarget CurrentUrlTarget;
    // The nesting of the handler at work (lists, divisions, tables) and of
    // tables alone.
    int Nesting = 0;
    int TableNesting = 0;

    enum class LineEnd : uint8_t { None, AfterCR, AfterLF };

    std::string Doc;
    std::size_t DocPos = 0;
    std::string IncludeText;
    std::size_t IncludePos = 0;
    bool InInclude = false;
    bool CommentOpen = false;
    LineEnd LineState = LineEnd::None;
};
