// Documents put together at random (seeded): text with every object code,
// floats, list levels, nested tables with odd spans and sizes, laid out for
// widths down to nothing, painted and hit-tested. The layout must finish,
// every line must hold the paragraph's characters in order, and nothing may
// read or write out of bounds (the sanitizers watch).
#include <gtest/gtest.h>

#include <random>

#include "DocumentTestSupport.h"

namespace {

class RandomDocument : public DocTest {
protected:
    std::mt19937 rng{20240611};
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    std::unique_ptr<TSection> RandomPara(int level) {
        auto s = Pick(6) == 0 ? std::make_unique<TPreFormated>(&doc, TUrlTarget{}, DocFont(doc), level)
                              : std::make_unique<TSection>(&doc, static_cast<TJustify>(1 + Pick(3)), TUrlTarget{},
                                                           DocFont(doc), level);
        const int pieces = Pick(8);
        for (int i = 0; i < pieces; ++i) {
            switch (Pick(5)) {
            case 0: {
                static const char* aligns[] = {"left", "right", "top", "middle", "bottom"};
                s->AddImage(Attrs({{AttrSym::Align, aligns[Pick(5)]},
                                   {AttrSym::Width, std::to_string(Pick(3) ? Pick(80) : 0) + (Pick(4) ? "" : "%")},
                                   {AttrSym::Height, std::to_string(Pick(60))},
                                   {AttrSym::VSpace, std::to_string(Pick(50))}}),
                            Pick(2) == 0, 0);
                break;
            }
            case 1: {
                TUrlTarget link;
                link.Assign("x", "");
                s->HRef(Pick(2) ? Sym::A : Sym::AEnd, DocFont(doc), link);
                break;
            }
            case 2: s->AddFormControl(Sym::Input, Attrs({{AttrSym::Size, std::to_string(Pick(30))}}), Pick(2) == 0, 0); break;
            default: {
                std::string text;
                const int n = Pick(40);
                for (int k = 0; k < n; ++k) {
                    static const char chars[] = {'a', 'b', ' ', ' ', '\x05', '\xA0', 'W'};
                    text.push_back(chars[Pick(7)]);
                }
                s->AddTokenObj(Tok(text, Pick(1000)), Pick(3) == 0);
            }
            }
        }
        if (Pick(5) == 0) s->ParseClear(Attrs({{AttrSym::Clear, Pick(2) ? "left" : "all"}}));
        return s;
    }

    std::unique_ptr<ThtmlTable> RandomTable(int depth) {
        static const char* spans[] = {"1", "2", "3", "0", "-4", "50"};
        auto table = std::make_unique<ThtmlTable>(
            &doc,
            Attrs({{AttrSym::Width, Pick(2) ? std::to_string(Pick(120)) + "%" : std::to_string(Pick(500))},
                   {AttrSym::Border, std::to_string(Pick(3))},
                   {AttrSym::Height, std::to_string(Pick(300))}}),
            static_cast<TJustify>(1 + Pick(3)), depth == 0);
        const int rows = Pick(5);
        for (int r = 0; r < rows; ++r) {
            auto row = std::make_unique<TCellList>();
            const int cells = Pick(5);
            for (int c = 0; c < cells; ++c) {
                auto cell = std::make_unique<TCellObj>(
                    &doc,
                    Attrs({{AttrSym::ColSpan, spans[Pick(6)]},
                           {AttrSym::RowSpan, spans[Pick(6)]},
                           {AttrSym::Width, std::to_string(Pick(200)) + (Pick(2) ? "%" : "")}}),
                    static_cast<TVAlign>(Pick(3)));
                const int content = Pick(3);
                for (int k = 0; k < content; ++k) {
                    if (depth < 2 && Pick(4) == 0)
                        cell->Cell->Add(RandomTable(depth + 1));
                    else
                        cell->Cell->Add(RandomPara(Pick(3)));
                }
                row->Add(std::move(cell));
            }
            table->Rows.Add(std::move(row));
        }
        if (Pick(3) == 0) {
            table->Caption = std::make_unique<TCellObj>(&doc);
            table->Caption->ColSpan = 1;
            table->Caption->Cell->Add(RandomPara(0));
            table->TopCaption = Pick(2) == 0;
        }
        return table;
    }
};

// Every line of every paragraph, in order, covers the buffer once.
void CheckLines(const TCell& cell) {
    for (const auto& section : cell) {
        if (const auto* s = dynamic_cast<const TSection*>(section.get())) {
            int next = 0;
            for (const LineRec& l : s->Lines) {
                ASSERT_EQ(l.Start, next);
                next += l.CharCount;
            }
            ASSERT_EQ(next, s->Buff.empty() ? 0 : static_cast<int>(s->Buff.size()));
        } else if (const auto* t = dynamic_cast<const ThtmlTable*>(section.get())) {
            for (const auto& row : t->Rows)
                for (const auto& c : *row)
                    if (c) CheckLines(*c->Cell);
        }
    }
}

TEST_F(RandomDocument, LayoutAlwaysFinishes) {
    for (int round = 0; round < 40; ++round) {
        doc.Clear();
        const int sections = 1 + Pick(8);
        for (int i = 0; i < sections; ++i) {
            if (Pick(3) == 0)
                Add(RandomTable(0));
            else
                Add(RandomPara(Pick(4)));
        }
        for (int width : {-10, 0, 1, 37, 300, 2000}) {
            int height = 0;
            try {
                height = Layout(width);
            } catch (const EParseError&) {
                height = Layout(width);  // the table past the column limit stays, empty
            }
            ASSERT_GE(height, 0);
            CheckLines(doc);
            canvas.log.clear();
            doc.SelB = Pick(50);
            doc.SelE = doc.SelB + Pick(200);
            Paint(std::max(1, width), 400);
            doc.CopyBuffer.clear();
            doc.CopySelection();
            for (int k = 0; k < 20; ++k) {
                int xr = 0, yr = 0, ht = 0;
                THtmlObject* obj = nullptr;
                bool inText = false;
                TUrlTarget url;
                TFormControlObj* control = nullptr;
                const int x = Pick(std::max(1, width) + 40) - 20, y = Pick(height + 40) - 20;
                doc.PositionAtPoint(canvas, x, y, xr, yr, ht, obj, inText);
                doc.LinkAtPoint(canvas, x, y, url, control);
                const int pos = Pick(300);
                int py = 0, px = 0;
                doc.PointOfPosition(canvas, pos, py, px);
                doc.DocumentPosition(doc.SourcePosition(pos), Pick(2) == 0);
            }
            doc.FindString(Pick(100), "ab", Pick(2) == 0);
        }
    }
}

}  // namespace
