// A table's layout pass (sharing the width among the columns, the row
// heights, vertical alignment), its painting and its hit tests.
#include <algorithm>
#include <numeric>

#include "htmlviewer/HtmlTable.h"
#include "platform/gfx/Arith.h"

namespace {

int Sum(const std::vector<int>& v) { return std::accumulate(v.begin(), v.end(), 0); }

}  // namespace

// ---- Column widths ----------------------------------------------------------------------

void ThtmlTable::FitToWidth(int t, const std::vector<int>& mins, const std::vector<int>& maxs) {
    const auto n = static_cast<std::size_t>(NumCols);
    std::vector<int>& w = Widths;
    std::vector<bool> held(n, false);
    int freeCount = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (Percents[k] > 0) {
            w[k] = gfx::mulDiv(t, Percents[k], 1000);
            if (w[k] <= mins[k]) {
                w[k] = mins[k];
                held[k] = true;
            }
        } else {
            w[k] = mins[k];
            ++freeCount;
        }
    }
    int d = Sum(w) - t;
    if (d > 0) {
        for (int round = 0; round < 4 && d > 0; ++round) {
            int remaining = 0;
            for (std::size_t k = 0; k < n; ++k)
                if (Percents[k] > 0 && !held[k]) remaining += Percents[k];
            if (remaining == 0) break;
            const int excess = d;
            for (std::size_t k = 0; k < n; ++k) {
                if (Percents[k] == 0 || held[k]) continue;
                int take = gfx::mulDiv(excess, Percents[k], remaining);
                if (w[k] - take < mins[k]) {
                    take = w[k] - mins[k];
                    held[k] = true;
                }
                w[k] -= take;
                d -= take;
            }
        }
        for (std::size_t k = 0; k < n && d > 0; ++k) {
            if (Percents[k] == 0 || held[k]) continue;
            const int take = std::min(d, w[k] - mins[k]);
            w[k] -= take;
            d -= take;
        }
    } else if (d < 0) {
        if (freeCount == 0) {
            const int total = Sum(Percents);
            if (total > 0)
                for (std::size_t k = 0; k < n; ++k) w[k] += gfx::mulDiv(-d, Percents[k], total);
        } else {
            int range = 0;
            for (std::size_t k = 0; k < n; ++k)
                if (Percents[k] == 0) range += maxs[k] - mins[k];
            for (std::size_t k = 0; k < n; ++k) {
                if (Percents[k] != 0) continue;
                if (range > 0 && range >= -d / 2)
                    w[k] += gfx::mulDiv(-d, maxs[k] - mins[k], range);
                else
                    w[k] += -d / freeCount;
            }
        }
    }
    // What rounding left over: a shortfall to the first column, an excess
    // from the first column that can give it.
    d = Sum(w) - t;
    if (d < 0 && n > 0) {
        w[0] -= d;
    } else if (d > 0) {
        for (std::size_t k = 0; k < n; ++k)
            if (!held[k] && w[k] > mins[k]) {
                w[k] -= d;
                break;
            }
    }
}

void ThtmlTable::ShareWidth(gfx::Canvas& canvas, int available) {
    int t = WidthIsPercent ? gfx::mulDiv(available, GivenWidth, 1000) : GivenWidth > 0 ? GivenWidth : available;
    t -= CellSpacing;
    const auto n = static_cast<std::size_t>(NumCols);
    Widths.assign(n, 0);
    std::vector<int> mins, maxs;
    auto between = [&](int totalMin, int totalMax) {
        for (std::size_t k = 0; k < n; ++k)
            Widths[k] = mins[k] + gfx::mulDiv(maxs[k] - mins[k], t - totalMin, totalMax - totalMin);
    };
    if (HasFixedCells && GivenWidth == 0) {
        GetMinMaxAbs(canvas, mins, maxs);
        const int totalMin = Sum(mins), totalMax = Sum(maxs);
        if (t >= totalMax)
            Widths = maxs;
        else if (t <= totalMin)
            Widths = mins;
        else
            between(totalMin, totalMax);
        return;
    }
    GetMinMaxPercent(canvas, t, mins, maxs);
    int totalMin = Sum(mins), totalMax = Sum(maxs);
    if (totalMin >= t) {
        Widths = mins;
        return;
    }
    if (GivenWidth > 0) {
        FitToWidth(t, mins, maxs);
        return;
    }
    std::vector<int>& pct = Percents;
    const int sum = Sum(pct);
    if (sum > 0 && sum <= 1000) {
        int freeMax = 0;
        for (std::size_t k = 0; k < n; ++k)
            if (pct[k] == 0) freeMax += maxs[k];
        int want = sum < 1000 ? gfx::mulDiv(freeMax, 1000, 1000 - sum) : freeMax > 0 ? 30000 : 0;
        for (std::size_t k = 0; k < n; ++k)
            if (pct[k] > 0) want = std::max(want, gfx::mulDiv(maxs[k], 1000, pct[k]));
        if (want <= t) {
            const int freeRoom = gfx::mulDiv(want, 1000 - sum, 1000);
            for (std::size_t k = 0; k < n; ++k)
                Widths[k] = pct[k] > 0    ? gfx::mulDiv(want, pct[k], 1000)
                            : freeMax > 0 ? gfx::mulDiv(maxs[k], freeRoom, freeMax)
                                          : 0;
            return;
        }
        // Percentages that cannot hold their columns' minima are dropped;
        // the rest are scaled until they fit beside the free columns.
        for (int round = 0; round < 100; ++round) {
            bool anyPercent = false;
            for (std::size_t k = 0; k < n; ++k) {
                if (pct[k] > 0 && gfx::mulDiv(t, pct[k], 1000) - 1 < mins[k]) pct[k] = 0;
                anyPercent = anyPercent || pct[k] > 0;
            }
            if (!anyPercent) break;
            int percentWidths = 0, freeMins = 0;
            for (std::size_t k = 0; k < n; ++k) {
                if (pct[k] > 0)
                    percentWidths += gfx::mulDiv(t, pct[k], 1000);
                else
                    freeMins += mins[k];
            }
            if (percentWidths + freeMins > t && percentWidths > 0) {
                for (std::size_t k = 0; k < n; ++k)
                    if (pct[k] > 0) pct[k] = std::max(0, gfx::mulDiv(pct[k], t - freeMins, percentWidths));
                continue;
            }
            for (std::size_t k = 0; k < n; ++k)
                if (pct[k] > 0) mins[k] = maxs[k] = gfx::mulDiv(t, pct[k], 1000);
            totalMin = Sum(mins);
            totalMax = Sum(maxs);
            break;
        }
    }
    if (t < totalMax && totalMax > totalMin)
        between(totalMin, totalMax);
    else
        Widths = maxs;
}

// ---- Layout -----------------------------------------------------------------------------

int ThtmlTable::LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) {
    YPosition = y;
    LayoutY = y;
    FirstPosition = curs;
    Initialize();
    const int left = indents.LeftIndent(y), right = indents.RightSide(y);
    ShareWidth(canvas, right - left);
    TableWidth = CellSpacing + Sum(Widths);
    CaptionWidth = TableWidth;
    if (Caption) {
        int cmin = 0, cmax = 0;
        Caption->Cell->WidthBounds(canvas, cmin, cmax);
        CaptionWidth = std::max(TableWidth, cmin);
    }
    const int room = right - left;
    if (Justify == Centered)
        TableIndent = left + std::max(0, (room - CaptionWidth) / 2);
    else if (Justify == RightJustify)
        TableIndent = std::max(left, right - CaptionWidth - (Float ? HSpace : 0));
    else
        TableIndent = left + (Float ? HSpace : 0);
    ColumnX.assign(static_cast<std::size_t>(NumCols) + 1, 0);
    for (int c = 0; c < NumCols; ++c)
        ColumnX[static_cast<std::size_t>(c) + 1] = ColumnX[static_cast<std::size_t>(c)] + Widths[static_cast<std::size_t>(c)];

    int top = y + VSpace;
    SectionHeight = VSpace;
    CaptionHeight = 0;
    int ignored = 0;
    if (Caption && TopCaption) {
        Caption->ContentX = TableIndent;
        CaptionHeight = Caption->Cell->LayOutContent(canvas, top, CaptionWidth, curs, ignored);
        top = AddHeights(top, CaptionHeight);
        SectionHeight = AddHeights(SectionHeight, CaptionHeight);
    }
    GridTop = top;

    const int pad2 = 2 * CellPadding;
    const int e = pad2 + CellSpacing;
    const int rows = Rows.Count();
    std::vector<int> heights(static_cast<std::size_t>(rows), 0);
    auto spanned = [&](int c, int span) {
        const int last = std::min(c + span, NumCols);
        return ColumnX[static_cast<std::size_t>(last)] - ColumnX[static_cast<std::size_t>(c)];
    };
    // Row heights: each cell laid out once for its width, rows spanned by
    // one cell after those of single rows.
    for (const int span : Spans(false))
        for (int r = 0; r < rows; ++r) {
            const TCellList& row = *Rows[r];
            for (int c = 0; c < row.Count(); ++c) {
                TCellObj* cell = row[c];
                if (!cell || cell->ColSpan == 0 || cell->RowSpan != span) continue;
                cell->SpannedWidth = spanned(c, cell->ColSpan);
                int scratch = curs;
                cell->VSize = cell->Cell->LayOutContent(canvas, top, cell->SpannedWidth - e, scratch, ignored);
                const int need = std::max(cell->VSize, cell->GivenHeight - pad2) + e;
                if (span == 1) {
                    heights[static_cast<std::size_t>(r)] = std::max(heights[static_cast<std::size_t>(r)], need);
                    continue;
                }
                const int last = std::min(r + span, rows);
                int sum = 0;
                for (int k = r; k < last; ++k) sum = AddHeights(sum, heights[static_cast<std::size_t>(k)]);
                if (sum < need) {
                    const int each = (need - sum) / (last - r);
                    for (int k = r; k < last; ++k) heights[static_cast<std::size_t>(k)] += each;
                    heights[static_cast<std::size_t>(last - 1)] += need - sum - each * (last - r);
                }
            }
        }
    // HEIGHT stretches the rows, the rest going to the last.
    if (GivenHeight > 0 && rows > 0) {
        const TSectionList* doc = OwnerDocument;
        const int given = HeightIsPercent ? gfx::mulDiv(doc->ClientHeight - 2 * doc->MarginHeight - CellSpacing - 3,
                                                        GivenHeight, 1000)
                                          : GivenHeight;
        const int need = given - CellSpacing;
        int sum = 0;
        for (const int h : heights) sum = AddHeights(sum, h);
        if (sum < need) {
            const int each = (need - sum) / rows;
            for (int k = 0; k < rows - 1; ++k) heights[static_cast<std::size_t>(k)] += each;
            heights[static_cast<std::size_t>(rows - 1)] += need - sum - each * (rows - 1);
        }
    }
    RowTops.assign(static_cast<std::size_t>(rows) + 1, top);
    for (int r = 0; r < rows; ++r) {
        Rows[r]->RowHeight = heights[static_cast<std::size_t>(r)];
        RowTops[static_cast<std::size_t>(r) + 1] = AddHeights(RowTops[static_cast<std::size_t>(r)], heights[static_cast<std::size_t>(r)]);
    }
    // Each cell again at its final place, aligned in the rows it spans.
    for (int r = 0; r < rows; ++r) {
        const TCellList& row = *Rows[r];
        for (int c = 0; c < row.Count(); ++c) {
            TCellObj* cell = row[c];
            if (!cell || cell->ColSpan == 0) continue;
            const int last = std::min(r + cell->RowSpan, rows);
            cell->Ht = RowTops[static_cast<std::size_t>(last)] - RowTops[static_cast<std::size_t>(r)];
            const int free = std::max(0, cell->Ht - cell->VSize - e);
            cell->VAlignOffset = cell->VAlign == VATop ? 0 : cell->VAlign == VAMiddle ? free / 2 : free;
            cell->ContentX = TableIndent + ColumnX[static_cast<std::size_t>(c)] + CellSpacing + CellPadding;
            cell->Cell->LayOutContent(canvas, RowTops[static_cast<std::size_t>(r)] + CellSpacing + CellPadding + cell->VAlignOffset,
                                      cell->SpannedWidth - e, curs, ignored);
        }
    }
    BodyHeight = RowTops[static_cast<std::size_t>(rows)] - top + CellSpacing;
    SectionHeight = AddHeights(SectionHeight, BodyHeight);
    if (Caption && !TopCaption) {
        Caption->ContentX = TableIndent;
        CaptionHeight = Caption->Cell->LayOutContent(canvas, AddHeights(y, SectionHeight), CaptionWidth, curs, ignored);
        SectionHeight = AddHeights(SectionHeight, CaptionHeight);
    }
    SectionHeight = AddHeights(SectionHeight, VSpace);
    DrawHeight = SectionHeight;
    Len = curs - FirstPosition;
    maxWidth = AddWidths(TableIndent, CaptionWidth);
    return SectionHeight;
}

// ---- Painting ---------------------------------------------------------------------------

int ThtmlTable::Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int, IndentManager& indents) {
    YPosition = y;
    const TSectionList* doc = OwnerDocument;
    const int shift = y - LayoutY - doc->ScrollY;  // document Y of the layout to window Y
    DrawX = indents.LfEdge + TableIndent;
    const int screenTop = y - doc->ScrollY;
    if (screenTop >= rect.bottom || screenTop + SectionHeight <= rect.top) return AddHeights(y, SectionHeight);
    const int docShift = y - LayoutY;
    if (Caption && TopCaption) Caption->Cell->Draw(canvas, rect, y + VSpace, DrawX);

    const int rows = Rows.Count();
    const gfx::Rect grid{DrawX, GridTop + shift, DrawX + TableWidth, GridTop + shift + BodyHeight};
    auto cellRect = [&](int r, int c, const TCellObj& cell) {
        const int x0 = DrawX + ColumnX[static_cast<std::size_t>(c)];
        const int y0 = RowTops[static_cast<std::size_t>(r)] + shift;
        return gfx::Rect{x0 + CellSpacing, y0 + CellSpacing, x0 + cell.SpannedWidth, y0 + cell.Ht};
    };
    if (BdrOn) {
        // The spacing between the cells in the border colour.
        gfx::Region region;
        region.add(grid);
        const int grow = Border ? 1 : 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < Rows[r]->Count(); ++c)
                if (const TCellObj* cell = (*Rows[r])[c]; cell && cell->ColSpan > 0) {
                    const gfx::Rect cr = cellRect(r, c, *cell);
                    region.subtract({cr.left - grow, cr.top - grow, cr.right + grow, cr.bottom + grow});
                }
        canvas.fillRegion(region, BdrColor);
    }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < Rows[r]->Count(); ++c) {
            TCellObj* cell = (*Rows[r])[c];
            if (!cell || cell->ColSpan == 0) continue;
            const gfx::Rect cr = cellRect(r, c, *cell);
            if (cr.bottom <= rect.top || cr.top >= rect.bottom) continue;
            if (cell->Cell->BkGnd) {
                const gfx::Rect fill = cr.intersected(rect);
                if (!fill.isEmpty()) canvas.fillRect(fill, cell->Cell->BkColor);
            }
            cell->Cell->Draw(canvas, rect,
                             RowTops[static_cast<std::size_t>(r)] + docShift + CellSpacing + CellPadding + cell->VAlignOffset,
                             cr.left + CellPadding);
            if (Border) RaisedRect(canvas, {cr.left - 1, cr.top - 1, cr.right + 1, cr.bottom + 1}, false, doc->Background);
        }
    if (Border) RaisedRect(canvas, grid, true, doc->Background);
    if (Caption && !TopCaption) Caption->Cell->Draw(canvas, rect, GridTop + docShift + BodyHeight, DrawX);
    return AddHeights(y, SectionHeight);
}

// ---- Hit tests and visits ------------------------------------------------------------------

TCellObj* ThtmlTable::CellAtPoint(int x, int y) const {
    if (Caption) {
        const int top = TopCaption ? LayoutY + VSpace : GridTop + BodyHeight;
        if (y >= top && y < top + CaptionHeight) return Caption.get();
    }
    for (int r = 0; r < Rows.Count(); ++r)
        for (int c = 0; c < Rows[r]->Count(); ++c) {
            TCellObj* cell = (*Rows[r])[c];
            if (!cell || cell->ColSpan == 0) continue;
            const int x0 = TableIndent + ColumnX[static_cast<std::size_t>(c)] + CellSpacing;
            const int y0 = RowTops[static_cast<std::size_t>(r)] + CellSpacing;
            if (x >= x0 && x < TableIndent + ColumnX[static_cast<std::size_t>(c)] + cell->SpannedWidth && y >= y0 &&
                y < RowTops[static_cast<std::size_t>(r)] + cell->Ht)
                return cell;
        }
    return nullptr;
}

bool ThtmlTable::LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control) {
    TCellObj* cell = CellAtPoint(x, y);
    return cell && cell->Cell->LinkAtPoint(canvas, x - cell->ContentX, y, urlTarget, control);
}

bool ThtmlTable::ObjectAtPoint(gfx::Canvas& canvas, int x, int y, THtmlObject*& obj) {
    TCellObj* cell = CellAtPoint(x, y);
    return cell && cell->Cell->ObjectAtPoint(canvas, x - cell->ContentX, y, obj);
}

int ThtmlTable::PositionAtPoint(gfx::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                                THtmlObject*& obj, bool& inText) {
    TCellObj* cell = CellAtPoint(x, y);
    if (!cell) return -1;
    const int pos = cell->Cell->PositionAtPoint(canvas, x - cell->ContentX, y, xr, yr, caretHt, obj, inText);
    if (pos >= 0) xr += cell->ContentX;
    return pos;
}

std::vector<TCellObj*> ThtmlTable::CellsInOrder() const {
    std::vector<TCellObj*> cells;
    if (Caption && TopCaption) cells.push_back(Caption.get());
    for (const auto& row : Rows)
        for (const auto& cell : *row)
            if (cell && cell->ColSpan > 0) cells.push_back(cell.get());
    if (Caption && !TopCaption) cells.push_back(Caption.get());
    return cells;
}

int ThtmlTable::FindString(int from, std::string_view text, bool matchCase) {
    for (TCellObj* cell : CellsInOrder())
        if (const int pos = cell->Cell->FindString(from, text, matchCase); pos >= 0) return pos;
    return -1;
}

int ThtmlTable::SourcePosition(int docPos) {
    for (TCellObj* cell : CellsInOrder())
        if (const int pos = cell->Cell->SourcePosition(docPos); pos >= 0) return pos;
    return -1;
}

int ThtmlTable::DocumentPosition(int sourcePos, bool prev) {
    std::vector<TCellObj*> cells = CellsInOrder();
    if (prev) std::reverse(cells.begin(), cells.end());
    for (TCellObj* cell : cells)
        if (const int pos = cell->Cell->DocumentPosition(sourcePos, prev); pos >= 0) return pos;
    return -1;
}

bool ThtmlTable::PointOfPosition(gfx::Canvas& canvas, int pos, int& y, int& x) {
    for (TCellObj* cell : CellsInOrder())
        if (cell->Cell->PointOfPosition(canvas, pos, y, x)) {
            x += cell->ContentX;
            return true;
        }
    return false;
}

bool ThtmlTable::CharAtPosition(int pos, char& ch, THtmlObject*& obj) {
    for (TCellObj* cell : CellsInOrder())
        if (cell->Cell->CharAtPosition(pos, ch, obj)) return true;
    return false;
}

void ThtmlTable::UpdateFonts() {
    for (TCellObj* cell : CellsInOrder()) cell->Cell->UpdateFonts();
}

void ThtmlTable::CopySelection() {
    for (TCellObj* cell : CellsInOrder()) cell->Cell->CopySelection();
}
