// Pages with large form controls, loaded into the HTML viewer with its real
// widgets: a drop-down list, list boxes with selected options and a text
// area, each of 5,000 and of 20,000 options or lines, parsed, laid out and
// painted (the paint shows the widgets, which then get all their content). The time of a page should grow in proportion to its options
// and lines (each one is added once; none makes the control set all before
// it again), so the 20,000 cases take about four times the 5,000 ones.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <string>

#include "htmlviewer/widgets/HtmlView.h"

namespace {

std::string SelectPage(int options, const std::string& attributes, int selectEvery) {
    std::string html = "<FORM><SELECT NAME=s " + attributes + ">";
    for (int i = 0; i < options; ++i) {
        html += "<OPTION";
        if (selectEvery > 0 && i % selectEvery == 0) html += " SELECTED";
        html += ">Option number " + std::to_string(i);
    }
    return html + "</SELECT></FORM>";
}

std::string TextAreaPage(int lines) {
    std::string html = "<FORM><TEXTAREA NAME=t ROWS=10 COLS=60>";
    for (int i = 0; i < lines; ++i) html += "Line " + std::to_string(i) + " of the text, with a few words\n";
    return html + "</TEXTAREA></FORM>";
}

// Loads the page into a shown viewer, timed from the text to the painted
// window.
void Load(benchmark::State& state, const std::string& html) {
    THtmlView view;
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        QElapsedTimer watch;
        watch.start();
        view.LoadFromString(html);
        view.viewport()->repaint();
        state.SetIterationTime(static_cast<double>(watch.nsecsElapsed()) / 1e9);
        view.Clear();
        QApplication::processEvents();
    }
    state.counters["items"] = static_cast<double>(state.range(0));
}

void BM_DropDownList(benchmark::State& state) {
    Load(state, SelectPage(static_cast<int>(state.range(0)), "", 0));
}
BENCHMARK(BM_DropDownList)->Arg(5000)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ListBoxMultiple(benchmark::State& state) {
    Load(state, SelectPage(static_cast<int>(state.range(0)), "SIZE=10 MULTIPLE", 10));
}
BENCHMARK(BM_ListBoxMultiple)->Arg(5000)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ListBoxSingleEverySelected(benchmark::State& state) {
    // Without multiple selection every selected option takes over from
    // the one before.
    Load(state, SelectPage(static_cast<int>(state.range(0)), "SIZE=10", 1));
}
BENCHMARK(BM_ListBoxSingleEverySelected)->Arg(5000)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TextArea(benchmark::State& state) { Load(state, TextAreaPage(static_cast<int>(state.range(0)))); }
BENCHMARK(BM_TextArea)->Arg(5000)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
