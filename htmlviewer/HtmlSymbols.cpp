#include "htmlviewer/HtmlSymbols.h"

#include <array>
#include <unordered_map>
#include <utility>

#include "model/TextConv.h"

namespace {

// The tag names in table order; the first 50 have an end tag.
constexpr std::array<std::string_view, TagNameCount> TagNames = {
    "HTML", "TITLE", "BODY", "HEAD", "B", "I", "H", "EM", "STRONG", "U",
    "CITE", "VAR", "TT", "CODE", "KBD", "SAMP", "OL", "UL", "DIR", "MENU",
    "DL", "A", "ADDRESS", "BLOCKQUOTE", "PRE", "CENTER", "TABLE", "TD", "TH", "CAPTION",
    "FORM", "TEXTAREA", "SELECT", "OPTION", "FONT", "SUB", "SUP", "BIG", "SMALL", "P",
    "MAP", "FRAMESET", "NOFRAMES", "SCRIPT", "DIV", "S", "STRIKE", "TR", "NOBR", "STYLE",
    "LI", "BR", "HR", "DD", "DT", "IMG", "BASE", "BUTTON", "INPUT", "SELECTED",
    "BASEFONT", "AREA", "FRAME", "BGSOUND", "WRAP", "META", "WBR"};

// The tags whose attributes are kept.
constexpr std::array<Sym, 31> AttributeTags = {
    Sym::Body, Sym::P,        Sym::Br,     Sym::H,        Sym::Hr,     Sym::Base,    Sym::Ol,      Sym::Ul,
    Sym::Img,  Sym::A,        Sym::Table,  Sym::Td,       Sym::Tr,     Sym::Th,      Sym::Caption, Sym::Input,
    Sym::Form, Sym::Textarea, Sym::Select, Sym::Option,   Sym::Font,   Sym::Basefont, Sym::Map,    Sym::Area,
    Sym::Frameset, Sym::Frame, Sym::Script, Sym::Div,     Sym::Bgsound, Sym::Wrap,   Sym::Meta};

// The attribute names in table order with their symbols (VALUE twice).
constexpr std::array<std::pair<std::string_view, AttrSym>, AttributeNameCount> AttributeNames = {{
    {"HREF", AttrSym::Href}, {"NAME", AttrSym::Name}, {"SRC", AttrSym::Src}, {"ALT", AttrSym::Alt},
    {"ALIGN", AttrSym::Align}, {"TEXT", AttrSym::Text}, {"BGCOLOR", AttrSym::BgColor}, {"LINK", AttrSym::Link},
    {"BACKGROUND", AttrSym::Background}, {"COLSPAN", AttrSym::ColSpan}, {"ROWSPAN", AttrSym::RowSpan},
    {"BORDER", AttrSym::Border}, {"CELLPADDING", AttrSym::CellPadding}, {"CELLSPACING", AttrSym::CellSpacing},
    {"VALIGN", AttrSym::VAlign}, {"WIDTH", AttrSym::Width}, {"START", AttrSym::Start}, {"VALUE", AttrSym::Value},
    {"TYPE", AttrSym::Type}, {"CHECKBOX", AttrSym::Checkbox}, {"RADIO", AttrSym::Radio},
    {"METHOD", AttrSym::Method}, {"ACTION", AttrSym::Action}, {"CHECKED", AttrSym::Checked},
    {"SIZE", AttrSym::Size}, {"MAXLENGTH", AttrSym::MaxLength}, {"COLS", AttrSym::Cols}, {"ROWS", AttrSym::Rows},
    {"MULTIPLE", AttrSym::Multiple}, {"VALUE", AttrSym::Value}, {"SELECTED", AttrSym::Selected},
    {"FACE", AttrSym::Face}, {"COLOR", AttrSym::Color}, {"TRANSP", AttrSym::Transp}, {"CLEAR", AttrSym::Clear},
    {"ISMAP", AttrSym::IsMap}, {"BORDERCOLOR", AttrSym::BorderColor}, {"USEMAP", AttrSym::UseMap},
    {"SHAPE", AttrSym::Shape}, {"COORDS", AttrSym::Coords}, {"NOHREF", AttrSym::NoHref},
    {"HEIGHT", AttrSym::Height}, {"PLAIN", AttrSym::Plain}, {"TARGET", AttrSym::Target},
    {"NORESIZE", AttrSym::NoResize}, {"SCROLLING", AttrSym::Scrolling}, {"HSPACE", AttrSym::HSpace},
    {"LANGUAGE", AttrSym::Language}, {"FRAMEBORDER", AttrSym::FrameBorder},
    {"MARGINWIDTH", AttrSym::MarginWidth}, {"MARGINHEIGHT", AttrSym::MarginHeight}, {"LOOP", AttrSym::Loop},
    {"ONCLICK", AttrSym::OnClick}, {"WRAP", AttrSym::Wrap}, {"NOSHADE", AttrSym::NoShade},
    {"HTTP-EQUIV", AttrSym::HttpEquiv}, {"CONTENT", AttrSym::Content}, {"ENCTYPE", AttrSym::EncType},
    {"VLINK", AttrSym::VLink}, {"OLINK", AttrSym::OLink}, {"ACTIVE", AttrSym::Active},
    {"VSPACE", AttrSym::VSpace}, {"NOWRAP", AttrSym::NoWrap},
}};

// The eight entities with a replacement of their own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> SpecialEntities = {{
    {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""},
    {"rsquo", "'"}, {"ndash", "-"}, {"trade", "\x99"}, {"hellip", "..."},
}};

// The entities of the codes 160 to 255, in code order.
constexpr std::array<std::string_view, 96> Latin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// One character a code 160 to 255 (Latin1Entities' replacements).
constexpr std::array<char, 96> Latin1Chars = [] {
    std::array<char, 96> a{};
    for (int i = 0; i < 96; ++i) a[static_cast<std::size_t>(i)] = static_cast<char>(160 + i);
    return a;
}();

constexpr std::array<std::pair<std::string_view, uint32_t>, 16> ColorNames = {{
    {"BLACK", 0x000000}, {"MAROON", 0x000080}, {"GREEN", 0x008000}, {"OLIVE", 0x008080},
    {"NAVY", 0x800000}, {"PURPLE", 0x800080}, {"TEAL", 0x808000}, {"GRAY", 0x808080},
    {"SILVER", 0xC0C0C0}, {"RED", 0x0000FF}, {"LIME", 0x00FF00}, {"YELLOW", 0x00FFFF},
    {"BLUE", 0xFF0000}, {"FUCHSIA", 0xFF00FF}, {"AQUA", 0xFFFF00}, {"WHITE", 0xFFFFFF},
}};

// The character-set rows of a META content type, searched in order.
constexpr std::array<std::pair<std::string_view, int>, 14> CharsetTexts = {{
    {"1252", 0}, {"8859-1", 0}, {"1253", 161}, {"8859-7", 161}, {"1250", 238}, {"8859-2", 238},
    {"1251", 204}, {"8859-5", 204}, {"koi8-r", 204}, {"1254", 162}, {"8859-3", 162}, {"8859-9", 162},
    {"1257", 186}, {"8859-4", 186},
}};

}  // namespace

std::optional<Sym> EndTagOf(Sym start) {
    const int i = static_cast<int>(start);
    if (i >= EndTagCount) return std::nullopt;
    return static_cast<Sym>(TagNameCount + i);
}

std::string_view TagName(Sym sym) {
    int i = static_cast<int>(sym);
    if (i >= TagNameCount + EndTagCount) return {};
    if (i >= TagNameCount) i -= TagNameCount;
    return TagNames[static_cast<std::size_t>(i)];
}

std::optional<Sym> TagFromName(std::string_view upperName) {
    static const std::unordered_map<std::string_view, Sym> byName = [] {
        std::unordered_map<std::string_view, Sym> m;
        for (std::size_t i = 0; i < TagNames.size(); ++i) m.emplace(TagNames[i], static_cast<Sym>(i));
        return m;
    }();
    const auto it = byName.find(upperName);
    if (it == byName.end()) return std::nullopt;
    return it->second;
}

bool KeepsAttributes(Sym start) {
    for (Sym s : AttributeTags)
        if (s == start) return true;
    return false;
}

AttrSym AttributeFromName(std::string_view upperName) {
    static const std::unordered_map<std::string_view, AttrSym> byName(AttributeNames.begin(), AttributeNames.end());
    const auto it = byName.find(upperName);
    return it == byName.end() ? AttrSym::Unknown : it->second;
}

std::optional<std::string_view> EntityText(std::string_view name) {
    static const std::unordered_map<std::string_view, std::string_view> byName = [] {
        std::unordered_map<std::string_view, std::string_view> m(SpecialEntities.begin(), SpecialEntities.end());
        for (std::size_t i = 0; i < Latin1Entities.size(); ++i)
            m.emplace(Latin1Entities[i], std::string_view(&Latin1Chars[i], 1));
        return m;
    }();
    const auto it = byName.find(name);
    if (it == byName.end()) return std::nullopt;
    return it->second;
}

std::string_view AttributeName(int i) {
    return i >= 0 && i < AttributeNameCount ? AttributeNames[static_cast<std::size_t>(i)].first : std::string_view();
}

std::string_view EntityName(int i) {
    if (i < 0 || i >= EntityCount) return {};
    if (i < 8) return SpecialEntities[static_cast<std::size_t>(i)].first;
    return Latin1Entities[static_cast<std::size_t>(i - 8)];
}

std::optional<uint32_t> NamedColor(std::string_view upperName) {
    for (const auto& [name, color] : ColorNames)
        if (name == upperName) return color;
    return std::nullopt;
}

int CharsetFromContent(std::string_view content, int defaultCharset) {
    const std::string lower = LowerCase(content);
    for (const auto& [text, charset] : CharsetTexts)
        if (lower.find(text) != std::string::npos) return charset;
    return defaultCharset;
}
