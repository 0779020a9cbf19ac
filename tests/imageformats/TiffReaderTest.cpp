// The TIFF and EPS readers: the sweep of files made by libtiff's tools and
// ImageMagick against libtiff's own decoding, the properties of hand-built
// directories, and damaged or unsupported files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "imageformats/ImageTiff.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/WarningSink.h"
#include "tests/imageformats/ImageFiles.h"

namespace img {
namespace {

using namespace img::testing;
using Bytes = std::vector<uint8_t>;

// Compares decoded pixels with a reference: each colour sample within the
// tolerance; "premultiplied" references hold the colour times their alpha
// (ours is multiplied likewise, with one more level of tolerance); alpha
// exactly. Returns the number of pixels that differ, and the first in
// `where`.
int CountDifferences(const std::vector<uint8_t>& ours, const Reference& ref, int tolerance, bool premultiplied,
                     std::string& where) {
    int wrong = 0;
    for (std::size_t i = 0; i + 3 < ours.size() && i + 3 < ref.rgba.size(); i += 4) {
        const int alpha = ref.rgba[i + 3];
        bool bad = ours[i + 3] != alpha;
        for (std::size_t c = 0; c < 3; ++c) {
            const int v = premultiplied ? (ours[i + c] * alpha + 127) / 255 : ours[i + c];
            if (std::abs(v - ref.rgba[i + c]) > tolerance + (premultiplied ? 1 : 0)) bad = true;
        }
        if (bad && wrong++ == 0) {
            const std::size_t pixel = i / 4;
            where = "pixel " + std::to_string(pixel % static_cast<std::size_t>(ref.width)) + "," +
                    std::to_string(pixel / static_cast<std::size_t>(ref.width));
        }
    }
    return wrong;
}

TEST(TiffReaderTest, FilesOfLibtiffAndImageMagickDecodeAsLibtiffDoes) {
    SKIP_WITHOUT_IMAGE_FILES();
    const auto list = ReadList("tiff.txt");
    ASSERT_GT(list.size(), 250u);
    for (const auto& line : list) {
        SCOPED_TRACE(line[0]);
        const std::string path = ImageFile("tiff/" + line[0]);
        if (line[1] == "error") {
            std::string expected;
            for (std::size_t k = 2; k < line.size(); ++k) expected += (k > 2 ? " " : "") + line[k];
            try {
                LoadPictureFile(path);
                ADD_FAILURE() << "no error";
            } catch (const gfx::EInvalidGraphic& e) {
                EXPECT_EQ(e.what(), expected);
            }
            continue;
        }
        gfx::Bitmap bitmap;
        try {
            bitmap = LoadPictureFile(path);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        const Reference ref = ReadReference(line[0]);
        ASSERT_EQ(bitmap.width(), ref.width);
        ASSERT_EQ(bitmap.height(), ref.height);
        std::string where;
        EXPECT_EQ(CountDifferences(RgbaOf(bitmap), ref, std::stoi(line[1]), line[2] == "premultiplied", where), 0)
            << where;
    }
}

TEST(TiffReaderTest, JpegStripsCutShortWarnOncePerImage) {
    SKIP_WITHOUT_IMAGE_FILES();
    gfx::RecordingWarnings warnings;
    gfx::ScopedWarningSink sink(&warnings);
    const gfx::Bitmap bitmap = LoadPictureFile(ImageFile("tiff/jpeg-cut.tif"));
    EXPECT_EQ(bitmap.width(), 37);
    EXPECT_EQ(warnings.messages, std::vector<std::string>{JpegEndOfInputText});
}

// ---- Hand-built files ---------------------------------------------------------

// A directory entry: tag, type and its values; RATIONAL values take two
// numbers each.
struct Tag {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
};

// A TIFF of one directory in either byte order: the 8-byte header, `data` at
// offset 8, then the directory and the values that do not fit their field.
Bytes BuildTiff(bool bigEndian, std::vector<Tag> tags, const Bytes& data = {}, uint32_t next = 0) {
    Bytes out = {static_cast<uint8_t>(bigEndian ? 'M' : 'I'), static_cast<uint8_t>(bigEndian ? 'M' : 'I')};
    auto put = [&](Bytes& b, uint32_t v, int size) {
        for (int k = 0; k < size; ++k) {
            const int shift = bigEndian ? 8 * (size - 1 - k) : 8 * k;
            b.push_back(static_cast<uint8_t>(v >> shift));
        }
    };
    put(out, 42, 2);
    const uint32_t ifd = 8 + static_cast<uint32_t>(data.size());
    put(out, ifd, 4);
    out.insert(out.end(), data.begin(), data.end());
    put(out, static_cast<uint32_t>(tags.size()), 2);
    Bytes extra;
    const uint32_t extraAt = ifd + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
    for (const Tag& t : tags) {
        const int size = t.type == 3 || t.type == 8 ? 2 : t.type == 1 || t.type == 2 || t.type == 7 ? 1 : 4;
        const bool pairs = t.type == 5 || t.type == 10 || t.type == 12;
        const uint32_t count = static_cast<uint32_t>(t.values.size() / (pairs ? 2 : 1));
        Bytes values;
        for (uint32_t v : t.values) put(values, v, size);
        put(out, t.tag, 2);
        put(out, t.type, 2);
        put(out, count, 4);
        if (values.size() <= 4) {
            values.resize(4, 0);
            out.insert(out.end(), values.begin(), values.end());
        } else {
            put(out, extraAt + static_cast<uint32_t>(extra.size()), 4);
            extra.insert(extra.end(), values.begin(), values.end());
        }
    }
    put(out, next, 4);
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

// The tags of a 4 x 3 grey image of 8 bits whose one strip is at offset 8.
std::vector<Tag> GrayTags(uint32_t compression = 1, uint32_t byteCount = 12) {
    return {{256, 3, {4}}, {257, 3, {3}}, {258, 3, {8}},  {259, 3, {compression}}, {262, 3, {1}},
            {273, 4, {8}}, {277, 3, {1}}, {278, 4, {3}}, {279, 4, {byteCount}}};
}

Bytes GrayPixels() { return {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110}; }

std::vector<Tag> With(std::vector<Tag> tags, const Tag& tag) {
    for (Tag& t : tags)
        if (t.tag == tag.tag) {
            t = tag;
            return tags;
        }
    tags.push_back(tag);
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
    return tags;
}

std::vector<Tag> Without(std::vector<Tag> tags, uint16_t tag) {
    std::erase_if(tags, [&](const Tag& t) { return t.tag == tag; });
    return tags;
}

TImageProperties PropertiesOf(const Bytes& file, uint32_t index = 0, bool* valid = nullptr) {
    TTIFFGraphic tiff;
    gfx::MemoryStream stream(file);
    const bool ok = tiff.ReadImageProperties(stream, index);
    if (valid) *valid = ok;
    return tiff.imageProperties;
}

TEST(TiffReaderTest, PropertiesOfTheDirectory) {
    // Both byte orders give the same values.
    for (bool mm : {false, true}) {
        SCOPED_TRACE(mm ? "MM" : "II");
        const Bytes file = BuildTiff(mm, With(With(With(GrayTags(), {282, 5, {100, 1}}), {296, 3, {3}}),
                                              {317, 3, {2}}),
                                     GrayPixels());
        const TImageProperties p = PropertiesOf(file);
        EXPECT_EQ(p.width, 4u);
        EXPECT_EQ(p.height, 3u);
        EXPECT_EQ((p.options & ipBigEndian) != 0, mm);
        EXPECT_EQ(p.firstIFD, 20u);
        EXPECT_NEAR(p.xResolution, 254.0f, 1e-3);
        EXPECT_EQ(p.predictor, 2u);
        EXPECT_EQ(p.colorScheme, slGray);
    }
    struct Case {
        const char* what;
        std::vector<Tag> tags;
        bool valid;
        std::vector<uint32_t> rowsPerStrip;
        TCompressionKind compression;
        bool hasAlpha;
    };
    const Case cases[] = {
        {"no RowsPerStrip", Without(GrayTags(), 278), true, {3}, ckNone, false},
        {"RowsPerStrip all", With(GrayTags(), {278, 4, {0xFFFFFFFF}}), true, {3}, ckNone, false},
        {"unknown compression", GrayTags(12345), true, {3}, ckUnknown, false},
        {"deflate 32946", GrayTags(32946), true, {3}, ckDeflate, false},
        {"alpha", With(GrayTags(), {338, 3, {2}}), true, {3}, ckNone, true},
        {"unknown extra sample", With(GrayTags(), {338, 3, {3}}), true, {3}, ckNone, false},
        {"float and double tags", With(With(GrayTags(), {341, 11, {0x3F800000}}), {342, 12, {0, 0x3FF00000}}), true,
         {3}, ckNone, false},
        {"zero width", With(GrayTags(), {256, 3, {0}}), false, {}, ckUnknown, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool mm : {false, true}) {
            bool valid = false;
            const TImageProperties p = PropertiesOf(BuildTiff(mm, c.tags, GrayPixels()), 0, &valid);
            EXPECT_EQ(valid, c.valid);
            if (!c.valid) continue;
            EXPECT_EQ(p.rowsPerStrip, c.rowsPerStrip);
            EXPECT_EQ(p.compression, c.compression);
            EXPECT_EQ(p.hasAlpha, c.hasAlpha);
        }
    }
    // The chain of directories: index 1 of a file with one, and a chain that
    // points back to itself.
    bool valid = true;
    PropertiesOf(BuildTiff(false, GrayTags(), GrayPixels()), 1, &valid);
    EXPECT_FALSE(valid);
    PropertiesOf(BuildTiff(false, GrayTags(), GrayPixels(), 20), 1, &valid);
    EXPECT_FALSE(valid);
}

// What loading a file gives: "loaded" or the error text.
std::string LoadOutcome(const Bytes& file) {
    TTIFFGraphic tiff;
    gfx::MemoryStream stream(file);
    try {
        tiff.loadFromStream(stream);
    } catch (const gfx::Error& e) {
        EXPECT_TRUE(tiff.empty()) << "a half-made bitmap is left behind";
        return e.what();
    }
    return "loaded";
}

// The file of the tags with its image 2048 x 2048 in one strip of the 12
// bytes of GrayPixels.
Bytes Large(std::vector<Tag> tags) {
    for (uint16_t tag : {256, 257, 278}) tags = With(tags, {tag, 4, {2048}});
    return BuildTiff(false, tags, GrayPixels());
}

// The tags with their strip made one tile of 2048 x 2048.
std::vector<Tag> Tiled(std::vector<Tag> tags) {
    return With(With(With(With(Without(Without(tags, 273), 279), {322, 4, {2048}}), {323, 4, {2048}}), {324, 4, {8}}),
                {325, 4, {12}});
}

Bytes SharedStrips() {
    std::vector<Tag> tags = {{256, 3, {1024}}, {257, 3, {1024}}, {258, 3, {8, 8, 8}}, {259, 3, {5}},
                             {262, 3, {2}},    {277, 3, {3}},    {278, 3, {1}}};
    tags = With(With(tags, {273, 4, std::vector<uint32_t>(1024, 8)}), {279, 4, std::vector<uint32_t>(1024, 100)});
    return BuildTiff(false, tags, Bytes(100, 0x80));
}

TEST(TiffReaderTest, DamagedAndUnsupportedFilesRaiseTheImageError) {
    const std::string invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
    const std::string palette = "Cannot load image. Palette in TIF/TIFF file is invalid.";
    const std::string color = "Invalid color format in TIF/TIFF file.";
    const std::string compression = "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";
    Bytes file = BuildTiff(false, GrayTags(), GrayPixels());
    Bytes cut(file.begin(), file.begin() + 26);  // the directory's entries are cut off
    Bytes hugeList = BuildTiff(false, GrayTags(), GrayPixels());
    hugeList[20 + 2 + 5 * 12 + 4] = 0xFF;  // StripOffsets count 255, its values past the end
    struct Case {
        const char* what;
        Bytes file;
        std::string outcome;
    };
    const Case cases[] = {
        {"entries past the end", cut, invalid},
        {"a value list past the end", hugeList, invalid},
        {"LZW without StripByteCounts", BuildTiff(false, Without(GrayTags(5), 279), GrayPixels()), invalid},
        {"a ColorMap above 788 values",
         BuildTiff(false, With(With(GrayTags(), {262, 3, {3}}), {320, 3, std::vector<uint32_t>(789, 0)}),
                   GrayPixels()),
         palette},
        {"3 bits a sample", BuildTiff(false, With(GrayTags(), {258, 3, {3}}), GrayPixels()), color},
        {"floating point samples", BuildTiff(false, With(GrayTags(), {339, 3, {3}}), GrayPixels()), color},
        {"RGB of 4 bits", BuildTiff(false, With(With(With(GrayTags(), {258, 3, {4, 4, 4}}), {262, 3, {2}}),
                                                {277, 3, {3}}),
                                    GrayPixels()),
         color},
        {"unknown compression", BuildTiff(false, GrayTags(32766), GrayPixels()), compression},
        {"old-style JPEG", BuildTiff(false, GrayTags(6), GrayPixels()), compression},
        {"width beyond the limit", BuildTiff(false, With(GrayTags(), {256, 4, {100000}}), GrayPixels()), invalid},
        {"huge tiles", BuildTiff(false, With(With(GrayTags(), {322, 4, {70000}}), {323, 4, {70000}}), GrayPixels()),
         invalid},
        {"RowsPerStrip 0xFFFFFFFE", BuildTiff(false, With(GrayTags(), {278, 4, {0xFFFFFFFE}}), GrayPixels()),
         "loaded"},
        {"strip past the end", BuildTiff(false, With(GrayTags(), {273, 4, {5000}}), GrayPixels()), invalid},
        {"a strip missing", BuildTiff(false, With(GrayTags(), {278, 4, {1}}), GrayPixels()), invalid},
        // 2048 x 2048 claimed by a file of about 150 bytes whose strip or
        // tile is otherwise sound (without the check of the data against the
        // size the file would load, black but for its 12 bytes): refused
        // before the image is made, uncompressed and at deflate's best.
        {"a large image, uncompressed", Large(GrayTags()), invalid},
        {"a large image, deflate", Large(GrayTags(8)), invalid},
        {"a large image in a tile", Large(Tiled(GrayTags(1))), invalid},
        {"a large image in a tile, deflate", Large(Tiled(GrayTags(8))), invalid},
        // 1024 x 1024 RGB in 1024 LZW strips that all hold the same 100
        // bytes: each byte of the file counts once.
        {"strips that share their bytes", SharedStrips(), invalid},
        // 16384 x 16384 in tiles of one pixel, of which one has an offset:
        // refused before anything is listed for the 2^28 tiles it claims.
        {"tiles without their offsets",
         BuildTiff(false, With(With(With(With(Tiled(GrayTags()), {256, 4, {16384}}), {257, 4, {16384}}),
                                    {322, 4, {1}}), {323, 4, {1}}),
                   GrayPixels()),
         invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LoadOutcome(c.file), c.outcome);
    }
}

TEST(TiffReaderTest, TagValuesThatAreNoNumbersTakeTheirDefaults) {
    // SamplesPerPixel as a FLOAT not-a-number: the default, 1; resolutions as
    // a DOUBLE beyond the range of floats or not a number: 0.
    const uint32_t nan = 0x7FC00000;
    const Bytes file = BuildTiff(false, With(With(With(GrayTags(), {277, 11, {nan}}), {282, 12, {0, 0x7FEFFFFF}}),
                                           {283, 12, {0, 0x7FF80000}}),
                                 GrayPixels());
    const TImageProperties p = PropertiesOf(file);
    EXPECT_EQ(p.samplesPerPixel, 1);
    EXPECT_EQ(p.xResolution, 0.0f);
    EXPECT_EQ(p.yResolution, 0.0f);
    EXPECT_EQ(LoadOutcome(file), "loaded");
}

TEST(TiffReaderTest, EpsHeaderAroundTheTiffPreview) {
    const Bytes tiff = BuildTiff(false, GrayTags(), GrayPixels());
    auto eps = [&](uint32_t magic, uint32_t tiffLength) {
        Bytes b;
        for (uint32_t v : {magic, 30u, 0u, 0u, 0u, 30u, tiffLength}) {
            for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
        }
        b.push_back(0xFF);
        b.push_back(0xFF);
        b.insert(b.end(), tiff.begin(), tiff.end());
        return b;
    };
    const Bytes good = eps(0xC6D3D0C5, static_cast<uint32_t>(tiff.size()));
    gfx::MemoryStream stream(good);
    ASSERT_TRUE(TEPSGraphic::CanLoad(stream));
    EXPECT_EQ(stream.position(), 0u);
    TEPSGraphic graphic;
    graphic.loadFromStream(stream);
    EXPECT_EQ(RgbaOf(graphic)[4 * 11], 110);
    EXPECT_EQ(graphic.basePosition, 30u);

    const Bytes empty = eps(0xC6D3D0C5, 0), wrong = eps(0x12345678, static_cast<uint32_t>(tiff.size()));
    gfx::MemoryStream emptyStream(empty), wrongStream(wrong);
    EXPECT_FALSE(TEPSGraphic::CanLoad(emptyStream));
    EXPECT_FALSE(TEPSGraphic::CanLoad(wrongStream));
    Bytes noTiff = good;  // the TIFF part does not begin with a TIFF header
    noTiff[30] = 'X';
    gfx::MemoryStream noTiffStream(noTiff);
    EXPECT_FALSE(TEPSGraphic::CanLoad(noTiffStream));
    try {
        graphic.loadFromStream(wrongStream);
        ADD_FAILURE() << "no error";
    } catch (const gfx::EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected EPS image format.");
    }
}

}  // namespace
}  // namespace img
