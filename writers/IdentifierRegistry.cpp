#include "writers/IdentifierRegistry.h"

#include "model/Model.h"

const std::string& IdentifierRegistry::Claim(std::string_view key, std::string_view wanted) {
    const std::string k(key);
    if (const auto it = byKey_.find(k); it != byKey_.end()) return it->second;
    std::string id = UniqueName(wanted, limit_, [this](const std::string& candidate) {
        return taken_.count(candidate) > 0;
    });
    taken_.insert(id);
    return byKey_.emplace(k, std::move(id)).first->second;
}

bool IdentifierRegistry::Reserve(std::string_view name) { return taken_.emplace(name).second; }

const std::string* IdentifierRegistry::Find(std::string_view key) const {
    const auto it = byKey_.find(std::string(key));
    return it == byKey_.end() ? nullptr : &it->second;
}

void IdentifierRegistry::Clear() {
    byKey_.clear();
    taken_.clear();
}
