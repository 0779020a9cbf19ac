#include "ui/control/StatusController.h"

#include "model/HelpTopic.h"
#include "ui/options/Options.h"

void StatusController::Register(Dispatcher& d) {
    d.Add("Form1.Button43", [this] { Button43Click(); });
    d.Add("Form4.Escape", [this] { FormKeyDownEscape(); });
    d.Add("Form4.Hide", [this] { FormHide(); });
    d.Add("Form4.Button1", [this] { Button1Click(); });
}

void StatusController::Button43Click() {
    if (Form4.visible) {
        FormHide();
    } else {
        Form4.visible = true;
        Form1.Button43.caption = "-";
    }
}

void StatusController::FormKeyDownEscape() { FormHide(); }

void StatusController::FormHide() {
    Form4.visible = false;
    Form1.Button43.caption = "+";
}

void StatusController::Button1Click() { ShowHelpTopic("#Warnings"); }
