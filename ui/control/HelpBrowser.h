// What the help window's commands need of its HTML viewer beyond the help
// viewer of the core (load, jump, show): the history, the text search and
// the selection. The project's HTML viewer fills it; until then a stand-in
// on the toolkit's rich-text browser does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A place in the help: the file and the scroll position in it.
struct HelpPlace {
    std::string file;
    int position = 0;
    bool operator==(const HelpPlace&) const = default;
};

// The viewer's history of visited places, newest first, at most `maxCount`
// entries: a jump pushes the place left and the place reached; moving in
// the history keeps the entries and remembers where the user was.
class HelpHistory {
public:
    explicit HelpHistory(int maxCount = 10) : maxCount_(maxCount) {}
    // A jump from `previous` to `current`. Nothing when both are the same
    // place or there is no history. The entries newer than the current index
    // are dropped, `current` becomes entry 0 and the oldest entry beyond the
    // limit is dropped.
    void Push(const HelpPlace& previous, const HelpPlace& current);
    // Moving to entry `index` while the user is at `current`: the place to
    // show, or nothing for the current index or one outside the list.
    std::optional<HelpPlace> MoveTo(int index, const HelpPlace& current);
    int Index() const { return index_; }
    int Count() const { return static_cast<int>(entries_.size()); }

private:
    int maxCount_;
    int index_ = 0;
    std::vector<HelpPlace> entries_;
};
