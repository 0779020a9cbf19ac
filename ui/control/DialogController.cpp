#include "ui/control/DialogController.h"

#include <string>

#include "ui/control/FormDialogs.h"

const DialogCloseButton DialogCloseButtons[10] = {
    {"searchForm2.Button2", "searchForm2", false},  // "Cancel"
    {"Form2.Button1", "Form2", true},               // "OK"
    {"Form2.Button2", "Form2", false},              // "Cancel"
    {"Form3.Button5", "Form3", true},               // "OK"
    {"Form3.Button4", "Form3", false},              // "Cancel"
    {"Form6.Button1", "Form6", true},               // "OK"
    {"Form6.Button2", "Form6", false},              // "Cancel"
    {"Form7.Button1", "Form7", true},               // "OK"
    {"Form7.Button2", "Form7", false},              // "Cancel"
    {"Form8.Button1", "Form8", false},              // "Close"
};

void DialogController::Register(Dispatcher& d) {
    for (const DialogCloseButton& b : DialogCloseButtons)
        d.Add(std::string(b.control), [b] { Close(b.form, b.ok); });
}

void DialogController::Close(std::string_view form, bool ok) {
    if (ModalResult* result = ModalResultOf(form)) *result = ok ? ModalResult::Ok : ModalResult::Cancel;
}
