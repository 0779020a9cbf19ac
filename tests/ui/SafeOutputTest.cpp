// What a save writes from a model of anywhere, and what it leaves: names
// that hold the characters of every written syntax read back as meant by
// POV-Ray, xmllint and our own OBJ reader; a save that fails half-way
// leaves every earlier file as it was, and the next save removes what a
// killed one left; map copies are pictures only, never take the place of a
// file the save did not write, and the files name the copies beside them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "model/Errors.h"
#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "tests/fixtures/FileSizeLimit.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScopedEnv.h"
#include "tests/fixtures/ScratchFolder.h"
#include "platform/AppPaths.h"
#include "ui/core/BatchDriver.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/MapCopy.h"
#include "ui/core/PovIni.h"
#include "writers/FileText.h"

namespace {

namespace fs = std::filesystem;

// Every character that ends a string, a block, a directive, a comment or a
// line in one of the written formats, statements after a line break, a NUL,
// and a final backslash that would join the next line.
std::string Crafted(const std::string& tag) {
    return tag + "\"};#\n#fopen P \"pwned.txt\" write #write(P,\"x\")\nf 1 2 3\n" + std::string(1, '\0') +
           "usemtl x\\";
}

// A Targa picture of 1 x 1 pixel.
const std::string Targa = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + "\x10\x20\x30";

class SafeOutputTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        folder = fixtures::MakeScratchFolder("safe-output");
        Form2.Edit1.text = folder.string();
        Form2.CheckBox1.checked = true;    // no questions
        Form2.CheckBox27.checked = false;  // map names without their folders
        Form1.Edit47.text = "16";
        Form1.Edit48.text = "12";
        Scene.modelFile = "/models/car.obj";
        for (auto [edit, name] : {std::pair{&Form1.Edit68, "main.ini"}, {&Form1.Edit2, "sc\"ene.pov"},
                                  {&Form1.Edit13, "geo\"m.inc"}, {&Form1.Edit12, "mat.inc"}, {&Form1.Edit29, "m.inc"},
                                  {&Form1.Edit82, "m_mat.inc"}, {&Form1.Edit11, "m.udo"}, {&Form1.Edit1, "car.obj"},
                                  {&Form1.Edit61, "car.png"}})
            edit->text = name;
        BatchFiles = {"junk"};
        img::RegisterImageFormats();  // the map copies tell pictures by the registry, as in the program
    }
    void TearDown() override {
        SetProgramDirOverride("");
        BatchFiles.clear();
        img::UnregisterImageFormats();
        fixtures::RemoveScratchFolder(folder);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
    std::string In(const std::string& name) const { return (folder / name).string(); }
    // Every file of the folder (sub-folders left out) with a hash of its bytes.
    std::map<std::string, std::size_t> Files() const {
        std::map<std::string, std::size_t> files;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file())
                files[e.path().filename().string()] = std::hash<std::string>{}(fixtures::ReadFileBytes(e.path()));
        return files;
    }
    void SaveAll() {
        for (const SaveKind kind : {SaveKind::PovRay, SaveKind::Obj, SaveKind::Moray}) ASSERT_TRUE(SaveModelFiles(kind));
        SaveYafRayScene();
    }

    fs::path folder;
};

TEST_F(SafeOutputTest, CraftedNamesReadBackAsMeant) {
    if (std::system("command -v povray >/dev/null && command -v xmllint >/dev/null") != 0)
        GTEST_SKIP() << "povray or xmllint is not installed";
    const fixtures::NoUserPovRaySettings settings(folder);
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fixtures::AddQuad(1, 1);
    SceneGroups[0].name = Crafted("g");
    SceneGroups[1].name = Crafted("h");
    SceneMaterials[0].name = Crafted("m");
    SceneMaterials[1].name = Crafted("n");
    // Maps whose file names end strings and blocks, and one with a NUL
    // (which no file name holds: POV-Ray looks for it with "_").
    const std::string colorMap = "w\"};#\n#fopen P \"pwned.txt\" write.ppm";
    const std::string bumpMap = std::string("b\0\".ppm", 7);
    for (const std::string& file : {colorMap, std::string("b_\".ppm")})
        std::ofstream(folder / file, std::ios::binary) << "P3\n1 1\n255\n200 100 50\n";
    SceneMaterials[0].colorMap = "/elsewhere/" + colorMap;
    SceneMaterials[1].bumpMap = bumpMap;
    tlight light;
    NewLight(light);
    light.name = Crafted("l");
    light.kind = LightPoint;
    light.position = {0, 0, 10};
    Lights.push_back(light);
    tplaceholder box;
    box.size = {1, 1, 1};
    box.name = Crafted("p");
    Placeholders.push_back(box);
    Form1.CheckBox61.checked = true;
    Scene.activeCameraName = Crafted("c");
    Form1.Edit61.text = "car\"\n;#.png";  // the rendered image, written in the INI
    Form1.ComboBox5.index = 1;            // PNG
    Form1.Memo1.lines = {";note\n+W999"};  // a custom INI line stays one line
    SaveAll();

    // POV-Ray renders the scene with its maps, at the size of the INI, under
    // the image name of the INI, and runs nothing a name holds.
    const std::string render = "cd '" + folder.string() + "' && povray main.ini -D >render.log 2>&1";
    ASSERT_EQ(std::system(render.c_str()), 0) << fixtures::ReadFileBytes(In("render.log"));
    EXPECT_TRUE(fs::exists(In("car\"_;#.png")));
    EXPECT_FALSE(fs::exists(In("pwned.txt")));

    // xmllint reads the YafRay scene, the shader names as they were given
    // (control characters as blanks).
    const std::string xpath = "cd '" + folder.string() +
                              "' && xmllint --xpath 'string(//shader[@type=\"blendershader\"][2]/@name)' scene.xml "
                              ">names.txt 2>&1";
    ASSERT_EQ(std::system(xpath.c_str()), 0) << fixtures::ReadFileBytes(In("names.txt"));
    std::string shader = "MA" + Crafted("n");
    std::replace_if(shader.begin(), shader.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    EXPECT_EQ(fixtures::ReadFileBytes(In("names.txt")), shader + "\n");

    // A map of no known type is written as a file name only: POV-Ray refuses
    // its type and runs nothing of its name.
    SceneMaterials[0].colorMap = "x.png} #fopen P \"pwned.txt\" write #declare Q = {";
    ASSERT_TRUE(SaveModelFiles(SaveKind::PovRay));
    EXPECT_NE(std::system(render.c_str()), 0);
    EXPECT_NE(fixtures::ReadFileBytes(In("render.log")).find("Could not determine valid image file type"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(In("pwned.txt")));

    // Our OBJ reader reads the same model back: no statement more, every
    // name whole on its line.
    const std::size_t faces = SceneFaces.size();
    ClearModel();
    ASSERT_EQ(LoadModelFile(In("car.obj")), LoadResult::Loaded);
    EXPECT_EQ(SceneFaces.size(), faces);
    ASSERT_EQ(SceneGroups.size(), 2u);
    ASSERT_EQ(SceneMaterials.size(), 2u);
    EXPECT_EQ(SceneGroups[0].name.str(), ObjName(Crafted("g")));
    EXPECT_EQ(SceneMaterials[1].name.str(), ObjName(Crafted("n")));
    EXPECT_EQ(SceneMaterials[0].colorMap.str(), ObjName(colorMap));
    EXPECT_EQ(SceneMaterials[1].bumpMap.str(), "b_\".ppm");
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(Lights[0].name.str(), OneLineText(Crafted("l")));
}

TEST_F(SafeOutputTest, AFailedSaveLeavesEveryEarlierFileAsItWas) {
    fixtures::AddGrid(60, 60);  // a geometry include of far more than 64 KB
    SaveAll();
    const auto before = Files();
    ASSERT_EQ(before.size(), 10u);

    // The disk fills up in the geometry include: the INI and the material
    // include written before it, and the new OBJ name, are dropped with it.
    SceneMaterials[0].name = "changed";
    Form1.Edit1.text = "car_Rev00001.obj";
    {
        const fixtures::FileSizeLimit full(64 * 1024);
        for (const SaveKind kind : {SaveKind::PovRay, SaveKind::Moray, SaveKind::Obj})
            EXPECT_THROW(SaveModelFiles(kind), ExportError);
    }
    EXPECT_EQ(Files(), before);

    // The YafRay scene is replaced only when the user says so.
    Form2.CheckBox1.checked = false;
    prompts.answers = {Answer::No};
    SaveYafRayScene();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "File " + In("scene.xml") + " already exists. Overwrite?");
    EXPECT_EQ(Files(), before);
}

// The model's maps lie in its own folder, which is also the output folder:
// two maps of one name in two folders, and a file of the copy's name that
// is not a map; a map named twice, spelt otherwise, has one copy. A later
// save finds every copy as it was, though it meets the maps in another
// order (it looks at each name once).
TEST_F(SafeOutputTest, MapCopiesNeverReplaceAFileTheSaveDidNotWrite) {
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fixtures::AddQuad(1, 1);
    fixtures::AddQuad(2, 2);
    fixtures::AddQuad(3, 3);
    fs::create_directories(folder / "a");
    fs::create_directories(folder / "b");
    std::string otherTarga = Targa;
    otherTarga.back() = '\x40';
    const std::map<std::string, std::string> maps = {
        {"wood.ppm", "P3\n1 1\n255\n1 2 3\n"}, {"a/wood.ppm", "P3\n1 1\n255\n4 5 6\n"}, {"stone.tga", "user's"},
        {"a/stone.tga", Targa}, {"b/stone.tga", otherTarga}};
    for (const auto& [name, bytes] : maps) std::ofstream(folder / name, std::ios::binary) << bytes;
    Form1.Edit61.text = "wood.ppm";  // POV-Ray renders under a free name: the map stays as it is
    Form2.CheckBox16.checked = true;  // copy the maps as they are
    Form2.CheckBox28.checked = Form2.CheckBox43.checked = false;
    for (int save = 0; save < 3; ++save) {
        const bool swapped = save == 2;
        SceneMaterials[0].colorMap = In(swapped ? "a/wood.ppm" : "wood.ppm");
        SceneMaterials[1].colorMap = In(swapped ? "wood.ppm" : "a/wood.ppm");
        SceneMaterials[2].bumpMap = In(swapped ? "b/stone.tga" : "a/stone.tga");
        SceneMaterials[3].bumpMap = In(swapped ? "a/stone.tga" : "b/stone.tga");
        SceneMaterials[3].transparencyMap = In("b/../a/wood.ppm");  // a map spelt otherwise: its copy
        for (const SaveKind kind : {SaveKind::PovRay, SaveKind::Obj}) ASSERT_TRUE(SaveModelFiles(kind));
        for (const auto& [name, bytes] : maps) EXPECT_EQ(fixtures::ReadFileBytes(In(name)), bytes) << name;
        EXPECT_EQ(fixtures::ReadFileBytes(In("wood_Rev00001.ppm")), maps.at("a/wood.ppm"));
        EXPECT_EQ(fixtures::ReadFileBytes(In("stone_Rev00001.tga")), Targa);
        EXPECT_EQ(fixtures::ReadFileBytes(In("stone_Rev00002.tga")), otherTarga);
        // Each later save finds its copies as they were.
        EXPECT_FALSE(fs::exists(In("wood_Rev00002.ppm")) || fs::exists(In("stone_Rev00003.tga"))) << save;
    }

    // The written files name the copies.
    const std::string mtl = fixtures::ReadFileBytes(In("car.mtl")), inc = fixtures::ReadFileBytes(In("mat.inc"));
    for (const std::string name : {"wood.ppm", "wood_Rev00001.ppm", "stone_Rev00001.tga"}) {
        EXPECT_NE(mtl.find(" " + name + "\n"), std::string::npos) << name;
        EXPECT_NE(inc.find(" \"" + name + "\" interpolate"), std::string::npos) << name;
    }
}

// A model may name any file as a map. Only pictures are copied: those the
// picture registry tells by their first bytes, and POV-Ray's that it does
// not read; any other file is named on the "Messages" page and left where it
// is, whatever its name says.
TEST_F(SafeOutputTest, OnlyPicturesAreCopiedAsMaps) {
    const std::string le32_40("\x28\0\0\0", 4);
    const struct {
        const char* name;
        std::string bytes;
        bool copied;
    } maps[] = {
        {"elsewhere/secret", "user:x:1000:1000::/home/user:/bin/sh\n", false},  // named by its absolute path
        {"notes.png", "a text that says it is a picture\n", false},
        {"service.bmp", "BMW service notes\n" + std::string(20, ' '), false},
        {"words.tga", "P.S. no picture here, only words\n", false},
        {"wood.ppm", "P3\n1 1\n255\n1 2 3\n", true},
        {"stone.tga", Targa, true},
        {"photo.jpg", "\xFF\xD8\xFF\xE0" + std::string(60, '\0'), true},
        {"sky.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n\x80\x80\x80\x81", true},
        {"sky2.hdr", "#?RGBE\n\n-Y 1 +X 1\n\x80\x80\x80\x81", true},
        {"light.exr", std::string("\x76\x2F\x31\x01\x02\0\0\0", 8) + "channels", true},
        {"old.iff", std::string("FORM\0\0\0\x04ILBMBMHD", 16), true},
        {"plain.bmp", "BM" + std::string(12, '\0') + le32_40 + std::string("\1\0\0\0\1\0\0\0\1\0\x18\0", 12) +
                          std::string(28, '\0'), true},
        // A text that begins like a bitmap: no header the bitmap reader reads.
        {"words.bmp", "BM" + std::string(12, ' ') + le32_40 + "is no bitmap, only a text of some length\n", false},
        // A colour map of 8-bit entries, which the Targa reader refuses.
        {"mapped.tga", std::string("\0\1\1\0\0\2\0\x08\0\0\0\0\1\0\1\0\x08\0\1\2\0", 21), false},
        // An icon's first bytes, and after them what a colour-mapped Targa
        // without its map would hold.
        {"garbage.ico", std::string("\0\0\1\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x18\0", 18) + "junk", false},
    };
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fs::create_directories(folder / "maps" / "elsewhere");
    for (const auto& map : maps) {
        std::ofstream(folder / "maps" / map.name, std::ios::binary) << map.bytes;
        const int32_t m = static_cast<int32_t>(SceneMaterials.size());
        fixtures::EnsureMaterial(m);
        SceneMaterials[static_cast<std::size_t>(m)].colorMap = In("maps/" + std::string(map.name));
    }
    Form2.CheckBox16.checked = true;  // copy the maps as they are
    Form2.CheckBox28.checked = Form2.CheckBox43.checked = false;
    ASSERT_TRUE(SaveModelFiles(SaveKind::Obj));
    for (const auto& map : maps) {
        const std::string copy = In(ExtractFileName(map.name)), source = In("maps/" + std::string(map.name));
        const std::string skipped = "<!>" + source + " is not a picture: not copied";
        EXPECT_EQ(std::count(Messages().begin(), Messages().end(), skipped), map.copied ? 0 : 1) << map.name;
        EXPECT_EQ(fs::exists(copy), map.copied) << map.name;
        if (map.copied) {
            EXPECT_EQ(fixtures::ReadFileBytes(copy), map.bytes) << map.name;
        }
    }
    // A single map copied alone is told the same way.
    const std::string secret = In("maps/elsewhere/secret");
    CopyMapFile(secret, In("secret"), true);
    EXPECT_FALSE(fs::exists(In("secret")));
    EXPECT_EQ(std::count(Messages().begin(), Messages().end(), "<!>" + secret + " is not a picture: not copied"), 2);
}

// A map named like a file of the run, which a save writes (the file of
// another save command, the picture POV-Ray renders, a file or picture of a
// batch, the batch script), is copied under another name, which the written
// files name.
TEST_F(SafeOutputTest, MapsNamedLikeFilesOfTheRunAreCopiedUnderOtherNames) {
    const std::string map = "P3\n1 1\n255\n1 2 3\n";
    const std::vector<std::string> names = {"scene.xml", "car.obj", "car.mtl", "m.udo", "car.png", "b.inc",
                                            "mirelan_scene1" + std::string(OutputImageExtension(Form1.ComboBox5.index)),
                                            "mirelan_batch_render.sh"};
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fs::create_directories(folder / "maps");
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::ofstream(folder / "maps" / names[i], std::ios::binary) << map;
        fixtures::EnsureMaterial(static_cast<int32_t>(i));
        SceneMaterials[i].colorMap = In("maps/" + names[i]);
    }
    BatchFiles = {"/models/a.obj", "/models/b.obj"};
    Form2.CheckBox16.checked = true;  // copy the maps as they are
    Form2.CheckBox28.checked = Form2.CheckBox43.checked = false;
    SaveAll();
    const std::string inc = fixtures::ReadFileBytes(In("mat.inc"));  // by the first save, before the others
    for (const std::string& name : names) {
        const std::string copy = RevisedFileName(name, 1);
        EXPECT_EQ(fixtures::ReadFileBytes(In(copy)), map) << name;
        EXPECT_NE(inc.find("\"" + copy + "\" interpolate"), std::string::npos) << name;
        // Told by the first save; the others find the copy as it was.
        const std::string told = "<!>" + name + " copied as " + copy + ": the save writes a file named " + name;
        EXPECT_EQ(std::count(Messages().begin(), Messages().end(), told), 1) << name;
    }
}

// The program's files, whole: each name it keeps in its folder (its fixed
// files, the copies of the settings and the texture library it could not
// read, every sky map of the background list, the program itself, in any
// letter case, and its temporary files), and nothing beside them or
// elsewhere.
TEST_F(SafeOutputTest, TheProgramsFilesAreKnownWhole) {
    SetProgramDirOverride(folder.string());
    std::vector<std::string> own(std::begin(ProgramFile::Fixed), std::end(ProgramFile::Fixed));
    for (const char* kept : {ProgramFile::Settings, ProgramFile::TextureLibrary})
        for (const char* end : {".bak", ".bak12"}) own.push_back(kept + std::string(end));
    for (std::size_t i = 2; i < BackgroundChoices.size(); ++i)
        own.push_back(ProgramFile::SkyMapPrefix + std::string(BackgroundChoices[i]) + ProgramFile::SkyMapExtension);
    own.push_back(ExtractFileName(ExecutablePath()));
    for (const std::string& name : own) {
        EXPECT_TRUE(IsProgramFile(In(name)) && IsProgramFile(In(UpperCase(name)))) << name;
        EXPECT_FALSE(IsProgramFile(In("sub/" + name))) << name;
    }
    for (const char* temporary : {"mirelantemp-12-a1B2c3.wrl", "mirelantemp-12-a1B2c3.pz3"})
        EXPECT_TRUE(IsProgramFile(In(temporary))) << temporary;
    for (const char* other : {"mirelansettings.ini.bakx", "Preview_Sky_None.tga", "Preview_Sky_.tga",
                              "mirelantemp-12-a1B2c3.obj", "car.png"})
        EXPECT_FALSE(IsProgramFile(In(other))) << other;
}

// The names no output may take: every file the program keeps in its folder
// (planted there with its own text), and some of POV-Ray's own, which must
// not appear. Each is asked for by a single save of every kind (with the
// rendered picture), a map copy and a batch (its models, common material
// include and script), into the program's folder spelt three ways.
TEST_F(SafeOutputTest, NoOutputTakesTheNameOfAFileOfTheProgramOrOfPovRay) {
    const struct {
        std::string name;
        bool program;
    } reserved[] = {{"mirelansettings.ini", true},        {"mirelansettings.ini.bak2", true},
                    {"custom_pov_texture_lib.inc", true}, {"mirelanhelp.htm", true},
                    {"test_scene_POV_mat.inc", true},     {"test_scene_POV_main.pov", true},
                    {"test_scene_POV_main.ini", true},    {"test_scene_POV_preview.png", true},
                    {"create_image_map.pov", true},       {"create_image_map.ini", true},
                    {"Preview_Sky_S_Cloud1.tga", true},   {"mirelantemp-1-a1b2c3.pz3", true},
                    {"colors.inc", false},                {"Math.inc", false},
                    {"povray.ini", false},                {"test.png", false}};
    SetProgramDirOverride(folder.string());
    fs::create_directories(folder / "sub");
    fs::create_directory_symlink(folder, folder / "self");
    const std::string spellings[] = {folder.string() + "/", (folder / "sub" / "..").string(), In("self")};
    for (const auto& r : reserved)
        if (r.program) std::ofstream(In(r.name), std::ios::binary) << "kept " << r.name;
    fs::create_directories(folder / "maps");
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

    for (std::size_t i = 0; i < std::size(reserved); ++i) {
        const std::string& name = reserved[i].name;
        SCOPED_TRACE(name);
        Form2.Edit1.text = spellings[i % 3];
        // Nothing of the program's replaced, nothing of POV-Ray's name made;
        // no INI names such a picture; a "<!>" line tells why.
        const auto untouched = [&](const char* step) {
            for (const auto& r : reserved)
                EXPECT_EQ(fixtures::ReadFileBytes(In(r.name)), r.program ? "kept " + r.name : "") << step;
            for (const auto& e : fs::directory_iterator(folder)) {
                const std::string text = fixtures::ReadFileBytes(e.path());
                for (const auto& r : reserved)
                    EXPECT_EQ(text.find("Output_File_Name=\"" + r.name + "\""), std::string::npos) << step << e.path();
            }
            const std::string why = (reserved[i].program ? ": the program keeps a file named "
                                                         : ": POV-Ray has a file of its own named ") + name;
            EXPECT_TRUE(std::any_of(Messages().begin(), Messages().end(), [&](const std::string& line) {
                return line.rfind("<!>", 0) == 0 && line.size() > why.size() &&
                       line.compare(line.size() - why.size(), why.size(), why) == 0;
            })) << step;
            status.ClearPage(StatusPage::Messages);
        };

        for (tedit* edit : {&Form1.Edit13, &Form1.Edit1, &Form1.Edit111, &Form1.Edit61}) edit->text = name;
        SaveAll();
        untouched("a save");
        Form1.Edit13.text = "geo.inc";
        Form1.Edit1.text = "car.obj";
        Form1.Edit111.text = "scene.xml";
        Form1.Edit61.text = "car.png";

        std::ofstream(folder / "maps" / name, std::ios::binary) << "P3\n1 1\n255\n1 2 3\n";
        SceneMaterials[0].colorMap = (folder / "maps" / name).string();
        Form2.CheckBox16.checked = true;  // copy the maps as they are
        Form2.CheckBox28.checked = Form2.CheckBox43.checked = false;
        ASSERT_TRUE(SaveModelFiles(SaveKind::PovRay));
        untouched("a map copy");
        Form2.CheckBox16.checked = false;

        BatchFiles = {(folder / "maps" / (ExtractBaseName(name) + ".obj")).string(),
                      (folder / "maps" / "b.obj").string()};
        for (const std::string& model : BatchFiles) std::ofstream(model) << triangle;
        Form1.RadioButton3.checked = true;  // a scene, INI and picture per model, and the script
        Form1.RadioButton4.checked = false;
        Form1.ComboBox5.index = ExtractFileExt(name) == ".tga" ? 0 : 1;
        Form1.Edit23.text = Form1.Edit90.text = name;
        SaveBatch();
        untouched("a batch");
        BatchFiles = {"junk"};
        fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);  // the batch leaves no model
    }
}

// Every save looks again for the temporary files that saves of processes
// now gone left in its folder, though this process looked there before.
TEST_F(SafeOutputTest, EverySaveRemovesWhatKilledSavesLeft) {
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    for (int save = 1; save <= 2; ++save) {
        const std::string left = In(".mirelan-" + std::to_string(child) + "-" + std::to_string(save) + ".tmp");
        std::ofstream(left) << "a complete file the killed save did not rename";
        ASSERT_TRUE(SaveModelFiles(SaveKind::PovRay));
        EXPECT_FALSE(fs::exists(left)) << save;
    }
}

}  // namespace

// An output name that is a pipe or a link to a device fails the save with its
// name, before anything is put in place; nothing is written into it. The pipe
// has a reader here, so that a save that opened it would not wait but fill it.
TEST_F(SafeOutputTest, AnOutputThatIsNoRegularFileFailsTheSave) {
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    SaveAll();
    auto expected = Files();
    expected.erase("geo\"m.inc");
    const std::string geometry = In("geo\"m.inc");
    for (const bool pipe : {true, false}) {
        SCOPED_TRACE(pipe ? "a pipe" : "a link to a device");
        fs::remove(geometry);
        ASSERT_EQ(pipe ? ::mkfifo(geometry.c_str(), 0600) : ::symlink("/dev/null", geometry.c_str()), 0);
        const int reader = pipe ? ::open(geometry.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        std::string error;
        try {
            SaveModelFiles(SaveKind::PovRay);
        } catch (const ExportError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, "Cannot create file " + geometry + ": it is not a regular file");
        char byte;
        EXPECT_EQ(pipe ? ::read(reader, &byte, 1) : 0, 0);  // nothing was written into the pipe
        ::close(reader);
        EXPECT_EQ(Files(), expected);  // the other outputs as they were, and no temporary file
    }
}
