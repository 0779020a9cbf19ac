// Damaged files: every test file of the readers cut short and with bytes
// changed (seeded), loaded by the reader of its kind. Each either loads or
// raises an error of the graphics layer within a time limit (no reader loops
// on damaged data), and an error leaves the bitmap empty; the sanitizers of
// the test build catch any access out of bounds.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "imageformats/ImagePng.h"
#include "imageformats/ImageRegistration.h"
#include "imageformats/ImageTiff.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "tests/imageformats/ImageFiles.h"

namespace img {
namespace {

using namespace img::testing;
using Bytes = std::vector<uint8_t>;

// Loads the bytes with the reader of their kind; false when it raised.
template <class Reader>
bool LoadsOrRaises(const Bytes& bytes, std::string& unexpected) {
    Reader reader;
    gfx::MemoryStream stream(bytes);
    try {
        reader.loadFromStream(stream);
        return true;
    } catch (const gfx::Error&) {
        if (!reader.empty()) unexpected = "a half-made bitmap after an error";
    } catch (const std::exception& e) {
        unexpected = std::string("an error outside the graphics layer: ") + e.what();
    }
    return false;
}

TEST(ReaderMutationTest, CutAndChangedFilesLoadOrRaise) {
    SKIP_WITHOUT_IMAGE_FILES();
    std::vector<std::string> files;
    for (const auto& line : ReadList("tiff.txt")) files.push_back(ImageFile("tiff/" + line[0]));
    for (const auto& line : ReadList("png.txt")) files.push_back(PngSuiteFile(line[0]));
    ASSERT_GT(files.size(), HavePngSuite ? 300u : 200u);
    std::mt19937 random(2022);
    int cases = 0, loaded = 0;
    for (const std::string& file : files) {
        const Bytes original = ReadFileBytes(file);
        const bool png = file.ends_with(".png"), eps = file.ends_with(".eps");
        for (int k = 0; k < 8; ++k) {
            Bytes bytes = original;
            if (k < 3) {
                bytes.resize(random() % bytes.size());
            } else {
                // One to four bytes changed, now and then to values that make
                // large counts and lengths.
                for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n)
                    bytes[random() % bytes.size()] = static_cast<uint8_t>(random() % 3 == 0 ? 0xFF : random());
            }
            std::string unexpected;
            const bool ok = png   ? LoadsOrRaises<TPNGGraphic>(bytes, unexpected)
                            : eps ? LoadsOrRaises<TEPSGraphic>(bytes, unexpected)
                                  : LoadsOrRaises<TTIFFGraphic>(bytes, unexpected);
            EXPECT_EQ(unexpected, "") << file << " case " << k;
            ++cases;
            loaded += ok;
        }
    }
    EXPECT_GT(cases, 2500);
    // Changed bytes in pixel data load; most cut files do not.
    EXPECT_GT(loaded, cases / 5);
    EXPECT_LT(loaded, cases);
}

// Bytes changed or cut as above: case k of 8.
Bytes Mutated(const Bytes& original, int k, std::mt19937& random) {
    Bytes bytes = original;
    if (k < 3) {
        bytes.resize(random() % bytes.size());
    } else {
        for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random() % 3 == 0 ? 0xFF : random());
    }
    return bytes;
}

TEST(ReaderMutationTest, EveryOtherReaderLoadsOrRaisesInTime) {
    SKIP_WITHOUT_READER_FILES();
    RegisterImageFormats();
    const TFileFormatList& list = *FileFormatList();
    std::mt19937 random(2023);
    int cases = 0, loaded = 0;
    for (const auto& line : ReadList("readers.txt")) {
        const std::string name = line[0];
        const int index = list.FindExtension(name.substr(name.rfind('.') + 1));
        ASSERT_GE(index, 0) << name;
        const gfx::GraphicClass& cls = *list.Extensions()[static_cast<std::size_t>(index)]->ClassEntry->GraphicClass;
        const Bytes original = ReadFileBytes(ImageFile("readers/" + name));
        for (int k = 0; k < 8; ++k) {
            const Bytes bytes = Mutated(original, k, random);
            const std::unique_ptr<gfx::Graphic> reader = cls.create();
            gfx::MemoryStream stream(bytes);
            const auto start = std::chrono::steady_clock::now();
            try {
                reader->loadFromStream(stream);
                ++loaded;
            } catch (const gfx::Error&) {
                EXPECT_TRUE(reader->empty()) << name << " case " << k << ": a half-made bitmap after an error";
            } catch (const std::exception& e) {
                ADD_FAILURE() << name << " case " << k << ": an error outside the graphics layer: " << e.what();
            }
            // A generous limit that only a loop on damaged data would pass.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << name << " case " << k;
            ++cases;
        }
    }
    EXPECT_GT(cases, 600);
    EXPECT_GT(loaded, cases / 5);
    EXPECT_LT(loaded, cases);
}

}  // namespace
}  // namespace img
