// The commands that change the model, clicked through the dispatcher and
// run out of memory at every point where they take more: each either
// completes, or leaves the model (and the lights, placeholders and
// selection it works on) exactly as it was, with the memory message in an
// error box and the preview built from the model as it stands.
#include <set>

#include "model/StatusLog.h"
#include "model/VectorMath.h"
#include "tests/readers/memory/MemoryFixtures.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/GroupsController.h"
#include "ui/control/MaterialsController.h"

namespace {

using namespace memtest;

// The preview textures deleted so far.
std::set<int32_t> DeletedTextures;

// The model and what the commands move along with it or narrow, and the
// materials' preview textures.
std::string CommandState() {
    std::ostringstream out;
    out.precision(17);
    out << ModelState();
    const auto vector = [&out](const tvector& v) { out << ' ' << v.x << ' ' << v.y << ' ' << v.z; };
    for (const tlight& l : Lights) out << "light", vector(l.position), vector(l.pointAt), out << '\n';
    for (const tplaceholder& p : Placeholders)
        out << "placeholder", vector(p.size), vector(p.position), vector(p.rotation), out << '\n';
    out << "current material " << CurrentMaterialIndex << '\n';
    for (const tmaterial& m : SceneMaterials)
        out << int{m.selected} << ' ' << m.glTexture << (DeletedTextures.contains(m.glTexture) ? " deleted\n" : "\n");
    return out.str();
}

// Runs `f` outside the limits and the measure, the limit moved by what `f`
// leaves allocated.
template <typename F>
void Unlimited(F&& f) {
    const std::size_t limit = heapLimit, bytes = heapBytes, left = allocationsLeft;
    const bool measured = measuring;
    heapLimit = allocationsLeft = NoLimit;
    measuring = false;
    f();
    levelBase += heapBytes - bytes;
    measuring = measured;
    allocationsLeft = left;
    if (limit != NoLimit) heapLimit = limit + heapBytes - bytes;
}

// A preview that remembers the model it was built from last, and the
// textures it deleted.
class PreviewOfModel : public WindowHooks {
public:
    void BuildPreviewLists() override {
        Unlimited([this] { shown = CommandState(); });
    }
    bool IsTexture(int32_t name) override { return name > 0 && !DeletedTextures.contains(name); }
    void DeleteTexture(int32_t name) override {
        Unlimited([name] { DeletedTextures.insert(name); });
    }
    std::string shown;
};

// A grey ramp for the displacement.
class RampPictures : public PictureLoader {
public:
    bool LoadRGB(const std::string&, tpicture& picture) override {
        picture.width = picture.height = 16;
        for (int i = 0; i < 16 * 16 * 3; ++i) picture.rgb.push_back(static_cast<uint8_t>(i));
        return true;
    }
};

struct CommandCase {
    const char* what;
    std::function<void()> prepare;  // the model and the options
    const char* control;            // what is clicked
    const char* message;            // the box when the memory runs out
    // The status lines that begin the steps run out of memory ("": the
    // whole command).
    std::vector<std::string> steps = {""};
};

class ModelCommandMemoryTest : public SceneTextMemoryTest {
protected:
    void SetUp() override {
        SceneTextMemoryTest::SetUp();
        Svc().window = &preview;
        Svc().pictures = &pictures;
        prompts.defaultAnswer = Answer::Yes;
        groups.Register(commands);
        materials.Register(commands);
        Write("ramp.png", "ramp");
    }

    // The sphere of a file loaded without UVs (smooth normals), or with flat
    // faces (a normal of their own at each corner), `ownVertices` each on
    // vertices of its own; groups and materials mixed.
    SavedModel Sphere(bool faceted, bool ownVertices = false) {
        ClearModel();
        fixtures::AddSphere(16, 32);
        for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
            SceneFaces[i].group = static_cast<int32_t>(i / 7 % 3);
            SceneFaces[i].material = static_cast<int32_t>(i / 5 % 3);
        }
        fixtures::EnsureGroup(2);
        fixtures::EnsureMaterial(2);
        if (ownVertices) OwnCopies(SceneVertices, &tface::vertex);
        CalcVertexNormals(NormalSum, faceted ? 0 : 35 * DegToRad);
        return SavedModel::Save();
    }

    // The model, the options and what the user has besides.
    void Prepare(const SavedModel& model, const std::function<void()>& options) {
        ClearModel();  // no list keeps room from an earlier run
        for (tedgetable* table : {&VertexEdgeTable, &UVEdgeTable}) *table = tedgetable{};
        model.Restore();
        DeletedTextures.clear();
        Scene.modelFile = (folder / "sphere.obj").string();
        Lights.assign(1, tlight{});
        NewLight(Lights[0]);
        Lights[0].position = {1, 2, 3};
        Placeholders.assign(1, tplaceholder{});
        NewPlaceholder(Placeholders[0]);
        Placeholders[0].size = {1, 2, 3};
        Placeholders[0].position = {1, 0, 0};
        ResetOptionsToDefaults();
        Form1.Edit54.text = (folder / "ramp.png").string();
        options();
    }

    // The room in the model's lists, the tables over them and a few small
    // blocks (the lines of the lists shown, the message): what a command
    // that failed may leave taken.
    static std::size_t Room() {
        std::size_t room = 4 << 10;
        const auto spare = [&room](const auto& list) { room += (list.capacity() - list.size()) * sizeof(list[0]); };
        spare(SceneVertices), spare(SceneNormals), spare(SceneUVs), spare(SceneFaces);
        spare(SceneGroups), spare(SceneMaterials), spare(LineSegments);
        const auto table = [&room](const tfacetable& t, std::size_t keys, std::size_t entries) {
            room += std::min(t.offsets.capacity() + t.faces.capacity(), keys + 1 + entries) * sizeof(int32_t);
        };
        table(VertexFaceTable, SceneVertices.size() + 1, 3 * SceneFaces.size());
        table(MaterialFaceTable, SceneMaterials.size(), SceneFaces.size());
        table(UVFaceTable, SceneUVs.size() + 1, 3 * SceneFaces.size());
        return room;
    }

    // In the child, for each step of the command (from the click, or from
    // the status line that begins it): the command clicked once without a
    // limit, to measure where the step takes more memory and how often it
    // allocates; then with the room from the step's beginning to just short
    // of each such point, at steps of a 16th of its peak and with room for
    // the message only; then with one allocation failing, at 32 points
    // spread over the step's allocations. Ends with status 0, or prints what
    // went wrong and ends with status 1.
    void Sweep(const CommandCase& c) {
        std::string before, problems;
        std::size_t start = 0, end = 0;
        bool reached = false;
        const auto run = [&](const std::string& step, std::size_t room, std::size_t failing) {
            c.prepare();
            prompts.shown.clear();
            prompts.shown.reserve(4);
            preview.shown = before = CommandState();
            start = heapBytes;
            reached = false;
            const auto begin = [&] {
                reached = true;
                levelBase = heapBytes;
                heapPeak = heapBytes.load();
                levelCount = allocationCount = 0;
                measuring = room == NoLimit && failing == NoLimit;
                if (room != NoLimit) heapLimit = heapBytes + room;
                allocationsLeft = failing;
            };
            lines.onLine = [&](std::string_view line) {
                if (!reached && line.starts_with(step)) begin();
            };
            if (step.empty()) begin();
            commands.Run(c.control);
            heapLimit = allocationsLeft = NoLimit;
            measuring = false;
            end = heapBytes;
            lines.onLine = nullptr;
            std::erase_if(prompts.shown, [](const auto& box) { return box.kind != MessageKind::Error; });
            return CommandState();
        };
        for (const std::string& step : c.steps) {
            const std::string after = run(step, NoLimit, NoLimit);
            const std::size_t peak = heapPeak - levelBase, allocations = allocationCount;
            if (!prompts.shown.empty() || after == before || !reached) problems += step + ": not reached\n";
            std::vector<std::pair<std::size_t, std::size_t>> limits{{4 << 10, NoLimit}};
            for (std::size_t i = 0; i < levelCount; ++i) limits.emplace_back(levels[i] - 1, NoLimit);
            for (std::size_t k = 1; k < 16; ++k) limits.emplace_back(peak * k / 16, NoLimit);
            for (std::size_t k = 0; k < 32; ++k) limits.emplace_back(NoLimit, allocations * k / 32);
            int failures = 0;
            for (const auto& [room, failing] : limits) {
                if (!problems.empty()) break;
                const std::string state = run(step, room, failing);
                std::string wrong;
                if (prompts.shown.empty()) {
                    if (state != after) wrong += " the command completed otherwise";
                } else {
                    ++failures;
                    if (prompts.shown.size() != 1 || prompts.shown[0].text != c.message)
                        wrong += " the box \"" + prompts.shown.back().text + "\"";
                    if (state != before) wrong += " the model changed";
                    if (preview.shown != state) wrong += " the preview shows another model";
                    if (end > start + Room()) wrong += " " + std::to_string(end - start - Room()) + " bytes kept";
                }
                if (!wrong.empty())
                    problems += step + (room != NoLimit ? " with " + std::to_string(room) + " bytes:"
                                                        : " with allocation " + std::to_string(failing) + " failing:") +
                                wrong + "\n";
            }
            if (failures == 0) problems += step + ": never ran out of memory\n";
        }
        std::fprintf(stderr, "%s", problems.c_str());
        std::fflush(stderr);
        std::_Exit(problems.empty() ? 0 : 1);
    }

    PreviewOfModel preview;
    RampPictures pictures;
    Dispatcher commands;
    GroupsController groups;
    RecordingDialogs dialogs;
    MaterialsController materials{dialogs};
};

// A subdivision puts its faces in place, then makes their normals: running
// out of memory in either leaves the sphere as it was, its normals too.
TEST_F(ModelCommandMemoryTest, ASubdivisionThatRunsOutOfMemoryLeavesTheModelAsItWas) {
    const SavedModel sphere = Sphere(false), faceted = Sphere(true);
    const auto subdivide = [&](const SavedModel& model, bool flat) {
        return [&model, flat, this] {
            Prepare(model, [flat] {
                Form1.PageControl6.active = 1;
                Form1.RadioButton6.checked = flat;
                Form1.RadioButton7.checked = !flat;
            });
        };
    };
    const char* const message = "not enough memory to subdivide sphere.obj";
    const std::vector<std::string> steps = {"", "Calculating normals...", "Rebuilding Display List..."};
    const CommandCase cases[] = {
        {"a smooth subdivision", subdivide(sphere, false), "Form1.ToolButton23", message, steps},
        {"a flat subdivision", subdivide(sphere, true), "Form1.ToolButton23", message, steps},
        {"a smooth subdivision of flat faces", subdivide(faceted, false), "Form1.ToolButton23", message, steps},
        {"a flat subdivision of flat faces", subdivide(faceted, true), "Form1.ToolButton23", message, steps},
    };
    for (const CommandCase& c : cases) EXPECT_EXIT(Sweep(c), testing::ExitedWithCode(0), "^$") << c.what;
}

// The other tools of the geometry page: the transform (with its report
// line after it), and the weld, split and normals after it, moving lights
// and placeholders along; the displacement.
TEST_F(ModelCommandMemoryTest, AGeometryToolThatRunsOutOfMemoryLeavesTheModelAsItWas) {
    const SavedModel sphere = Sphere(false), faceted = Sphere(true);
    Sphere(true, true);
    fixtures::AddPolyline(5, 0.1);  // renumbered by the weld
    const SavedModel separate = SavedModel::Save();
    ClearModel();
    fixtures::AddGrid(12, 12, 0.1);
    CalcVertexNormals(NormalSum, 35 * DegToRad);
    const SavedModel grid = SavedModel::Save();
    const auto tool = [this](const SavedModel& model, std::function<void()> options) {
        return [&model, options, this] { Prepare(model, options); };
    };
    const auto scale = [] { Form1.Edit4.text = Form1.Edit5.text = Form1.Edit6.text = "2"; };
    const char* const transform = "not enough memory to transform sphere.obj";
    const std::string rebuild = "Rebuilding Display List...", normals = "Calculating normals...";
    const CommandCase cases[] = {
        {"a scale", tool(sphere, scale), "Form1.ToolButton23", transform, {"", rebuild}},
        {"a mirror with normals, lights and placeholders",
         tool(sphere,
              [] {
                  Form1.Edit4.text = "-1";
                  Form1.Edit57.text = "0";  // flat: the faces' normals change
                  Form1.CheckBox32.checked = Form1.CheckBox23.checked = Form1.CheckBox57.checked = true;
              }),
         "Form1.ToolButton23", transform,
         {"", normals, "Transforming lights...", "Transforming Placeholders...", rebuild}},
        {"a weld with normals", tool(separate, [] { Form1.CheckBox24.checked = Form1.CheckBox32.checked = true; }),
         "Form1.ToolButton23", transform, {"", normals, rebuild}},
        {"a split", tool(faceted, [] { Form1.CheckBox15.checked = true; }), "Form1.ToolButton23", transform,
         {"", rebuild}},
        {"a displacement", tool(grid, [] { Form1.PageControl6.active = 2; }), "Form1.ToolButton23",
         "not enough memory to displace sphere.obj", {"", "Recalculating normals", rebuild}},
    };
    for (const CommandCase& c : cases) EXPECT_EXIT(Sweep(c), testing::ExitedWithCode(0), "^$") << c.what;
}

// The ribbons, the four regroupings and the UV remapping (a projection, its
// weld, a transform of the UVs and another weld).
TEST_F(ModelCommandMemoryTest, ACommandOfTheGroupsOrUVsThatRunsOutOfMemoryLeavesTheModelAsItWas) {
    Sphere(false);
    fixtures::AddPolyline(40, 0.1, 1, 2);
    fixtures::AddPolyline(30, 0.2, 2, 1);
    for (std::size_t i = 0; i < SceneMaterials.size(); ++i) SceneMaterials[i].glTexture = static_cast<int32_t>(i + 1);
    const SavedModel model = SavedModel::Save();
    const auto with = [&](std::function<void()> options) {
        return [&model, options, this] { Prepare(model, options); };
    };
    const auto none = [] {};
    const char* const regroup = "not enough memory to regroup sphere.obj";
    const std::string rule(RuleLine);  // after the question whether to go on
    const CommandCase cases[] = {
        {"ribbons", with([] { Form1.CheckBox13.checked = true; }), "Form1.Button12",
         "not enough memory to convert the lines of sphere.obj", {"", "Rebuilding Display List..."}},
        {"Materials -> Groups", with(none), "Form1.MaterialsGroups1", regroup, {rule, "Assinging new groups"}},
        {"Materials && Groups -> Groups", with(none), "Form1.MaterialsGroupsMaterials1", regroup,
         {rule, "Erasing old groups..."}},
        {"Groups -> Materials", with(none), "Form1.GroupsMaterials1", regroup, {rule, "Regrouping geometry"}},
        {"Groups && Materials -> Materials", with([] { Form1.ListBox1.index = 5; }),
         "Form1.GroupsMaterialsMaterials1", regroup, {rule, "Regrouping geometry"}},
        {"Remap UV",
         with([] {
             Form1.PageControl2.active = 2;
             Form1.ComboBox16.index = 1;
             Form1.Edit105.text = "1";
             Form1.Edit50.text = "2";
             Form1.CheckBox5.checked = true;
             Form1.ListBox1.index = 1;
         }),
         "Form1.ToolButton4", "not enough memory to remap the UVs of sphere.obj",
         {"", "Transforming UV coords...", "Rebuilding Display List..."}},
    };
    for (const CommandCase& c : cases) EXPECT_EXIT(Sweep(c), testing::ExitedWithCode(0), "^$") << c.what;
}

}  // namespace
