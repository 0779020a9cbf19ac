// Resampling with Stretch next to Qt's smooth scaling of the same pixels in
// the same run: Lanczos3 shrinking 4096 x 4096 to 1024 x 1024, and every
// filter enlarging 256 x 256 to 1024 x 1024. Qt scales the 24-bit image as it
// is (BGR888, the bitmap's own layout) and, for reference, a 32-bit copy
// (RGB32, Qt's fastest path). Times are wall-clock: Qt may spread a large
// scaling over its worker threads, while Stretch runs on the calling thread;
// the OneThread runs give Qt's thread pool a single thread, which compares
// the work of both on one core.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QThreadPool>
#include <cstring>
#include <random>

#include "imageformats/Stretch.h"
#include "platform/gfx/Bitmap.h"

namespace {

// A photo-like test image: smooth gradients with some noise and edges.
gfx::Bitmap TestImage(int size) {
    gfx::Bitmap b(size, size, gfx::PixelFormat::pf24bit);
    std::mt19937 rng(17);
    for (int y = 0; y < size; ++y) {
        uint8_t* p = b.scanLine(y);
        for (int x = 0; x < size; ++x) {
            const int noise = static_cast<int>(rng() & 31);
            const bool edge = ((x / 97) + (y / 61)) % 5 == 0;
            p[3 * x] = static_cast<uint8_t>((x * 255 / size + noise) & 255);
            p[3 * x + 1] = static_cast<uint8_t>(edge ? 240 : (y * 255 / size + noise / 2) & 255);
            p[3 * x + 2] = static_cast<uint8_t>(((x + y) * 127 / size + noise) & 255);
        }
    }
    return b;
}

const gfx::Bitmap& Large() {
    static const gfx::Bitmap b = TestImage(4096);
    return b;
}

const gfx::Bitmap& Small() {
    static const gfx::Bitmap b = TestImage(256);
    return b;
}

// The bitmap's pixels as a QImage of the same layout (a copy, made once).
QImage AsQImage(const gfx::Bitmap& b, QImage::Format format) {
    QImage image(b.bits(), b.width(), b.height(), b.bytesPerLine(), QImage::Format_BGR888);
    return image.convertToFormat(format);
}

void RunStretch(benchmark::State& state, const gfx::Bitmap& source, int size, uint8_t filter) {
    for (auto _ : state) {
        state.PauseTiming();
        gfx::Bitmap b = source;
        state.ResumeTiming();
        img::Stretch(static_cast<uint32_t>(size), static_cast<uint32_t>(size), filter, 0, b);
        benchmark::DoNotOptimize(b.bits());
    }
}

void RunQt(benchmark::State& state, const QImage& source, int size) {
    for (auto _ : state) {
        QImage scaled = source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

void BM_StretchShrinkLanczos3(benchmark::State& state) { RunStretch(state, Large(), 1024, img::sfLanczos3); }
BENCHMARK(BM_StretchShrinkLanczos3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtSmoothShrinkBGR888(benchmark::State& state) {
    static const QImage source = AsQImage(Large(), QImage::Format_BGR888);
    RunQt(state, source, 1024);
}
BENCHMARK(BM_QtSmoothShrinkBGR888)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtSmoothShrinkRGB32(benchmark::State& state) {
    static const QImage source = AsQImage(Large(), QImage::Format_RGB32);
    RunQt(state, source, 1024);
}
BENCHMARK(BM_QtSmoothShrinkRGB32)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtSmoothShrinkRGB32OneThread(benchmark::State& state) {
    static const QImage source = AsQImage(Large(), QImage::Format_RGB32);
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    RunQt(state, source, 1024);
    pool->setMaxThreadCount(threads);
}
BENCHMARK(BM_QtSmoothShrinkRGB32OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

// The argument is the filter index: 0 Box, 1 Triangle, 2 Hermite, 3 Bell,
// 4 B-spline, 5 Lanczos3, 6 Mitchell.
void BM_StretchEnlarge(benchmark::State& state) {
    RunStretch(state, Small(), 1024, static_cast<uint8_t>(state.range(0)));
}
BENCHMARK(BM_StretchEnlarge)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtSmoothEnlargeBGR888(benchmark::State& state) {
    static const QImage source = AsQImage(Small(), QImage::Format_BGR888);
    RunQt(state, source, 1024);
}
BENCHMARK(BM_QtSmoothEnlargeBGR888)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtSmoothEnlargeRGB32(benchmark::State& state) {
    static const QImage source = AsQImage(Small(), QImage::Format_RGB32);
    RunQt(state, source, 1024);
}
BENCHMARK(BM_QtSmoothEnlargeRGB32)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
