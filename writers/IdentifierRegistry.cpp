#include "writers/IdentifierRegistry.h"

const std::string& IdentifierRegistry::Claim(std::string_view key, std::string_view wanted) {
    std::string k(key);
    if (const auto found = byKey_.find(k); found != byKey_.end()) return *found->second;
    // The key first: should there be no room for it, no name is taken.
    const auto made = byKey_.emplace(std::move(k), nullptr).first;
    try {
        made->second = &taken_.TakeHeld(wanted);
    } catch (...) {
        byKey_.erase(made);
        throw;
    }
    ++names_;
    return *made->second;
}

const std::string& IdentifierRegistry::Take(std::string_view wanted) {
    const std::string& id = taken_.TakeHeld(wanted);
    ++names_;
    return id;
}

bool IdentifierRegistry::Reserve(std::string_view name) {
    if (!taken_.Add(name)) return false;
    ++names_;
    return true;
}

const std::string* IdentifierRegistry::Find(std::string_view key) const {
    const auto it = byKey_.find(std::string(key));
    return it == byKey_.end() ? nullptr : it->second;
}

void IdentifierRegistry::Clear() {
    byKey_.clear();
    taken_.Clear();
    names_ = 0;
}
