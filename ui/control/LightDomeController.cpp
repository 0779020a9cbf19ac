#include "ui/control/LightDomeController.h"

#include <string>

#include "model/LightProbe.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "options/Options.h"
#include "platform/SystemShell.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/PreviewPages.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovLaunch.h"
#include "ui/core/Shell.h"

namespace {

constexpr std::string_view ProbeFileFilter = "HDR Shop Portable FLoat Maps (*.pfm)|*.PFM;";
// Any program may make probes on this platform.
constexpr std::string_view ProgramFileFilter = "All files (*)|*";
// The exposure of the probe's picture.
constexpr double ProbeGamma = 2.2;
// The background list's item of a spherical picture.
constexpr int32_t BackgroundPicture = 1;

std::string ColorLine(std::string_view caption, const tvector& color) {
    return std::string(caption) + "(" + FormatVector("%7.2f", ",", color) + ")";
}

}  // namespace

void LightDomeController::Register(Dispatcher& d) {
    d.Add("Form1.Button40", [this] { Button40Click(); });
    d.Add("Form1.Image3", [this] { Button40Click(); });
    d.Add("Form1.Button35", [this] { Button35Click(); });
    d.Add("Form1.Button41", [this] { Button41Click(); });
    d.Add("Form1.Button14", [this] { Button14Click(); });
    d.Add("Form1.Button25", [this] { Button25Click(); });
    d.Add("Form1.Label171", [this] { SwatchClick(Form1.Label171); });
    d.Add("Form1.Label174", [this] { SwatchClick(Form1.Label174); });
    d.Add("Form1.CheckBox74", [] {
        // "Shadow on strongest light only" leaves no threshold to set.
        Form1.Edit45.enabled = !Form1.CheckBox74.checked;
    });
}

bool LightDomeController::HaveProbe() const {
    if (FileExistsNonBlank(Form1.Edit21.text)) return true;
    Svc().prompts->Show(MessageKind::Information, "Load a HDR image first");
    return false;
}

bool LightDomeController::AskPictureFile(std::string& file) const {
    const std::string& probe = Form1.Edit21.text;
    return ExecuteImageSaveDialog(ExtractFileName(probe), ExtractFilePath(probe), file);
}

void LightDomeController::Button40Click() {
    if (Scene.modelFile.empty()) {
        Svc().prompts->Show(MessageKind::Information, LoadModelFirstText);
        return;
    }
    tfiledialog& dialog = Form1.OpenDialog1;
    if (!Form1.Edit21.text.empty()) dialog.initialDir = ExtractFilePath(Form1.Edit21.text);
    if (!ExecuteOpenDialog(dialog, ProbeFileFilter, "pfm")) return;
    const std::string file = dialog.fileName;
    const std::string name = ExtractFileName(file);

    const WaitScope wait;
    LogMessage(RuleLine);
    LogMessage("Loading PFM image...");
    tpfm probe;
    if (!LoadPFM(file, false, probe) || probe.width <= 0 || probe.height <= 0) {
        // The probe shown before stays.
        LogMessage("<!>HDR image " + name + " could not be loaded");
        return;
    }
    LogMessage("Creating PFM preview (gamma=2.2)...");
    if (!host_.ShowProbe(probe, ProbeGamma)) {
        LogMessage("<!>HDR image " + name + " could not be loaded");  // the probe shown before stays
        return;
    }
    Form1.Edit21.text = file;
    Form1.Memo3.lines = {"HDRI image stats:",
                         "Name = " + name,
                         "Resolution = " + std::to_string(probe.width) + "x" + std::to_string(probe.height),
                         ColorLine("Min color =", probe.darkest),
                         ColorLine("Max color =", probe.brightest),
                         ColorLine("Color Sum =", probe.sum),
                         ColorLine("Color Ave =", probe.average)};
    LogMessage("HDR image " + name + " loaded");
}

void LightDomeController::Button35Click() {
    if (!HaveProbe()) return;
    const double threshold = EditNumber(Form1.Edit45, 90.0) / 100.0;
    const double rotation = EditNumber(Form1.Edit63, 0.0);
    if (Form1.CheckBox76.checked) DeleteAllLights();
    {
        const WaitScope wait;
        LoadLightProbe(Form1.Edit21.text, threshold, rotation);
    }
    host_.MarkProbeLights();
    MaterialsUpdated();
}

void LightDomeController::Button41Click() {
    if (!HaveProbe()) return;
    std::string file;
    if (!AskPictureFile(file)) return;
    const WaitScope wait;
    LogMessage(RuleLine);
    LogMessage("Saving probe as map...");
    if (host_.SaveProbeAsMap(file))
        LogMessage("Probe saved as " + file);
    else
        LogMessage("<!>Error saving " + file);
}

void LightDomeController::Button14Click() {
    if (!HaveProbe()) return;
    std::string file;
    if (!AskPictureFile(file)) return;
    LogMessage(RuleLine);
    LogMessage("Saving probe as map...");
    {
        const WaitScope wait;
        if (host_.SaveProbeAsMap(file)) {
            // The sky turns as the lights were turned; the edit's handler
            // takes the rotation.
            Form1.Edit70.text = Form1.Edit63.text;
            Commands().Call("Form1.Edit70");
            Form1.CheckBox42.checked = true;
            Commands().Call("Form1.CheckBox42");
            LogMessage("Probe converted and saved as " + file);
            LogMessage("Loading as background map...");
            Svc().window->LoadBackgroundTexture(file);
            LogMessage("Rebuilding Display List...");
            Svc().window->BuildPreviewLists();
            Form1.ComboBox1.index = BackgroundPicture;
            LogMessage("Probe loaded as background map");
        } else {
            LogMessage("<!>Error creating background map");
            Svc().window->Beep();
        }
    }
    MaterialsUpdated();
}

void LightDomeController::Button25Click() {
    std::string& program = HDRShopPath;
    if (Trim(program).empty() &&
        Svc().prompts->Ask(MessageKind::Confirmation, "HDR Shop executable not set. Set it now?",
                           {Answer::Ok, Answer::Cancel}) == Answer::Ok &&
        ExecuteOpenDialog(Form1.OpenDialog1, ProgramFileFilter, "")) {
        program = Form1.OpenDialog1.fileName;
        LogMessage("HDR Shop located at" + program);
    }
    if (!FileExistsNonBlank(program)) return;
    LogMessage(RuleLine);
    LogMessage("Starting HDR Shop...");
    if (FindProgram(program).empty())
        LogMessage("<!>" + program + " cannot be started: it is not a program this system runs");
    else if (StartWithShell(program, {}, "", 1) == ShellFailed)
        LogMessage("<!>Could not start " + program);
    else
        LogMessage("Ready");
}

void LightDomeController::SwatchClick(tlabel& swatch) { PickLabelColor(swatch); }
