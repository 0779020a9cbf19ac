#include "ui/control/PreviewOptionsController.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "ui/control/CustomMaterialController.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/PreviewPages.h"
#include "ui/core/PovLaunch.h"
#include "writers/SceneChecks.h"

namespace {

// The first items of the background list; the skies follow.
constexpr int32_t BackgroundColor = 0;
constexpr int32_t BackgroundPicture = 1;
// The last item of the cloud and sky textures ("T_Cloud3"), which look best
// above a ground; the star fields follow it.
constexpr int32_t LastCloudSky = 22;


bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A colour byte as a fraction.
std::string ColorPart(int32_t color, int shift) { return FloatToText(((color >> shift) & 0xFF) / 255.0); }

// The lines that put `sky` around the camera; d is the model's diagonal.
std::vector<std::string> SkyLines(const std::string& sky, double d) {
    const std::string far = FloatToText(10000 * d);
    if (StartsWith(sky, "S_Cloud")) return {"sky_sphere{" + sky + " rotate<0,90,0>}"};
    if (StartsWith(sky, "O_Cloud")) return {"object{" + sky + " rotate<0,90,0> scale " + FloatToText(d) + "}"};
    if (StartsWith(sky, "Starfield"))
        return {"sphere{<0,0,0>," + far, "texture {" + sky + "}", "       no_shadow rotate<0,90,0> hollow on}"};
    // The cloud layers: a pigment, or a whole texture for the shadowed ones.
    const bool texture = sky == "Shadow_Clouds" || StartsWith(sky, "T_Cloud");
    return {"sphere{0.0,1",
            texture ? "texture{" + sky + " scale 0.008 translate <0,-0.992,0>}"
                    : "texture{pigment{" + sky + " scale 0.008 translate <0,-0.992,0>}finish{ambient 1}}",
            "texture{pigment{gradient y pigment_map {[0.0 rgb 1 transmit 0.2][1 rgbf 1]} } finish{ambient 1} "
            "scale 0.008 translate<0,-0.992,0>}",
            "rotate<0,90,0>",
            "translate<0,-0.992,0>",
            "no_shadow hollow on",
            "scale " + far + "}"};
}

// The modes that draw lines or points in the line colour: "Line",
// "Points", "Hidden Line" and "Outline".
bool DrawsLines(int32_t mode) { return mode == 1 || mode == 2 || mode == 3 || mode == 6; }

// 2 to the power of an up-down's position.
std::string PowerOfTwo(int32_t position) { return std::to_string(int64_t{1} << std::clamp(position, 0, 30)); }

}  // namespace

std::string SkyMapFile(const std::string& sky) {
    return ProgramDir() + ProgramFile::SkyMapPrefix + sky + ProgramFile::SkyMapExtension;
}

std::vector<std::string> SkyBakeOptions(const std::string& sky) {
    std::vector<std::string> options = {"+W512", "+H256", "+FT"};
    const bool stars = StartsWith(sky, "Starfield");
    options.emplace_back(StartsWith(sky, "S_Cloud") || stars ? "-UA" : "+UA");
    if (stars && sky != "Starfield") {
        options.emplace_back("+AM1");
        options.emplace_back("+A0.3");
    }
    return options;
}

bool CreateSkyMap(const std::string& outputFile) {
    const std::string sky = Form1.ComboBox1.SelectedText();
    const double d = Scene.extents.diagonal;
    const int32_t bg = Scene.backgroundColor;

    std::vector<std::string> lines;
    for (const char* include : {"stdinc.inc", "textures.inc", "skies.inc", "stars.inc"})
        lines.push_back("#include " + Quoted(include));
    lines.emplace_back("camera {spherical right x  up -y}");
    lines.push_back("background{color rgb<" + ColorPart(bg, 0) + "," + ColorPart(bg, 8) + "," + ColorPart(bg, 16) +
                    ">  }");
    for (std::string& line : SkyLines(sky, d)) lines.push_back(std::move(line));
    if (Form1.CheckBox8.checked)
        lines.push_back("plane {y," + FloatToText(-0.1 * d) + " pigment{color rgb<1,1,1>}finish{ambient<0.1,0.1,0.1>}}");

    return RunBake(outputFile, lines, SkyBakeOptions(sky));
}

void PreviewOptionsController::Register(Dispatcher& d) {
    d.Add("Form1.CheckBox3", [this] { CheckBox3Click(); });
    d.Add("Form1.CheckBox4", [this] { CheckBox4Click(); });
    d.Add("Form1.CheckBox47", [this] { CheckBox47Click(); });
    d.Add("Form1.CheckBox42", [this] { CheckBox42Click(); });
    for (const char* box : {"Form1.CheckBox72", "Form1.CheckBox27", "Form1.CheckBox55"})
        d.Add(box, [this] { RebuildListsClick(); });
    for (const char* control : {"Form1.CheckBox37", "Form1.CheckBox35", "Form1.Edit65", "Form1.Edit66",
                                "Form1.UpDown5", "Form1.UpDown6", "Form1.Edit36"})
        d.Add(control, [] { RedrawPreview(); });
    d.Add("Form1.ComboBox4", [this] { ComboBox4Change(); });
    d.Add("Form1.CheckBox52", [this] { CheckBox52Click(); });
    d.Add("Form1.CheckBox70", [this] { CheckBox70Click(); });
    d.Add("Form1.CheckBox8", [this] { CheckBox8Click(); });
    d.Add("Form1.BitBtn3", [this] { BitBtn3Click(); });
    d.Add("Form1.SpinButton16.Up", [this] { StepGroundHeight(0.001); });
    d.Add("Form1.SpinButton16.Down", [this] { StepGroundHeight(-0.001); });
    d.Add("Form1.Label147", [this] { SwatchClick(Form1.Label147); });
    d.Add("Form1.Label148", [this] { SwatchClick(Form1.Label148); });
    d.Add("Form1.Label151", [this] { SwatchClick(Form1.Label151); });
    d.Add("Form1.Label170", [this] { SwatchClick(Form1.Label170); });
    d.Add("Form1.UpDown3", [this] { UpDown3Click(); });
    d.Add("Form1.UpDown4", [this] { UpDown4Click(); });
    d.Add("Form1.BitBtn2", [this] { BitBtn2Click(); });
    d.Add("Form1.CheckBox71", [this] { CheckBox71Click(); });
    d.Add("Form1.Edit70", [this] { Edit70Change(); });
    d.Add("Form1.UpDown8", [this] { Edit70Change(); });
    d.Add("Form1.ToolButton32", [this] { ToolButton32Click(); });
    d.Add("Form1.ToolButton6", [] {});
    d.Add("Form1.ToolButton35", [this] { ToolButton35Click(); });
    d.Add("Form1.ComboBox1", [this] { ComboBox1Change(); });
}

bool PreviewOptionsController::ModelLoaded() const { return !Scene.modelFile.empty(); }

void PreviewOptionsController::CheckBox3Click() {
    if (ModelLoaded()) {
        const WaitScope wait;
        if (Form1.CheckBox3.checked) {
            LogMessage("Loading maps...");
            Svc().window->ReloadMaterialMaps(2);
            LogMessage("Rebuilding Display List...");
        } else {
            LogMessage("Unloading maps...");
            DeleteMaterialTextures(0);
            LogMessage("Deleting Display List...");
        }
        Svc().window->BuildPreviewLists();
        LogMessage("Ready");
    }
    RedrawPreview();
}

void PreviewOptionsController::CheckBox4Click() {
    Form1.CheckBox47.enabled = Form1.CheckBox4.checked;
    if (ModelLoaded()) {
        const WaitScope wait;
        LogMessage("Loading maps...");
        Svc().window->ReloadMaterialMaps(1);
        LogMessage("Rebuilding Display List...");
        Svc().window->BuildPreviewLists();
        LogMessage("Ready");
    }
    RedrawPreview();
}

void PreviewOptionsController::CheckBox47Click() {
    if (!ModelLoaded()) return;
    const WaitScope wait;
    LogMessage(RuleLine);
    LogMessage("Reloading maps...");
    DeleteMaterialTextures(1);
    Svc().window->ReloadMaterialMaps(2);
    LogMessage("Rebuilding Display List...");
    Svc().window->BuildPreviewLists();
    LogMessage("Ready");
    RedrawPreview();
}

void PreviewOptionsController::CheckBox42Click() {
    Form1.CheckBox72.enabled = Form1.CheckBox42.checked;
    host_.SetFaceCulling(!Form1.CheckBox42.checked);
    RedrawPreview();
}

void PreviewOptionsController::RebuildListsClick() {
    if (ModelLoaded()) {
        const WaitScope wait;
        LogMessage("Rebuilding Display List...");
        Svc().window->BuildPreviewLists();
        LogMessage("Ready");
    }
    RedrawPreview();
}

void PreviewOptionsController::ComboBox4Change() {
    Form1.Label170.visible = DrawsLines(Form1.ComboBox4.index);
    RedrawPreview();
}

void PreviewOptionsController::CheckBox52Click() {
    const bool on = Form1.CheckBox52.checked;
    Form1.Edit65.enabled = Form1.UpDown5.enabled = Form1.Edit66.enabled = Form1.UpDown6.enabled = on;
    Form1.Label148.enabled = on;
    RedrawPreview();
}

void PreviewOptionsController::CheckBox70Click() {
    Form1.Label147.enabled = Form1.CheckBox70.checked;
    RedrawPreview();
}

void PreviewOptionsController::CheckBox8Click() {
    const bool on = Form1.CheckBox8.checked;
    Form1.Label151.enabled = Form1.Label146.enabled = on;
    Form1.Edit36.enabled = Form1.SpinButton16.enabled = Form1.BitBtn3.enabled = on;
    RedrawPreview();
}

void PreviewOptionsController::BitBtn3Click() {
    Form1.Edit36.text = FloatToText(Scene.extents.minimum.y);
    RedrawPreview();  // the edit's change handler
}

void PreviewOptionsController::StepGroundHeight(double step) {
    if (StepEditValue(Form1.Edit36, step)) RedrawPreview();
}

void PreviewOptionsController::SwatchClick(tlabel& swatch) {
    if (PickLabelColor(swatch)) RedrawPreview();
}

void PreviewOptionsController::UpDown3Click() { Form1.Edit24.text = PowerOfTwo(Form1.UpDown3.position); }

void PreviewOptionsController::UpDown4Click() { Form1.Edit25.text = PowerOfTwo(Form1.UpDown4.position); }

void PreviewOptionsController::BitBtn2Click() {
    if (!ModelLoaded()) return;
    const WaitScope wait;
    LogMessage(RuleLine);
    LogMessage("Unloading maps...");
    DeleteMaterialTextures(0);
    LogMessage("Reloading maps...");
    Svc().window->ReloadMaterialMaps(2);
    // The background map only while a map or sky is the background: a
    // colour chosen since must not bring it back.
    if (Form1.ComboBox1.index != BackgroundColor && !BackgroundMapName.empty()) {
        LogMessage("Loading background map...");
        Svc().window->LoadBackgroundTexture(BackgroundMapName);
    }
    LogMessage("Rebuilding Display List...");
    Svc().window->BuildPreviewLists();
    LogMessage("Ready");
    RedrawPreview();
}

void PreviewOptionsController::CheckBox71Click() {
    host_.InitGLState();  // reads "cutoff:" and the value beside it
    if (ModelLoaded()) RedrawPreview();
}

void PreviewOptionsController::Edit70Change() {
    double rotation = 0;
    int32_t code = 0;
    ValFloat(Form1.Edit70.text, rotation, code);
    BackgroundRotation = rotation;
    if (code == 0) RedrawPreview();
}

void PreviewOptionsController::ToolButton32Click() { Form9.visible = Form1.ToolButton32.down; }

void PreviewOptionsController::ComboBox1Change() {
    const int32_t index = Form1.ComboBox1.index;
    if (index == BackgroundColor)
        ChooseBackgroundColor();
    else if (index == BackgroundPicture)
        ChooseBackgroundPicture();
    else if (index > BackgroundPicture && index < static_cast<int32_t>(Form1.ComboBox1.items.size()))
        ChooseSky(Form1.ComboBox1.items[static_cast<std::size_t>(index)], index);
    CheckScene();
}

void PreviewOptionsController::LoadBackground(const std::string& file, const std::string& done) {
    const WaitScope wait;
    LogMessage("Loading background map...");
    Svc().window->LoadBackgroundTexture(file);
    Form1.CheckBox42.checked = true;
    CheckBox42Click();
    LogMessage("Rebuilding Display List...");
    Svc().window->BuildPreviewLists();
    RedrawPreview();
    LogMessage(done);
}

void PreviewOptionsController::ChooseBackgroundColor() {
    int32_t color = Scene.backgroundColor;
    if (!Svc().prompts->PickColor(color)) return;
    if (BackgroundTexture != 0) {
        DeleteRecordTexture(BackgroundTexture);
        BackgroundTexture = 0;
        Svc().window->BuildPreviewLists();
    }
    Scene.backgroundColor = color & 0xFFFFFF;
    Svc().window->SetClearColor(ColorToVector(Scene.backgroundColor), 1.0);
    RedrawPreview();
}

void PreviewOptionsController::ChooseBackgroundPicture() {
    // The dialog starts at the picture shown now, unless that is a sky map.
    std::string file;
    std::string folder;
    if (!BackgroundMapName.empty() && !Svc().window->IsPreviewSkyName(BackgroundMapName)) {
        file = ExtractFileName(BackgroundMapName);
        folder = ExtractFilePath(BackgroundMapName);
    }
    if (!ExecutePictureDialog(file, folder)) return;
    LoadBackground(file, "Background map " + file + " loaded");
}

void PreviewOptionsController::ChooseSky(const std::string& sky, int32_t index) {
    const std::string file = SkyMapFile(sky);
    // A map still to be rendered whose start will be refused is refused
    // before any question.
    if (!FileExistsNonBlank(file) && !PovRayProgram().empty() && BakeRefused(file, SkyBakeOptions(sky))) return;
    if (index <= LastCloudSky && !Form1.CheckBox8.checked &&
        Svc().prompts->Ask(MessageKind::Confirmation,
                           "POV-Ray sky texures work best if the ground is visible. Enable the ground?",
                           {Answer::Yes, Answer::No}) == Answer::Yes) {
        Form1.CheckBox8.checked = true;
        CheckBox8Click();
        BitBtn3Click();
        Svc().status->ProcessPendingMessages();
    }
    if (FileExistsNonBlank(file)) {
        LoadBackground(file, "Background updated");
        return;
    }
    // The map has to be rendered first, which needs POV-Ray.
    if (PovRayProgram().empty()) {
        ReportNoPovRay();
        return;
    }
    if (Svc().prompts->Ask(MessageKind::Confirmation,
                           "Create a spherical map of this sky so you can preview it in Mirelan?",
                           {Answer::Yes, Answer::No}) != Answer::Yes)
        return;
    if (!CreateSkyMap(file)) return;
    if (Svc().prompts->Ask(MessageKind::Confirmation,
                           "Once POV-Ray is finished click OK to load the image " + file + " as a background map",
                           {Answer::Ok, Answer::Cancel}) != Answer::Ok)
        return;
    if (!FileExistsNonBlank(file)) {
        LogMessage("<!>The sky map " + file + " was not made");
        Svc().window->Beep();
        return;
    }
    LoadBackground(file, "Background updated");
}

void PreviewOptionsController::ToolButton35Click() {
    std::string file;
    if (!ExecuteImageSaveDialog(ExtractFileName(Scene.modelFile), "", file)) return;
    LogMessage(RuleLine);
    const WaitScope wait;
    const bool antialias =
        Svc().prompts->Ask(MessageKind::Confirmation, "Antialias preview first?", {Answer::Yes, Answer::No}) ==
        Answer::Yes;
    // Any answer that is not a quality of 1 to 100 saves at 90.
    int64_t quality = 90;
    if (LowerCase(ExtractFileExt(file)) == ".jpg") {
        std::string answer = "90";
        int64_t typed = 0;
        if (Svc().prompts->Input("JPEG Quality", "Enter image quality (1 to 100)", answer) &&
            ParseInt(Trim(answer), typed) && typed >= 1 && typed <= 100)
            quality = typed;
    }
    if (host_.CapturePreview(file, antialias, static_cast<int32_t>(quality))) {
        LogMessage("Image saved as " + file);
    } else {
        LogMessage("<!>Could not save image");
        Svc().window->Beep();
    }
    Form1.SaveDialog1.initialDir = ExtractFilePath(file);
}
