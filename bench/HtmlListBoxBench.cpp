// The group list of a big scene: 10,000 lines of the group list laid out by
// the item renderer (against the same names measured as plain text on the
// same canvas), and the list box filled and laid out with a real font.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "htmllistbox/GroupListIcons.h"
#include "htmllistbox/HtmlListBox.h"
#include "model/ModelLists.h"
#include "platform/gfx/RecordingCanvas.h"

namespace {

constexpr int Lines = 10000;

std::vector<tgroup> Groups() {
    std::vector<tgroup> groups(Lines);
    for (int i = 0; i < Lines; ++i) {
        groups[static_cast<std::size_t>(i)].name = "Figure_" + std::to_string(i / 50) + " & part <" + std::to_string(i) + ">";
        groups[static_cast<std::size_t>(i)].visible = i % 3 != 0;
        groups[static_cast<std::size_t>(i)].castsShadow = i % 5 != 0;
    }
    return groups;
}

std::vector<std::string> GroupLines() {
    std::vector<std::string> lines;
    for (const tgroup& g : Groups()) lines.push_back(GroupListLine(g));
    return lines;
}

const gfx::ImageList& Icons() {
    static const gfx::ImageList icons = [] {
        gfx::ImageList list(16, 16);
        AddGroupListIcons(list);
        return list;
    }();
    return icons;
}

void BM_MeasureGroupLines(benchmark::State& state) {
    const std::vector<std::string> lines = GroupLines();
    gfx::RecordingCanvas canvas;
    HtmlItemParams p;
    p.images = &Icons();
    p.measureOnly = true;
    for (auto _ : state) {
        int total = 0;
        for (const std::string& line : lines) total += DrawHtmlItem(canvas, line, {2, 0, 300, 1 << 20}, p).height;
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * Lines);
}
BENCHMARK(BM_MeasureGroupLines)->Unit(benchmark::kMillisecond);

// The baseline: each group's name measured once as plain text.
void BM_MeasurePlainNames(benchmark::State& state) {
    std::vector<std::string> names;
    for (const tgroup& g : Groups()) names.emplace_back(g.name.view());
    gfx::RecordingCanvas canvas;
    for (auto _ : state) {
        int total = 0;
        for (const std::string& name : names) {
            gfx::Rect r{2, 0, 300, 1 << 20};
            total += canvas.drawText(r, name, gfx::DrawTextFlags::SingleLine | gfx::DrawTextFlags::CalcRect);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * Lines);
}
BENCHMARK(BM_MeasurePlainNames)->Unit(benchmark::kMillisecond);

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

// Filling the list as the Groups page does after a load, with the list's
// own font: every line measured, then the widest for the scroll extent.
void BM_FillListBox(benchmark::State& state) {
    App();
    const std::vector<std::string> lines = GroupLines();
    THtmlListBox list;
    list.resize(300, 400);
    list.SetImages(&Icons());
    list.SetScrollHorizontal(state.range(0) != 0);
    for (auto _ : state) {
        list.BeginUpdate();
        list.Items().Clear();
        for (const std::string& line : lines) list.Items().Add(line);
        list.EndUpdate();
    }
    state.SetItemsProcessed(state.iterations() * Lines);
}
BENCHMARK(BM_FillListBox)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
