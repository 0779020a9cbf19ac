// Building a paragraph: text with its source positions, font runs, links,
// images and form controls, in the order the document builder reads them.
#include <algorithm>

#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlSections.h"
#include "model/TextConv.h"
#include "platform/gfx/Arith.h"

bool ColorAttribute(const TAttribute& attribute, gfx::Color& color) {
    uint32_t c = 0;
    if (!ThlParser::ParseColor(attribute.Name, c)) return false;
    color = PaletteRelative(c);
    return true;
}

TSection::TSection(TSectionList* document, TJustify justify, const TUrlTarget& urlTarget, const TMyFont& font,
                   int listLevel)
    : TSectionBase(document), ListLevel(listLevel), BaseFont(font), Justify(justify) {
    Indent = ListLevel * document->Build.ListIndent;
    TMyFont first = font;
    AddStyles(first.Font, document->Build.ExtraStyle);
    TFontObj* run = Fonts.Add(std::make_unique<TFontObj>(this, first, 0));
    document->Build.SubSup = 0;
    if (!urlTarget.Url.empty()) {
        run->UrlTarget = urlTarget;
        document->LinkList.push_back(run);
    }
}

TSection::~TSection() = default;

void TSection::Append(std::string_view chars, const int32_t* positions) {
    const std::size_t needed = Buff.size() + chars.size();
    if (needed > Buff.capacity()) {
        Buff.reserve(needed + BufferStep);
        SourceIndex.reserve(needed + BufferStep);
    }
    Buff.append(chars);
    SourceIndex.insert(SourceIndex.end(), positions, positions + chars.size());
}

void TSection::AddTokenObj(const TokenObj& token, bool noBreak) {
    if (token.S.empty()) return;
    std::string s = token.S;
    std::vector<int32_t> pos = token.I;
    pos.resize(s.size(), pos.empty() ? 0 : pos.back());
    auto dropFirst = [&] {
        s.erase(0, 1);
        pos.erase(pos.begin());
    };
    if (noBreak) {
        const char last = Buff.empty() ? CollapsingSpace : Buff.back();
        if ((last == CollapsingSpace || last == ' ' || last == NonBreakingSpace) && s[0] == CollapsingSpace) {
            dropFirst();
            if (s.empty()) return;
        }
        // The collapsing spaces inside the token: none after a space, one of
        // a pair, none before a space; what remains does not break.
        auto keepIf = [&](auto keep) {
            std::string ns;
            std::vector<int32_t> np;
            for (std::size_t i = 0; i < s.size(); ++i)
                if (s[i] != CollapsingSpace || keep(i, ns)) {
                    ns.push_back(s[i]);
                    np.push_back(pos[i]);
                }
            s = std::move(ns);
            pos = std::move(np);
        };
        keepIf([&](std::size_t i, const std::string&) { return i == 0 || s[i - 1] != ' '; });
        keepIf([&](std::size_t, const std::string& kept) { return kept.empty() || kept.back() != CollapsingSpace; });
        keepIf([&](std::size_t i, const std::string&) { return i + 1 >= s.size() || s[i + 1] != ' '; });
        std::replace(s.begin(), s.end(), CollapsingSpace, NonBreakingSpace);
        if (s.empty()) return;
    } else if ((Buff.empty() || Buff.back() == ' ') && s[0] == ' ') {
        dropFirst();
        if (s.empty()) return;
    }
    // Nothing but floating images so far: the text starts without a space.
    if (!Buff.empty() && (s[0] == ' ' || s[0] == NonBreakingSpace)) {
        bool onlyFloats = true;
        for (std::size_t i = 0; i < Buff.size() && onlyFloats; ++i) {
            const TImageObj* image =
                Buff[i] == ImageCode || Buff[i] == NoBreakImageCode ? ImageAt(static_cast<int>(i)) : nullptr;
            onlyFloats = image && image->IsFloat();
        }
        if (onlyFloats) {
            dropFirst();
            if (s.empty()) return;
        }
    }
    Append(s, pos.data());
}

void TSection::ChangeFont(const TMyFont& font) {
    TBuildState& build = OwnerDocument->Build;
    TMyFont f = font;
    AddStyles(f.Font, build.ExtraStyle);
    if (build.SubSup == 1 || build.SubSup == 2) {
        f.Font.size = std::max(1, gfx::mulDiv(f.Font.size, 3, 4));
        f.NormalSize = gfx::mulDiv(f.NormalSize, 3, 4);
    }
    TFontObj* last = Fonts.Count() ? Fonts[Fonts.Count() - 1] : nullptr;
    const int end = static_cast<int>(Buff.size());
    if (last && last->Pos == end) {
        last->SetFont(f);
    } else {
        auto run = std::make_unique<TFontObj>(this, f, end);
        if (last) {
            run->UrlTarget = last->UrlTarget;
            if (!run->UrlTarget.Url.empty()) OwnerDocument->LinkList.push_back(run.get());
        }
        last = Fonts.Add(std::move(run));
    }
    last->SScript = build.SubSup;
}

void TSection::HRef(Sym sym, const TMyFont& font, const TUrlTarget& urlTarget) {
    ChangeFont(font);
    TFontObj* run = Fonts[Fonts.Count() - 1];
    std::vector<TFontObj*>& links = OwnerDocument->LinkList;
    if (!run->UrlTarget.Url.empty()) std::erase(links, run);
    run->UrlTarget.Clear();
    if (sym == Sym::A && !urlTarget.Url.empty()) {
        run->UrlTarget = urlTarget;
        links.push_back(run);
    }
}

TImageObj* TSection::AddImage(const TAttributeList& attributes, bool noBreak, int sourcePos) {
    auto image = std::make_unique<TImageObj>(OwnerDocument, static_cast<int>(Buff.size()), attributes);
    const TFontObj* run = Fonts.Count() ? Fonts[Fonts.Count() - 1] : nullptr;
    image->HasBorder = run && !run->UrlTarget.Url.empty() && !image->NoBorder;
    TImageObj* result = Images.Add(std::move(image));
    const char code = noBreak ? NoBreakImageCode : ImageCode;
    Append(std::string_view(&code, 1), &sourcePos);
    return result;
}

TFormControlObj* TSection::AddFormControl(Sym which, const TAttributeList& attributes, bool noBreak,
                                          int sourcePos) {
    TSectionList* doc = OwnerDocument;
    ThtmlForm* form = doc->Build.CurrentForm;
    if (!form) {
        form = doc->HtmlFormList.Add(std::make_unique<ThtmlForm>(doc, TAttributeList{}));
        doc->Build.CurrentForm = form;
    }
    TFormControlObj* control = form->Add(CreateFormControl(which, doc, form, attributes));
    doc->FormControlList.push_back(control);
    if (auto* imageControl = dynamic_cast<TImageFormControlObj*>(control)) {
        TImageObj* image = AddImage(attributes, noBreak, sourcePos);
        image->MyFormControl = control;
        imageControl->MyImage = image;
        return control;
    }
    if (dynamic_cast<THiddenFormControlObj*>(control)) return control;
    control->Pos = static_cast<int>(Buff.size());
    FormControls.push_back(control);
    const char code = noBreak ? NoBreakControlCode : ControlCode;
    Append(std::string_view(&code, 1), &sourcePos);
    return control;
}

void TSection::AddBreakChar(char code, int sourcePos, bool noBreak) {
    TokenObj token;
    token.AddChar(code, sourcePos);
    AddTokenObj(token, noBreak);
}

TJustify TSection::BreakLine(int sourcePos) {
    if (Buff.empty()) Append(" ", &sourcePos);
    return Justify;
}

void TSection::ParseClear(const TAttributeList& attributes) {
    if (const TAttribute* clear = attributes.Find(AttrSym::Clear))
        ClearSide = static_cast<uint8_t>(ThlParser::ParseClearValue(LowerCase(clear->Name)));
}

void TSection::Finish() {
    Len = static_cast<int>(Buff.size());
    SourceRuns.clear();
    for (std::size_t i = 0; i < SourceIndex.size(); ++i)
        if (i == 0 || SourceIndex[i] != SourceIndex[i - 1] + 1)
            SourceRuns.emplace_back(static_cast<int>(i), SourceIndex[i]);
    SourceIndex.clear();
    SourceIndex.shrink_to_fit();
}

TImageObj* TSection::ImageAt(int pos) const {
    // Images are in buffer order.
    auto it = std::lower_bound(Images.begin(), Images.end(), pos,
                               [](const auto& image, int p) { return image->Pos < p; });
    return it != Images.end() && (*it)->Pos == pos ? it->get() : nullptr;
}

TFormControlObj* TSection::ControlAt(int pos) const {
    auto it = std::lower_bound(FormControls.begin(), FormControls.end(), pos,
                               [](const TFormControlObj* c, int p) { return c->Pos < p; });
    return it != FormControls.end() && (*it)->Pos == pos ? *it : nullptr;
}
