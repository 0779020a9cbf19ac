// Every picture reader over the product of its header's kind fields: small
// files (3 x 2 pixels) are made for every combination of the values of the
// fields that choose the colour model, the depth, the layout and the
// compression (each over its whole domain, with values beyond it), and each
// is decoded through the registry as the program decodes a map. Each file
// is decoded, or refused with the reader's error (of the graphics layer, and
// not the colour manager's: a reader checks the colour model it hands on),
// which leaves the reader empty; the sanitizers of the test build catch
// every access out of bounds on the way. Each reader must also decode a
// good share of its files, so that the files reach the row converters. The
// counts of decoded files and of each error are printed.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

namespace img {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t Width = 3, Height = 2;

// ---- Writing ------------------------------------------------------------------

void Put(Bytes& b, uint64_t v, int size, bool bigEndian) {
    for (int k = 0; k < size; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * (bigEndian ? size - 1 - k : k))));
}
void PutLE(Bytes& b, uint64_t v, int size) { Put(b, v, size, false); }
void PutBE(Bytes& b, uint64_t v, int size) { Put(b, v, size, true); }
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// `n` bytes that change from one to the next (a seed gives another run).
Bytes Pattern(std::size_t n, uint32_t seed = 1) {
    Bytes b(n);
    uint32_t v = seed * 2654435761u;
    for (uint8_t& x : b) {
        v = v * 1103515245u + 12345u;
        x = static_cast<uint8_t>(v >> 16);
    }
    return b;
}

// The data as literal packets of at most `most` bytes, each after the header
// `header(n)` gives for n bytes.
Bytes Literals(const Bytes& data, std::size_t most, const std::function<Bytes(std::size_t)>& header) {
    Bytes out;
    for (std::size_t at = 0; at < data.size(); at += most) {
        const std::size_t n = std::min(most, data.size() - at);
        Append(out, header(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return out;
}

Bytes PackBits(const Bytes& data) {
    return Literals(data, 128, [](std::size_t n) { return Bytes{static_cast<uint8_t>(n - 1)}; });
}

Bytes Deflate(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6);
    out.resize(size);
    return out;
}

// LZW data of `data` as literal codes, each after a clear code, so that the
// table never grows: codes of codeSize + 1 bits (clear 2^codeSize, end the
// one after), packed from the most (TIFF) or least (GIF) significant bit.
// Values above the literals are cut to them.
Bytes LzwLiterals(const Bytes& data, int codeSize, bool msbFirst) {
    const uint32_t clear = 1u << codeSize, width = static_cast<uint32_t>(codeSize) + 1;
    Bytes out;
    uint64_t bits = 0;
    uint32_t count = 0;
    auto put = [&](uint32_t code) {
        if (msbFirst) {
            bits = (bits << width) | code;
            count += width;
            while (count >= 8) out.push_back(static_cast<uint8_t>(bits >> (count -= 8)));
        } else {
            bits |= uint64_t{code} << count;
            count += width;
            for (; count >= 8; count -= 8, bits >>= 8) out.push_back(static_cast<uint8_t>(bits));
        }
    };
    for (uint8_t v : data) {
        put(clear);
        put(v & (clear - 1));
    }
    put(clear + 1);
    if (count > 0) out.push_back(static_cast<uint8_t>(msbFirst ? bits << (8 - count) : bits));
    return out;
}

// A baseline JPEG of width x rows pixels of 1, 3 or 4 components in the
// colour space, the first component sampled h x v times as often as the
// others.
Bytes Jpeg(uint32_t width, uint32_t rows, int components, J_COLOR_SPACE space, int h, int v) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = rows;
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, space);
    for (int c = 0; c < components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    info.comp_info[0].h_samp_factor = h;
    info.comp_info[0].v_samp_factor = v;
    jpeg_start_compress(&info, TRUE);
    const Bytes samples = Pattern(std::size_t{width} * rows * static_cast<std::size_t>(components), 71);
    for (uint32_t y = 0; y < rows; ++y) {
        JSAMPROW row = const_cast<uint8_t*>(samples.data()) + std::size_t{y} * width * static_cast<std::size_t>(components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Every combination of the values of the fields: `each` gets one value of
// each field, in the order of the fields.
void ForEachCombination(const std::vector<std::vector<int>>& fields, const std::function<void(const std::vector<int>&)>& each) {
    std::vector<std::size_t> at(fields.size(), 0);
    std::vector<int> values(fields.size());
    for (;;) {
        for (std::size_t f = 0; f < fields.size(); ++f) values[f] = fields[f][at[f]];
        each(values);
        std::size_t f = 0;
        for (; f < fields.size() && ++at[f] == fields[f].size(); ++f) at[f] = 0;
        if (f == fields.size()) return;
    }
}

std::string Describe(const char* format, const std::vector<int>& values) {
    std::string text = format;
    for (int v : values) text += " " + std::to_string(v);
    return text;
}

// ---- Decoding -------------------------------------------------------------------

// What the files of one reader gave.
struct Tally {
    int files = 0;
    int decoded = 0;
    std::map<std::string, int> errors;  // message: count
};

// Decodes a file as the program decodes a picture: by its content through
// the registry, else by its extension. Anything but a decoded bitmap or an
// error of the reader (of the graphics layer, not of the colour manager)
// that leaves the reader empty fails.
void Decode(const Bytes& file, const char* extension, const std::string& what, Tally& tally) {
    ++tally.files;
    gfx::MemoryStream stream(file);
    const gfx::GraphicClass* cls = FileFormatList()->GraphicFromContent(stream);
    if (!cls) cls = gfx::pictureFormats().classForExtension(extension);
    ASSERT_NE(cls, nullptr) << what;
    const std::unique_ptr<gfx::Graphic> graphic = cls->create();
    try {
        graphic->loadFromStream(stream);
        const gfx::Bitmap bitmap = graphic->toBitmap().convertedTo(gfx::PixelFormat::pf32bit);
        EXPECT_FALSE(bitmap.empty()) << what;
        ++tally.decoded;
    } catch (const EColorConversionError& e) {
        // The colour manager refused what the reader handed it: the reader
        // did not check its colour model.
        ADD_FAILURE() << what << ": the colour manager's error \"" << e.what() << "\"";
    } catch (const gfx::Error& e) {
        ++tally.errors[e.what()];
        EXPECT_TRUE(graphic->empty()) << what << ": a half-made bitmap after \"" << e.what() << "\"";
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": an error outside the graphics layer: " << e.what();
    }
}

void Report(const char* reader, const Tally& tally) {
    std::string text = std::string(reader) + ": " + std::to_string(tally.files) + " files, " +
                       std::to_string(tally.decoded) + " decoded";
    for (const auto& [message, count] : tally.errors) text += "\n  " + std::to_string(count) + " x " + message;
    std::cout << text << std::endl;
}

class HeaderCombinationTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterImageFormats(); }
};

// ---- TIFF -------------------------------------------------------------------------

struct TiffKinds {
    bool bigEndian = false;
    int photometric = 1, samples = 1, bits = 8, planar = 1;
    int extra = -1;  // the one ExtraSamples value; -1 none
    int format = 1, compression = 1, predictor = 1, fillOrder = 1;
    uint32_t rowsPerStrip = 1;
    uint32_t tileWidth = 0, tileLength = 0;  // strips unless both are above 0
    int subsamplingH = 1, subsamplingV = 1;  // of YCbCr
};

// A TIFF of Width x Height in strips or tiles, one set a plane with separate
// planes; colour maps for palette images. The data of each strip or tile
// follows its compression.
Bytes TiffFile(const TiffKinds& k) {
    const bool be = k.bigEndian;
    const bool tiled = k.tileWidth > 0 && k.tileLength > 0;
    const int planes = k.planar == 2 && k.samples > 1 ? k.samples : 1;
    const int unitSamples = planes > 1 ? 1 : std::max(k.samples, 1);
    const uint32_t stripRows = std::clamp<uint32_t>(k.rowsPerStrip, 1, Height);
    const uint32_t unitWidth = tiled ? k.tileWidth : Width, unitRows = tiled ? k.tileLength : stripRows;
    const uint32_t unitsPerPlane = tiled ? ((Width + k.tileWidth - 1) / k.tileWidth) * ((Height + k.tileLength - 1) / k.tileLength)
                                         : (Height + stripRows - 1) / stripRows;
    const std::size_t rowBytes = (std::size_t{unitWidth} * static_cast<std::size_t>(k.bits * unitSamples) + 7) / 8;
    // The data of the units, one after the other from offset 8.
    Bytes data;
    std::vector<uint32_t> offsets, counts;
    for (uint32_t u = 0; u < unitsPerPlane * static_cast<uint32_t>(planes); ++u) {
        const Bytes raw = Pattern(rowBytes * unitRows, u + 1);
        Bytes packed;
        switch (k.compression) {
        case 5: packed = LzwLiterals(raw, 8, true); break;
        case 8: packed = Deflate(raw); break;
        case 32773: packed = PackBits(raw); break;
        case 7:
            // JPEG of the unit's samples as components, in the colour space
            // of the photometric interpretation.
            if (unitSamples == 1 || unitSamples == 3 || unitSamples == 4) {
                // (libjpeg takes at most 10 blocks a unit of the interleaved scan.)
                const bool subsampled = unitSamples == 3 && k.photometric == 6 && k.subsamplingH >= 1 &&
                                        k.subsamplingV >= 1 && k.subsamplingH * k.subsamplingV <= 8;
                packed = Jpeg(unitWidth, unitRows, unitSamples,
                              unitSamples == 1 ? JCS_GRAYSCALE
                              : unitSamples == 4 ? JCS_CMYK
                              : k.photometric == 6 ? JCS_YCbCr
                                                   : JCS_RGB,
                              subsampled ? k.subsamplingH : 1, subsampled ? k.subsamplingV : 1);
            }
            else
                packed = raw;
            break;
        default: packed = raw; break;  // uncompressed, or data the decoder must survive
        }
        offsets.push_back(8 + static_cast<uint32_t>(data.size()));
        counts.push_back(static_cast<uint32_t>(packed.size()));
        Append(data, packed);
        if (data.size() % 2) data.push_back(0);
    }
    struct Tag {
        uint16_t tag, type;
        std::vector<uint32_t> values;
    };
    std::vector<Tag> tags = {{256, 3, {Width}},
                             {257, 3, {Height}},
                             {258, 3, std::vector<uint32_t>(static_cast<std::size_t>(k.samples), static_cast<uint32_t>(k.bits))},
                             {259, 3, {static_cast<uint32_t>(k.compression)}},
                             {262, 3, {static_cast<uint32_t>(k.photometric)}},
                             {277, 3, {static_cast<uint32_t>(k.samples)}},
                             {266, 3, {static_cast<uint32_t>(k.fillOrder)}},
                             {284, 3, {static_cast<uint32_t>(k.planar)}},
                             {317, 3, {static_cast<uint32_t>(k.predictor)}},
                             {339, 3, std::vector<uint32_t>(static_cast<std::size_t>(k.samples), static_cast<uint32_t>(k.format))}};
    if (tiled) {
        tags.push_back({322, 4, {k.tileWidth}});
        tags.push_back({323, 4, {k.tileLength}});
        tags.push_back({324, 4, offsets});
        tags.push_back({325, 4, counts});
    } else {
        tags.push_back({273, 4, offsets});
        tags.push_back({278, 4, {k.rowsPerStrip}});
        tags.push_back({279, 4, counts});
    }
    if (k.extra >= 0) tags.push_back({338, 3, {static_cast<uint32_t>(k.extra)}});
    if (k.photometric == 3) {
        const std::size_t colors = k.bits <= 8 ? std::size_t{1} << k.bits : 256;
        std::vector<uint32_t> map(3 * colors);
        for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint32_t>(i * 4099 % 65536);
        tags.push_back({320, 3, map});
    }
    if (k.photometric == 6)
        tags.push_back({530, 3, {static_cast<uint32_t>(k.subsamplingH), static_cast<uint32_t>(k.subsamplingV)}});
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });

    Bytes out = {static_cast<uint8_t>(be ? 'M' : 'I'), static_cast<uint8_t>(be ? 'M' : 'I')};
    Put(out, 42, 2, be);
    const uint32_t ifd = 8 + static_cast<uint32_t>(data.size());
    Put(out, ifd, 4, be);
    Append(out, data);
    Put(out, tags.size(), 2, be);
    const uint32_t extraAt = ifd + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
    Bytes extra;
    for (const Tag& t : tags) {
        const int size = t.type == 3 ? 2 : 4;
        Put(out, t.tag, 2, be);
        Put(out, t.type, 2, be);
        Put(out, t.values.size(), 4, be);
        Bytes values;
        for (uint32_t v : t.values) Put(values, v, size, be);
        if (values.size() <= 4) {
            values.resize(4, 0);
            Append(out, values);
        } else {
            Put(out, extraAt + extra.size(), 4, be);
            Append(extra, values);
        }
    }
    Put(out, 0, 4, be);
    Append(out, extra);
    return out;
}

TEST_F(HeaderCombinationTest, TiffColorModels) {
    // Photometric x samples x bits x planar configuration x extra sample x
    // sample format, uncompressed strips.
    Tally tally;
    ForEachCombination({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5}, {1, 2, 4, 8, 16, 32}, {1, 2}, {-1, 0, 1, 2, 3},
                        {1, 2, 3, 4}},
                       [&](const std::vector<int>& v) {
                           TiffKinds k;
                           k.photometric = v[0], k.samples = v[1], k.bits = v[2], k.planar = v[3], k.extra = v[4];
                           k.format = v[5];
                           Decode(TiffFile(k), "tif", Describe("TIFF", v), tally);
                       });
    Report("TIFF colour models", tally);
    EXPECT_GE(tally.decoded, 600);
}

TEST_F(HeaderCombinationTest, TiffData) {
    // Compression x predictor x strips or tiles x byte order x bits x planar
    // configuration, over the colour models that load (photometric and
    // samples: grey, RGB, RGBA, palette, CMYK, YCbCr, L*a*b*) and no samples
    // given.
    Tally tally;
    const std::pair<int, int> models[] = {{1, 1}, {2, 3}, {2, 4}, {3, 1}, {5, 4}, {6, 3}, {8, 3}, {1, 0}};
    ForEachCombination({{1, 2, 3, 4, 5, 6, 7, 8, 99, 32771, 32773, 32809}, {1, 2, 3}, {0, 1}, {0, 1}, {0, 1, 2, 3, 4, 5, 6, 7},
                        {1, 4, 8, 16}, {1, 2}},
                       [&](const std::vector<int>& v) {
                           TiffKinds k;
                           k.compression = v[0], k.predictor = v[1], k.bigEndian = v[3] == 1;
                           if (v[2] == 1) k.tileWidth = k.tileLength = 16;
                           std::tie(k.photometric, k.samples) = models[v[4]];
                           k.bits = v[5], k.planar = v[6];
                           Decode(TiffFile(k), "tif", Describe("TIFF data", v), tally);
                       });
    Report("TIFF data", tally);
    EXPECT_GE(tally.decoded, 1000);
}

TEST_F(HeaderCombinationTest, TiffLayouts) {
    // Strips of 0, 1, 2, 5 and "all" rows, or tiles of 16 x 16, 1 x 1,
    // 2 x 2, 0 x 16 and 32 x 8, x fill order x compression x bits x planar
    // configuration, over grey, RGB, RGBA and palette images.
    Tally tally;
    const std::pair<uint32_t, uint32_t> tiles[] = {{16, 16}, {1, 1}, {2, 2}, {0, 16}, {32, 8}};
    const std::pair<int, int> models[] = {{1, 1}, {2, 3}, {2, 4}, {3, 1}};
    ForEachCombination({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2}, {1, 3, 5, 8, 32773}, {1, 8, 16}, {1, 2}, {0, 1, 2, 3}},
                       [&](const std::vector<int>& v) {
                           TiffKinds k;
                           if (v[0] < 5)
                               k.rowsPerStrip = std::vector<uint32_t>{0, 1, 2, 5, 0xFFFFFFFF}[static_cast<std::size_t>(v[0])];
                           else
                               std::tie(k.tileWidth, k.tileLength) = tiles[v[0] - 5];
                           k.fillOrder = v[1], k.compression = v[2], k.bits = v[3], k.planar = v[4];
                           std::tie(k.photometric, k.samples) = models[v[5]];
                           Decode(TiffFile(k), "tif", Describe("TIFF layout", v), tally);
                       });
    // YCbCr: subsampling horizontally x vertically (1, 2 and 4, and values
    // beyond) x uncompressed or JPEG x planar configuration x strips or tiles.
    ForEachCombination({{0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}, {1, 7}, {1, 2}, {0, 1}}, [&](const std::vector<int>& v) {
        TiffKinds k;
        k.photometric = 6, k.samples = 3;
        k.subsamplingH = v[0], k.subsamplingV = v[1], k.compression = v[2], k.planar = v[3];
        if (v[4] == 1) k.tileWidth = k.tileLength = 16;
        Decode(TiffFile(k), "tif", Describe("TIFF YCbCr", v), tally);
    });
    Report("TIFF layouts", tally);
    EXPECT_GE(tally.decoded, 1200);
}

// ---- Photoshop --------------------------------------------------------------------

// Raw or PackBits channels of Width x Height; palette images have 256
// colours, duotone images colour data of their own.
Bytes PsdFile(int mode, int channels, int depth, int compression) {
    Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    PutBE(b, static_cast<uint32_t>(channels), 2);
    PutBE(b, Height, 4);
    PutBE(b, Width, 4);
    PutBE(b, static_cast<uint32_t>(depth), 2);
    PutBE(b, static_cast<uint32_t>(mode), 2);
    const Bytes modeData = Pattern(mode == 2 ? 768 : mode == 8 ? 10 : 0, 7);
    PutBE(b, modeData.size(), 4);
    Append(b, modeData);
    PutBE(b, 0, 4);  // image resources
    PutBE(b, 0, 4);  // layers
    PutBE(b, static_cast<uint32_t>(compression), 2);
    const std::size_t rowBytes = (std::size_t{Width} * static_cast<std::size_t>(depth) + 7) / 8;
    std::vector<Bytes> rows;
    for (int r = 0; r < channels * static_cast<int>(Height); ++r) {
        const Bytes raw = Pattern(rowBytes, static_cast<uint32_t>(r + 1));
        rows.push_back(compression == 1 ? PackBits(raw) : raw);
    }
    if (compression == 1)
        for (const Bytes& row : rows) PutBE(b, row.size(), 2);
    for (const Bytes& row : rows) Append(b, row);
    return b;
}

TEST_F(HeaderCombinationTest, Photoshop) {
    // Mode x channels x depth x compression.
    Tally tally;
    ForEachCombination({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 8, 16, 32}, {0, 1, 2}},
                       [&](const std::vector<int>& v) {
                           Decode(PsdFile(v[0], v[1], v[2], v[3]), "psd", Describe("PSD", v), tally);
                       });
    Report("PSD", tally);
    EXPECT_GE(tally.decoded, 200);
}

// ---- Targa ------------------------------------------------------------------------

// Rows of Width pixels, one raw packet a row when run-length encoded; a
// colour map of 4 entries when the map type is not 0, and an image ID of 2
// bytes.
Bytes TargaFile(int type, int pixelSize, int mapType, int entrySize, int descriptor) {
    const std::size_t entryBytes = (static_cast<std::size_t>(entrySize) + 7) / 8;
    const std::size_t pixelBytes = (static_cast<std::size_t>(pixelSize) + 7) / 8;
    const uint32_t mapLength = mapType != 0 ? 4 : 0;
    Bytes b = {2, static_cast<uint8_t>(mapType), static_cast<uint8_t>(type), 0, 0};
    PutLE(b, mapLength, 2);
    b.push_back(static_cast<uint8_t>(entrySize));
    PutLE(b, 0, 4);  // origin
    PutLE(b, Width, 2);
    PutLE(b, Height, 2);
    b.push_back(static_cast<uint8_t>(pixelSize));
    b.push_back(static_cast<uint8_t>(descriptor));
    Append(b, {'I', 'D'});
    Append(b, Pattern(mapLength * entryBytes, 3));
    for (uint32_t y = 0; y < Height; ++y) {
        if (type >= 9) b.push_back(static_cast<uint8_t>(Width - 1));
        Append(b, Pattern(Width * pixelBytes, y + 1));
    }
    return b;
}

TEST_F(HeaderCombinationTest, Targa) {
    // Image type x pixel size x colour map type x map entry size x
    // descriptor (bottom up, top down with alpha bits, right to left).
    Tally tally;
    ForEachCombination({{0, 1, 2, 3, 5, 9, 10, 11}, {0, 1, 8, 15, 16, 24, 32, 33}, {0, 1, 2}, {0, 8, 15, 16, 24, 32},
                        {0x00, 0x28, 0x10}},
                       [&](const std::vector<int>& v) {
                           Decode(TargaFile(v[0], v[1], v[2], v[3], v[4]), "tga", Describe("TGA", v), tally);
                       });
    Report("TGA", tally);
    EXPECT_GE(tally.decoded, 500);
}

// ---- PCX ----------------------------------------------------------------------------

// Rows of `planes` lines of the bytes a line (the width's bytes, one more or
// one fewer), run-length encoded byte by byte; the 256-colour palette at the
// end.
Bytes PcxFile(int version, int encoding, int bits, int planes, int lineDelta, int paletteKind) {
    const int bytesPerLine = std::max(0, static_cast<int>((Width * static_cast<uint32_t>(bits) + 7) / 8) + lineDelta);
    Bytes b = {10, static_cast<uint8_t>(version), static_cast<uint8_t>(encoding), static_cast<uint8_t>(bits)};
    for (uint32_t v : {0u, 0u, Width - 1, Height - 1, 72u, 72u}) PutLE(b, v, 2);
    Append(b, Pattern(48, 5));
    b.push_back(0);
    b.push_back(static_cast<uint8_t>(planes));
    PutLE(b, static_cast<uint32_t>(bytesPerLine), 2);
    PutLE(b, static_cast<uint32_t>(paletteKind), 2);
    b.resize(128, 0);
    for (uint8_t v : Pattern(Height * static_cast<std::size_t>(planes * bytesPerLine), 9)) {
        if (encoding == 1 && v >= 0xC0) b.push_back(0xC1);
        b.push_back(v);
    }
    b.push_back(12);
    Append(b, Pattern(768, 11));
    return b;
}

TEST_F(HeaderCombinationTest, Pcx) {
    // Version x encoding x bits a plane x planes x bytes a line x palette kind.
    Tally tally;
    ForEachCombination({{0, 2, 3, 5, 6}, {0, 1, 2}, {0, 1, 2, 3, 4, 8, 16}, {0, 1, 2, 3, 4, 5}, {-1, 0, 1}, {1, 2}},
                       [&](const std::vector<int>& v) {
                           Decode(PcxFile(v[0], v[1], v[2], v[3], v[4], v[5]), "pcx", Describe("PCX", v), tally);
                       });
    Report("PCX", tally);
    EXPECT_GE(tally.decoded, 300);
}

// ---- SGI ----------------------------------------------------------------------------

// Channel after channel of rows, or run-length rows (one literal packet and
// the end) with their tables of starts and lengths.
Bytes SgiFile(int storage, int bytesPerChannel, int dimension, int channels) {
    Bytes b;
    PutBE(b, 474, 2);
    b.push_back(static_cast<uint8_t>(storage));
    b.push_back(static_cast<uint8_t>(bytesPerChannel));
    for (uint32_t v : {static_cast<uint32_t>(dimension), Width, Height, static_cast<uint32_t>(channels)}) PutBE(b, v, 2);
    b.resize(512, 0);
    const std::size_t rowBytes = std::size_t{Width} * static_cast<std::size_t>(bytesPerChannel);
    const std::size_t rows = Height * static_cast<std::size_t>(channels);
    if (storage != 1) {
        Append(b, Pattern(rows * rowBytes, 13));
        return b;
    }
    std::vector<Bytes> packed;
    for (std::size_t r = 0; r < rows; ++r) {
        Bytes row;
        const Bytes raw = Pattern(rowBytes, static_cast<uint32_t>(r + 1));
        if (bytesPerChannel == 2) {
            PutBE(row, 0x80 | Width, 2);
            Append(row, raw);
            PutBE(row, 0, 2);
        } else {
            row.push_back(static_cast<uint8_t>(0x80 | (raw.size() & 0x7F)));
            Append(row, raw);
            row.push_back(0);
        }
        packed.push_back(row);
    }
    uint32_t at = static_cast<uint32_t>(512 + 8 * rows);
    for (const Bytes& row : packed) {
        PutBE(b, at, 4);
        at += static_cast<uint32_t>(row.size());
    }
    for (const Bytes& row : packed) PutBE(b, row.size(), 4);
    for (const Bytes& row : packed) Append(b, row);
    return b;
}

TEST_F(HeaderCombinationTest, Sgi) {
    // Storage x bytes a channel x dimension x channels.
    Tally tally;
    ForEachCombination({{0, 1, 2}, {0, 1, 2, 3}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 5}}, [&](const std::vector<int>& v) {
        Decode(SgiFile(v[0], v[1], v[2], v[3]), "sgi", Describe("SGI", v), tally);
    });
    Report("SGI", tally);
    EXPECT_GE(tally.decoded, 40);
}

// ---- Paint Shop Pro -------------------------------------------------------------------

// The channel types of each channel set: the composite, red, green and blue,
// all four, red and green only, and a type beyond them.
const std::vector<std::vector<int>> PspChannelSets = {{0}, {1, 2, 3}, {0, 1, 2, 3}, {1, 2}, {7}};

// A file of the version: the attributes, a palette of 16 colours, and one
// layer of the channels (raw, run-length or deflate data, or whatever else
// the compression says).
Bytes PspFile(int version, int depth, int compression, int grey, int channelSet) {
    const bool v3 = version == 3;
    auto chunk = [&](const Bytes& data) {
        Bytes b;
        if (!v3) PutLE(b, data.size() + 4, 4);
        Append(b, data);
        return b;
    };
    auto block = [&](int id, const Bytes& data) {
        Bytes b = {'~', 'B', 'K', 0};
        PutLE(b, static_cast<uint32_t>(id), 2);
        if (v3) PutLE(b, data.size(), 4);
        PutLE(b, data.size(), 4);
        Append(b, data);
        return b;
    };
    Bytes attributes;
    PutLE(attributes, Width, 4);
    PutLE(attributes, Height, 4);
    const double dpi = 72;
    attributes.resize(attributes.size() + 8);
    std::memcpy(attributes.data() + 8, &dpi, 8);
    attributes.push_back(1);
    PutLE(attributes, static_cast<uint32_t>(compression), 2);
    PutLE(attributes, static_cast<uint32_t>(depth), 2);
    PutLE(attributes, 1, 2);
    PutLE(attributes, 16, 4);
    attributes.push_back(static_cast<uint8_t>(grey));
    attributes.resize(42, 0);
    Bytes file(32, 0);
    std::memcpy(file.data(), "Paint Shop Pro Image File\n\x1a", 27);
    PutLE(file, static_cast<uint32_t>(version), 2);
    PutLE(file, 0, 2);
    Append(file, block(0, chunk(attributes)));
    Bytes palette;
    PutLE(palette, 16, 4);
    Bytes paletteBlock = chunk(palette);
    Append(paletteBlock, Pattern(64, 17));
    Append(file, block(2, paletteBlock));

    const std::size_t rowLength = depth == 1 ? (Width + 7) / 8 : depth == 4 ? Width / 2 + 1 : Width;
    Bytes channels;
    const std::vector<int>& types = PspChannelSets[static_cast<std::size_t>(channelSet)];
    for (int type : types) {
        const Bytes raw = Pattern(rowLength * Height, static_cast<uint32_t>(type + 1));
        Bytes packed = compression == 1 ? Literals(raw, 127, [](std::size_t n) { return Bytes{static_cast<uint8_t>(n)}; })
                     : compression == 2 ? Deflate(raw)
                                        : raw;
        Bytes info;
        PutLE(info, packed.size(), 4);
        PutLE(info, raw.size(), 4);
        PutLE(info, 1, 2);
        PutLE(info, static_cast<uint32_t>(type), 2);
        Bytes channel = chunk(info);
        Append(channel, packed);
        Append(channels, block(5, channel));
    }
    Bytes layer;
    if (v3) {
        layer = Bytes(256 + 115, 0);
        std::memcpy(layer.data(), "Layer", 5);
    } else {
        Bytes head = {5, 0, 'L', 'a', 'y', 'e', 'r'};
        head.resize(head.size() + 115, 0);
        layer = chunk(head);
    }
    Bytes counts;
    PutLE(counts, 1, 2);
    PutLE(counts, types.size(), 2);
    Append(layer, chunk(counts));
    Append(layer, channels);
    Append(file, block(3, block(4, layer)));
    return file;
}

TEST_F(HeaderCombinationTest, PaintShopPro) {
    // Version x depth x compression x grey flag x channel set.
    Tally tally;
    ForEachCombination({{3, 4, 5, 6}, {0, 1, 4, 8, 16, 24, 32}, {0, 1, 2, 3, 4}, {0, 1}, {0, 1, 2, 3, 4}},
                       [&](const std::vector<int>& v) {
                           Decode(PspFile(v[0], v[1], v[2], v[3], v[4]), "psp", Describe("PSP", v), tally);
                       });
    Report("PSP", tally);
    EXPECT_GE(tally.decoded, 200);
}

// ---- RLA ------------------------------------------------------------------------------

// Rows of run-length channels (one literal packet each) after the table of
// row offsets; the colour channels and one matte channel when there is any.
Bytes RlaFile(int colorChannels, int matteChannels, int bits, const char* space, bool bottomUp) {
    Bytes h(740, 0);
    auto put16 = [&](std::size_t at, int v) {
        h[at] = static_cast<uint8_t>(v >> 8);
        h[at + 1] = static_cast<uint8_t>(v);
    };
    put16(8, 0), put16(10, static_cast<int>(Width) - 1);
    put16(12, bottomUp ? 0 : static_cast<int>(Height) - 1), put16(14, bottomUp ? static_cast<int>(Height) - 1 : 0);
    put16(20, colorChannels), put16(22, matteChannels), put16(26, 0xFFFE);
    std::memcpy(&h[28], "2.2", 3);
    std::memcpy(&h[580], space, std::strlen(space));
    put16(658, bits);
    const int channels = colorChannels + (matteChannels >= 1 ? 1 : 0);
    std::vector<Bytes> rows;
    for (uint32_t y = 0; y < Height; ++y) {
        Bytes row;
        for (int c = 0; c < std::max(channels, 0); ++c) {
            const Bytes packed = Literals(Pattern(Width, y * 8 + static_cast<uint32_t>(c) + 1), 128,
                                          [](std::size_t n) { return Bytes{static_cast<uint8_t>(256 - n)}; });
            PutBE(row, packed.size(), 2);
            Append(row, packed);
        }
        rows.push_back(row);
    }
    uint32_t at = 740 + 4 * Height;
    for (const Bytes& row : rows) {
        PutBE(h, at, 4);
        at += static_cast<uint32_t>(row.size());
    }
    for (const Bytes& row : rows) Append(h, row);
    return h;
}

TEST_F(HeaderCombinationTest, Rla) {
    // Colour channels x matte channels x bits x colour space x row order.
    const char* spaces[] = {"rgb", "RGB", "xyz", "cmy", ""};
    Tally tally;
    ForEachCombination({{0, 1, 2, 3, 4, 5}, {0, 1, 2}, {0, 8, 16, 32}, {0, 1, 2, 3, 4}, {0, 1}},
                       [&](const std::vector<int>& v) {
                           Decode(RlaFile(v[0], v[1], v[2], spaces[v[3]], v[4] == 1), "rla", Describe("RLA", v), tally);
                       });
    Report("RLA", tally);
    EXPECT_GE(tally.decoded, 10);
}

// ---- Portable maps ---------------------------------------------------------------------

// A map of the kind ("P1" to "P6", and kinds beyond), with its samples below
// the maximum value (numbers for the text kinds, 1 or 2 bytes for the binary
// ones, 8 pixels a byte for P4); the header on one line or spread over lines
// with comments.
Bytes PnmFile(int kind, uint32_t maxValue, bool spread) {
    const bool bitmap = kind == 1 || kind == 4;
    const int samples = kind == 3 || kind == 6 ? 3 : 1;
    std::string text = "P" + std::to_string(kind) + (spread ? "\n# made\n" : " ") + std::to_string(Width) +
                       (spread ? "\n" : " ") + std::to_string(Height);
    if (!bitmap) text += (spread ? "\n# the maximum\n" : " ") + std::to_string(maxValue);
    text += "\n";
    Bytes b(text.begin(), text.end());
    const Bytes values = Pattern(Width * Height * static_cast<std::size_t>(samples) * 2, 19);
    const uint32_t top = bitmap ? 1 : maxValue;
    if (kind <= 3) {
        for (std::size_t i = 0; i < Width * Height * static_cast<std::size_t>(samples); ++i) {
            const uint32_t v = (values[2 * i] << 8 | values[2 * i + 1]) % (top + 1);
            const std::string number = std::to_string(v) + (i % Width == Width - 1 ? "\n" : " ");
            b.insert(b.end(), number.begin(), number.end());
        }
    } else if (kind == 4) {
        Append(b, Pattern(Height * ((Width + 7) / 8), 23));
    } else {
        for (std::size_t i = 0; i < Width * Height * static_cast<std::size_t>(samples); ++i) {
            const uint32_t v = (values[2 * i] << 8 | values[2 * i + 1]) % (top + 1);
            if (maxValue > 255) b.push_back(static_cast<uint8_t>(v >> 8));
            b.push_back(static_cast<uint8_t>(v));
        }
    }
    return b;
}

TEST_F(HeaderCombinationTest, PortableMaps) {
    // Kind x maximum value x header layout.
    Tally tally;
    ForEachCombination({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 15, 255, 256, 65535, 65536}, {0, 1}},
                       [&](const std::vector<int>& v) {
                           Decode(PnmFile(v[0], static_cast<uint32_t>(v[1]), v[2] == 1), "ppm", Describe("PNM", v), tally);
                       });
    Report("PNM", tally);
    EXPECT_GE(tally.decoded, 40);
}

// ---- GIF ----------------------------------------------------------------------------------

// A GIF of the version with a global and a local colour table of 2^(n + 1)
// colours (none for n < 0), extensions before the image when asked, and the
// pixels as LZW literals of the minimum code size.
Bytes GifFile(const char* version, int global, int local, bool interlaced, int codeSize, bool extensions) {
    Bytes b = {'G', 'I', 'F'};
    b.insert(b.end(), version, version + 3);
    PutLE(b, Width, 2);
    PutLE(b, Height, 2);
    b.push_back(static_cast<uint8_t>(global >= 0 ? 0x80 | global : 0));
    b.push_back(0);
    b.push_back(0);
    if (global >= 0) Append(b, Pattern(3u << (global + 1), 29));
    if (extensions) {
        Append(b, {'!', 0xF9, 4, 1, 10, 0, 0, 0});             // graphic control
        Append(b, {'!', 0xFE, 3, 'a', 'b', 'c', 0});            // comment
        Append(b, {'!', 0x01, 12});                            // plain text
        Append(b, Bytes(12, 0));
        Append(b, {1, 'x', 0});
    }
    b.push_back(',');
    PutLE(b, 0, 4);
    PutLE(b, Width, 2);
    PutLE(b, Height, 2);
    b.push_back(static_cast<uint8_t>((local >= 0 ? 0x80 | local : 0) | (interlaced ? 0x40 : 0)));
    if (local >= 0) Append(b, Pattern(3u << (local + 1), 31));
    b.push_back(static_cast<uint8_t>(codeSize));
    const Bytes data = LzwLiterals(Pattern(Width * Height, 37), std::clamp(codeSize, 1, 11), false);
    Append(b, Literals(data, 255, [](std::size_t n) { return Bytes{static_cast<uint8_t>(n)}; }));
    b.push_back(0);
    b.push_back(';');
    return b;
}

TEST_F(HeaderCombinationTest, Gif) {
    // Version x global table x local table x interlacing x minimum code size
    // x extensions.
    const char* versions[] = {"87a", "89a", "9Xa"};
    Tally tally;
    ForEachCombination({{0, 1, 2}, {-1, 0, 1, 7}, {-1, 0, 7}, {0, 1}, {0, 1, 2, 3, 7, 8, 11, 12}, {0, 1}},
                       [&](const std::vector<int>& v) {
                           Decode(GifFile(versions[v[0]], v[1], v[2], v[3] == 1, v[4], v[5] == 1), "gif",
                                  Describe("GIF", v), tally);
                       });
    Report("GIF", tally);
    EXPECT_GE(tally.decoded, 300);
}

// ---- Photo-CD ----------------------------------------------------------------------------

// An image pack ("PCD" in its second sector) or an overview pack
// ("PCD_OPA"), or neither, with the rotation, cut inside its base image when
// asked.
Bytes PcdFile(int signature, int rotation, bool cut) {
    Bytes b(96 * 2048, 0);
    if (signature == 0) std::memcpy(&b[2048], "PCD_IPI", 7);
    if (signature == 1) std::memcpy(b.data(), "PCD_OPA", 7);
    b[3586] = static_cast<uint8_t>(rotation);
    const std::size_t base = 512 / 2 * (2 * 768 + 768);
    Append(b, Pattern(cut ? base / 3 : base, 41));
    return b;
}

TEST_F(HeaderCombinationTest, PhotoCd) {
    // Signature x rotation x a cut file.
    Tally tally;
    ForEachCombination({{0, 1, 2}, {0, 1, 2, 3}, {0, 1}}, [&](const std::vector<int>& v) {
        Decode(PcdFile(v[0], v[1], v[2] == 1), "pcd", Describe("PCD", v), tally);
    });
    Report("PCD", tally);
    EXPECT_EQ(tally.decoded, 4);
}

// ---- Dr. Halo and Autodesk --------------------------------------------------------------

TEST_F(HeaderCombinationTest, HaloAndAutodesk) {
    Tally cut, autodesk;
    // Dr. Halo (by its extension; there is no signature): width x height x
    // rows of run and literal packets, or none.
    ForEachCombination({{0, 1, 3, 65535}, {0, 2, 65535}, {0, 1}}, [&](const std::vector<int>& v) {
        Bytes b;
        PutLE(b, static_cast<uint32_t>(v[0]), 2);
        PutLE(b, static_cast<uint32_t>(v[1]), 2);
        PutLE(b, 0, 2);
        if (v[2] == 1)
            for (uint32_t y = 0; y < Height; ++y) Append(b, {6, 0, 0x82, 7, 1, 9, 0});
        Decode(b, "cut", Describe("CUT", v), cut);
    });
    // Autodesk: magic x bits x the byte after them x width x height.
    ForEachCombination({{0x9119, 0x9118}, {8, 1, 24, 0}, {0, 1}, {0, 3, 65535}, {0, 2}}, [&](const std::vector<int>& v) {
        Bytes b;
        for (int x : {v[0], v[3], v[4], 0, 0}) PutLE(b, static_cast<uint32_t>(x), 2);
        b.push_back(static_cast<uint8_t>(v[1]));
        b.push_back(static_cast<uint8_t>(v[2]));
        b.resize(32, 0);
        Append(b, Pattern(768 + static_cast<std::size_t>(v[3]) * static_cast<std::size_t>(v[4]), 43));
        Decode(b, "cel", Describe("CEL", v), autodesk);
    });
    Report("CUT", cut);
    Report("CEL", autodesk);
    EXPECT_GE(cut.decoded, 2);
    EXPECT_GE(autodesk.decoded, 16);
}

// ---- PNG ------------------------------------------------------------------------------------

Bytes PngChunk(const char* type, const Bytes& data) {
    Bytes c;
    PutBE(c, data.size(), 4);
    c.insert(c.end(), type, type + 4);
    Append(c, data);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    PutBE(c, crc, 4);
    return c;
}

// A PNG of the colour type and depth, interlaced or not, with the methods
// given, and PLTE (bit 0), tRNS (bit 1), bKGD (bit 2) of the sizes the
// colour type has and gAMA (bit 3); rows whose filters go through 0 to 5.
Bytes PngFile(int colorType, int depth, int interlace, int chunks, int compressionMethod, int filterMethod) {
    const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    const std::size_t pixelBits = static_cast<std::size_t>(channels * depth);
    Bytes header;
    PutBE(header, Width, 4);
    PutBE(header, Height, 4);
    Append(header, {static_cast<uint8_t>(depth), static_cast<uint8_t>(colorType), static_cast<uint8_t>(compressionMethod),
                    static_cast<uint8_t>(filterMethod), static_cast<uint8_t>(interlace)});
    Bytes b = {0x89, 'P', 'N', 'G', 13, 10, 0x1A, 10};
    Append(b, PngChunk("IHDR", header));
    const std::size_t keyBytes = colorType == 3 ? 3 : colorType == 2 || colorType == 6 ? 6 : 2;
    if (chunks & 1) Append(b, PngChunk("PLTE", Pattern(12, 47)));
    if (chunks & 2) Append(b, PngChunk("tRNS", Pattern(keyBytes, 53)));
    if (chunks & 4) Append(b, PngChunk("bKGD", Pattern(colorType == 3 ? 1 : keyBytes, 59)));
    if (chunks & 8) Append(b, PngChunk("gAMA", {0, 0, 0xB1, 0x8F}));
    // The rows of each pass (one pass without interlacing).
    static constexpr uint32_t Adam7[7][4] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                             {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
    Bytes raw;
    int filter = 0;
    for (int pass = 0; pass < (interlace == 1 ? 7 : 1); ++pass) {
        const uint32_t* a = Adam7[pass];
        const uint32_t row = interlace == 1 ? a[0] : 0, column = interlace == 1 ? a[1] : 0;
        const uint32_t rowStep = interlace == 1 ? a[2] : 1, columnStep = interlace == 1 ? a[3] : 1;
        if (column >= Width || row >= Height) continue;
        const std::size_t columns = (Width - column + columnStep - 1) / columnStep;
        for (uint32_t y = row; y < Height; y += rowStep) {
            raw.push_back(static_cast<uint8_t>(filter++ % 6));
            Append(raw, Pattern((pixelBits * columns + 7) / 8, y + 61));
        }
    }
    Append(b, PngChunk("IDAT", Deflate(raw)));
    Append(b, PngChunk("IEND", {}));
    return b;
}

TEST_F(HeaderCombinationTest, Png) {
    // Colour type x bit depth x interlacing x PLTE, tRNS, bKGD and gAMA x
    // compression and filter methods (0, or both beyond it).
    Tally tally;
    const std::pair<int, int> methods[] = {{0, 0}, {1, 1}};
    ForEachCombination({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 8, 16, 32}, {0, 1, 2}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {0, 1}},
                       [&](const std::vector<int>& v) {
                           const auto [compression, filter] = methods[v[4]];
                           Decode(PngFile(v[0], v[1], v[2], v[3], compression, filter), "png", Describe("PNG", v), tally);
                       });
    Report("PNG", tally);
    EXPECT_GE(tally.decoded, 400);
}

}  // namespace
}  // namespace img
