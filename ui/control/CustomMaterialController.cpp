#include "ui/control/CustomMaterialController.h"

#include <algorithm>
#include <vector>

#include "model/Model.h"
#include "model/PovText.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "readers/ReaderCommon.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/Snippets.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/OutputNames.h"
#include "ui/core/PovLaunch.h"
#include "writers/DeclareLibrary.h"
#include "writers/Export.h"
#include "writers/FileText.h"
#include "writers/TextWriter.h"

namespace {

// The standard include files the preview and the bake read first, so that
// the identifiers the snippet picker offers are declared.
constexpr const char* StandardIncludes[] = {"stdinc.inc", "textures.inc", "stones.inc", "metals.inc", "finish.inc",
                                            "golds.inc",  "stars.inc",    "woods.inc",  "skies.inc",  "glass.inc"};

constexpr std::string_view NoPovRayText = "Select the location of the POV-Ray executable in the export options tab";

// The baked maps' file types, as the save dialog lists them.
constexpr std::string_view BakeFilter =
    "TGA Compressed (*.tga)|*.TGA|PNG (portable network graphics)(*.png)|*.PNG|Unix PPM format (*.ppm)|*.PPM|"
    "Windows BMP (*.bmp)|*.BMP|TGA Uncompressed (*.tga)|*.TGA";

// The test scene of the preview: the material on a sphere and a box over a
// checkered floor. Written only when the program's folder has none, so that
// a scene the user changed stays.
constexpr const char* PreviewSceneLines[] = {
    "// The scene that \"Preview\" of the custom POV-Ray material renders: the material",
    "// declared as Preview_ in test_scene_POV_mat.inc on a sphere and a box.",
    "#include \"test_scene_POV_mat.inc\"",
    "global_settings { assumed_gamma 1.0 }",
    "camera { location <0, 1.6, -4> look_at <0, 0.6, 0> angle 40 }",
    "light_source { <-4, 6, -5> color rgb <1, 1, 1> }",
    "light_source { <5, 3, -2> color rgb <0.4, 0.4, 0.4> shadowless }",
    "background { color rgb <0.35, 0.45, 0.6> }",
    "plane { y, 0 pigment { checker color rgb <0.8, 0.8, 0.8> color rgb <0.3, 0.3, 0.3> } }",
    "sphere { <-0.7, 0.8, 0>, 0.8 material { Preview_ } }",
    "box { <-0.6, 0, -0.6>, <0.6, 1.2, 0.6> rotate y*30 translate <0.9, 0, 0.2> material { Preview_ } }",
};
constexpr const char* PreviewIniLines[] = {
    "Input_File_Name=test_scene_POV_main.pov",
    "Output_File_Name=test_scene_POV_preview.png",
    "+W400",
    "+H300",
    "+FN",
    "+A0.3",
};

void WriteLines(const std::string& file, const std::vector<std::string>& lines) {
    CheckedTextWriter w(file);
    for (const std::string& line : lines) w.Line(line);
    w.Close();
}

std::vector<std::string> IncludeLines() {
    std::vector<std::string> lines;
    for (const char* name : StandardIncludes) lines.push_back("#include " + Quoted(name));
    return lines;
}

// The name of the material the panel shows.
std::string ShownMaterialName() {
    const int32_t index = Form1.ListBox1.index;
    if (index < 0 || static_cast<std::size_t>(index) >= SceneMaterials.size()) return {};
    return SceneMaterials[static_cast<std::size_t>(index)].name.str();
}


// The format switch of a baked map's file type.
std::string OutputFormat(int32_t filterIndex) {
    switch (filterIndex) {
        case 1: return "+FC";
        case 2: return "+FN";
        case 3: return "+FP";
        case 4: return "+FB";  // this platform's POV-Ray writes BMP with B
        case 5: return "+FT";
        default: return {};
    }
}

// The folder POV-Ray bakes the map `outputFile` in: the map's own.
std::string BakeFolder(const std::string& outputFile) {
    const std::string folder = ExtractFilePath(outputFile);
    return folder.empty() ? ProgramDir() : folder;
}

// The custom text the panel shows may reach POV-Ray: not one held back
// (PanelCustomTextHeld). Otherwise a "<!>" line, a beep and a warning say
// why, and the result is false.
bool ShownTextReleased() {
    if (!PanelCustomTextHeld()) return true;
    const std::string why = "The POV-Ray material of " + ShownMaterialName() + " " + std::string(CustomTextRisk) +
                            ": it goes to POV-Ray only once it is switched on (\"Active\") or edited";
    LogMessage("<!>" + why);
    Svc().window->Beep();
    Svc().prompts->Show(MessageKind::Warning, why);
    return false;
}

// What the bake's scene reads in the memo's text: code, when the text may
// run a directive or a macro.
PovRaySceneReads MemoReads() {
    std::string text;
    for (const std::string& line : Form1.Memo2.lines) text += line + "\n";
    return {{}, PovTextMayTouchFiles(text)};
}

}  // namespace

void PreviewCustomMaterial() {
    const std::string folder = ProgramDir();
    const std::string program = PovRayProgram();
    // The test scene is the user's to change: it may run any code.
    const PovRaySceneReads reads{{}, true};
    // A start that will be refused writes nothing.
    const std::string refusal =
        program.empty() ? std::string() : PovRayStartRefusal(folder + PreviewIniFile, folder, reads);
    if (!refusal.empty()) {
        LogMessage("<!>" + refusal);
        LogMessage("Could not start POV-Ray");
        return;
    }
    std::vector<std::string> lines = IncludeLines();
    lines.emplace_back("#declare Preview_=");
    lines.insert(lines.end(), Form1.Memo2.lines.begin(), Form1.Memo2.lines.end());
    WriteLines(folder + PreviewIncludeFile, lines);
    if (!FileExistsNonBlank(folder + PreviewSceneFile))
        WriteLines(folder + PreviewSceneFile, {std::begin(PreviewSceneLines), std::end(PreviewSceneLines)});
    if (!FileExistsNonBlank(folder + PreviewIniFile))
        WriteLines(folder + PreviewIniFile, {std::begin(PreviewIniLines), std::end(PreviewIniLines)});

    if (program.empty()) {
        Svc().prompts->Show(MessageKind::Warning, NoPovRayText);
        LogMessage("Could not start POV-Ray");
        return;
    }
    LogMessage("Starting POV-Ray...");
    if (!StartPovRay(program, folder + PreviewIniFile, folder, PovRayRun::Render, reads)) {
        LogMessage("Could not start POV-Ray");
        return;
    }
    LogMessage("Ready");
}

bool BakeMapNameUsable(const std::string& outputFile) {
    const std::string name = ExtractFileName(outputFile);
    if (PovRayReadsName(name)) return true;
    Svc().prompts->Show(MessageKind::Warning, "POV-Ray cannot write a map named " + OneLineText(name) +
                                                  ". Choose a name without line breaks, letters beyond ASCII or both "
                                                  "kinds of quote marks.");
    return false;
}

bool BakeCustomMaterial(const std::string& outputFile) {
    if (!BakeMapNameUsable(outputFile)) return false;
    // A material name of 255 characters gives a prefix of 256, which POV-Ray
    // does not read as an identifier: the prefix is cut to its limit.
    std::string prefix = MakeIdentifierPrefix(ShownMaterialName());
    if (prefix.size() > PovIdentifierLimit) prefix.resize(PovIdentifierLimit);

    std::vector<std::string> lines = IncludeLines();
    lines.emplace_back("light_source {<-2,2,2> color rgb <1,1,1>*2 parallel point_at <0,0,0>}");
    lines.emplace_back("camera{ orthographic up <0,1,0>*1.070708 right -x*1.070708*image_width/image_height "
                       "location <0,0,1> look_at <0,0,0> angle 53.130102354155978703144387440907}");
    lines.push_back("#declare " + prefix + "=");
    lines.insert(lines.end(), Form1.Memo2.lines.begin(), Form1.Memo2.lines.end());
    for (const char* line : {"#declare m=mesh2{vertex_vectors{4,<-0.5,-0.5,0>,<0.5,-0.5,0>,<0.5,0.5,0>,<-0.5,0.5,0>}",
                             "normal_vectors{4,<0,0,1>,<0,0,1>,<0,0,1>,<0,0,1>}", "uv_vectors{4,<0,0>,<1,0>,<1,1>,<0,1>}",
                             "face_indices{2,<0,1,2>,<0,2,3>}", "uv_indices{2,<0,1,2>,<0,2,3>}",
                             "normal_indices{2,<0,1,2>,<0,2,3>}}"})
        lines.emplace_back(line);
    lines.push_back("object{m material{" + prefix + "}}");

    std::vector<std::string> options = {"+W512", "+H512"};
    if (const std::string format = OutputFormat(Form1.SaveDialog2.filterIndex); !format.empty())
        options.push_back(format);
    for (const char* line : {"+AM1", "+A0.3", "+UA"}) options.emplace_back(line);
    return RunBake(outputFile, lines, options, MemoReads());
}

void ReportNoPovRay() {
    Svc().window->Beep();
    Svc().prompts->Show(MessageKind::Warning, NoPovRayText);
    LogMessage("Could not start POV-Ray");
}

// The lines of the INI file of a bake of `outputFile` with `options`.
std::vector<std::string> BakeSettings(const std::string& outputFile, const std::vector<std::string>& options) {
    std::vector<std::string> settings = {
        "Input_File_Name=" + IniQuoted(PovRayInputName(ProgramDir() + BakeSceneFile, BakeFolder(outputFile))),
        "Output_File_Name=" + IniQuoted(ExtractFileName(outputFile))};
    settings.insert(settings.end(), options.begin(), options.end());
    return settings;
}

bool BakeRefused(const std::string& outputFile, const std::vector<std::string>& options,
                 const PovRaySceneReads& reads) {
    const std::string scene = ProgramDir() + BakeSceneFile, folder = BakeFolder(outputFile);
    // A scene POV-Ray cannot be told of first: the INI file would name none.
    const std::string refusal =
        PovRayInputName(scene, folder).empty()
            ? "POV-Ray cannot read the bake scene " + OneLineText(scene) +
                  ": its path holds a line break, a letter beyond ASCII or both kinds of quote marks"
            : PovRayStartRefusal(ProgramDir() + BakeIniFile, folder, BakeSettings(outputFile, options), reads);
    if (refusal.empty()) return false;
    LogMessage("<!>" + refusal);
    Svc().window->Beep();
    Svc().prompts->Show(MessageKind::Warning, refusal);
    return true;
}

bool RunBake(const std::string& outputFile, const std::vector<std::string>& sceneLines,
             const std::vector<std::string>& options, const PovRaySceneReads& reads) {
    const std::string scene = ProgramDir() + BakeSceneFile, ini = ProgramDir() + BakeIniFile;
    const std::string folder = BakeFolder(outputFile);
    // Refused before anything is written, for the INI file it would write.
    if (BakeRefused(outputFile, options, reads)) return false;

    WriteLines(scene, sceneLines);
    WriteLines(ini, BakeSettings(outputFile, options));

    const std::string program = PovRayProgram();
    if (program.empty()) {
        ReportNoPovRay();
        return false;
    }
    LogMessage("Starting POV-Ray...");
    if (!StartPovRay(program, ini, folder, PovRayRun::Bake, reads)) {
        Svc().window->Beep();
        LogMessage("Could not start POV-Ray");
        return false;
    }
    LogMessage("New texture should have been saved into " + ExtractFileName(outputFile));
    return true;
}

void CustomMaterialController::Register(Dispatcher& d) {
    d.Add("Form1.Memo2", [this] { Memo2Change(); });
    d.Add("Form1.ToolButton34", [this] { ToolButton34Click(); });
    d.Add("Form1.ToolButton37", [this] { ToolButton37Click(); });
    d.Add("Form1.ToolButton38", [this] { ToolButton38Click(); });
    d.Add("Form1.ToolButton39", [this] { ToolButton39Click(); });
    d.Add("Form1.ToolButton40", [this] { ToolButton40Click(); });
    d.Add("Form1.ToolButton41", [this] { ToolButton41Click(); });
    d.Add("Form1.ToolButton42", [this] { ToolButton42Click(); });
}

bool CustomMaterialController::HaveModel() {
    if (!Scene.modelFile.empty()) return true;
    Svc().prompts->Show(MessageKind::Information, "Load a model first");
    return false;
}

bool CustomMaterialController::HaveModelAndText() {
    if (!HaveModel()) return false;
    if (!MemoText(Form1.Memo2).empty()) return true;
    Svc().prompts->Show(MessageKind::Information, "POV-Ray material is empty. Press Add first");
    return false;
}

void CustomMaterialController::Memo2Change() {
    // Blanks, comments or ";" alone are no material to switch on.
    if (PovTextHasValue(MemoText(Form1.Memo2))) Form1.CheckBox10.checked = true;
}

void CustomMaterialController::ToolButton34Click() {
    if (!HaveModel()) return;
    Form8.modalResult = ModalResult::None;
    dialogs_.ShowModal("Form8");
    // A text held back is switched on by what is inserted, not by a picker
    // closed without a choice.
    if (PovTextHasValue(MemoText(Form1.Memo2)) && !PanelCustomTextHeld()) Form1.CheckBox10.checked = true;
}

void CustomMaterialController::ToolButton37Click() {
    tmemo& memo = Form1.Memo2;
    std::string text;
    for (std::size_t i = 0; i < memo.lines.size(); ++i) {
        if (i) text += '\n';
        text += memo.lines[i];
    }
    host_.SetClipboardText(text);
    memo.selLength = 0;  // the caret stays where it was
}

void CustomMaterialController::ToolButton38Click() {
    if (host_.ClipboardHasText()) {
        Form1.Memo2.selLength = 0;  // nothing is replaced
        InsertIntoMemo(Form1.Memo2, host_.ClipboardText());
    }
    // A text held back is switched on by what is pasted, not by a paste of
    // nothing.
    if (!PanelCustomTextHeld()) Form1.CheckBox10.checked = true;
}

void CustomMaterialController::ToolButton39Click() {
    Form1.Memo2.lines.clear();
    Form1.Memo2.selStart = Form1.Memo2.selLength = 0;
}

void CustomMaterialController::ToolButton40Click() {
    if (HaveModelAndText() && ShownTextReleased()) PreviewCustomMaterial();
}

void CustomMaterialController::ToolButton41Click() {
    if (!HaveModelAndText() || !ShownTextReleased()) return;
    tfiledialog& dialog = Form1.SaveDialog2;
    dialog.filterIndex = 2;
    FileDialogRequest request;
    request.filter = std::string(BakeFilter);
    request.filterIndex = dialog.filterIndex;
    request.initialDir = dialog.initialDir;
    request.fileName = "POV_Ray_preview_map_" + CleanIdentifier(ShownMaterialName()) + ".png";
    request.onTypeChange = [&dialog](int32_t filterIndex, std::string& fileName) {
        dialog.filterIndex = filterIndex;
        SaveDialog2TypeChange(filterIndex, fileName);
    };
    std::string file;
    if (!Svc().prompts->SaveFile(request, file)) return;
    file = UnreservedOutputName(file);
    dialog.fileName = file;
    dialog.initialDir = ExtractFilePath(file);
    if (!BakeCustomMaterial(file)) return;
    if (Svc().prompts->Ask(MessageKind::Confirmation, "Set this preview map on pigment 1 once POV-Ray is done?",
                           {Answer::Yes, Answer::No}) != Answer::Yes)
        return;
    SetComboText(Form1.ComboBox3, file);
    ShowMapThumbnail(file, "Image4", Form1.Label6);
}

void CustomMaterialController::ToolButton42Click() {
    if (!HaveModel() || !ShownTextReleased()) return;
    std::string answer = "POV_Material_" + MakeIdentifierPrefix(ShownMaterialName());
    if (!Svc().prompts->Input("Enter texture name", "Name:", answer) || Scene.modelFile.empty()) return;
    answer = Trim(answer);
    if (answer.empty()) {
        Svc().prompts->Show(MessageKind::Information, "Cannot use blank names.");
        return;
    }
    tdeclare entry;
    entry.name = MakeIdentifierPrefix(answer);
    StringToBuffer(MemoText(Form1.Memo2), entry.text);
    DeclareLibrary.push_back(entry);
    Form8.ListBox6.items.push_back(entry.name.str());
    LogMessage("New texture " + entry.name.str() + " added to bottom of material list");
}
