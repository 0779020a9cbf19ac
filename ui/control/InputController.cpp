#include "ui/control/InputController.h"

#include <string>

#include "options/Options.h"
#include "ui/core/Shell.h"

void InputController::Register(Dispatcher& d) {
    d.Add("Form1.ToolButton20", [this] { ToolButton20Click(); });
    d.Add("Form1.Label90", [this] { Label90Click(); });
    d.Add("Form1.Label94", [this] { Label94Click(); });
    d.Add("Form1.CheckBox34", [this] { CheckBox34Click(); });
}

void InputController::ToolButton20Click() { host_.CloseMainWindow(); }

void InputController::Label90Click() { OpenWithShell("mailto:" + std::string(MakerMailAddress), 1); }

void InputController::Label94Click() { OpenWithShell(MakerWebAddress, 1); }

void InputController::CheckBox34Click() {
    Form2.CheckBox16.checked = Form1.CheckBox34.checked;
    Commands().Call("Form2.CheckBox16");
}
