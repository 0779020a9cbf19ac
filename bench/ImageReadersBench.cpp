// The PNG and TIFF readers next to Qt's readers of the same files in the same
// run: a 4096 x 4096 RGB image with smooth gradients, noise and edges, saved
// by Qt as PNG and as LZW-compressed TIFF, then decoded from memory. Both
// sides decode to 24 or 32-bit pixels in memory and keep nothing between
// runs.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <cstdlib>
#include <random>
#include <vector>

#include "imageformats/ImagePng.h"
#include "imageformats/ImageTiff.h"
#include "platform/gfx/Stream.h"

namespace {

QImage TestImage(int size) {
    QImage image(size, size, QImage::Format_RGB888);
    std::mt19937 rng(17);
    for (int y = 0; y < size; ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < size; ++x) {
            const int noise = static_cast<int>(rng() & 15);
            const bool edge = ((x / 97) + (y / 61)) % 5 == 0;
            p[3 * x] = static_cast<uchar>((x * 255 / size + noise) & 255);
            p[3 * x + 1] = static_cast<uchar>(edge ? 240 : (y * 255 / size + noise / 2) & 255);
            p[3 * x + 2] = static_cast<uchar>(((x + y) * 127 / size + noise) & 255);
        }
    }
    return image;
}

// The test image encoded by Qt in a format; an empty array when Qt cannot
// write it (the TIFF plugin missing).
QByteArray Encoded(const char* format, int compression) {
    static const QImage image = TestImage(4096);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setCompression(compression);
    if (!writer.write(image)) return {};
    return bytes;
}

const QByteArray& Png() {
    static const QByteArray bytes = Encoded("png", 50);
    return bytes;
}

const QByteArray& LzwTiff() {
    static const QByteArray bytes = Encoded("tiff", 1);
    return bytes;
}

template <class Reader>
void RunOurs(benchmark::State& state, const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        state.SkipWithError("Qt cannot write the file (qt6-image-formats-plugins missing)");
        return;
    }
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size()));
    for (auto _ : state) {
        gfx::MemoryStream stream(data);
        Reader reader;
        reader.loadFromStream(stream);
        benchmark::DoNotOptimize(reader.bits());
    }
    state.SetBytesProcessed(state.iterations() * 4096LL * 4096 * 3);
}

void RunQt(benchmark::State& state, const QByteArray& bytes, const char* format) {
    if (bytes.isEmpty()) {
        state.SkipWithError("Qt cannot write the file (qt6-image-formats-plugins missing)");
        return;
    }
    for (auto _ : state) {
        QImage image;
        if (!image.loadFromData(bytes, format)) state.SkipWithError("Qt cannot read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * 4096LL * 4096 * 3);
}

void BM_PngOurs(benchmark::State& state) { RunOurs<img::TPNGGraphic>(state, Png()); }
void BM_PngQt(benchmark::State& state) { RunQt(state, Png(), "png"); }
void BM_LzwTiffOurs(benchmark::State& state) { RunOurs<img::TTIFFGraphic>(state, LzwTiff()); }
void BM_LzwTiffQt(benchmark::State& state) { RunQt(state, LzwTiff(), "tiff"); }

BENCHMARK(BM_PngOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwTiffOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwTiffQt)->Unit(benchmark::kMillisecond);

}  // namespace
