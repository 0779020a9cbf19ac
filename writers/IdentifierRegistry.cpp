#include "writers/IdentifierRegistry.h"

const std::string& IdentifierRegistry::Claim(std::string_view key, std::string_view wanted) {
    const std::string k(key);
    if (const auto it = byKey_.find(k); it != byKey_.end()) return it->second;
    return byKey_.emplace(k, taken_.Take(wanted)).first->second;
}

bool IdentifierRegistry::Reserve(std::string_view name) { return taken_.Add(name); }

const std::string* IdentifierRegistry::Find(std::string_view key) const {
    const auto it = byKey_.find(std::string(key));
    return it == byKey_.end() ? nullptr : &it->second;
}

void IdentifierRegistry::Clear() {
    byKey_.clear();
    taken_.Clear();
}
