#include "model/UniqueNames.h"

namespace {

// The length of the base before a suffix of `suffixSize` bytes.
std::size_t StemLength(std::size_t limit, std::size_t suffixSize) {
    return limit > suffixSize ? limit - suffixSize : 0;
}

}  // namespace

std::string SuffixedName(std::string_view base, int64_t n, std::size_t limit) {
    std::string suffix(1, '_');  // not "_" + ...: that trips a false -Wrestrict in GCC 12
    suffix += std::to_string(n);
    std::string name(base.substr(0, StemLength(limit, suffix.size())));
    name += suffix;
    return name;
}

int SuffixNumbers::DigitCount(int64_t n) {
    int digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

int64_t SuffixNumbers::Power10(int exponent) {
    int64_t p = 1;
    for (int i = 0; i < exponent; ++i) p *= 10;
    return p;
}

const std::string& UniqueNameSet::TakeHeld(std::string_view base) {
    if (const std::string* name = Insert(base.substr(0, limit_))) return *name;
    const int64_t n = numbers_.Smallest(
        [&](int digits) {
            return std::string(base.substr(0, StemLength(limit_, static_cast<std::size_t>(digits) + 1)));
        },
        [&](const std::string& candidate) { return Contains(candidate); });
    return *Insert(SuffixedName(base, n, limit_));
}

const std::string* UniqueNameSet::Find(std::string_view name, uint64_t hash) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    const uint64_t tag = hash >> 32;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const uint64_t slot = slots_[at];
        if (slot == 0) return nullptr;
        if (slot >> 32 == tag) {
            const std::string& held = names_[(slot & 0xFFFFFFFFu) - 1];
            if (held == name) return &held;
        }
    }
}

void UniqueNameSet::Place(uint64_t hash, std::size_t index) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = (hash >> 32 << 32) | (index + 1);
}

void UniqueNameSet::Reserve(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    if (size <= slots_.size()) return;
    slots_.assign(size, 0);
    for (std::size_t i = 0; i < hashes_.size(); ++i) Place(hashes_[i], i);
}

const std::string* UniqueNameSet::Insert(std::string_view name) {
    const uint64_t hash = Hash(name);
    if (Find(name, hash)) return nullptr;
    if (2 * (names_.size() + 1) > slots_.size()) Reserve(2 * (names_.size() + 1));
    hashes_.push_back(hash);
    try {
        names_.emplace_back(name);
    } catch (...) {
        hashes_.pop_back();
        throw;
    }
    Place(hash, names_.size() - 1);
    return &names_.back();
}

void UniqueNameSet::Clear() {
    names_.clear();
    hashes_.clear();
    slots_.clear();
    numbers_.Clear();
}
