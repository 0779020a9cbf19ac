// The image readers next to Qt's readers of the same files in the same run:
// a 4096 x 4096 RGB image with smooth gradients, noise and edges, saved by Qt
// as PNG and as LZW-compressed TIFF, and written here as Targa (raw and
// run-length encoded), as GIF (its colours reduced to 256) and as a raw
// Photoshop file, then decoded from memory. Both sides decode to 8, 24 or
// 32-bit pixels in memory and keep nothing between runs. Qt has no Photoshop
// reader: that one runs alone.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <cstdlib>
#include <random>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "imageformats/ImageGif.h"
#include "imageformats/ImagePng.h"
#include "imageformats/ImagePsd.h"
#include "imageformats/ImageTarga.h"
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

constexpr int Side = 4096;

// Appends little- or big-endian numbers.
void Put16(QByteArray& b, int v, bool big = false) {
    const char bytes[2] = {static_cast<char>(big ? v >> 8 : v), static_cast<char>(big ? v : v >> 8)};
    b.append(bytes, 2);
}
void Put32BE(QByteArray& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.append(static_cast<char>(v >> shift));
}

// A true-colour Targa file, rows top first, raw or run-length encoded.
QByteArray Targa(bool rle) {
    static const QImage image = TestImage(Side);
    QByteArray b(18, 0);
    b[2] = rle ? 10 : 2;
    b[7] = 24;
    b[12] = static_cast<char>(Side & 255), b[13] = static_cast<char>(Side >> 8);
    b[14] = static_cast<char>(Side & 255), b[15] = static_cast<char>(Side >> 8);
    b[16] = 24, b[17] = 0x20;
    img::TTargaRLEDecoder encoder(24);
    std::vector<uint8_t> row(Side * 3), packed(static_cast<std::size_t>(encoder.MaxEncodedSize(Side)));
    for (int y = 0; y < Side; ++y) {
        const uchar* p = image.scanLine(y);
        for (int x = 0; x < Side; ++x) row[3 * x] = p[3 * x + 2], row[3 * x + 1] = p[3 * x + 1], row[3 * x + 2] = p[3 * x];
        if (!rle) {
            b.append(reinterpret_cast<const char*>(row.data()), static_cast<qsizetype>(row.size()));
            continue;
        }
        int32_t stored = 0;
        encoder.Encode(row.data(), packed.data(), Side, stored);
        b.append(reinterpret_cast<const char*>(packed.data()), stored);
    }
    // The footer of version 2 files, by which Qt's reader knows the format.
    b.append(8, 0).append("TRUEVISION-XFILE.").append(char{0});
    return b;
}

// A GIF of the image with 256 colours (3-3-2 bits of red, green and blue),
// LZW-encoded with a string table that starts afresh when it is full.
QByteArray Gif() {
    static const QImage image = TestImage(Side);
    QByteArray b("GIF89a");
    Put16(b, Side), Put16(b, Side);
    b.append(static_cast<char>(0xF7)).append(2, 0);  // a colour table of 256 entries
    for (int i = 0; i < 256; ++i) {
        const char rgb[3] = {static_cast<char>((i >> 5) * 255 / 7), static_cast<char>(((i >> 2) & 7) * 255 / 7),
                             static_cast<char>((i & 3) * 255 / 3)};
        b.append(rgb, 3);
    }
    b.append(',');
    Put16(b, 0), Put16(b, 0), Put16(b, Side), Put16(b, Side);
    b.append(char{0});
    b.append(char{8});  // the minimum code size
    QByteArray data;
    uint32_t bits = 0;
    int count = 0, width = 9, next = 258;
    auto put = [&](int code) {
        bits |= static_cast<uint32_t>(code) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8) data.append(static_cast<char>(bits & 255));
    };
    std::vector<int> table(4096 * 256, -1);
    put(256);
    int prefix = -1;
    for (int y = 0; y < Side; ++y) {
        const uchar* p = image.scanLine(y);
        for (int x = 0; x < Side; ++x) {
            const int c = (p[3 * x] & 0xE0) | ((p[3 * x + 1] >> 3) & 0x1C) | (p[3 * x + 2] >> 6);
            if (prefix < 0) {
                prefix = c;
            } else if (table[prefix * 256 + c] >= 0) {
                prefix = table[prefix * 256 + c];
            } else {
                put(prefix);
                if (next == 4096) {
                    put(256);
                    std::fill(table.begin(), table.end(), -1);
                    next = 258, width = 9;
                } else {
                    table[prefix * 256 + c] = next++;
                    if (next > (1 << width) && width < 12) ++width;
                }
                prefix = c;
            }
        }
    }
    put(prefix);
    put(257);
    if (count > 0) data.append(static_cast<char>(bits & 255));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - at);
        b.append(static_cast<char>(n));
        b.append(data.constData() + at, n);
    }
    b.append(char{0});
    b.append(';');
    return b;
}

// A raw Photoshop file of the image: three planes.
QByteArray Psd() {
    static const QImage image = TestImage(Side);
    QByteArray b("8BPS");
    Put16(b, 1, true);
    b.append(QByteArray(6, 0));
    Put16(b, 3, true);
    Put32BE(b, Side), Put32BE(b, Side);
    Put16(b, 8, true), Put16(b, 3, true);
    Put32BE(b, 0), Put32BE(b, 0), Put32BE(b, 0);
    Put16(b, 0, true);
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < Side; ++y) {
            const uchar* p = image.scanLine(y);
            for (int x = 0; x < Side; ++x) b.append(static_cast<char>(p[3 * x + c]));
        }
    return b;
}

const QByteArray& RawTarga() {
    static const QByteArray bytes = Targa(false);
    return bytes;
}
const QByteArray& RleTarga() {
    static const QByteArray bytes = Targa(true);
    return bytes;
}
const QByteArray& GifFile() {
    static const QByteArray bytes = Gif();
    return bytes;
}
const QByteArray& PsdFile() {
    static const QByteArray bytes = Psd();
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

void BM_TargaOurs(benchmark::State& state) { RunOurs<img::TTargaGraphic>(state, RawTarga()); }
void BM_TargaQt(benchmark::State& state) { RunQt(state, RawTarga(), "tga"); }
void BM_TargaRleOurs(benchmark::State& state) { RunOurs<img::TTargaGraphic>(state, RleTarga()); }
void BM_TargaRleQt(benchmark::State& state) { RunQt(state, RleTarga(), "tga"); }
void BM_GifOurs(benchmark::State& state) { RunOurs<img::TGIFGraphic>(state, GifFile()); }
void BM_GifQt(benchmark::State& state) { RunQt(state, GifFile(), "gif"); }
void BM_PsdOurs(benchmark::State& state) { RunOurs<img::TPSDGraphic>(state, PsdFile()); }

BENCHMARK(BM_TargaOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargaQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargaRleOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargaRleQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PsdOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwTiffOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwTiffQt)->Unit(benchmark::kMillisecond);

}  // namespace
