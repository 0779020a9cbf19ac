#include "ui/control/StatusController.h"

#include "model/HelpTopic.h"
#include "options/Options.h"

void StatusController::Register(Dispatcher& d) {
    d.Add("Form1.Button43", [this] { Button43Click(); });
    d.Add("Form4.Escape", [this] { FormKeyDownEscape(); });
    d.Add("Form4.Hide", [this] { FormHide(); });
    d.Add("Form4.Button1", [this] { Button1Click(); });
}

namespace {

// The button shows "-" while the window is shown, "+" while it is hidden.
void ShowState(bool shown) {
    Form4.visible = shown;
    Form1.Button43.caption.assign(1, shown ? '-' : '+');
}

}  // namespace

void StatusController::Button43Click() { ShowState(!Form4.visible); }

void StatusController::FormKeyDownEscape() { FormHide(); }

void StatusController::FormHide() { ShowState(false); }

void StatusController::Button1Click() { ShowHelpTopic("#Warnings"); }
