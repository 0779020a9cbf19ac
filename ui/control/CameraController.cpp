#include "ui/control/CameraController.h"

#include <string>

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "ui/control/PreviewPages.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/CameraPresets.h"
#include "ui/core/FileDialogs.h"

namespace {

constexpr double FocusStep = 0.001;

int32_t SelectedCamera() { return SelectedItem(Form1.ComboBox8, Cameras.size()); }

// The focus planes as numbers: -1 and 1 for text that is none.
double BackPlane() { return EditNumber(Form1.Edit34, -1.0); }
double FrontPlane() { return EditNumber(Form1.Edit35, 1.0); }

// An angle edit rounded to the nearest multiple of 90 degrees.
void SnapToQuadrant(tedit& edit) {
    const double angle = EditNumber(edit, 0);
    // + 0.0 writes a snapped -0 as "0".
    edit.text = FloatToText(static_cast<double>(Round(angle / 90.0)) * 90.0 + 0.0);
}

void ApplyAndRedraw() {
    Svc().window->ApplyCameraEdits();
    RedrawPreview();
}

void RedrawWhenShown() {
    if (PreviewTabShown()) RedrawPreview();
}

}  // namespace

void CameraController::Register(Dispatcher& d) {
    // Its commands change no material, group or entry of the texture library.
    const ScopedRegistration add(d, CommandScope::NotTheMaterials);
    add.Add("Form1.Button5", [this] { Button5Click(); });
    add.Add("Form1.Button3", [this] { Button3Click(); });
    add.Add("Form1.ComboBox8", [this] { ComboBox8Change(); });
    add.Add("Form1.BitBtn4", [this] { BitBtn4Click(); });
    add.Add("Form1.Button15", [this] { Button15Click(); });
    add.Add("Form1.Button6", [this] { Button6Click(); });
    add.Add("Form1.Button28", [this] { Button28Click(); });
    add.Add("Form1.Button10", [this] { Button10Click(); });
    add.Add("Form1.CheckBox9", [this] { CheckBox9Click(); });
    add.Add("Form1.CheckBox25", [this] { CheckBox25Click(); });
    add.Add("Form1.CheckBox54", [this] { CheckBox54Click(); });
    add.Add("Form1.SpinButton17.Up", [this] { StepFocusPlane(true, FocusStep); });
    add.Add("Form1.SpinButton17.Down", [this] { StepFocusPlane(true, -FocusStep); });
    add.Add("Form1.SpinButton18.Up", [this] { StepFocusPlane(false, FocusStep); });
    add.Add("Form1.SpinButton18.Down", [this] { StepFocusPlane(false, -FocusStep); });
    add.Add("Form1.Edit34.Exit", [this] { FocusPlaneExit(); });
    add.Add("Form1.Edit35.Exit", [this] { FocusPlaneExit(); });
    add.Add("Form1.Button18", [this] { Button18Click(); });
    add.Add("Form1.Button34", [this] { Button34Click(); });
    add.Add("Form1.CheckBox30", [this] { CheckBox30Click(); });
}

void CameraController::Button5Click() {
    std::string name = "Camera_" + std::to_string(Cameras.size() + 1);
    if (!Svc().prompts->Input("New Camera", "Enter camera name", name)) return;
    AddCamera(name);
}

void CameraController::Button3Click() {
    const int32_t index = SelectedCamera();
    if (index < 0) return;
    DeleteCamera(index);
    RedrawPreview();
}

void CameraController::ComboBox8Change() {
    const int32_t index = SelectedCamera();
    if (index >= 0) Svc().window->SelectCameraPreset(index);
}

void CameraController::BitBtn4Click() {
    tfiledialog& dialog = Form1.OpenDialog1;
    if (!ExecuteOpenDialog(dialog, PoserOrDazFileFilter, PoserOrDazExtensions)) return;
    const std::string file = dialog.fileName;
    const std::string extension = LowerCase(ExtractFileExt(file));
    if (extension == ".ds")
        ReadDazCameras(file);
    else
        LoadPoserCamera(file);
}

void CameraController::Button15Click() {
    Svc().window->ResetCamera();
    Svc().status->ProcessPendingMessages();
    ApplyAndRedraw();
}

void CameraController::Button6Click() {
    Svc().window->RecenterCamera();
    Svc().status->ProcessPendingMessages();
    ApplyAndRedraw();
}

void CameraController::Button28Click() {
    SnapToQuadrant(Form1.Edit18);
    ApplyAndRedraw();
}

void CameraController::Button10Click() {
    for (tedit* angle : {&Form1.Edit18, &Form1.Edit20, &Form1.Edit19}) SnapToQuadrant(*angle);
    ApplyAndRedraw();
}

void CameraController::CheckBox9Click() {
    const bool perspective = !Form1.CheckBox9.checked;
    Form1.CheckBox25.enabled = perspective;
    Form1.CheckBox70.enabled = perspective;
    // The horizon's swatch also follows "Horizon" itself.
    Form1.Label147.enabled = perspective && Form1.CheckBox70.checked;
    Scene.orthographic = Form1.CheckBox9.checked ? 1 : 0;
    RedrawPreview();
}

void CameraController::CheckBox25Click() {
    const bool blur = Form1.CheckBox25.checked;
    Form1.CheckBox9.enabled = !blur;
    for (tcontrol* control : {static_cast<tcontrol*>(&Form1.CheckBox54), static_cast<tcontrol*>(&Form1.Edit34),
                              static_cast<tcontrol*>(&Form1.Edit35), static_cast<tcontrol*>(&Form1.Button18),
                              static_cast<tcontrol*>(&Form1.SpinButton17), static_cast<tcontrol*>(&Form1.SpinButton18)})
        control->enabled = blur;
    RedrawPreview();
}

void CameraController::CheckBox54Click() { RedrawPreview(); }

void CameraController::StepFocusPlane(bool back, double step) {
    double backPlane = BackPlane();
    double frontPlane = FrontPlane();
    if (back) {
        backPlane += step;
        if (backPlane > frontPlane) backPlane = frontPlane;
        Form1.Edit34.text = FloatToText(backPlane);
    } else {
        frontPlane += step;
        if (frontPlane < backPlane) frontPlane = backPlane;
        Form1.Edit35.text = FloatToText(frontPlane);
    }
    RedrawWhenShown();
}

void CameraController::FocusPlaneExit() {
    double backPlane = BackPlane();
    const double frontPlane = FrontPlane();
    if (backPlane > frontPlane) backPlane = frontPlane;
    Form1.Edit34.text = FloatToText(backPlane);
    Svc().window->ApplyCameraEdits();
    RedrawWhenShown();
}

void CameraController::Button18Click() {
    const double third = Scene.extents.diagonal / 3.0;
    Form1.Edit34.text = FloatToText(-third);
    Form1.Edit35.text = FloatToText(third);
    RedrawPreview();
}

void CameraController::Button34Click() {
    Svc().window->SetPreviewClientSize(TextToInt(Form1.Edit87.text), TextToInt(Form1.Edit110.text));
}

void CameraController::CheckBox30Click() { Svc().window->StayOnTop(Form1.CheckBox30.checked); }
