#include "options/ControlTable.h"

#include <algorithm>
#include <charconv>
#include <vector>

// ---- The fixed item lists ----------------------------------------------
const std::array<std::string_view, 30> BackgroundChoices = {
    "Color...", "Spherical Map...", "S_Cloud1", "S_Cloud2", "S_Cloud3", "S_Cloud4", "S_Cloud5", "O_Cloud1",
    "O_Cloud2", "Blue_Sky", "Bright_Blue_Sky", "Blue_Sky2", "Blue_Sky3", "Blood_Sky", "Apocalypse", "Clouds",
    "P_Cloud1", "P_Cloud2", "P_Cloud3", "Shadow_Clouds", "T_Cloud1", "T_Cloud2", "T_Cloud3", "Starfield",
    "Starfield1", "Starfield2", "Starfield3", "Starfield4", "Starfield5", "Starfield6"};
const std::array<std::string_view, 3> PlaceholderKinds = {"Box", "Ball", "Cyl/Cone/Disk"};
const std::array<std::string_view, 5> UVProjections = {"(none)", "Planar", "Cylindrical", "Spherical", "Cubic"};
const std::array<std::string_view, 5> OutputFormats = {"TGA Compressed", "PNG (portable network graphics)",
                                                       "Unix PPM format", "Windows BMP", "TGA Uncompressed"};
const std::array<std::string_view, 2> UVRemapColors = {"Single color", "Random mat color"};
const std::array<std::string_view, 4> AntialiasModes = {"None", "Non-Recursive (+A0.3)", "Recursive (+A0.3) (slow)",
                                                        "Recursive high quality (+A0.1) (slow)"};
const std::array<std::string_view, 7> DrawModes = {"Filled",         "Line",            "Points", "Hidden Line",
                                                   "Group Box Wire", "Group Box Solid", "Outline"};
const std::array<std::string_view, 5> MouseModes = {"Full rotate", "Roll", "Pitch", "Distance", "Pan"};
const std::array<std::string_view, 4> NormalModes = {"Normal sum", "Angle-weigthed Sum", "Unique Normal Sum",
                                                     "Inverse Area Sum"};
const std::array<std::string_view, 7> QualityLevels = {
    "(DRAFT) Only Quick colors",
    "Quick colors, diffuse and ambient light",
    "Quick colors, Render shadows, but no extended lights",
    "Quick colors, Render shadows, including extended lights",
    "Compute texture patterns, compute photons",
    "Compute reflected, refracted, and transmitted rays",
    "(FULL QUALITY) Compute media and radiosity"};
const std::array<std::string_view, 4> LightKinds = {"Parallel light", "Spot light", "Area light", "Point light"};
const std::array<std::string_view, 3> TriangulationModes = {"Automatic", "OpenGL Tessellation", "Ear cutting"};
const std::array<std::string_view, 13> RadiosityPresets = {
    "None",   "Mirelan Default",     "Default",              "Debug",
    "Fast",   "Normal",              "2 bounce",             "Final (extra slow)",
    "Outdoor Low Quality", "Outdoor High Quality", "Outdoor Sun Light", "Indoor Low Quality",
    "Indoor High Quality"};
const std::array<std::string_view, 2> Handedness = {"Right handed (Mirelan default) Y up",
                                                    "Left handed (POV-Ray default) Y up"};
const std::array<std::string_view, 2> MeshModes = {"Materials (default and faster to create)",
                                                   "Groups and Materials (very slow for large models)"};

std::string_view ControlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::CheckBox: return "CheckBox";
        case ControlKind::RadioButton: return "RadioButton";
        case ControlKind::Edit: return "Edit";
        case ControlKind::ComboBox: return "ComboBox";
        case ControlKind::UpDown: return "UpDown";
        case ControlKind::Memo: return "Memo";
        case ControlKind::Label: return "Label";
        case ControlKind::Panel: return "Panel";
        case ControlKind::PageControl: return "PageControl";
        case ControlKind::SpinButton: return "SpinButton";
        case ControlKind::ListBox: return "ListBox";
    }
    return "";
}

namespace {

// A row under construction; the chained setters keep the table readable.
struct Row : ControlInfo {
    Row Disabled() const { Row r = *this; r.enabled = false; return r; }
    Row Hidden() const { Row r = *this; r.visible = false; return r; }
    Row Key(std::string_view k) const { Row r = *this; r.keys = k; return r; }
    Row Group(std::string_view g) const { Row r = *this; r.group = g; return r; }
    Row Buddy(std::string_view b) const { Row r = *this; r.buddy = b; return r; }
    Row Editable() const { Row r = *this; r.editable = true; return r; }
    template <std::size_t N>
    Row Items(const std::array<std::string_view, N>& list) const {
        Row r = *this;
        r.items = std::span<const std::string_view>(list.data(), list.size());
        return r;
    }
};

Row Base(std::string_view form, std::string_view name, ControlKind kind, ControlRef ref, std::string_view caption) {
    Row r;
    r.form = form;
    r.name = name;
    r.kind = kind;
    r.ref = ref;
    r.caption = caption;
    return r;
}

Row Check(std::string_view f, std::string_view n, tcheckbox* p, std::string_view caption, bool checked) {
    Row r = Base(f, n, ControlKind::CheckBox, p, caption);
    r.value = checked ? 1 : 0;
    return r;
}
Row Radio(std::string_view f, std::string_view n, tradiobutton* p, std::string_view caption, bool checked) {
    Row r = Base(f, n, ControlKind::RadioButton, p, caption);
    r.value = checked ? 1 : 0;
    return r;
}
Row Edit(std::string_view f, std::string_view n, tedit* p, std::string_view caption, std::string_view text) {
    Row r = Base(f, n, ControlKind::Edit, p, caption);
    r.text = text;
    return r;
}
Row Combo(std::string_view f, std::string_view n, tcombobox* p, std::string_view caption, int32_t index) {
    Row r = Base(f, n, ControlKind::ComboBox, p, caption);
    r.value = index;
    return r;
}
Row UpDown(std::string_view f, std::string_view n, tupdown* p, std::string_view caption, int32_t position,
           int32_t min, int32_t max, int32_t increment) {
    Row r = Base(f, n, ControlKind::UpDown, p, caption);
    r.value = position;
    r.min = min;
    r.max = max;
    r.increment = increment;
    return r;
}
Row Memo(std::string_view f, std::string_view n, tmemo* p, std::string_view caption) {
    return Base(f, n, ControlKind::Memo, p, caption);
}
Row Label(std::string_view f, std::string_view n, tlabel* p, std::string_view caption, int32_t color = clNone) {
    Row r = Base(f, n, ControlKind::Label, p, caption);
    r.value = color;
    return r;
}
Row Panel(std::string_view f, std::string_view n, tpanel* p, std::string_view caption, int32_t color = clNone) {
    Row r = Base(f, n, ControlKind::Panel, p, caption);
    r.value = color;
    return r;
}
Row Pages(std::string_view f, std::string_view n, tpagecontrol* p, std::string_view caption, int32_t pages) {
    Row r = Base(f, n, ControlKind::PageControl, p, caption);
    r.min = 0;
    r.max = pages - 1;
    return r;
}
Row Spin(std::string_view f, std::string_view n, tspinbutton* p, std::string_view caption) {
    return Base(f, n, ControlKind::SpinButton, p, caption);
}
Row List(std::string_view f, std::string_view n, tlistbox* p, std::string_view caption) {
    Row r = Base(f, n, ControlKind::ListBox, p, caption);
    r.value = -1;
    return r;
}

#define ROW(form, control) #form, #control, &form.control

std::vector<ControlInfo> BuildTable() {
    const Row rows[] = {
        // Main window: tab control and status strip
        Pages(ROW(Form1, PageControl1), "", 9),
        Panel(ROW(Form1, Panel8), "", 0xFFFFFF),
        Label(ROW(Form1, Label139), "No warnings"),
        Label(ROW(Form1, Label160), "Ready"),
        // Input tab
        Check(ROW(Form1, CheckBox26), "Reorient 3DS and DXF models", true).Key("3dsfix"),
        Edit(ROW(Form1, Edit95), "Crease angle (deg):", "35").Key("autosmooth"),
        Combo(ROW(Form1, ComboBox26), "Triangulation mode:", 0).Items(TriangulationModes),
        Combo(ROW(Form1, ComboBox15), "Previously loaded models:", -1).Editable().Key("filehistcount"),
        Check(ROW(Form1, CheckBox34), "Mirelan is running using Wine ", false).Key("wine"),
        Label(ROW(Form1, Label168), "Mirelan v"),
        Label(ROW(Form1, Label159), "3D model to POV-Ray/Moray converter"),
        Label(ROW(Form1, Label90), "mirelan@example.org"),
        Label(ROW(Form1, Label94), "https://www.example.org/mirelan"),
        // Preview tab: tool bar and "Options"
        Label(ROW(Form1, Label143), "Background: "),
        Combo(ROW(Form1, ComboBox1), "Background: ", 0).Items(BackgroundChoices),
        Check(ROW(Form1, CheckBox37), "Display axis", true).Key("glaxis"),
        Check(ROW(Form1, CheckBox35), "Display vertex normals", false).Key("glnormals"),
        Check(ROW(Form1, CheckBox42), "Draw double sided", true).Key("gldoublesided"),
        Check(ROW(Form1, CheckBox4), "Show maps", true).Key("gltextures"),
        Combo(ROW(Form1, ComboBox4), "Draw mode:", 0).Items(DrawModes).Key("gldrawmode"),
        Check(ROW(Form1, CheckBox52), "Grid", false).Key("displaygrid"),
        Edit(ROW(Form1, Edit65), "", "2").Disabled(),
        UpDown(ROW(Form1, UpDown5), "", 2, 1, 1000, 1).Buddy("Edit65").Disabled().Key("gridvertical"),
        Edit(ROW(Form1, Edit66), "", "2").Disabled(),
        UpDown(ROW(Form1, UpDown6), "", 2, 1, 1000, 1).Buddy("Edit66").Disabled().Key("gridhorizontal"),
        Label(ROW(Form1, Label148), "color", 0x808080).Disabled().Key("gridcolor"),
        Edit(ROW(Form1, Edit24), "GL map size:", "128").Key("glmapsizex"),
        UpDown(ROW(Form1, UpDown3), "GL map size:", 7, 1, 10, 1),
        Edit(ROW(Form1, Edit25), "GL map size:", "128").Key("glmapsizey"),
        UpDown(ROW(Form1, UpDown4), "GL map size:", 7, 1, 10, 1),
        Check(ROW(Form1, CheckBox47), "Transparency", true).Key("showalphatextures"),
        Check(ROW(Form1, CheckBox3), "Enable Preview", true).Key("useogl"),
        Check(ROW(Form1, CheckBox70), "Horizon", false).Key("horizon"),
        Label(ROW(Form1, Label147), "color", 0x808080).Disabled().Key("horizoncolor"),
        Check(ROW(Form1, CheckBox72), "Apply mats to both sides", true).Key("materialmode"),
        Check(ROW(Form1, CheckBox8), "Show ground normal to y", false),
        Label(ROW(Form1, Label146), "Height:").Disabled(),
        Edit(ROW(Form1, Edit36), "Height:", "0").Disabled(),
        Spin(ROW(Form1, SpinButton16), "").Disabled(),
        Label(ROW(Form1, Label151), "color", 0xFFFFFF).Disabled(),
        Check(ROW(Form1, CheckBox27), "Reflections", true).Key("glreflect"),
        Check(ROW(Form1, CheckBox71), "cutoff:", false).Key("usecutoff"),
        Edit(ROW(Form1, Edit26), "cutoff:", "0.5").Key("cutoffvalue"),
        Edit(ROW(Form1, Edit70), "Sky rotation (deg):", "0"),
        UpDown(ROW(Form1, UpDown8), "Sky rotation (deg):", 0, -180, 180, 10).Buddy("Edit70"),
        Check(ROW(Form1, CheckBox55), "Show lines", false).Key("includelines"),
        Label(ROW(Form1, Label170), "color", 0x000000).Hidden().Key("previewlinecolor"),
        // Preview tab: "Placeholders"
        Combo(ROW(Form1, ComboBox7), "Choose placeholder:", -1),
        Combo(ROW(Form1, ComboBox9), "Type:", 0).Items(PlaceholderKinds),
        Edit(ROW(Form1, Edit79), "Name:", ""),
        Label(ROW(Form1, Label132), "X size:"),
        Edit(ROW(Form1, Edit72), "X size:", "0"),
        Spin(ROW(Form1, SpinButton7), ""),
        Label(ROW(Form1, Label133), "Y size:"),
        Edit(ROW(Form1, Edit73), "Y size:", "0"),
        Spin(ROW(Form1, SpinButton8), ""),
        Label(ROW(Form1, Label134), "Z size:"),
        Edit(ROW(Form1, Edit75), "Z size:", "0"),
        Spin(ROW(Form1, SpinButton9), ""),
        Edit(ROW(Form1, Edit76), "center x pos:", "0"),
        Spin(ROW(Form1, SpinButton10), ""),
        Edit(ROW(Form1, Edit77), "center y pos:", "0"),
        Spin(ROW(Form1, SpinButton11), ""),
        Edit(ROW(Form1, Edit78), "center z pos:", "0"),
        Spin(ROW(Form1, SpinButton12), ""),
        Edit(ROW(Form1, Edit83), "X-Rotation:", "0"),
        Spin(ROW(Form1, SpinButton13), ""),
        Edit(ROW(Form1, Edit84), "Y-Rotation:", "0"),
        Spin(ROW(Form1, SpinButton14), ""),
        Edit(ROW(Form1, Edit85), "Z-Rotation:", "0"),
        Spin(ROW(Form1, SpinButton15), ""),
        Check(ROW(Form1, CheckBox56), "Lock ratio", false),
        Check(ROW(Form1, CheckBox61), "Display placeholders", true).Key("displayplaceholders saveplaceholderspov"),
        Label(ROW(Form1, Label149), "color", 0xFFFFFF),
        // Preview tab: "Camera"
        Combo(ROW(Form1, ComboBox8), "Camera Preset:", -1),
        Combo(ROW(Form1, ComboBox21), "Left button ->", 0).Items(MouseModes),
        Check(ROW(Form1, CheckBox9), "No perspective", false),
        Edit(ROW(Form1, Edit34), "Back", "0").Disabled(),
        Spin(ROW(Form1, SpinButton17), "").Disabled(),
        Edit(ROW(Form1, Edit35), "Front", "0").Disabled(),
        Spin(ROW(Form1, SpinButton18), "").Disabled(),
        Check(ROW(Form1, CheckBox25), "Use focal blur", false),
        Check(ROW(Form1, CheckBox54), "Show focus limits", true).Disabled().Key("showfocalarea"),
        Check(ROW(Form1, CheckBox30), "Stay on top", false).Key("glstayontop"),
        Edit(ROW(Form1, Edit87), "Window size:", "640"),
        Edit(ROW(Form1, Edit110), "Window size:", "480"),
        Panel(ROW(Form1, Panel4), "").Hidden(),
        Edit(ROW(Form1, Edit14), "zoom [0-180]:", "20"),
        Edit(ROW(Form1, Edit15), "Horz. Pan:", "0"),
        Edit(ROW(Form1, Edit16), "Vert. Pan:", "0"),
        Edit(ROW(Form1, Edit17), "Distance:", "0"),
        Edit(ROW(Form1, Edit18), "Roll (deg) r3:", "0"),
        Edit(ROW(Form1, Edit19), "Yaw (deg) r2:", "0"),
        Edit(ROW(Form1, Edit20), "Pitch (deg) r1:", "0"),
        // Preview tab: "Lights"
        Check(ROW(Form1, CheckBox53), "Show light pos", true).Key("showlitelocations"),
        Check(ROW(Form1, CheckBox33), "Lighting on", true).Key("gllights"),
        Edit(ROW(Form1, Edit49), "Total Intensity (%) ", "100"),
        Edit(ROW(Form1, Edit67), "Scale intensities by", "1.0"),
        Combo(ROW(Form1, ComboBox2), "Choose Light:", -1),
        Edit(ROW(Form1, Edit81), "Multiplier (%)", "100"),
        Label(ROW(Form1, Label150), "color", 0xFFFFFF),
        Check(ROW(Form1, CheckBox6), "Shadow", true),
        Edit(ROW(Form1, Edit80), "Name:", ""),
        Edit(ROW(Form1, Edit62), "Fade distance:", "0.1").Disabled(),
        Combo(ROW(Form1, ComboBox25), "Type:", 0).Items(LightKinds),
        Edit(ROW(Form1, Edit37), "Elev:", "45"),
        Spin(ROW(Form1, SpinButton1), ""),
        Edit(ROW(Form1, Edit53), "Rot:", "0"),
        Spin(ROW(Form1, SpinButton2), ""),
        Edit(ROW(Form1, Edit27), "Spot Thightness (0 - 128):", "50"),
        UpDown(ROW(Form1, UpDown11), "Spot Thightness (0 - 128):", 50, 0, 128, 4).Buddy("Edit27"),
        Edit(ROW(Form1, Edit28), "Spot Spread (0-90):", "20"),
        UpDown(ROW(Form1, UpDown9), "Spot Spread (0-90):", 20, 0, 90, 5).Buddy("Edit28"),
        Edit(ROW(Form1, Edit69), "Position:", "1"),
        Spin(ROW(Form1, SpinButton3), ""),
        Edit(ROW(Form1, Edit94), "Position:", "1"),
        Spin(ROW(Form1, SpinButton19), ""),
        Edit(ROW(Form1, Edit107), "Position:", "1"),
        Spin(ROW(Form1, SpinButton20), ""),
        Edit(ROW(Form1, Edit38), "Point At:", "0"),
        Spin(ROW(Form1, SpinButton4), ""),
        Edit(ROW(Form1, Edit39), "Point At:", "0"),
        Spin(ROW(Form1, SpinButton5), ""),
        Edit(ROW(Form1, Edit40), "Point At:", "0"),
        Spin(ROW(Form1, SpinButton6), ""),
        Edit(ROW(Form1, Edit3), "Area light size:", "0.1"),
        Edit(ROW(Form1, Edit30), "Area light density:", "9"),
        UpDown(ROW(Form1, UpDown1), "Area light density:", 3, 2, 100, 1),
        Check(ROW(Form1, CheckBox14), "Jitter shadow", true),
        Combo(ROW(Form1, ComboBox13), "Light Group", -1),
        // Materials tab
        Pages(ROW(Form1, PageControl2), "", 3),
        List(ROW(Form1, ListBox1), ""),
        Check(ROW(Form1, CheckBox36), "Show thumbs", true).Key("previewmaps"),
        Check(ROW(Form1, CheckBox40), "Auto update", true).Key("autoupdate"),
        Check(ROW(Form1, CheckBox39), "Resize:", false).Key("mapsize"),
        Edit(ROW(Form1, Edit59), "Resize:", "512").Key("mapsizex"),
        Edit(ROW(Form1, Edit60), "Resize:", "512").Key("mapsizey"),
        Panel(ROW(Form1, Panel1), "Color", 0xFFFFFF),
        Edit(ROW(Form1, Edit97), "Transparency:", "0"),
        UpDown(ROW(Form1, UpDown12), "Transparency:", 0, 0, 100, 10).Buddy("Edit97"),
        Combo(ROW(Form1, ComboBox3), "", -1).Editable(),
        Label(ROW(Form1, Label6), ""),
        Edit(ROW(Form1, Edit109), "Mix map with color:", "0"),
        UpDown(ROW(Form1, UpDown14), "Mix map with color:", 0, 0, 100, 10).Buddy("Edit109"),
        Panel(ROW(Form1, Panel3), "Ambient", 0x000000),
        Panel(ROW(Form1, Panel7), "Specular", 0x4D4D4D),
        Edit(ROW(Form1, Edit96), "Glossiness:", "0"),
        UpDown(ROW(Form1, UpDown10), "Glossiness:", 0, 0, 100, 10).Buddy("Edit96"),
        Edit(ROW(Form1, Edit108), "Reflectivity:", "0"),
        UpDown(ROW(Form1, UpDown13), "Reflectivity:", 0, 0, 100, 10).Buddy("Edit108"),
        Check(ROW(Form1, CheckBox7), "Metallic", false),
        Check(ROW(Form1, CheckBox81), "Cartoon ", false),
        Check(ROW(Form1, CheckBox82), "Cartoon + highlights", true).Disabled(),
        Combo(ROW(Form1, ComboBox18), "", -1).Editable(),
        Label(ROW(Form1, Label58), ""),
        Edit(ROW(Form1, Edit10), "Bump size =", "1.0"),
        Combo(ROW(Form1, ComboBox19), "", -1).Editable(),
        Label(ROW(Form1, Label68), ""),
        Check(ROW(Form1, CheckBox64), "Invert mapping", false),
        Label(ROW(Form1, Label96), "Transparent"),
        Label(ROW(Form1, Label101), "Opaque"),
        Check(ROW(Form1, CheckBox10), "Active", false),
        Label(ROW(Form1, Label95), "#declare mat="),
        Memo(ROW(Form1, Memo2), ""),
        Edit(ROW(Form1, Edit91), "Resolution:", "1024"),
        Edit(ROW(Form1, Edit93), "Resolution:", "1024"),
        Check(ROW(Form1, CheckBox2), "Work on all materials", false),
        Check(ROW(Form1, CheckBox18), "Transpose UV", false),
        Edit(ROW(Form1, Edit50), "Scale (U,V)=", "1"),
        Edit(ROW(Form1, Edit41), "Scale (U,V)=", "1"),
        Edit(ROW(Form1, Edit51), "Translate (U,V)=", "0"),
        Edit(ROW(Form1, Edit42), "Translate (U,V)=", "0"),
        Check(ROW(Form1, CheckBox43), "Clip to [0,1]", false),
        Check(ROW(Form1, CheckBox5), "Weld UV coords.", false),
        Combo(ROW(Form1, ComboBox16), "Method:", 0).Items(UVProjections),
        Label(ROW(Form1, Label138), "Axis (x,y,z):").Disabled(),
        Edit(ROW(Form1, Edit99), "Axis (x,y,z):", "0").Disabled(),
        Edit(ROW(Form1, Edit105), "Axis (x,y,z):", "0").Disabled(),
        Edit(ROW(Form1, Edit106), "Axis (x,y,z):", "1").Disabled(),
        Combo(ROW(Form1, ComboBox20), "", 0).Items(UVRemapColors).Hidden(),
        // Groups tab
        Pages(ROW(Form1, PageControl6), "", 4),
        Check(ROW(Form1, CheckBox62), "Reset camera after update", false).Key("resetcamera"),
        Edit(ROW(Form1, Edit4), "Scale", "1"),
        Edit(ROW(Form1, Edit5), "Scale", "1"),
        Edit(ROW(Form1, Edit6), "Scale", "1"),
        Edit(ROW(Form1, Edit31), "Rot", "0"),
        Edit(ROW(Form1, Edit32), "Rot", "0"),
        Edit(ROW(Form1, Edit33), "Rot", "0"),
        Edit(ROW(Form1, Edit7), "Translate ", "0"),
        Edit(ROW(Form1, Edit8), "Translate ", "0"),
        Edit(ROW(Form1, Edit9), "Translate ", "0"),
        Radio(ROW(Form1, RadioButton1), "No axis flip", true).Group("axisflip"),
        Radio(ROW(Form1, RadioButton13), "Flip X-Y axis", false).Group("axisflip"),
        Radio(ROW(Form1, RadioButton14), "Flip X-Z axis ", false).Group("axisflip"),
        Radio(ROW(Form1, RadioButton15), "Flip Y-Z axis ", false).Group("axisflip"),
        Check(ROW(Form1, CheckBox23), "Transform lights", false),
        Check(ROW(Form1, CheckBox57), "Transform placeholders", false),
        Edit(ROW(Form1, Edit88), "Scale and Rotation Reference Point:", "0"),
        Edit(ROW(Form1, Edit89), "Scale and Rotation Reference Point:", "0"),
        Edit(ROW(Form1, Edit92), "Scale and Rotation Reference Point:", "0"),
        Check(ROW(Form1, CheckBox32), "Calculate normals.  Crease angle (deg) =", false),
        Edit(ROW(Form1, Edit57), "", "35").Disabled(),
        UpDown(ROW(Form1, UpDown7), "", 35, 0, 180, 5).Buddy("Edit57").Disabled(),
        Combo(ROW(Form1, ComboBox23), "", 1).Items(NormalModes).Disabled().Key("normal_calc"),
        Check(ROW(Form1, CheckBox24), "Weld vertices. Tolerance=", false),
        Edit(ROW(Form1, Edit58), "", "0.000001").Disabled(),
        Check(ROW(Form1, CheckBox15), "Split faces by crease angle", false),
        Radio(ROW(Form1, RadioButton22), "By current crease angle", false).Group("split").Disabled().Hidden(),
        Radio(ROW(Form1, RadioButton23), "By group", false).Group("split").Disabled().Hidden(),
        Radio(ROW(Form1, RadioButton24), "By material", false).Group("split").Disabled().Hidden(),
        Check(ROW(Form1, CheckBox17), "Flip Normals", false),
        Check(ROW(Form1, CheckBox38), "Reverse vertex winding", false),
        Radio(ROW(Form1, RadioButton6), "Flat", false).Group("subdivision"),
        Radio(ROW(Form1, RadioButton7), "Smooth (Loop's algorithm)", true).Group("subdivision"),
        Check(ROW(Form1, CheckBox77), "Smooth mesh edges", true),
        Check(ROW(Form1, CheckBox78), "Keep mesh creases", false),
        Check(ROW(Form1, CheckBox80), "Only work on subdivision faces (if present)", true),
        Check(ROW(Form1, CheckBox12), "Smooth material boundaries", true),
        Check(ROW(Form1, CheckBox79), "Smooth UV edges", false),
        Check(ROW(Form1, CheckBox28), "Only work on subdivision faces (if present)", true).Disabled(),
        Edit(ROW(Form1, Edit54), "Displacement file:", ""),
        Label(ROW(Form1, Label92), ""),
        Edit(ROW(Form1, Edit55), "Amount of displacement:", "-0.0005"),
        Edit(ROW(Form1, Edit56), "Amount of displacement:", "0.0005"),
        Check(ROW(Form1, CheckBox44), "x", true),
        Check(ROW(Form1, CheckBox45), "y", true),
        Check(ROW(Form1, CheckBox46), "z", true),
        Edit(ROW(Form1, Edit64), "", "0.001").Hidden(),
        Edit(ROW(Form1, Edit43), "Tip width", "0.005"),
        Edit(ROW(Form1, Edit74), "Root width", "0.01"),
        Edit(ROW(Form1, Edit44), "Twist (%)", "10"),
        UpDown(ROW(Form1, UpDown15), "Twist (%)", 10, 0, 100, 1).Buddy("Edit44"),
        Check(ROW(Form1, CheckBox13), "Create root material", false),
        // Light Dome tab
        Memo(ROW(Form1, Memo3), ""),
        Edit(ROW(Form1, Edit21), "", "").Hidden(),
        Edit(ROW(Form1, Edit104), "Max number of lights to extract", "100").Key("hdrmaxlites"),
        Edit(ROW(Form1, Edit63), "Rotate lights (deg)", "0"),
        UpDown(ROW(Form1, UpDown2), "Rotate lights (deg)", 0, -180, 180, 30).Buddy("Edit63"),
        Check(ROW(Form1, CheckBox76), "Remove all previous lights first", true),
        Edit(ROW(Form1, Edit45), "Shadows for intensities greater than (%)", "20").Key("hdrshadowthreshold"),
        Check(ROW(Form1, CheckBox49), "only above horizon", true).Key("hdrabovehorzonly"),
        Check(ROW(Form1, CheckBox29), "Convert all lights to white level", true).Key("hdroutdoorscene"),
        Check(ROW(Form1, CheckBox58), "Soft shadows (slow)", false).Key("hdrsoftshadow"),
        Check(ROW(Form1, CheckBox75), "Rescale overall light intensity to (%)", true).Key("hdrscaleintensity"),
        Edit(ROW(Form1, Edit114), "Rescale overall light intensity to (%)", "200").Key("hdrintensity"),
        Check(ROW(Form1, CheckBox74), "Shadow on strongest light only", false).Hidden().Key("strongliteshadow"),
        Edit(ROW(Form1, Edit100), "Search Region", "-90").Hidden(),
        Edit(ROW(Form1, Edit101), "Search Region", "90").Hidden(),
        Edit(ROW(Form1, Edit102), "Search Region", "0").Hidden(),
        Edit(ROW(Form1, Edit103), "Search Region", "360").Hidden(),
        Label(ROW(Form1, Label171), "Min Color", 0x000000).Hidden(),
        Label(ROW(Form1, Label174), "Max color", 0xFFFFFF).Hidden(),
        Edit(ROW(Form1, Edit98), "Intensity/Color Range to include", "0").Hidden(),
        Edit(ROW(Form1, Edit22), "Intensity/Color Range to include", "1E30").Hidden(),
        // POV-Ray Output tab: "Options"
        Pages(ROW(Form1, PageControl5), "", 2),
        Edit(ROW(Form1, Edit47), "Width=", "1000").Key("povw"),
        Edit(ROW(Form1, Edit48), "Height=", "1000").Key("povh"),
        Check(ROW(Form1, CheckBox31), "Keep aspect ratio of preview", true).Key("previewaspectratio"),
        Combo(ROW(Form1, ComboBox5), "Format", 1).Items(OutputFormats).Key("povoutputformat"),
        Edit(ROW(Form1, Edit61), "Name", ""),
        Combo(ROW(Form1, ComboBox6), "Antialias", 1).Items(AntialiasModes).Key("aatype"),
        Combo(ROW(Form1, ComboBox24), "Quality", 6).Items(QualityLevels),
        Check(ROW(Form1, CheckBox16), "Mosaic preview", true).Key("mosaic"),
        Check(ROW(Form1, CheckBox50), "Include alpha channel", false).Key("outputalpha"),
        Check(ROW(Form1, CheckBox60), "Render can be paused", false).Key("continuepov"),
        Edit(ROW(Form1, Edit52), "POV-Ray executable", "").Key("povlocation"),
        Check(ROW(Form1, CheckBox48), "Simplify geometry to bounding boxes for each group", false),
        Check(ROW(Form1, CheckBox51), "Only export geometry and materials.", false),
        Label(ROW(Form1, Label21), "Coordinate System:").Disabled(),
        Combo(ROW(Form1, ComboBox12), "Coordinate System:", 0).Items(Handedness).Disabled(),
        Combo(ROW(Form1, ComboBox10), "Break the mesh by:", 0).Items(MeshModes).Key("meshmode"),
        Combo(ROW(Form1, ComboBox14), "Radiosity", 0).Items(RadiosityPresets).Key("radiosity"),
        Edit(ROW(Form1, Edit46), "Line thickness (if visible)", "0.001").Key("linethickness"),
        Check(ROW(Form1, CheckBox20), "Spherical camera", false),
        Check(ROW(Form1, CheckBox41), "Include texture coordinates (UV)", true).Key("povuv"),
        Check(ROW(Form1, CheckBox11), "Fix orientation of TIFF image maps (POV-Ray 3.5)", false).Key("fixtiff"),
        Memo(ROW(Form1, Memo1), "Custom initialization").Key("additionalcommandscount"),
        Check(ROW(Form1, CheckBox59), "Use these initialization commands only  - above settings will be ignored (Advanced POV-Ray users)", false),
        // POV-Ray Output tab: "Files" and batch options
        Label(ROW(Form1, Label44), "Initialization file (render settings):"),
        Edit(ROW(Form1, Edit68), "Initialization file (render settings):", ""),
        Label(ROW(Form1, Label102), "Scene file (lights and camera):"),
        Edit(ROW(Form1, Edit2), "Scene file (lights and camera):", ""),
        Edit(ROW(Form1, Edit13), "Geometry include file:", ""),
        Edit(ROW(Form1, Edit12), "Material include file:", ""),
        Radio(ROW(Form1, RadioButton3), "Use a Batch file ", false).Group("batch"),
        Edit(ROW(Form1, Edit90), "", "mirelan_batch_render.sh").Disabled(),
        Radio(ROW(Form1, RadioButton4), "Use a POV file", true).Group("batch"),
        Edit(ROW(Form1, Edit115), "", "mirelan_scene.pov"),
        Edit(ROW(Form1, Edit119), "Input file name prefix", "mirelan_mesh"),
        Edit(ROW(Form1, Edit117), "Clock from", "0"),
        Edit(ROW(Form1, Edit118), "to", "1"),
        Edit(ROW(Form1, Edit120), "Initial Frame", "0"),
        Edit(ROW(Form1, Edit116), "Common object name", "mirelan_scene_object"),
        Edit(ROW(Form1, Edit71), "Common input material file. Leave blank to use each file's materials", " "),
        Check(ROW(Form1, CheckBox19), "Export a common POV-Ray material file:", true),
        Edit(ROW(Form1, Edit23), "", "mirelan_scene_materials_pov.inc"),
        // Moray Output, OBJ Output and YafRay tabs
        Edit(ROW(Form1, Edit11), "UDO file:", ""),
        Edit(ROW(Form1, Edit29), "Geometry file:", ""),
        Label(ROW(Form1, Label112), "Material file:"),
        Edit(ROW(Form1, Edit82), "Material file:", ""),
        Radio(ROW(Form1, RadioButton20), "Use the original materials in the scene and create a material file", true).Group("moray"),
        Radio(ROW(Form1, RadioButton21), "Disable the original materials so that Moray materials can be used instead", false).Group("moray").Key("disablematerials"),
        Label(ROW(Form1, Label155), "Important: Check Mirelan's manual for details on getting Moray and POV-Ray working together."),
        Edit(ROW(Form1, Edit1), "Modified OBJ file:", ""),
        Edit(ROW(Form1, Edit86), "Assosiated Material filename:", ""),
        Check(ROW(Form1, CheckBox21), "Save normals", true),
        Check(ROW(Form1, CheckBox22), "Save texture coordinates (UV)", true),
        Check(ROW(Form1, CheckBox73), "Fix material and group names ", false).Key("objgroupmatnamefix"),
        Check(ROW(Form1, CheckBox83), "Export camera as a mesh", false),
        Edit(ROW(Form1, Edit111), "", "scene.xml"),
        // Map search dialog
        Label(ROW(searchForm2, Label3), "Start search in"),
        Memo(ROW(searchForm2, Memo1), "").Key("searchdircount"),
        Label(ROW(searchForm2, Label4), "File name:"),
        Edit(ROW(searchForm2, Edit1), "File name:", ""),
        Label(ROW(searchForm2, Label1), "Search results"),
        List(ROW(searchForm2, ListBox1), ""),
        // Export options dialog
        Edit(ROW(Form2, Edit1), "Save all files to directory", "").Key("savetodir"),
        Check(ROW(Form2, CheckBox16), "Copy all maps to the same directory", false).Key("copymaps"),
        Check(ROW(Form2, CheckBox27), "Include file paths to image maps", true).Key("povusepaths"),
        Check(ROW(Form2, CheckBox28), "Fix map names", true).Disabled().Key("fixnames"),
        Check(ROW(Form2, CheckBox43), "Fix map max resolution to", true).Disabled().Key("resizemaps"),
        Edit(ROW(Form2, Edit45), "", "512").Disabled().Key("fixmaxresolution"),
        Label(ROW(Form2, Label2), "Resized maps will be JPEG").Disabled(),
        Label(ROW(Form2, Label3), "Map aspect ratio is kept").Disabled(),
        Label(ROW(Form2, Label4), "Only larger maps are resized").Disabled(),
        Check(ROW(Form2, CheckBox1), "Overwrite files (except render)", true).Key("overwritefiles"),
        // Poser scene import dialog
        Edit(ROW(Form3, Edit1), "OBJ file with the geometry:", "").Key("poserobj"),
        Check(ROW(Form3, CheckBox3), "Cleanup geometry", true).Key("posercleanupgeom"),
        Edit(ROW(Form3, Edit2), "Poser scene file (mats, cam && lights):", "").Key("poserscene"),
        Check(ROW(Form3, CheckBox1), "Read camera", true).Key("loadposercam"),
        Check(ROW(Form3, CheckBox2), "Read lights", true).Key("loadposerlites"),
        Memo(ROW(Form3, Memo1), "Directories where textures used by Poser are stored:").Key("posermapdircount"),
        // Status-messages window
        Pages(ROW(Form4, PageControl1), "", 6),
        // DAZ Studio scene import dialog
        Edit(ROW(Form7, Edit1), "OBJ file with the geometry:", "").Key("dazobj"),
        Check(ROW(Form7, CheckBox3), "Cleanup geometry", false).Key("dazcleanupgeom"),
        Check(ROW(Form7, CheckBox1), "Use a DAZ|Studio light preset:", true).Key("dazliteuse"),
        Edit(ROW(Form7, Edit3), "", "").Key("dazlite"),
        Check(ROW(Form7, CheckBox2), "Use a DAZ|Studio camera preset: (experimental)", true).Key("dazcamuse"),
        Edit(ROW(Form7, Edit4), "", "").Key("dazcam"),
        Edit(ROW(Form7, Edit2), "", "").Hidden().Key("dazmapdir"),
        // Snippet picker
        Label(ROW(Form8, Label1), "Double click to insert. ESC to exit"),
        Pages(ROW(Form8, PageControl1), "", 7),
        List(ROW(Form8, ListBox6), ""),
        List(ROW(Form8, ListBox1), ""),
        List(ROW(Form8, ListBox2), ""),
        List(ROW(Form8, ListBox3), ""),
        List(ROW(Form8, ListBox4), ""),
        List(ROW(Form8, ListBox5), ""),
        List(ROW(Form8, ListBox7), ""),
        Check(ROW(Form8, CheckBox1), "Use 3D mapping", false),
    };
    return std::vector<ControlInfo>(std::begin(rows), std::end(rows));
}

#undef ROW

const std::vector<ControlInfo>& Table() {
    static const std::vector<ControlInfo> table = BuildTable();
    return table;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<int32_t> ParseInt32(std::string_view s) {
    s = TrimBlanks(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<bool> ParseFlag(std::string_view s) {
    s = TrimBlanks(s);
    if (s == "1" || SameTextAscii(s, "true")) return true;
    if (s == "0" || SameTextAscii(s, "false")) return false;
    return std::nullopt;
}

// Decimal, or hexadecimal after "0x" or "#" (then read as an unsigned 32-bit
// pattern, so that "#80000005" works).
std::optional<int32_t> ParseColor(std::string_view s) {
    s = TrimBlanks(s);
    std::string_view hex;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        hex = s.substr(2);
    else if (s.size() > 1 && s[0] == '#')
        hex = s.substr(1);
    else
        return ParseInt32(s);
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    if (ec != std::errc() || end != hex.data() + hex.size()) return std::nullopt;
    return static_cast<int32_t>(v);
}

std::vector<std::string> SplitLines(std::string_view s) {
    std::vector<std::string> lines;
    if (s.empty()) return lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t nl = s.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.emplace_back(s.substr(start));
            break;
        }
        lines.emplace_back(s.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += '\n';
        out += lines[i];
    }
    return out;
}

std::string JoinItems(const tcombobox& combo) {
    std::string out;
    for (std::size_t i = 0, n = combo.Count(); i < n; ++i) {
        if (i) out += '\n';
        out += combo.Item(i);
    }
    return out;
}

tcontrol& Common(const ControlInfo& c) {
    return std::visit([](auto* p) -> tcontrol& { return *p; }, c.ref);
}

template <class T>
T& As(const ControlInfo& c) {
    return *std::get<T*>(c.ref);
}

void ShowInBuddy(const ControlInfo& updown) {
    if (updown.buddy.empty()) return;
    if (const ControlInfo* buddy = FindControl(updown.form, updown.buddy); buddy && buddy->kind == ControlKind::Edit)
        As<tedit>(*buddy).text = std::to_string(As<tupdown>(updown).position);
}

}  // namespace

std::string ControlInfo::QualifiedName() const {
    std::string s(form);
    s += '.';
    s += name;
    return s;
}

bool ControlInfo::HasKey(std::string_view key) const {
    std::string_view rest = keys;
    while (!rest.empty()) {
        const std::size_t blank = rest.find(' ');
        const std::string_view word = rest.substr(0, blank);
        if (!word.empty() && SameTextAscii(word, key)) return true;
        if (blank == std::string_view::npos) break;
        rest.remove_prefix(blank + 1);
    }
    return false;
}

std::span<const ControlInfo> ControlTable() { return Table(); }

const ControlInfo* FindControl(std::string_view form, std::string_view name) {
    for (const ControlInfo& c : Table())
        if (c.form == form && c.name == name) return &c;
    return nullptr;
}

const ControlInfo* FindControl(std::string_view qualifiedName) {
    const std::size_t dot = qualifiedName.find('.');
    if (dot == std::string_view::npos) return nullptr;
    return FindControl(qualifiedName.substr(0, dot), qualifiedName.substr(dot + 1));
}

const ControlInfo* FindControlByKey(std::string_view key) {
    if (key.empty()) return nullptr;
    for (const ControlInfo& c : Table())
        if (c.HasKey(key)) return &c;
    return nullptr;
}

void ResetControl(const ControlInfo& c) {
    tcontrol& common = Common(c);
    common.enabled = c.enabled;
    common.visible = c.visible;
    switch (c.kind) {
        case ControlKind::CheckBox: As<tcheckbox>(c).checked = c.value != 0; break;
        case ControlKind::RadioButton: As<tradiobutton>(c).checked = c.value != 0; break;
        case ControlKind::Edit: {
            tedit& e = As<tedit>(c);
            e.text = std::string(c.text);
            e.color = clNone;
            break;
        }
        case ControlKind::ComboBox: {
            tcombobox& cb = As<tcombobox>(c);
            if (!cb.source) cb.items.assign(c.items.begin(), c.items.end());
            cb.index = c.value;
            cb.text.clear();
            break;
        }
        case ControlKind::UpDown: {
            tupdown& u = As<tupdown>(c);
            u.position = c.value;
            u.min = c.min;
            u.max = c.max;
            u.increment = c.increment;
            break;
        }
        case ControlKind::Memo:
            As<tmemo>(c).lines = SplitLines(c.text);
            As<tmemo>(c).selStart = As<tmemo>(c).selLength = 0;
            break;
        case ControlKind::Label: {
            tlabel& l = As<tlabel>(c);
            l.caption = std::string(c.caption);
            l.color = c.value;
            break;
        }
        case ControlKind::Panel: {
            tpanel& p = As<tpanel>(c);
            p.caption = std::string(c.caption);
            p.color = c.value;
            break;
        }
        case ControlKind::PageControl: As<tpagecontrol>(c).active = c.value; break;
        case ControlKind::SpinButton: break;
        case ControlKind::ListBox: {
            tlistbox& l = As<tlistbox>(c);
            l.items.clear();
            l.index = c.value;
            break;
        }
    }
}

std::string GetControlValue(const ControlInfo& c) {
    switch (c.kind) {
        case ControlKind::CheckBox: return As<tcheckbox>(c).checked ? "1" : "0";
        case ControlKind::RadioButton: return As<tradiobutton>(c).checked ? "1" : "0";
        case ControlKind::Edit: return As<tedit>(c).text;
        case ControlKind::ComboBox: return std::to_string(As<tcombobox>(c).index);
        case ControlKind::UpDown: return std::to_string(As<tupdown>(c).position);
        case ControlKind::Memo: return JoinLines(As<tmemo>(c).lines);
        case ControlKind::Label: return std::to_string(As<tlabel>(c).color);
        case ControlKind::Panel: return std::to_string(As<tpanel>(c).color);
        case ControlKind::PageControl: return std::to_string(As<tpagecontrol>(c).active);
        case ControlKind::SpinButton: return "";
        case ControlKind::ListBox: return std::to_string(As<tlistbox>(c).index);
    }
    return "";
}

bool SetControlValue(const ControlInfo& c, std::string_view value) {
    switch (c.kind) {
        case ControlKind::CheckBox: {
            const auto flag = ParseFlag(value);
            if (!flag) return false;
            As<tcheckbox>(c).checked = *flag;
            return true;
        }
        case ControlKind::RadioButton: {
            const auto flag = ParseFlag(value);
            if (!flag) return false;
            if (*flag && !c.group.empty())
                for (const ControlInfo& other : Table())
                    if (other.kind == ControlKind::RadioButton && other.form == c.form && other.group == c.group)
                        As<tradiobutton>(other).checked = false;
            As<tradiobutton>(c).checked = *flag;
            return true;
        }
        case ControlKind::Edit: As<tedit>(c).text = std::string(value); return true;
        case ControlKind::ComboBox: {
            tcombobox& cb = As<tcombobox>(c);
            const auto index = ParseInt32(value);
            if (!index || *index < -1 || *index >= static_cast<int64_t>(cb.Count())) return false;
            cb.index = *index;
            if (cb.index >= 0) cb.text = cb.Item(static_cast<std::size_t>(cb.index));
            return true;
        }
        case ControlKind::UpDown: {
            const auto position = ParseInt32(value);
            if (!position) return false;
            tupdown& u = As<tupdown>(c);
            u.position = std::clamp(*position, std::min(u.min, u.max), std::max(u.min, u.max));
            ShowInBuddy(c);
            return true;
        }
        case ControlKind::Memo: As<tmemo>(c).lines = SplitLines(value); return true;
        case ControlKind::Label:
        case ControlKind::Panel: {
            const auto color = ParseColor(value);
            if (!color) return false;
            if (c.kind == ControlKind::Label)
                As<tlabel>(c).color = *color;
            else
                As<tpanel>(c).color = *color;
            return true;
        }
        case ControlKind::PageControl: {
            const auto page = ParseInt32(value);
            if (!page || *page < 0 || *page > c.max) return false;
            As<tpagecontrol>(c).active = *page;
            return true;
        }
        case ControlKind::SpinButton: return false;
        case ControlKind::ListBox: {
            tlistbox& l = As<tlistbox>(c);
            const auto index = ParseInt32(value);
            if (!index || *index < -1 || *index >= static_cast<int32_t>(l.items.size())) return false;
            l.index = *index;
            return true;
        }
    }
    return false;
}

namespace {

// A path splits into the control and an optional property after a second ".".
struct ControlPath {
    const ControlInfo* control = nullptr;
    std::string_view property;
};

ControlPath ResolvePath(std::string_view path) {
    ControlPath result;
    const std::size_t first = path.find('.');
    if (first == std::string_view::npos) return result;
    const std::size_t second = path.find('.', first + 1);
    const std::string_view qualified = path.substr(0, second);
    result.control = FindControl(qualified);
    if (second != std::string_view::npos) result.property = path.substr(second + 1);
    return result;
}

}  // namespace

std::optional<std::string> GetControlValue(std::string_view path) {
    const ControlPath p = ResolvePath(path);
    if (!p.control) return std::nullopt;
    const ControlInfo& c = *p.control;
    if (p.property.empty()) return GetControlValue(c);
    if (p.property == "enabled") return std::string(Common(c).enabled ? "1" : "0");
    if (p.property == "visible") return std::string(Common(c).visible ? "1" : "0");
    if (p.property == "text") {
        if (c.kind == ControlKind::Edit) return As<tedit>(c).text;
        if (c.kind == ControlKind::ComboBox) return As<tcombobox>(c).SelectedText();
    }
    if (p.property == "caption") {
        if (c.kind == ControlKind::Label) return As<tlabel>(c).caption;
        if (c.kind == ControlKind::Panel) return As<tpanel>(c).caption;
    }
    if (p.property == "items") {
        if (c.kind == ControlKind::ComboBox) return JoinItems(As<tcombobox>(c));
        if (c.kind == ControlKind::ListBox) return JoinLines(As<tlistbox>(c).items);
    }
    return std::nullopt;
}

bool SetControlValue(std::string_view path, std::string_view value) {
    const ControlPath p = ResolvePath(path);
    if (!p.control) return false;
    const ControlInfo& c = *p.control;
    if (p.property.empty()) return SetControlValue(c, value);
    if (p.property == "enabled" || p.property == "visible") {
        const auto flag = ParseFlag(value);
        if (!flag) return false;
        (p.property == "enabled" ? Common(c).enabled : Common(c).visible) = *flag;
        return true;
    }
    if (p.property == "text") {
        if (c.kind == ControlKind::Edit) {
            As<tedit>(c).text = std::string(value);
            return true;
        }
        if (c.kind == ControlKind::ComboBox) {
            tcombobox& cb = As<tcombobox>(c);
            cb.text = std::string(value);
            // Typing a text selects the item of that text, if any.
            cb.index = cb.IndexOf(cb.text);
            return true;
        }
    }
    if (p.property == "caption") {
        if (c.kind == ControlKind::Label) {
            As<tlabel>(c).caption = std::string(value);
            return true;
        }
        if (c.kind == ControlKind::Panel) {
            As<tpanel>(c).caption = std::string(value);
            return true;
        }
    }
    if (p.property == "items") {
        // The items of a list of records are their names: only the records
        // change them.
        if (c.kind == ControlKind::ComboBox && !As<tcombobox>(c).source) {
            tcombobox& cb = As<tcombobox>(c);
            cb.items = SplitLines(value);
            if (cb.index >= static_cast<int32_t>(cb.items.size())) cb.index = -1;
            return true;
        }
        if (c.kind == ControlKind::ListBox) {
            tlistbox& l = As<tlistbox>(c);
            l.items = SplitLines(value);
            if (l.index >= static_cast<int32_t>(l.items.size())) l.index = -1;
            return true;
        }
    }
    return false;
}

bool ApplyControlAssignment(std::string_view assignment) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string_view::npos) return false;
    return SetControlValue(assignment.substr(0, eq), assignment.substr(eq + 1));
}

std::span<const ControlHint> ControlHints() {
    static constexpr ControlHint hints[] = {
        {"Form1.Button13", "Set at geometry center"},
        {"Form1.Button42", "Point at geometry center"},
        {"Form1.Button17", "Auto size"},
        {"Form1.Label155", "Open Moray section of Mirelan's manual"},
        {"Form8", "Double click to insert. ESC to exit"},
    };
    return hints;
}
