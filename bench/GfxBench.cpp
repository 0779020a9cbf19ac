// The graphics layer against Qt on the same data in the same run: converting
// a 4096 x 4096 bitmap between pixel formats (beside QImage::convertToFormat)
// and decoding a 4096 x 4096 JPEG (beside QImage's JPEG reader).
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QImage>
#include <cstring>
#include <map>
#include <random>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"
#include "platform/qt/QtGfx.h"

namespace {

constexpr int Side = 4096;

// A photo-like picture: smooth gradients with a little noise.
const gfx::Bitmap& source24() {
    static const gfx::Bitmap b = [] {
        gfx::Bitmap b(Side, Side, gfx::PixelFormat::pf24bit);
        std::mt19937 random(7);
        for (int y = 0; y < Side; ++y) {
            uint8_t* p = b.scanLine(y);
            for (int x = 0; x < Side; ++x, p += 3) {
                const int n = static_cast<int>(random() % 16);
                p[0] = static_cast<uint8_t>((x / 16 + n) & 255);
                p[1] = static_cast<uint8_t>((y / 16 + n) & 255);
                p[2] = static_cast<uint8_t>(((x + y) / 32 + n) & 255);
            }
        }
        return b;
    }();
    return b;
}

const gfx::Bitmap& sourceIn(gfx::PixelFormat pf) {
    static std::map<gfx::PixelFormat, gfx::Bitmap> cache;
    auto it = cache.find(pf);
    if (it == cache.end()) it = cache.emplace(pf, source24().convertedTo(pf)).first;
    return it->second;
}

const std::vector<uint8_t>& jpegBytes() {
    static const std::vector<uint8_t> bytes = gfx::encodeJpeg(source24(), 90);
    return bytes;
}

void ours(benchmark::State& state, gfx::PixelFormat from, gfx::PixelFormat to) {
    const gfx::Bitmap& b = sourceIn(from);
    for (auto _ : state) {
        gfx::Bitmap out = b.convertedTo(to);
        benchmark::DoNotOptimize(out.bits());
    }
    state.SetItemsProcessed(state.iterations() * Side * Side);
}

void qt(benchmark::State& state, gfx::PixelFormat from, QImage::Format to) {
    // A copy, so that Qt converts data of its own (as QImage::load gives).
    const QImage image = gfx::toQImage(sourceIn(from)).copy();
    for (auto _ : state) {
        QImage out = image.convertToFormat(to);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.SetItemsProcessed(state.iterations() * Side * Side);
}

void BM_Ours_24To32(benchmark::State& s) { ours(s, gfx::PixelFormat::pf24bit, gfx::PixelFormat::pf32bit); }
void BM_Qt_24To32(benchmark::State& s) { qt(s, gfx::PixelFormat::pf24bit, QImage::Format_RGB32); }
void BM_Ours_32To24(benchmark::State& s) { ours(s, gfx::PixelFormat::pf32bit, gfx::PixelFormat::pf24bit); }
void BM_Qt_32To24(benchmark::State& s) { qt(s, gfx::PixelFormat::pf32bit, QImage::Format_BGR888); }
void BM_Ours_8To32(benchmark::State& s) { ours(s, gfx::PixelFormat::pf8bit, gfx::PixelFormat::pf32bit); }
void BM_Qt_8To32(benchmark::State& s) { qt(s, gfx::PixelFormat::pf8bit, QImage::Format_RGB32); }
void BM_Ours_15To24(benchmark::State& s) { ours(s, gfx::PixelFormat::pf15bit, gfx::PixelFormat::pf24bit); }
void BM_Qt_15To24(benchmark::State& s) { qt(s, gfx::PixelFormat::pf15bit, QImage::Format_BGR888); }
void BM_Ours_1To24(benchmark::State& s) { ours(s, gfx::PixelFormat::pf1bit, gfx::PixelFormat::pf24bit); }
void BM_Qt_1To24(benchmark::State& s) { qt(s, gfx::PixelFormat::pf1bit, QImage::Format_BGR888); }

void BM_Ours_JpegDecode(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = jpegBytes();
    for (auto _ : state) {
        gfx::MemoryStream stream{std::span<const uint8_t>(bytes)};
        gfx::Bitmap b = gfx::decodeJpeg(stream);
        benchmark::DoNotOptimize(b.bits());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void BM_Qt_JpegDecode(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = jpegBytes();
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(data, "JPEG")) state.SkipWithError("Qt cannot read JPEG");
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK(BM_Ours_24To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Qt_24To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_32To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Qt_32To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_8To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Qt_8To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_15To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Qt_15To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_1To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Qt_1To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_JpegDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Qt_JpegDecode)->Unit(benchmark::kMillisecond);
