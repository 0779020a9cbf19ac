// The status-messages window (Form4) and the "+" button of the main
// window's status strip that shows and hides it.
#pragma once

#include "ui/control/Dispatcher.h"

class StatusController {
public:
    void Register(Dispatcher& d);

    // "+" / "-": hides a shown status window, shows a hidden one.
    void Button43Click();
    // Esc on the window or on its pages "Messages", "Warnings", "Geometry"
    // and "OpenGL (R) Info": hides it.
    void FormKeyDownEscape();
    // The window was hidden (Esc, its close box, "-"): the button shows "+".
    void FormHide();
    // "Warnings Help...".
    void Button1Click();
};
