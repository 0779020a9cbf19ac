#include "ui/control/LoadController.h"

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/core/CameraPresets.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/LoadDrivers.h"

namespace {

// The tab "POV-Ray Output" and its page "Files".
constexpr int32_t PovRayOutputTab = 5;
constexpr int32_t FilesPage = 1;

WindowHooks& Window() { return *Svc().window; }

// The names that follow the model loaded last, as their boxes' own change
// handlers keep them.
void OutputNamesChanged() { Commands().Call("Form1.Edit1"); }

void ShowPreview() {
    Form9.visible = true;
    Window().Draw();
}

}  // namespace

void LoadController::Register(Dispatcher& d) {
    d.Add("Form1.N3DModel1", [this] { N3DModel1Click(); });
    d.Add("Form1.Merge3Dmodel1", [this] { Merge3Dmodel1Click(); });
    d.Add("Form1.Button20", [this] { Button20Click(); });
    d.Add("Form1.Button71", [this] { Button71Click(); });
    d.Add("Form1.ComboBox15.Enter", [this] { Button71Click(); });
    d.Add("Form1.Batch1", [this] { Batch1Click(); });
    d.Add("Form1.Button24", [this] { Button24Click(); });
    d.Add("Form1.RadioButton3", [this] { RadioButton3Click(); });
    d.Add("Form1.RadioButton4", [this] { RadioButton3Click(); });
}

void LoadController::N3DModel1Click() {
    if (!ExecuteOpenDialog(Form1.OpenDialog1, ModelFileFilter, ModelFileExtensions, true)) return;
    StoreOpenDialogFiles();
    LoadSelectedModels();
    OutputNamesChanged();
    Form1.Merge3Dmodel1.enabled = true;
    ShowPreview();
}

void LoadController::Merge3Dmodel1Click() {
    if (!ExecuteOpenDialog(Form1.OpenDialog1, ModelFileFilter, ModelFileExtensions)) return;
    Form1.ComboBox15.text = Form1.OpenDialog1.fileName;
    MergeFile(Form1.ComboBox15.text, true);
}

void LoadController::Button20Click() { MergeFile(ResolveUserPath(Form1.ComboBox15.text), false); }

void LoadController::MergeFile(const std::string& file, bool showPreview) {
    if (!FileExistsNonBlank(file)) {
        Svc().prompts->Show(MessageKind::Warning, "File " + ExtractFileName(file) + " could not be found.");
        return;
    }
    WaitScope wait;
    Form1.Edit71.text.clear();
    const bool hadModel = !Scene.modelFile.empty();
    MergeModelFile(file);
    OutputNamesChanged();
    if (showPreview) ShowPreview();
    if (!hadModel && !Scene.loadFlag) Window().ResetCamera();
}

void LoadController::Button71Click() {
    const std::string file = ResolveUserPath(Form1.ComboBox15.text);
    if (!FileExistsNonBlank(file)) {
        Svc().prompts->Show(MessageKind::Warning, "File not found.");
        return;
    }
    BatchFiles.assign(1, file);
    LoadSelectedModels();
    OutputNamesChanged();
}

void LoadController::Batch1Click() {
    if (!ExecuteOpenDialog(Form1.OpenDialog1, ModelFileFilter, ModelFileExtensions, true)) return;
    if (Svc().prompts->Ask(MessageKind::Confirmation, "Are the lights and camera set?", {Answer::Yes, Answer::No}) !=
        Answer::Yes)
        return;
    ClearMessagesPage();
    ClearWarningsPage();
    StoreOpenDialogFiles();
    LogMessage("Memory cleanup...");
    ClearModel();
    Window().BuildPreviewLists();
    Window().Draw();
    Window().RefreshMaterialPanel(-1);
    if (BatchFiles.size() < 2) {
        Svc().prompts->Show(MessageKind::Information, "Select more than one file");
        return;
    }

    SetDialogDirs(ExtractFileDir(BatchFiles[1]));
    AddCamera("batchcam");
    LogMessage(RuleLine);
    LogMessage("Batch mode");
    Form1.ToolButton19.enabled = false;
    for (tedit* edit : {&Form1.Edit68, &Form1.Edit12, &Form1.Edit13, &Form1.Edit2}) edit->enabled = false;
    Form1.CheckBox73.checked = false;
    Form1.GroupBox3.visible = true;
    Form1.Edit119.text = TextBeforeDigit(ExtractFileName(BatchFiles.front()));

    const Answer common =
        Svc().prompts->Ask(MessageKind::Confirmation, "Use a common material file for all the models?",
                           {Answer::Yes, Answer::No, Answer::Cancel});
    if (common == Answer::Yes) {
        Button24Click();
    } else if (common == Answer::No) {
        Form1.Edit71.text.clear();
    } else {
        return;
    }
    Svc().prompts->Show(MessageKind::Information,
                        "In the POV-Ray Output tab Select the batch options to convert the selected files");
    Form1.PageControl1.active = PovRayOutputTab;
    Form1.PageControl5.active = FilesPage;
}

void LoadController::Button24Click() {
    // The common material file has its own choice, not the models'.
    tfiledialog dialog{Form1.OpenDialog1.initialDir, {}, {}};
    if (ExecuteOpenDialog(dialog, MaterialFileFilter, "")) Form1.Edit71.text = dialog.fileName;
}

void LoadController::RadioButton3Click() {
    const bool common = Form1.RadioButton4.checked;
    for (tedit* edit : {&Form1.Edit115, &Form1.Edit117, &Form1.Edit118, &Form1.Edit120, &Form1.Edit119, &Form1.Edit116})
        edit->enabled = common;
    Form1.Edit90.enabled = Form1.RadioButton3.checked;
}
