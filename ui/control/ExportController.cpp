#include "ui/control/ExportController.h"

#include <string>
#include <vector>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "ui/control/DialogController.h"
#include "ui/core/BatchDriver.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovIni.h"
#include "ui/core/PovLaunch.h"
#include "writers/SceneChecks.h"

namespace {

constexpr std::string_view NoPovRay = "Select the location of the POV-Ray executable in the export options tab";

void RunSceneCheck() {
    if (Svc().checkScene) Svc().checkScene();
}

void PovRayMissing(MessageKind kind) {
    Svc().prompts->Show(kind, NoPovRay);
    LogMessage("Could not start POV-Ray");
}

// True, with a "<!>" line, when the INI file just saved gives an Initial
// Frame that POV-Ray reads otherwise than it shows (InitialFrameHazard).
bool InitialFrameRefused() {
    if (!Form1.RadioButton4.checked || Form1.CheckBox59.checked) return false;  // no animation parameters
    const std::string hazard = InitialFrameHazard(BatchFiles.size());
    if (!hazard.empty()) LogMessage("<!>POV-Ray was not started: " + hazard);
    return !hazard.empty();
}

// Renders the INI file of the scene just saved, in the scene's folder.
void StartRender(const std::string& program) {
    if (InitialFrameRefused()) return;
    LogMessage("Starting POV-Ray...");
    if (StartPovRay(program, Scene.iniFile, ExtractFileDir(Scene.povSceneFile), PovRayRun::Render, SavedSceneReads))
        LogMessage("Ready");
    else
        LogMessage("<!>Could not start POV-Ray");
}

// Renders the common INI file of a "Use a POV file" batch that wrote the
// geometry includes `written`, when its Initial Frame reads as it shows and
// every frame it runs includes one of them (BatchFramesRefusal); a start
// refused for its folder says so first.
void StartBatchRender(const std::string& program, const std::vector<std::string>& written) {
    if (InitialFrameRefused()) return;
    if (PovRayStartRefusal(Scene.iniFile, ExtractFileDir(Scene.povSceneFile), SavedSceneReads).empty()) {
        if (const std::string refusal = BatchFramesRefusal(Scene.iniFile, written); !refusal.empty()) {
            LogMessage("<!>" + refusal);
            return;
        }
    }
    StartRender(program);
}

}  // namespace

void ExportController::Register(Dispatcher& d) {
    d.Add("Form2.CheckBox16", [this] { Form2CheckBox16Click(); });
    d.Add("Form2.CheckBox28", [this] { Form2CheckBox28Click(); });
    d.Add("Form2.CheckBox43", [this] { Form2CheckBox28Click(); });
    d.Add("Form2.Button3", [this] { Form2Button3Click(); });
    d.Add("Form2.Button1", [this] { Form2Button1Click(); });
    d.Add("Form1.ToolButton15", [this] { ToolButton15Click(); });
    d.Add("Form1.ToolButton9", [this] { ToolButton9Click(); });
    d.Add("Form1.ToolButton27", [this] { ToolButton27Click(); });
    d.Add("Form1.ToolButton18", [this] { ToolButton18Click(); });
    d.Add("Form1.ToolButton19", [this] { ToolButton19Click(); });
    d.Add("Form1.ToolButton33", [this] { ToolButton33Click(); });
}

void ExportController::Form2CheckBox16Click() {
    const bool copy = Form2.CheckBox16.checked;
    Form2.CheckBox27.checked = !copy;
    Form2.CheckBox27.enabled = !copy;
    for (tcontrol* c : std::initializer_list<tcontrol*>{&Form2.CheckBox28, &Form2.CheckBox43, &Form2.Edit45,
                                                        &Form2.Label2, &Form2.Label3, &Form2.Label4})
        c->enabled = copy;
    RunSceneCheck();
}

void ExportController::Form2CheckBox28Click() { RunSceneCheck(); }

void ExportController::Form2Button3Click() {
    if (DirectoryExists(Trim(Form2.Edit1.text))) Form6.directory = Trim(Form2.Edit1.text);
    if (dialogs_.ShowModal("Form6") == ModalResult::Ok) Form2.Edit1.text = Form6.directory;
}

void ExportController::Form2Button1Click() {
    if (WarningLineCount() > 0 &&
        Svc().prompts->Ask(MessageKind::Confirmation, "There are warnings. Continue?", {Answer::Yes, Answer::No}) !=
            Answer::Yes)
        return;
    // Also after "Yes": the files could not be written into a folder that
    // does not exist.
    if (!DirectoryExists(Trim(Form2.Edit1.text))) {
        Svc().prompts->Show(MessageKind::Warning, "Output directory does not exist");
        return;
    }
    DialogController::Close("Form2", true);
}

bool ExportController::ExportOptionsConfirmed() {
    Svc().status->ProcessPendingMessages();
    return dialogs_.ShowModal("Form2") == ModalResult::Ok;
}

void ExportController::ToolButton15Click() {
    if (!ExportOptionsConfirmed()) return;
    WaitScope wait;
    if (BatchFiles.size() >= 2) {
        SaveBatch();
        return;
    }
    SaveModelFiles(SaveKind::PovRay);
}

void ExportController::ToolButton9Click() {
    if (!ExportOptionsConfirmed()) return;
    WaitScope wait;
    SaveModelFiles(SaveKind::Moray);
}

void ExportController::ToolButton27Click() {
    if (!ExportOptionsConfirmed()) return;
    WaitScope wait;
    SaveModelFiles(SaveKind::Obj);
}

void ExportController::ToolButton18Click() {
    if (!ExportOptionsConfirmed()) return;
    const bool batch = BatchFiles.size() > 1;
    if (batch && Form1.RadioButton3.checked &&
        Svc().prompts->Ask(MessageKind::Confirmation, "Make sure that POV-Ray is not running. Continue?",
                           {Answer::Yes, Answer::No}) != Answer::Yes)
        return;
    WaitScope wait;
    const std::string program = PovRayProgram();
    if (batch) {
        const std::vector<std::string> written = SaveBatch();
        if (program.empty()) {
            PovRayMissing(MessageKind::Information);
        } else if (Form1.RadioButton3.checked) {
            const std::string script = BatchScriptFile();
            if (!StartBatchScript(script, ExtractFileDir(script), BatchIniFiles(), SavedSceneReads))
                LogMessage("<!>Could not start POV-Ray");
        } else {
            StartBatchRender(program, written);
        }
        return;
    }
    Svc().status->ProcessPendingMessages();
    if (program.empty()) {
        PovRayMissing(MessageKind::Information);
        return;
    }
    if (SaveModelFiles(SaveKind::PovRay)) StartRender(program);
}

void ExportController::ToolButton19Click() {
    if (!ExportOptionsConfirmed()) return;
    WaitScope wait;
    Svc().status->ProcessPendingMessages();
    if (!SaveModelFiles(SaveKind::PovRay)) return;
    LogMessage("Opening the files in the editor...");
    if (OpenInEditor({Scene.iniFile, Scene.povSceneFile, Scene.povGeometryFile, Scene.povMaterialFile}))
        LogMessage("Ready");
    else
        LogMessage("<!>Could not open the files in the editor");
}

void ExportController::ToolButton33Click() {
    if (!ExportOptionsConfirmed()) return;
    SaveYafRayScene();
}
