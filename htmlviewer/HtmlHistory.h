// The HTML viewer's history of places: newest first, at most a given number
// of entries. Following a link pushes the place left and the place reached;
// moving in the history keeps the entries and remembers where the user was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A scroll position that survives a new layout: the index of the
// document's section at the top of the window and how far the window top
// lies inside it.
struct TPositionCode {
    int32_t Section = 0;
    int32_t Offset = 0;
    bool operator==(const TPositionCode&) const = default;
};

// What the viewer shows: an HTML document, plain text or a picture alone.
enum class TFileType : uint8_t { Html = 0, Text = 1, Image = 2 };

// One place of the history.
struct THistoryEntry {
    std::string File;
    std::string Title;
    TPositionCode Position;
    TFileType Type = TFileType::Html;
};

class THtmlHistory {
public:
    explicit THtmlHistory(int maxCount = 0) : MaxCount_(maxCount) {}

    // The most entries kept; 0 keeps none. A smaller value than before
    // clears the history.
    int MaxCount() const { return MaxCount_; }
    void SetMaxCount(int maxCount);

    // A move from `previous` to `current`. Nothing (false) without a limit,
    // without a previous file, or when file, type and position are the same.
    // Otherwise the current entry becomes `previous`, the entries newer than
    // it are dropped, `current` becomes entry 0 and the oldest entry beyond
    // the limit goes.
    bool Push(const THistoryEntry& previous, const THistoryEntry& current);
    // Moving to entry `index` while the user is at `current` (which the
    // current entry takes): the entry to show; nothing for the current index
    // or one outside the list.
    std::optional<THistoryEntry> MoveTo(int index, const THistoryEntry& current);

    // The current entry: 0 is the newest, larger is older.
    int Index() const { return Index_; }
    int Count() const { return static_cast<int>(Entries.size()); }
    const THistoryEntry& operator[](int i) const { return Entries[static_cast<std::size_t>(i)]; }
    void Clear();

private:
    int MaxCount_;
    int Index_ = 0;
    std::vector<THistoryEntry> Entries;
};
