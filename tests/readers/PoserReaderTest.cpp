#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>

#include <zlib.h>

#include "model/Model.h"
#include "model/Scene.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "readers/PoserReader.h"
#include "tests/fixtures/Fixtures.h"

namespace fs = std::filesystem;

namespace {

constexpr double Deg = 3.14159265358979323846 / 180;

// Preview textures that exist until they are deleted.
class TextureHooks : public WindowHooks {
public:
    bool IsTexture(int32_t name) override { return live.count(name) != 0; }
    void DeleteTexture(int32_t name) override {
        live.erase(name);
        deleted.push_back(name);
    }
    std::set<int32_t> live;
    std::vector<int32_t> deleted;
};

class PoserReaderTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        Services s;
        s.window = &hooks;
        scopedHooks = std::make_unique<ScopedServices>(s);
        folder = fs::path(testing::TempDir()) / ("mirelan_poser_" + std::to_string(::getpid()) + "_" +
                                                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        scopedHooks.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
        ModelTest::TearDown();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path p = folder / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    // The text gzip-compressed, as Poser writes ".pzz" scenes.
    std::string WriteCompressed(const std::string& name, const std::string& text) {
        const std::string path = (folder / name).string();
        gzFile gz = gzopen(path.c_str(), "wb");
        EXPECT_NE(gz, nullptr);
        EXPECT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
        EXPECT_EQ(gzclose(gz), Z_OK);
        return path;
    }
    bool Logged(const std::string& line) const {
        for (const std::string& m : Messages())
            if (m == line) return true;
        return false;
    }
    // A model whose extents have centre (1, 2, 3) and diagonal 10.
    static void SetExtents() {
        Scene.extents.center = {1, 2, 3};
        Scene.extents.diagonal = 10;
    }
    static tmaterial SceneMaterial(const std::string& name, const std::string& colorMap, tvector diffuse = {1, 1, 1}) {
        tmaterial m;
        NewMaterial(m);
        m.name = name;
        m.colorMap = colorMap;
        m.diffuse = diffuse;
        return m;
    }

    TextureHooks hooks;
    std::unique_ptr<ScopedServices> scopedHooks;
    fs::path folder;
};

void ExpectVector(const tvector& v, double x, double y, double z, double tolerance = 1e-9) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// ---- Cameras ------------------------------------------------------------------------

// A camera block as Poser writes it: the channels carry their values on "k"
// lines inside nested blocks, and "endPoint" closes the camera.
std::string CameraBlock(const std::string& name, double focal, double tx, double scale, double extraFocal = -1) {
    std::string s = "camera " + name + "\n\t{\n\tname\t" + name + "\n\tchannels\n\t\t{\n";
    const auto channel = [&](const std::string& keyword, double value) {
        s += "\t\t" + keyword + " chan\n\t\t\t{\n\t\t\tname Something\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tstatic 0\n";
        s += "\t\t\t\tk 0 " + std::to_string(value) + "\n\t\t\t\t}\n\t\t\t}\n";
    };
    channel("focal", focal);
    if (extraFocal >= 0) channel("focal", extraFocal);  // a second focal channel: the first value stays
    channel("translateX", tx);
    channel("translateY", 2);
    channel("translateZ", 3);
    channel("rotateX", -10);
    channel("rotateY", 20);
    s += "\t\t}\n\tendPoint 0 0 0\n";  // ends the block before rotateZ and scale
    channel("rotateZ", 99);
    channel("scale", scale);
    s += "\t}\n";
    return s;
}

TEST_F(PoserReaderTest, ActiveCameraOtherThanTheViewsReadsAsMainCamera) {
    const std::string file = Write("scene.pz3",
                                   "{\nversion\n\t{\n\tnumber 4.01\n\t}\n"
                                   "camera MAIN_CAMERA\n\t{\n\tstorageOffset 0 0 0\n\t}\n"  // nameless: ends at "}"
                                   "camera TOP_CAMERA\n\t{\n\tstorageOffset 0 0 0\n\t}\n" +
                                       CameraBlock("MAIN_CAMERA", 50, 1.5, 0.8, 70) + CameraBlock("TOP_CAMERA", 10, 9, 9) +
                                       "doc\n\t{\n\tuseCamera DOLLY_CAMERA\n\tdimensions 640 480\n\t}\n}\n");
    Scene.orthographic = 1;
    tposercameravalues values;
    values.fill(-1);
    ASSERT_TRUE(ReadPoserCameras(file, values));
    EXPECT_EQ(values[PoserFocal], 50);  // the first "k" of a channel counts
    EXPECT_EQ(values[PoserTranslateX], 1.5);
    EXPECT_EQ(values[PoserTranslateY], 2);
    EXPECT_EQ(values[PoserTranslateZ], 3);
    EXPECT_EQ(values[PoserRotateX], -10);
    EXPECT_EQ(values[PoserRotateY], 20);
    EXPECT_EQ(values[PoserRotateZ], 0);  // after endPoint: not part of the camera
    EXPECT_EQ(values[PoserScale], 0);
    for (int i = 8; i < PoserCameraValueCount; ++i) EXPECT_EQ(values[i], 0);
    EXPECT_EQ(Scene.activeCameraName, "MAIN_CAMERA");
    EXPECT_EQ(Scene.orthographic, 0);
    EXPECT_EQ(Scene.cameraViewportWidth, 640);
    EXPECT_EQ(Scene.cameraViewportHeight, 480);
    EXPECT_EQ(Messages().front(), "Opening file...");
    EXPECT_TRUE(Logged("Active camera in scene: DOLLY_CAMERA"));
    EXPECT_TRUE(Logged("Camera viewport dimensions: 640 x 480"));
    EXPECT_TRUE(Logged("Camera MAIN_CAMERA found.  Scanning..."));
}

TEST_F(PoserReaderTest, OrthographicViewAndEightValuesEndTheBlock) {
    // Eight values end the block; the "name" after them is not the camera's.
    const std::string block =
        "camera TOP_CAMERA\n{\nfocal F\nk 0 35\ntranslateX T\nk 0 1\ntranslateY T\nk 0 2\ntranslateZ T\nk 0 3\n"
        "rotateX R\nk 0 4\nrotateY R\nk 0 5\nrotateZ R\nk 0 6\nscale S\nk 0 7\n}\n";
    std::string file = Write("top.pz3", "useCamera TOP_CAMERA\n" + block);
    tposercameravalues values{};
    EXPECT_FALSE(ReadPoserCameras(file, values));  // no name before the values were complete
    EXPECT_TRUE(Logged("No usable camera in this file"));
    EXPECT_EQ(Scene.orthographic, 1);

    file = Write("top2.pz3", "useCamera TOP_CAMERA\ncamera TOP_CAMERA\n{\nname TOP_CAMERA\n" + block.substr(20) +
                                 "camera TOP_CAMERA\n{\nname OTHER\nfocal F\nk 0 99\n}\n");
    ASSERT_TRUE(ReadPoserCameras(file, values));
    EXPECT_EQ(values[PoserFocal], 35);
    EXPECT_EQ(values[PoserScale], 7);
    EXPECT_EQ(Scene.activeCameraName, "TOP_CAMERA");
    EXPECT_EQ(Scene.orthographic, 1);
}

TEST_F(PoserReaderTest, CameraBlocksPastTheHundredthReuseTheLastSlot) {
    std::string text;
    for (int i = 1; i <= 99; ++i) text += "camera C" + std::to_string(i) + "\n{\nname C" + std::to_string(i) + "\nendPoint\n}\n";
    text += CameraBlock("MAIN_CAMERA", 50, 1, 1);
    std::string file = Write("hundred.pz3", text);
    tposercameravalues values{};
    EXPECT_TRUE(ReadPoserCameras(file, values));
    // A 101st block overwrites the 100th, which held the main camera.
    file = Write("hundred-one.pz3", text + CameraBlock("SIDE", 20, 2, 2));
    values.fill(-1);
    EXPECT_FALSE(ReadPoserCameras(file, values));
    EXPECT_EQ(values[PoserFocal], -1);  // left as passed
}

TEST_F(PoserReaderTest, BrokenCameraFilesLeaveTheSceneAlone) {
    Scene.activeCameraName = "KEEP";
    Scene.cameraViewportWidth = 11;
    Scene.orthographic = 1;
    tposercameravalues values{};
    for (const std::string text : {"dimensions 640\n", "camera MAIN_CAMERA\n{\nname MAIN_CAMERA\nfocal F\nk 0\n}\n"}) {
        const std::string file = Write("broken.pz3", "useCamera MAIN_CAMERA\n" + text);
        EXPECT_THROW(ReadPoserCameras(file, values), ReadError) << text;
        EXPECT_EQ(Scene.activeCameraName, "KEEP");
        EXPECT_EQ(Scene.cameraViewportWidth, 11);
        EXPECT_EQ(Scene.orthographic, 1);
    }
    EXPECT_THROW(ReadPoserCameras((folder / "missing.pz3").string(), values), ReadError);
}

// ---- Materials ------------------------------------------------------------------------

TEST_F(PoserReaderTest, MaterialKeywordsAreParsed) {
    SceneMaterials.push_back(SceneMaterial("Skin", "/maps/skin color.jpg"));
    SceneMaterials.push_back(SceneMaterial("Hair, Long:1", "GETSTRINGRES(1024"));
    const std::string file = Write("scene.pz3", R"P(version
	{
	number 5
	}
figure
	{
	material Skin
		{
		KdColor 0.8 0.6 0.4 0.5
		KaColor 1 1 1 0.1
		KsColor 0.2 0.4 0.6 1
		NsExponent 25
		tMax 0.5
		bumpStrength 0.25
		textureMap "C:\Program Files\Poser\Runtime:Textures:Skin Color.jpg"
		bumpMap "GetStringRes(1024,12)"
		transparencyMap NO_MAP
		reflectionMap "refl.jpg"
		reflectionStrength 0.3
		}
	material "Hair, Long"
		{
		KdColor 1 1 1 1
		textureMap GetStringRes(1024,12)
		reflectionMap NO_MAP
		reflectionStrength 0.3
		}
	}
)P");
    ReadPoserMaterials(file);
    const tmaterial& m = SceneMaterials[0];
    EXPECT_EQ(m.name, "Skin");
    ExpectVector(m.diffuse, 0.4, 0.3, 0.2);
    ExpectVector(m.ambient, 0.1, 0.1, 0.1);
    ExpectVector(m.specular, 0.2, 0.4, 0.6);
    EXPECT_FLOAT_EQ(m.shininess, 0.25f);
    EXPECT_EQ(m.transparency, 0.5);
    EXPECT_EQ(m.bumpSize, -0.5);
    EXPECT_EQ(m.colorMap, "SKIN COLOR.JPG");
    EXPECT_EQ(m.bumpMap, "male business texture.tif");
    EXPECT_EQ(m.transparencyMap, "");
    EXPECT_EQ(m.reflection, 0.3);
    EXPECT_EQ(m.blend, 1.0);
    // Unquoted, the comma splits the reference, which then stays as written.
    const tmaterial& hair = SceneMaterials[1];
    EXPECT_EQ(hair.name, "Hair, Long:1");
    EXPECT_EQ(hair.colorMap, "GETSTRINGRES(1024");
    EXPECT_EQ(hair.reflection, 0);
    EXPECT_TRUE(Logged("Poser 5 scene file"));
    EXPECT_TRUE(Logged("Material entry  SKIN found.  Scanning..."));
    EXPECT_TRUE(Logged("Material Skin loaded"));
    EXPECT_TRUE(Logged("Material Hair, Long:1 loaded"));
}

TEST_F(PoserReaderTest, ResourceMapNames) {
    EXPECT_EQ(PoserStringResName("GETSTRINGRES(1024,12)"), "male business texture.tif");
    EXPECT_EQ(PoserStringResName("  GetStringRes(1024,1) "), "No Bump");
    EXPECT_EQ(PoserStringResName("GetStringRes(1024,60)"), "snakelo.tif");
    EXPECT_EQ(PoserStringResName("GETSTRINGRES(1024,61)"), "GETSTRINGRES(1024,61)");
    EXPECT_EQ(PoserStringResName("GETSTRINGRES(1024,0)"), "GETSTRINGRES(1024,0)");
    EXPECT_EQ(PoserStringResName("GETSTRINGRES(1024,)"), "GETSTRINGRES(1024,)");
    EXPECT_EQ(PoserStringResName("GETSTRINGRES"), "GETSTRINGRES");
    EXPECT_EQ(PoserStringResName("skin.jpg"), "skin.jpg");
}

TEST_F(PoserReaderTest, BumpMapFromTheShaderTree) {
    SceneMaterials.push_back(SceneMaterial("Skin", ""));
    SceneMaterials.push_back(SceneMaterial("Face", ""));
    const std::string file = Write("nodes.pz3", R"P(version
{
number 6
}
material Skin
	{
	KdColor 1 1 1 1
	textureMap NO_MAP
	bumpMap NO_MAP
	transparencyMap NO_MAP
	shaderTree
		{
		node "PoserSurface" "PoserSurface"
			{
			nodeInput "Bump"
				{
				value 0 0 0
				node "Image_Map_2"
				}
			}
		node "image_map" "Image_Map_1"
			{
			nodeInput "Image_Source"
				{
				file ":Runtime:Textures:wrong.jpg"
				}
			}
		node "image_map" "Image_Map_2"
			{
			nodeInput "Image_Source"
				{
				file ":Runtime:Textures:bumpy.jpg"
				}
			}
		}
	}
material Face
	{
	bumpMap "face_bump.jpg"
	nodeInput "Gradient_Bump"
		{
		node "Image_Map_1"
		}
	node "image_map" "Image_Map_1"
		{
		nodeInput "Image_Source"
			{
			file "other.jpg"
			}
		}
	}
)P");
    ReadPoserMaterials(file);
    EXPECT_EQ(SceneMaterials[0].bumpMap, "BUMPY.JPG");
    // A gradient bump counts only while the material has no bump map.
    EXPECT_EQ(SceneMaterials[1].bumpMap, "FACE_BUMP.JPG");
}

// A Poser 4 scene: names match with a ":n" suffix, colour maps by file name
// and diffuse colours within 0.1.
TEST_F(PoserReaderTest, Version4MatchingAndTransparencyRules) {
    SceneMaterials.push_back(SceneMaterial("Skin:100", "skin.jpg", {0.5, 0.5, 0.5}));  // suffixes end at 99
    SceneMaterials.push_back(SceneMaterial("skin", "skin.jpg", {0.8, 0.5, 0.5}));      // colour too far off
    SceneMaterials.push_back(SceneMaterial("Skin:2", "maps/SKIN.JPG", {0.55, 0.5, 0.5}));
    tmaterial& s = SceneMaterials[2];
    s.bumpMap = "skinbump.jpg";
    s.glTexture = 7;
    s.faceCount = 12;
    s.lineCount = 3;
    s.selected = 0;
    s.customTextActive = 1;
    hooks.live = {7};
    SceneMaterials.push_back(SceneMaterial("Skin:3", "skin.jpg", {0.5, 0.5, 0.5}));  // SKIN is used up
    SceneMaterials.push_back(SceneMaterial("GLASS", "glass.jpg"));
    SceneMaterials.push_back(SceneMaterial("Veil:1", ""));
    SceneMaterials.push_back(SceneMaterial("Other", "skin.jpg", {0.5, 0.5, 0.5}));
    const std::string file = Write("v4.pz3",
                                   "material SKIN\r\n{\r\nKdColor 0.5 0.5 0.5 1\r\ntextureMap \"D:\\tex\\skin.jpg\"\r\n"
                                   "bumpMap NO_MAP\r\ntransparencyMap \"skin_t.jpg\"\r\ntMax 0.01\r\n}\r\n"
                                   "material GLASS\n{\ntextureMap \"glass.jpg\"\ntransparencyMap NO_MAP\ntMax 1\n}\n"
                                   "material VEIL\n{\ntextureMap NO_MAP\ntransparencyMap \"veil_t.jpg\"\ntMax 0.5\n}\n");
    ReadPoserMaterials(file);

    const tmaterial& skin = SceneMaterials[2];
    EXPECT_EQ(skin.name, "Skin:2");
    EXPECT_EQ(skin.colorMap, "SKIN.JPG");
    EXPECT_EQ(skin.transparencyMap, "");  // below 0.02 the transparency map goes
    EXPECT_EQ(skin.transparency, 0.01);
    EXPECT_EQ(skin.bumpMap, "skinbump.jpg");  // taken over from the model's material
    EXPECT_EQ(skin.blend, 1.0);
    EXPECT_EQ(skin.faceCount, 12);
    EXPECT_EQ(skin.lineCount, 3);
    EXPECT_EQ(skin.selected, 0);
    EXPECT_EQ(skin.customTextActive, 0);
    EXPECT_EQ(skin.glTexture, 0);
    EXPECT_EQ(hooks.deleted, std::vector<int32_t>{7});

    for (int i : {0, 1, 3, 6}) EXPECT_EQ(SceneMaterials[i].blend, 0) << SceneMaterials[i].name.str();
    EXPECT_EQ(SceneMaterials[4].colorMap, "");  // fully transparent without a map: no colour map
    EXPECT_EQ(SceneMaterials[4].blend, 1.0);
    EXPECT_EQ(SceneMaterials[5].transparencyMap, "VEIL_T.JPG");
    EXPECT_EQ(SceneMaterials[5].transparency, 0);  // the map carries the transparency
    EXPECT_TRUE(Logged("Material GLASS loaded"));
}

// A character file carries its materials like a scene does.
TEST_F(PoserReaderTest, Version5MatchesByNameAndMapsOnly) {
    SceneMaterials.push_back(SceneMaterial("Skin:1", "skin.jpg", {0, 0, 0}));
    SceneMaterials.push_back(SceneMaterial("Lash", "lash.jpg"));
    SceneMaterials[1].transparencyMap = "lash_t.jpg";
    SceneMaterials.push_back(SceneMaterial("Lash:2", "lash.jpg"));
    SceneMaterials[2].transparencyMap = "other_t.jpg";
    const std::string file = Write("figure.cr2",
                                   "version\n{\nnumber 5.0\n}\n"
                                   "material SKIN\n{\nKdColor 1 1 1 1\ntextureMap skin.jpg\n}\n"
                                   "material LASH\n{\ntextureMap lash.jpg\ntransparencyMap \"c:\\x\\lash_t.jpg\"\ntMax 0.5\n}\n"
                                   "material LASH\n{\ntextureMap lash.jpg\ntransparencyMap \"c:\\x\\lash_t.jpg\"\n}\n");
    ReadPoserMaterials(file);
    EXPECT_TRUE(Logged("Poser 5 scene file"));
    EXPECT_EQ(SceneMaterials[0].diffuse.x, 1);  // colours are not compared
    EXPECT_EQ(SceneMaterials[1].transparencyMap, "LASH_T.JPG");
    EXPECT_EQ(SceneMaterials[1].transparency, 0);
    EXPECT_EQ(SceneMaterials[2].blend, 0);  // transparency maps differ
}

// The materials are matched as they are read, under both rules, and the
// version the file gives after them decides which rule holds.
TEST_F(PoserReaderTest, AVersionAfterTheMaterialsDecidesTheirMatching) {
    for (const int version : {4, 5}) {
        SceneMaterials.clear();
        SceneMaterials.push_back(SceneMaterial("Lash", "lash.jpg", {0, 0, 0}));
        SceneMaterials[0].transparencyMap = "lash_t.jpg";
        SceneMaterials.push_back(SceneMaterial("Lash:1", "lash.jpg", {1, 1, 1}));
        ReadPoserMaterials(Write("late.pz3", "material LASH\n{\nKdColor 1 1 1 1\ntextureMap lash.jpg\n"
                                             "transparencyMap lash_t.jpg\n}\nversion\n{\nnumber " +
                                                 std::to_string(version) + "\n}\n"));
        // Version 5 compares the maps only, version 4 the colour map and the colour.
        EXPECT_EQ(SceneMaterials[0].blend, version == 5 ? 1.0 : 0.0) << version;
        EXPECT_EQ(SceneMaterials[1].blend, version == 5 ? 0.0 : 1.0) << version;
    }
}

TEST_F(PoserReaderTest, BrokenMaterialFilesChangeNothing) {
    SceneMaterials.push_back(SceneMaterial("Skin", "skin.jpg", {0.5, 0.5, 0.5}));
    for (const std::string text : {"material SKIN\n{\ntextureMap skin.jpg\nKdColor 1\n}\n", "material SKIN\ntMax\n",
                                   "material SKIN\nnode\n", "material SKIN\nnode IMAGE_MAP\n",
                                   "material SKIN\n{\ntextureMap\n"}) {
        const std::string file = Write("broken.pz3", text);
        EXPECT_THROW(ReadPoserMaterials(file), ReadError) << text;
        EXPECT_EQ(SceneMaterials[0].diffuse.x, 0.5);
        EXPECT_EQ(SceneMaterials[0].blend, 0);
        EXPECT_EQ(SceneMaterials[0].colorMap, "skin.jpg");
    }
}

// The matching as the rules state it, against which the reader is checked on
// scenes of names that differ in case, suffixes, maps in any case and colours
// about 0.1 apart: each scene material in list order takes the first parsed
// material in file order, not taken yet, whose name (with no suffix or ":1"
// to ":99"), colour map file name and colour (below version 5) or
// transparency map file name (from version 5) match, ignoring case. Every
// other round the model's colours lie on the lattice of 255ths (as a load
// leaves them) between 24 and 27 steps of a grey, some of them elsewhere,
// and the blocks' colours are that grey or lie up to two thirds of a step
// off it, so that colours lie just inside, just beyond and exactly at 0.1;
// some rounds have 600 model materials of one name, all beyond 0.1 of the
// grey, so that blocks near it that find none leave the next ones less to
// look at.
TEST_F(PoserReaderTest, MatchingTakesTheFirstFreeMaterialOfTheRules) {
    const char* names[] = {"skin", "Skin", "SKIN:1", "skin:2", "Skin:02", "skin:100", "hair"};
    const char* maps[] = {"", "s.jpg", "S.JPG", "x\\s.jpg"};
    const double shades[] = {0, 0.05, 0.0999, 0.1, 0.15, 0.2};
    const double greys[] = {128, 128.5, 128 + 1e-7, 128.1, 128.3, 128.45, 128.65};  // in 255ths
    // Points of the lattice about 25.5 steps from those greys, inside, beyond
    // and 25.5 from 128.5: in short rows of the lattice, or in one long row.
    std::vector<std::tuple<int, int, int>> offsets[2] = {
        {{25, 5, 0}, {25, 5, 1}, {25, 5, -1}, {25, 5, 2}, {0, 25, 5}, {0, 25, 6}, {0, 25, -5}, {26, 0, 0},
         {26, 0, 1}, {-25, 0, 0}, {24, 7, 0}, {24, 7, 3}, {24, 7, 5}, {24, 7, 6}},
        {}};
    for (int z = 20; z <= 27; ++z) offsets[1].insert(offsets[1].end(), {{0, 0, z}, {0, 0, -z}});
    std::mt19937 random(49);
    const auto pick = [&](const auto& list) { return list[random() % std::size(list)]; };
    bool lattice = false, crowd = false;
    int round = 0;
    const auto material = [&](bool parsed) {
        tmaterial m = SceneMaterial(crowd ? "skin" : lattice ? names[random() % 3] : pick(names),
                                    crowd ? "s.jpg" : pick(maps));
        m.diffuse = {pick(shades), pick(shades), 0};
        m.transparencyMap = pick(maps);
        if (lattice && parsed) {
            m.diffuse = {pick(greys) / 255, 128 / 255.0, 128 / 255.0};
        } else if (crowd) {
            int o[3], d;
            do {
                for (int& a : o) a = static_cast<int>(random() % 55) - 27;
                d = o[0] * o[0] + o[1] * o[1] + o[2] * o[2];
            } while (d <= 651 || d > 27 * 27);
            m.diffuse = {(128 + o[0]) / 255.0, (128 + o[1]) / 255.0, (128 + o[2]) / 255.0};
        } else if (lattice && random() % 6) {
            const auto [x, y, z] = pick(offsets[round / 4 % 2]);
            m.diffuse = {(128 + x) / 255.0, (128 + y) / 255.0, (128 + z) / 255.0};
        }
        return m;
    };
    const auto number = [](double v) {
        char text[32];
        return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
    };
    const auto fileName = [](std::string_view map) { return UpperCase(map.substr(map.find_last_of('\\') + 1)); };
    std::map<std::pair<std::string, std::string>, bool> nameMatches;  // of the parsed and the scene name
    for (; round < 80; ++round) {
        const int version = round % 2 ? 5 : 4;
        lattice = round % 4 >= 2;
        crowd = lattice && round % 24 >= 20;
        std::string text = "version\n{\nnumber " + std::to_string(version) + "\n}\n";
        std::vector<tmaterial> parsed(40);
        SceneMaterials.clear();
        for (std::size_t s = 0; s < (crowd ? 600 : parsed.size()); ++s) {
            SceneMaterials.push_back(material(false));
            SceneMaterials.back().specular = {-1, 0, 0};  // the KsColor of the material it takes: its number
        }
        for (std::size_t j = 0; j < parsed.size(); ++j) {
            const tmaterial& p = parsed[j] = material(true);
            text += "material " + p.name.str() + "\n{\nKdColor " + number(p.diffuse.x) + " " + number(p.diffuse.y) +
                    " " + number(p.diffuse.z) + " 1\nKsColor " + std::to_string(j + 1) + " 0 0 1\n";
            for (const auto& [keyword, map] :
                 {std::pair{"textureMap", p.colorMap}, {"transparencyMap", p.transparencyMap}})
                text += std::string(keyword) + " " + (map.empty() ? "NO_MAP" : "\"" + map.str() + "\"") + "\n";
            text += "}\n";
        }
        std::vector<double> expected;
        std::vector<bool> used(parsed.size());
        for (const tmaterial& m : SceneMaterials) {
            const auto matches = [&](const tmaterial& p) {
                const auto [known, added] = nameMatches.try_emplace({p.name.str(), m.name.str()}, false);
                bool& name = known->second;
                for (int k = 0; added && k < 100; ++k)
                    name = name || UpperCase(p.name + (k ? ":" + std::to_string(k) : "")) == UpperCase(m.name.view());
                const double dx = p.diffuse.x - m.diffuse.x, dy = p.diffuse.y - m.diffuse.y,
                             dz = p.diffuse.z - m.diffuse.z;
                return name && fileName(p.colorMap.view()) == fileName(m.colorMap.view()) &&
                       (version < 5 ? std::sqrt(dx * dx + dy * dy + dz * dz) < 0.1
                                    : fileName(p.transparencyMap.view()) == fileName(m.transparencyMap.view()));
            };
            std::size_t j = 0;
            while (j < parsed.size() && (used[j] || !matches(parsed[j]))) ++j;
            if (j < parsed.size()) used[j] = true;
            expected.push_back(j < parsed.size() ? static_cast<double>(j + 1) : -1);
        }
        ReadPoserMaterials(Write("match.pz3", text));
        for (std::size_t s = 0; s < SceneMaterials.size(); ++s)
            EXPECT_EQ(SceneMaterials[s].specular.x, expected[s])
                << "round " << round << ", material " << s << "\n" << text;
    }
}

// ---- Lights ---------------------------------------------------------------------------

std::string Channel(const std::string& keyword, double value) {
    return "\t\t" + keyword + " chan\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 " + std::to_string(value) +
           "\n\t\t\t\t}\n\t\t\t}\n";
}

struct PoserLight {
    std::string name;
    int type;
    tvector translate, rotate, color{1, 1, 1};
    double falloffEnd = 0;
    double intensity = 1;
    int on = 1;
};

std::string LightBlock(const PoserLight& l) {
    std::string s = "light LIGHT\n\t{\n\tname " + l.name + "\n\tchannels\n\t\t{\n";
    s += Channel("kdRed", l.color.x) + Channel("kdGreen", l.color.y) + Channel("kdBlue", l.color.z);
    s += Channel("kdIntensity", l.intensity);
    s += Channel("translateX", l.translate.x) + Channel("translateY", l.translate.y) +
         Channel("translateZ", l.translate.z);
    s += Channel("rotateX", l.rotate.x) + Channel("rotateY", l.rotate.y) + Channel("rotateZ", l.rotate.z);
    s += Channel("liteFalloffStart", 0) + Channel("liteFalloffEnd", l.falloffEnd);
    s += "\t\t}\n\tlightType " + std::to_string(l.type) + "\n\tdoShadow 1\n\tlightOn " + std::to_string(l.on) +
         "\n" + Channel("translateX", 99) + "\t}\n";  // after lightOn: not part of the light
    return s;
}

TEST_F(PoserReaderTest, LightsAreConvertedByType) {
    SetExtents();
    tlight kept;
    NewLight(kept);
    kept.name = "Kept";
    Lights.push_back(kept);
    const std::string file =
        Write("lights.pz3", "light LIGHT_1\n\t{\n\tstorageOffset 0 0 0\n\t}\n" +  // no name: no light
                                LightBlock({"Sun", 0, {5, 5, 5}, {-30, 45, 0}, {1, 0.5, 0.25}, 0, 0.8, 1}) +
                                LightBlock({"Spot", 1, {1, 5, 2}, {0, 90, 0}, {1, 1, 1}, 60, 1, 0}) +
                                LightBlock({"Bulb", 2, {4, 4, 4}, {0, 0, 0}}) +
                                LightBlock({"Infinite", 3, {0, 0, 0}, {0, 0, 0}}) +
                                LightBlock({"Odd", 7, {0, 1, 0}, {0, 0, 0}}));
    ReadPoserLights(file);
    ASSERT_EQ(Lights.size(), 6u);
    EXPECT_EQ(Lights[0].name, "Kept");

    // An infinite light sits on a sphere of twice the diagonal, aimed at the centre.
    const tlight& sun = Lights[1];
    EXPECT_EQ(sun.name, "SUN");
    EXPECT_EQ(sun.kind, LightParallel);
    const double el = -30 * Deg, rot = 45 * Deg;
    ExpectVector(sun.position, 1 + 20 * std::cos(el) * std::sin(rot), 2 - 20 * std::sin(el),
                 3 + 20 * std::cos(el) * std::cos(rot));
    ExpectVector(sun.pointAt, 1, 2, 3);
    EXPECT_NEAR(sun.elevation, -30, 1e-9);
    EXPECT_NEAR(sun.rotation, 45, 1e-9);
    EXPECT_NEAR(sun.thirdAngle, 0, 1e-9);
    ExpectVector(sun.color, 1, 0.5, 0.25);
    EXPECT_NEAR(sun.intensity, 0.8, 1e-12);
    EXPECT_EQ(sun.shadow, 1);
    EXPECT_EQ(sun.optionA, 1);
    EXPECT_EQ(sun.fadeDistance, 1.0);

    // A spot points one diagonal along its rotated -Z axis.
    const tlight& spot = Lights[2];
    EXPECT_EQ(spot.kind, LightSpot);
    ExpectVector(spot.position, 1, 5, 2);
    ExpectVector(spot.pointAt, -9, 5, 2);
    EXPECT_EQ(spot.spotTightness, 16.0f);
    EXPECT_EQ(spot.spotSpread, 30.0f);
    EXPECT_EQ(spot.optionA, 0);  // switched off in the scene

    const tlight& bulb = Lights[3];
    EXPECT_EQ(bulb.kind, LightPoint);
    ExpectVector(bulb.position, 4, 4, 4);
    ExpectVector(bulb.pointAt, 1, 2, 3);

    EXPECT_EQ(Lights[4].kind, LightParallel);
    ExpectVector(Lights[4].position, 1, 2, 23);

    // Kinds the writers do not know are refused: an unknown type is a point light.
    EXPECT_EQ(Lights[5].kind, LightPoint);
    ExpectVector(Lights[5].pointAt, 1, 2, 3);
    EXPECT_TRUE(Logged("<!>Light ODD has the unknown Poser light type 7 and is read as a point light"));
    EXPECT_TRUE(Logged("Light SUN found.  Scanning..."));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(PoserReaderTest, NoLightsShowsTheBoxOnlyWhenNoneAreLeft) {
    const std::string file = Write("none.pz3", "light LIGHT_1\n{\nstorageOffset 0 0 0\n}\n");
    tlight kept;
    NewLight(kept);
    Lights.push_back(kept);
    ReadPoserLights(file);
    EXPECT_TRUE(prompts.shown.empty());
    Lights.clear();
    ReadPoserLights(file);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, MessageKind::Information);
    EXPECT_EQ(prompts.shown[0].text, "No lights in this file");
}

TEST_F(PoserReaderTest, BrokenLightFilesLeaveTheLightsAlone) {
    tlight kept;
    NewLight(kept);
    kept.name = "Kept";
    Lights.push_back(kept);
    const std::string good = LightBlock({"Sun", 0, {0, 0, 0}, {0, 0, 0}});
    for (const std::string& text : {good + "light L\n{\nname Two\nlightType\n}\n",
                                   good + "light L\n{\nname Two\nkdRed R\nk 0\n}\n"}) {
        const std::string file = Write("broken.pz3", text);
        EXPECT_THROW(ReadPoserLights(file), ReadError);
        ASSERT_EQ(Lights.size(), 1u);
        EXPECT_EQ(Lights[0].name, "Kept");
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(PoserReaderTest, CompressedScenesAreUnpacked) {
    SetExtents();
    SceneMaterials.push_back(SceneMaterial("Skin", "skin.jpg", {0.5, 0.5, 0.5}));
    const std::string text = CameraBlock("MAIN_CAMERA", 50, 1, 1) +
                             "material SKIN\n{\nKdColor 0.5 0.5 0.5 1\ntextureMap skin.jpg\n}\n" +
                             LightBlock({"Bulb", 2, {4, 4, 4}, {0, 0, 0}});
    const std::string file = WriteCompressed("scene.pzz", text);
    tposercameravalues values{};
    ASSERT_TRUE(ReadPoserCameras(file, values));
    EXPECT_EQ(values[PoserFocal], 50);
    ReadPoserMaterials(file);
    EXPECT_EQ(SceneMaterials[0].blend, 1.0);
    ReadPoserLights(file);
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(Lights[0].name, "BULB");
    EXPECT_TRUE(Logged("Decompressing " + file + "..."));

    // A damaged stream is an error and changes nothing.
    std::ifstream in(file, std::ios::binary);
    const std::string packed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = Write("cut.pzz", packed.substr(0, packed.size() / 2));
    Lights.clear();
    EXPECT_THROW(ReadPoserLights(cut), ReadError);
    EXPECT_TRUE(Lights.empty());
    EXPECT_TRUE(prompts.shown.empty());
}

// A packed scene that does not unpack to a scene is refused with a message
// that names it and says why, and changes nothing; what unpacks to packed
// data again, whatever its name, is not a scene.
TEST_F(PoserReaderTest, DamagedOrRepackedScenesAreRefusedByName) {
    const std::string packed = fixtures::ReadFileBytes(WriteCompressed("whole.pzz", LightBlock({"Bulb", 2, {}, {}})));
    const auto flipped = [&](std::size_t fromEnd) {
        std::string bytes = packed;
        bytes[bytes.size() - fromEnd] = static_cast<char>(bytes[bytes.size() - fromEnd] ^ 1);
        return bytes;
    };
    const auto repacked = [&](const std::string& bytes) { return fixtures::ReadFileBytes(WriteCompressed("r", bytes)); };
    const std::string endsEarly = " is damaged: its packed data end early";
    const struct {
        std::string name, bytes, message;
    } cases[] = {
        {"cut.pzz", packed.substr(0, packed.size() / 2), "Poser scene cut.pzz" + endsEarly},
        {"signature.pzz", "\x1f\x8b", "Poser scene signature.pzz" + endsEarly},
        {"header.pzz", packed.substr(0, 10), "Poser scene header.pzz" + endsEarly},
        {"check.pzz", flipped(8), "Poser scene check.pzz is damaged: incorrect data check"},
        {"length.pzz", flipped(4), "Poser scene length.pzz is damaged: incorrect length check"},
        {"block.pzz", packed.substr(0, 10) + "\x07garbage", "Poser scene block.pzz is damaged: invalid block type"},
        {"twice.pzz", repacked(packed), "twice.pzz is not a Poser scene: it is packed more than once"},
        {"thrice.pzz", repacked(repacked(packed)), "thrice.pzz is not a Poser scene: it is packed more than once"},
        {"twice.pz3", repacked(packed), "twice.pz3 is not a Poser scene: it is packed more than once"},
    };
    Lights.assign(1, tlight{});
    for (const auto& c : cases) {
        try {
            ReadPoserLights(Write(c.name, c.bytes));
            ADD_FAILURE() << c.name << " was read";
        } catch (const ReadError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(Lights.size(), 1u) << c.name;
        EXPECT_EQ(Lights[0].name, "Default") << c.name;
    }
    EXPECT_TRUE(prompts.shown.empty());
}

// Every cut of a scene file and a file of noise end cleanly: read, or a
// ReadError with nothing changed.
TEST_F(PoserReaderTest, TruncatedAndGarbageFilesNeverCrash) {
    SetExtents();
    SceneMaterials.push_back(SceneMaterial("Skin", "skin.jpg"));
    const std::string full = "version\n{\nnumber 5\n}\n" + CameraBlock("MAIN_CAMERA", 50, 1, 1) +
                             "material Skin\n{\nKdColor 1 0.5 0.5 1\ntextureMap skin.jpg\nnodeInput \"Bump\"\n"
                             "node \"m\"\nnode \"image_map\" \"m\"\nnodeInput \"Image_Source\"\nfile \"b.jpg\"\n}\n" +
                             LightBlock({"Sun", 1, {0, 0, 1}, {10, 20, 30}}) + "useCamera MAIN_CAMERA\n";
    for (std::size_t cut = 0; cut <= full.size(); cut += 3) {
        const std::string file = Write("cut.pz3", full.substr(0, cut));
        SceneMaterials[0] = SceneMaterial("Skin", "skin.jpg");
        Lights.clear();
        tposercameravalues values{};
        try {
            ReadPoserCameras(file, values);
        } catch (const ReadError&) {
        }
        try {
            ReadPoserMaterials(file);
        } catch (const ReadError&) {
            EXPECT_EQ(SceneMaterials[0].blend, 0) << cut;
        }
        try {
            ReadPoserLights(file);
        } catch (const ReadError&) {
            EXPECT_TRUE(Lights.empty()) << cut;
        }
    }
    std::string noise;
    uint32_t x = 12345;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1103515245u + 12345u;
        noise += static_cast<char>(x >> 23);
    }
    std::string unclosed = "material X\n";
    for (int i = 0; i < 3000; ++i) unclosed += "{\n";
    for (const std::string& text : {noise, std::string(5000, '{'), unclosed}) {
        const std::string file = Write("noise.pz3", text);
        tposercameravalues values{};
        try {
            ReadPoserCameras(file, values);
            ReadPoserMaterials(file);
            ReadPoserLights(file);
        } catch (const ReadError&) {
        }
    }
}

// A scene held in memory reads as the same scene in a file, and names the
// file in its errors.
TEST_F(PoserReaderTest, SceneInMemoryReadsAsItsFile) {
    SetExtents();
    const std::string text = "version\n{\nnumber 5\n}\n" + CameraBlock("MAIN_CAMERA", 50, 1, 2) +
                             "material Skin\n{\nKdColor 1 0.5 0.5 1\ntextureMap skin.jpg\n}\n" +
                             LightBlock({"Sun", 1, {0, 0, 1}, {10, 20, 30}}) + LightBlock({"Bulb", 2, {4, 4, 4}, {}});
    const std::string file = Write("scene.pz3", text);
    struct Result {
        tposercameravalues camera{};
        tvector diffuse;
        std::vector<std::string> lights;
        std::vector<tvector> pointAt;
    };
    const auto read = [&](bool inMemory) {
        SceneMaterials.assign(1, SceneMaterial("Skin", "skin.jpg"));
        Lights.clear();
        Result r;
        if (inMemory) {
            EXPECT_TRUE(ReadPoserCamerasText("scene.pz3", text, r.camera));
            ReadPoserMaterialsText("scene.pz3", text);
            ReadPoserLightsText("scene.pz3", text);
        } else {
            EXPECT_TRUE(ReadPoserCameras(file, r.camera));
            ReadPoserMaterials(file);
            ReadPoserLights(file);
        }
        r.diffuse = SceneMaterials[0].diffuse;
        for (const tlight& l : Lights) {
            r.lights.push_back(l.name.str() + " " + std::to_string(l.kind));
            r.pointAt.push_back(l.pointAt);
        }
        return r;
    };
    const Result fromFile = read(false), fromText = read(true);
    EXPECT_EQ(fromText.camera, fromFile.camera);
    EXPECT_EQ(fromFile.camera[PoserFocal], 50);
    EXPECT_EQ(fromFile.camera[PoserTranslateX], 1);
    ExpectVector(fromText.diffuse, fromFile.diffuse.x, fromFile.diffuse.y, fromFile.diffuse.z);
    EXPECT_EQ(fromText.lights, fromFile.lights);
    EXPECT_EQ(fromText.lights, (std::vector<std::string>{"SUN 1", "BULB 3"}));
    for (std::size_t i = 0; i < fromText.pointAt.size() && i < fromFile.pointAt.size(); ++i)
        ExpectVector(fromText.pointAt[i], fromFile.pointAt[i].x, fromFile.pointAt[i].y, fromFile.pointAt[i].z);

    try {
        ReadPoserMaterialsText("memory.pz3", "material Skin\n{\nKdColor 1 0\n}\n");
        ADD_FAILURE() << "a value past the block was read";
    } catch (const ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("memory.pz3"), std::string::npos) << e.what();
    }
}

}  // namespace
