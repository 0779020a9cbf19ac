// The memory the scene imports and the saves take, counted (and limited) by
// this program's own operator new. A Poser scene or DAZ|Studio script, read
// from its file as the imports read it (mapped, not copied), takes a small
// part of its text's size whatever the length of its lines or the number of
// its blocks, so that a copy of its lines or of a whole line shows plainly;
// the lines it logs cut every word of the file; and the lights or cameras it
// reads are kept once. An import or a save that runs out of memory is an
// error message, and what the user had stays as it was.
#include "tests/readers/memory/MemoryFixtures.h"

namespace {

using namespace memtest;

TEST_F(SceneTextMemoryTest, ScenesOfLongLinesOrManyBlocksTakeNoMoreThanTheirText) {
    fixtures::EnsureMaterial(0);
    SceneMaterials[0].name = "SKIN";
    std::string tinyBlocks;
    while (tinyBlocks.size() < (1u << 20)) tinyBlocks += "material SKIN\nx\n";
    const std::string longLine = Words("x") + "\n";
    const std::string longWord(200000, 'w');
    const auto cameras = [](const std::string& f) { tposercameravalues v{}; ReadPoserCameras(f, v); };
    const std::vector<Read> poser = {cameras, ReadPoserMaterials, ReadPoserLights};
    const std::vector<Read> daz = {ReadDazLights, ReadDazCameras};
    // A text read as views into the file takes well under a quarter of its
    // size; a copy of it, or of its longest line, takes more than all of it.
    const struct { const char* what; std::string text; bool daz; double bound = 0.25; } scenes[] = {
        {"one line of millions of words", "version\n{\nnumber 4\n}\n" + longLine, false},
        // The one word is unescaped into a copy of its own.
        {"a quoted word of doubled quotes", "\"" + Words("\"\"x") + "\"\n", false, 2.0},
        {"quoted words of doubled quotes", Words("\"a\"\"b\"") + "\n", false},
        {"a material block of one long line", "material SKIN\n{\nKdColor 1 1 1 1 " + longLine + "}\n", false},
        {"a camera and a light of long lines",
         "camera MAIN_CAMERA\n{\nname MAIN_CAMERA " + longLine + "}\nlight L\n{\nname " + longLine + "lightOn 1\n}\n",
         false},
        {"long words where lines are logged",
         "usecamera " + longWord + "\ndimensions " + longWord + " " + longWord + "\ncamera C\n{\nname " + longWord +
             "\n}\nlight L\n{\nname " + longWord + "\nlightOn 1\n}\nmaterial " + longWord + "\n{\n}\n",
         false},
        {"a million tiny material blocks", tinyBlocks, false},
        {"declarations of long lines",
         "var m_aNewLights = [\n" + Words("a") + "DzSpotLight ];\nvar m_aNewCameras = [\n" + Words("c") +
             "DzBasicCamera ];\n",
         true},
        {"properties of long lines",
         "var m_aNewLights = [ \"L\", DzPointLight ];\nvar m_aNewCameras = [ \"C\", DzBasicCamera ];\n"
         "function createLight() {\n" + Words("XTranslate") + "\ndefault:\n}\nfunction createCamera() {\n" +
             Words("XTranslate") + "\ndefault:\n}\n",
         true},
    };
    for (const auto& scene : scenes)
        for (const Read read : scene.daz ? daz : poser) {
            lines.longest = 0;
            EXPECT_LT(PeakGrowth(scene.text, read) / static_cast<double>(scene.text.size()), scene.bound) << scene.what;
            EXPECT_LE(lines.longest, 1000u) << scene.what;
        }
}

// A scene of many lights or cameras takes, at its peak, little more than
// the lights or cameras it keeps (with their names): it reads
// them once and keeps no second list of them or of their values. The reads
// that replace the lights then read a scene of one light: the many lights
// they replace are set aside, not copied.
TEST_F(SceneTextMemoryTest, LightsAndCamerasAreKeptOnce) {
    const struct { const char* what; std::string text; Read read; std::string oneLight; } scenes[] = {
        {"Poser lights", PoserLights("L"), ReadPoserLights, ""},
        {"the lights of a Poser scene imported", PoserLights("L"), LoadPoserLights, PoserLights("L", 1)},
        {"DAZ|Studio lights", DazScript("Light"), ReadDazLights, DazScript("Light", 1)},
        {"DAZ|Studio cameras", DazScript("Camera"), ReadDazCameras, ""},
    };
    for (const auto& scene : scenes) {
        std::vector<tlight>().swap(Lights);
        std::vector<tcamera>().swap(Cameras);
        const std::size_t before = heapBytes;
        const double peak = PeakGrowth(scene.text, scene.read);
        const double kept = static_cast<double>(heapBytes - before);
        EXPECT_EQ(Lights.size() + Cameras.size(), 20000u) << scene.what;
        EXPECT_LT(peak, 1.25 * kept) << scene.what;
        if (scene.oneLight.empty()) continue;
        EXPECT_LT(PeakGrowth(scene.oneLight, scene.read), 0.25 * kept) << scene.what;
        EXPECT_EQ(Lights.size(), 1u) << scene.what;
    }
}

// Lights named after a Poser scene's long file name, and cameras after a
// DAZ|Studio script's: the import keeps the records and nothing more, so
// that no list holds the names a second time.
TEST_F(SceneTextMemoryTest, NamesAfterALongFileNameAreHeldOnce) {
    const std::string longName(200, 'n');
    const struct { const char* what; std::string file, text; Read read; } imports[] = {
        {"Poser lights", longName + ".pz3", PoserLights("L"), LoadPoserLights},
        {"DAZ|Studio cameras", longName + ".ds", DazScript("Camera"), ReadDazCameras},
    };
    for (const auto& import : imports) {
        std::vector<tlight>().swap(Lights);
        std::vector<tcamera>().swap(Cameras);
        const std::string path = Write(import.file, import.text);
        const std::size_t before = heapBytes;
        import.read(path);
        // The names are long: each has a block of its own.
        std::size_t records = Lights.capacity() * sizeof(tlight) + Cameras.capacity() * sizeof(tcamera);
        for (const tlight& l : Lights) records += malloc_usable_size(const_cast<char*>(l.name.c_str()));
        for (const tcamera& c : Cameras) records += malloc_usable_size(const_cast<char*>(c.name.c_str()));
        EXPECT_EQ(Lights.size() + Cameras.size(), 20000u) << import.what;
        EXPECT_LT(static_cast<double>(heapBytes - before), 1.05 * static_cast<double>(records)) << import.what;
    }
}

// An OBJ save writes the lines of its settings block as it makes them: with
// many lights its heap grows by a small part of the file (their lines held
// until the end would take more than the whole file).
TEST_F(SceneTextMemoryTest, AnObjSaveOfManyLightsHoldsNoCopyOfTheirLines) {
    fixtures::AddCube();
    Scene.modelFile = (folder / "figure.obj").string();
    Lights.resize(40000);
    for (tlight& light : Lights) NewLight(light);
    Form2.Edit1.text = folder.string();
    SetDefaultOutputNames(Scene.modelFile);
    const std::size_t before = heapBytes;
    heapPeak = before;
    ASSERT_TRUE(SaveModelFiles(SaveKind::Obj));
    const double growth = static_cast<double>(heapPeak - before);
    EXPECT_LT(growth, 0.25 * static_cast<double>(fs::file_size(folder / "figure.obj")));
}

// Of each block that a model material takes, the material pass holds what
// the block sets, once, whichever rule of matching takes it: well under
// what the model's materials take themselves.
TEST_F(SceneTextMemoryTest, AMaterialPassHoldsWhatTheBlocksSetOnce) {
    constexpr int Count = 20000;
    std::string text;
    for (int i = 0; i < Count; ++i) {
        fixtures::EnsureMaterial(i);
        SceneMaterials[static_cast<std::size_t>(i)].name = "M" + std::to_string(i);
        text += "material M" + std::to_string(i) + "\n{\nKdColor 1 1 1 1\n}\n";
    }
    EXPECT_LT(PeakGrowth(text, ReadPoserMaterials), 2.0 * Count * sizeof(tmaterial));
    EXPECT_TRUE(std::ranges::all_of(SceneMaterials, [](const tmaterial& m) { return m.blend == 1; }));
}

// Each pass of each import whose records do not fit: the message names the
// scene, the user's lights, cameras and materials stay.
TEST_F(OutOfMemoryTest, AnImportThatRunsOutOfMemoryIsAnErrorAndChangesNothing) {
    const auto runsOut = [&](std::size_t room, Read import, const std::string& name, const std::string& text) {
        const std::string path = Write(name, text);
        EXPECT_EXIT(RunWithin(room, [&] { import(path); }), testing::ExitedWithCode(1),
                    "^not enough memory to load " + name + "\nkept\n");
    };
    runsOut(1 << 20, ImportPoserScene, "lights.pz3", PoserLights("L"));
    // Lights of long names: they are read, and then there is no room to
    // name them after the file.
    runsOut(39 << 17, ImportPoserScene, "named.pz3", PoserLights("A light of a long name"));
    runsOut(1 << 20, ReadDazLights, "lights.ds", DazScript("Light"));
    runsOut(1 << 20, ReadDazCameras, "cameras.ds", DazScript("Camera"));
    // The camera read, and no room to store it among many presets.
    for (int i = 0; i < 20000; ++i) AddCamera("Shot");
    Cameras.shrink_to_fit();
    runsOut(1 << 20, ImportPoserScene, "camera.pz3", "camera MAIN_CAMERA\n{\nname MAIN_CAMERA\n}\n");
    // The materials pass, once the model has materials of the scene's names.
    std::string materials;
    for (int i = 0; i < 4000; ++i) {
        materials += "material M" + std::to_string(i) + "\n{\nKdColor 1 1 1 1\n}\n";
        fixtures::EnsureMaterial(i);
        SceneMaterials[static_cast<std::size_t>(i)].name = "M" + std::to_string(i);
    }
    runsOut(1 << 20, ImportPoserScene, "materials.pz3", materials);
    // With the memory they need, the same imports go through.
    EXPECT_EXIT(RunWithin(64 << 20, [&] { ImportPoserScene((folder / "lights.pz3").string()); }),
                testing::ExitedWithCode(0), "changed");
}

// A step after a model was read that runs out of memory, at any point: the
// message names the file, and the model is as it was before the step, every
// face with the normals it had. The imports clean up and make normals on a
// sphere whose faces have vertices and normals of their own; a model loaded
// with another that does not fit leaves the model before it as that alone
// is loaded, and one merged into a model leaves that model as it was. The
// merge is into a grid with UVs of
// its own at every corner, a degenerate face and line, and empty groups and
// an unused material (the processing welds, and deletes, those); it runs
// out as it logs the deleted groups, and as it logs the steps after the
// normals and after the UVs.
TEST_F(OutOfMemoryTest, AStepAfterTheReadThatRunsOutOfMemoryLeavesTheModelAsItWas) {
    fixtures::AddSphere(40, 80);
    OwnCopies(SceneVertices, &tface::vertex);
    CalcVertexNormals(NormalSum, 0);
    const SavedModel sphere = SavedModel::Save();
    ClearModel();
    constexpr int used = 1000;  // the group of the faces, after the empty ones
    fixtures::AddGrid(10, 10, 1.0, used);
    OwnCopies(SceneUVs, &tface::uv);
    CalcVertexNormals(NormalSum, 0);
    fixtures::AddFace(1, 1, 2, used);  // degenerate, as is the last segment of the polyline
    std::ranges::fill(SceneFaces.back().normal, 1);
    fixtures::AddPolyline(3, 1.0, used);
    LineSegments.back().vertex[1] = LineSegments.back().vertex[0];
    fixtures::EnsureMaterial(1);
    const SavedModel grid = SavedModel::Save();

    Form3.CheckBox1.checked = Form3.CheckBox2.checked = false;  // no camera, no lights
    const std::string scene = Write("scene.pz3", "version\n{\nnumber 4\n}\n");
    // A small model with normals, and a large one without and with a line.
    const std::string small = (folder / "small.obj").string(), ball = (folder / "ball.obj").string();
    fixtures::WriteSphereObj(small, 8, 4);
    fixtures::WriteSphereObj(ball, 80, 40, false);
    std::ofstream(ball, std::ios::app) << "l 1 2 3\n";
    std::vector<std::string> errors;
    const auto failed = [&](bool ok) {
        if (!ok && !errors.empty()) throw ReadError(errors.back());
    };
    const auto load = [&](const std::vector<std::string>& files) {
        BatchFiles = files;
        errors.clear();
        failed(LoadSelectedModels(&errors));
    };
    const auto merge = [&] {
        errors.clear();
        failed(MergeModelFile(ball, &errors) == LoadResult::Loaded);
    };
    const auto gridKept = [&] { grid.Restore(); };
    const std::string ownModel = "not enough memory to load figure.obj";
    const std::string lastModel = "not enough memory to load ball.obj";
    const StepCase steps[] = {
        {"the normals of a DAZ|Studio import", {"Calculating normals...", "Rebuilding Display List..."},
         [&] { sphere.Restore(), Form7.CheckBox3.checked = true; }, [&] { ImportDazPresets(folder.string()); }, {},
         ownModel, true},
        {"the clean-up of a Poser import", {"Cleaning up geometry -> ", "Rebuilding Display List..."},
         [&] { sphere.Restore(), Form3.CheckBox3.checked = true; }, [&] { ImportPoserScene(scene); }, {}, ownModel,
         true},
        {"two models loaded together", {"Processing Geometry"}, [] {},
         [&] { load({small, ball}); }, [&] { load({small}); }, lastModel},
        {"a model merged, as the empty groups are deleted", {"<!> Group "}, [&] { grid.Restore(); }, merge,
         gridKept, lastModel, false, true},
        {"a model merged, once its normals are made", {"Unifying UV coordinates..."}, [&] { grid.Restore(); },
         merge, gridKept, lastModel, false, true},
        {"a model merged, once its UVs are unified", {"Building Display List..."}, [&] { grid.Restore(); }, merge,
         gridKept, lastModel, false, true},
    };
    for (const StepCase& step : steps) EXPECT_EXIT(Sweep(step), testing::ExitedWithCode(0), "^$") << step.what;
}

// A text file too large to be mapped in the address space left is read
// instead, and does not fit in the memory left either: the message says so.
TEST_F(OutOfMemoryTest, AFileThatCannotBeMappedForWantOfMemoryIsNotEnoughMemory) {
    using File = std::pair<Read, std::string>;
    for (const auto& [import, name] : {File{ReadDazLights, "huge.ds"}, File{ImportPoserScene, "huge.pz3"}}) {
        const std::string path = Write(name, "");
        fs::resize_file(path, 1ull << 30);  // sparse: it takes no disk
        EXPECT_EXIT(RunWithin(1 << 20, [&] { LimitAddressSpace(), import(path); }), testing::ExitedWithCode(1),
                    "^not enough memory to load " + name + "\nkept\n");
    }
}

// A save of many lights that runs out of memory fails like a save that
// cannot write its files: the message, the earlier files as they were, no
// unfinished file left. The OBJ and YafRay saves run out in their writers,
// the POV-Ray save before its first file.
TEST_F(OutOfMemoryTest, ASaveThatRunsOutOfMemoryFailsAndKeepsTheEarlierFiles) {
    for (int i = 0; i < 20000; ++i) Lights.push_back(Lights[0]);
    Form2.Edit1.text = folder.string();
    Form2.CheckBox1.checked = true;  // overwrite without asking
    SetDefaultOutputNames(Scene.modelFile);
    Form1.Edit111.text = "figure.xml";
    for (const char* name : {"figure_POV_main.ini", "figure_POV_scene.pov", "figure_POV_geom.inc",
                             "figure_POV_mat.inc", "figure.obj", "figure.mtl", "figure.xml"})
        Write(name, name);
    const auto files = [&] {
        std::map<std::string, std::string> bytes;
        for (const auto& entry : fs::directory_iterator(folder))
            bytes[entry.path().filename().string()] = fixtures::ReadFileBytes(entry.path().string());
        return bytes;
    };
    const auto earlier = files();
    const std::string writeFile = "^Not enough memory to write file " + folder.string() + "/";
    const struct { void (*save)(); std::size_t room; std::string message; } saves[] = {
        {[] { SaveModelFiles(SaveKind::Obj); }, 128 << 10, writeFile + "figure.obj\n"},
        {[] { SaveModelFiles(SaveKind::PovRay); }, 128 << 10, "^Not enough memory to save the files of figure.obj\n"},
        {SaveYafRayScene, 128 << 10, writeFile + "figure.xml\n"},
    };
    for (const auto& save : saves) {
        EXPECT_EXIT(RunWithin(save.room, save.save), testing::ExitedWithCode(1), save.message);
        EXPECT_EQ(files(), earlier);
    }
}

}  // namespace
