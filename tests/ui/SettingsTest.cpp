// The settings file: written and read back whole, the exact text, files of
// another build, and damaged files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/Scene.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/Version.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/Settings.h"

namespace fs = std::filesystem;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) / ("mirelan_settings_" + std::string(info->name()) + "_" +
                                                 std::to_string(static_cast<long>(::getpid())));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        SetProgramDirOverride(dir_.string());
        ClearAll();
    }
    void TearDown() override {
        ClearAll();
        SetProgramDirOverride("");
        fs::remove_all(dir_);
    }
    static void ClearAll() {
        ResetOptionsToDefaults();
        CreateModelLists();  // empty, the camera presets listing the cameras
        Scene.backgroundColor = 0xF0F0F0;
    }
    std::string Folder() const { return dir_.string(); }
    // A file of the running build with the given lines after "[general]".
    static std::string FileOf(const std::string& general, const std::string& tail = "") {
        return ";header\r\n[general]\r\nbuild=" + BuildNumber() + "\r\n" + general + tail;
    }
    // Every control's value, and the window values, as text.
    static std::vector<std::string> State() {
        std::vector<std::string> s;
        for (const ControlInfo& c : ControlTable()) {
            s.push_back(c.QualifiedName() + "=" + GetControlValue(c));
            if (c.kind == ControlKind::ComboBox || c.kind == ControlKind::ListBox)
                s.push_back(c.QualifiedName() + ".items=" + GetControlValue(c.QualifiedName() + ".items").value());
        }
        for (const twindowbounds* b : {&Form1.bounds, &Form4.bounds, &Form5.bounds, &Form9.bounds})
            s.push_back(std::to_string(b->left) + "," + std::to_string(b->top) + "," + std::to_string(b->width) +
                        "," + std::to_string(b->height));
        s.push_back(std::to_string(Form1.maximized) + std::to_string(Form4.maximized) +
                    std::to_string(Form5.maximized) + std::to_string(Form9.maximized));
        s.push_back("lastdir=" + Form1.OpenDialog1.initialDir);
        s.push_back("hdrshop=" + Form1.HDRShopPath);
        s.push_back("background=" + std::to_string(Scene.backgroundColor));
        s.push_back("presets=" + std::to_string(Cameras.size()) + "," + std::to_string(LightPresets.size()) + "," +
                    std::to_string(PresetLights.size()));
        return s;
    }

    fs::path dir_;
};

tcamera MakeCamera(const std::string& name, double base) {
    tcamera c;
    c.noPerspective = 1;
    c.zoom = base + 0.5;
    c.useFocalBlur = 0;
    c.reserved1 = base + 1;
    c.focusBack = -base - 2.25;
    c.focusFront = base + 3;
    c.reserved2 = base + 4;
    c.panH = base + 5;
    c.panV = base + 6;
    c.distance = base + 7.125;
    c.pitch = base + 8;
    c.yaw = -base - 9;
    c.roll = base + 10;
    c.name = name;
    c.translation = {base + 11, base + 12, 0.001};
    c.previewWidth = 641;
    c.previewHeight = 479;
    return c;
}

tlight MakeLight(const std::string& name, int k) {
    tlight l;
    l.position = {k + 0.1, k + 0.2, k + 0.3};
    l.elevation = k + 1;
    l.rotation = k + 2;
    l.thirdAngle = k + 3;
    l.color = {0.25, 0.5, 0.75};
    l.spotTightness = 12.5f;
    l.spotSpread = 33.0f;
    l.kind = k % 4;
    l.shadow = k % 2;
    l.name = name;
    l.optionA = k + 40;
    l.intensity = 1.5 + k;
    l.factorB = 0.125;
    l.pointAt = {-1.0 * k, -2.0, -3.0};
    l.jitter = 1;
    l.areaSize = 0.03;
    l.areaSamples = 5 + k;
    l.optionC = 7;
    l.optionD = -8;
    l.fadeDistance = 123456.789;
    return l;
}

void ExpectSameCamera(const tcamera& a, const tcamera& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.noPerspective, b.noPerspective);
    EXPECT_EQ(a.useFocalBlur, b.useFocalBlur);
    for (auto field : {&tcamera::zoom, &tcamera::reserved1, &tcamera::focusBack, &tcamera::focusFront,
                       &tcamera::reserved2, &tcamera::panH, &tcamera::panV, &tcamera::distance, &tcamera::pitch,
                       &tcamera::yaw, &tcamera::roll})
        EXPECT_DOUBLE_EQ(a.*field, b.*field);
    EXPECT_DOUBLE_EQ(a.translation.x, b.translation.x);
    EXPECT_DOUBLE_EQ(a.translation.y, b.translation.y);
    EXPECT_DOUBLE_EQ(a.translation.z, b.translation.z);
    EXPECT_EQ(a.previewWidth, b.previewWidth);
    EXPECT_EQ(a.previewHeight, b.previewHeight);
}

void ExpectSameLight(const tlight& a, const tlight& b) {
    EXPECT_EQ(a.name, b.name);
    for (auto v : {&tlight::position, &tlight::color, &tlight::pointAt}) {
        EXPECT_DOUBLE_EQ((a.*v).x, (b.*v).x);
        EXPECT_DOUBLE_EQ((a.*v).y, (b.*v).y);
        EXPECT_DOUBLE_EQ((a.*v).z, (b.*v).z);
    }
    for (auto d : {&tlight::elevation, &tlight::rotation, &tlight::thirdAngle, &tlight::intensity,
                   &tlight::factorB, &tlight::areaSize, &tlight::fadeDistance})
        EXPECT_DOUBLE_EQ(a.*d, b.*d);
    EXPECT_FLOAT_EQ(a.spotTightness, b.spotTightness);
    EXPECT_FLOAT_EQ(a.spotSpread, b.spotSpread);
    for (auto i : {&tlight::kind, &tlight::shadow, &tlight::optionA, &tlight::areaSamples, &tlight::optionC,
                   &tlight::optionD})
        EXPECT_EQ(a.*i, b.*i);
    EXPECT_EQ(a.jitter, b.jitter);
}

// Gives every control that the file keeps a value other than its default.
void ChangeEveryStoredControl(const std::string& existingFolder) {
    int n = 0;
    for (const ControlInfo& c : ControlTable()) {
        if (c.keys.empty()) continue;
        ++n;
        const std::string name = c.QualifiedName();
        switch (c.kind) {
            case ControlKind::CheckBox:
                ASSERT_TRUE(SetControlValue(c, GetControlValue(c) == "1" ? "0" : "1")) << name;
                break;
            case ControlKind::RadioButton: ASSERT_TRUE(SetControlValue(c, "1")) << name; break;
            case ControlKind::Edit: ASSERT_TRUE(SetControlValue(c, "text of " + name + " = x")) << name; break;
            case ControlKind::ComboBox:
                if (!c.items.empty()) {
                    ASSERT_TRUE(SetControlValue(c, std::to_string((c.value + 1) % static_cast<int>(c.items.size()))));
                }
                break;
            case ControlKind::UpDown: ASSERT_TRUE(SetControlValue(c, std::to_string(c.value + 7))) << name; break;
            case ControlKind::Label: ASSERT_TRUE(SetControlValue(c, std::to_string(0x102030 + n))) << name; break;
            default: break;
        }
    }
    // Values the reader checks.
    Form1.Edit24.text = "256";
    Form1.UpDown3.position = 8;
    Form1.Edit25.text = "32";
    Form1.UpDown4.position = 5;
    Form2.Edit1.text = existingFolder;
    // The lists.
    searchForm2.Memo1.lines = {"/maps/one", "", "/maps/with blank"};
    Form1.ComboBox15.items = {"/models/a.obj", "/models/b c.3ds"};
    Form1.ComboBox15.index = 0;
    Form1.ComboBox15.text = "/models/a.obj";
    Form1.Memo1.lines = {"+A0.1", "Library_Path=/usr/share/povray"};
    Form3.Memo1.lines = {"/poser/textures"};
    // Beside the controls.
    Form1.OpenDialog1.initialDir = existingFolder;
    Form1.HDRShopPath = "/opt/hdr shop/hdrshop.exe";
    Scene.backgroundColor = 0x00A0B0C0;
    Form1.maximized = true;
    Form9.bounds = {5, 6, 700, 500};
    Form4.bounds = {-10, 20, 300, 200};
    Form4.visible = true;
    Form5.maximized = true;
}

TEST_F(SettingsTest, WrittenAndReadBackRestoresEveryKeyAndBothPresetBlocks) {
    ChangeEveryStoredControl(Folder());
    Cameras = {MakeCamera("Front view", 1), MakeCamera("a, \"b\" c", 2)};
    Form1.ComboBox8.index = 0;
    PresetLights = {MakeLight("Key light", 0), MakeLight("Fill, \"soft\"", 1), MakeLight("Rim", 2)};
    LightPresets = {{0, 2, "Studio set"}, {2, 1, "Rim only"}};
    Form1.ComboBox13.items = {"Studio set", "Rim only"};
    Form1.ComboBox13.index = 0;
    const std::vector<tcamera> cameras = Cameras;
    const std::vector<tlight> lights = PresetLights;
    const std::vector<std::string> before = State();

    ASSERT_TRUE(SaveSettings());
    ClearAll();
    const SettingsResult r = LoadSettings();
    EXPECT_TRUE(r.found);
    EXPECT_TRUE(r.applied);

    // The visibility of the status and help windows is written, not read.
    EXPECT_FALSE(Form4.visible);
    const std::vector<std::string> after = State();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]);
    EXPECT_TRUE(Form1.maximized);
    EXPECT_TRUE(Form5.maximized);
    EXPECT_EQ(Form9.bounds, (twindowbounds{5, 6, 700, 500}));
    EXPECT_EQ(Form4.bounds, (twindowbounds{-10, 20, 300, 200}));

    ASSERT_EQ(Cameras.size(), cameras.size());
    for (std::size_t i = 0; i < cameras.size(); ++i) ExpectSameCamera(Cameras[i], cameras[i]);
    ASSERT_EQ(PresetLights.size(), lights.size());
    for (std::size_t i = 0; i < lights.size(); ++i) ExpectSameLight(PresetLights[i], lights[i]);
    ASSERT_EQ(LightPresets.size(), 2u);
    EXPECT_EQ(LightPresets[0].name, "Studio set");
    EXPECT_EQ(LightPresets[0].first, 0);
    EXPECT_EQ(LightPresets[0].count, 2);
    EXPECT_EQ(LightPresets[1].first, 2);

    // The handlers to run: restored check boxes and edits, but not the
    // output size edits, whose handlers stay detached.
    const auto has = [&](const std::string& n) {
        return std::find(r.changedControls.begin(), r.changedControls.end(), n) != r.changedControls.end();
    };
    EXPECT_TRUE(has("Form1.CheckBox30"));
    EXPECT_TRUE(has("Form1.CheckBox37"));
    EXPECT_TRUE(has("Form1.Edit65"));  // shows the restored up-down
    EXPECT_TRUE(has("Form1.RadioButton21"));
    EXPECT_FALSE(has("Form1.Edit47"));
    EXPECT_FALSE(has("Form1.Edit48"));
    EXPECT_FALSE(has("Form1.ComboBox5"));  // combo boxes run no handler
}

TEST_F(SettingsTest, TextOfTheFileKeysInOrderFlagsOnlyWhenChecked) {
    const std::string version = GetVersionString();
    std::string text = BuildSettingsText();
    EXPECT_EQ(text.rfind(";This file contains all the settings for Mirelan v" + version + "\r\n[general]\r\nbuild=" +
                             BuildNumber() + "\r\nlastdir=\r\nsearchdircount=0\r\n",
                         0),
              0u);
    // Unchecked flags are not written, checked ones as "=1"; no presets: the
    // file ends with one line holding a blank.
    EXPECT_EQ(text.find("glnormals"), std::string::npos);
    EXPECT_NE(text.find("\r\nglaxis=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\ngldrawmode=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\npovoutputformat=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\ngridcolor=" + std::to_string(Form1.Label148.color) + "\r\n"), std::string::npos);
    const std::string ending = "\r\nmeshmode=0\r\n \r\n";
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }

    // With every flag checked, every key appears in this order.
    for (const ControlInfo& c : ControlTable())
        if (!c.keys.empty() && (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton))
            SetControlValue(c, "1");
    searchForm2.Memo1.lines = {"a", "b"};
    Form1.ComboBox15.items = {"m.obj"};
    Form1.Memo1.lines = {"+A"};
    Form3.Memo1.lines = {"p"};
    Form9.maximized = true;
    text = BuildSettingsText();
    std::vector<std::string> keys;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
    }
    const std::vector<std::string> expected = {
        "build", "lastdir", "searchdircount", "searchdir0", "searchdir1", "messagewindow_x", "messagewindow_y",
        "messagewindow_w", "messagewindow_h", "messagewindow_visible", "savetodir", "helpwindow_x", "helpwindow_y",
        "helpwindow_w", "helpwindow_h", "helpwindow_visible", "3dsfix", "Fposx", "Fposy", "Fwidth", "Fheight",
        "glposx", "glposy", "glwidth", "glheight", "glstayontop", "wine", "autosmooth", "fixnames", "copymaps",
        "includelines", "resetcamera", "povusepaths", "fixtiff", "filehistcount", "file0", "glaxis", "glnormals",
        "gltextures", "gllights", "gldoublesided", "glreflect", "gldrawmode", "glbackgroundcolor", "displaygrid",
        "gridvertical", "gridhorizontal", "gridcolor", "autoupdate", "previewmaps", "showalphatextures", "mapsize",
        "mapsizex", "mapsizey", "glmapsizex", "glmapsizey", "useogl", "radiosity", "linethickness", "povw", "povh",
        "previewaspectratio", "povoutputformat", "povlocation", "hdrshop", "hdrmaxlites", "hdrshadowthreshold",
        "hdrsoftshadow", "hdrintensity", "hdrscaleintensity", "hdrabovehorzonly", "hdroutdoorscene", "mosaic",
        "aatype", "outputalpha", "overwritefiles", "resizemaps", "fixmaxresolution", "displayplaceholders",
        "showfocalarea", "showlitelocations", "continuepov", "additionalcommandscount", "inicommand1",
        "disablematerials", "materialmode", "horizon", "horizoncolor", "previewlinecolor", "povuv", "usecutoff",
        "cutoffvalue", "normal_calc", "objgroupmatnamefix", "poserobj", "posercleanupgeom", "poserscene",
        "posermapdircount", "posermapdir0", "loadposercam", "loadposerlites", "dazobj", "dazcleanupgeom",
        "dazliteuse", "dazlite", "dazcamuse", "dazcam", "dazmapdir", "saveplaceholderspov", "strongliteshadow",
        "meshmode"};
    EXPECT_EQ(keys, expected);
    EXPECT_NE(text.find("\r\nglwidth=-1\r\nglheight=-1\r\n"), std::string::npos);

    // The preset blocks: quoted names with doubled quotes, numbers with ".".
    Cameras = {MakeCamera("say \"hi\"", 0)};
    LightPresets = {{0, 1, "Set"}};
    PresetLights = {MakeLight("L", 1)};
    text = BuildSettingsText();
    EXPECT_NE(text.find("\r\nmeshmode=0\r\n \r\n[cameras]\r\n1\r\n\"say \"\"hi\"\"\",0.5,1,-2.25,3,4,5,6,7.125,8,-9,10,"
                        "11,12,0.001,641,479,TRUE,FALSE\r\n \r\n[lights]\r\n1\r\n\"Set\",0,1\r\n1\r\n\"L\",1.1,"),
              std::string::npos)
        << text.substr(text.find("meshmode"));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(SettingsTest, AFileOfAnotherBuildIsIgnoredWhole) {
    const std::string tail = " \r\n[cameras]\r\n1\r\n\"Cam\",20\r\n \r\n[lights]\r\n1\r\n\"Set\",0,0\r\n0\r\n";
    const std::vector<std::string> defaults = State();
    for (const std::string& build : {std::string("build=") + BuildNumber() + "x", std::string("build="),
                                     std::string("notbuild=") + BuildNumber()}) {
        SCOPED_TRACE(build);
        const std::string text = ";x\r\n[general]\r\n" + build + "\r\nglaxis=0\r\npovoutputformat=3\r\n" + tail;
        const SettingsResult r = ApplySettingsText(text);
        EXPECT_TRUE(r.found);
        EXPECT_FALSE(r.applied);
        EXPECT_TRUE(r.changedControls.empty());
        EXPECT_EQ(State(), defaults);
    }
    // Written again at shutdown, the file carries the running build.
    {
        std::ofstream f(SettingsFilePath(), std::ios::binary);
        f << ";x\r\n[general]\r\nbuild=0\r\n";
    }
    EXPECT_FALSE(LoadSettings().applied);
    EXPECT_EQ(State(), defaults);
    // The folders as start-up sets them, so that they survive the round trip.
    InitDialogFolders();
    Form1.OpenDialog1.initialDir = Folder();
    const std::vector<std::string> started = State();
    ASSERT_TRUE(SaveSettings());
    const SettingsResult r = LoadSettings();
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(State(), started);
}

TEST_F(SettingsTest, NoFileOrABlankFileChangesNothing) {
    const std::vector<std::string> defaults = State();
    EXPECT_FALSE(LoadSettings().found);
    { std::ofstream f(SettingsFilePath(), std::ios::binary); }
    EXPECT_FALSE(LoadSettings().applied);
    EXPECT_EQ(State(), defaults);
}

TEST_F(SettingsTest, KeysAreReadAsTheirControlsNeed) {
    const std::string missing = (dir_ / "no such folder").string();
    SettingsResult r = ApplySettingsText(FileOf(
        "GLAXIS=1\r\nglaxis=0\r\n"          // case ignored, the first line counts
        "  gridvertical  =  17 \r\n"        // blanks around key and value
        "glmapsizex=512\r\nglmapsizey=100\r\n"
        "lastdir=" + missing + "\r\nsavetodir=" + missing + "\r\n"
        "povw=640\r\n"
        "displayplaceholders=1\r\n"         // saveplaceholderspov missing: the later key unchecks
        "disablematerials=1\r\n"
        "filehistcount=3\r\nfile0=a.obj\r\nfile2=c.obj\r\n"
        "additionalcommandscount=2\r\ninicommand2=+Q3\r\n"
        "searchdircount=2\r\nsearchdir0=/x\r\n"
        "Fwidth=-1\r\nFposx=5\r\n"
        "glposx=1\r\nglposy=2\r\nglwidth=300\r\nglheight=200\r\n"
        "hdrshop=/opt/h.exe\r\nglbackgroundcolor=255\r\n"));
    ASSERT_TRUE(r.applied);
    EXPECT_TRUE(Form1.CheckBox37.checked);
    EXPECT_EQ(Form1.UpDown5.position, 17);
    EXPECT_EQ(Form1.Edit65.text, "17");
    EXPECT_EQ(Form1.Edit24.text, "512");
    EXPECT_EQ(Form1.UpDown3.position, 9);
    EXPECT_EQ(Form1.Edit25.text, "100");
    EXPECT_EQ(Form1.UpDown4.position, 7);  // log2(100) = 6.64
    const std::string folder = Folder();
    EXPECT_EQ(Form1.OpenDialog1.initialDir, folder);
    EXPECT_EQ(Form2.Edit1.text, folder);
    EXPECT_EQ(Form1.Edit47.text, "640");
    EXPECT_FALSE(Form1.CheckBox61.checked);
    EXPECT_TRUE(Form1.RadioButton21.checked);
    EXPECT_FALSE(Form1.RadioButton20.checked);
    EXPECT_EQ(Form1.ComboBox15.items, (std::vector<std::string>{"a.obj", "c.obj"}));
    EXPECT_EQ(Form1.ComboBox15.index, 0);
    EXPECT_EQ(Form1.ComboBox15.SelectedText(), "a.obj");
    EXPECT_EQ(Form1.Memo1.lines, (std::vector<std::string>{"", "+Q3"}));
    EXPECT_EQ(searchForm2.Memo1.lines, (std::vector<std::string>{"/x", ""}));
    EXPECT_TRUE(Form1.maximized);
    EXPECT_EQ(Form1.bounds, tform1{}.bounds);
    EXPECT_EQ(Form9.bounds, (twindowbounds{1, 2, 300, 200}));
    EXPECT_EQ(Form1.HDRShopPath, "/opt/h.exe");
    EXPECT_EQ(Scene.backgroundColor, 255);
    EXPECT_TRUE(std::find(r.changedControls.begin(), r.changedControls.end(), "Form1.CheckBox61") !=
                r.changedControls.end());
    EXPECT_TRUE(std::find(r.changedControls.begin(), r.changedControls.end(), "Form1.Edit47") ==
                r.changedControls.end());

    // "glstayontop" only ever checks; "wine" missing leaves the box alone;
    // an absent flag unchecks; missing texts stay.
    ResetOptionsToDefaults();
    Form1.CheckBox30.checked = true;
    Form1.CheckBox34.checked = true;
    Form1.Edit95.text = "50";
    r = ApplySettingsText(FileOf("glstayontop=0\r\nautosmooth=\r\n"));
    EXPECT_TRUE(Form1.CheckBox30.checked);
    EXPECT_TRUE(Form1.CheckBox34.checked);
    EXPECT_FALSE(Form1.CheckBox37.checked);
    EXPECT_EQ(Form1.Edit95.text, "");  // present but empty: empty text
    EXPECT_EQ(Form1.Edit26.text, "0.5");  // missing: unchanged
    r = ApplySettingsText(FileOf("wine=0\r\n"));
    EXPECT_FALSE(Form1.CheckBox34.checked);
}

TEST_F(SettingsTest, DamagedGeneralKeysAreSkipped) {
    // What a file with no keys at all leaves: absent flags are unchecked,
    // everything else keeps its value.
    ASSERT_TRUE(ApplySettingsText(FileOf("")).applied);
    const std::vector<std::string> baseline = State();
    const std::vector<std::string> damaged = {
        "no equals sign here",
        "=value without key",
        "unknownkey=17",
        "[general",
        "gridcolor=red",
        "horizoncolor=",
        "previewlinecolor=12abc",
        "gridvertical=abc",
        "gridhorizontal=99999999999999999999",
        "povoutputformat=17",
        "povoutputformat=-5",
        "gldrawmode=1.5",
        "radiosity=x",
        "meshmode=",
        "glmapsizex=0",
        "glmapsizex=-3",
        "glmapsizey=abc",
        "glmapsizey=nan",
        "Fwidth=abc",
        "Fwidth=300\r\nFposx=a\r\nFposy=1\r\nFheight=2",
        "glwidth=0\r\nglposx=1\r\nglposy=1\r\nglheight=10",
        "messagewindow_w=99999999999\r\nmessagewindow_x=0\r\nmessagewindow_y=0\r\nmessagewindow_h=10",
        "helpwindow_w=200\r\nhelpwindow_x=0\r\nhelpwindow_y=0\r\nhelpwindow_h=-7",
        "searchdircount=-1\r\nsearchdir0=/x",
        "searchdircount=2147483647",
        "filehistcount=999999999\r\nfile0=a.obj",
        "filehistcount=abc\r\nfile0=a.obj",
        "additionalcommandscount=abc\r\ninicommand1=x",
        "posermapdircount=-2147483648",
        "glbackgroundcolor=xyz",
        "glbackgroundcolor=99999999999",
        std::string("nul\0byte=1", 10),
        "\xEF\xBB\xBFglaxis-=1",
    };
    for (const std::string& lines : damaged) {
        SCOPED_TRACE(lines);
        ASSERT_TRUE(ApplySettingsText(FileOf(lines + "\r\n")).applied);
        EXPECT_EQ(State(), baseline);
    }
}

TEST_F(SettingsTest, DamagedPresetBlocksAreSkippedWhole) {
    const std::string light = "\"L\",1,2,3,45,0,0,1,1,1,50,20,1,1,0,1,1,0,0,0,TRUE,0.1,3,0,0,5";
    const std::vector<std::string> damaged = {
        "[cameras]",
        "[cameras]\r\nabc\r\n\"a\",1",
        "[cameras]\r\n-4\r\n\"a\",1",
        "[cameras]\r\n0",
        "[cameras]\r\n99999999999\r\n\"a\",1",
        "[cameras]\r\n2147483647\r\n\"a\",1",
        "[cameras]\r\n3\r\n\"a\",1\r\n\"b\",2\r\n \r\n[lights]",  // fewer lines than counted
        "[cameras]\r\n2\r\n\"a\",1\r\n[lights]\r\n1",
        "[lights]",
        "[lights]\r\n0\r\n0",
        "[lights]\r\n-1\r\n\"p\",0,0\r\n0",
        "[lights]\r\n2\r\n\"p\",0,1\r\n",
        "[lights]\r\n1\r\n\"p\",0,2\r\n1\r\n" + light,                  // preset past the lights
        "[lights]\r\n1\r\n\"p\",-1,1\r\n1\r\n" + light,
        "[lights]\r\n1\r\n\"p\",2147483647,2147483647\r\n1\r\n" + light,
        "[lights]\r\n1\r\n\"p\",x,1\r\n1\r\n" + light,
        "[lights]\r\n1\r\n\"p\"\r\n1\r\n" + light,
        "[lights]\r\n1\r\n\"p\",0,1\r\n1\r\n\"L\",1,2,3",               // short light line
        "[lights]\r\n1\r\n\"p\",0,1\r\n2\r\n" + light,                  // fewer lights than counted
        "[lights]\r\n1\r\n\"p\",0,1\r\n-3\r\n" + light,
        "[lights]\r\n1\r\n\"p\",0,1\r\nmany\r\n" + light,
        "[lights]\r\n1\r\n\"p\",0,1\r\n1\r\n\"L\",1,2,3,45,0,0,1,1,1,50,20,7,1,0,1,1,0,0,0,TRUE,0.1,3,0,0,5",
        "[lights]\r\n1\r\n\"p\",0,1\r\n1",
    };
    for (const std::string& tail : damaged) {
        SCOPED_TRACE(tail);
        ClearAll();
        ASSERT_TRUE(ApplySettingsText(FileOf(" \r\n", tail)).applied);
        EXPECT_TRUE(Cameras.empty());
        EXPECT_TRUE(LightPresets.empty());
        EXPECT_TRUE(PresetLights.empty());
        EXPECT_EQ(Form1.ComboBox8.Count(), 0u);
        EXPECT_TRUE(Form1.ComboBox13.items.empty());
    }
    // A well-formed block beside them reads; a short camera line leaves the
    // fields it does not carry at zero; text where a number belongs reads 0.
    ClearAll();
    ASSERT_TRUE(ApplySettingsText(FileOf(" \r\n", "[CAMERAS]\r\n2\r\n\"Only name\"\r\n\"Two\",abc,3\r\n \r\n[lights]\r\n"
                                                  "1\r\n\"p\",0,1\r\n1\r\n" + light + "\r\n"))
                    .applied);
    ASSERT_EQ(Cameras.size(), 2u);
    EXPECT_EQ(Cameras[0].name, "Only name");
    EXPECT_EQ(Cameras[0].zoom, 0.0);
    EXPECT_EQ(Cameras[1].zoom, 0.0);
    EXPECT_EQ(Cameras[1].reserved1, 3.0);
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox8), (std::vector<std::string>{"Only name", "Two"}));
    EXPECT_EQ(Form1.ComboBox8.index, 0);
    ASSERT_EQ(PresetLights.size(), 1u);
    EXPECT_EQ(PresetLights[0].kind, 1);
    EXPECT_EQ(PresetLights[0].jitter, 1);
    EXPECT_EQ(Form1.ComboBox13.SelectedText(), "p");
    // A name over 100 characters is cut.
    ClearAll();
    const std::string longName(150, 'n');
    ASSERT_TRUE(ApplySettingsText(FileOf(" \r\n", "[lights]\r\n1\r\n\"" + longName + "\",0,0\r\n0\r\n")).applied);
    ASSERT_EQ(LightPresets.size(), 1u);
    EXPECT_EQ(LightPresets[0].name.size(), 100u);
}

TEST_F(SettingsTest, RandomBytesNeverCrash) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string head = FileOf("");
    for (int round = 0; round < 200; ++round) {
        std::string text = round % 2 ? head : std::string();
        const int length = 1 + round * 7;
        for (int i = 0; i < length; ++i) {
            const int b = byte(random);
            // Plenty of the characters that matter to the format.
            const char special[] = {'\r', '\n', '=', '[', ']', ',', '"', ' ', '1', '-'};
            text += b < 100 ? special[b % 10] : static_cast<char>(b);
        }
        if (round % 3 == 0) text += "\r\n[cameras]\r\n2\r\n" + text.substr(0, 40);
        if (round % 5 == 0) text += "\r\n[lights]\r\n1\r\n\"p\",0,1\r\n1\r\n" + text.substr(0, 60);
        ApplySettingsText(text);
        ClearAll();
    }
}

// A file the program cannot read as its own (the user's presets in it) is
// kept beside the new one when the settings are saved, and the log is told;
// a file of its own is simply replaced.
TEST_F(SettingsTest, AnUnreadableFileIsKeptBesideTheNewOne) {
    Cameras = {MakeCamera("Front view", 1)};
    ASSERT_TRUE(SaveSettings());
    const std::string path = SettingsFilePath();
    const std::string own = fixtures::ReadFileBytes(path);
    std::string otherBuild = own;
    otherBuild.replace(otherBuild.find("build=") + 6, 0, "0");
    for (const std::string& text : {std::string("\x01\xFE garbage\0\r\n[x", 15), own.substr(0, own.size() / 2),
                                    own.substr(0, own.find("[cameras]") + 12), otherBuild}) {
        std::ofstream(path, std::ios::binary) << text;
        EXPECT_EQ(LoadSettings().notice, "<!>The settings file " + path +
                                             " could not be read as this version's own: it is kept as " + path +
                                             ".bak when the settings are saved");
        ASSERT_TRUE(SaveSettings());
        EXPECT_EQ(fixtures::ReadFileBytes(path + ".bak"), text);
        EXPECT_TRUE(LoadSettings().whole);
        fs::remove(path + ".bak");
        ClearAll();
    }
    ASSERT_TRUE(SaveSettings());
    EXPECT_FALSE(fs::exists(path + ".bak"));
}

}  // namespace
