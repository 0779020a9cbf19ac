// The document builder's tables, form controls with their options and
// lines, image maps and script text.
#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlParser.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/HtmlTable.h"
#include "model/TextConv.h"

namespace {

// The longest text and value of an option.
constexpr std::size_t MaxOptionText = 255;
// The longest run of script or text-area text one piece holds.
constexpr std::size_t MaxScriptRun = 100;

inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

// ---- Tables -----------------------------------------------------------------------------------

void ThlParser::ParseTable() {
    if (Nesting >= MaxNesting || TableNesting >= MaxTableNesting) {
        NextToken();
        return;
    }
    ++Nesting;
    ++TableNesting;
    struct Unnest {
        int& a;
        int& b;
        ~Unnest() {
            --a;
            --b;
        }
    } unnest{Nesting, TableNesting};
    EndLink();
    TBuildState& build = MasterList->Build;
    const std::size_t depth = Fonts.size();
    const TJustify savedJustify = Justify;
    const TFontStyles savedStyle = build.ExtraStyle;
    const bool savedNoBreak = NoBreak;
    const int savedLevel = Level;
    AppendSection();
    TCell* const outer = SectionList;
    auto table = std::make_unique<ThtmlTable>(MasterList, Attributes, Justify, outer == MasterList);
    std::unique_ptr<TCellList> row;
    TJustify rowAlign = NoJustify;
    TVAlign rowVAlign = VAMiddle;
    std::unique_ptr<TCellObj> cell;
    // Closing a cell puts its paragraph into it and the cell into its row.
    auto closeCell = [&] {
        AppendSection();
        if (cell) {
            if (!row) row = std::make_unique<TCellList>();
            row->Add(std::move(cell));
        }
        SectionList = outer;
    };
    auto addRow = [&] {
        if (row) table->Rows.Add(std::move(row));
    };
    // Every cell and caption starts with the fonts and style of the table.
    auto startCell = [&] {
        EndLink();
        PopFontsTo(depth);
        build.ExtraStyle = savedStyle;
    };
    // Puts the table, complete or not, into the cell that holds it.
    auto finish = [&]() -> ThtmlTable* {
        closeCell();
        addRow();
        ThtmlTable* added = table.get();
        outer->Add(std::move(table));
        return added;
    };
    const SymSet cellEnds = {Sym::TableEnd, Sym::Td,      Sym::TdEnd, Sym::Tr,      Sym::TrEnd,
                             Sym::Th,       Sym::ThEnd, Sym::Caption, Sym::CaptionEnd};
    try {
        NextToken();
        while (Sy != Sym::TableEnd && Sy != Sym::Eof) {
            switch (Sy) {
            case Sym::Text:
                // Text between the cells shows before the table.
                SectionList = outer;
                ParseBlock(savedLevel, cellEnds);
                AppendSection();
                break;
            case Sym::Td: case Sym::Th: {
                const bool heading = Sy == Sym::Th;
                startCell();
                NoBreak = Attributes.Find(AttrSym::NoWrap) && !Attributes.Find(AttrSym::Width);
                if (!row) {
                    row = std::make_unique<TCellList>();
                    rowAlign = NoJustify;
                    rowVAlign = VAMiddle;
                } else {
                    closeCell();
                }
                Justify = rowAlign != NoJustify ? rowAlign : heading ? Centered : LeftJustify;
                build.ExtraStyle = heading ? static_cast<TFontStyles>(build.ExtraStyle | fsBold)
                                           : static_cast<TFontStyles>(build.ExtraStyle & ~fsBold);
                Justify = ParseAlign(Attributes, Justify);
                cell = std::make_unique<TCellObj>(MasterList, Attributes, ParseVAlign(Attributes, rowVAlign));
                SectionList = cell->Cell.get();
                SkipWhiteSpace();
                NextToken();
                ParagraphSpace = true;
                ParseBlock(0, cellEnds);
                break;
            }
            case Sym::TdEnd: case Sym::ThEnd:
                closeCell();
                NextToken();
                break;
            case Sym::Tr:
                EndLink();
                if (row) {
                    closeCell();
                    addRow();
                }
                row = std::make_unique<TCellList>();
                rowAlign = ParseAlign(Attributes, NoJustify);
                rowVAlign = ParseVAlign(Attributes, VAMiddle);
                if (const TAttribute* bg = Attributes.Find(AttrSym::BgColor))
                    row->BkGnd = ColorAttribute(*bg, row->BkColor);
                NextToken();
                break;
            case Sym::TrEnd:
                EndLink();
                closeCell();
                addRow();
                NextToken();
                break;
            case Sym::Caption: {
                const TAttribute* align = Attributes.Find(AttrSym::Align);
                const bool top = !align || LowerCase(align->Name) != "bottom";
                startCell();
                NoBreak = false;
                closeCell();
                table->TopCaption = top;
                // A second caption goes on in the first.
                if (!table->Caption) table->Caption = std::make_unique<TCellObj>(MasterList, TAttributeList{}, VAMiddle);
                SectionList = table->Caption->Cell.get();
                Justify = Centered;
                NextToken();
                ParseBlock(0, cellEnds);
                AppendSection();
                SectionList = outer;
                if (Sy == Sym::CaptionEnd) NextToken();
                break;
            }
            default: NextToken(); break;
            }
        }
        EndLink();
        PopFontsTo(depth);
        ThtmlTable* added = finish();
        build.ExtraStyle = savedStyle;
        NoBreak = savedNoBreak;
        Justify = savedJustify;
        Level = savedLevel;
        added->Initialize();
        NextToken();
    } catch (...) {
        // The parse stops here; what was read of the table stays in the
        // document (empty when its grid cannot be made).
        if (table) {
            ThtmlTable* added = finish();
            try {
                added->Initialize();
            } catch (const EParseError&) {
            }
        }
        throw;
    }
}

// ---- Form controls ----------------------------------------------------------------------------

void ThlParser::AddFormControl() {
    const Sym which = Sy;
    EnsureSection();
    TFormControlObj* control = Section->AddFormControl(which, Attributes, NoBreak, TagPos);
    if (which == Sym::Select)
        ReadOptions(control);
    else if (which == Sym::Textarea)
        ReadTextArea(control);
}

void ThlParser::ReadOptions(TFormControlObj* control) {
    auto* select = dynamic_cast<TSelectFormControlObj*>(control);
    const bool savedNoBreak = NoBreak;
    NoBreak = false;
    std::string text, value;
    bool selected = false, fromOption = false;
    auto addPending = [&] {
        const std::string t = Trim(text);
        if (!t.empty() && fromOption && select) select->AddOption(t, value, selected);
        text.clear();
        value.clear();
    };
    NextToken();
    while (Sy != Sym::SelectEnd && Sy != Sym::Eof) {
        if (Sy == Sym::Text) {
            text += TextToken.S;
            if (text.size() > MaxOptionText) text.resize(MaxOptionText);
        } else if (Sy == Sym::Option || Sy == Sym::OptionEnd) {
            addPending();
            fromOption = Sy == Sym::Option;
            if (fromOption) {
                selected = Attributes.Find(AttrSym::Selected) != nullptr;
                if (const TAttribute* v = Attributes.Find(AttrSym::Value)) value = v->Name.substr(0, MaxOptionText);
            }
        }
        NextToken();
    }
    addPending();
    NoBreak = savedNoBreak;
}

void ThlParser::ReadTextArea(TFormControlObj* control) {
    auto* area = dynamic_cast<TTextAreaFormControlObj*>(control);
    std::string line;
    auto addLine = [&] {
        if (area) area->AddLine(line);
        line.clear();
    };
    while (Ch != EofChar) {
        if (Ch == '\r') {
            addLine();
            ReadChar();
        } else if (Ch == '&') {
            TokenObj entity;
            ReadEntityInto(entity);
            line += entity.S;
        } else if (Ch == '<') {
            std::string word(1, '<');
            ReadChar();
            while (Ch != ' ' && Ch != '\r' && Ch != '>' && Ch != EofChar) {
                word += Ch;
                ReadChar();
            }
            if (SameText(word, "</textarea")) {
                while (Ch != '>' && Ch != EofChar) ReadChar();
                if (Ch == '>') ReadChar();
                break;
            }
            line += word;
        } else {
            for (std::size_t n = 0; n < MaxScriptRun && Ch != '\r' && Ch != '&' && Ch != '<' && Ch != EofChar; ++n) {
                line += Ch;
                ReadChar();
            }
        }
    }
    if (!line.empty()) addLine();
}

// ---- Image maps and script text -------------------------------------------------------------

bool ThlParser::ReadMap() {
    auto map = std::make_unique<TMapItem>();
    if (const TAttribute* name = Attributes.Find(AttrSym::Name)) map->MapName = UpperCase(name->Name);
    int foreign = 0;
    NextToken();
    for (;;) {
        if (Sy == Sym::MapEnd) {
            MasterList->MapList.Add(std::move(map));
            return true;
        }
        // The end of the document or a third token of another element:
        // the map is dropped and that token is left for the caller.
        if (Sy == Sym::Eof) return false;
        if (Sy == Sym::Area)
            map->AddArea(Attributes);
        else if (Sy != Sym::Text && ++foreign >= 3)
            return false;
        NextToken();
    }
}

void ThlParser::ReadScript(const TScriptHandler* handler) {
    const bool deliver = handler && *handler;
    std::string name, language;
    if (deliver) {
        if (const TAttribute* a = Attributes.Find(AttrSym::Name)) name = a->Name;
        if (const TAttribute* a = Attributes.Find(AttrSym::Language)) language = a->Name;
    }
    InScript = true;
    std::string text;
    while (Ch != EofChar) {
        if (Ch == '\r') {
            text += "\r\n";
            ReadChar();
        } else if (Ch == '<') {
            std::string word(1, '<');
            ReadChar();
            while (word.size() < 8 && (IsAsciiLetter(Ch) || Ch == '/')) {
                word += Ch;
                ReadChar();
            }
            if (Ch == '>' && (SameText(word, "</script") || SameText(word, "</style"))) {
                // Comments count again from the character after the end tag.
                InScript = false;
                ReadChar();
                break;
            }
            if (Ch == '>') {
                word += '>';
                ReadChar();
            }
            text += word;
        } else {
            for (std::size_t n = 0; n < MaxScriptRun && Ch != '\r' && Ch != '<' && Ch != EofChar; ++n) {
                text += Ch;
                ReadChar();
            }
        }
    }
    InScript = false;
    if (!deliver) return;
    text.push_back('\0');
    (*handler)(name, language, text);
}
