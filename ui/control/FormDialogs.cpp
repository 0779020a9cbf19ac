#include "ui/control/FormDialogs.h"

ModalResult* ModalResultOf(std::string_view form) {
    if (form == "Form2") return &Form2.modalResult;
    if (form == "Form3") return &Form3.modalResult;
    if (form == "Form6") return &Form6.modalResult;
    if (form == "Form7") return &Form7.modalResult;
    if (form == "Form8") return &Form8.modalResult;
    if (form == "searchForm2") return &searchForm2.modalResult;
    return nullptr;
}
