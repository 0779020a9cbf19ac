// Every command the dispatcher knows, clicked with the real controllers on a
// model with lights, light sets, placeholders, cameras, a texture library and
// several materials and groups, the dialogs answered by a script, and run
// out of memory at every point where it allocates (the heap limited at byte
// counts up to its peak, and single allocations failing alone). Each run
// either completes as the run with all the memory did, or leaves every
// record and every box as it was with a memory message after the boxes it
// showed before. Nothing ends the program, no temporary file stays, and the
// preview shows the records.
#include <sys/stat.h>

#include <set>

#include "model/Random.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "tests/control/ControlFixtures.h"
#include "tests/readers/memory/MemoryFixtures.h"
#include "ui/control/Controllers.h"
#include "ui/control/MaterialPanel.h"
#include "writers/SceneChecks.h"

namespace {

using namespace memtest;

// ---- The records told as text -----------------------------------------------

std::ostream& operator<<(std::ostream& out, const tvector& v) { return out << v.x << ',' << v.y << ',' << v.z; }

std::set<int32_t> Textures;  // the live preview textures

// The records besides the geometry and the names of groups and materials
// (ModelState).
std::string SideState() {
    std::ostringstream out;
    out.precision(17);
    for (const tmaterial& m : SceneMaterials)
        out << "M " << m.name.str() << ' ' << m.shininess << ' ' << m.ambient << ' ' << m.diffuse << ' ' << m.specular
            << ' ' << m.colorMap.str() << '|' << m.bumpMap.str() << '|' << m.transparencyMap.str() << ' ' << m.bumpSize
            << ' ' << m.transparency << ' ' << m.reflection << ' ' << int{m.metal} << ' ' << m.blend << ' '
            << int{m.invertTransparencyMap} << int{m.changed} << int{m.customTextActive} << int{m.customTextHeld}
            << int{m.selected} << ' ' << m.customText.str() << '|' << m.uvProjection << ' ' << m.faceCount << ' '
            << int{m.cell} << int{m.cellHigh}
            << (m.glTexture == 0 ? " untextured" : Textures.count(m.glTexture) ? " textured" : " dead")
            << '\n';
    // Not the groups' colours: each processing of the model draws them anew.
    for (const tgroup& g : SceneGroups)
        out << "G " << g.name.str() << ' ' << int{g.visible} << int{g.castsShadow} << int{g.changed} << ' '
            << g.minimum << ' ' << g.maximum << ' ' << g.faceCount << '\n';
    const auto light = [&](const tlight& l) {
        out << "L " << l.name.str() << ' ' << l.position << ' ' << l.elevation << ' ' << l.rotation << ' ' << l.color
            << ' ' << l.spotTightness << ' ' << l.spotSpread << ' ' << l.kind << l.shadow << ' ' << l.intensity << ' '
            << l.pointAt << ' ' << int{l.jitter} << ' ' << l.areaSize << ' ' << l.areaSamples << ' ' << l.fadeDistance
            << '\n';
    };
    for (const tlight& l : Lights) light(l);
    out << "presets\n";
    for (const tlight& l : PresetLights) light(l);
    for (const tlightpreset& p : LightPresets) out << "P " << p.first << ' ' << p.count << ' ' << p.name.str() << '\n';
    for (const tplaceholder& p : Placeholders)
        out << "H " << int{p.kind} << ' ' << p.size << ' ' << p.position << ' ' << p.rotation << ' ' << p.color << ' '
            << p.name.str() << '\n';
    for (const tcamera& c : Cameras)
        out << "C " << c.name.str() << ' ' << c.zoom << ' ' << c.distance << ' ' << c.pitch << ' ' << c.yaw << ' '
            << c.translation << '\n';
    for (const tdeclare& d : DeclareLibrary) out << "D " << d.name.str() << ' ' << d.text.str() << '\n';
    for (const std::string& f : BatchFiles) out << "B " << f << '\n';
    const tscene& s = Scene;
    out << "S " << s.mtlFile << '|' << s.cameraSourceFile << '|' << s.lightsSourceFile << '|'
        << s.activeCameraName.str()
        << '|' << s.povSceneFile << '|' << s.povGeometryFile << '|' << s.povMaterialFile << '|' << s.udoFile << '|'
        << s.objFile << '|' << s.iniFile << '|' << s.renderImageFile << '|' << s.yafrayFile << ' '
        << s.extents.center << ' ' << s.fieldOfView << ' ' << s.backgroundColor << ' ' << int{s.orthographic}
        << int{s.loadFlag} << ' ' << s.cameraViewportWidth << 'x' << s.cameraViewportHeight << '\n';
    out << "current " << CurrentMaterialIndex << " head " << HeadlightIntensity << " back " << BackgroundMapName << ' '
        << BackgroundRotation << ' ' << Textures.count(BackgroundTexture) << '\n';
    return out.str();
}

std::string RecordsState() { return ModelState() + SideState(); }

// The lines of `state` but for those that begin with one of `left`.
std::string Without(const std::string& state, std::initializer_list<std::string_view> left) {
    std::istringstream in(state);
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (std::ranges::none_of(left, [&](std::string_view prefix) { return line.starts_with(prefix); }))
            kept += line + '\n';
    return kept;
}

// What the preview draws: the geometry, materials, groups, lights and
// placeholders (not the model's file name, the first line).
std::string PreviewState() {
    const std::string records = RecordsState();
    return Without(records.substr(records.find('\n') + 1), {"S ", "B ", "current ", "D ", "C ", "P "});
}

// What the boxes of the windows show: every control of the control table.
std::string BoxesState() {
    std::string out;
    for (const ControlInfo& row : ControlTable()) {
        out += row.name;
        out += ' ' + GetControlValue(row);
        std::visit(
            [&](const auto* c) {
                out += c->enabled ? " e" : " -", out += c->visible ? "v" : "-";
                using T = std::remove_cvref_t<decltype(*c)>;
                if constexpr (std::is_same_v<T, tedit> || std::is_same_v<T, tcombobox>) out += ' ' + c->text;
                if constexpr (std::is_same_v<T, tlabel> || std::is_same_v<T, tpanel>) out += ' ' + c->caption;
                if constexpr (std::is_same_v<T, tcombobox>)
                    for (std::size_t i = 0; i < c->Count(); ++i) out += '|' + c->Item(i);
                if constexpr (std::is_same_v<T, tlistbox>)
                    for (const std::string& item : c->items) out += '|' + item;
            },
            row.ref);
        out += '\n';
    }
    for (const std::string& item : Form1.HtmlListBox1.items) out += item + '\n';
    return out;
}

// ---- The windows the commands see ---------------------------------------------

// The preview: its textures, made with increasing names, and the records it
// was drawn from last.
class Windows : public MainHooks {
public:
    bool IsTexture(int32_t name) override { return Textures.count(name) != 0; }
    void DeleteTexture(int32_t name) override { Unlimited([name] { Textures.erase(name); }); }
    void CreatePreviewTexture(tmaterial& m) override {
        Unlimited([&] { Textures.insert(m.glTexture = nextTexture++); });
    }
    void BuildPreviewLists() override { Unlimited([this] { shown = PreviewState(); }); }
    std::string shown;
    int32_t nextTexture = 100;
};

// The answers of a user who says yes, takes a name with "2" added, and picks
// the file the dialog's filter asks for among those of the test.
class ScriptedPrompts : public Prompts {
public:
    void Show(MessageKind kind, std::string_view text) override {
        Unlimited([&] { shown.push_back({kind, std::string(text)}); });
    }
    Answer Ask(MessageKind kind, std::string_view text, const std::vector<Answer>& buttons) override {
        Show(kind, text);
        return std::ranges::find(buttons, Answer::Yes) != buttons.end() ? Answer::Yes : buttons.front();
    }
    bool Input(std::string_view, std::string_view, std::string& value) override {
        Unlimited([&] { value += "2"; });
        return true;
    }
    bool OpenFiles(const FileDialogRequest& request, std::vector<std::string>& files) override {
        Unlimited([&] {
            if (!preferred.empty()) {
                files = {preferred};
                return;
            }
            const std::string filter = LowerCase(request.filter);
            for (const auto& [pattern, file] : openFiles)
                if (filter.find(pattern) != std::string::npos) {
                    files = {file};
                    return;
                }
            files = {openFiles.back().second};
        });
        return true;
    }
    bool SaveFile(const FileDialogRequest& request, std::string& fileName) override {
        Unlimited([&] {
            const std::size_t star = request.filter.find("*.");
            std::string extension = star == std::string::npos ? ".txt" : request.filter.substr(star + 1, 4);
            for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            fileName = saveFolder + "/saved" + extension;
        });
        return true;
    }
    bool PickColor(int32_t& color) override {
        color = 0x3366CC;
        return true;
    }
    std::vector<RecordingPrompts::Shown> shown;
    std::vector<std::pair<std::string, std::string>> openFiles;  // pattern of the filter (lower case), file
    std::string preferred;  // the file every open dialog gives, when set
    std::string saveFolder;
};

// The records of the model, the windows and the preview, copied.
struct Snapshot {
    SavedModel model = SavedModel::Save();
    std::vector<tmap> cache = PreviewTextureCache;
    std::vector<tlight> lights = Lights, presetLights = PresetLights;
    std::vector<tlightpreset> lightPresets = LightPresets;
    std::vector<tplaceholder> placeholders = Placeholders;
    std::vector<tcamera> cameras = Cameras;
    std::vector<tdeclare> library = DeclareLibrary;
    std::vector<std::string> batch = BatchFiles;
    tscene scene = Scene;
    int32_t current = CurrentMaterialIndex;
    tform1 form1 = Form1;
    tsearchform2 search = searchForm2;
    tform2 form2 = Form2;
    tform3 form3 = Form3;
    tform4 form4 = Form4;
    tform5 form5 = Form5;
    tform6 form6 = Form6;
    tform7 form7 = Form7;
    tform8 form8 = Form8;
    tform9 form9 = Form9;
    std::set<int32_t> textures = Textures;

    // Every list freed first, so that each run allocates alike.
    void Put() const {
        ClearModel();
        VertexEdgeTable = tedgetable{}, UVEdgeTable = tedgetable{};
        model.Restore();
        const auto put = [](auto& list, const auto& kept) {
            std::remove_cvref_t<decltype(list)>().swap(list);
            list = kept;
        };
        put(PreviewTextureCache, cache), put(Lights, lights), put(PresetLights, presetLights);
        put(LightPresets, lightPresets), put(Placeholders, placeholders), put(Cameras, cameras);
        put(DeclareLibrary, library), put(BatchFiles, batch);
        Scene = scene;
        CurrentMaterialIndex = current;
        HeadlightIntensity = 1, BackgroundMapName.clear(), BackgroundRotation = 0, BackgroundTexture = 0;
        Form1 = form1, searchForm2 = search, Form2 = form2, Form3 = form3, Form4 = form4, Form5 = form5;
        Form6 = form6, Form7 = form7, Form8 = form8, Form9 = form9;
        Textures = textures;
        SeedRandom(7);
    }
};

// What a run leaves: the model, the other records and the boxes.
struct State {
    std::string model, side, boxes;
    bool operator==(const State&) const = default;
};

// A command as a row of the table: what is clicked, after what.
struct Row {
    std::string control;
    std::function<void()> setup = [] {};
    bool load = false;  // a load, which clears the model first
};

class WindowCommandsMemoryTest : public SceneTextMemoryTest {
protected:
    void SetUp() override {
        SceneTextMemoryTest::SetUp();
        SetProgramDirOverride((folder / "program").string());
        fs::create_directories(folder / "program");
        out = (folder / "out").string();
        fs::create_directories(out);
        Services s;
        s.window = &windows;
        s.prompts = &prompts;
        s.shell = &shell;
        s.help = &help;
        scope = std::make_unique<ScopedServices>(s);
        InstallSceneChecks();
        Commands().Clear();
        controllers = std::make_unique<Controllers>(ControllerPorts{host, help, dialogs});
        controllers->Register(Commands());
        dialogs.defaultResult = ModalResult::Ok;
        prompts.saveFolder = out;
        WriteFiles();
        MakeScene();
    }
    void TearDown() override {
        controllers.reset();
        Commands().Clear();
        scope.reset();
        SetProgramDirOverride("");
        ClearModel();
        ClearLights(), ClearCameras(), ClearPlaceholders(), ClearDeclareLibrary();
        LightPresets.clear(), PresetLights.clear(), BatchFiles.clear();
        SceneTextMemoryTest::TearDown();
    }

    // The model, its material library and maps, a Poser scene, a DAZ|Studio
    // light preset, a light probe, and a program that stands for POV-Ray.
    void WriteFiles() {
        std::string obj = "mtllib lib.mtl\n";
        for (int i = 0; i < 8; ++i) obj += "v " + std::to_string(i & 1) + ' ' + std::to_string(i >> 1 & 1) + ' ' +
                                           std::to_string(i >> 2) + "\nvt " + std::to_string(i & 1) + " 0.5\n";
        const char* faces[] = {"1 2 4 3", "5 7 8 6", "1 5 6 2", "3 4 8 7", "1 3 7 5", "2 6 8 4"};
        for (int f = 0; f < 6; ++f)
            obj += (f % 2 ? "" : "g part" + std::to_string(f / 2) + "\nusemtl mat" + std::to_string(f / 2) + "\n") +
                   std::string("f ") + faces[f] + "\n";
        model = Write("model.obj", obj);
        Write("lib.mtl", "newmtl mat0\nKd 1 0 0\nmap_Kd map.ppm\nnewmtl mat1\nKd 0 1 0\nmap_Bump bump.ppm\n"
                         "newmtl mat2\nKd 0 0 1\nKs 0.5 0.5 0.5\n");
        for (const char* map : {"map.ppm", "bump.ppm", "skin.ppm"}) Write(map, "P6\n2 2\n255\n" + std::string(12, 'A'));
        Write("other.mtl", "newmtl mat1\nKd 0.2 0.3 0.4\nmap_Kd skin.ppm\nnewmtl mat2\nd 0.5\n");
        Write("scene.pz3",
              "version\n{\nnumber 5\n}\nfigure\n{\nmaterial mat0\n{\nKdColor 0.5 0.5 0.5 1\ntextureMap "
              "\"Runtime:Textures:skin.ppm\"\n}\nmaterial mat2\n{\nKdColor 0.1 0.2 0.3 1\n}\n}\n"
              "camera MAIN_CAMERA\n{\nname MAIN_CAMERA\nchannels\n{\nfocal chan\n{\nkeys\n{\nk 0 50\n}\n}\n}\n}\n"
              "light L\n{\nname Sun\nchannels\n{\nkdIntensity chan\n{\nkeys\n{\nk 0 1\n}\n}\n}\nlightType 0\n"
              "lightOn 1\n}\ndoc\n{\nuseCamera MAIN_CAMERA\ndimensions 320 240\n}\n");
        Write("lights.ds", DazScript("Light", 2));
        std::string probe = "PF\n8 4\n-1.0\n";
        for (int i = 0; i < 8 * 4 * 3; ++i) {
            const float f = i == 40 ? 9.0f : 0.5f;
            probe.append(reinterpret_cast<const char*>(&f), 4);
        }
        Write("probe.pfm", probe);
        const std::string povray = Write("bin/povray", "#!/bin/sh\n");
        ::chmod(povray.c_str(), 0755);
        Form1.Edit52.text = povray;
        prompts.openFiles = {{"*.pfm", (folder / "probe.pfm").string()}, {"recognized", (folder / "other.mtl").string()},
                             {"*.pz3", (folder / "scene.pz3").string()}, {"*.ds", (folder / "lights.ds").string()},
                             {"*.ppm", (folder / "skin.ppm").string()},  {"", model}};
    }

    std::string Write(const std::string& name, const std::string& text) const {
        const fs::path p = folder / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    // The model loaded, and through the window's own commands three lights,
    // two light sets, two placeholders, two cameras and two entries of the
    // texture library; the material panel edited and not yet stored.
    void MakeScene() {
        ResetOptionsToDefaults();
        Form1.Edit52.text = (folder / "bin/povray").string();
        Form2.Edit1.text = out;
        Form3.Edit1.text = Form7.Edit1.text = model;
        Form3.Edit2.text = (folder / "scene.pz3").string();
        Form7.Edit2.text = folder.string();
        Form7.Edit3.text = (folder / "lights.ds").string();
        Form6.directory = folder.string();
        Commands().Run("Form1.N3DModel1");
        ASSERT_EQ(Scene.modelFile, model);
        for (int i = 0; i < 3; ++i) Commands().Run("Form1.Button4");
        Commands().Run("Form1.Button7");
        Commands().Run("Form1.Button2");
        Commands().Run("Form1.Button7");
        for (int i = 0; i < 2; ++i) Commands().Run("Form1.Button26"), Commands().Run("Form1.Button5");
        for (const char* text : {"pigment { rgb 1 }", "pigment { rgb x }"}) {
            Form1.Memo2.lines = {text};
            Commands().Run("Form1.ToolButton42");
        }
        Commands().Run("Form1.Button40");  // the light probe
        // A name longer than a short string holds, for the paste of its
        // material onto a shorter one.
        SceneMaterials[2].name = Form1.ListBox1.items[2] = "a_material_named_at_length";
        Form1.Panel1.color = 0x102030;
        Form1.Edit97.text = "30";
        Form1.Memo2.lines = {"pigment { rgb 0.5 }"};
        ASSERT_EQ(SceneMaterials.size(), 3u);
        ASSERT_EQ(Lights.size(), 2u);
        ASSERT_EQ(LightPresets.size(), 2u);
        ASSERT_EQ(DeclareLibrary.size(), 2u);
        prompts.shown.clear();
    }

    // In the child: the run with all the memory it needs, measured, then the
    // runs out of memory. Ends with status 0, or prints what went wrong and
    // ends with status 1.
    void Sweep(const Row& row) {
        const Snapshot snapshot;
        const auto now = [] { return State{ModelState(), SideState(), BoxesState()}; };
        State before;
        std::string problems;
        std::size_t memoryAt = 0;  // the boxes shown when a memory line was logged
        bool memoryLine = false;
        lines.onLine = [&](std::string_view line) {
            if (NoMemory(line) && !memoryLine) memoryLine = true, memoryAt = prompts.shown.size();
        };
        const auto run = [&](std::size_t room, std::size_t failing, bool full = false) {
            snapshot.Put();
            windows.nextTexture = snapshot.textures.empty() ? 1 : *snapshot.textures.rbegin() + 1;
            dialogs.shown.clear();
            prompts.shown.clear();
            prompts.shown.reserve(16);
            prompts.preferred.clear();
            row.setup();
            for (const auto& entry : fs::directory_iterator(out)) fs::remove_all(entry.path());
            if (before.model.empty()) before = now();
            windows.shown = PreviewState();
            memoryLine = false;
            levelBase = heapBytes, heapPeak = heapBytes.load(), levelCount = allocationCount = 0;
            measuring = room == NoLimit && failing == NoLimit;
            if (room != NoLimit) heapLimit = heapBytes + room;
            allocationsLeft = failing;
            stayFull = full;
            Commands().Run("Test.Click");
            heapLimit = allocationsLeft = NoLimit;
            stayFull = false;
            measuring = false;
            return now();
        };
        // The click, once the dispatcher has kept the records: where the
        // command itself begins to take memory.
        std::size_t keptBytes = 0, keptAllocations = 0;
        Commands().Add("Test.Click", [&] {
            if (measuring) keptBytes = heapBytes - levelBase, keptAllocations = allocationCount;
            Commands().Call(row.control);
        });
        const State completed = run(NoLimit, NoLimit);
        const std::vector<RecordingPrompts::Shown> boxes = prompts.shown;
        const std::size_t peak = std::max(heapPeak - levelBase, keptBytes), allocations = allocationCount;
        if (memoryLine) problems += "fails with all the memory it needs\n";
        // A few points in the keep, the others spread over the command: the
        // room up to its peak, just short of where it takes large blocks, and
        // one allocation failing alone.
        struct Limit {
            std::size_t room, failing;
            bool full = false;  // the memory stays used up after the first failure
        };
        std::vector<Limit> limits;
        const auto spread = [](std::size_t from, std::size_t to, std::size_t points, std::size_t k) {
            return from + (to - from) * k / points;
        };
        for (std::size_t k = 0; k < 4; ++k) limits.push_back({spread(0, keptBytes, 4, k), NoLimit});
        for (std::size_t k = 0; k <= 24; ++k) limits.push_back({spread(keptBytes, peak, 24, k), NoLimit});
        for (std::size_t i = 0, taken = 0; i < levelCount && taken < 16; i += std::max<std::size_t>(levelCount / 16, 1))
            if (levels[i] > keptBytes) limits.push_back({levels[i] - 1, NoLimit}), ++taken;
        for (std::size_t k = 0; k < 4; ++k) limits.push_back({NoLimit, spread(0, keptAllocations, 4, k)});
        const std::size_t own = allocations - keptAllocations;
        for (std::size_t k = 0; k < std::min<std::size_t>(own, 32); ++k)
            limits.push_back({NoLimit, keptAllocations + (own <= 32 ? k : spread(0, own, 32, k))});
        for (std::size_t k = 0; k < std::min<std::size_t>(own, 8); ++k)
            limits.push_back({NoLimit, keptAllocations + (own <= 8 ? k : spread(0, own, 8, k)), true});
        for (const auto& [room, failing, full] : limits) {
            if (!problems.empty()) break;
            const State state = run(room, failing, full);
            std::string wrong;
            std::size_t firstMemory = memoryLine ? memoryAt : prompts.shown.size();
            for (std::size_t i = 0; i < firstMemory; ++i)
                if (NoMemory(prompts.shown[i].text)) firstMemory = i;
            if (firstMemory == prompts.shown.size() && !memoryLine) {
                if (!(state == completed)) wrong += " completed otherwise:\n" + FirstDifference(completed, state);
                if (prompts.shown.size() != boxes.size()) wrong += " other boxes";
            } else {
                for (std::size_t i = 0; i < prompts.shown.size(); ++i)
                    if (i < firstMemory ? i >= boxes.size() || boxes[i].text != prompts.shown[i].text
                                        : !NoMemory(prompts.shown[i].text))
                        wrong += " the box \"" + prompts.shown[i].text + "\"";
                if (!row.load) {
                    if (!(state == before)) wrong += " changed:\n" + FirstDifference(before, state);
                } else {
                    // A load that failed may leave the model it cleared, or
                    // the model it loaded before a later step failed (a merge
                    // the model as it was), the rest as it was and the boxes
                    // showing the records.
                    if (state.model != before.model && state.model != completed.model && !SceneFaces.empty())
                        wrong += " the model changed:\n" + FirstDifference(before.model, state.model);
                    // The records that no model carries: lights, light sets,
                    // placeholders, cameras and the texture library.
                    const std::initializer_list<std::string_view> model = {"M ", "G ", "S ", "B ", "current "};
                    if (Without(state.side, model) != Without(before.side, model))
                        wrong += " changed:\n" + FirstDifference(Without(before.side, model), Without(state.side, model));
                    Unlimited([] {
                        FillMaterialList(), FillGroupList(), RefreshMaterialPanel(CurrentMaterialIndex);
                    });
                    // (With the memory used up nothing can be shown again.)
                    if (!full && state.boxes != before.boxes && BoxesState() != state.boxes)
                        wrong += " the boxes show other records";
                }
                if (!full && windows.shown != PreviewState()) wrong += " the preview shows other records";
            }
            for (const int32_t texture : Textures)
                if (texture != BackgroundTexture && std::ranges::none_of(SceneMaterials, [&](const tmaterial& m) {
                        return m.glTexture == texture;
                    }))
                    wrong += " texture " + std::to_string(texture) + " of no record";
            for (const auto& entry : fs::recursive_directory_iterator(folder))
                if (entry.path().filename().string().starts_with(".mirelan-"))
                    wrong += " left " + entry.path().filename().string();
            if (!wrong.empty())
                problems += "at " + std::to_string(std::min(room, failing)) +
                            (room != NoLimit ? " bytes:" : full ? " and on:" : ":") + wrong + "\n";
        }
        std::fprintf(stderr, "%s", problems.c_str());
        std::fflush(stderr);
        std::_Exit(problems.empty() ? 0 : 1);
    }

    // A message of a command that ran out of memory; not the line of a
    // scene check that did, after a command that went through.
    static bool NoMemory(std::string_view text) {
        return text.find("not enough memory") != std::string_view::npos ||
               (text.find("Not enough memory") != std::string_view::npos && !text.ends_with("to check the scene"));
    }

    static std::string FirstDifference(const State& a, const State& b) {
        return FirstDifference(a.model + a.side + a.boxes, b.model + b.side + b.boxes);
    }
    static std::string FirstDifference(const std::string& a, const std::string& b) {
        std::istringstream x(a), y(b);
        std::string p, q;
        while (std::getline(x, p) && std::getline(y, q))
            if (p != q) {
                // From a little before the first character that differs.
                std::size_t at = 0;
                while (at < p.size() && at < q.size() && p[at] == q[at]) ++at;
                at = at > 40 ? at - 40 : 0;
                return "  was ..." + p.substr(at, 120) + "\n  now ..." + q.substr(at, 120);
            }
        return "  one is longer";
    }

    std::string model, out;
    Windows windows;
    ScriptedPrompts prompts;
    RecordingShell shell;
    FakeHelp help;
    FakeHost host;
    RecordingDialogs dialogs;
    std::unique_ptr<ScopedServices> scope;
    std::unique_ptr<Controllers> controllers;
};

// The rows: every command once as the scene stands, and again where it does
// more after a choice of the user's.
std::vector<Row> Rows(const fs::path& folder) {
    const std::set<std::string> loads = {"Form1.N3DModel1",       "Form1.Button71",        "Form1.ComboBox15.Enter",
                                         "Form1.PoserScene1",     "Form1.DAZStudioScene1", "Form1.Batch1",
                                         "Form1.Merge3Dmodel1",   "Form1.Button20"};
    std::vector<Row> rows;
    for (const std::string& name : Commands().Names()) rows.push_back({name, [] {}, loads.contains(name)});
    const auto popup = [](const char* control) { return [control] { Form1.PopupComponent = control; }; };
    const auto open = [](ScriptedPrompts& prompts, std::string file) {
        return [&prompts, file] { prompts.preferred = file; };
    };
    ScriptedPrompts& prompts = static_cast<ScriptedPrompts&>(*Svc().prompts);
    const std::string scene = (folder / "scene.pz3").string();
    for (const char* control : {"ComboBox3", "Panel1", "Memo2"})
        rows.push_back({"Form1.Applythistoallmaterials1", popup(control)});
    rows.push_back({"Form1.Button23", [] {  // paste the material of the longer name
        Form1.ListBox1.index = 2;
        Commands().Run("Form1.Button22");
        Form1.ListBox1.index = 0;
    }});
    rows.push_back({"Form1.ListBox1", [] { Form1.ListBox1.index = 2; }});
    rows.push_back({"Form1.HtmlListBox1.AnchorClick", [] {
        Form1.HtmlListBox1.clickedItem = 1;
        Form1.HtmlListBox1.clickedAnchor = "visible";
    }});
    rows.push_back({"Form1.ToolButton14", open(prompts, scene)});  // a Poser scene's materials
    rows.push_back({"Form1.ComboBox1", [] {  // a colour for the background map shown
        Textures.insert(BackgroundTexture = 7777);
        BackgroundMapName = "sky.png";
        Form1.ComboBox1.index = 0;
    }});
    rows.push_back({"Form1.BitBtn8", open(prompts, (folder / "lights.ds").string())});
    rows.push_back({"Form1.ToolButton8", [folder] {  // maps found elsewhere
        SceneMaterials[0].colorMap = (folder / "gone/skin.ppm").string();
        SceneMaterials[1].bumpMap = (folder / "gone/bump.ppm").string();
        searchForm2.Memo1.lines = {folder.string()};
    }});
    return rows;
}

class WindowCommandsShard : public WindowCommandsMemoryTest, public testing::WithParamInterface<int> {};

constexpr int Shards = 8;

TEST_P(WindowCommandsShard, EveryCommandCompletesOrLeavesTheRecordsAndBoxesAsTheyWere) {
    // MIRELAN_COMMAND=Form1.Button4 runs the rows of that command alone.
    const char* const only = std::getenv("MIRELAN_COMMAND");
    const std::vector<Row> rows = Rows(folder);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (only ? rows[i].control != only : static_cast<int>(i % Shards) != GetParam()) continue;
        EXPECT_EXIT(Sweep(rows[i]), testing::ExitedWithCode(0), "^$") << rows[i].control << " (row " << i << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, WindowCommandsShard, testing::Range(0, Shards));

}  // namespace
