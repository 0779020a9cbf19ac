// Commands run out of memory from their first step on (SweepCommand): a
// merge into a loaded model, a load, the saves with their map copies, and a
// Poser import with its camera, lights and clean-up. Each fails with its
// memory message and leaves what the user has, and what the window shows,
// as it was; also where the "Messages" page cannot take their lines.
#include <fcntl.h>

#include <set>
#include <tuple>

#include "model/LightPanel.h"
#include "model/TextConv.h"
#include "platform/TempFiles.h"
#include "tests/fixtures/ScopedEnv.h"
#include "tests/readers/memory/MemoryFixtures.h"

namespace {

using namespace memtest;

// A window that remembers what it last showed, with a texture for each
// material with a map.
class ShownWindow : public WindowHooks {
public:
    void FillMaterialList() override { lists[0] = SceneMaterials.size(); }
    void FillGroupList() override { lists[1] = SceneGroups.size(); }
    void BuildPreviewLists() override { lists[2] = SceneFaces.size(); }
    void SetTitle(std::string_view text) override { title = text; }
    void RefreshMaterialPanel(int32_t i) override {
        panel = i >= 0 && static_cast<std::size_t>(i) < SceneMaterials.size() ? SceneMaterials[i].blend : -1;
    }
    void ApplyCameraEdits() override { camera = Form1.Edit14.text; }
    void SetPreviewClientSize(int32_t width, int32_t height) override { size = {width, height}; }
    void PreviewClientSize(int32_t& width, int32_t& height) override { std::tie(width, height) = size; }
    void ReloadMaterialMaps(int32_t) override {
        for (tmaterial& m : SceneMaterials)
            if (!m.colorMap.empty() && m.glTexture == 0) textures.insert(m.glTexture = ++lastTexture);
    }
    bool IsTexture(int32_t name) override { return textures.count(name) != 0; }
    void DeleteTexture(int32_t name) override { textures.erase(name); }
    std::size_t lists[3] = {};
    std::string title, camera;
    double panel = 0;
    std::pair<int32_t, int32_t> size{640, 480};
    std::set<int32_t> textures;
    int32_t lastTexture = 0;
};

// While the heap is limited: a full "Messages" page, each line needing it to
// grow by a large block first; or a page that refuses the lines that begin
// with `failing`. It counts the memory messages it took.
class FullPageStatus : public LongestLineStatus {
public:
    void AppendLine(StatusPage page, std::string_view text) override {
        if (page == StatusPage::Messages && heapLimit != NoLimit) {
            if (full) delete[] new char[64 << 10];
            if (!failing.empty() && text.starts_with(failing)) throw std::bad_alloc();
        }
        LongestLineStatus::AppendLine(page, text);
        memoryLines += text.find("not enough memory") != std::string_view::npos;
    }
    bool full = false;
    std::string failing;
    int memoryLines = 0;
};

// The boxes shown, kept outside the heap's limit: a box shown is one the
// user sees, whatever its keeping would take.
class ShownBoxes : public RecordingPrompts {
public:
    void Show(MessageKind kind, std::string_view text) override {
        const std::size_t limit = heapLimit, bytes = heapBytes, left = allocationsLeft;
        heapLimit = allocationsLeft = NoLimit;
        RecordingPrompts::Show(kind, text);
        allocationsLeft = left;
        if (limit != NoLimit) heapLimit = limit + heapBytes - bytes;
    }
};

class LoadAndSaveMemoryTest : public OutOfMemoryTest {
protected:
    void SetUp() override {
        OutOfMemoryTest::SetUp();
        Svc().status = &page;
        Svc().window = &shown;
        Svc().prompts = &boxes;
    }
    // What the user has besides the geometry and what the window shows: the
    // lights, camera presets and materials' blends, the boxes and names that
    // follow the model and the camera, the scene's measures.
    std::string State() const {
        std::ostringstream out;
        out.precision(17);
        for (const tlight& light : Lights) out << light.name.str() << '|';
        for (const tmaterial& m : SceneMaterials) out << m.blend << (m.glTexture != 0) << '|';
        out << Cameras.size() << shown.title << shown.lists[0] << ' ' << shown.lists[1] << ' ' << shown.lists[2] << '|'
            << shown.camera << shown.panel << shown.size.first << shown.textures.size() << Scene.translation.x
            << Scene.extents.diagonal << Scene.mtlFile << Scene.cameraSourceFile << Scene.lightsSourceFile
            << Form1.CheckBox9.checked << ModelHasUVs << ModelHasNormals << '\n';
        for (const tedit* edit : {&Form1.Edit1, &Form1.Edit2, &Form1.Edit11, &Form1.Edit12, &Form1.Edit13,
                                  &Form1.Edit14, &Form1.Edit17, &Form1.Edit29, &Form1.Edit34, &Form1.Edit35,
                                  &Form1.Edit46, &Form1.Edit57, &Form1.Edit58, &Form1.Edit61, &Form1.Edit68,
                                  &Form1.Edit80, &Form1.Edit82})
            out << edit->text << '\n';
        return out.str();
    }
    // Sets the page for the runs of a sweep.
    void Page(bool full, const char* failing) {
        page.full = full;
        page.failing = failing;
    }
    // Cubes of materials of their own, each with a map: a Targa picture of
    // 2 x 2 pixels in `folder`/maps.
    void AddMappedCubes(int count) const {
        fs::create_directories(folder / "maps");
        for (int i = 0; i < count; ++i) {
            fixtures::AddCube(1.0, {static_cast<double>(i), 0, 0}, i, i);
            const fs::path map = folder / "maps" / ("t" + std::to_string(i) + ".tga");
            std::ofstream(map, std::ios::binary) << std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18)
                                                 << std::string(12, static_cast<char>(i));
            SceneMaterials[static_cast<std::size_t>(i)].colorMap = map.string();
        }
    }
    // A folder for the saves, in memory where the system has a folder for
    // it: each file is flushed to its disk.
    fs::path SaveFolder() const {
        return fs::is_directory("/dev/shm") ? fs::path("/dev/shm/mirelan-saves-" + std::to_string(::getpid()))
                                            : folder / "out";
    }
    // The files of a folder and their bytes.
    static std::map<std::string, std::string> Files(const fs::path& out) {
        std::map<std::string, std::string> bytes;
        for (const auto& entry : fs::directory_iterator(out))
            bytes[entry.path().filename().string()] = fixtures::ReadFileBytes(entry.path().string());
        return bytes;
    }
    static std::ptrdiff_t OpenFiles() {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    }
    // `out` holding the `earlier` files only.
    static void Refill(const fs::path& out, const std::map<std::string, std::string>& earlier) {
        fs::remove_all(out);
        fs::create_directories(out);
        for (const auto& [name, bytes] : earlier) std::ofstream(out / name, std::ios::binary) << bytes;
    }
    // The error of `save`; "" when it went through.
    static std::string SaveError(void (*save)()) {
        try {
            save();
        } catch (const ExportError& e) {
            return e.what();
        }
        return {};
    }
    // What is wrong with a failed save into `out`: its message, a folder
    // other than `earlier`, more files open than `opened` (set before it).
    static auto SaveFailed(const fs::path& out, const std::map<std::string, std::string>& earlier,
                           const std::ptrdiff_t& opened) {
        return [&out, &earlier, &opened](const std::string& error) {
            return std::string(error.starts_with("Not enough memory to ") ? "" : " the message \"" + error + "\"") +
                   (Files(out) == earlier ? "" : " the folder changed") +
                   (OpenFiles() == opened ? "" : " a file left open");
        };
    }

    FullPageStatus page;
    ShownWindow shown;
    ShownBoxes boxes;
};

TEST_F(LoadAndSaveMemoryTest, AMergeThatRunsOutOfMemoryLeavesTheModelAndTheWindowAsTheyWere) {
    // A sphere of a mapped material, merged with itself and with a file of
    // many groups without normals, of another mapped material.
    const std::string sphere = (folder / "sphere.obj").string(), groups = (folder / "groups.obj").string();
    fixtures::WriteSphereObj(sphere, 24, 12);
    Write("sphere.obj", "mtllib sphere.mtl\n" + fixtures::ReadFileBytes(sphere));
    Write("sphere.mtl", "newmtl surface\nmap_Kd ball.png\n");
    std::string text = "mtllib groups.mtl\nusemtl mapped\n";
    for (int i = 1; i <= 300; ++i)
        text += "v " + std::to_string(i) + " 0 0\nv 0 1 0\nv 0 0 1\ng g" + std::to_string(i) + "\nf -3 -2 -1\n";
    Write("groups.obj", text);
    Write("groups.mtl", "newmtl mapped\nmap_Kd skin.png\n");
    // Running out anywhere, and each of its first allocations failing (the
    // keep of what the merge changes among them); so, on a full page; as
    // the last line is logged, when the window shows all of the merged
    // scene. And into a model that the processing would change (a face made
    // degenerate, a group and a material no face uses), with allocations
    // failing all over the merge, its read among them.
    const struct { const std::string& file; bool full; const char* failing; bool changed; SingleFailures single; }
        cases[] = {{sphere, false, "", false, {64, 32}}, {sphere, true, "", false, {}},
                   {sphere, false, "Model ", false, {}}, {groups, false, "", false, {64, 32}},
                   {groups, true, "", false, {}},        {groups, false, "Model ", false, {}},
                   {sphere, false, "", true, {0, 48}}};
    for (const auto& [file, full, failing, changed, single] : cases) {
        std::string before;
        std::vector<std::string> errors;
        const auto load = [&] {
            Page(false, "");
            BatchFiles = {sphere};
            LoadSelectedModels();
            if (changed) {
                SceneFaces[0].vertex[1] = SceneFaces[0].vertex[0];
                fixtures::EnsureGroup(static_cast<int>(SceneGroups.size()));
                fixtures::EnsureMaterial(static_cast<int>(SceneMaterials.size()));
                shown.FillMaterialList(), shown.FillGroupList();
            }
            before = ModelState() + State();
            Page(full, failing);
        };
        const auto merge = [&] {
            errors.clear();
            if (MergeModelFile(file, &errors) == LoadResult::Loaded) return std::string();
            return errors.empty() ? std::string("no message") : errors.back();
        };
        // The file's read, or the whole scene, did not fit.
        const std::string message = "not enough memory to load " + ExtractFileName(file);
        const auto judge = [&](const std::string& error) {
            return std::string(error.ends_with(message) ? "" : " the message \"" + error + "\"") +
                   (ModelState() + State() == before ? "" : " the model or the window changed");
        };
        EXPECT_EXIT(SweepCommand(load, merge, judge, false, single), testing::ExitedWithCode(0), "^$")
            << file << failing << changed;
    }
}

// Reading a file into a model, processing a model, loading a file in place
// of a model whose file is there (as "3D Model..." and "Load selected" do)
// and merging one into no model, with each allocation failing in turn: the
// message, and the model as before, or none. The message is told once, on
// the page or, on a page that cannot take it, in a box; and no other box
// shows (none of a model without vertices or faces after a file that did
// not fit).
TEST_F(LoadAndSaveMemoryTest, ALoadThatRunsOutOfMemoryTellsItsMessageAlone) {
    const std::string ball = (folder / "ball.obj").string();
    fixtures::WriteSphereObj(ball, 24, 12, false);
    Write("figure.obj", "");
    const SavedModel cube = SavedModel::Save();
    std::string before;
    const auto prepare = [&] {
        Page(false, "");
        cube.Restore();
        before = ModelState();
        boxes.shown.clear();
        page.memoryLines = 0;
        BatchFiles = {ball};
        // As at start-up: the names a load sets in the window take new blocks.
        std::string().swap(Form1.ComboBox15.text), std::string().swap(Form1.OpenDialog1.initialDir);
        Page(true, "");
    };
    const auto read = [&] {
        std::string error;
        return LoadModelFile(ball, &error) == LoadResult::Loaded ? std::string() : error;
    };
    const auto process = [&] {
        std::vector<std::string> errors;
        return ProcessGeometry(&errors) ? std::string() : errors.empty() ? "no message" : errors.back();
    };
    const auto load = [&] {
        std::vector<std::string> errors;
        return LoadSelectedModels(&errors) ? std::string() : errors.empty() ? "no message" : errors.back();
    };
    const auto mergeIntoNone = [&] {
        ClearModel();
        std::vector<std::string> errors;
        return MergeModelFile(ball, &errors) == LoadResult::Loaded ? std::string()
               : errors.empty()                                    ? "no message"
                                                                   : errors.back();
    };
    const struct { std::function<std::string()> run; std::string message; bool cleared; } steps[] = {
        {read, "ball.obj: not enough memory to load ball.obj", false},
        {process, "not enough memory to load figure.obj", true},
        {load, "not enough memory to load ball.obj", true},
        {mergeIntoNone, "not enough memory to load ball.obj", true},
    };
    for (const auto& step : steps) {
        const auto judge = [&](const std::string& error) {
            const bool left = ModelState() == before || (step.cleared && SceneFaces.empty());
            const auto told = std::ranges::count(boxes.shown, error, &RecordingPrompts::Shown::text);
            std::string wrong = std::string(error.ends_with(step.message) ? "" : " the message \"" + error + "\"") +
                                (left ? "" : " the model") + (told + page.memoryLines == 1 ? "" : " told not once");
            for (const RecordingPrompts::Shown& box : boxes.shown)
                if (box.text != error) wrong += " the box \"" + box.text + "\"";
            return wrong;
        };
        EXPECT_EXIT(SweepCommand(prepare, step.run, judge, false, {NoLimit, 0}), testing::ExitedWithCode(0), "^$")
            << step.message;
    }
}

// Saves into a folder of earlier files, the POV-Ray save with the maps of
// the materials copied beside it: the folder as it was, no copy or temporary
// file of it left, no file left open. A save whose files are in place when
// its lines run out went through.
TEST_F(LoadAndSaveMemoryTest, ASaveThatRunsOutOfMemoryLeavesNoFileOrCopyOfIt) {
    // Enough maps that the list of their copies grows by blocks of its own.
    AddMappedCubes(66);
    const SavedModel model = SavedModel::Save();
    const fs::path out = SaveFolder();
    Form2.Edit1.text = out.string();
    Form2.CheckBox1.checked = true;    // overwrite without asking
    Form2.CheckBox43.checked = false;  // copy maps as they are
    SetDefaultOutputNames(Scene.modelFile);
    // Running out anywhere, the copies too; as the last line is logged, once
    // every file is in place; on a full page, from the first line.
    const struct { void (*save)(); bool maps; const char* failing; } saves[] = {
        {[] { SaveModelFiles(SaveKind::PovRay); }, true, ""},
        {[] { SaveModelFiles(SaveKind::PovRay); }, false, "Files Saved."},
        {SaveYafRayScene, false, ""},
    };
    for (const auto& save : saves) {
        Form2.CheckBox16.checked = save.maps;
        const std::map<std::string, std::string> earlier{{"figure_POV_scene.pov", "old"}, {"t3.tga", ""}};
        std::ptrdiff_t opened = 0;
        const auto prepare = [&] {
            Page(false, "");
            Refill(out, earlier);
            model.Restore();
            opened = OpenFiles();
            Page(save.save == SaveYafRayScene, save.failing);
        };
        const auto run = [&] { return SaveError(save.save); };
        // The copies are made below the writers' peak: each block they take
        // is a point where they may run out.
        EXPECT_EXIT(SweepCommand(prepare, run, SaveFailed(out, earlier, opened), save.maps),
                    testing::ExitedWithCode(0), "^$")
            << save.failing;
    }
    fixtures::RemoveScratchFolder(out);
}

// Every save command, with the maps copied, failing at each of its
// allocations in turn: each handing on of a written file or a copy (to the
// list of the save's files, to their commit, over the earlier file) may be
// the step that fails. The folder stays as it was.
TEST_F(LoadAndSaveMemoryTest, EverySaveFailingAtAnyAllocationLeavesNoTemporaryFile) {
    AddMappedCubes(3);
    const SavedModel model = SavedModel::Save();
    const fs::path out = SaveFolder();
    Form2.Edit1.text = out.string();
    Form2.CheckBox1.checked = true;    // overwrite without asking
    Form2.CheckBox16.checked = true;   // maps copied
    Form2.CheckBox43.checked = false;  // as they are
    // The POV-Ray save without its scene file and INI, whose free picture
    // name alone takes some 40,000 allocations: its files go through the
    // same writer and commit.
    Form1.CheckBox51.checked = true;
    SetDefaultOutputNames(Scene.modelFile);
    // Files held open as by a program with a window: the descriptor of a
    // file made takes two digits.
    std::vector<int> held;
    while (held.empty() || held.back() < 10) held.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const std::map<std::string, std::string> earlier{
        {"figure.obj", "old"}, {"figure_POV_geom.inc", "old"}, {"figure_moray.udo", "old"}, {"scene.xml", "old"},
        {"t1.tga", ""}};
    const struct { const char* what; void (*save)(); } saves[] = {
        {"OBJ", [] { SaveModelFiles(SaveKind::Obj); }},
        {"Moray", [] { SaveModelFiles(SaveKind::Moray); }},
        {"POV-Ray", [] { SaveModelFiles(SaveKind::PovRay); }},
        {"YafRay", SaveYafRayScene},
    };
    for (const auto& save : saves) {
        std::ptrdiff_t opened = 0;
        const auto prepare = [&] {
            Refill(out, earlier);
            model.Restore();
            opened = OpenFiles();
        };
        const auto run = [&] { return SaveError(save.save); };
        EXPECT_EXIT(SweepCommand(prepare, run, SaveFailed(out, earlier, opened), false, {NoLimit, 0}),
                    testing::ExitedWithCode(0), "^$")
            << save.what;
    }
    for (const int fd : held) ::close(fd);
    fixtures::RemoveScratchFolder(out);
}

// The temporary file of an unpacked model, made with each of its
// allocations failing in turn: it is made and kept among the program's own
// (which go when it ends), or not made at all.
TEST_F(LoadAndSaveMemoryTest, ATemporaryFileThatRunsOutOfMemoryIsKeptOrNotMade) {
    const fixtures::ScopedEnv temporaryFolder("TMPDIR", folder.string());
    allocationCount = 0;
    measuring = true;
    const std::string first = CreateTempFile(TempFileStem, ".wrl");
    measuring = false;
    DeleteTempFile(first);
    for (std::size_t k = 0, allocations = allocationCount; k < allocations; ++k) {
        allocationsLeft = k;
        try {
            CreateTempFile(TempFileStem, ".wrl");
        } catch (const std::bad_alloc&) {
        }
        allocationsLeft = NoLimit;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const bool left = IsTempFileName(entry.path().filename().string()) && !IsOwnTempFile(entry.path().string());
            EXPECT_FALSE(left) << entry.path() << " with allocation " << k << " failing";
        }
        DeleteAllTempFiles();
    }
}

// A Poser import with its camera, lights and clean-up, of a scene whose
// material is the model's, its missing map looked for in a texture folder:
// the message names the model or the scene, and what the user has besides
// the geometry, and what the window shows, are as before the import.
TEST_F(LoadAndSaveMemoryTest, APoserImportThatRunsOutOfMemoryLeavesMaterialsLightsAndCamerasAsTheyWere) {
    SceneMaterials[0].name = "SKIN";
    SceneMaterials[0].colorMap = "skin.png";
    Form3.CheckBox1.checked = Form3.CheckBox2.checked = Form3.CheckBox3.checked = true;
    Form3.Memo1.lines = {folder.string()};
    const std::string scene = Write("scene.pz3", "dimensions 320 200\ncamera MAIN_CAMERA\n{\nname MAIN_CAMERA\nfocal\n"
                                                 "k 0 0 50\n}\n" + PoserLights("L", 40) +
                                                     "material SKIN\n{\nKdColor 1 1 1 1\ntextureMap skin.png\n}\n");
    const SavedModel model = SavedModel::Save();
    const std::vector<tlight> lights = Lights;
    const std::vector<tcamera> cameras = Cameras;
    const std::string camera = Form1.Edit14.text, distance = Form1.Edit17.text;
    std::string before;
    const auto prepare = [&] {
        model.Restore();
        Lights = lights;
        Cameras = cameras;
        Form1.ComboBox2.index = Form1.ComboBox8.index = 0;
        Form1.Edit14.text = camera;
        Form1.Edit17.text = distance;
        Scene.cameraSourceFile.clear();
        Scene.lightsSourceFile.clear();
        RefreshLightPanel(0);
        shown.size = {640, 480};
        shown.textures.clear();
        shown.ReloadMaterialMaps(1);
        shown.RefreshMaterialPanel(0);
        shown.ApplyCameraEdits();
        before = State();
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
        const bool named =
            error == "not enough memory to load figure.obj" || error == "not enough memory to load scene.pz3";
        return std::string(named ? "" : " the message \"" + error + "\"") + (State() == before ? "" : " it changed");
    };
    // Running out anywhere; as the clean-up makes normals, once the camera,
    // the lights and the welded model are in.
    for (const char* failing : {"", "Cleaning up geometry -> Recalculating"}) {
        Page(false, failing);
        EXPECT_EXIT(SweepCommand(prepare, run, judge), testing::ExitedWithCode(0), "^$") << failing;
    }
}

}  // namespace
