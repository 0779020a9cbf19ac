// The commands that change the model, clicked through the dispatcher and run
// out of memory at every point where they allocate: each completes, or
// leaves the model (with the lights, placeholders, selection and textures
// it works on) exactly as it was, shows the memory message, rebuilds the
// preview from the model and gives back the memory it took.
#include <set>

#include "model/StatusLog.h"
#include "model/VectorMath.h"
#include "tests/readers/memory/MemoryFixtures.h"
#include "ui/control/GroupsController.h"
#include "ui/control/MaterialsController.h"

namespace {

using namespace memtest;

std::set<int32_t> DeletedTextures;

std::string CommandState() {
    std::ostringstream out;
    out.precision(17);
    const auto vector = [&out](const tvector& v) { out << ' ' << v.x << ' ' << v.y << ' ' << v.z; };
    out << ModelState() << "current " << CurrentMaterialIndex << "\nlight";
    for (const tlight& l : Lights) vector(l.position), vector(l.pointAt);
    for (const tplaceholder& p : Placeholders) vector(p.size), vector(p.position), vector(p.rotation);
    for (const tmaterial& m : SceneMaterials)
        out << '\n' << int{m.selected} << ' ' << m.glTexture << DeletedTextures.count(m.glTexture);
    return out.str();
}

// The model the preview was built from last; the textures deleted; a ramp
// for the displacement.
class Windows : public WindowHooks, public PictureLoader {
public:
    void BuildPreviewLists() override { Unlimited([this] { shown = CommandState(); }); }
    bool IsTexture(int32_t name) override { return name > 0 && !DeletedTextures.contains(name); }
    void DeleteTexture(int32_t name) override { Unlimited([name] { DeletedTextures.insert(name); }); }
    bool LoadRGB(const std::string&, tpicture& picture) override {
        picture.width = picture.height = 16;
        for (int i = 0; i < 16 * 16 * 3; ++i) picture.rgb.push_back(static_cast<uint8_t>(i));
        return true;
    }
    std::string shown;
};

struct CommandCase {
    const char* what;
    const SavedModel& model;
    std::function<void()> options;
    const char* control;  // what is clicked
    std::string verb;     // of the message: "not enough memory to " + verb + " sphere.obj"
    // The status lines that begin the steps run out of memory; "": the click.
    std::vector<std::string> steps;
};

class ModelCommandMemoryTest : public SceneTextMemoryTest {
protected:
    void SetUp() override {
        SceneTextMemoryTest::SetUp();
        Svc().window = &windows;
        Svc().pictures = &windows;
        prompts.defaultAnswer = Answer::Yes;
        groups.Register(commands);
        materials.Register(commands);
        Write("ramp.png", "ramp");
    }

    // A sphere loaded without UVs, with smooth or flat normals, its faces on
    // shared vertices or on vertices of their own; groups and materials mixed.
    static SavedModel Sphere(bool faceted, bool ownVertices = false) {
        ClearModel();
        fixtures::AddSphere(16, 32);
        for (std::size_t i = 0; i < SceneFaces.size(); ++i)
            SceneFaces[i].group = static_cast<int32_t>(i / 7 % 3),
            SceneFaces[i].material = static_cast<int32_t>(i / 5 % 3);
        fixtures::EnsureGroup(2), fixtures::EnsureMaterial(2);
        if (ownVertices) OwnCopies(SceneVertices, &tface::vertex);
        CalcVertexNormals(NormalSum, faceted ? 0 : 35 * DegToRad);
        return SavedModel::Save();
    }

    void Prepare(const CommandCase& c) {
        ClearModel();  // no list keeps room from an earlier run
        VertexEdgeTable = tedgetable{}, UVEdgeTable = tedgetable{};
        c.model.Restore();
        DeletedTextures.clear();
        Scene.modelFile = (folder / "sphere.obj").string();
        Lights.assign(1, tlight{});
        Placeholders.assign(1, tplaceholder{});
        Lights[0].position = Placeholders[0].size = {1, 2, 3};
        Placeholders[0].position = {1, 0, 0};
        ResetOptionsToDefaults();
        Form1.Edit54.text = (folder / "ramp.png").string();
        c.options();
        prompts.shown.clear();
        prompts.shown.reserve(4);
        windows.shown = CommandState();
    }

    // The room in the lists, the tables the model needs and a few small
    // blocks: what a command that failed may leave taken.
    static std::size_t Room() {
        std::size_t room = 4 << 10;
        const auto spare = [&room](const auto& list) { room += (list.capacity() - list.size()) * sizeof(list[0]); };
        spare(SceneVertices), spare(SceneNormals), spare(SceneUVs), spare(SceneFaces), spare(SceneMaterials);
        const auto table = [&room](const tfacetable& t, std::size_t entries) {
            room += std::min(t.offsets.capacity() + t.faces.capacity(), entries) * sizeof(int32_t);
        };
        table(VertexFaceTable, SceneVertices.size() + 2 + 3 * SceneFaces.size());
        table(MaterialFaceTable, SceneMaterials.size() + 1 + SceneFaces.size());
        table(UVFaceTable, SceneUVs.size() + 2 + 3 * SceneFaces.size());
        return room;
    }

    // In the child, for each step: the command clicked once without a limit
    // to measure where, and how often, the step allocates; then with a limit
    // from the step's first line: the room to just short of each point where
    // it takes more, at a 16th of its peak and for a message only; and with
    // one of its allocations failing, at 32 points spread over them. Ends
    // with status 0, or prints what went wrong and ends with status 1.
    void Sweep(const CommandCase& c) {
        std::string problems, before;
        std::size_t start = 0, end = 0;
        const auto run = [&](const std::string& step, std::size_t room, std::size_t failing) {
            Prepare(c);
            before = windows.shown;
            start = heapBytes;
            bool reached = false;
            lines.onLine = [&](std::string_view line) {
                if (reached || !line.starts_with(step)) return;
                reached = true;
                levelBase = heapBytes, heapPeak = heapBytes.load(), levelCount = allocationCount = 0;
                measuring = room == NoLimit && failing == NoLimit;
                if (room != NoLimit) heapLimit = heapBytes + room;
                allocationsLeft = failing;
            };
            // The click's step begins in the handler, once the dispatcher
            // has kept what the command may change.
            commands.Add("Click", [&] {
                if (step.empty()) lines.onLine("");
                commands.Call(c.control);
            });
            commands.Run("Click");
            heapLimit = allocationsLeft = NoLimit;
            measuring = false;
            end = heapBytes;
            lines.onLine = nullptr;
            std::erase_if(prompts.shown, [](const auto& box) { return box.kind != MessageKind::Error; });
            return reached ? CommandState() : before;
        };
        for (const std::string& step : c.steps) {
            const std::string after = run(step, NoLimit, NoLimit);
            const std::size_t peak = heapPeak - levelBase, allocations = allocationCount;
            if (!prompts.shown.empty() || after == before) problems += step + ": not reached\n";
            std::vector<std::pair<std::size_t, std::size_t>> limits{{4 << 10, NoLimit}};
            for (std::size_t i = 0; i < levelCount; ++i) limits.emplace_back(levels[i] - 1, NoLimit);
            for (std::size_t k = 1; k < 16; ++k) limits.emplace_back(peak * k / 16, NoLimit);
            for (std::size_t k = 0; k < 32; ++k) limits.emplace_back(NoLimit, allocations * k / 32);
            int failures = 0;
            for (const auto& [room, failing] : limits) {
                if (!problems.empty()) break;
                const std::string state = run(step, room, failing), message = NoMemory(c.verb);
                std::string wrong;
                if (prompts.shown.empty()) {
                    if (state != after) wrong += " the command completed otherwise";
                } else {
                    ++failures;
                    if (prompts.shown.size() != 1 || prompts.shown[0].text != message)
                        wrong += " the box \"" + prompts.shown.back().text + "\"";
                    if (state != before) wrong += " the model changed";
                    if (windows.shown != state) wrong += " the preview shows another model";
                    if (end > start + Room()) wrong += " " + std::to_string(end - start - Room()) + " bytes kept";
                }
                if (!wrong.empty())
                    problems += step + " at " + std::to_string(std::min(room, failing)) +
                                (room != NoLimit ? " bytes:" : ":") + wrong + "\n";
            }
            if (failures == 0) problems += step + ": never ran out of memory\n";
        }
        std::fprintf(stderr, "%s", problems.c_str());
        std::_Exit(problems.empty() ? 0 : 1);
    }

    static std::string NoMemory(const std::string& verb) { return "not enough memory to " + verb + " sphere.obj"; }

    Windows windows;
    Dispatcher commands;
    GroupsController groups;
    RecordingDialogs dialogs;
    MaterialsController materials{dialogs};
};

const std::string Rebuild = "Rebuilding Display List...", Normals = "Calculating normals...";

// A subdivision puts its faces in place, then makes their normals.
TEST_F(ModelCommandMemoryTest, ASubdivisionThatRunsOutOfMemoryLeavesTheModelAsItWas) {
    const SavedModel sphere = Sphere(false), faceted = Sphere(true);
    const auto subdivide = [](bool flat) {
        return [flat] {
            Form1.PageControl6.active = 1, Form1.RadioButton6.checked = flat, Form1.RadioButton7.checked = !flat;
        };
    };
    for (const SavedModel* model : {&sphere, &faceted})
        for (const bool flat : {false, true}) {
            const CommandCase c{"", *model, subdivide(flat), "Form1.ToolButton23", "subdivide", {"", Normals, Rebuild}};
            EXPECT_EXIT(Sweep(c), testing::ExitedWithCode(0), "^$") << (model == &sphere) << flat;
        }
}

// The transform with the steps after it (its report line, the weld, split
// and normals, lights and placeholders moved along), the displacement, the
// ribbons, the regroupings and the UV remapping (projection, weld, transform
// of the UVs, weld).
TEST_F(ModelCommandMemoryTest, EveryOtherCommandThatRunsOutOfMemoryLeavesTheModelAsItWas) {
    const SavedModel sphere = Sphere(false), faceted = Sphere(true);
    Sphere(true, true);
    fixtures::AddPolyline(5, 0.1);  // renumbered by the weld
    const SavedModel separate = SavedModel::Save();
    Sphere(false);
    fixtures::AddPolyline(40, 0.1, 1, 2);
    for (std::size_t i = 0; i < SceneMaterials.size(); ++i) SceneMaterials[i].glTexture = static_cast<int32_t>(i + 1);
    const SavedModel lined = SavedModel::Save();
    ClearModel();
    fixtures::AddGrid(12, 12, 0.1);
    CalcVertexNormals(NormalSum, 35 * DegToRad);
    const SavedModel grid = SavedModel::Save();
    const std::string rule(RuleLine);  // after the question whether to go on
    const CommandCase cases[] = {
        {"a scale", sphere, [] { Form1.Edit4.text = Form1.Edit5.text = Form1.Edit6.text = "2"; },
         "Form1.ToolButton23", "transform", {"", Rebuild}},
        {"a mirror", sphere,
         [] {
             Form1.Edit4.text = "-1", Form1.Edit57.text = "0";  // flat: the faces' normals change
             Form1.CheckBox32.checked = Form1.CheckBox23.checked = Form1.CheckBox57.checked = true;
         },
         "Form1.ToolButton23", "transform",
         {"", Normals, "Transforming lights...", "Transforming Placeholders...", Rebuild}},
        {"a weld", separate, [] { Form1.CheckBox24.checked = Form1.CheckBox32.checked = true; }, "Form1.ToolButton23",
         "transform", {"", Normals, Rebuild}},
        {"a split", faceted, [] { Form1.CheckBox15.checked = true; }, "Form1.ToolButton23", "transform", {"", Rebuild}},
        {"a displacement", grid, [] { Form1.PageControl6.active = 2; }, "Form1.ToolButton23", "displace",
         {"", "Recalculating normals", Rebuild}},
        {"ribbons", lined, [] { Form1.CheckBox13.checked = true; }, "Form1.Button12", "convert the lines of",
         {"", Rebuild}},
        {"Materials -> Groups", lined, [] {}, "Form1.MaterialsGroups1", "regroup", {rule, "Assinging new groups"}},
        {"Materials && Groups -> Groups", lined, [] {}, "Form1.MaterialsGroupsMaterials1", "regroup",
         {rule, "Erasing old groups..."}},
        {"Groups -> Materials", lined, [] {}, "Form1.GroupsMaterials1", "regroup", {rule, "Regrouping geometry"}},
        {"Groups && Materials -> Materials", lined, [] { Form1.ListBox1.index = 5; },
         "Form1.GroupsMaterialsMaterials1", "regroup", {rule, "Regrouping geometry"}},
        {"Remap UV", lined,
         [] {
             Form1.PageControl2.active = 2, Form1.ComboBox16.index = 1, Form1.ListBox1.index = 1;
             Form1.Edit105.text = "1", Form1.Edit50.text = "2", Form1.CheckBox5.checked = true;
         },
         "Form1.ToolButton4", "remap the UVs of", {"", "Transforming UV coords...", Rebuild}},
    };
    for (const CommandCase& c : cases) EXPECT_EXIT(Sweep(c), testing::ExitedWithCode(0), "^$") << c.what;
}

}  // namespace
