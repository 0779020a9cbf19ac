// Painting a paragraph's lines, and what the viewer asks of them: links and
// images under the mouse, character positions and their places, find, the
// source positions of characters and copying the selection.
#include <algorithm>

#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlSections.h"

namespace {

bool IsImageCode(char c) { return c == ImageCode || c == NoBreakImageCode; }
bool IsControlCode(char c) { return c == ControlCode || c == NoBreakControlCode; }

// The upper case of a cp1252 character: ASCII, the accented letters and the
// few letters of 128-159.
uint8_t UpperCp1252(uint8_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 32);
    if (c >= 224 && c <= 254 && c != 247) return static_cast<uint8_t>(c - 32);
    switch (c) {
    case 154: return 138;  // s with caron
    case 156: return 140;  // oe
    case 158: return 142;  // z with caron
    case 255: return 159;  // y with diaeresis
    default: return c;
    }
}

uint8_t LowerCp1252(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c + 32);
    if (c >= 192 && c <= 222 && c != 215) return static_cast<uint8_t>(c + 32);
    switch (c) {
    case 138: return 154;
    case 140: return 156;
    case 142: return 158;
    case 159: return 255;
    default: return c;
    }
}

}  // namespace

// ---- Painting ---------------------------------------------------------------------

void TSection::DrawMarker(gfx::Canvas&, int, int, const LineRec&) {}

int TSection::Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int, IndentManager& indents) {
    YPosition = y;
    const int scroll = OwnerDocument->ScrollY;
    const int screenTop = y - scroll;
    if (!Buff.empty() && screenTop < rect.bottom && screenTop + DrawHeight > rect.top) {
        canvas.setTextAlign(gfx::TextAlign::Baseline);
        int top = y;
        for (int i = 0; i < static_cast<int>(Lines.size()); ++i) {
            const LineRec& line = Lines[static_cast<std::size_t>(i)];
            const int lineTop = top - scroll;
            if (lineTop < rect.bottom && lineTop + std::max(line.Height(), line.DrawHeight) > rect.top)
                DrawLine(canvas, rect, i, top, indents.LfEdge);
            top = AddHeights(top, line.Height());
        }
    }
    return AddHeights(y, SectionHeight);
}

void TSection::DrawLine(gfx::Canvas& canvas, const gfx::Rect&, int lineIndex, int top, int cellX) {
    TSectionList* doc = OwnerDocument;
    const int scroll = doc->ScrollY;
    const LineRec& line = Lines[static_cast<std::size_t>(lineIndex)];
    const int lineTop = top + line.SpaceBefore;
    const int bottom = lineTop + line.LineHeight;
    const int baseline = bottom - line.Descent;
    int firstTextLine = 0;
    while (firstTextLine < static_cast<int>(Lines.size()) && Lines[static_cast<std::size_t>(firstTextLine)].CharCount == 0)
        ++firstTextLine;
    if (lineIndex == firstTextLine) DrawMarker(canvas, cellX + line.LineIndent, baseline - scroll, line);

    int x = cellX + line.LineIndent;
    const int end = line.Start + line.CharCount;
    const int length = static_cast<int>(Buff.size());
    for (int i = line.Start; i < end;) {
        const char c = Buff[static_cast<std::size_t>(i)];
        if (IsImageCode(c)) {
            TImageObj* image = ImageAt(i);
            const TFontObj* font = Fonts.GetFontAt(i);
            const gfx::Color border = font ? font->TheFont.Font.color : gfx::clBlack;
            if (image && image->IsFloat()) {
                image->Draw(canvas, cellX + image->Indent, image->FloatY - scroll, cellX, border);
            } else if (image) {
                int imageTop = baseline - image->ImageHeight;
                if (image->ObjAlign == ATop) {
                    imageTop = lineTop;
                } else if (image->ObjAlign == AMiddle) {
                    const int h = image->ImageHeight - line.LineHeight;
                    imageTop = lineTop - (h - h / 2);
                }
                image->Draw(canvas, x + image->HSpace, imageTop - scroll, cellX, border);
                x = AddWidths(x, image->ImageWidth + 2 * image->HSpace);
            }
            ++i;
        } else if (IsControlCode(c)) {
            if (TFormControlObj* control = ControlAt(i)) {
                const int controlTop = bottom - control->Height() - (control->BaseLine ? line.Descent : 0);
                if (TWindowControl* window = control->GetControl();
                    window && window->Spec.Kind == TControlKind::Radio) {
                    const TCell* cell = OwnerCell;
                    window->SetBackground(cell && cell->BkGnd ? cell->BkColor : doc->Background);
                }
                control->ShowAt(x, controlTop - scroll);
                control->ShowIt = true;
                x = AddWidths(x, control->Width());
            }
            ++i;
        } else {
            const int stop = std::min(end, Fonts.NextFontChange(i, length));
            int j = i;
            while (j < stop && !IsObjectCode(Buff[static_cast<std::size_t>(j)])) ++j;
            if (TFontObj* font = Fonts.GetFontAt(i)) {
                DrawText(canvas, x, baseline - scroll, lineTop - scroll, line, i, j - i, *font);
                x = AddWidths(x, font->TextWidth(std::string_view(Buff).substr(static_cast<std::size_t>(i), j - i)));
            }
            i = j;
        }
    }
}

void TSection::DrawText(gfx::Canvas& canvas, int x, int baseline, int top, const LineRec& line, int start, int n,
                        TFontObj& font) {
    const TSectionList* doc = OwnerDocument;
    int y = baseline;
    if (font.SScript == 1)
        y += font.Descent / 2 + 1;
    else if (font.SScript == 2)
        y -= font.FontHeight / 3;
    const std::string_view buff(Buff);
    const int a = start, b = start + n;
    const int selB = doc->SelB - FirstPosition, selE = doc->SelE - FirstPosition;
    const bool anySelection = doc->SelB < doc->SelE;
    const int cuts[4] = {a, std::clamp(selB, a, b), std::clamp(selE, a, b), b};
    int px = x;
    for (int k = 0; k < 3; ++k) {
        const int p = cuts[k], q = cuts[k + 1];
        if (q <= p) continue;
        const bool selected = anySelection && k == 1;
        const std::string_view piece = buff.substr(static_cast<std::size_t>(p), q - p);
        const int w = font.TextWidth(piece);
        gfx::FontSpec f = font.TheFont.Font;
        if (selected) {
            f.color = PaletteRelative(doc->Background);
            canvas.setBrushStyle(gfx::BrushStyle::Solid);
            canvas.setBrushColor(font.TheFont.Font.color);
        } else {
            canvas.setBrushStyle(gfx::BrushStyle::Clear);
        }
        canvas.setFont(f);
        if (IsPreformatted()) {
            canvas.textOutClipped({px, top, px + w, top + line.LineHeight}, px, y, CanvasText(piece), selected);
        } else {
            // Word by word, each where the layout measured it: a font draws a
            // run of text a little wider or narrower than the sum of its
            // characters, which would eat or double the space before the next
            // run.
            int wx = px;
            for (std::size_t s = 0; s < piece.size();) {
                const std::size_t space = piece.find(' ', s);
                const std::size_t e = space == std::string_view::npos ? piece.size() : space + 1;
                const std::string_view word = piece.substr(s, e - s);
                canvas.textOut(wx, y, CanvasText(word));
                wx = AddWidths(wx, font.TextWidth(word));
                s = e;
            }
        }
        px = AddWidths(px, w);
    }
    canvas.setBrushStyle(gfx::BrushStyle::Clear);
    const int caret = doc->CaretPos - FirstPosition;
    if (doc->ShowDummyCaret && !anySelection && caret >= a && caret < b) {
        const int cx = x + font.TextWidth(buff.substr(static_cast<std::size_t>(a), caret - a));
        canvas.fillRect({cx, y - (font.tmHeight - font.Descent), cx + 1, y + font.Descent}, font.TheFont.Font.color);
    }
}

// ---- Hit tests --------------------------------------------------------------------

int TSection::LineAtY(int y, int& top) const {
    int t = YPosition;
    for (int i = 0; i < static_cast<int>(Lines.size()); ++i) {
        const int h = Lines[static_cast<std::size_t>(i)].Height();
        if (y >= t && y < t + h) {
            top = t;
            return i;
        }
        t = AddHeights(t, h);
    }
    return -1;
}

int TSection::LineOfPosition(int pos) const {
    for (int i = 0; i < static_cast<int>(Lines.size()); ++i) {
        const LineRec& line = Lines[static_cast<std::size_t>(i)];
        if (pos >= line.Start && pos < line.Start + line.CharCount) return i;
    }
    return pos == Len && !Lines.empty() ? static_cast<int>(Lines.size()) - 1 : -1;
}

bool TSection::LinkAtPoint(gfx::Canvas&, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control) {
    TSectionList* doc = OwnerDocument;
    for (const auto& image : Images) {
        if (!image->Contains(x, y)) continue;
        doc->ActiveImage = image.get();
        const int dx = x - image->DrawX, dy = y - image->DrawY;
        if (auto* imageControl = dynamic_cast<TImageFormControlObj*>(image->MyFormControl)) {
            imageControl->XTmp = dx;
            imageControl->YTmp = dy;
            control = imageControl;
            return true;
        }
        if (image->UseMap) {
            const TMapItem* map = doc->FindMap(image->MapName);
            return map && map->LinkAtPoint(dx, dy, urlTarget);
        }
        TFontObj* font = Fonts.GetFontAt(image->Pos);
        if (!font || font->UrlTarget.Url.empty()) return false;
        urlTarget = font->UrlTarget;
        if (image->IsMap) {
            urlTarget.Url.push_back('?');
            urlTarget.Url.append(std::to_string(dx)).push_back(',');
            urlTarget.Url.append(std::to_string(dy));
        }
        doc->ActiveLink = font;
        return true;
    }
    int top = 0;
    const int index = LineAtY(y, top);
    if (index < 0) return false;
    const LineRec& line = Lines[static_cast<std::size_t>(index)];
    if (x <= line.LineIndent) return false;
    const int end = line.Start + line.CharCount;
    const int pos = line.Start + FitCharsImpl(line.Start, end, x - line.LineIndent, nullptr, false);
    if (pos >= end || IsImageCode(Buff[static_cast<std::size_t>(pos)])) return false;
    TFontObj* font = Fonts.GetFontAt(pos);
    if (!font || font->UrlTarget.Url.empty()) return false;
    urlTarget = font->UrlTarget;
    doc->ActiveLink = font;
    return true;
}

bool TSection::ObjectAtPoint(gfx::Canvas&, int x, int y, THtmlObject*& obj) {
    for (const auto& image : Images)
        if (image->Contains(x, y)) {
            obj = image.get();
            return true;
        }
    return false;
}

int TSection::PositionAtPoint(gfx::Canvas&, int x, int y, int& xr, int& yr, int& caretHt, THtmlObject*& obj,
                              bool& inText) {
    int top = 0;
    const int index = LineAtY(y, top);
    if (index < 0) return -1;
    const LineRec& line = Lines[static_cast<std::size_t>(index)];
    caretHt = line.LineHeight;
    yr = top + line.SpaceBefore;
    obj = nullptr;
    if (x < line.LineIndent) {
        xr = line.LineIndent;
        inText = false;
        return FirstPosition + line.Start;
    }
    const int end = line.Start + line.CharCount;
    int n = FitCharsImpl(line.Start, end, x - line.LineIndent, nullptr, false);
    if (line.Start + n < end) {
        const int before = TextWidth(line.Start, n, false);
        const int next = TextWidth(line.Start, n + 1, false) - before;
        if (x - line.LineIndent > before + next / 2) ++n;
    }
    xr = line.LineIndent + TextWidth(line.Start, n, false);
    inText = x < line.LineIndent + TextWidth(line.Start, line.CharCount, true);
    return FirstPosition + line.Start + n;
}

bool TSection::PointOfPosition(gfx::Canvas&, int pos, int& y, int& x) {
    const int p = pos - FirstPosition;
    if (p < 0 || p > Len) return false;
    const int index = LineOfPosition(p);
    if (index < 0) return false;
    int top = YPosition;
    for (int i = 0; i < index; ++i) top = AddHeights(top, Lines[static_cast<std::size_t>(i)].Height());
    const LineRec& line = Lines[static_cast<std::size_t>(index)];
    y = top;
    x = AddWidths(line.LineIndent, TextWidth(line.Start, p - line.Start, false));
    return true;
}

bool TSection::CharAtPosition(int pos, char& ch, THtmlObject*& obj) {
    const int p = pos - FirstPosition;
    if (p < 0 || p >= Len) return false;
    ch = Buff[static_cast<std::size_t>(p)];
    obj = this;
    return true;
}

// ---- Positions and find -------------------------------------------------------------

int TSection::SourcePosition(int docPos) {
    const int p = docPos - FirstPosition;
    if (p < 0 || p >= Len || SourceRuns.empty()) return -1;
    auto it = std::upper_bound(SourceRuns.begin(), SourceRuns.end(), p,
                               [](int v, const std::pair<int, int>& run) { return v < run.first; });
    --it;
    return p - it->first + it->second;
}

int TSection::DocumentPosition(int sourcePos, bool prev) {
    if (Len == 0 || SourceRuns.empty()) return -1;
    if (sourcePos < SourceRuns.front().second) return prev ? -1 : FirstPosition;
    const int runs = static_cast<int>(SourceRuns.size());
    for (int i = 0; i < runs; ++i) {
        const auto [buf, src] = SourceRuns[static_cast<std::size_t>(i)];
        const int length = (i + 1 < runs ? SourceRuns[static_cast<std::size_t>(i + 1)].first : Len) - buf;
        if (sourcePos >= src && sourcePos < src + length) return FirstPosition + buf + (sourcePos - src);
        if (i + 1 < runs && sourcePos >= src + length && sourcePos < SourceRuns[static_cast<std::size_t>(i + 1)].second)
            return prev ? FirstPosition + buf + length - 1 : FirstPosition + SourceRuns[static_cast<std::size_t>(i + 1)].first;
    }
    return prev ? FirstPosition + Len - 1 : -1;
}

int TSection::FindString(int from, std::string_view text, bool matchCase) {
    if (text.empty()) return -1;
    text = text.substr(0, std::min<std::size_t>(text.size(), 255));
    const int start = std::max(0, from - FirstPosition);
    if (start >= static_cast<int>(Buff.size())) return -1;
    if (matchCase) {
        const std::size_t found = Buff.find(text, static_cast<std::size_t>(start));
        return found == std::string::npos ? -1 : FirstPosition + static_cast<int>(found);
    }
    const auto first = static_cast<uint8_t>(text[0]);
    const char upper = static_cast<char>(UpperCp1252(first)), lower = static_cast<char>(LowerCp1252(first));
    for (std::size_t i = static_cast<std::size_t>(start); i + text.size() <= Buff.size(); ++i) {
        if (Buff[i] != upper && Buff[i] != lower) continue;
        bool same = true;
        for (std::size_t k = 1; k < text.size() && same; ++k)
            same = UpperCp1252(static_cast<uint8_t>(Buff[i + k])) == UpperCp1252(static_cast<uint8_t>(text[k]));
        if (same) return FirstPosition + static_cast<int>(i);
    }
    return -1;
}

// ---- Copying and fonts --------------------------------------------------------------

void TSection::CopySelection() {
    TSectionList* doc = OwnerDocument;
    const int selB = doc->SelB - FirstPosition, selE = doc->SelE - FirstPosition;
    std::string& out = doc->CopyBuffer;
    for (const LineRec& line : Lines) {
        const int ls = line.Start, le = line.Start + line.CharCount;
        if (line.CharCount == 0 || le <= selB || ls >= selE) continue;
        if (ls >= selB && line.LineIndent > 0)
            out.append(static_cast<std::size_t>(3 * (line.LineIndent / IndentManager::ListIndent)), ' ');
        for (int i = std::max(ls, selB); i < std::min(le, selE); ++i) {
            const char c = Buff[static_cast<std::size_t>(i)];
            if (IsObjectCode(c)) continue;
            out.push_back(c == NonBreakingSpace ? ' ' : c);
        }
        if (le < selE) out += "\r\n";
    }
}

void TSection::UpdateFonts() {
    for (const auto& font : Fonts) font->UpdateFont();
    BaseFont.SetNormalSize(BaseFont.NormalSize, OwnerDocument->FontSize);
}
