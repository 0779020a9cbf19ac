// The POV-Ray snippet picker (Form8): a double click on an entry of any of
// its seven lists inserts the entry's text at the caret of the custom
// material memo and closes the picker; the "Material" list's library
// entries can be deleted.
#pragma once

#include <cstdint>

#include "ui/control/Dispatcher.h"

class SnippetController {
public:
    void Register(Dispatcher& d);

    // The double click on the list of `page` (its selected entry): inserts
    // with "uv_mapping" unless "Use 3D mapping" is checked, then closes with
    // OK.
    void ListBoxDblClick(int32_t page);
    // Esc closes the picker with Cancel.
    void FormKeyPressEscape();
    // The popup of the "Material" list: "Delete" only for a library entry.
    void ListBox6ContextPopup();
    // "Delete": the library entry of the selected line leaves the library
    // and the list; the line before it is selected.
    void Delete1Click();
};
