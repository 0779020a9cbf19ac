// The viewer's GIF decoder against Pillow's reading of files made by
// ImageMagick and gifbuild, composed frames worked out by hand, every error
// of the decoder, and a mutation corpus.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "htmlviewer/Gif.h"
#include "platform/gfx/Stream.h"
#include "tests/htmlviewer/ImageTestSupport.h"

namespace {

// Pillow's reading of a fixture (see gif_reference.py).
struct PillowGif {
    int width = 0, height = 0, frames = 0, loop = -1;
    struct Frame {
        int x0, y0, x1, y1, duration, disposal;
    };
    std::vector<Frame> boxes;
    std::vector<std::vector<uint8_t>> rgba;
};

PillowGif ReadReference(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t data = text.find("DATA\n");
    std::istringstream in(text.substr(0, data));
    PillowGif ref;
    in >> ref.width >> ref.height >> ref.frames >> ref.loop;
    std::size_t offset = data + 5;
    for (int i = 0; i < ref.frames; ++i) {
        PillowGif::Frame f{};
        in >> f.x0 >> f.y0 >> f.x1 >> f.y1 >> f.duration >> f.disposal;
        ref.boxes.push_back(f);
        const std::size_t n = static_cast<std::size_t>(ref.width) * ref.height * 4;
        ref.rgba.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                              bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
        offset += n;
    }
    return ref;
}

TEST(Gif, FramesMatchPillow) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    const std::vector<std::string> names = {"im_gradient", "im_interlaced", "im_noise", "im_anim", "im_forever",
                                            "gb_frames",   "gb_plain",      "gb_loop_2", "gb_loop_none"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const PillowGif ref = ReadReference(FixturePath(name + ".ref"));
        const TGif gif = LoadGif(ReadBytes(FixturePath(name + ".gif")));
        ASSERT_EQ(gif.ScreenWidth(), ref.width);
        ASSERT_EQ(gif.ScreenHeight(), ref.height);
        ASSERT_EQ(gif.ImageCount(), ref.frames);
        EXPECT_EQ(gif.LoopCount(), ref.loop);
        const TGifStrip strip = gif.GetStripBitmap();
        ASSERT_EQ(strip.Cells.size(), static_cast<std::size_t>(ref.frames));
        EXPECT_EQ(strip.Masks.empty(), !gif.IsTransparent());
        int compared = 0;
        for (int i = 0; i < ref.frames; ++i) {
            const PillowGif::Frame& box = ref.boxes[static_cast<std::size_t>(i)];
            EXPECT_EQ(gif.ImageLeft(i), box.x0);
            EXPECT_EQ(gif.ImageTop(i), box.y0);
            EXPECT_EQ(gif.ImageLeft(i) + gif.ImageWidth(i), box.x1);
            EXPECT_EQ(gif.ImageTop(i) + gif.ImageHeight(i), box.y1);
            EXPECT_EQ(gif.ImageDelay(i), std::max(1, box.duration / 10));
            // Pillow keeps the previous method for a frame that gives none.
            if (gif.ImageDisposal(i) != 0) {
                EXPECT_EQ(gif.ImageDisposal(i), box.disposal & 3);
            }
            const gfx::Bitmap& cell = strip.Cells[static_cast<std::size_t>(i)];
            const std::vector<uint8_t>& rgba = ref.rgba[static_cast<std::size_t>(i)];
            for (int y = 0; y < ref.height; ++y) {
                for (int x = 0; x < ref.width; ++x) {
                    // Where the mask says drawn (or, without a mask, inside
                    // this frame) the composed colour is Pillow's, opaque.
                    const bool drawn = strip.Masks.empty()
                                           ? (x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1)
                                           : strip.Masks[static_cast<std::size_t>(i)].pixel(x, y) == gfx::clBlack;
                    if (!drawn) continue;
                    const uint8_t* p = &rgba[(static_cast<std::size_t>(y) * ref.width + x) * 4];
                    ASSERT_EQ(cell.pixel(x, y), gfx::rgb(p[0], p[1], p[2])) << "frame " << i << " at " << x << "," << y;
                    ASSERT_EQ(p[3], 255) << "frame " << i << " at " << x << "," << y;
                    ++compared;
                }
            }
        }
        EXPECT_GT(compared, ref.width * ref.height / 2);
    }
}

TEST(Gif, FramesComposedOverEachOther) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    // gb_frames: an opaque 8x6 frame; an interlaced 4x5 frame at (2,1) whose
    // index 0 is transparent, disposed to the background; a 3x3 frame at
    // (5,3) whose index 1 (red) is transparent.
    const TGifStrip strip = LoadGif(ReadBytes(FixturePath("gb_frames.gif"))).GetStripBitmap();
    ASSERT_EQ(strip.Masks.size(), 4u);
    const gfx::Color white = gfx::rgb(255, 255, 255), red = gfx::rgb(255, 0, 0), green = gfx::rgb(0, 128, 0),
                     yellow = gfx::rgb(255, 255, 0), purple = gfx::rgb(128, 0, 128), blue = gfx::rgb(0, 0, 255);
    struct Probe {
        int cell, x, y;
        gfx::Color color;
        bool opaque;
    };
    const gfx::Color cyan = gfx::rgb(0, 255, 255);
    const std::vector<Probe> probes = {
        {0, 0, 0, white, true},   {0, 3, 3, green, true},                            // frame 0 alone
        {1, 2, 1, red, true},     {1, 3, 1, yellow, true}, {1, 4, 3, purple, true},  // frame 1 over it
        {1, 2, 5, cyan, true},    {1, 0, 0, white, true},
        {2, 4, 3, purple, false}, {2, 2, 1, red, false},   {2, 6, 3, green, true},   // frame 1 disposed, frame 2 drawn
        {2, 5, 4, green, true},   {2, 7, 3, white, true},  {2, 7, 4, blue, true},
        {3, 4, 2, green, true},   {3, 6, 4, blue, true},   {3, 4, 3, purple, false}, // frame 2 disposed, frame 3 drawn
        {3, 6, 3, green, false},  {3, 2, 1, red, false},   {3, 0, 0, white, true},
    };
    for (const Probe& p : probes) {
        const gfx::Bitmap& cell = strip.Cells[static_cast<std::size_t>(p.cell)];
        const gfx::Bitmap& mask = strip.Masks[static_cast<std::size_t>(p.cell)];
        EXPECT_EQ(cell.pixel(p.x, p.y), p.color) << p.cell << ": " << p.x << "," << p.y;
        EXPECT_EQ(mask.pixel(p.x, p.y) == gfx::clBlack, p.opaque) << p.cell << ": " << p.x << "," << p.y;
    }
}

TEST(Gif, EdgeCasesOfTheFileStructure) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    // A lower-case signature, and a file that ends without its trailer.
    std::vector<uint8_t> plain = ReadBytes(FixturePath("gb_plain.gif"));
    const TGifStrip reference = LoadGif(plain).GetStripBitmap();
    std::vector<uint8_t> lower = plain;
    lower[0] = 'g', lower[1] = 'i', lower[2] = 'f', lower[5] = 'A';
    std::vector<uint8_t> noTrailer(plain.begin(), plain.end() - 1);
    for (const auto& bytes : {lower, noTrailer}) {
        const TGif gif = LoadGif(bytes);
        EXPECT_EQ(gif.GetStripBitmap().Cells[0].pixel(4, 2), reference.Cells[0].pixel(4, 2));
    }
    // No graphic control and no loop count.
    const TGif gif = LoadGif(plain);
    EXPECT_EQ(gif.ImageDelay(0), 1);
    EXPECT_EQ(gif.ImageDisposal(0), 0);
    EXPECT_EQ(gif.TransparentIndex(0), -1);
    EXPECT_EQ(gif.LoopCount(), -1);
    EXPECT_FALSE(gif.IsTransparent());
    // A NETSCAPE loop count of 0.
    EXPECT_EQ(LoadGif(ReadBytes(FixturePath("im_forever.gif"))).LoopCount(), 0);

    // An image taller than the screen is cut to it.
    const TGif tall = LoadGif(ReadBytes(FixturePath("tall.gif")));
    EXPECT_EQ(tall.ImageHeight(0), 3);
    const gfx::Bitmap tallCell = tall.GetStripBitmap().Cells[0];
    EXPECT_EQ(tallCell.height(), 3);
    EXPECT_EQ(tallCell.pixel(0, 1), gfx::rgb(0, 0, 255));
    EXPECT_EQ(tallCell.pixel(1, 2), gfx::rgb(0, 0, 255));
    EXPECT_EQ(tallCell.pixel(0, 2), gfx::rgb(255, 0, 0));

    // A frame reaching past the right edge stays inside its own cell.
    const TGifStrip wide = LoadGif(ReadBytes(FixturePath("wide.gif"))).GetStripBitmap();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(wide.Cells[0].pixel(x, y), gfx::rgb(255, 0, 0));
            EXPECT_EQ(wide.Cells[1].pixel(x, y), x < 2 ? gfx::rgb(255, 0, 0) : gfx::rgb(0, 0, 255));
        }
}

TEST(Gif, ErrorsNameTheirCause) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    using B = std::vector<uint8_t>;
    const B oneByOne = ImageBlock(0, 0, 1, 1, 2, PackCodes({{4, 3}, {1, 3}, {5, 3}}));
    struct Case {
        const char* what;
        B bytes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"signature", B{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0x80, 0, 0}, "TGif: Invalid GIF Signature Code"},
        {"short file", B{'G', 'I', 'F'}, "TGif: Invalid GIF Signature Code"},
        {"no image", Gif(1, 1, {}), "TGif: No Image Description"},
        {"unknown block", Gif(1, 1, {0x99}), "TGif: Unknown Graphics Operation Code"},
        {"unknown extension", ReadBytes(FixturePath("unknown_extension.gif")), "TGif: unknown extension: 00F0"},
        {"control size", Gif(1, 1, Cat({0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0}, oneByOne)),
         "TGif: Invalid Extension Block Size"},
        {"plain text size", Gif(1, 1, {0x21, 0x01, 3, 1, 2, 3, 0}), "TGif: Invalid Extension Block Size"},
        {"no colour table", Gif(1, 1, oneByOne, false), "TGif: No Local or Global Color Table for Image"},
        {"code size 12", Gif(1, 1, ImageBlock(0, 0, 1, 1, 12, {0})), "TGif: Invalid LZW Code Size"},
        {"end after clear", Gif(1, 1, ImageBlock(0, 0, 1, 1, 2, PackCodes({{4, 3}, {5, 3}}))),
         "TGif: Invalid LZW Data Format"},
        {"code beyond the table", Gif(2, 1, ImageBlock(0, 0, 2, 1, 2, PackCodes({{4, 3}, {1, 3}, {7, 3}}))),
         "TGif: Invalid LZW Data Format"},
        {"cut sub-block", Gif(1, 1, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 5, 1}), "TGif: Unexpected end of file"},
        {"cut descriptor", Gif(1, 1, {0x2C, 0, 0, 0}), "TGif: Unexpected end of file"},
        {"zero width", Gif(1, 1, ImageBlock(0, 0, 0, 1, 2, PackCodes({{4, 3}, {5, 3}}))), "TGif: Zero width or height"},
        {"huge strip", Gif(65535, 65535, oneByOne), "TGif: Animated GIF too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gfx::MemoryStream stream(c.bytes);
        TGif gif;
        try {
            gif.LoadFromStream(stream);
            gif.GetStripBitmap();
            ADD_FAILURE() << "no error";
        } catch (const EGifError& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ("TGif: " + gif.LastErrorMessage(), c.message);
        }
    }
    // An image index outside the images.
    const TGif gif = LoadGif(Gif(1, 1, oneByOne));
    try {
        gif.ImageLeft(1);
        ADD_FAILURE() << "no error";
    } catch (const EGifError& e) {
        EXPECT_EQ(e.Number(), 15);
    }
}

TEST(Gif, UnusualCodeStreamsStillLoad) {
    // A first code beyond the table reads as 0; data that ends early leaves
    // the rest of the image at index 0.
    struct Case {
        const char* what;
        std::vector<uint8_t> codes;
        std::vector<gfx::Color> pixels;
    };
    const gfx::Color c0 = gfx::rgb(10, 20, 30), c1 = gfx::rgb(200, 150, 100);
    const std::vector<Case> cases = {
        {"first code too high", PackCodes({{4, 3}, {6, 3}, {1, 3}, {5, 3}}), {c0, c1, c0}},
        {"no end code", PackCodes({{4, 3}, {1, 3}}), {c1, c0, c0}},
        {"no clear code", PackCodes({{1, 3}, {1, 3}, {6, 3}}), {c1, c1, c1}},
        {"clear codes in a row", PackCodes({{4, 3}, {4, 3}, {4, 3}, {1, 3}, {0, 3}, {1, 3}}), {c1, c0, c1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TGif gif = LoadGif(Gif(3, 1, ImageBlock(0, 0, 3, 1, 2, c.codes)));
        const gfx::Bitmap cell = gif.GetStripBitmap().Cells[0];
        for (int x = 0; x < 3; ++x) EXPECT_EQ(cell.pixel(x, 0), c.pixels[static_cast<std::size_t>(x)]) << x;
    }
}

TEST(Gif, MutatedFilesLoadOrRaise) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    uint32_t seed = 2024;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int loaded = 0, raised = 0;
    for (const char* name : {"im_anim.gif", "im_interlaced.gif", "gb_frames.gif", "gb_plain.gif", "im_noise.gif"}) {
        const std::vector<uint8_t> original = ReadBytes(FixturePath(name));
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> bytes = original;
            if (round % 3 == 0) {
                bytes.resize(next() % bytes.size());
            } else {
                for (int flips = 1 + static_cast<int>(next() % 3); flips > 0; --flips)
                    bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
            }
            gfx::MemoryStream stream(bytes);
            TGif gif;
            try {
                gif.LoadFromStream(stream);
                const TGifStrip strip = gif.GetStripBitmap();
                ASSERT_EQ(strip.Cells.size(), static_cast<std::size_t>(gif.ImageCount()));
                ++loaded;
            } catch (const EGifError&) {
                ++raised;
            }
        }
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(raised, 100);
}

}  // namespace
