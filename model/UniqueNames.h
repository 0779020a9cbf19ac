// Names made unique by a numeric suffix: "wood" is taken, so the next one is
// "wood_1", then "wood_2", always the smallest free number, with the base
// shortened where the whole would not fit its limit.
//
// Where many names are decided against one growing set (the import merge,
// the identifiers of an export run), UniqueNameSet gives them in time in
// proportion to their number: it remembers where each search for a free
// number ended, so that no name is probed twice however many names share a
// base.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// `base` + "_" + n, the base shortened first where needed so that the whole
// fits in `limit` bytes.
std::string SuffixedName(std::string_view base, int64_t n, std::size_t limit);

// The free numbers of suffixed names, remembered. The names of the numbers
// of one count of digits d share one stem, stem(d) (the base shortened for
// a suffix of d + 1 bytes); for each stem and d it keeps the smallest number
// whose name may still be free, every smaller one of d digits being taken.
// Names are only ever added while it lives, so that number never goes
// down: every taken name is passed over at most once, whichever base led to
// it.
class SuffixNumbers {
public:
    // `first`: the smallest number handed out (at least 1).
    explicit SuffixNumbers(int64_t first = 1) : first_(first < 1 ? 1 : first) {}

    // The smallest n >= the first number for which isTaken(stem(d) + "_" + n)
    // is false, d being the number of digits of n. The caller takes that
    // name before it asks again.
    template <typename Stem, typename Taken>
    int64_t Smallest(Stem&& stem, Taken&& isTaken) {
        std::string candidate;
        for (int digits = DigitCount(first_);; ++digits) {
            std::string key = stem(digits);
            const std::size_t stemSize = key.size();
            key.push_back(static_cast<char>(digits));  // one byte: the stem stays apart from the count
            const int64_t low = digits == DigitCount(first_) ? first_ : Power10(digits - 1);
            const int64_t end = digits >= MaxDigits ? std::numeric_limits<int64_t>::max() : Power10(digits);
            const auto it = next_.try_emplace(std::move(key), low).first;
            for (int64_t& n = it->second; n < end; ++n) {
                candidate.assign(it->first, 0, stemSize);
                candidate += '_';
                candidate += std::to_string(n);
                if (!isTaken(candidate)) return n++;
            }
        }
    }

    void Clear() { next_.clear(); }

private:
    static constexpr int MaxDigits = 19;
    static int DigitCount(int64_t n);
    static int64_t Power10(int exponent);

    int64_t first_;
    std::unordered_map<std::string, int64_t> next_;
};

// A set of names that hands out new ones by the rule of the suffixes. The
// names are held once, in the order they were taken, and found through a
// flat table of their hashes: hundreds of thousands of names (the meshes of
// an export run) cost a probe or two each, not a walk through scattered
// nodes.
class UniqueNameSet {
public:
    // `limit`: the longest name (std::string::npos for no limit).
    explicit UniqueNameSet(std::size_t limit = std::string::npos) : limit_(limit) {}

    // A name not in the set, then taken: `base` itself (cut at the limit),
    // or SuffixedName(base, n, limit) for the smallest n >= 1 that is free.
    // Each number gives another name, so the search always ends.
    std::string Take(std::string_view base) { return TakeHeld(base); }
    // Take, giving the name as the set holds it: it stays until Clear or
    // the end of the set.
    const std::string& TakeHeld(std::string_view base);
    // Takes a name as it stands; false when it was taken already.
    bool Add(std::string_view name) { return Insert(name) != nullptr; }
    bool Contains(std::string_view name) const { return Find(name, Hash(name)) != nullptr; }
    // Makes room for `count` names in all.
    void Reserve(std::size_t count);
    void Clear();

private:
    static uint64_t Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }
    const std::string* Find(std::string_view name, uint64_t hash) const;
    // The name, held; nullptr when it was held already.
    const std::string* Insert(std::string_view name);
    void Place(uint64_t hash, std::size_t index);

    std::size_t limit_;
    std::deque<std::string> names_;   // in the order taken; a name never moves
    std::vector<uint64_t> hashes_;    // of names_, for growing the table
    // Open addressing, a power of two at most half full: 0 for a free slot,
    // else the high half of the name's hash above its index + 1.
    std::vector<uint64_t> slots_;
    SuffixNumbers numbers_;
};
