#include "htmlviewer/HtmlHistory.h"

#include <algorithm>

void THtmlHistory::SetMaxCount(int maxCount) {
    maxCount = std::max(0, maxCount);
    if (maxCount < MaxCount_) Clear();
    MaxCount_ = maxCount;
}

void THtmlHistory::Clear() {
    Entries.clear();
    Index_ = 0;
}

bool THtmlHistory::Push(const THistoryEntry& previous, const THistoryEntry& current) {
    if (MaxCount_ < 1 || previous.File.empty()) return false;
    if (previous.File == current.File && previous.Type == current.Type && previous.Position == current.Position)
        return false;
    if (Entries.empty())
        Entries.push_back(previous);
    else
        Entries[static_cast<std::size_t>(Index_)] = previous;
    Entries.erase(Entries.begin(), Entries.begin() + Index_);
    Index_ = 0;
    Entries.insert(Entries.begin(), current);
    if (Count() > MaxCount_) Entries.resize(static_cast<std::size_t>(MaxCount_));
    return true;
}

std::optional<THistoryEntry> THtmlHistory::MoveTo(int index, const THistoryEntry& current) {
    if (index == Index_ || index < 0 || index >= Count()) return std::nullopt;
    Entries[static_cast<std::size_t>(Index_)] = current;
    Index_ = index;
    return Entries[static_cast<std::size_t>(index)];
}
