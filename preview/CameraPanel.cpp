#include "preview/CameraPanel.h"

#include <cmath>
#include <string>
#include <utility>

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"

namespace {

void ShowLocation() {
    const tvector p = AddVectors(Scene.cameraLocation, Scene.translation);
    Form1.Edit15.text = FloatToText(p.x);
    Form1.Edit16.text = FloatToText(p.y);
    Form1.Edit17.text = FloatToText(p.z);
}

double Number(const tedit& edit) { return TextToFloat(edit.text); }

// Puts a text into a box (a moved string: GCC 12 warns falsely on some
// literal assignments).
void Show(tedit& edit, std::string text) { edit.text = std::move(text); }

}  // namespace

double PreviewAspect() {
    int32_t width = 0, height = 0;
    Svc().window->PreviewClientSize(width, height);
    return width > 0 && height > 0 ? static_cast<double>(width) / height : 1.0;
}

double VerticalFieldOfView(double horizontal, double aspect) {
    return 2 * std::atan(std::tan(horizontal * DegToRad / 2) / aspect) * RadToDeg;
}

double HorizontalFieldOfView(double vertical, double aspect) {
    return 2 * std::atan(std::tan(vertical * DegToRad / 2) * aspect) * RadToDeg;
}

void RefreshCameraPanel() {
    Form1.Edit14.text = FloatToText(HorizontalFieldOfView(Scene.fieldOfView, PreviewAspect()));
    Form1.CheckBox9.checked = Scene.orthographic != 0;
    double angles[3] = {0, 0, 0};
    QuatToAngles(Scene.viewOrientation, angles);
    Form1.Edit18.text = FloatToText(-angles[2] * RadToDeg);
    Form1.Edit19.text = FloatToText(-angles[1] * RadToDeg);
    Form1.Edit20.text = FloatToText(-angles[0] * RadToDeg);
    ShowLocation();
}

void ApplyCameraEdits() {
    Scene.orthographic = Form1.CheckBox9.checked ? 1 : 0;
    Scene.fieldOfView = VerticalFieldOfView(Number(Form1.Edit14), PreviewAspect());
    Scene.cameraLocation = SubtractVectors({Number(Form1.Edit15), Number(Form1.Edit16), Number(Form1.Edit17)},
                                           Scene.translation);
    const double roll = Number(Form1.Edit18), pitch = Number(Form1.Edit20), yaw = Number(Form1.Edit19);
    const tquaternion qz = QuatFromAxisAngle({0, 0, 1}, -roll * DegToRad);
    const tquaternion qx = QuatFromAxisAngle({1, 0, 0}, -pitch * DegToRad);
    const tquaternion qy = QuatFromAxisAngle({0, 1, 0}, -yaw * DegToRad);
    Scene.viewOrientation = QuatMultiply(QuatNormalize(QuatMultiply(QuatMultiply(qz, qx), qy)), Scene.viewOrientation2);
    QuatToAxisAngle(Scene.viewOrientation, Scene.viewRotationAngle, Scene.viewRotationAxis);
}

void ResetCamera() {
    Form1.Edit14.text = FloatToText(HorizontalFieldOfView(25, PreviewAspect()));
    Form1.CheckBox9.checked = false;
    Form1.CheckBox25.checked = false;
    Show(Form1.Edit34, "-1.0");
    Show(Form1.Edit35, "1.0");
    Scene.translation = Scene.extents.center;
    Scene.cameraLocation = {0, 0, 2 * Scene.extents.diagonal};
    ShowLocation();
    Show(Form1.Edit18, "0");
    Show(Form1.Edit20, "-25");
    Show(Form1.Edit19, "45");
    Scene.activeCameraName = "MirelanCAMERA";
}

void RecenterCamera() {
    Scene.translation = Scene.extents.center;
    Scene.cameraLocation.x = 0;
    Scene.cameraLocation.y = 0;
    ShowLocation();
    Scene.activeCameraName = "MirelanCAMERA";
}

void SelectCameraPreset(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Cameras.size())) return;
    const tcamera c = Cameras[static_cast<std::size_t>(index)];
    WindowHooks& window = *Svc().window;
    if (c.previewWidth >= 1 && c.previewHeight >= 1) window.SetPreviewClientSize(c.previewWidth, c.previewHeight);
    Form1.CheckBox9.checked = c.noPerspective != 0;
    Form1.Edit14.text = FloatToText(c.zoom);
    Form1.CheckBox25.checked = c.useFocalBlur != 0;
    Form1.Edit34.text = FloatToText(c.focusBack);
    Form1.Edit35.text = FloatToText(c.focusFront);
    Form1.Edit15.text = FloatToText(c.panH);
    Form1.Edit16.text = FloatToText(c.panV);
    Form1.Edit17.text = FloatToText(c.distance);
    Form1.Edit18.text = FloatToText(c.roll);
    Form1.Edit20.text = FloatToText(c.pitch);
    Form1.Edit19.text = FloatToText(c.yaw);
    Scene.translation = c.translation;
    if (Form1.PageControl1.active == 1) {
        ApplyCameraEdits();
        window.Draw();
    }
}
