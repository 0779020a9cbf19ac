// Commands run out of memory from their first step on: a merge into a loaded
// model, the saves with their map copies, and a Poser import with its
// camera, lights and clean-up. At each point where a command takes more
// memory than before, and with room for a message only, it fails with its
// memory message and leaves what the user had as it was. On a "Messages"
// page that cannot grow, the lines of the command and of its report do not
// fit either.
#include <set>
#include <tuple>

#include "model/LightPanel.h"
#include "model/TextConv.h"
#include "tests/readers/memory/MemoryFixtures.h"

namespace {

using namespace memtest;

// A window that remembers what its lists, preview, material panel and
// camera were last made from, and its title, and keeps a texture for each
// material with a map.
class ShownWindow : public WindowHooks {
public:
    void FillMaterialList() override { materials = SceneMaterials.size(); }
    void FillGroupList() override { groups = SceneGroups.size(); }
    void BuildPreviewLists() override { faces = SceneFaces.size(); }
    void SetTitle(std::string_view text) override { title = text; }
    void RefreshMaterialPanel(int32_t index) override {
        const bool shown = index >= 0 && static_cast<std::size_t>(index) < SceneMaterials.size();
        panel = shown ? SceneMaterials[static_cast<std::size_t>(index)].blend : -1;
    }
    void ApplyCameraEdits() override { camera = Form1.Edit14.text + ' ' + Form1.Edit17.text; }
    void SetPreviewClientSize(int32_t width, int32_t height) override { size = {width, height}; }
    void PreviewClientSize(int32_t& width, int32_t& height) override { std::tie(width, height) = size; }
    void ReloadMaterialMaps(int32_t) override {
        for (tmaterial& m : SceneMaterials)
            if (!m.colorMap.empty() && m.glTexture == 0) textures.insert(m.glTexture = ++lastTexture);
    }
    bool IsTexture(int32_t name) override { return textures.count(name) != 0; }
    void DeleteTexture(int32_t name) override { textures.erase(name); }
    std::size_t materials = 0, groups = 0, faces = 0;
    std::string title, camera;
    double panel = 0;
    std::pair<int32_t, int32_t> size{640, 480};
    std::set<int32_t> textures;
    int32_t lastTexture = 0;
};

// A "Messages" page full of lines: while the heap is limited, each line
// needs the page to grow by a large block first. Or a page that cannot take
// the lines that begin with `failing`.
class FullPageStatus : public LongestLineStatus {
public:
    void AppendLine(StatusPage page, std::string_view text) override {
        if (page == StatusPage::Messages && heapLimit != NoLimit) {
            if (full) delete[] new char[64 << 10];
            if (!failing.empty() && text.starts_with(failing)) throw std::bad_alloc();
        }
        LongestLineStatus::AppendLine(page, text);
    }
    bool full = false;
    std::string failing;
};

class LoadAndSaveMemoryTest : public OutOfMemoryTest {
protected:
    void SetUp() override {
        OutOfMemoryTest::SetUp();
        Svc().status = &page;
        Svc().window = &shown;
    }
    // What the window shows of the model: its lists, its title, the names
    // and boxes that follow the model, and the scene record's measures.
    std::string WindowState() const {
        std::ostringstream out;
        out.precision(17);
        out << shown.title << '|' << shown.materials << ' ' << shown.groups << ' ' << shown.faces << ' '
            << shown.textures.size()
            << '|' << Scene.mtlFile << '|' << Scene.translation.x << ' ' << Scene.translation.y << ' '
            << Scene.translation.z << ' ' << Scene.extents.diagonal << ' ' << ModelHasUVs << ModelHasNormals << '\n';
        for (const tedit* edit : {&Form1.Edit1, &Form1.Edit2, &Form1.Edit11, &Form1.Edit12, &Form1.Edit13,
                                  &Form1.Edit29, &Form1.Edit34, &Form1.Edit35, &Form1.Edit46, &Form1.Edit57,
                                  &Form1.Edit58, &Form1.Edit61, &Form1.Edit68, &Form1.Edit82})
            out << edit->text << '\n';
        return out.str();
    }

    FullPageStatus page;
    ShownWindow shown;
};

TEST_F(LoadAndSaveMemoryTest, AMergeThatRunsOutOfMemoryLeavesTheModelAndTheWindowAsTheyWere) {
    // A sphere of a material with a map loaded from its file, merged with
    // itself and with a file of many groups without normals, of another
    // material with a map.
    const std::string sphere = (folder / "sphere.obj").string(), groups = (folder / "groups.obj").string();
    fixtures::WriteSphereObj(sphere, 24, 12);
    Write("sphere.obj", "mtllib sphere.mtl\n" + fixtures::ReadFileBytes(sphere));
    Write("sphere.mtl", "newmtl surface\nmap_Kd ball.png\n");
    std::string text = "mtllib groups.mtl\nusemtl mapped\n";
    for (int i = 0; i < 300; ++i) text += "v " + std::to_string(i) + " 0 0\nv " + std::to_string(i) + " 1 0\nv 0 0 1\n";
    for (int i = 0; i < 300; ++i)
        text += "g g" + std::to_string(i) + "\nf " + std::to_string(3 * i + 1) + ' ' + std::to_string(3 * i + 2) + ' ' +
                std::to_string(3 * i + 3) + '\n';
    Write("groups.obj", text);
    Write("groups.mtl", "newmtl mapped\nmap_Kd skin.png\n");
    const auto state = [&] { return ModelState() + WindowState(); };
    // Running out anywhere; so, on a full page; or as the last line is
    // logged, when the window shows all of the merged scene.
    const struct { bool full; const char* failing; } pages[] = {{false, ""}, {true, ""}, {false, "Model "}};
    for (const std::string& file : {sphere, groups})
        for (const auto& [full, failing] : pages) {
            std::string before;
            std::vector<std::string> errors;
            const auto load = [&] {
                page.full = false;
                page.failing.clear();
                BatchFiles = {sphere};
                LoadSelectedModels();
                before = state();
                page.full = full;
                page.failing = failing;
            };
            const auto merge = [&] {
                errors.clear();
                if (MergeModelFile(file, &errors) == LoadResult::Loaded) return std::string();
                return errors.empty() ? std::string("no message") : errors.back();
            };
            // The file's read, or the whole scene, did not fit.
            const std::string message = "not enough memory to load " + ExtractFileName(file);
            const auto judge = [&](const std::string& error) {
                std::string wrong;
                if (!error.ends_with(message)) wrong += " the message \"" + error + "\"";
                if (state() != before) wrong += " the model or the window changed";
                return wrong;
            };
            EXPECT_EXIT(SweepCommand(load, merge, judge), testing::ExitedWithCode(0), "^$")
                << file << (full ? " on a full page" : "") << failing;
        }
}

// Reading a file into a model and processing a model, each running out of
// memory on a page that cannot take the lines of its report either: the
// message, and the model as before the file, or cleared.
TEST_F(LoadAndSaveMemoryTest, ALoadThatRunsOutOfMemoryOnAFullPageReportsIt) {
    const std::string ball = (folder / "ball.obj").string();
    fixtures::WriteSphereObj(ball, 24, 12, false);
    const SavedModel cube = SavedModel::Save();
    std::string before;
    const auto prepare = [&] {
        page.full = false;
        cube.Restore();
        before = ModelState();
        page.full = true;
    };
    const auto read = [&] {
        std::string error;
        return LoadModelFile(ball, &error) == LoadResult::Loaded ? std::string() : error;
    };
    const auto process = [&] {
        std::vector<std::string> errors;
        if (ProcessGeometry(&errors)) return std::string();
        return errors.empty() ? std::string("no message") : errors.back();
    };
    const struct {
        std::function<std::string()> run;
        std::string message;
        std::function<bool()> left;  // what the model is to be
    } steps[] = {
        {read, "ball.obj: not enough memory to load ball.obj", [&] { return ModelState() == before; }},
        {process, "not enough memory to load figure.obj", [] { return SceneFaces.empty(); }},
    };
    for (const auto& step : steps) {
        const auto judge = [&](const std::string& error) {
            return std::string(error != step.message ? " the message \"" + error + "\"" : "") +
                   (step.left() ? "" : " the model");
        };
        EXPECT_EXIT(SweepCommand(prepare, step.run, judge), testing::ExitedWithCode(0), "^$") << step.message;
    }
}

// Saves into a folder of earlier files, the POV-Ray save also with the maps
// of the model's materials copied beside it: a save that runs out of memory
// leaves the folder as it was (or as the whole save left it, when only its
// last line did not fit), no copy or temporary file of it included, and no
// file open.
TEST_F(LoadAndSaveMemoryTest, ASaveThatRunsOutOfMemoryLeavesNoFileOrCopyOfIt) {
    fs::create_directories(folder / "maps");
    // Enough maps that the list of their copies grows by blocks of its own.
    for (int i = 0; i < 66; ++i) {
        fixtures::AddCube(1.0, {static_cast<double>(i), 0, 0}, i, i);
        const std::string map = (folder / "maps" / ("t" + std::to_string(i) + ".tga")).string();
        // A Targa picture of 2 x 2 pixels.
        std::ofstream(map, std::ios::binary) << std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18)
                                             << std::string(12, static_cast<char>(i));
        SceneMaterials[static_cast<std::size_t>(i)].colorMap = map;
    }
    const SavedModel model = SavedModel::Save();
    // The output folder in memory where the system has one: each copy is
    // flushed to its disk.
    const fs::path out = fs::is_directory("/dev/shm") ? fs::path("/dev/shm/mirelan-saves-" + std::to_string(::getpid()))
                                                     : folder / "out";
    Form2.Edit1.text = out.string();
    Form2.CheckBox1.checked = true;    // overwrite without asking
    Form2.CheckBox43.checked = false;  // copy maps as they are
    SetDefaultOutputNames(Scene.modelFile);
    std::map<std::string, std::string> earlier;
    for (const char* name : {"figure_POV_scene.pov", "figure_POV_geom.inc", "scene.xml", "t3.tga"})
        earlier[name] = name;
    const auto files = [&] {
        std::map<std::string, std::string> bytes;
        for (const auto& entry : fs::directory_iterator(out))
            bytes[entry.path().filename().string()] = fixtures::ReadFileBytes(entry.path().string());
        return bytes;
    };
    // The files this process has open.
    const auto open = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto pov = [] { SaveModelFiles(SaveKind::PovRay); };
    // Running out anywhere (the map copies among it); on a full page; as
    // the last line is logged, once every file is written.
    const struct { void (*save)(); bool maps, full; const char* failing; } saves[] = {
        {pov, true, false, ""},
        {pov, false, true, ""},
        {pov, false, false, "Files Saved."},
        {SaveYafRayScene, false, false, ""},
        {SaveYafRayScene, false, true, ""},
        {SaveYafRayScene, false, false, "Files Saved."},
    };
    for (const auto& save : saves) {
        Form2.CheckBox16.checked = save.maps;
        std::map<std::string, std::string> whole;
        std::ptrdiff_t opened = 0;
        const auto prepare = [&] {
            page.full = false;
            page.failing.clear();
            fs::remove_all(out);
            fs::create_directories(out);
            for (const auto& [name, bytes] : earlier) std::ofstream(out / name, std::ios::binary) << bytes;
            model.Restore();
            opened = open();
            page.full = save.full;
            page.failing = save.failing;
        };
        const auto run = [&] {
            try {
                save.save();
            } catch (const ExportError& e) {
                return std::string(e.what());
            }
            if (whole.empty()) whole = files();
            return std::string();
        };
        const auto judge = [&](const std::string& error) {
            std::string wrong;
            if (!error.starts_with("Not enough memory to ")) wrong += " the message \"" + error + "\"";
            if (const auto now = files(); now != earlier && now != whole) wrong += " the folder changed";
            if (open() != opened) wrong += " a file left open";
            return wrong;
        };
        // The copies are made at a level below the writers' peak: each
        // block they take is a point where they may run out.
        EXPECT_EXIT(SweepCommand(prepare, run, judge, save.maps), testing::ExitedWithCode(0), "^$")
            << (save.save == pov ? "POV-Ray" : "YafRay") << (save.maps ? " with maps" : "")
            << (save.full ? " on a full page" : "") << save.failing;
    }
    fixtures::RemoveScratchFolder(out);
}

// A Poser import with its camera, lights and clean-up, of a scene whose
// material is the model's, its missing map looked for in a texture folder:
// wherever it runs out of memory, the message names
// the model or the scene, and the materials, lights, camera presets and
// camera are as before the import.
TEST_F(LoadAndSaveMemoryTest, APoserImportThatRunsOutOfMemoryLeavesMaterialsLightsAndCamerasAsTheyWere) {
    SceneMaterials[0].name = "SKIN";
    SceneMaterials[0].colorMap = "skin.png";
    Form3.CheckBox1.checked = Form3.CheckBox2.checked = Form3.CheckBox3.checked = true;
    Form3.Memo1.lines = {folder.string()};  // where the missing map is looked for
    const std::string scene = Write("scene.pz3", "version\n{\nnumber 4\n}\ndimensions 320 200\ncamera MAIN_CAMERA\n{\n"
                                                 "name MAIN_CAMERA\nfocal\nk 0 0 50\n}\n" +
                                                     PoserLights("L", 40) +
                                                     "material SKIN\n{\nKdColor 1 1 1 1\ntextureMap skin.png\n}\n");
    const SavedModel model = SavedModel::Save();
    const std::vector<tlight> lights = Lights;
    const std::vector<tcamera> cameras = Cameras;
    const std::array<tedit*, 7> edits = {&Form1.Edit14, &Form1.Edit15, &Form1.Edit16, &Form1.Edit17,
                                         &Form1.Edit18, &Form1.Edit19, &Form1.Edit20};
    std::array<std::string, 7> texts;
    std::ranges::transform(edits, texts.begin(), [](const tedit* edit) { return edit->text; });
    const auto camera = [&] {
        std::string boxes;
        for (const tedit* edit : edits) boxes += edit->text + '\n';
        return boxes + std::to_string(Form1.CheckBox9.checked) + std::to_string(Form1.CheckBox25.checked) +
               Scene.cameraSourceFile + '|' + Scene.lightsSourceFile;
    };
    std::string before;
    const auto prepare = [&] {
        model.Restore();
        Lights = lights;
        Cameras = cameras;
        Form1.ComboBox2.index = Form1.ComboBox8.index = 0;
        for (std::size_t i = 0; i < edits.size(); ++i) edits[i]->text = texts[i];
        Scene.cameraSourceFile.clear();
        Scene.lightsSourceFile.clear();
        RefreshLightPanel(0);
        before = camera();
        shown.size = {640, 480};
        shown.textures.clear();
        shown.ReloadMaterialMaps(1);
        shown.RefreshMaterialPanel(0);
        shown.ApplyCameraEdits();
    };
    const auto run = [&] {
        try {
            ImportPoserScene(scene);
        } catch (const ReadError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    const auto judge = [&](const std::string& error) {
        std::string wrong;
        if (error != "not enough memory to load figure.obj" && error != "not enough memory to load scene.pz3")
            wrong += " the message \"" + error + "\"";
        if (fixtures::ComboItems(Form1.ComboBox2) != std::vector<std::string>{"Mine"} || Cameras.size() != 1 ||
            fixtures::ComboItems(Form1.ComboBox8) != std::vector<std::string>{"Shot"} || SceneMaterials[0].blend != 0 ||
            camera() != before)
            wrong += " the scene changed";
        // The window shows it: the light and material panels, the camera,
        // the preview's size and the material's one texture.
        if (Form1.Edit80.text != "Mine" || shown.panel != 0 ||
            shown.camera != Form1.Edit14.text + ' ' + Form1.Edit17.text || shown.size != std::pair(640, 480) ||
            shown.textures.size() != 1 || !shown.textures.count(SceneMaterials[0].glTexture))
            wrong += " the window shows another scene";
        return wrong;
    };
    // Running out anywhere; as the clean-up makes normals, once the camera,
    // the lights and the welded model are in; as the last line is logged.
    for (const char* failing : {"", "Cleaning up geometry -> Recalculating", "Done loading scene"}) {
        page.failing = failing;
        EXPECT_EXIT(SweepCommand(prepare, run, judge), testing::ExitedWithCode(0), "^$") << failing;
    }
}

}  // namespace
