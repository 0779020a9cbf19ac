// The document builder, the upper half of the viewer's parser: the block
// loop, the inline handler, fonts, links, anchors, lists and preformatted
// text. Each handler takes the tokens that belong to it and returns on the
// first token it does not own, so unclosed and badly nested markup always
// gives a document.
#include <algorithm>
#include <array>

#include "htmlviewer/HtmlBlocks.h"
#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlParser.h"
#include "htmlviewer/HtmlSections.h"
#include "model/TextConv.h"

namespace {

// Point sizes of the font size indexes 1 to 7 (for a 12-point default).
constexpr std::array<int, 7> ProportionalSizes = {8, 10, 12, 14, 18, 24, 36};
constexpr std::array<int, 7> FixedSizes = {7, 8, 10, 12, 15, 20, 30};
// Heading fonts H1 to H6.
constexpr std::array<int, 6> HeadingSizes = {24, 18, 14, 12, 10, 8};
// The size of TT, CODE, KBD, SAMP and preformatted text.
constexpr int FixedPoints = 10;
// The list indent of an item outside any list.
constexpr int LoneItemIndent = 15;

// The tokens the inline handler takes.
const SymSet InlineTokens = {
    Sym::P,      Sym::PEnd,       Sym::B,       Sym::BEnd,    Sym::I,       Sym::IEnd,     Sym::U,
    Sym::UEnd,   Sym::Em,         Sym::EmEnd,   Sym::Strong,  Sym::StrongEnd, Sym::Cite,   Sym::CiteEnd,
    Sym::Var,    Sym::VarEnd,     Sym::Tt,      Sym::TtEnd,   Sym::Code,    Sym::CodeEnd,  Sym::Kbd,
    Sym::KbdEnd, Sym::Samp,       Sym::SampEnd, Sym::S,       Sym::SEnd,    Sym::Strike,   Sym::StrikeEnd,
    Sym::Sub,    Sym::SubEnd,     Sym::Sup,     Sym::SupEnd,  Sym::Br,      Sym::H,        Sym::HEnd,
    Sym::Address, Sym::AddressEnd, Sym::Pre,    Sym::Img,     Sym::A,       Sym::AEnd,     Sym::Text,
    Sym::Table,  Sym::Input,      Sym::Form,    Sym::FormEnd, Sym::Textarea, Sym::TextareaEnd, Sym::Select,
    Sym::Font,   Sym::Basefont,   Sym::FontEnd, Sym::Big,     Sym::BigEnd,  Sym::Small,    Sym::SmallEnd,
    Sym::Map,    Sym::Script,     Sym::Nobr,    Sym::NobrEnd, Sym::Wbr};

// The tokens an item outside any list takes.
const SymSet LoneItemTokens = {
    Sym::B,      Sym::BEnd,    Sym::I,       Sym::IEnd,      Sym::Em,     Sym::EmEnd,   Sym::Strong,
    Sym::StrongEnd, Sym::U,    Sym::UEnd,    Sym::Cite,      Sym::CiteEnd, Sym::Var,    Sym::VarEnd,
    Sym::Tt,     Sym::TtEnd,   Sym::Code,    Sym::CodeEnd,   Sym::Kbd,    Sym::KbdEnd,  Sym::Samp,
    Sym::SampEnd, Sym::A,      Sym::AEnd,    Sym::Text,      Sym::FontEnd, Sym::Sub,    Sym::SubEnd,
    Sym::Sup,    Sym::SupEnd,  Sym::Big,     Sym::BigEnd,    Sym::Small,  Sym::SmallEnd, Sym::S,
    Sym::SEnd,   Sym::Strike,  Sym::StrikeEnd, Sym::Nobr,    Sym::NobrEnd, Sym::Wbr};

// The end tags that end a list (any of them ends any list).
const SymSet ListEnds = {Sym::OlEnd, Sym::UlEnd, Sym::DirEnd, Sym::MenuEnd, Sym::DlEnd, Sym::BlockquoteEnd};

// Counts a level of nesting while a handler runs.
class NestingScope {
public:
    explicit NestingScope(int& depth) : Depth(depth) { ++Depth; }
    ~NestingScope() { --Depth; }
    NestingScope(const NestingScope&) = delete;
    NestingScope& operator=(const NestingScope&) = delete;

private:
    int& Depth;
};

std::string AttributeText(const TAttributeList& attributes, AttrSym which) {
    const TAttribute* a = attributes.Find(which);
    return a ? a->Name : std::string();
}

}  // namespace

// The parser owns the paragraph it builds, so it is made and freed here,
// where the sections are known.
ThlParser::ThlParser(std::string document) : Doc(std::move(document)) {}
ThlParser::~ThlParser() = default;

// ---- Set-up, sections and fonts ---------------------------------------------------------

void ThlParser::StartBuild(TSectionList& document, TAnchorList& anchors) {
    MasterList = &document;
    SectionList = &document;
    Anchors = &anchors;
    document.Build = TBuildState{};
    Fonts.clear();
    TMyFont first;
    first.Font.family = document.FontName;
    first.Font.color = document.FontColor;
    first.SetNormalSize(12, document.FontSize);
    first.Charset = document.Charset;
    Fonts.push_back(first);
    CurrentUrlTarget.Clear();
    InLink = LinkFontPushed = false;
    BaseFontSize = 3;
    Title.clear();
    Base.clear();
    BaseTarget.clear();
    BodyMarginWidth = BodyMarginHeight = -1;
    Justify = LeftJustify;
    Level = 0;
    Nesting = TableNesting = 0;
    NoBreak = InPre = InScript = false;
    ParagraphSpace = false;
    Section = std::make_unique<TSection>(MasterList, LeftJustify, CurrentUrlTarget, Fonts.front(), 0);
    Begin();
}

void ThlParser::EndBuild() {
    AppendSection();
    Fonts.clear();
    CurrentUrlTarget.Clear();
    InPre = InScript = false;
}

void ThlParser::ParseHtml(TSectionList& document, TAnchorList& anchors) {
    StartBuild(document, anchors);
    try {
        NextToken();
        ParseBlock(0, SymSet{});
    } catch (...) {
        // What was built stays; the current paragraph goes into the document
        // so that nothing refers to a section the document does not hold.
        EndBuild();
        throw;
    }
    EndBuild();
}

void ThlParser::ParseText(TSectionList& document, TAnchorList& anchors) {
    StartBuild(document, anchors);
    try {
        ParsePlainText();
    } catch (...) {
        EndBuild();
        throw;
    }
    EndBuild();
}

void ThlParser::AppendSection() {
    if (Section) SectionList->Add(std::move(Section));
}

void ThlParser::NewSection(TJustify justify) {
    AppendSection();
    Section = std::make_unique<TSection>(MasterList, justify, CurrentUrlTarget, TopFont(), Level);
}

void ThlParser::EnsureSection() {
    if (!Section) NewSection(Justify);
}

void ThlParser::ChangeFont() {
    if (Section) Section->ChangeFont(TopFont());
}

bool ThlParser::PushFont() {
    if (Fonts.size() >= MaxFontDepth) return false;
    Fonts.push_back(Fonts.back());
    return true;
}

void ThlParser::PopFont() {
    if (Fonts.size() > 1) Fonts.pop_back();
}

void ThlParser::PopFontsTo(std::size_t depth) {
    while (Fonts.size() > std::max<std::size_t>(depth, 1)) Fonts.pop_back();
}

void ThlParser::EndLink() {
    if (!InLink) return;
    CurrentUrlTarget.Clear();
    InLink = false;
    if (LinkFontPushed) PopFont();
    LinkFontPushed = false;
}

// ---- The block loop -----------------------------------------------------------------------

void ThlParser::ParseBlock(int level, const SymSet& terminators) {
    const int savedLevel = Level;
    Level = level;
    while (Sy != Sym::Eof && !terminators.contains(Sy)) {
        switch (Sy) {
        case Sym::Title:
            Title.clear();
            NextToken();
            while (Sy == Sym::Text) {
                Title += TextToken.S;
                NextToken();
            }
            break;
        case Sym::Body:
            DoBody();
            NextToken();
            break;
        case Sym::Hr:
            AppendSection();
            SectionList->Add(std::make_unique<THorzLine>(MasterList, Attributes));
            NextToken();
            break;
        case Sym::Base:
            Base = AttributeText(Attributes, AttrSym::Href);
            BaseTarget = AttributeText(Attributes, AttrSym::Target);
            NextToken();
            break;
        case Sym::Ol: case Sym::Ul: case Sym::Dir: case Sym::Menu: case Sym::Dl:
            ParseList(Sy, 1, terminators);
            SkipListEnd();
            break;
        case Sym::Li:
            if (level == 0)
                DoListItemOutsideList();
            else
                NextToken();  // inside a list's CENTER or DIV: its text goes on in the paragraph
            break;
        case Sym::Blockquote:
            AppendSection();
            ParseList(Sym::Blockquote, 1, terminators);
            SkipListEnd();
            break;
        case Sym::Center: case Sym::Div: DoDivision(level, terminators); break;
        case Sym::Bgsound:
            if (OnSoundRequest)
                if (const TAttribute* src = Attributes.Find(AttrSym::Src)) {
                    const TAttribute* loop = Attributes.Find(AttrSym::Loop);
                    OnSoundRequest(src->Name, loop ? loop->Value : 1, false);
                }
            NextToken();
            break;
        case Sym::Meta:
            DoMeta();
            NextToken();
            break;
        case Sym::Style:
            ReadScript(nullptr);
            NextToken();
            break;
        default:
            if (InlineTokens.contains(Sy))
                ParseInline();
            else
                NextToken();
            break;
        }
    }
    Level = savedLevel;
}

void ThlParser::DoBody() {
    // After visible content BODY changes nothing.
    if (SectionList->Count() != 0 || (Section && !Section->Buff.empty())) return;
    // The empty paragraph begun before BODY goes, unless an anchor or a link
    // refers to it.
    bool referenced = false;
    if (Section) {
        for (const auto& [name, section] : *Anchors) referenced = referenced || section == Section.get();
        for (const auto& run : Section->Fonts) referenced = referenced || !run->UrlTarget.Url.empty();
    }
    if (referenced)
        AppendSection();
    else
        Section.reset();
    gfx::Color c = 0;
    for (const auto& a : Attributes) {
        switch (a->AttrSymbol) {
        case AttrSym::Text:
            if (ColorAttribute(*a, c)) TopFont().Font.color = MasterList->FontColor = c;
            break;
        case AttrSym::Link:
            if (ColorAttribute(*a, c)) MasterList->HotSpotColor = c;
            break;
        case AttrSym::VLink:
            if (ColorAttribute(*a, c)) MasterList->LinkVisitedColor = c;
            break;
        case AttrSym::OLink:
            if (ColorAttribute(*a, c)) {
                MasterList->LinkActiveColor = c;
                MasterList->LinksActive = true;
            }
            break;
        case AttrSym::BgColor:
            if (ColorAttribute(*a, c)) MasterList->SetBackground(c);
            break;
        case AttrSym::Background: MasterList->SetBackgroundImage(a->Name); break;
        case AttrSym::MarginWidth:
            if (ForViewer) BodyMarginWidth = std::clamp(a->Value, 0, 200);
            break;
        case AttrSym::MarginHeight:
            if (ForViewer) BodyMarginHeight = std::clamp(a->Value, 0, 200);
            break;
        default: break;
        }
    }
    NewSection(Justify);
}

void ThlParser::DoMeta() {
    const std::string httpEquiv = AttributeText(Attributes, AttrSym::HttpEquiv);
    const std::string name = AttributeText(Attributes, AttrSym::Name);
    const std::string content = AttributeText(Attributes, AttrSym::Content);
    if (ForViewer && SameText(httpEquiv, "content-type"))
        TopFont().Charset = CharsetFromContent(content, MasterList->Charset);
    if (OnMeta) OnMeta(httpEquiv, name, content);
}

void ThlParser::DoListItemOutsideList() {
    AppendSection();
    TBuildState& build = MasterList->Build;
    build.ListIndent = LoneItemIndent;
    Section = std::make_unique<TUListItem>(MasterList, 1, CurrentUrlTarget, TopFont(), false);
    NextToken();
    while (LoneItemTokens.contains(Sy)) ParseInline();
    AppendSection();
    build.ListIndent = IndentManager::ListIndent;
}

void ThlParser::DoDivision(int level, const SymSet& terminators) {
    if (Nesting >= MaxNesting) {
        NextToken();
        return;
    }
    const NestingScope scope(Nesting);
    AppendSection();
    const TJustify saved = Justify;
    Justify = Sy == Sym::Center ? Centered : ParseAlign(Attributes, Justify);
    const int savedLevel = Level;
    Level = level;
    NewSection(Justify);
    NextToken();
    ParseBlock(level, terminators + SymSet{Sym::CenterEnd, Sym::DivEnd});
    AppendSection();
    Justify = saved;
    NewSection(Justify);
    Level = savedLevel;
    if (Sy == Sym::CenterEnd || Sy == Sym::DivEnd) NextToken();
}

// ---- The inline handler ---------------------------------------------------------------------

void ThlParser::ParseInline() {
    if (DoInline()) NextToken();
}

bool ThlParser::DoInline() {
    TBuildState& build = MasterList->Build;
    if (ApplyStyle()) return true;
    switch (Sy) {
    case Sym::P: case Sym::PEnd: DoParagraph(); return false;
    case Sym::Sub: case Sym::Sup:
        EnsureSection();
        build.SubSup = Sy == Sym::Sub ? 1 : 2;
        ChangeFont();
        return true;
    case Sym::SubEnd: case Sym::SupEnd:
        build.SubSup = 0;
        ChangeFont();
        return true;
    case Sym::Br: {
        const TJustify j = Section ? Section->BreakLine(TagPos) : Justify;
        NewSection(j);
        Section->ParseClear(Attributes);
        return true;
    }
    case Sym::H: case Sym::HEnd: DoHeading(); return true;
    case Sym::Tt: case Sym::Code: case Sym::Kbd: case Sym::Samp:
        if (PushFont()) {
            TMyFont& f = TopFont();
            f.Font.family = MasterList->PreFontName;
            f.SetNormalSize(FixedPoints, MasterList->FontSize);
            f.Fixed = true;
        }
        ChangeFont();
        return true;
    case Sym::TtEnd: case Sym::CodeEnd: case Sym::KbdEnd: case Sym::SampEnd: case Sym::FontEnd: case Sym::BigEnd:
    case Sym::SmallEnd:
        PopFont();
        ChangeFont();
        return true;
    case Sym::Address:
        AppendSection();
        if (PushFont()) TopFont().Font.italic = true;
        NewSection(Justify);
        return true;
    case Sym::AddressEnd:
        AppendSection();
        PopFont();
        return true;
    case Sym::Pre: ParsePre(); return false;
    case Sym::Img:
        EnsureSection();
        Section->AddImage(Attributes, NoBreak, TagPos);
        return true;
    case Sym::A: DoAnchor(); return true;
    case Sym::AEnd:
        EndLink();
        if (Section) Section->HRef(Sym::AEnd, TopFont(), CurrentUrlTarget);
        return true;
    case Sym::Text:
        EnsureSection();
        Section->AddTokenObj(TextToken, NoBreak);
        return true;
    case Sym::Table: ParseTable(); return false;
    case Sym::Input: case Sym::Select: case Sym::Textarea: AddFormControl(); return true;
    case Sym::Form:
        build.CurrentForm = MasterList->HtmlFormList.Add(std::make_unique<ThtmlForm>(MasterList, Attributes));
        return true;
    case Sym::FormEnd: build.CurrentForm = nullptr; return true;
    case Sym::Font: case Sym::Basefont:
        if (DoFont()) ChangeFont();
        return true;
    case Sym::Big: case Sym::Small: DoSizeStep(); return true;
    case Sym::Map: return ReadMap();
    case Sym::Script:
        ReadScript(&OnScript);
        return true;
    case Sym::Nobr: case Sym::NobrEnd:
        NoBreak = Sy == Sym::Nobr;
        if (Section) Section->AddTokenObj(TextToken, NoBreak);
        return true;
    case Sym::Wbr:
        if (NoBreak && Section) Section->AddBreakChar(' ', TagPos, false);
        return true;
    default: return true;  // the end of TEXTAREA alone, and anything the handler does not know
    }
}

bool ThlParser::ApplyStyle() {
    TFontStyles style = 0;
    bool on = true;
    switch (Sy) {
    case Sym::B: case Sym::Strong: style = fsBold; break;
    case Sym::BEnd: case Sym::StrongEnd: style = fsBold; on = false; break;
    case Sym::I: case Sym::Em: case Sym::Cite: case Sym::Var: style = fsItalic; break;
    case Sym::IEnd: case Sym::EmEnd: case Sym::CiteEnd: case Sym::VarEnd: style = fsItalic; on = false; break;
    case Sym::U: style = fsUnderline; break;
    case Sym::UEnd: style = fsUnderline; on = false; break;
    case Sym::S: case Sym::Strike: style = fsStrikeOut; break;
    case Sym::SEnd: case Sym::StrikeEnd: style = fsStrikeOut; on = false; break;
    default: return false;
    }
    TFontStyles& extra = MasterList->Build.ExtraStyle;
    extra = on ? static_cast<TFontStyles>(extra | style) : static_cast<TFontStyles>(extra & ~style);
    ChangeFont();
    return true;
}

void ThlParser::DoParagraph() {
    AppendSection();
    if (!ParagraphSpace) SectionList->Add(std::make_unique<TParagraphSpace>(MasterList));
    SkipWhiteSpace();
    TJustify j = Sy == Sym::P ? ParseAlign(Attributes, Justify) : Justify;
    ParagraphSpace = true;
    NextToken();
    // A run of P tags makes one gap; the last ALIGN counts.
    while (Sy == Sym::P || Sy == Sym::PEnd) {
        if (Sy == Sym::P) j = ParseAlign(Attributes, Justify);
        SkipWhiteSpace();
        NextToken();
    }
    NewSection(j);
}

void ThlParser::DoHeading() {
    if (Sy == Sym::H) {
        if (Fonts.size() >= MaxFontDepth) return;  // its text joins the paragraph
        const int level = HeadingLevel;
        AppendSection();
        PushFont();
        TMyFont& f = TopFont();
        f.SetNormalSize(level >= 1 ? HeadingSizes[static_cast<std::size_t>(level - 1)] : 12, MasterList->FontSize);
        f.Font.bold = level >= 1;
        SectionList->Add(std::make_unique<THeadingSpace>(MasterList, level));
        NewSection(ParseAlign(Attributes, Justify));
        return;
    }
    if (Fonts.size() <= 1) return;
    AppendSection();
    SectionList->Add(std::make_unique<THeadingSpace>(MasterList, HeadingLevel));
    PopFont();
}

void ThlParser::DoAnchor() {
    for (const auto& a : Attributes) {
        if (a->AttrSymbol == AttrSym::Href) {
            EndLink();
            if (a->Name.empty()) continue;
            CurrentUrlTarget.Assign(a->Name, AttributeText(Attributes, AttrSym::Target));
            InLink = true;
            LinkFontPushed = PushFont();
            if (LinkFontPushed) {
                TMyFont& f = TopFont();
                f.Font.underline = f.Font.underline || MasterList->UnLine;
                f.Font.color = MasterList->HotSpotColor;
            }
            if (Section) Section->HRef(Sym::A, TopFont(), CurrentUrlTarget);
        } else if (a->AttrSymbol == AttrSym::Name && !a->Name.empty()) {
            EnsureSection();
            std::string name = UpperCase(a->Name);
            if (name.front() == '#') name.erase(0, 1);
            Anchors->emplace(std::move(name), Section.get());
        }
    }
}

bool ThlParser::DoFont() {
    const bool isFont = Sy == Sym::Font;
    int size = 0;
    gfx::Color color = 0;
    bool hasColor = false;
    std::string face;
    for (const auto& a : Attributes) {
        if (a->AttrSymbol == AttrSym::Size) {
            const bool relative = a->Name.size() > 1 && (a->Name[0] == '+' || a->Name[0] == '-');
            size = std::clamp(relative ? BaseFontSize + a->Value : a->Value, 1, 7);
            if (!isFont) BaseFontSize = size;
        } else if (isFont && a->AttrSymbol == AttrSym::Color) {
            hasColor = ColorAttribute(*a, color) || hasColor;
        } else if (isFont && a->AttrSymbol == AttrSym::Face && !a->Name.empty()) {
            face = Trim(a->Name.substr(0, a->Name.find(','))).substr(0, 50);
        }
    }
    // BASEFONT takes a font of its own only before any content.
    const bool push = isFont || (SectionList == MasterList && MasterList->Count() == 0);
    if (!push || !PushFont()) return false;
    TMyFont& f = TopFont();
    if (hasColor) f.Font.color = color;
    if (size) {
        const auto& sizes = InPre ? FixedSizes : ProportionalSizes;
        f.SetNormalSize(sizes[static_cast<std::size_t>(size - 1)], MasterList->FontSize);
    }
    if (!face.empty()) f.Font.family = face;
    return hasColor || size || !face.empty();
}

void ThlParser::DoSizeStep() {
    // A size set otherwise than through the table stays as it is.
    const auto at = std::find(ProportionalSizes.begin(), ProportionalSizes.end(), TopFont().NormalSize);
    const int index = at == ProportionalSizes.end() ? 0 : static_cast<int>(at - ProportionalSizes.begin()) + 1;
    int next = index;
    if (Sy == Sym::Big && index >= 1 && index <= 6) ++next;
    if (Sy == Sym::Small && index >= 2) --next;
    if (!PushFont()) return;
    if (next == index) return;
    TopFont().SetNormalSize(ProportionalSizes[static_cast<std::size_t>(next - 1)], MasterList->FontSize);
    ChangeFont();
}

// ---- Lists ------------------------------------------------------------------------------------

void ThlParser::SkipListEnd() {
    if (ListEnds.contains(Sy)) NextToken();
}

void ThlParser::ParseList(Sym kind, int level, const SymSet& terminators) {
    if (Nesting >= MaxNesting) {
        NextToken();
        return;
    }
    const NestingScope scope(Nesting);
    int number = 1;
    char style = '1';
    bool plain = false;
    if (kind == Sym::Ol) {
        if (const TAttribute* start = Attributes.Find(AttrSym::Start); start && start->Value >= 0) number = start->Value;
        if (const TAttribute* type = Attributes.Find(AttrSym::Type); type && !type->Name.empty()) style = type->Name[0];
    } else if (kind == Sym::Ul) {
        plain = Attributes.Find(AttrSym::Plain) != nullptr;
    }
    const int savedLevel = Level;
    Level = level;
    AppendSection();
    NextToken();
    while (Sy != Sym::Eof && !ListEnds.contains(Sy)) {
        if (terminators.contains(Sy)) {
            Level = savedLevel;
            return;
        }
        switch (Sy) {
        case Sym::Li:
            AppendSection();
            if (kind == Sym::Ol)
                Section = std::make_unique<TOListItem>(MasterList, level, number++, style, CurrentUrlTarget, TopFont());
            else
                Section = std::make_unique<TUListItem>(MasterList, level, CurrentUrlTarget, TopFont(), plain);
            SkipWhiteSpace();
            NextToken();
            if (Sy == Sym::P) NextToken();
            break;
        case Sym::Dd: case Sym::Dt:
            AppendSection();
            Section = std::make_unique<TDListItem>(MasterList, Sy == Sym::Dd ? level : level - 1, CurrentUrlTarget,
                                                   TopFont());
            NextToken();
            break;
        case Sym::Ol: case Sym::Ul: case Sym::Dir: case Sym::Menu: case Sym::Dl: case Sym::Blockquote:
            if (Sy == Sym::Blockquote) AppendSection();
            ParseList(Sy, level + 1, terminators);
            SkipListEnd();
            break;
        case Sym::Hr:
            AppendSection();
            SectionList->Add(std::make_unique<THorzLine>(MasterList, Attributes));
            NextToken();
            break;
        // A division inside a list also ends at the list's end tag.
        case Sym::Center: case Sym::Div: DoDivision(level, terminators + ListEnds); break;
        case Sym::Table:
            if (Section) Section->BreakLine(TagPos);
            ParseTable();
            break;
        default:
            if (InlineTokens.contains(Sy))
                ParseInline();
            else
                NextToken();
            break;
        }
    }
    AppendSection();
    Level = savedLevel;
}

// ---- Preformatted and plain text -----------------------------------------------------------

void ThlParser::ParsePre() {
    AppendSection();
    const std::size_t depth = Fonts.size();
    if (PushFont()) {
        TMyFont& f = TopFont();
        f.Font.family = MasterList->PreFontName;
        f.SetNormalSize(FixedPoints, MasterList->FontSize);
        f.Fixed = true;
    }
    const std::size_t blockDepth = Fonts.size();
    auto newLine = [this] {
        AppendSection();
        Section = std::make_unique<TPreFormated>(MasterList, CurrentUrlTarget, TopFont(), Level);
    };
    TokenObj scratch;
    auto flush = [&] {
        if (scratch.Length() == 0) return;
        Section->AddTokenObj(scratch, false);
        scratch.Clear();
    };
    newLine();
    InPre = true;
    bool done = false;
    while (!done) {
        if (Ch == EofChar) {
            Sy = Sym::Eof;
            break;
        }
        if (Ch == '\r') {
            flush();
            newLine();
            ReadChar();
        } else if (Ch == '&') {
            NextToken();
            scratch.AddString(TextToken);
        } else if (Ch == '<') {
            NextToken();
            switch (Sy) {
            case Sym::P: case Sym::PEnd: case Sym::Br:
                flush();
                newLine();
                if (Ch == '\r') ReadChar();
                break;
            case Sym::PreEnd: case Sym::TdEnd: case Sym::ThEnd: case Sym::Eof: done = true; break;
            case Sym::Text: scratch.AddString(TextToken); break;  // a "<" that opens no tag
            case Sym::Font: case Sym::Basefont:
                flush();
                if (DoFont()) ChangeFont();
                break;
            case Sym::FontEnd:
                flush();
                if (Fonts.size() > blockDepth) PopFont();
                ChangeFont();
                break;
            case Sym::Img: case Sym::A: case Sym::AEnd: case Sym::Input: case Sym::Select: case Sym::Textarea:
            case Sym::Form: case Sym::FormEnd: case Sym::Map: case Sym::Script:
                flush();
                DoInline();
                break;
            default:
                flush();
                ApplyStyle();  // other tags are dropped
                break;
            }
        } else {
            scratch.AddChar(Ch, PosCount);
            ReadChar();
            if (scratch.Length() > 200) flush();
        }
    }
    flush();
    AppendSection();
    InPre = false;
    PopFontsTo(depth);
    // The end of a cell stays for the table to read.
    if (Sy != Sym::TdEnd && Sy != Sym::ThEnd) NextToken();
}

void ThlParser::ParsePlainText() {
    if (PushFont()) {
        TMyFont& f = TopFont();
        f.Font.family = MasterList->PreFontName;
        f.SetNormalSize(FixedPoints, MasterList->FontSize);
        f.Fixed = true;
    }
    auto newLine = [this] {
        AppendSection();
        Section = std::make_unique<TPreFormated>(MasterList, CurrentUrlTarget, TopFont(), 0);
    };
    newLine();
    InPre = true;
    for (NextPlainTextToken(); Sy != Sym::Eof; NextPlainTextToken()) {
        if (Sy == Sym::Text)
            Section->AddTokenObj(TextToken, false);
        else if (Sy == Sym::Eol)
            newLine();
    }
}
