// What the help window's commands need of its HTML viewer beyond the help
// viewer of the core (load, jump, show): the history, the text search and
// the selection. The help window's HTML viewer fills it; tests fake it.
#pragma once

#include <string>
#include <string_view>

#include "model/Services.h"

class HelpBrowser : public HelpViewer {
public:
    // The history index: 0 is the newest entry, larger is older.
    virtual int HistoryPosition() const { return 0; }
    // Moves in the history; nothing for the current index or one outside it.
    virtual void SetHistoryPosition(int /*index*/) {}
    // Finds and selects the next occurrence after the caret; false when there
    // is none.
    virtual bool FindInDocument(std::string_view /*text*/, bool /*matchCase*/) { return false; }
    // Puts the caret and both ends of the selection at `position` (0 clears
    // the selection, so that a search starts at the top).
    virtual void SetSelectionRange(int /*position*/) {}
};
