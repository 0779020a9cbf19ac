#include "ui/control/SnippetController.h"

#include <string>

#include "model/Model.h"
#include "options/Options.h"
#include "ui/control/Snippets.h"
#include "writers/DeclareLibrary.h"

namespace {

// The list names of the pages, in page order.
constexpr const char* PageLists[SnippetPageCount] = {"ListBox6", "ListBox1", "ListBox2", "ListBox3",
                                                     "ListBox4", "ListBox5", "ListBox7"};

bool IsLibraryEntry(int32_t index) {
    return index >= static_cast<int32_t>(FixedMaterialSnippets) &&
           static_cast<std::size_t>(index) - FixedMaterialSnippets < DeclareLibrary.size();
}

}  // namespace

void SnippetController::Register(Dispatcher& d) {
    for (int32_t page = 0; page < SnippetPageCount; ++page)
        d.Add(std::string("Form8.") + PageLists[page] + ".DblClick", [this, page] { ListBoxDblClick(page); });
    d.Add("Form8.Escape", [this] { FormKeyPressEscape(); });
    d.Add("Form8.ListBox6.ContextPopup", [this] { ListBox6ContextPopup(); });
    d.Add("Form8.ListBox6", [this] { ListBox6ContextPopup(); });
    d.Add("Form8.Delete1", [this] { Delete1Click(); });
}

void SnippetController::ListBoxDblClick(int32_t page) {
    const tlistbox* list = SnippetList(page);
    if (!list || list->index < 0) return;
    InsertMaterialSnippet(page, list->index, !Form8.CheckBox1.checked);
    Form8.modalResult = ModalResult::Ok;
}

void SnippetController::FormKeyPressEscape() { Form8.modalResult = ModalResult::Cancel; }

void SnippetController::ListBox6ContextPopup() { Form8.Delete1.enabled = IsLibraryEntry(Form8.ListBox6.index); }

void SnippetController::Delete1Click() {
    tlistbox& list = Form8.ListBox6;
    const int32_t index = list.index;
    if (!IsLibraryEntry(index)) return;
    DeclareLibrary.erase(DeclareLibrary.begin() + (index - static_cast<int32_t>(FixedMaterialSnippets)));
    list.items.erase(list.items.begin() + index);
    list.index = index - 1;
    ListBox6ContextPopup();
}
