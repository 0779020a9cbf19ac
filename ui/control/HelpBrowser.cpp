#include "ui/control/HelpBrowser.h"

void HelpHistory::Push(const HelpPlace& previous, const HelpPlace& current) {
    if (maxCount_ < 1 || previous.file.empty() || previous == current) return;
    if (entries_.empty())
        entries_.push_back(previous);
    else
        entries_[static_cast<std::size_t>(index_)] = previous;
    entries_.erase(entries_.begin(), entries_.begin() + index_);
    index_ = 0;
    entries_.insert(entries_.begin(), current);
    if (Count() > maxCount_) entries_.resize(static_cast<std::size_t>(maxCount_));
}

std::optional<HelpPlace> HelpHistory::MoveTo(int index, const HelpPlace& current) {
    if (index == index_ || index < 0 || index >= Count()) return std::nullopt;
    entries_[static_cast<std::size_t>(index_)] = current;
    index_ = index;
    return entries_[static_cast<std::size_t>(index)];
}
