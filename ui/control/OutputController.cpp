#include "ui/control/OutputController.h"

#include "model/ModelLists.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovIni.h"
#include "ui/core/PovLaunch.h"

namespace {

// The colour of a box that names something missing: red.
constexpr int32_t clRed = 0x0000FF;

}  // namespace

void OutputController::Register(Dispatcher& d) {
    d.Add("Form1.Edit47", [this] { Edit47Change(); });
    d.Add("Form1.Edit48", [this] { Edit48Change(); });
    d.Add("Form1.CheckBox31", [this] { CheckBox31Click(); });
    d.Add("Form1.Button32", [this] { Button32Click(); });
    d.Add("Form1.ComboBox5", [this] { ComboBox5Change(); });
    d.Add("Form1.CheckBox51", [this] { CheckBox51Click(); });
    d.Add("Form1.Edit52", [this] { Edit52Change(); });
    d.Add("Form1.Button11", [this] { Button11Click(); });
    d.Add("Form1.RadioButton20", [this] { RadioButton20Click(); });
    d.Add("Form1.RadioButton21", [this] { RadioButton20Click(); });
    d.Add("Form1.Edit1", [this] { Edit1Change(); });
}

void OutputController::Edit47Change() {
    if (Form1.CheckBox31.checked) RenderHeightFromWidth();
}

void OutputController::Edit48Change() {
    if (Form1.CheckBox31.checked) RenderWidthFromHeight();
}

void OutputController::CheckBox31Click() {
    if (Form1.CheckBox31.checked) RenderHeightFromWidth();
}

void OutputController::Button32Click() {
    int32_t width = 0, height = 0;
    Svc().window->PreviewClientSize(width, height);
    Form1.Edit47.text = std::to_string(width);
    Form1.Edit48.text = std::to_string(height);
}

void OutputController::ComboBox5Change() {
    Form1.Edit61.text = ChangeFileExt(Form1.Edit61.text, OutputImageExtension(Form1.ComboBox5.index));
}

void OutputController::CheckBox51Click() {
    const bool whole = !Form1.CheckBox51.checked;
    Form1.Edit68.enabled = Form1.Edit2.enabled = whole;
    Form1.Label44.enabled = Form1.Label102.enabled = whole;
    Form1.ToolButton18.enabled = Form1.ToolButton19.enabled = whole;
    Form1.Label21.enabled = Form1.ComboBox12.enabled = !whole;
}

void OutputController::Edit52Change() {
    const bool missing = !Trim(Form1.Edit52.text).empty() && PovRayProgram().empty();
    Form1.Edit52.color = missing ? clRed : clNone;
}

void OutputController::Button11Click() {
    // Programs carry no extension here: every file is offered.
    tfiledialog dialog{Form1.OpenDialog1.initialDir, Trim(Form1.Edit52.text), {}};
    const std::string current = PovRayProgram();
    if (!current.empty()) {
        dialog.initialDir = ExtractFilePath(current);
        dialog.fileName = current;
    }
    if (!ExecuteOpenDialog(dialog, "All files (*)|*|", "")) return;
    Form1.Edit52.text = dialog.fileName;
    Edit52Change();
    if (Svc().checkScene) Svc().checkScene();
}

void OutputController::RadioButton20Click() {
    Form1.Label112.enabled = Form1.Edit82.enabled = Form1.RadioButton20.checked;
}

void OutputController::Edit1Change() { Form1.Edit86.text = ChangeFileExt(Form1.Edit1.text, ".mtl"); }
