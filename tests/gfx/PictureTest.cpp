// The picture registry: load by extension and by content, precedence of
// later registrations, and pictures that keep what they held on errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "tests/fixtures/ScratchFolder.h"

namespace gfx {
namespace {

// A toy format: "TOY" + width byte + height byte + one grey byte a pixel.
class ToyImage : public Bitmap {
public:
    void loadFromStream(Stream& s) override {
        uint8_t header[5];
        s.readExact(header, 5);
        if (std::memcmp(header, "TOY", 3) != 0) throw EInvalidGraphic("not a toy");
        setPixelFormat(PixelFormat::pf8bit);
        setPalette(Palette::gray(8));
        setSize(header[3], header[4]);
        for (int y = 0; y < height(); ++y) s.readExact(scanLine(y), static_cast<std::size_t>(width()));
    }
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<ToyImage>(*this); }
    static bool canLoad(Stream& s) {
        char m[3] = {};
        return s.read(m, 3) == 3 && std::memcmp(m, "TOY", 3) == 0;
    }
};

// Another class that reads the same files, to show precedence.
class OtherToy : public ToyImage {
public:
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<OtherToy>(*this); }
};

const GraphicClass kToy{"toy", [] { return std::unique_ptr<Graphic>(new ToyImage); }, &ToyImage::canLoad};
const GraphicClass kOther{"other", [] { return std::unique_ptr<Graphic>(new OtherToy); }, &ToyImage::canLoad};
const GraphicClass kNoSignature{"nosig", [] { return std::unique_ptr<Graphic>(new ToyImage); }, nullptr};

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fixtures::MakeScratchFolder("gfx_picture");
        pictureFormats().registerFileFormat("toy", "Toy images", kToy);
        pictureFormats().registerFileFormat(".TY", "Short toy images", kToy);
    }
    void TearDown() override {
        for (const GraphicClass* c : {&kToy, &kOther, &kNoSignature}) pictureFormats().unregisterGraphicClass(*c);
        fixtures::RemoveScratchFolder(folder_);
    }
    std::string write(const char* name, const std::string& bytes) {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path folder_;
};

const std::string kToyFile = std::string("TOY\x02\x01\x10\x20", 7);

TEST_F(PictureTest, LoadsByExtensionInAnyCase) {
    Picture p;
    p.loadFromFile(write("a.TOY", kToyFile));
    ASSERT_NE(dynamic_cast<const ToyImage*>(p.graphic()), nullptr);
    EXPECT_EQ(p.width(), 2);
    EXPECT_EQ(p.bitmap().pixel(1, 0), rgb(0x20, 0x20, 0x20));
    p.loadFromFile(write("b.ty", kToyFile));
    EXPECT_EQ(p.height(), 1);
    EXPECT_EQ(pictureFormats().classForExtension("TY"), &kToy);
    EXPECT_EQ(pictureFormats().classForExtension(""), nullptr);
}

TEST_F(PictureTest, ErrorsKeepThePictureAsItWas) {
    Picture p;
    p.loadFromFile(write("good.toy", kToyFile));
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } bad[] = {
        {"x.unknown", kToyFile, "Unknown picture file extension (.unknown)"},
        {"noext", kToyFile, "Unknown picture file extension (.)"},
        {"short.toy", kToyFile.substr(0, 6), "Stream read error"},
        {"wrong.toy", "PNG\x01\x01\x00", "not a toy"},
    };
    for (const auto& b : bad) {
        try {
            p.loadFromFile(write(b.name, b.bytes));
            ADD_FAILURE() << b.name << " loaded";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), b.message) << b.name;
        }
        EXPECT_EQ(p.width(), 2) << b.name;
    }
    EXPECT_THROW(p.loadFromFile((folder_ / "missing.toy").string()), EFOpenError);
    EXPECT_EQ(p.width(), 2);
}

TEST_F(PictureTest, LoadsByContentAndLeavesTheStreamWhereItWas) {
    Picture p;
    const std::vector<uint8_t> bytes(kToyFile.begin(), kToyFile.end());
    p.loadFromBytes(bytes);
    EXPECT_EQ(p.width(), 2);

    MemoryStream s(std::vector<uint8_t>{'G', 'I', 'F', '8'});
    EXPECT_EQ(pictureFormats().classFromContent(s), nullptr);
    EXPECT_EQ(s.position(), 0u);
    EXPECT_THROW(p.loadFromStream(s), EInvalidGraphic);
    EXPECT_EQ(p.width(), 2);
}

TEST_F(PictureTest, LaterRegistrationsTakePrecedenceUntilWithdrawn) {
    pictureFormats().registerFileFormat("toy", "Other toys", kOther);
    pictureFormats().registerFileFormat("nst", "No signature", kNoSignature);
    Picture p;
    p.loadFromFile(write("a.toy", kToyFile));
    EXPECT_NE(dynamic_cast<const OtherToy*>(p.graphic()), nullptr);
    MemoryStream s(std::vector<uint8_t>(kToyFile.begin(), kToyFile.end()));
    EXPECT_EQ(pictureFormats().classFromContent(s), &kOther);

    const std::string filter = pictureFormats().dialogFilter();
    EXPECT_NE(filter.find("|Other toys (*.toy)|*.toy|"), std::string::npos) << filter;
    EXPECT_EQ(filter.find("Toy images (*.toy)"), std::string::npos) << filter;
    EXPECT_NE(filter.find("*.toy;*.ty"), std::string::npos) << filter;

    pictureFormats().unregisterGraphicClass(kOther);
    p.loadFromFile(write("b.toy", kToyFile));
    EXPECT_EQ(dynamic_cast<const OtherToy*>(p.graphic()), nullptr);
    EXPECT_EQ(pictureFormats().classFromContent(s), &kToy);
    // A class without a signature is found by extension only.
    p.loadFromFile(write("c.nst", kToyFile));
    EXPECT_EQ(p.width(), 2);
}

TEST_F(PictureTest, AssignCopiesTheGraphic) {
    Bitmap b(3, 1);
    b.setPixel(2, 0, clRed);
    Picture p;
    p.assign(b);
    b.setPixel(2, 0, clBlue);
    EXPECT_EQ(p.bitmap().pixel(2, 0), clRed);
    EXPECT_TRUE(Picture().bitmap().empty());
    EXPECT_THROW(Picture().saveToFile((folder_ / "x.toy").string()), EInvalidGraphic);
    EXPECT_THROW(p.saveToFile((folder_ / "x.bmp").string()), EInvalidGraphic);  // a plain bitmap has no format
}

}  // namespace
}  // namespace gfx
