// What the picture fuzz targets share: the image library started once, the
// load of bytes as the program loads a map file of a given extension, the
// checks of what a load leaves, a writer of the seed files' bytes, and the
// entry points of a target.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzzing {

// Starts the image library once: its readers take their extensions in the
// picture registry, as when the program runs.
inline void StartImageLibrary() {
    static const bool started = [] {
        img::RegisterImageFormats();
        return true;
    }();
    (void)started;
}

// Stops the run (a finding) unless a load left a picture that can be shown:
// within the bitmap limits, and its pixels readable as 32-bit colour (every
// pixel and palette index goes through the conversion, as when the preview
// makes a texture of it).
inline void CheckLoadedPicture(const gfx::Graphic& graphic) {
    const gfx::Bitmap bitmap = graphic.toBitmap();
    if (bitmap.empty()) return;
    if (!gfx::bitmapSizeAllowed(bitmap.width(), bitmap.height())) std::abort();
    const gfx::Bitmap colour = bitmap.convertedTo(gfx::PixelFormat::pf32bit);
    if (colour.width() != bitmap.width() || colour.height() != bitmap.height()) std::abort();
}

// Loads a graphic of the class from the stream; a reader's error must leave
// the graphic empty (a finding otherwise). Errors of the graphics layer end
// the load quietly; any other exception reaches the fuzzer as a finding.
inline void LoadGraphic(const gfx::GraphicClass& cls, gfx::Stream& stream) {
    const std::unique_ptr<gfx::Graphic> graphic = cls.create();
    try {
        graphic->loadFromStream(stream);
    } catch (const gfx::Error&) {
        if (!graphic->empty()) std::abort();
        return;
    }
    CheckLoadedPicture(*graphic);
}

// Loads the bytes as the program loads a picture file of the extension
// (without the dot): the first reader of the image library that recognises
// the content, else the class registered for the extension. Each target
// fuzzes its own readers: when another reader recognises the bytes, nothing
// is loaded and -1 tells the fuzzer not to keep the input.
inline int LoadPictureBytes(const uint8_t* data, std::size_t size, std::string_view extension,
                            std::initializer_list<const gfx::GraphicClass*> readers) {
    StartImageLibrary();
    gfx::MemoryStream stream(std::span<const uint8_t>(data, size));
    const gfx::GraphicClass* cls = img::FileFormatList()->GraphicFromContent(stream);
    if (cls && std::find(readers.begin(), readers.end(), cls) == readers.end()) return -1;
    if (!cls) cls = gfx::pictureFormats().classForExtension(extension);
    if (!cls) std::abort();
    LoadGraphic(*cls, stream);
    return 0;
}

// The bytes of a PNG file with the CRC of every whole chunk made right, so
// that the fuzzer's changes reach the chunks' use rather than stop at their
// check. Other bytes stay as they are.
inline std::vector<uint8_t> WithPngCrcs(const uint8_t* data, std::size_t size) {
    std::vector<uint8_t> png(data, data + size);
    std::size_t at = 8;
    while (size >= at + 12) {
        const uint32_t length = (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) |
                                (uint32_t{png[at + 2]} << 8) | png[at + 3];
        if (length > size - at - 12) break;
        const uLong crc = crc32(0, png.data() + at + 4, static_cast<uInt>(length + 4));
        uint8_t* stored = png.data() + at + 8 + length;
        for (int k = 0; k < 4; ++k) stored[k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
        at += std::size_t{length} + 12;
    }
    return png;
}

// A PNG chunk: length, type, data and CRC.
inline std::string PngChunk(std::string_view type, const std::string& data) {
    std::string chunk;
    const auto length = static_cast<uint32_t>(data.size());
    for (int k = 0; k < 4; ++k) chunk += static_cast<char>(length >> (24 - 8 * k));
    chunk.append(type);
    chunk += data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4), static_cast<uInt>(data.size() + 4));
    for (int k = 0; k < 4; ++k) chunk += static_cast<char>(crc >> (24 - 8 * k));
    return chunk;
}

// The bytes of a seed file, written field by field.
class Bytes {
public:
    Bytes& u8(unsigned v) {
        data_.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& le16(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& be16(unsigned v) { return u8(v >> 8).u8(v); }
    Bytes& le32(uint32_t v) { return le16(v & 0xFFFF).le16(v >> 16); }
    Bytes& be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
    Bytes& text(std::string_view s) {
        data_.append(s);
        return *this;
    }
    Bytes& fill(std::size_t n, unsigned v = 0) {
        data_.append(n, static_cast<char>(v & 0xFF));
        return *this;
    }
    // Pads with zeros up to the size.
    Bytes& padTo(std::size_t n) { return fill(n > data_.size() ? n - data_.size() : 0); }
    Bytes& bytes(const std::string& s) { return text(s); }
    std::size_t size() const { return data_.size(); }
    char& at(std::size_t i) { return data_[i]; }
    const std::string& str() const { return data_; }
    operator std::string() const { return data_; }

private:
    std::string data_;
};

// A zlib stream of the bytes.
inline std::string Zlib(const std::string& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 9);
    out.resize(size);
    return out;
}

// A raw deflate stream of the bytes (no zlib header, no checksum).
inline std::string RawDeflate(const std::string& raw) {
    const std::string z = Zlib(raw);
    return z.substr(2, z.size() - 6);
}

}  // namespace fuzzing

// Defines the target's LLVMFuzzerInitialize: an empty corpus is seeded with
// the files of the expression (pairs of a name and the bytes).
#define MIRELAN_FUZZ_SEEDS(...)                                                          \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {                       \
        fuzzing::SeedCorpus(*argc, *argv, __VA_ARGS__);                                  \
        return 0;                                                                        \
    }

// Defines both entry points of a target that fuzzes readers of the image
// library: the corpus seeded with `seeds`, and every input loaded as a map
// file of `extension` (a string without the dot) by the readers listed after
// it (pointers to their graphic classes), as LoadPictureBytes does.
#define MIRELAN_PICTURE_FUZZ_TARGET(seeds, extension, ...)                               \
    MIRELAN_FUZZ_SEEDS(seeds)                                                            \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {       \
        return fuzzing::LoadPictureBytes(data, size, extension, {__VA_ARGS__});          \
    }
