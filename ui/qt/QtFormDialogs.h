// Shows the program's dialog windows modally (FormDialogs on Qt).
#pragma once

#include <map>
#include <string>

#include "ui/control/FormDialogs.h"

class Binder;
class QDialog;

class QtFormDialogs : public FormDialogs {
public:
    explicit QtFormDialogs(Binder& binder) : binder_(binder) {}
    // The dialog window of `form`; it must be bound with Binder::BindDialog.
    void Add(const std::string& form, QDialog* dialog) { dialogs_[form] = dialog; }
    ModalResult ShowModal(std::string_view form) override;

private:
    Binder& binder_;
    std::map<std::string, QDialog*, std::less<>> dialogs_;
};
