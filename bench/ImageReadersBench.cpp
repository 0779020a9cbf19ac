// The image readers beside the reference library of each format, decoding the
// same file from memory in the same run: libpng for PNG, libtiff's
// TIFFReadRGBAImage for LZW and deflate TIFF, libjpeg for JPEG, stb_image
// for Photoshop, Targa and GIF. The file is a 4096 x 4096 photographic map
// (smooth gradients, noise and edges) written by the reference library (or
// here, for Photoshop, Targa and GIF). One thread each; both sides decode
// into pixels in memory and keep nothing between runs.
//
// Each reference runs first; the line of ours then shows `x_ref`, our time
// over the reference's, and `peak_x`, the memory one decode of ours takes at
// its peak over the bytes of the pixels it delivers (`peak_MB` the same in
// megabytes; the reference's line shows its own).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#if MIRELAN_HAVE_STB
#include <stb/stb_image.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "imageformats/ImageGif.h"
#include "imageformats/ImagePng.h"
#include "imageformats/ImagePsd.h"
#include "imageformats/ImageTarga.h"
#include "imageformats/ImageTiff.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int Side = 4096;
constexpr std::size_t RgbBytes = std::size_t{Side} * Side * 3;

// The test image as R, G, B rows.
const Bytes& TestImage() {
    static const Bytes image = [] {
        Bytes b(RgbBytes);
        std::mt19937 rng(17);
        for (int y = 0; y < Side; ++y) {
            uint8_t* p = b.data() + std::size_t{3} * Side * y;
            for (int x = 0; x < Side; ++x) {
                const int noise = static_cast<int>(rng() & 15);
                const bool edge = ((x / 97) + (y / 61)) % 5 == 0;
                p[3 * x] = static_cast<uint8_t>((x * 255 / Side + noise) & 255);
                p[3 * x + 1] = static_cast<uint8_t>(edge ? 240 : (y * 255 / Side + noise / 2) & 255);
                p[3 * x + 2] = static_cast<uint8_t>(((x + y) * 127 / Side + noise) & 255);
            }
        }
        return b;
    }();
    return image;
}

const uint8_t* Row(int y) { return TestImage().data() + std::size_t{3} * Side * y; }

// ---- Memory ---------------------------------------------------------------------

// Blocks of 64 KB and more are mapped alone and given back when freed, so
// that the resident set follows what a decode holds (glibc otherwise raises
// its threshold after the first large block and keeps freed memory).
const bool MallocSet = (mallopt(M_MMAP_THRESHOLD, 64 * 1024), mallopt(M_TRIM_THRESHOLD, 64 * 1024), true);

// A value of /proc/self/status in kilobytes.
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
    return 0;
}

// The memory one run of `decode` takes at its peak, in bytes: the peak of the
// resident set (reset before) over the resident set before.
double PeakBytes(const std::function<void()>& decode) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKb("VmRSS:");
    decode();
    return static_cast<double>(StatusKb("VmHWM:") - before) * 1024;
}

// ---- Runs -------------------------------------------------------------------------

// The time of one decode of each reference, for the line of ours.
std::map<std::string, double>& ReferenceSeconds() {
    static std::map<std::string, double> times;
    return times;
}

// Times `decode` and sets the counters; `delivered` is the bytes of the
// pixels one decode gives. `format` names the pair; `reference` marks the
// reference's run.
void Run(benchmark::State& state, const std::string& format, bool reference, const std::size_t& delivered,
         const std::function<void()>& decode) {
    const double peak = PeakBytes(decode);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        decode();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double each = seconds / static_cast<double>(state.iterations());
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_x"] = peak / static_cast<double>(delivered);
    if (reference) {
        ReferenceSeconds()[format] = each;
    } else if (const auto it = ReferenceSeconds().find(format); it != ReferenceSeconds().end()) {
        state.counters["x_ref"] = each / it->second;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(RgbBytes));
}

// True when a 24-bit bitmap holds the test image's pixels.
bool SameAsTestImage(const gfx::Bitmap& bitmap) {
    if (bitmap.width() != Side || bitmap.height() != Side || bitmap.pixelFormat() != gfx::PixelFormat::pf24bit)
        return false;
    for (int y = 0; y < Side; ++y) {
        const uint8_t* ours = bitmap.scanLine(y);
        const uint8_t* image = Row(y);
        for (int x = 0; x < 3 * Side; x += 3)
            if (ours[x] != image[x + 2] || ours[x + 1] != image[x + 1] || ours[x + 2] != image[x]) return false;
    }
    return true;
}

// A reader of ours on the file, from memory; a lossless file must give the
// test image back.
template <class Reader>
void RunOurs(benchmark::State& state, const std::string& format, const Bytes& file, bool lossless = true) {
    if (lossless) {
        gfx::MemoryStream stream{std::span<const uint8_t>(file)};
        Reader reader;
        reader.loadFromStream(stream);
        if (!SameAsTestImage(reader)) {
            state.SkipWithError("our pixels differ from the test image");
            return;
        }
    }
    std::size_t delivered = 0;
    Run(state, format, false, delivered, [&] {
        gfx::MemoryStream stream{std::span<const uint8_t>(file)};
        Reader reader;
        reader.loadFromStream(stream);
        delivered = static_cast<std::size_t>(reader.bytesPerLine()) * static_cast<std::size_t>(reader.height());
        benchmark::DoNotOptimize(reader.bits());
    });
}

// ---- PNG through libpng -------------------------------------------------------------

const Bytes& PngFile() {
    static const Bytes file = [] {
        Bytes out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(
            png, &out,
            [](png_structp p, png_bytep data, png_size_t n) {
                auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
                o->insert(o->end(), data, data + n);
            },
            nullptr);
        png_set_IHDR(png, info, Side, Side, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < Side; ++y) png_write_row(png, Row(y));
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return out;
    }();
    return file;
}

struct MemoryReader {
    const Bytes* bytes;
    std::size_t at;
};

void LibpngDecode(const Bytes& file) {
    MemoryReader reader{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep data, png_size_t n) {
        auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
        if (n > r->bytes->size() - r->at) png_error(p, "end of data");
        std::memcpy(data, r->bytes->data() + r->at, n);
        r->at += n;
    });
    png_read_info(png, info);
    png_set_bgr(png);
    const std::size_t stride = png_get_rowbytes(png, info);
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * Side]);
    for (int y = 0; y < Side; ++y) png_read_row(png, pixels.get() + stride * static_cast<std::size_t>(y), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.get());
}

void BM_Png_libpng(benchmark::State& state) { Run(state, "png", true, RgbBytes, [] { LibpngDecode(PngFile()); }); }
void BM_Png_ours(benchmark::State& state) { RunOurs<img::TPNGGraphic>(state, "png", PngFile()); }

// ---- TIFF through libtiff ------------------------------------------------------------

// A TIFF written by libtiff with its default strips (about 8 KB each).
Bytes TiffFile(uint16_t compression, uint16_t predictor) {
    char name[] = "/tmp/mirelan-bench-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    TIFF* tif = TIFFOpen(name, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, Side);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, Side);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (predictor > 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, predictor);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    Bytes row(std::size_t{3} * Side);
    for (int y = 0; y < Side; ++y) {
        std::memcpy(row.data(), Row(y), row.size());
        TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0);
    }
    TIFFClose(tif);
    std::ifstream in(name, std::ios::binary);
    Bytes out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(name);
    return out;
}

const Bytes& LzwTiff() {
    static const Bytes file = TiffFile(COMPRESSION_LZW, 1);
    return file;
}
const Bytes& DeflateTiff() {
    static const Bytes file = TiffFile(COMPRESSION_ADOBE_DEFLATE, 2);
    return file;
}

// libtiff's client procedures over a block of memory.
struct TiffMemory {
    const Bytes* bytes;
    toff_t at = 0;
};

void LibtiffDecode(const Bytes& file) {
    TiffMemory memory{&file};
    TIFF* tif = TIFFClientOpen(
        "memory", "r", &memory,
        [](thandle_t h, tdata_t buf, tmsize_t n) -> tmsize_t {
            auto* m = static_cast<TiffMemory*>(h);
            const toff_t left = m->bytes->size() - std::min<toff_t>(m->at, m->bytes->size());
            const tmsize_t got = std::min<tmsize_t>(n, static_cast<tmsize_t>(left));
            if (got > 0) std::memcpy(buf, m->bytes->data() + m->at, static_cast<std::size_t>(got));
            m->at += static_cast<toff_t>(std::max<tmsize_t>(got, 0));
            return got;
        },
        [](thandle_t, tdata_t, tmsize_t) -> tmsize_t { return 0; },
        [](thandle_t h, toff_t off, int whence) -> toff_t {
            auto* m = static_cast<TiffMemory*>(h);
            m->at = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->at + off : m->bytes->size() + off;
            return m->at;
        },
        [](thandle_t) { return 0; },
        [](thandle_t h) -> toff_t { return static_cast<TiffMemory*>(h)->bytes->size(); },
        [](thandle_t, tdata_t*, toff_t*) { return 0; }, [](thandle_t, tdata_t, toff_t) {});
    std::unique_ptr<uint32_t[]> raster(new uint32_t[std::size_t{Side} * Side]);
    TIFFReadRGBAImage(tif, Side, Side, raster.get(), 0);
    TIFFClose(tif);
    benchmark::DoNotOptimize(raster.get());
}

void BM_LzwTiff_libtiff(benchmark::State& state) {
    Run(state, "lzw", true, std::size_t{Side} * Side * 4, [] { LibtiffDecode(LzwTiff()); });
}
void BM_LzwTiff_ours(benchmark::State& state) { RunOurs<img::TTIFFGraphic>(state, "lzw", LzwTiff()); }
void BM_DeflateTiff_libtiff(benchmark::State& state) {
    Run(state, "deflate", true, std::size_t{Side} * Side * 4, [] { LibtiffDecode(DeflateTiff()); });
}
void BM_DeflateTiff_ours(benchmark::State& state) { RunOurs<img::TTIFFGraphic>(state, "deflate", DeflateTiff()); }

// ---- JPEG through libjpeg -------------------------------------------------------------

const Bytes& JpegFile() {
    static const Bytes file = [] {
        jpeg_compress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&info, &out, &size);
        info.image_width = Side;
        info.image_height = Side;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        for (int y = 0; y < Side; ++y) {
            JSAMPROW row = const_cast<uint8_t*>(Row(y));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        Bytes bytes(out, out + size);
        std::free(out);
        return bytes;
    }();
    return file;
}

void LibjpegDecode(const Bytes& file) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t{3} * info.output_width;
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * info.output_height]);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.get() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.get());
}

void BM_Jpeg_libjpeg(benchmark::State& state) {
    Run(state, "jpeg", true, RgbBytes, [] { LibjpegDecode(JpegFile()); });
}
void BM_Jpeg_ours(benchmark::State& state) { RunOurs<gfx::JpegImage>(state, "jpeg", JpegFile(), false); }

// ---- Photoshop, Targa and GIF, written here ---------------------------------------------

void Put16(Bytes& b, int v, bool big) {
    b.push_back(static_cast<uint8_t>(big ? v >> 8 : v));
    b.push_back(static_cast<uint8_t>(big ? v : v >> 8));
}
void Put32BE(Bytes& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

// A raw Photoshop file of the image: three planes.
const Bytes& PsdFile() {
    static const Bytes file = [] {
        Bytes b = {'8', 'B', 'P', 'S'};
        b.reserve(64 + 3 * Side * Side);
        Put16(b, 1, true);
        b.insert(b.end(), 6, 0);
        Put16(b, 3, true);
        Put32BE(b, Side), Put32BE(b, Side);
        Put16(b, 8, true), Put16(b, 3, true);
        Put32BE(b, 0), Put32BE(b, 0), Put32BE(b, 0);
        Put16(b, 0, true);
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < Side; ++y)
                for (int x = 0; x < Side; ++x) b.push_back(Row(y)[3 * x + c]);
        return b;
    }();
    return file;
}

// A true-colour Targa file, rows top first, raw or run-length encoded.
Bytes Targa(bool rle) {
    Bytes b(18, 0);
    b[2] = rle ? 10 : 2;
    b[12] = Side & 255, b[13] = Side >> 8;
    b[14] = Side & 255, b[15] = Side >> 8;
    b[16] = 24, b[17] = 0x20;
    img::TTargaRLEDecoder encoder(24);
    Bytes row(std::size_t{Side} * 3), packed(static_cast<std::size_t>(encoder.MaxEncodedSize(Side)));
    for (int y = 0; y < Side; ++y) {
        const uint8_t* p = Row(y);
        for (int x = 0; x < Side; ++x) row[3 * x] = p[3 * x + 2], row[3 * x + 1] = p[3 * x + 1], row[3 * x + 2] = p[3 * x];
        if (!rle) {
            b.insert(b.end(), row.begin(), row.end());
            continue;
        }
        int32_t stored = 0;
        encoder.Encode(row.data(), packed.data(), Side, stored);
        b.insert(b.end(), packed.begin(), packed.begin() + stored);
    }
    return b;
}

const Bytes& RawTarga() {
    static const Bytes file = Targa(false);
    return file;
}
const Bytes& RleTarga() {
    static const Bytes file = Targa(true);
    return file;
}

// A GIF of the image with 256 colours (3-3-2 bits of red, green and blue),
// LZW-encoded with a string table that starts afresh when it is full.
const Bytes& GifFile() {
    static const Bytes file = [] {
        Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
        Put16(b, Side, false), Put16(b, Side, false);
        b.insert(b.end(), {0xF7, 0, 0});  // a colour table of 256 entries
        for (int i = 0; i < 256; ++i)
            b.insert(b.end(), {static_cast<uint8_t>((i >> 5) * 255 / 7), static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
                               static_cast<uint8_t>((i & 3) * 255 / 3)});
        b.push_back(',');
        Put16(b, 0, false), Put16(b, 0, false), Put16(b, Side, false), Put16(b, Side, false);
        b.push_back(0);
        b.push_back(8);  // the minimum code size
        Bytes data;
        uint32_t bits = 0;
        int count = 0, width = 9, next = 258;
        auto put = [&](int code) {
            bits |= static_cast<uint32_t>(code) << count;
            for (count += width; count >= 8; count -= 8, bits >>= 8) data.push_back(static_cast<uint8_t>(bits & 255));
        };
        std::vector<int> table(4096 * 256, -1);
        put(256);
        int prefix = -1;
        for (int y = 0; y < Side; ++y) {
            const uint8_t* p = Row(y);
            for (int x = 0; x < Side; ++x) {
                const int c = (p[3 * x] & 0xE0) | ((p[3 * x + 1] >> 3) & 0x1C) | (p[3 * x + 2] >> 6);
                if (prefix < 0) {
                    prefix = c;
                } else if (table[static_cast<std::size_t>(prefix) * 256 + c] >= 0) {
                    prefix = table[static_cast<std::size_t>(prefix) * 256 + c];
                } else {
                    put(prefix);
                    if (next == 4096) {
                        put(256);
                        std::fill(table.begin(), table.end(), -1);
                        next = 258, width = 9;
                    } else {
                        table[static_cast<std::size_t>(prefix) * 256 + c] = next++;
                        if (next > (1 << width) && width < 12) ++width;
                    }
                    prefix = c;
                }
            }
        }
        put(prefix);
        put(257);
        if (count > 0) data.push_back(static_cast<uint8_t>(bits & 255));
        for (std::size_t at = 0; at < data.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, data.size() - at);
            b.push_back(static_cast<uint8_t>(n));
            b.insert(b.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                     data.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        b.push_back(0);
        b.push_back(';');
        return b;
    }();
    return file;
}

#if MIRELAN_HAVE_STB
// stb_image's decoding of a file to `components` bytes a pixel.
void StbDecode(const Bytes& file, int components) {
    int w = 0, h = 0, n = 0;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, components);
    if (!pixels) std::abort();
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
}

void BM_Psd_stb(benchmark::State& state) { Run(state, "psd", true, RgbBytes, [] { StbDecode(PsdFile(), 3); }); }
void BM_Targa_stb(benchmark::State& state) { Run(state, "tga", true, RgbBytes, [] { StbDecode(RawTarga(), 3); }); }
void BM_TargaRle_stb(benchmark::State& state) {
    Run(state, "tga-rle", true, RgbBytes, [] { StbDecode(RleTarga(), 3); });
}
// GIF comes out of stb_image as 4 bytes a pixel.
void BM_Gif_stb(benchmark::State& state) {
    Run(state, "gif", true, std::size_t{Side} * Side * 4, [] { StbDecode(GifFile(), 4); });
}
BENCHMARK(BM_Psd_stb)->Unit(benchmark::kMillisecond);
#endif

void BM_Psd_ours(benchmark::State& state) { RunOurs<img::TPSDGraphic>(state, "psd", PsdFile()); }
void BM_Targa_ours(benchmark::State& state) { RunOurs<img::TTargaGraphic>(state, "tga", RawTarga()); }
void BM_TargaRle_ours(benchmark::State& state) { RunOurs<img::TTargaGraphic>(state, "tga-rle", RleTarga()); }
void BM_Gif_ours(benchmark::State& state) { RunOurs<img::TGIFGraphic>(state, "gif", GifFile(), false); }

BENCHMARK(BM_Psd_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Png_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwTiff_libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwTiff_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeflateTiff_libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeflateTiff_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg_ours)->Unit(benchmark::kMillisecond);
#if MIRELAN_HAVE_STB
BENCHMARK(BM_Targa_stb)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_Targa_ours)->Unit(benchmark::kMillisecond);
#if MIRELAN_HAVE_STB
BENCHMARK(BM_TargaRle_stb)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_TargaRle_ours)->Unit(benchmark::kMillisecond);
#if MIRELAN_HAVE_STB
BENCHMARK(BM_Gif_stb)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_Gif_ours)->Unit(benchmark::kMillisecond);

}  // namespace
