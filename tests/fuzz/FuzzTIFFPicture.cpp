// libFuzzer target: any bytes loaded as a ".tif" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty. The TIFF reader and the EPS reader (a TIFF preview inside)
// are fuzzed here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace {

using fuzzing::Bytes;

struct Tag {
    uint16_t tag, type;
    std::vector<uint32_t> values;  // RATIONAL: numerator, denominator pairs
};

// A TIFF of one directory: the pixel data right after the header, then the
// directory, then the values that do not fit in their entries. A value of
// kDataOffset in StripOffsets or TileOffsets becomes the data's offset plus
// the value's index times `unit`.
std::string Tiff(bool bigEndian, std::vector<Tag> tags, const std::string& data, uint32_t unit = 0) {
    Bytes b;
    auto u16 = [&](Bytes& to, unsigned v) -> Bytes& { return bigEndian ? to.be16(v) : to.le16(v); };
    auto u32 = [&](Bytes& to, uint32_t v) -> Bytes& { return bigEndian ? to.be32(v) : to.le32(v); };
    b.text(bigEndian ? "MM" : "II");
    u16(b, 42);
    const uint32_t ifd = static_cast<uint32_t>(8 + data.size() + (data.size() & 1));
    u32(b, ifd);
    b.text(data).padTo(ifd);
    uint32_t extra = ifd + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
    Bytes entries, values;
    u16(entries, static_cast<unsigned>(tags.size()));
    for (Tag& t : tags) {
        if (t.tag == 273 || t.tag == 324)
            for (std::size_t i = 0; i < t.values.size(); ++i) t.values[i] = 8 + static_cast<uint32_t>(i) * unit;
        const uint32_t size = t.type == 3 ? 2 : t.type == 1 ? 1 : 4;
        const uint32_t count = static_cast<uint32_t>(t.type == 5 ? t.values.size() / 2 : t.values.size());
        Bytes field;
        for (uint32_t v : t.values) {
            if (size == 1) field.u8(v);
            else if (size == 2) u16(field, v);
            else u32(field, v);
        }
        u16(entries, t.tag);
        u16(entries, t.type);
        u32(entries, count);
        if (field.size() <= 4) {
            entries.text(field.str()).fill(4 - field.size());
        } else {
            u32(entries, extra + static_cast<uint32_t>(values.size()));
            values.text(field.str());
        }
    }
    u32(entries, 0);
    return b.str() + entries.str() + values.str();
}

std::string Ramp(std::size_t n, unsigned step = 37) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * step);
    return s;
}

std::string PackBits(const std::string& raw) {
    // Literal runs of up to 128 bytes.
    std::string out;
    for (std::size_t i = 0; i < raw.size(); i += 128) {
        const std::size_t n = std::min<std::size_t>(128, raw.size() - i);
        out += static_cast<char>(n - 1);
        out += raw.substr(i, n);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    std::vector<std::pair<std::string, std::string>> seeds;
    const std::vector<Tag> res = {{282, 5, {72, 1}}, {283, 5, {72, 1}}, {296, 3, {2}}};
    auto with = [&](std::vector<Tag> tags) {
        tags.insert(tags.end(), res.begin(), res.end());
        std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
        return tags;
    };
    // Grey, 8 bits, one strip, little-endian.
    seeds.push_back({"gray8.tif", Tiff(false, with({{256, 3, {5}}, {257, 3, {4}}, {258, 3, {8}}, {259, 3, {1}},
                                                    {262, 3, {1}}, {273, 4, {0}}, {277, 3, {1}}, {278, 3, {4}},
                                                    {279, 4, {20}}}),
                                     Ramp(20))});
    // RGB, 8 bits, PackBits, two strips, big-endian.
    {
        const std::string top = PackBits(Ramp(24)), bottom = PackBits(Ramp(24, 11));
        const auto topSize = static_cast<uint32_t>(top.size()), bottomSize = static_cast<uint32_t>(bottom.size());
        seeds.push_back({"rgb-packbits.tif",
                         Tiff(true, with({{256, 3, {4}}, {257, 3, {4}}, {258, 3, {8, 8, 8}}, {259, 3, {32773}},
                                          {262, 3, {2}}, {273, 4, {0, 0}}, {277, 3, {3}}, {278, 3, {2}},
                                          {279, 4, {topSize, bottomSize}}}),
                              top + bottom, topSize)});
    }
    // Palette, 4 bits, with a colour map of 16 entries.
    {
        std::vector<uint32_t> map;
        for (int c = 0; c < 3; ++c)
            for (uint32_t i = 0; i < 16; ++i) map.push_back(i * 4369u * static_cast<uint32_t>(c + 1) % 65536u);
        seeds.push_back({"palette4.tif", Tiff(false, with({{256, 3, {6}}, {257, 3, {3}}, {258, 3, {4}}, {259, 3, {1}},
                                                           {262, 3, {3}}, {273, 4, {0}}, {277, 3, {1}}, {278, 3, {3}},
                                                           {279, 4, {9}}, {320, 3, map}}),
                                              Ramp(9))});
    }
    // RGBA, 16 bits, planar, with an associated alpha.
    seeds.push_back({"rgba16-planar.tif",
                     Tiff(true, with({{256, 3, {3}}, {257, 3, {2}}, {258, 3, {16, 16, 16, 16}}, {259, 3, {1}},
                                      {262, 3, {2}}, {273, 4, {0, 0, 0, 0}}, {277, 3, {4}}, {278, 3, {2}},
                                      {279, 4, {12, 12, 12, 12}}, {284, 3, {2}}, {338, 3, {1}}}),
                          Ramp(48), 12)});
    // Grey with alpha, 8 bits, Deflate with the horizontal predictor.
    seeds.push_back({"gray-alpha-deflate.tif",
                     [&] {
                         const std::string z = fuzzing::Zlib(Ramp(32, 3));
                         return Tiff(false, with({{256, 3, {4}}, {257, 3, {4}}, {258, 3, {8, 8}}, {259, 3, {8}},
                                                  {262, 3, {1}}, {273, 4, {0}}, {277, 3, {2}}, {278, 3, {4}},
                                                  {279, 4, {static_cast<uint32_t>(z.size())}}, {317, 3, {2}},
                                                  {338, 3, {2}}}),
                                     z);
                     }()});
    // CMYK in 16 x 16 tiles (one tile), and L*a*b*.
    seeds.push_back({"cmyk-tiled.tif", Tiff(false, with({{256, 3, {5}}, {257, 3, {3}}, {258, 3, {8, 8, 8, 8}},
                                                         {259, 3, {1}}, {262, 3, {5}}, {277, 3, {4}}, {322, 3, {16}},
                                                         {323, 3, {16}}, {324, 4, {0}}, {325, 4, {1024}}}),
                                            Ramp(1024))});
    seeds.push_back({"lab8.tif", Tiff(false, with({{256, 3, {4}}, {257, 3, {2}}, {258, 3, {8, 8, 8}}, {259, 3, {1}},
                                                   {262, 3, {8}}, {273, 4, {0}}, {277, 3, {3}}, {278, 3, {2}},
                                                   {279, 4, {24}}}),
                                      Ramp(24))});
    // Bilevel, fill order 2, white is zero.
    seeds.push_back({"bilevel.tif", Tiff(true, with({{256, 3, {16}}, {257, 3, {4}}, {258, 3, {1}}, {259, 3, {1}},
                                                     {262, 3, {0}}, {266, 3, {2}}, {273, 4, {0}}, {278, 3, {4}},
                                                     {279, 4, {8}}}),
                                         Ramp(8))});
    // The first TIFF inside an EPS file.
    {
        const std::string tiff = seeds.front().second;
        Bytes eps;
        // The magic, no PostScript and no metafile, the TIFF's place and size,
        // no checksum.
        eps.le32(0xC6D3D0C5).le32(30).le32(0).le32(0).le32(0).le32(30).le32(static_cast<uint32_t>(tiff.size()));
        eps.le16(0xFFFF);
        seeds.push_back({"preview.eps", eps.str() + tiff});
    }
    return seeds;
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "tif", &img::TiffGraphicClass(), &img::EpsGraphicClass())
