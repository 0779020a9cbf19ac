// Running out of memory in a scene import or a save, in a child process
// whose allocations are limited (HeapCount.h): the sanitizers reserve far
// more address space than any limit of the process could allow, so the limit
// is put on what the child may allocate, and every allocation past it throws
// std::bad_alloc as operator new does when the memory is used up. The child
// reports as the end-to-end driver does: the import's error message, or the
// save's ExportError (any other error would end it by std::terminate). An
// error exit with the message, no abort, and what the user had as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"
#include "tests/readers/memory/HeapCount.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/ExportDriver.h"

namespace {

namespace fs = std::filesystem;

class OutOfMemoryTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        folder = fixtures::MakeScratchFolder("out-of-memory");
        fixtures::AddCube();
        Scene.modelFile = (folder / "figure.obj").string();
        Scene.extents.diagonal = 10;
        // What the user has: a light and a camera preset.
        tlight light;
        NewLight(light);
        light.name = "Mine";
        Lights.push_back(light);
        Form1.ComboBox2.items = {"Mine"};
        tcamera camera;
        camera.name = "Shot";
        Cameras.push_back(camera);
        Form1.ComboBox8.items = {"Shot"};
        Form3.CheckBox3.checked = Form7.CheckBox3.checked = false;  // no clean-up of the geometry
    }
    void TearDown() override {
        fixtures::RemoveScratchFolder(folder);
        ModelTest::TearDown();
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // In a child: `run` with `room` bytes of heap left; its error on stderr,
    // then "kept" when the lights, cameras and materials are as they were.
    // Ends with status 1 after an error, 0 without one.
    void RunWithin(std::size_t room, const std::function<void()>& run, bool exportErrorsOnly = false) const {
        const std::size_t materials = SceneMaterials.size();
        heap::Limit(heap::InUse() + room);
        bool failed = true;
        try {
            run();
            failed = false;
        } catch (const ExportError& e) {
            std::fprintf(stderr, "%s\n", e.what());
        } catch (const std::exception& e) {
            if (exportErrorsOnly) throw;
            std::fprintf(stderr, "%s\n", e.what());
        }
        heap::Limit();
        bool kept = Lights.size() == 1 && Lights[0].name == "Mine" && Cameras.size() == 1 &&
                    Form1.ComboBox2.items == std::vector<std::string>{"Mine"} &&
                    Form1.ComboBox8.items == std::vector<std::string>{"Shot"} && SceneMaterials.size() == materials;
        for (const tmaterial& m : SceneMaterials) kept = kept && m.blend == 0;
        std::fprintf(stderr, "%s\n", kept ? "kept" : "changed");
        std::fflush(stderr);
        std::_Exit(failed ? 1 : 0);
    }

    fs::path folder;
};

std::string Repeated(const std::string& text, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += text;
    return s;
}

// Each pass of each import whose records do not fit: the message names the
// scene, the user's lights, cameras and materials stay.
TEST_F(OutOfMemoryTest, AnImportThatRunsOutOfMemoryIsAnErrorAndChangesNothing) {
    std::string materials;
    for (int i = 0; i < 4000; ++i) materials += "material M" + std::to_string(i) + "\n{\nKdColor 1 1 1 1\n}\n";
    const std::string lights = Write("lights.pz3", Repeated("light L\nname L\nlightOn 1\n", 20000));
    // Lights of long names: they are read, and then there is no room to
    // name them after the file and list them.
    const std::string named =
        Write("named.pz3", Repeated("light L\nname A light of a long name\nlightOn 1\n", 20000));
    const std::string scene = Write("materials.pz3", materials);
    const std::string dazLights =
        Write("lights.ds", "var m_aNewLights = [\n" + Repeated("[ \"L\", DzSpotLight ],\n", 20000) +
                               "];\nfunction createLight() {\n" +
                               Repeated("set( \"XTranslate\", 0, 240 );\n", 20000) + "default:\n}\n");
    const std::string dazCameras =
        Write("cameras.ds", "var m_aNewCameras = [\n" + Repeated("[ \"C\", DzBasicCamera ],\n", 20000) +
                                "];\nfunction createCamera() {\n" +
                                Repeated("set( \"XTranslate\", 0, 240 );\n", 20000) + "default:\n}\n");
    const auto daz = [&](const std::string& lightPreset, const std::string& cameraPreset) {
        Form7.CheckBox1.checked = !lightPreset.empty();
        Form7.Edit3.text = lightPreset;
        Form7.CheckBox2.checked = !cameraPreset.empty();
        Form7.Edit4.text = cameraPreset;
        ImportDazPresets(folder.string());
    };
    EXPECT_EXIT(RunWithin(1 << 20, [&] { ImportPoserScene(lights); }), testing::ExitedWithCode(1),
                "^not enough memory to load lights.pz3\nkept\n");
    EXPECT_EXIT(RunWithin(7 << 20, [&] { ImportPoserScene(named); }), testing::ExitedWithCode(1),
                "^not enough memory to load named.pz3\nkept\n");
    EXPECT_EXIT(RunWithin(1 << 20, [&] { daz(dazLights, ""); }), testing::ExitedWithCode(1),
                "^not enough memory to load lights.ds\nkept\n");
    EXPECT_EXIT(RunWithin(1 << 20, [&] { daz("", dazCameras); }), testing::ExitedWithCode(1),
                "^not enough memory to load cameras.ds\nkept\n");
    // The materials pass, once the model has materials of the scene's names.
    for (int i = 0; i < 4000; ++i) {
        fixtures::EnsureMaterial(i);
        SceneMaterials[static_cast<std::size_t>(i)].name = "M" + std::to_string(i);
    }
    EXPECT_EXIT(RunWithin(1 << 20, [&] { ImportPoserScene(scene); }), testing::ExitedWithCode(1),
                "^not enough memory to load materials.pz3\nkept\n");
    // With the memory they need, the same imports go through.
    EXPECT_EXIT(RunWithin(64 << 20, [&] { ImportPoserScene(lights); }), testing::ExitedWithCode(0), "changed");
}

// A save of many lights that runs out of memory fails like a save that
// cannot write its files: the message, the earlier files as they were, no
// unfinished file left. The OBJ file holds every light on one line of its
// settings block; the POV-Ray save runs out before its first file.
TEST_F(OutOfMemoryTest, ASaveThatRunsOutOfMemoryFailsAndKeepsTheEarlierFiles) {
    for (int i = 0; i < 20000; ++i) Lights.push_back(Lights[0]);
    Scene.modelFile = "/models/figure.obj";
    Form2.Edit1.text = folder.string();
    Form2.CheckBox1.checked = true;  // overwrite without asking
    Form1.Edit68.text = "figure_POV_main.ini";
    Form1.Edit2.text = "figure_POV_scene.pov";
    Form1.Edit13.text = "figure_POV_geom.inc";
    Form1.Edit12.text = "figure_POV_mat.inc";
    Form1.Edit1.text = "figure_out.obj";
    BatchFiles = {"junk"};
    const std::vector<std::string> earlier = {"figure_POV_geom.inc", "figure_POV_main.ini", "figure_POV_mat.inc",
                                              "figure_POV_scene.pov", "figure_out.mtl",      "figure_out.obj"};
    for (const std::string& name : earlier) Write(name, "earlier " + name);
    const struct {
        SaveKind kind;
        std::size_t room;
        std::string message;
    } saves[] = {
        {SaveKind::Obj, 1 << 20, "^Not enough memory to write file " + (folder / "figure_out.obj").string() + "\n"},
        {SaveKind::PovRay, 128 << 10, "^Not enough memory to save the files of figure.obj\n"},
    };
    for (const auto& save : saves) {
        EXPECT_EXIT(RunWithin(save.room, [&] { SaveModelFiles(save.kind); }, true), testing::ExitedWithCode(1),
                    save.message);
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, earlier);
        for (const std::string& name : earlier)
            EXPECT_EQ(fixtures::ReadFileBytes((folder / name).string()), "earlier " + name);
    }
}

}  // namespace
