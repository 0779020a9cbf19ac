// Number formatting and parsing, and the line reader with the comma-text
// splitter over a large text, as the writers and text readers use them.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "model/TextConv.h"

namespace {

std::vector<double> SampleValues() {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> coordinate(-100, 100);
    std::vector<double> values(4096);
    for (double& v : values) v = coordinate(rng);
    return values;
}

// About `megabytes` MB of model text: vertex, UV, normal and face lines, with
// now and then a quoted name, CR LF line ends.
std::string ModelText(int megabytes) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> coordinate(-10, 10);
    std::string text;
    text.reserve(static_cast<std::size_t>(megabytes) * 1048576 + 256);
    int n = 0;
    while (text.size() < static_cast<std::size_t>(megabytes) * 1048576) {
        switch (n++ % 6) {
        case 0: case 1:
            text += "v ";
            for (int k = 0; k < 3; ++k) {
                AppendFloatText(text, coordinate(rng));
                text += ' ';
            }
            break;
        case 2: text += "vt 0.25,0.75"; break;
        case 3: text += "vn 0 0.7071068 -0.7071068"; break;
        case 4: text += "f 1/1/1 2/2/2 3/3/3 4/4/4"; break;
        default: text += (n % 60 == 5) ? "usemtl \"wood \"\"dark\"\"\"" : "g \"my group\", part"; break;
        }
        text += "\r\n";
    }
    return text;
}

void BM_FloatToText(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) {
        std::string s = FloatToText(values[i++ & 4095]);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloatToText);

void BM_AppendFloatText(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::string out;
    out.reserve(4096 * 16);
    for (auto _ : state) {
        out.clear();
        for (double v : values) {
            AppendFloatText(out, v);
            out.push_back(' ');
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_AppendFloatText);

void BM_FloatToStrDot(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) {
        std::string s = FloatToStrDot(values[i++ & 4095]);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloatToStrDot);

void BM_FormatVectorG(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) {
        const tvector v{values[i & 4095], values[(i + 1) & 4095], values[(i + 2) & 4095]};
        ++i;
        std::string s = FormatVector("%g", ",", v);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatVectorG);

void BM_ParseDouble(benchmark::State& state) {
    std::vector<std::string> texts;
    for (double v : SampleValues()) texts.push_back(FloatToText(v));
    std::size_t i = 0;
    for (auto _ : state) {
        double v = 0;
        benchmark::DoNotOptimize(ParseDouble(texts[i++ & 4095], v));
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseDouble);

void BM_ReadTextLine(benchmark::State& state) {
    TextLineReader reader(ModelText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        reader.Rewind();
        std::size_t lines = 0;
        while (!reader.Eof()) {
            benchmark::DoNotOptimize(reader.ReadTextLine());
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reader.Size()));
}
BENCHMARK(BM_ReadTextLine)->Arg(64)->Unit(benchmark::kMillisecond);

void BM_ReadAndSplitLines(benchmark::State& state) {
    TextLineReader reader(ModelText(static_cast<int>(state.range(0))));
    CommaTextSplitter splitter;
    for (auto _ : state) {
        reader.Rewind();
        std::size_t words = 0;
        while (!reader.Eof()) words += splitter.Split(reader.ReadTextLine()).size();
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reader.Size()));
}
BENCHMARK(BM_ReadAndSplitLines)->Arg(64)->Unit(benchmark::kMillisecond);

void BM_ReadSplitAndParse(benchmark::State& state) {
    TextLineReader reader(ModelText(static_cast<int>(state.range(0))));
    CommaTextSplitter splitter;
    for (auto _ : state) {
        reader.Rewind();
        double sum = 0;
        while (!reader.Eof()) {
            const auto& words = splitter.Split(reader.ReadTextLine());
            if (words.size() == 4 && words[0] == "v")
                for (int k = 1; k < 4; ++k) {
                    double v = 0;
                    if (ParseDouble(words[k], v)) sum += v;
                }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reader.Size()));
}
BENCHMARK(BM_ReadSplitAndParse)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
