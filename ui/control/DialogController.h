// The buttons that close the program's dialog windows. A dialog's own
// checks before it closes with OK belong to the controller of its commands,
// which replaces the handler registered here.
#pragma once

#include <string_view>

#include "ui/control/Dispatcher.h"

// A button that ends a dialog with a result.
struct DialogCloseButton {
    std::string_view control;  // "Form2.Button2"
    std::string_view form;     // "Form2"
    bool ok;                   // true: OK, false: Cancel
};

// The OK and Cancel buttons of every dialog window.
extern const DialogCloseButton DialogCloseButtons[10];

class DialogController {
public:
    void Register(Dispatcher& d);
    // Ends the dialog of `form` with OK or Cancel.
    static void Close(std::string_view form, bool ok);
};
