#include "ui/qt/QtFormDialogs.h"

#include <QDialog>

#include "ui/qt/Binder.h"

ModalResult QtFormDialogs::ShowModal(std::string_view form) {
    ModalResult* result = ModalResultOf(form);
    const auto it = dialogs_.find(form);
    if (!result || it == dialogs_.end()) return ModalResult::Cancel;
    *result = ModalResult::None;
    binder_.RefreshAll();
    it->second->exec();
    if (*result == ModalResult::None) *result = ModalResult::Cancel;
    return *result;
}
