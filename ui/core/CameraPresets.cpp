#include "ui/core/CameraPresets.h"

#include <algorithm>

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"

namespace {

// The number in a box; 0 when it holds none.
double Number(const tedit& edit) {
    double value = 0;
    int32_t code = 0;
    ValFloat(edit.text, value, code);
    return code == 0 ? value : 0;
}

}  // namespace

void AddCamera(std::string_view name) {
    tcamera c;
    c.noPerspective = Form1.CheckBox9.checked;
    c.zoom = Number(Form1.Edit14);
    c.useFocalBlur = Form1.CheckBox25.checked;
    c.focusBack = Number(Form1.Edit34);
    c.focusFront = Number(Form1.Edit35);
    c.reserved1 = c.reserved2 = 0;
    c.panH = Number(Form1.Edit15);
    c.panV = Number(Form1.Edit16);
    c.distance = Number(Form1.Edit17);
    c.roll = Number(Form1.Edit18);
    c.pitch = Number(Form1.Edit20);
    c.yaw = Number(Form1.Edit19);
    c.name = name;
    c.translation = Scene.translation;
    Svc().window->PreviewClientSize(c.previewWidth, c.previewHeight);
    Cameras.push_back(c);
    Form1.ComboBox8.index = static_cast<int32_t>(Cameras.size()) - 1;
}

void DeleteCamera(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Cameras.size())) return;
    Cameras.erase(Cameras.begin() + index);
    const int32_t left = static_cast<int32_t>(Cameras.size());
    Form1.ComboBox8.index = left == 0 ? -1 : std::clamp(index - 1, 0, left - 1);
}
