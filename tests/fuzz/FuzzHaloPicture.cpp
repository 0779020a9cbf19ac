// libFuzzer target: any bytes loaded as a Dr. Halo ".cut" map file, with the
// palette file beside it that the reader looks for, end with a picture that
// can be shown, or with an error of the graphics layer that leaves the
// picture as it was. The bytes after the first "PAL:" are the palette file;
// without it there is none. The files are written to a folder of the run's
// own in the temporary folder, as the reader reads the palette by name.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "platform/gfx/Picture.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace {

using fuzzing::Bytes;

constexpr std::string_view Separator = "PAL:";

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path f =
            std::filesystem::temp_directory_path() / ("mirelan-fuzz-halo-" + std::to_string(getpid()));
        std::filesystem::create_directories(f);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return f;
    }();
    return folder;
}

// A Dr. Halo image: width, height, a word, then each row its byte count and
// packets (a count with the high bit for a run of the next byte, without it
// for that many literal bytes, 0 at the end).
std::string Cut(unsigned width, unsigned height) {
    Bytes b;
    b.le16(width).le16(height).le16(0);
    for (unsigned y = 0; y < height; ++y) {
        Bytes row;
        const unsigned half = width / 2;
        row.u8(0x80 | half).u8(y * 30);
        row.u8(width - half);
        for (unsigned x = half; x < width; ++x) row.u8(x * 11 + y);
        row.u8(0);
        b.le16(static_cast<unsigned>(row.size())).text(row.str());
    }
    return b;
}

// A palette file: a 40-byte header with the highest entry's index at 12,
// then entries of three words that never cross a 512-byte block.
std::string Pal(unsigned count) {
    Bytes b;
    b.text("AH").le16(0x0A).le16(0).le16(0).le16(0).le16(0).le16(count - 1).padTo(40);
    for (unsigned i = 0; i < count; ++i) {
        if (b.size() % 512 > 506) b.padTo(b.size() + 512 - b.size() % 512);
        b.le16(i).le16(255 - i).le16(i / 2);
    }
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {{"grey.cut", Cut(7, 3)},
            {"palette.cut", Cut(5, 4) + std::string(Separator) + Pal(16)},
            {"long-palette.cut", Cut(3, 2) + std::string(Separator) + Pal(256)}};
}

}  // namespace

MIRELAN_FUZZ_SEEDS(Seeds())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::StartImageLibrary();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find(Separator);
    const std::string_view cut = input.substr(0, split);
    // A picture that another reader recognises is that reader's.
    gfx::MemoryStream stream(std::span<const uint8_t>(data, cut.size()));
    if (img::FileFormatList()->GraphicFromContent(stream)) return -1;
    const std::filesystem::path image = Folder() / "picture.cut", palette = Folder() / "picture.pal";
    std::ofstream(image, std::ios::binary | std::ios::trunc) << cut;
    std::error_code ec;
    if (split == std::string_view::npos)
        std::filesystem::remove(palette, ec);
    else
        std::ofstream(palette, std::ios::binary | std::ios::trunc) << input.substr(split + Separator.size());
    gfx::Picture picture;
    try {
        img::LoadPictureFile(image.string(), picture);
    } catch (const gfx::Error&) {
        if (picture.graphic()) std::abort();
        return 0;
    }
    fuzzing::CheckLoadedPicture(*picture.graphic());
    return 0;
}
