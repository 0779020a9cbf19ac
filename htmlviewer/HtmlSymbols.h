// The vocabulary of the HTML viewer's parser: the tag names it knows (and
// which of them have an end tag and keep their attributes), the attribute
// names, the named character entities, the colour names and the character
// sets of a META content type. Everything outside these tables is an unknown
// tag, an unknown attribute or plain text.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The kinds of token the parser hands out: the start tag of each of the 67
// known tag names (in table order), the end tag of each of the first 50, and
// the tokens that are no tag.
enum class Sym : uint8_t {
    // Start tags 1-10.
    Html, Title, Body, Head, B, I, H, Em, Strong, U,
    // 11-20.
    Cite, Var, Tt, Code, Kbd, Samp, Ol, Ul, Dir, Menu,
    // 21-30.
    Dl, A, Address, Blockquote, Pre, Center, Table, Td, Th, Caption,
    // 31-40.
    Form, Textarea, Select, Option, Font, Sub, Sup, Big, Small, P,
    // 41-50: the last names that have an end tag.
    Map, Frameset, Noframes, Script, Div, S, Strike, Tr, Nobr, Style,
    // 51-60: no end tag.
    Li, Br, Hr, Dd, Dt, Img, Base, Button, Input, Selected,
    // 61-67.
    Basefont, Area, Frame, Bgsound, Wrap, Meta, Wbr,

    // End tags of the first 50 names, in the same order.
    HtmlEnd, TitleEnd, BodyEnd, HeadEnd, BEnd, IEnd, HEnd, EmEnd, StrongEnd, UEnd,
    CiteEnd, VarEnd, TtEnd, CodeEnd, KbdEnd, SampEnd, OlEnd, UlEnd, DirEnd, MenuEnd,
    DlEnd, AEnd, AddressEnd, BlockquoteEnd, PreEnd, CenterEnd, TableEnd, TdEnd, ThEnd, CaptionEnd,
    FormEnd, TextareaEnd, SelectEnd, OptionEnd, FontEnd, SubEnd, SupEnd, BigEnd, SmallEnd, PEnd,
    MapEnd, FramesetEnd, NoframesEnd, ScriptEnd, DivEnd, SEnd, StrikeEnd, TrEnd, NobrEnd, StyleEnd,

    // A run of text (or a decoded entity).
    Text,
    // The end of the document.
    Eof,
    // A tag of an unknown name, or the end tag of a name that has none.
    Unknown,
    // A character that is neither text nor markup (a control character).
    OtherChar,
    // The end of a line, from the special readers of script and text-area text.
    Eol,
};

// The number of known tag names and of those that have an end tag.
inline constexpr int TagNameCount = 67;
inline constexpr int EndTagCount = 50;
// The number of token kinds.
inline constexpr int SymCount = static_cast<int>(Sym::Eol) + 1;

// The end-tag token of a start tag, or nothing when the name has no end tag.
std::optional<Sym> EndTagOf(Sym start);
// The upper-case name of a tag token (start or end), "" for the others.
std::string_view TagName(Sym sym);
// The start-tag token of an upper-case tag name, or nothing when unknown.
std::optional<Sym> TagFromName(std::string_view upperName);
// True for the 31 tags whose attributes the parser keeps.
bool KeepsAttributes(Sym start);

// A set of token kinds (the terminators of a block).
class SymSet {
public:
    SymSet() = default;
    SymSet(std::initializer_list<Sym> syms) {
        for (Sym s : syms) add(s);
    }
    void add(Sym s) { bits_.set(static_cast<std::size_t>(s)); }
    bool contains(Sym s) const { return bits_.test(static_cast<std::size_t>(s)); }
    SymSet operator+(const SymSet& other) const {
        SymSet r = *this;
        r.bits_ |= other.bits_;
        return r;
    }

private:
    std::bitset<SymCount> bits_;
};

// The attribute names, one symbol each (VALUE is listed twice in the name
// table and gives one symbol), and the symbol of every other name.
enum class AttrSym : uint8_t {
    Href, Name, Src, Alt, Align, Text, BgColor, Link, Background, ColSpan,
    RowSpan, Border, CellPadding, CellSpacing, VAlign, Width, Start, Value, Type, Checkbox,
    Radio, Method, Action, Checked, Size, MaxLength, Cols, Rows, Multiple, Selected,
    Face, Color, Transp, Clear, IsMap, BorderColor, UseMap, Shape, Coords, NoHref,
    Height, Plain, Target, NoResize, Scrolling, HSpace, Language, FrameBorder, MarginWidth, MarginHeight,
    Loop, OnClick, Wrap, NoShade, HttpEquiv, Content, EncType, VLink, OLink, Active,
    VSpace, NoWrap,
    Unknown,
};

// The symbol of an upper-case attribute name; AttrSym::Unknown when unknown.
AttrSym AttributeFromName(std::string_view upperName);
// The number of entries of the attribute name table (VALUE counted twice).
inline constexpr int AttributeNameCount = 63;
// Entry i, 0 to 62, of the attribute name table, in table order.
std::string_view AttributeName(int i);

// The replacement of a named entity (case-sensitive name without "&" and
// ";"), as cp1252 text: one character, or three full stops for "hellip";
// nothing when the name is unknown.
std::optional<std::string_view> EntityText(std::string_view name);
// The number of named entities.
inline constexpr int EntityCount = 104;
// The name of entity i, 0 to 103, in table order.
std::string_view EntityName(int i);

// The colour of one of the 16 colour names (upper case), red in the low
// byte; nothing for another name.
std::optional<uint32_t> NamedColor(std::string_view upperName);

// The character set code of a META content type: the first table row whose
// text occurs in the lower-cased content, else `defaultCharset`.
int CharsetFromContent(std::string_view content, int defaultCharset);
