// Line layout of a paragraph: measuring, fitting characters into the room
// of a line, breaking lines, floats and the heights of lines with images and
// form controls, and the width bounds tables ask for.
#include <algorithm>

#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlSections.h"

namespace {

bool IsImageCode(char c) { return c == ImageCode || c == NoBreakImageCode; }
bool IsControlCode(char c) { return c == ControlCode || c == NoBreakControlCode; }
// Where a line may break: after a space, an image or a form control that is
// not inside a no-break run.
bool IsBreakChar(char c) { return c == ' ' || c == ImageCode || c == ControlCode; }

}  // namespace

// What one layout of a paragraph carries from line to line.
struct TSection::LayoutState {
    gfx::Canvas& Canvas;
    IndentManager& Indents;
    // The top of the line being made.
    int Y = 0;
    // The height of a float placed at the start of the line.
    int StartFloatHeight = 0;
    // The floats already placed in this layout.
    std::vector<const TImageObj*> Placed;
};

void TSection::MeasureFonts(gfx::Canvas& canvas) {
    for (const auto& font : Fonts) font->UpdateMetrics(canvas, OwnerDocument->Fonts);
}

int TSection::LineRoom(const IndentManager& indents, int y) const { return indents.RightSide(y) - indents.LeftIndent(y); }

int TSection::TextWidth(int start, int n, bool ignoreTrailingSpaces) {
    const int length = static_cast<int>(Buff.size());
    start = std::clamp(start, 0, length);
    n = std::clamp(n, 0, length - start);
    if (ignoreTrailingSpaces)
        while (n > 1 && Buff[static_cast<std::size_t>(start + n - 1)] == ' ') --n;
    int width = 0;
    int i = start;
    const int end = start + n;
    while (i < end) {
        const char c = Buff[static_cast<std::size_t>(i)];
        if (IsImageCode(c)) {
            if (const TImageObj* image = ImageAt(i); image && !image->IsFloat())
                width = AddWidths(width, image->ImageWidth + 2 * image->HSpace);
            ++i;
        } else if (IsControlCode(c)) {
            if (const TFormControlObj* control = ControlAt(i)) width = AddWidths(width, control->Width());
            ++i;
        } else {
            const TFontObj* font = Fonts.GetFontAt(i);
            int stop = std::min(end, Fonts.NextFontChange(i, length));
            int j = i;
            while (j < stop && !IsObjectCode(Buff[static_cast<std::size_t>(j)])) ++j;
            if (font)
                width = AddWidths(width, font->TextWidth(std::string_view(Buff).substr(static_cast<std::size_t>(i), j - i)));
            i = j;
        }
    }
    return width;
}

int TSection::FitChars(int start, int maxWidth) {
    return FitCharsImpl(start, static_cast<int>(Buff.size()), maxWidth, nullptr, true);
}

int TSection::FitCharsImpl(int start, int limit, int maxWidth, LayoutState* layout, bool atLeastOne) {
    limit = std::min(limit, static_cast<int>(Buff.size()));
    int used = 0;
    int i = start;
    bool lineEmpty = true;  // nothing but floats so far
    while (i < limit) {
        const char c = Buff[static_cast<std::size_t>(i)];
        if (IsImageCode(c)) {
            TImageObj* image = ImageAt(i);
            if (image && image->IsFloat()) {
                // A float at the start of the line is placed now and its room
                // taken from the line; later ones wait for the line's end.
                if (layout && lineEmpty) {
                    if (std::find(layout->Placed.begin(), layout->Placed.end(), image) == layout->Placed.end())
                        PlaceFloat(*layout, *image, layout->Y);
                    used = AddWidths(used, image->ImageWidth + image->HSpace);
                    layout->StartFloatHeight =
                        std::max(layout->StartFloatHeight, image->ImageHeight + 2 * image->VSpace);
                }
                ++i;
                continue;
            }
            if (image) used = AddWidths(used, image->ImageWidth + 2 * image->HSpace);
            lineEmpty = false;
            if (used > maxWidth) break;
            ++i;
            continue;
        }
        if (IsControlCode(c)) {
            if (const TFormControlObj* control = ControlAt(i)) used = AddWidths(used, control->Width());
            lineEmpty = false;
            if (used > maxWidth) break;
            ++i;
            continue;
        }
        // A stretch of text up to the next font change or object.
        const TFontObj* font = Fonts.GetFontAt(i);
        int stop = std::min(limit, Fonts.NextFontChange(i, limit));
        int j = i;
        while (j < stop && !IsObjectCode(Buff[static_cast<std::size_t>(j)])) {
            const int w = font ? font->CharWidth(static_cast<uint8_t>(Buff[static_cast<std::size_t>(j)])) : 0;
            if (used + w - (font ? font->Overhang : 0) > maxWidth) break;
            used += w;
            ++j;
        }
        if (j > i) lineEmpty = false;
        const bool whole = j == stop || IsObjectCode(Buff[static_cast<std::size_t>(j)]);
        i = j;
        if (!whole) break;
    }
    int count = i - start;
    if (atLeastOne) count = std::max(count, std::min(1, limit - start));
    return count;
}

void TSection::PlaceFloat(LayoutState& state, TImageObj& image, int y) {
    const int height = image.ImageHeight + 2 * image.VSpace;
    if (image.ObjAlign == ALeft)
        image.Indent = state.Indents.AddLeftFloat(y, height, image.ImageWidth, image.HSpace);
    else
        image.Indent = state.Indents.AddRightFloat(y, height, image.ImageWidth, image.HSpace);
    image.FloatY = y + image.VSpace;
    state.Placed.push_back(&image);
}

void TSection::FinishLine(LayoutState& state, LineRec& line) {
    const int end = line.Start + line.CharCount;
    // The tallest font that shows text on the line.
    int height = 0, descent = 0;
    for (int i = line.Start; i < end;) {
        if (IsObjectCode(Buff[static_cast<std::size_t>(i)])) {
            ++i;
            continue;
        }
        const TFontObj* font = Fonts.GetFontAt(i);
        if (font) {
            height = std::max(height, font->FontHeight);
            descent = std::max(descent, font->Descent);
        }
        i = std::min(end, Fonts.NextFontChange(i, end));
    }
    line.LineHeight = height;
    line.Descent = descent;
    std::vector<TImageObj*> deferred;
    for (int i = line.Start; i < end; ++i) {
        const char c = Buff[static_cast<std::size_t>(i)];
        if (IsImageCode(c)) {
            TImageObj* image = ImageAt(i);
            if (!image) continue;
            if (image->IsFloat()) {
                if (std::find(state.Placed.begin(), state.Placed.end(), image) == state.Placed.end())
                    deferred.push_back(image);
                continue;
            }
            const int h = image->ImageHeight - height;
            switch (image->ObjAlign) {
            case ATop: line.SpaceAfter = std::max(line.SpaceAfter, h); break;
            case AMiddle:
                line.SpaceAfter = std::max(line.SpaceAfter, h / 2);
                line.SpaceBefore = std::max(line.SpaceBefore, h - h / 2);
                break;
            default: line.SpaceBefore = std::max(line.SpaceBefore, image->ImageHeight + descent - height); break;
            }
        } else if (IsControlCode(c)) {
            TFormControlObj* control = ControlAt(i);
            if (!control) continue;
            const int above = control->BaseLine ? control->Height() - (height - descent) : control->Height() - height;
            line.SpaceBefore = std::max(line.SpaceBefore, above);
            control->YValue = state.Y;
        }
    }
    const int left = state.Indents.LeftIndent(state.Y);
    const int right = state.Indents.RightSide(state.Y);
    const int textWidth = TextWidth(line.Start, line.CharCount, true);
    switch (Justify) {
    case Centered: line.LineIndent = std::max(left, (left + right - textWidth) / 2); break;
    case RightJustify: line.LineIndent = right - textWidth - 1; break;
    default: line.LineIndent = left; break;
    }
    if (Lines.empty()) FirstLineLeft = left;
    const int sum = line.Height();
    SectionHeight = AddHeights(SectionHeight, sum);
    state.Y = AddHeights(state.Y, sum);
    line.DrawHeight = std::max(sum, state.StartFloatHeight);
    for (TImageObj* image : deferred) {
        PlaceFloat(state, *image, state.Y);
        line.DrawHeight = std::max(line.DrawHeight, sum + image->ImageHeight + 2 * image->VSpace);
    }
    Lines.push_back(line);
}

int TSection::LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) {
    YPosition = y;
    FirstPosition = curs;
    Lines.clear();
    SectionHeight = 0;
    indents.SetLevel(y, ListLevel, Indent == 15 ? 15 : IndentManager::ListIndent, Indent == 15);
    MeasureFonts(canvas);
    const int length = static_cast<int>(Buff.size());
    if (length == 0) {
        SectionHeight = indents.ClearSpace(y, ClearSide);
        DrawHeight = SectionHeight;
        maxWidth = 0;
        return SectionHeight;
    }
    maxWidth = indents.Width();
    const int available = indents.RightSide(y) - indents.LeftIndent(y);
    for (const auto& image : Images) {
        image->SetSize(canvas, available);
        maxWidth = std::max(maxWidth, image->ImageWidth + Indent);
    }
    for (const TFormControlObj* control : FormControls) maxWidth = std::max(maxWidth, control->Width() + Indent);

    LayoutState state{canvas, indents, y, 0, {}};
    if (ClearSide) {
        const int clear = indents.ClearSpace(y, ClearSide);
        if (clear > 0) {
            LineRec empty;
            empty.LineHeight = clear;
            empty.DrawHeight = clear;
            empty.LineIndent = indents.LeftIndent(y);
            Lines.push_back(empty);
            SectionHeight = AddHeights(SectionHeight, clear);
            state.Y = AddHeights(state.Y, clear);
        }
    }
    auto at = [this](int i) { return Buff[static_cast<std::size_t>(i)]; };
    int pos = 0;
    while (pos < length) {
        state.StartFloatHeight = 0;
        const int room = LineRoom(indents, state.Y);
        const int n = FitCharsImpl(pos, length, room, &state, true);
        int end = pos + n;
        if (end < length) {
            if (at(end - 1) == ' ' || at(end) == ' ') {
                // The line ends at a space (or a word that fits to the last
                // pixel): it takes the spaces that follow.
                while (end < length && at(end) == ' ') ++end;
            } else if (at(end) == ControlCode || at(end) == ImageCode) {
                // The line ends before the object.
            } else {
                int k = end - 1;
                while (k >= pos && !IsBreakChar(at(k))) --k;
                if (k >= pos) {
                    end = k + 1;
                    while (end < length && at(end) == ' ') ++end;
                } else {
                    // One word wider than the room: the line runs past the edge.
                    while (end < length && !IsBreakChar(at(end))) ++end;
                    while (end < length && at(end) == ' ') ++end;
                    maxWidth = std::max(maxWidth, AddWidths(indents.LeftIndent(state.Y), TextWidth(pos, end - pos, true)));
                }
            }
        }
        LineRec line;
        line.Start = pos;
        line.CharCount = end - pos;
        FinishLine(state, line);
        pos = end;
    }
    curs += Len;
    if (ListLevel > 0) {
        // A float inside the item keeps the next item below it.
        int own = -1, bottom = 0;
        for (const IndentRec& r : indents.L)
            if (r.Lev == ListLevel && r.YB == IndentManager::OpenBottom) own = r.X;
        for (const IndentRec& r : indents.L)
            if (r.X > own && r.YB != IndentManager::OpenBottom) bottom = std::max(bottom, r.YB);
        SectionHeight = std::max(SectionHeight, bottom + 1 - YPosition);
    }
    DrawHeight = std::max(SectionHeight, indents.ImageBottom() - YPosition);
    return SectionHeight;
}

void TSection::WidthBounds(gfx::Canvas& canvas, int& min, int& max) {
    MeasureFonts(canvas);
    const int length = static_cast<int>(Buff.size());
    int floats = 0, widestImage = 0;
    for (const auto& image : Images) {
        if (image->PercentWidth) continue;
        image->SetSize(canvas, 0);
        if (image->IsFloat())
            floats = AddWidths(floats, image->ImageWidth + image->HSpace);
        else
            widestImage = std::max(widestImage, image->ImageWidth + 2 * image->HSpace);
    }
    // The whole text and the widest piece between break points; images with a
    // percentage width take no part.
    auto pieceWidth = [&](int from, int to) {
        int w = TextWidth(from, to - from, false);
        for (int i = from; i < to; ++i)
            if (IsImageCode(Buff[static_cast<std::size_t>(i)]))
                if (const TImageObj* image = ImageAt(i); image && image->PercentWidth && !image->IsFloat())
                    w -= image->ImageWidth + 2 * image->HSpace;
        return w;
    };
    int widest = 0;
    for (int start = 0; start < length;) {
        int stop = start;
        while (stop < length && Buff[static_cast<std::size_t>(stop)] != ' ' &&
               Buff[static_cast<std::size_t>(stop)] != ImageCode)
            ++stop;
        if (stop > start) widest = std::max(widest, pieceWidth(start, stop));
        start = stop + 1;
    }
    max = AddWidths(AddWidths(pieceWidth(0, length), floats), Indent);
    min = AddWidths(AddWidths(std::max(widest, widestImage), floats), Indent);
}
