// The grid of a table: span expansion, the columns' minimum and maximum
// widths, and the table's own width bounds. The layout, painting and hit
// tests are in HtmlTableLayout.cpp.
#include "htmlviewer/HtmlTable.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "htmlviewer/HtmlSections.h"
#include "model/TextConv.h"
#include "platform/gfx/Arith.h"

TCellObj::TCellObj(TSectionList* document) : ColSpan(0), Cell(std::make_unique<TCell>(document)) {}

TCellObj::TCellObj(TSectionList* document, const TAttributeList& attributes, TVAlign vAlign)
    : VAlign(vAlign), Cell(std::make_unique<TCell>(document)) {
    for (const auto& a : attributes) {
        switch (a->AttrSymbol) {
        // A span beyond the column limit fails the table anyway: it is cut
        // there before the grid is expanded.
        case AttrSym::ColSpan:
            if (a->Value > 1) ColSpan = std::min(a->Value, ThtmlTable::MaxCols + 1);
            break;
        case AttrSym::RowSpan:
            if (a->Value > 1) RowSpan = a->Value;
            break;
        case AttrSym::Width:
            if (a->Name.find('%') != std::string::npos) {
                if (a->Value >= 1 && a->Value <= 100) {
                    WidthAttr = a->Value * 10;
                    AsPercent = true;
                }
            } else if (a->Value > 0) {
                WidthAttr = a->Value;
            }
            break;
        case AttrSym::Height: GivenHeight = std::max(0, a->Value); break;
        case AttrSym::BgColor: Cell->BkGnd = Cell->BkGnd || ColorAttribute(*a, Cell->BkColor); break;
        default: break;
        }
    }
}

ThtmlTable::ThtmlTable(TSectionList* document, const TAttributeList& attributes, TJustify justify, bool topLevel)
    : TSectionBase(document), Justify(justify) {
    for (const auto& a : attributes) {
        const bool percent = a->Name.find('%') != std::string::npos;
        switch (a->AttrSymbol) {
        case AttrSym::Border: Border = a->Value > 0; break;
        case AttrSym::CellPadding:
            if (a->Value >= 0) CellPadding = std::min(a->Value, 50);
            break;
        case AttrSym::CellSpacing:
            if (a->Value >= 0) CellSpacing = std::min(a->Value, 40);
            break;
        case AttrSym::Width:
            if (percent && a->Value >= 1 && a->Value <= 100) {
                GivenWidth = a->Value * 10;
                WidthIsPercent = true;
            } else if (a->Value > 0) {
                GivenWidth = a->Value;
            }
            break;
        case AttrSym::Height:
            if (percent && topLevel && a->Value >= 1 && a->Value <= 110) {
                GivenHeight = a->Value * 10;
                HeightIsPercent = true;
            } else if (a->Value > 0) {
                GivenHeight = a->Value;
            }
            break;
        case AttrSym::Align: {
            const std::string v = UpperCase(a->Name);
            if (v == "CENTER") {
                Justify = Centered;
            } else if (v == "LEFT") {
                Justify = LeftJustify;
                Float = true;
            } else if (v == "RIGHT") {
                Justify = RightJustify;
                Float = true;
            }
            break;
        }
        case AttrSym::BgColor: BkGnd = BkGnd || ColorAttribute(*a, BkColor); break;
        case AttrSym::BorderColor: BdrOn = BdrOn || ColorAttribute(*a, BdrColor); break;
        case AttrSym::HSpace: HSpace = std::min(40, std::abs(a->Value)); break;
        case AttrSym::VSpace: VSpace = std::min(200, std::abs(a->Value)); break;
        default: break;
        }
    }
    if (Border) CellSpacing = std::max(1, CellSpacing + 2);
}

ThtmlTable::~ThtmlTable() = default;

// ---- The grid ---------------------------------------------------------------------------

void ThtmlTable::Initialize() {
    if (Initialized) return;
    Initialized = true;
    try {
        ExpandGrid();
    } catch (const EParseError&) {
        // The table stays, empty, so that the document built so far can
        // still be laid out and shown.
        Rows.Clear();
        NumCols = 0;
        Widths.clear();
        Percents.clear();
        throw;
    }
}

void ThtmlTable::ExpandGrid() {
    if (!BkGnd && OwnerCell && OwnerCell->BkGnd) {
        BkGnd = true;
        BkColor = OwnerCell->BkColor;
    }
    for (const auto& row : Rows)
        for (const auto& cell : *row) {
            if (!cell) continue;
            if (!cell->Cell->BkGnd && row->BkGnd) {
                cell->Cell->BkGnd = true;
                cell->Cell->BkColor = row->BkColor;
            }
            if (!cell->Cell->BkGnd && BkGnd) {
                cell->Cell->BkGnd = true;
                cell->Cell->BkColor = BkColor;
            }
            if (cell->ColSpan > 0 && !cell->AsPercent && cell->WidthAttr > 0) HasFixedCells = true;
        }
    TSectionList* doc = OwnerDocument;
    // Column spans: empty entries behind each spanning cell, carrying its
    // row span.
    for (const auto& row : Rows) {
        std::vector<std::unique_ptr<TCellObj>> cells;
        for (int c = 0; c < row->Count(); ++c) {
            std::unique_ptr<TCellObj> cell = row->Take(c);
            const int span = cell ? cell->ColSpan : 1;
            const int rowSpan = cell ? cell->RowSpan : 1;
            cells.push_back(std::move(cell));
            for (int k = 1; k < span; ++k) {
                std::unique_ptr<TCellObj> empty;
                if (rowSpan > 1) {
                    empty = std::make_unique<TCellObj>(doc);
                    empty->RowSpan = rowSpan;
                }
                cells.push_back(std::move(empty));
            }
            if (cells.size() > static_cast<std::size_t>(MaxCols)) throw EParseError("Table has too many Columns");
        }
        row->Clear();
        for (auto& cell : cells) row->Add(std::move(cell));
    }
    // Row spans: cut to the rows that remain; an empty grid entry below in
    // each row spanned.
    const int rows = Rows.Count();
    for (int c = 0;; ++c) {
        bool any = false;
        for (int r = 0; r < rows; ++r) {
            TCellList& row = *Rows[r];
            if (c >= row.Count()) continue;
            any = true;
            TCellObj* cell = row[c];
            if (!cell || cell->RowSpan <= 1) continue;
            cell->RowSpan = std::min(cell->RowSpan, rows - r);
            for (int below = r + 1; below < r + cell->RowSpan; ++below) {
                TCellList& next = *Rows[below];
                while (next.Count() < c) next.Add(nullptr);
                next.Insert(c, std::make_unique<TCellObj>(doc));
                // A row past the limit fails the table: stop before spans
                // grow the grid any further.
                if (next.Count() > MaxCols) throw EParseError("Table has too many Columns");
            }
        }
        if (!any) break;
    }
    NumCols = 0;
    for (const auto& row : Rows) NumCols = std::max(NumCols, row->Count());
    if (NumCols > MaxCols) throw EParseError("Table has too many Columns");
    Widths.assign(static_cast<std::size_t>(NumCols), 0);
    Percents.assign(static_cast<std::size_t>(NumCols), 0);
}

std::vector<int> ThtmlTable::Spans(bool columns) const {
    std::vector<int> spans;
    for (const auto& row : Rows)
        for (const auto& cell : *row)
            if (cell && cell->ColSpan > 0) spans.push_back(columns ? cell->ColSpan : cell->RowSpan);
    std::sort(spans.begin(), spans.end());
    spans.erase(std::unique(spans.begin(), spans.end()), spans.end());
    return spans;
}

void ThtmlTable::CellBounds(gfx::Canvas& canvas, const TCellObj& cell, int& min, int& max) const {
    const int e = 2 * CellPadding + CellSpacing;
    cell.Cell->WidthBounds(canvas, min, max);
    min += e;
    max += e;
    if (!cell.AsPercent && cell.WidthAttr > 0) {
        min = std::max(min, cell.WidthAttr + e);
        max = min;
    }
}

namespace {

// Raises the entries first..last-1 so that they sum to at least `total`,
// each in proportion to its value; when they sum to 0, `zeroRule` decides:
// the first takes all (true) or each an equal part (false).
void Spread(std::vector<int>& v, int first, int last, int total, bool firstTakesAll) {
    int sum = 0;
    for (int k = first; k < last; ++k) sum += v[static_cast<std::size_t>(k)];
    if (sum >= total || last <= first) return;
    if (sum == 0) {
        if (firstTakesAll) {
            v[static_cast<std::size_t>(first)] = total;
        } else {
            for (int k = first; k < last; ++k) v[static_cast<std::size_t>(k)] = total / (last - first);
        }
        return;
    }
    const int shortfall = total - sum;
    int given = 0;
    for (int k = first; k < last; ++k) {
        const int add = gfx::mulDiv(shortfall, v[static_cast<std::size_t>(k)], sum);
        v[static_cast<std::size_t>(k)] += add;
        given += add;
    }
    // The rounding rest goes to the last column.
    v[static_cast<std::size_t>(last - 1)] += shortfall - given;
}

}  // namespace

void ThtmlTable::GetMinMaxAbs(gfx::Canvas& canvas, std::vector<int>& mins, std::vector<int>& maxs) {
    mins.assign(static_cast<std::size_t>(NumCols), 0);
    maxs.assign(static_cast<std::size_t>(NumCols), 0);
    for (const int span : Spans(true)) {
        for (const auto& row : Rows)
            for (int c = 0; c < row->Count(); ++c) {
                const TCellObj* cell = (*row)[c];
                if (!cell || cell->ColSpan != span) continue;
                int cmin = 0, cmax = 0;
                CellBounds(canvas, *cell, cmin, cmax);
                const auto k = static_cast<std::size_t>(c);
                if (span == 1) {
                    mins[k] = std::max(mins[k], cmin);
                    maxs[k] = std::max(maxs[k], cmax);
                } else {
                    const int last = std::min(c + span, NumCols);
                    Spread(mins, c, last, cmin, true);
                    Spread(maxs, c, last, cmax, true);
                }
            }
        for (int k = 0; k < NumCols; ++k)
            maxs[static_cast<std::size_t>(k)] = std::max(maxs[static_cast<std::size_t>(k)], mins[static_cast<std::size_t>(k)]);
    }
}

void ThtmlTable::GetMinMaxPercent(gfx::Canvas& canvas, int tableWidth, std::vector<int>& mins,
                                  std::vector<int>& maxs) {
    mins.assign(static_cast<std::size_t>(NumCols), 0);
    maxs.assign(static_cast<std::size_t>(NumCols), 0);
    Percents.assign(static_cast<std::size_t>(NumCols), 0);
    std::vector<int>& pct = Percents;
    for (const int span : Spans(true)) {
        for (const auto& row : Rows)
            for (int c = 0; c < row->Count(); ++c) {
                const TCellObj* cell = (*row)[c];
                if (!cell || cell->ColSpan != span) continue;
                int cmin = 0, cmax = 0;
                CellBounds(canvas, *cell, cmin, cmax);
                int p = 0;
                if (cell->AsPercent)
                    p = cell->WidthAttr;
                else if (cell->WidthAttr > 0 && tableWidth > 0)
                    p = std::min(1000, gfx::mulDiv(cell->WidthAttr, 1000, tableWidth));
                const auto k0 = static_cast<std::size_t>(c);
                if (span == 1) {
                    mins[k0] = std::max(mins[k0], cmin);
                    maxs[k0] = std::max(maxs[k0], cmax);
                    pct[k0] = std::max(pct[k0], p);
                    continue;
                }
                const int last = std::min(c + span, NumCols);
                int s = 0, sumMin = 0, sumMax = 0;
                std::vector<int> free;
                for (int k = c; k < last; ++k) {
                    const auto kk = static_cast<std::size_t>(k);
                    s += pct[kk];
                    sumMin += mins[kk];
                    sumMax += maxs[kk];
                    if (pct[kk] == 0) free.push_back(k);
                }
                const int f = static_cast<int>(free.size());
                if (p == 0 && s == 0) {
                    Spread(mins, c, last, cmin, false);
                    Spread(maxs, c, last, cmax, false);
                    continue;
                }
                if (f == 0 && p > s) {
                    for (int k = c; k < last; ++k) pct[static_cast<std::size_t>(k)] = gfx::mulDiv(pct[static_cast<std::size_t>(k)], p, s);
                } else if (f > 0 && (p - s) / f > 0) {
                    for (int k : free) pct[static_cast<std::size_t>(k)] = (p - s) / f;
                }
                const int q = std::max(s, p);
                if (cmin > sumMin) {
                    if (f == 0) {
                        for (int k = c; k < last; ++k) {
                            const auto kk = static_cast<std::size_t>(k);
                            mins[kk] = std::max(mins[kk], gfx::mulDiv(cmin, pct[kk], q));
                        }
                    } else {
                        // The free columns take the shortfall in proportion to their maxima.
                        const int shortfall = cmin - sumMin;
                        int freeMax = 0;
                        for (int k : free) freeMax += maxs[static_cast<std::size_t>(k)];
                        int given = 0;
                        for (int k : free) {
                            const int add = freeMax > 0 ? gfx::mulDiv(shortfall, maxs[static_cast<std::size_t>(k)], freeMax)
                                                        : shortfall / f;
                            mins[static_cast<std::size_t>(k)] += add;
                            given += add;
                        }
                        mins[static_cast<std::size_t>(free.back())] += shortfall - given;
                    }
                }
                if (cmax > sumMax) {
                    if (f == 0) {
                        for (int k = c; k < last; ++k) {
                            const auto kk = static_cast<std::size_t>(k);
                            maxs[kk] = std::max(maxs[kk], gfx::mulDiv(cmax, pct[kk], q));
                        }
                    } else {
                        for (int k : free) maxs[static_cast<std::size_t>(k)] += (cmax - sumMax) / f;
                    }
                }
            }
        for (int k = 0; k < NumCols; ++k)
            maxs[static_cast<std::size_t>(k)] = std::max(maxs[static_cast<std::size_t>(k)], mins[static_cast<std::size_t>(k)]);
    }
}

void ThtmlTable::WidthBounds(gfx::Canvas& canvas, int& min, int& max) {
    Initialize();
    std::vector<int> mins, maxs;
    if (!HasFixedCells || GivenWidth > 0)
        GetMinMaxPercent(canvas, WidthIsPercent ? 0 : GivenWidth, mins, maxs);
    else
        GetMinMaxAbs(canvas, mins, maxs);
    min = std::accumulate(mins.begin(), mins.end(), 0) + CellSpacing;
    max = std::accumulate(maxs.begin(), maxs.end(), 0) + CellSpacing;
    if (GivenWidth > 0 && !WidthIsPercent) {
        min = std::max(min, GivenWidth);
        max = std::max(max, GivenWidth);
    }
    if (Caption) {
        int cmin = 0, cmax = 0;
        Caption->Cell->WidthBounds(canvas, cmin, cmax);
        min = std::max(min, cmin);
        max = std::max(max, cmin);
    }
    // A table's width counts as at most a document's, whatever its columns
    // hold, so that the tables around it add up in range.
    min = std::min(min, MaxDocumentWidth);
    max = std::min(max, MaxDocumentWidth);
}
