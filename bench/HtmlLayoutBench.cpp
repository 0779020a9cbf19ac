// The HTML viewer's layout of a generated document: 1 MB of text in
// paragraphs with bold runs and links, and 200 tables of 4 x 3 cells, laid
// out for an 800-pixel window; the same at twice the size (to show the
// layout grows linearly), on fixed metrics and with Qt's real fonts; and the
// paint of one window of it in the middle of the document, beside which the
// layout is the cost of a resize.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/HtmlTable.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/qt/QtCanvas.h"

namespace {

constexpr int Width = 800;

// The Qt application real fonts need, on the offscreen platform.
void NeedQt() {
    static std::unique_ptr<QGuiApplication> app;
    if (app) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
}

class Generator {
public:
    explicit Generator(TSectionList& doc) : Doc(doc) {
        Font.Font.family = doc.FontName;
        Font.SetNormalSize(12, doc.FontSize);
        Bold = Font;
        Bold.Font.bold = true;
    }

    // A paragraph of about `chars` characters of words, with a bold run and
    // a link every few sentences.
    std::unique_ptr<TSection> Paragraph(int chars) {
        auto s = std::make_unique<TSection>(&Doc, LeftJustify, TUrlTarget{}, Font, 0);
        TUrlTarget link;
        link.Assign("page.htm#anchor", "");
        int written = 0, words = 0;
        while (written < chars) {
            std::string word(static_cast<std::size_t>(2 + Pick(9)), 'a');
            for (char& c : word) c = static_cast<char>('a' + Pick(26));
            if (++words % 40 == 0) s->ChangeFont(Bold);
            if (words % 40 == 5) s->ChangeFont(Font);
            if (words % 60 == 0) s->HRef(Sym::A, Font, link);
            if (words % 60 == 3) s->HRef(Sym::AEnd, Font, link);
            word += ' ';
            Token.Clear();
            for (char c : word) Token.AddChar(c, Pos++);
            s->AddTokenObj(Token, false);
            written += static_cast<int>(word.size());
        }
        Chars += written;
        return s;
    }

    // A table of 4 rows of 3 cells, each a sentence.
    std::unique_ptr<ThtmlTable> Table() {
        auto table = std::make_unique<ThtmlTable>(&Doc, TAttributeList{}, LeftJustify, true);
        for (int r = 0; r < 4; ++r) {
            auto row = std::make_unique<TCellList>();
            for (int c = 0; c < 3; ++c) {
                auto cell = std::make_unique<TCellObj>(&Doc, TAttributeList{}, VAMiddle);
                cell->Cell->Add(Paragraph(40 + 30 * c));
                row->Add(std::move(cell));
            }
            table->Rows.Add(std::move(row));
        }
        return table;
    }

    // Paragraphs and tables until the text reaches `bytes`, a table after
    // every `bytes` / `tables` characters.
    void Fill(int bytes, int tables) {
        const int every = bytes / tables;
        int nextTable = every;
        while (Chars < bytes) {
            Doc.Add(Paragraph(600));
            if (Chars >= nextTable) {
                Doc.Add(Table());
                nextTable += every;
            }
        }
    }

    int Chars = 0;

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Rng); }

    TSectionList& Doc;
    TMyFont Font, Bold;
    TokenObj Token;
    int Pos = 0;
    std::mt19937 Rng{7};
};

void Layout(benchmark::State& state, gfx::Canvas& canvas) {
    const int megabytes = static_cast<int>(state.range(0));
    TSectionList doc;
    Generator g(doc);
    g.Fill(megabytes * 1000000, 200 * megabytes);
    int height = 0;
    for (auto _ : state) {
        int curs = 0, maxWidth = 0;
        height = doc.LayOutContent(canvas, 0, Width, curs, maxWidth);
        benchmark::DoNotOptimize(height);
    }
    state.counters["height"] = height;
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(g.Chars));
}

void BM_LayoutFixedMetrics(benchmark::State& state) {
    gfx::RecordingCanvas canvas;
    Layout(state, canvas);
}
BENCHMARK(BM_LayoutFixedMetrics)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_LayoutQtFonts(benchmark::State& state) {
    NeedQt();
    QImage image(16, 16, QImage::Format_RGB32);
    QPainter painter(&image);
    gfx::QtCanvas canvas(painter);
    Layout(state, canvas);
}
BENCHMARK(BM_LayoutQtFonts)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One window (800 x 600) in the middle of the 1 MB document, painted with
// Qt's fonts into an image.
void BM_PaintOneWindow(benchmark::State& state) {
    NeedQt();
    QImage image(Width, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    gfx::QtCanvas canvas(painter);
    TSectionList doc;
    Generator g(doc);
    g.Fill(1000000, 200);
    int curs = 0, maxWidth = 0;
    const int height = doc.LayOutContent(canvas, 0, Width, curs, maxWidth);
    doc.SetScrollY(height / 2);
    for (auto _ : state) benchmark::DoNotOptimize(doc.Draw(canvas, {0, 0, Width, 600}, 0, 0));
}
BENCHMARK(BM_PaintOneWindow)->Unit(benchmark::kMillisecond);

}  // namespace
