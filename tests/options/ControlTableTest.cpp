// The value every control shows when a window first opens, listed here by
// hand and apart from the control table, checked against the table and the
// records after ResetOptionsToDefaults.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "options/ControlTable.h"
#include "options/Options.h"

namespace {

// One control a line: "Form.Name" alone (no value: spin buttons), or
// "Form.Name = value", optionally followed by "| caption". Values as
// GetControlValue gives them: 1/0 for check boxes and radio buttons, the text
// of an edit (an empty text is written as nothing after "="), the selected
// index of a combo or list box, the up-down position, the colour of a swatch.
const char* const kExpected = R"(
Form1.PageControl1 = 0
Form1.PageControl2 = 0
Form1.PageControl5 = 0
Form1.PageControl6 = 0
Form1.Panel8
Form1.Label139 | No warnings
Form1.Label160 | Ready
Form1.CheckBox26 = 1 | Reorient 3DS and DXF models
Form1.Edit95 = 35
Form1.ComboBox26 = 0
Form1.ComboBox15 = -1
Form1.CheckBox34 = 0 | Mirelan is running using Wine 
Form1.Label168
Form1.Label159 | 3D model to POV-Ray/Moray converter
Form1.Label90
Form1.Label94
Form1.Label143 | Background: 
Form1.ComboBox1 = 0
Form1.CheckBox37 = 1 | Display axis
Form1.CheckBox35 = 0 | Display vertex normals
Form1.CheckBox42 = 1 | Draw double sided
Form1.CheckBox4 = 1 | Show maps
Form1.ComboBox4 = 0
Form1.CheckBox52 = 0 | Grid
Form1.Edit65 = 2
Form1.UpDown5 = 2
Form1.Edit66 = 2
Form1.UpDown6 = 2
Form1.Label148
Form1.Edit24 = 128
Form1.Edit25 = 128
Form1.UpDown3 = 7
Form1.UpDown4 = 7
Form1.CheckBox47 = 1 | Transparency
Form1.CheckBox3 = 1 | Enable Preview
Form1.CheckBox70 = 0 | Horizon
Form1.Label147
Form1.CheckBox72 = 1 | Apply mats to both sides
Form1.CheckBox8 = 0 | Show ground normal to y
Form1.Label146 | Height:
Form1.Edit36 = 0
Form1.SpinButton16
Form1.Label151 = 16777215
Form1.CheckBox27 = 1 | Reflections
Form1.CheckBox71 = 0 | cutoff:
Form1.Edit26 = 0.5
Form1.Edit70 = 0
Form1.UpDown8 = 0
Form1.CheckBox55 = 0 | Show lines
Form1.Label170
Form1.ComboBox7 = -1
Form1.ComboBox9 = 0
Form1.Edit79 =
Form1.Edit72 = 0
Form1.Edit73 = 0
Form1.Edit75 = 0
Form1.Edit76 = 0
Form1.Edit77 = 0
Form1.Edit78 = 0
Form1.Edit83 = 0
Form1.Edit84 = 0
Form1.Edit85 = 0
Form1.Label132
Form1.Label133
Form1.Label134
Form1.SpinButton7
Form1.SpinButton8
Form1.SpinButton9
Form1.SpinButton10
Form1.SpinButton11
Form1.SpinButton12
Form1.SpinButton13
Form1.SpinButton14
Form1.SpinButton15
Form1.CheckBox56 = 0 | Lock ratio
Form1.CheckBox61 = 1 | Display placeholders
Form1.Label149
Form1.ComboBox8 = -1
Form1.ComboBox21 = 0
Form1.CheckBox9 = 0 | No perspective
Form1.Edit34 = 0
Form1.Edit35 = 0
Form1.SpinButton17
Form1.SpinButton18
Form1.CheckBox25 = 0 | Use focal blur
Form1.CheckBox54 = 1 | Show focus limits
Form1.CheckBox30 = 0 | Stay on top
Form1.Edit87 = 640
Form1.Edit110 = 480
Form1.Panel4
Form1.Edit14 = 20
Form1.Edit15 = 0
Form1.Edit16 = 0
Form1.Edit17 = 0
Form1.Edit18 = 0
Form1.Edit19 = 0
Form1.Edit20 = 0
Form1.CheckBox53 = 1 | Show light pos
Form1.CheckBox33 = 1 | Lighting on
Form1.Edit49 = 100
Form1.Edit67 = 1.0
Form1.ComboBox2 = -1
Form1.Edit81 = 100
Form1.CheckBox6 = 1 | Shadow
Form1.Edit80 =
Form1.Edit62 = 0.1
Form1.ComboBox25 = 0
Form1.Edit37 = 45
Form1.Edit53 = 0
Form1.SpinButton1
Form1.SpinButton2
Form1.Edit27 = 50
Form1.UpDown11 = 50
Form1.Edit28 = 20
Form1.UpDown9 = 20
Form1.Edit69 = 1
Form1.Edit94 = 1
Form1.Edit107 = 1
Form1.Edit38 = 0
Form1.Edit39 = 0
Form1.Edit40 = 0
Form1.SpinButton3
Form1.SpinButton4
Form1.SpinButton5
Form1.SpinButton6
Form1.SpinButton19
Form1.SpinButton20
Form1.Label150 = 16777215
Form1.Edit3 = 0.1
Form1.Edit30 = 9
Form1.UpDown1 = 3
Form1.CheckBox14 = 1 | Jitter shadow
Form1.ComboBox13 = -1
Form1.Panel1 | Color
Form1.Panel3 | Ambient
Form1.Panel7 | Specular
Form1.Edit97 = 0
Form1.UpDown12 = 0
Form1.ComboBox3 = -1
Form1.Label6
Form1.Edit109 = 0
Form1.UpDown14 = 0
Form1.Edit96 = 0
Form1.UpDown10 = 0
Form1.Edit108 = 0
Form1.UpDown13 = 0
Form1.CheckBox7 = 0 | Metallic
Form1.CheckBox81 = 0 | Cartoon 
Form1.CheckBox82 = 1 | Cartoon + highlights
Form1.ComboBox18 = -1
Form1.Label58
Form1.Edit10 = 1.0
Form1.ComboBox19 = -1
Form1.Label68
Form1.CheckBox64 = 0 | Invert mapping
Form1.Label96 | Transparent
Form1.Label101 | Opaque
Form1.CheckBox10 = 0 | Active
Form1.Label95 | #declare mat=
Form1.Memo2 =
Form1.Edit91 = 1024
Form1.Edit93 = 1024
Form1.CheckBox2 = 0 | Work on all materials
Form1.CheckBox18 = 0 | Transpose UV
Form1.Edit41 = 1
Form1.Edit50 = 1
Form1.Edit42 = 0
Form1.Edit51 = 0
Form1.CheckBox43 = 0 | Clip to [0,1]
Form1.CheckBox5 = 0 | Weld UV coords.
Form1.ComboBox16 = 0
Form1.Edit99 = 0
Form1.Edit105 = 0
Form1.Edit106 = 1
Form1.Label138 | Axis (x,y,z):
Form1.ComboBox20 = 0
Form1.CheckBox36 = 1 | Show thumbs
Form1.CheckBox40 = 1 | Auto update
Form1.CheckBox39 = 0 | Resize:
Form1.Edit59 = 512
Form1.Edit60 = 512
Form1.ListBox1 = -1
Form1.CheckBox62 = 0 | Reset camera after update
Form1.Edit4 = 1
Form1.Edit5 = 1
Form1.Edit6 = 1
Form1.Edit31 = 0
Form1.Edit32 = 0
Form1.Edit33 = 0
Form1.Edit7 = 0
Form1.Edit8 = 0
Form1.Edit9 = 0
Form1.RadioButton1 = 1 | No axis flip
Form1.RadioButton13 = 0 | Flip X-Y axis
Form1.RadioButton14 = 0 | Flip X-Z axis 
Form1.RadioButton15 = 0 | Flip Y-Z axis 
Form1.CheckBox23 = 0 | Transform lights
Form1.CheckBox57 = 0 | Transform placeholders
Form1.Edit88 = 0
Form1.Edit89 = 0
Form1.Edit92 = 0
Form1.CheckBox32 = 0 | Calculate normals.  Crease angle (deg) =
Form1.Edit57 = 35
Form1.UpDown7 = 35
Form1.CheckBox24 = 0 | Weld vertices. Tolerance=
Form1.Edit58 = 0.000001
Form1.CheckBox15 = 0 | Split faces by crease angle
Form1.RadioButton22 = 0 | By current crease angle
Form1.RadioButton23 = 0 | By group
Form1.RadioButton24 = 0 | By material
Form1.CheckBox17 = 0 | Flip Normals
Form1.CheckBox38 = 0 | Reverse vertex winding
Form1.ComboBox23 = 1
Form1.RadioButton6 = 0 | Flat
Form1.RadioButton7 = 1 | Smooth (Loop's algorithm)
Form1.CheckBox77 = 1 | Smooth mesh edges
Form1.CheckBox78 = 0 | Keep mesh creases
Form1.CheckBox80 = 1 | Only work on subdivision faces (if present)
Form1.CheckBox12 = 1 | Smooth material boundaries
Form1.CheckBox79 = 0 | Smooth UV edges
Form1.CheckBox28 = 1 | Only work on subdivision faces (if present)
Form1.Edit54 =
Form1.Label92
Form1.Edit55 = -0.0005
Form1.Edit56 = 0.0005
Form1.CheckBox44 = 1 | x
Form1.CheckBox45 = 1 | y
Form1.CheckBox46 = 1 | z
Form1.Edit64 = 0.001
Form1.Edit43 = 0.005
Form1.Edit74 = 0.01
Form1.Edit44 = 10
Form1.UpDown15 = 10
Form1.CheckBox13 = 0 | Create root material
Form1.Memo3 =
Form1.Edit45 = 20
Form1.CheckBox75 = 1 | Rescale overall light intensity to (%)
Form1.Edit114 = 200
Form1.CheckBox29 = 1 | Convert all lights to white level
Form1.CheckBox76 = 1 | Remove all previous lights first
Form1.CheckBox49 = 1 | only above horizon
Form1.Edit104 = 100
Form1.Edit63 = 0
Form1.UpDown2 = 0
Form1.CheckBox58 = 0 | Soft shadows (slow)
Form1.CheckBox74 = 0 | Shadow on strongest light only
Form1.Edit100 = -90
Form1.Edit101 = 90
Form1.Edit102 = 0
Form1.Edit103 = 360
Form1.Edit98 = 0
Form1.Edit22 = 1E30
Form1.Edit21 =
Form1.Label171 | Min Color
Form1.Label174 | Max color
Form1.Edit47 = 1000
Form1.Edit48 = 1000
Form1.ComboBox5 = 1
Form1.Edit61 =
Form1.ComboBox6 = 1
Form1.CheckBox50 = 0 | Include alpha channel
Form1.CheckBox60 = 0 | Render can be paused
Form1.ComboBox24 = 6
Form1.CheckBox16 = 1 | Mosaic preview
Form1.CheckBox31 = 1 | Keep aspect ratio of preview
Form1.CheckBox20 = 0 | Spherical camera
Form1.Edit46 = 0.001
Form1.CheckBox48 = 0 | Simplify geometry to bounding boxes for each group
Form1.CheckBox41 = 1 | Include texture coordinates (UV)
Form1.CheckBox11 = 0 | Fix orientation of TIFF image maps (POV-Ray 3.5)
Form1.CheckBox51 = 0 | Only export geometry and materials.
Form1.Label21 | Coordinate System:
Form1.ComboBox12 = 0
Form1.ComboBox14 = 0
Form1.ComboBox10 = 0
Form1.Memo1 =
Form1.CheckBox59 = 0 | Use these initialization commands only  - above settings will be ignored (Advanced POV-Ray users)
Form1.Edit52 =
Form1.Label44 | Initialization file (render settings):
Form1.Edit68 =
Form1.Label102 | Scene file (lights and camera):
Form1.Edit2 =
Form1.Edit13 =
Form1.Edit12 =
Form1.RadioButton3 = 0 | Use a Batch file 
Form1.Edit90 = mirelan_batch_render.sh
Form1.RadioButton4 = 1 | Use a POV file
Form1.Edit115 = mirelan_scene.pov
Form1.Edit119 = mirelan_mesh
Form1.Edit117 = 0
Form1.Edit118 = 1
Form1.Edit120 = 0
Form1.Edit116 = mirelan_scene_object
Form1.Edit71 =  
Form1.CheckBox19 = 1 | Export a common POV-Ray material file:
Form1.Edit23 = mirelan_scene_materials_pov.inc
Form1.Edit11 =
Form1.Edit29 =
Form1.Label112 | Material file:
Form1.Edit82 =
Form1.RadioButton21 = 0 | Disable the original materials so that Moray materials can be used instead
Form1.RadioButton20 = 1 | Use the original materials in the scene and create a material file
Form1.Label155 | Important: Check Mirelan's manual for details on getting Moray and POV-Ray working together.
Form1.Edit1 =
Form1.Edit86 =
Form1.CheckBox21 = 1 | Save normals
Form1.CheckBox22 = 1 | Save texture coordinates (UV)
Form1.CheckBox73 = 0 | Fix material and group names 
Form1.CheckBox83 = 0 | Export camera as a mesh
Form1.Edit111 = scene.xml
searchForm2.Label3 | Start search in
searchForm2.Memo1 =
searchForm2.Label4 | File name:
searchForm2.Edit1 =
searchForm2.Label1 | Search results
searchForm2.ListBox1 = -1
Form4.PageControl1 = 0
Form2.Edit1 =
Form2.CheckBox16 = 0 | Copy all maps to the same directory
Form2.CheckBox27 = 1 | Include file paths to image maps
Form2.CheckBox28 = 1 | Fix map names
Form2.CheckBox43 = 1 | Fix map max resolution to
Form2.Edit45 = 512
Form2.Label2 | Resized maps will be JPEG
Form2.Label3 | Map aspect ratio is kept
Form2.Label4 | Only larger maps are resized
Form2.CheckBox1 = 1 | Overwrite files (except render)
Form3.Edit1 =
Form3.CheckBox3 = 1 | Cleanup geometry
Form3.Edit2 =
Form3.CheckBox1 = 1 | Read camera
Form3.CheckBox2 = 1 | Read lights
Form3.Memo1 =
Form7.Edit1 =
Form7.CheckBox3 = 0 | Cleanup geometry
Form7.CheckBox1 = 1 | Use a DAZ|Studio light preset:
Form7.Edit3 =
Form7.CheckBox2 = 1 | Use a DAZ|Studio camera preset: (experimental)
Form7.Edit4 =
Form7.Edit2 =
Form8.Label1 | Double click to insert. ESC to exit
Form8.PageControl1 = 0
Form8.ListBox6 = -1
Form8.ListBox1 = -1
Form8.ListBox2 = -1
Form8.ListBox3 = -1
Form8.ListBox4 = -1
Form8.ListBox5 = -1
Form8.ListBox7 = -1
Form8.CheckBox1 = 0 | Use 3D mapping
)";

// Disabled when the windows first open (by themselves, or because the
// control that enables them starts unchecked).
const std::set<std::string> kDisabled = {
    "Form1.Edit65",        "Form1.UpDown5",       "Form1.Edit66",        "Form1.UpDown6",      "Form1.Label148",
    "Form1.Label147",      "Form1.Edit36",        "Form1.Label146",      "Form1.SpinButton16", "Form1.Label151",
    "Form1.Edit34",        "Form1.Edit35",        "Form1.SpinButton17",  "Form1.SpinButton18", "Form1.CheckBox54",
    "Form1.Edit62",        "Form1.CheckBox82",    "Form1.Edit99",        "Form1.Edit105",      "Form1.Edit106",
    "Form1.Label138",      "Form1.Edit57",        "Form1.UpDown7",       "Form1.ComboBox23",   "Form1.Edit58",
    "Form1.RadioButton22", "Form1.RadioButton23", "Form1.RadioButton24", "Form1.CheckBox28",   "Form1.ComboBox12",
    "Form1.Label21",       "Form1.Edit90",        "Form2.CheckBox28",    "Form2.CheckBox43",   "Form2.Edit45",
    "Form2.Label2",        "Form2.Label3",        "Form2.Label4"};

const std::set<std::string> kHidden = {
    "Form1.Panel4",  "Form1.ComboBox20", "Form1.RadioButton22", "Form1.RadioButton23", "Form1.RadioButton24",
    "Form1.Edit64",  "Form1.CheckBox74", "Form1.Edit100",       "Form1.Edit101",       "Form1.Edit102",
    "Form1.Edit103", "Form1.Edit98",     "Form1.Edit22",        "Form1.Edit21",        "Form1.Label171",
    "Form1.Label174", "Form1.Label170",  "Form7.Edit2"};

struct Expected {
    std::string name;
    bool hasValue = false;
    std::string value;
    bool hasCaption = false;
    std::string caption;
};

std::vector<Expected> ParseExpected() {
    std::vector<Expected> out;
    std::istringstream in(kExpected);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        Expected e;
        std::string head = line;
        if (const auto bar = line.find(" | "); bar != std::string::npos) {
            e.hasCaption = true;
            e.caption = line.substr(bar + 3);
            head = line.substr(0, bar);
        }
        if (const auto eq = head.find(" ="); eq != std::string::npos) {
            e.hasValue = true;
            e.name = head.substr(0, eq);
            // "name = value": the value is all after "= " (it may be blank).
            e.value = head.size() > eq + 3 ? head.substr(eq + 3) : "";
        } else {
            e.name = head;
        }
        out.push_back(e);
    }
    return out;
}

std::string KindPrefix(ControlKind kind) { return std::string(ControlKindName(kind)); }

class ControlTableTest : public ::testing::Test {
protected:
    void SetUp() override { ResetOptionsToDefaults(); }
    void TearDown() override { ResetOptionsToDefaults(); }
};

TEST_F(ControlTableTest, EveryControlHasItsDesignTimeValueStateAndCaption) {
    const std::vector<Expected> expected = ParseExpected();
    std::set<std::string> listed;
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(listed.insert(e.name).second) << "listed twice";
        const ControlInfo* c = FindControl(e.name);
        ASSERT_NE(c, nullptr);
        // The name says the kind.
        EXPECT_EQ(std::string(c->name).rfind(KindPrefix(c->kind), 0), 0u);
        if (e.hasValue) {
            EXPECT_EQ(GetControlValue(*c), e.value);
        }
        if (e.hasCaption) {
            EXPECT_EQ(c->caption, e.caption);
            if (c->kind == ControlKind::Label || c->kind == ControlKind::Panel) {
                EXPECT_EQ(GetControlValue(e.name + ".caption").value_or("?"), e.caption);
            }
        }
        EXPECT_EQ(GetControlValue(e.name + ".enabled"), kDisabled.count(e.name) ? "0" : "1");
        EXPECT_EQ(GetControlValue(e.name + ".visible"), kHidden.count(e.name) ? "0" : "1");
    }
    // Nothing in the table that the layouts do not name.
    for (const ControlInfo& c : ControlTable()) EXPECT_TRUE(listed.count(c.QualifiedName())) << c.QualifiedName();
    EXPECT_EQ(listed.size(), ControlTable().size());
}

TEST_F(ControlTableTest, NamesAreUniqueWithinAWindowAndResolveToTheirOwnField) {
    std::set<std::string> seen;
    std::set<const void*> fields;
    for (const ControlInfo& c : ControlTable()) {
        EXPECT_TRUE(seen.insert(c.QualifiedName()).second) << c.QualifiedName();
        const void* field = std::visit([](auto* p) -> const void* { return p; }, c.ref);
        EXPECT_TRUE(fields.insert(field).second) << c.QualifiedName() << " shares a field";
        EXPECT_EQ(FindControl(c.QualifiedName()), &c);
    }
    // The same name in several windows stays apart.
    Form1.CheckBox16.checked = false;
    Form2.CheckBox16.checked = true;
    EXPECT_EQ(GetControlValue("Form1.CheckBox16"), "0");
    EXPECT_EQ(GetControlValue("Form2.CheckBox16"), "1");
    EXPECT_EQ(FindControl("Form1.Memo1")->caption, "Custom initialization");
    EXPECT_EQ(FindControl("Form3.Memo1")->caption, "Directories where textures used by Poser are stored:");
}

TEST_F(ControlTableTest, FixedComboListsAndSelections) {
    const std::map<std::string, std::vector<std::string>> lists = {
        {"Form1.ComboBox9", {"Box", "Ball", "Cyl/Cone/Disk"}},
        {"Form1.ComboBox16", {"(none)", "Planar", "Cylindrical", "Spherical", "Cubic"}},
        {"Form1.ComboBox5",
         {"TGA Compressed", "PNG (portable network graphics)", "Unix PPM format", "Windows BMP", "TGA Uncompressed"}},
        {"Form1.ComboBox20", {"Single color", "Random mat color"}},
        {"Form1.ComboBox6",
         {"None", "Non-Recursive (+A0.3)", "Recursive (+A0.3) (slow)", "Recursive high quality (+A0.1) (slow)"}},
        {"Form1.ComboBox4",
         {"Filled", "Line", "Points", "Hidden Line", "Group Box Wire", "Group Box Solid", "Outline"}},
        {"Form1.ComboBox21", {"Full rotate", "Roll", "Pitch", "Distance", "Pan"}},
        {"Form1.ComboBox23", {"Normal sum", "Angle-weigthed Sum", "Unique Normal Sum", "Inverse Area Sum"}},
        {"Form1.ComboBox24",
         {"(DRAFT) Only Quick colors", "Quick colors, diffuse and ambient light",
          "Quick colors, Render shadows, but no extended lights",
          "Quick colors, Render shadows, including extended lights", "Compute texture patterns, compute photons",
          "Compute reflected, refracted, and transmitted rays", "(FULL QUALITY) Compute media and radiosity"}},
        {"Form1.ComboBox25", {"Parallel light", "Spot light", "Area light", "Point light"}},
        {"Form1.ComboBox26", {"Automatic", "OpenGL Tessellation", "Ear cutting"}},
        {"Form1.ComboBox14",
         {"None", "Mirelan Default", "Default", "Debug", "Fast", "Normal", "2 bounce", "Final (extra slow)",
          "Outdoor Low Quality", "Outdoor High Quality", "Outdoor Sun Light", "Indoor Low Quality",
          "Indoor High Quality"}},
        {"Form1.ComboBox12", {"Right handed (Mirelan default) Y up", "Left handed (POV-Ray default) Y up"}},
        {"Form1.ComboBox10",
         {"Materials (default and faster to create)", "Groups and Materials (very slow for large models)"}},
        {"Form1.ComboBox1",
         {"Color...",   "Spherical Map...", "S_Cloud1",   "S_Cloud2",   "S_Cloud3",   "S_Cloud4",
          "S_Cloud5",   "O_Cloud1",         "O_Cloud2",   "Blue_Sky",   "Bright_Blue_Sky", "Blue_Sky2",
          "Blue_Sky3",  "Blood_Sky",        "Apocalypse", "Clouds",     "P_Cloud1",   "P_Cloud2",
          "P_Cloud3",   "Shadow_Clouds",    "T_Cloud1",   "T_Cloud2",   "T_Cloud3",   "Starfield",
          "Starfield1", "Starfield2",       "Starfield3", "Starfield4", "Starfield5", "Starfield6"}},
    };
    for (const auto& [name, items] : lists) {
        SCOPED_TRACE(name);
        const ControlInfo* c = FindControl(name);
        ASSERT_NE(c, nullptr);
        const tcombobox& cb = *std::get<tcombobox*>(c->ref);
        EXPECT_EQ(cb.items, items);
    }
    // The combo boxes that code fills start empty.
    for (const char* name : {"Form1.ComboBox2", "Form1.ComboBox3", "Form1.ComboBox7", "Form1.ComboBox8",
                             "Form1.ComboBox13", "Form1.ComboBox15", "Form1.ComboBox18", "Form1.ComboBox19"})
        EXPECT_EQ(GetControlValue(std::string(name) + ".items"), "") << name;
    EXPECT_EQ(Form1.ComboBox5.SelectedText(), "PNG (portable network graphics)");
    EXPECT_EQ(Form1.ComboBox6.SelectedText(), "Non-Recursive (+A0.3)");
    EXPECT_EQ(Form1.ComboBox24.SelectedText(), "(FULL QUALITY) Compute media and radiosity");
    EXPECT_EQ(Form1.ComboBox1.SelectedText(), "Color...");
}

TEST_F(ControlTableTest, UpDownRangesAndSettingsKeys) {
    struct Range {
        const char* name;
        int min, max, step;
    };
    for (const Range& r : {Range{"UpDown5", 1, 1000, 1}, Range{"UpDown6", 1, 1000, 1}, Range{"UpDown3", 1, 10, 1},
                           Range{"UpDown4", 1, 10, 1}, Range{"UpDown8", -180, 180, 10}, Range{"UpDown11", 0, 128, 4},
                           Range{"UpDown9", 0, 90, 5}, Range{"UpDown1", 2, 100, 1}, Range{"UpDown10", 0, 100, 10},
                           Range{"UpDown12", 0, 100, 10}, Range{"UpDown13", 0, 100, 10},
                           Range{"UpDown14", 0, 100, 10}, Range{"UpDown7", 0, 180, 5}, Range{"UpDown2", -180, 180, 30}}) {
        SCOPED_TRACE(r.name);
        const tupdown& u = *std::get<tupdown*>(FindControl("Form1", r.name)->ref);
        EXPECT_EQ(u.min, r.min);
        EXPECT_EQ(u.max, r.max);
        EXPECT_EQ(u.increment, r.step);
    }
    EXPECT_EQ(Form1.UpDown15.min, 0);
    // The settings keys that stand for one control each.
    const std::map<std::string, std::string> keys = {
        {"3dsfix", "Form1.CheckBox26"},        {"glstayontop", "Form1.CheckBox30"},
        {"wine", "Form1.CheckBox34"},          {"autosmooth", "Form1.Edit95"},
        {"fixnames", "Form2.CheckBox28"},      {"copymaps", "Form2.CheckBox16"},
        {"includelines", "Form1.CheckBox55"},  {"resetcamera", "Form1.CheckBox62"},
        {"povusepaths", "Form2.CheckBox27"},   {"fixtiff", "Form1.CheckBox11"},
        {"glaxis", "Form1.CheckBox37"},        {"glnormals", "Form1.CheckBox35"},
        {"gltextures", "Form1.CheckBox4"},     {"gllights", "Form1.CheckBox33"},
        {"gldoublesided", "Form1.CheckBox42"}, {"glreflect", "Form1.CheckBox27"},
        {"gldrawmode", "Form1.ComboBox4"},     {"displaygrid", "Form1.CheckBox52"},
        {"gridvertical", "Form1.UpDown5"},     {"gridhorizontal", "Form1.UpDown6"},
        {"gridcolor", "Form1.Label148"},       {"autoupdate", "Form1.CheckBox40"},
        {"previewmaps", "Form1.CheckBox36"},   {"showalphatextures", "Form1.CheckBox47"},
        {"mapsize", "Form1.CheckBox39"},       {"mapsizex", "Form1.Edit59"},
        {"mapsizey", "Form1.Edit60"},          {"glmapsizex", "Form1.Edit24"},
        {"glmapsizey", "Form1.Edit25"},        {"useogl", "Form1.CheckBox3"},
        {"radiosity", "Form1.ComboBox14"},     {"linethickness", "Form1.Edit46"},
        {"povw", "Form1.Edit47"},              {"povh", "Form1.Edit48"},
        {"previewaspectratio", "Form1.CheckBox31"}, {"povoutputformat", "Form1.ComboBox5"},
        {"povlocation", "Form1.Edit52"},       {"hdrmaxlites", "Form1.Edit104"},
        {"hdrshadowthreshold", "Form1.Edit45"}, {"hdrsoftshadow", "Form1.CheckBox58"},
        {"hdrintensity", "Form1.Edit114"},     {"hdrscaleintensity", "Form1.CheckBox75"},
        {"hdrabovehorzonly", "Form1.CheckBox49"}, {"hdroutdoorscene", "Form1.CheckBox29"},
        {"mosaic", "Form1.CheckBox16"},        {"aatype", "Form1.ComboBox6"},
        {"outputalpha", "Form1.CheckBox50"},   {"overwritefiles", "Form2.CheckBox1"},
        {"resizemaps", "Form2.CheckBox43"},    {"fixmaxresolution", "Form2.Edit45"},
        {"displayplaceholders", "Form1.CheckBox61"}, {"showfocalarea", "Form1.CheckBox54"},
        {"showlitelocations", "Form1.CheckBox53"}, {"continuepov", "Form1.CheckBox60"},
        {"disablematerials", "Form1.RadioButton21"}, {"materialmode", "Form1.CheckBox72"},
        {"horizon", "Form1.CheckBox70"},       {"horizoncolor", "Form1.Label147"},
        {"previewlinecolor", "Form1.Label170"}, {"povuv", "Form1.CheckBox41"},
        {"usecutoff", "Form1.CheckBox71"},     {"cutoffvalue", "Form1.Edit26"},
        {"normal_calc", "Form1.ComboBox23"},   {"objgroupmatnamefix", "Form1.CheckBox73"},
        {"poserobj", "Form3.Edit1"},           {"posercleanupgeom", "Form3.CheckBox3"},
        {"poserscene", "Form3.Edit2"},         {"loadposercam", "Form3.CheckBox1"},
        {"loadposerlites", "Form3.CheckBox2"}, {"dazobj", "Form7.Edit1"},
        {"dazcleanupgeom", "Form7.CheckBox3"}, {"dazliteuse", "Form7.CheckBox1"},
        {"dazlite", "Form7.Edit3"},            {"dazcamuse", "Form7.CheckBox2"},
        {"dazcam", "Form7.Edit4"},             {"dazmapdir", "Form7.Edit2"},
        {"saveplaceholderspov", "Form1.CheckBox61"}, {"strongliteshadow", "Form1.CheckBox74"},
        {"meshmode", "Form1.ComboBox10"},      {"savetodir", "Form2.Edit1"},
    };
    for (const auto& [key, name] : keys) {
        const ControlInfo* c = FindControlByKey(key);
        ASSERT_NE(c, nullptr) << key;
        EXPECT_EQ(c->QualifiedName(), name) << key;
    }
    EXPECT_EQ(FindControlByKey("GLAXIS"), FindControl("Form1.CheckBox37"));
    EXPECT_EQ(FindControlByKey("nosuchkey"), nullptr);
}

TEST_F(ControlTableTest, GenericGetAndSetByText) {
    // Check boxes.
    EXPECT_TRUE(ApplyControlAssignment("Form1.CheckBox26=0"));
    EXPECT_FALSE(Form1.CheckBox26.checked);
    EXPECT_TRUE(SetControlValue("Form1.CheckBox26", "true"));
    EXPECT_TRUE(Form1.CheckBox26.checked);
    EXPECT_FALSE(SetControlValue("Form1.CheckBox26", "yes"));
    EXPECT_TRUE(Form1.CheckBox26.checked);
    // Enabled and visible of any control.
    EXPECT_TRUE(ApplyControlAssignment("Form2.CheckBox28.enabled=1"));
    EXPECT_TRUE(Form2.CheckBox28.enabled && Form2.CheckBox28.checked);
    EXPECT_TRUE(SetControlValue("Form1.Panel4.visible", "1"));
    EXPECT_TRUE(Form1.Panel4.visible);
    // Radio buttons keep their group.
    EXPECT_TRUE(SetControlValue("Form1.RadioButton14", "1"));
    EXPECT_FALSE(Form1.RadioButton1.checked);
    EXPECT_TRUE(Form1.RadioButton14.checked);
    EXPECT_TRUE(Form1.RadioButton7.checked);  // another group is untouched
    // Edits, with "=" inside the text.
    EXPECT_TRUE(ApplyControlAssignment("Form1.Edit47=a=b"));
    EXPECT_EQ(Form1.Edit47.text, "a=b");
    // Combo boxes: an index of an item, or -1.
    EXPECT_TRUE(SetControlValue("Form1.ComboBox5", "3"));
    EXPECT_EQ(Form1.ComboBox5.index, 3);
    EXPECT_FALSE(SetControlValue("Form1.ComboBox5", "5"));
    EXPECT_FALSE(SetControlValue("Form1.ComboBox5", "-2"));
    EXPECT_FALSE(SetControlValue("Form1.ComboBox5", "1x"));
    EXPECT_EQ(Form1.ComboBox5.index, 3);
    EXPECT_FALSE(SetControlValue("Form1.ComboBox8", "0"));  // no presets yet
    EXPECT_TRUE(SetControlValue("Form1.ComboBox15.items", "a.obj\nb.obj"));
    EXPECT_TRUE(SetControlValue("Form1.ComboBox15", "1"));
    EXPECT_EQ(GetControlValue("Form1.ComboBox15.text"), "b.obj");
    EXPECT_TRUE(SetControlValue("Form1.ComboBox15.text", "c.obj"));
    EXPECT_EQ(Form1.ComboBox15.index, -1);
    EXPECT_EQ(Form1.ComboBox15.SelectedText(), "c.obj");
    // Up-downs clamp to their range and show the position in their edit.
    EXPECT_TRUE(SetControlValue("Form1.UpDown5", "5000"));
    EXPECT_EQ(Form1.UpDown5.position, 1000);
    EXPECT_EQ(Form1.Edit65.text, "1000");
    EXPECT_TRUE(SetControlValue("Form1.UpDown8", "-500"));
    EXPECT_EQ(Form1.UpDown8.position, -180);
    EXPECT_EQ(Form1.Edit70.text, "-180");
    EXPECT_FALSE(SetControlValue("Form1.UpDown8", ""));
    // Colours: decimal, 0x or # hexadecimal.
    EXPECT_TRUE(SetControlValue("Form1.Label148", "255"));
    EXPECT_EQ(Form1.Label148.color, 255);
    EXPECT_TRUE(SetControlValue("Form1.Label148", "#00FF00"));
    EXPECT_EQ(Form1.Label148.color, 0x00FF00);
    EXPECT_TRUE(SetControlValue("Form1.Panel1", "0x80000005"));
    EXPECT_EQ(static_cast<uint32_t>(Form1.Panel1.color), 0x80000005u);
    EXPECT_FALSE(SetControlValue("Form1.Label148", "red"));
    EXPECT_TRUE(SetControlValue("Form1.Label96.caption", "Opaque"));
    EXPECT_EQ(Form1.Label96.caption, "Opaque");
    // Memos take lines.
    EXPECT_TRUE(SetControlValue("Form1.Memo1", "+A\n+Q9"));
    EXPECT_EQ(Form1.Memo1.lines, (std::vector<std::string>{"+A", "+Q9"}));
    EXPECT_EQ(GetControlValue("Form1.Memo1"), "+A\n+Q9");
    // Pages.
    EXPECT_TRUE(SetControlValue("Form1.PageControl1", "8"));
    EXPECT_FALSE(SetControlValue("Form1.PageControl1", "9"));
    EXPECT_FALSE(SetControlValue("Form4.PageControl1", "6"));
    // Unknown names and properties.
    EXPECT_FALSE(SetControlValue("Form1.CheckBox999", "1"));
    EXPECT_FALSE(SetControlValue("Form9.CheckBox1", "1"));
    EXPECT_FALSE(SetControlValue("Form1.CheckBox26.color", "1"));
    EXPECT_FALSE(SetControlValue("Form1.SpinButton7", "1"));
    EXPECT_FALSE(ApplyControlAssignment("Form1.CheckBox26"));
    EXPECT_FALSE(GetControlValue("Form1").has_value());
    // A reset brings everything back.
    ResetOptionsToDefaults();
    EXPECT_TRUE(Form1.RadioButton1.checked);
    EXPECT_EQ(Form1.ComboBox15.items.size(), 0u);
    EXPECT_EQ(Form1.Memo1.lines.size(), 0u);
    EXPECT_EQ(Form1.Label148.color, FindControl("Form1.Label148")->value);
}

// A combo box that lists records reads its items from them through its
// source, which a reset of the options keeps; it holds none of its own, and
// its items cannot be set.
TEST_F(ControlTableTest, AComboBoxWithASourceListsTheRecords) {
    static std::vector<std::string> records;
    static const tcomboitems source{[] { return records.size(); },
                                    [](std::size_t i) -> const std::string& { return records[i]; }};
    records = {"Key", "Fill"};
    Form1.ComboBox2.source = &source;
    ResetOptionsToDefaults();
    EXPECT_EQ(Form1.ComboBox2.source, &source);
    EXPECT_EQ(GetControlValue("Form1.ComboBox2.items"), "Key\nFill");
    EXPECT_TRUE(SetControlValue("Form1.ComboBox2", "1"));
    EXPECT_EQ(Form1.ComboBox2.SelectedText(), "Fill");
    EXPECT_FALSE(SetControlValue("Form1.ComboBox2", "2"));
    EXPECT_TRUE(SetControlValue("Form1.ComboBox2.text", "Key"));
    EXPECT_EQ(Form1.ComboBox2.index, 0);
    EXPECT_FALSE(SetControlValue("Form1.ComboBox2.items", "Other"));
    records.pop_back();  // the record gone, its item gone
    EXPECT_EQ(Form1.ComboBox2.Count(), 1u);
    EXPECT_TRUE(Form1.ComboBox2.items.empty());
    Form1.ComboBox2.source = nullptr;
}

TEST_F(ControlTableTest, WindowValuesBesideTheControls) {
    EXPECT_EQ(Form9.glView1.width, 640);
    EXPECT_EQ(Form9.glView1.height, 480);
    EXPECT_TRUE(Form9.visible);
    EXPECT_FALSE(Form4.visible);
    EXPECT_FALSE(Form5.visible);
    EXPECT_EQ(Form1.OpenDialog1.initialDir, "");
    HDRShopPath = "/opt/hdrshop";
    EXPECT_EQ(Form1.HDRShopPath, "/opt/hdrshop");
    Form9.bounds = {10, 20, 300, 200};
    ResetOptionsToDefaults();
    EXPECT_EQ(Form1.HDRShopPath, "");
    EXPECT_EQ(Form9.bounds, (twindowbounds{0, 0, 640, 480}));
}

}  // namespace
