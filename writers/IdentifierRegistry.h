// Identifiers of one export run. Cleaning names into identifiers can make two
// different names equal ("my mat" and "my_mat" both give "my_mat"); written
// as they are, two materials or groups would become one when the file is
// read back, or a renderer would see one identifier declared twice. The
// registry gives each record (a key such as "material 3") one identifier for
// the whole run: the identifier it asks for while no other record holds it,
// otherwise that identifier with "_" and the smallest free number appended.
// Ordinary output, where no two identifiers collide, is therefore unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include <cstdint>

#include "model/UniqueNames.h"

// The key of a record in a registry: its kind and list position, such as
// "material 3".
inline std::string RegistryKey(const char* kind, int32_t index) {
    std::string k(kind);
    k += ' ';
    k += std::to_string(index);
    return k;
}

class IdentifierRegistry {
public:
    // `limit`: the longest identifier the readers of the file keep (255 for
    // the names of OBJ and MTL files); a suffixed identifier is shortened so
    // that it still fits and stays different.
    explicit IdentifierRegistry(std::size_t limit = std::string::npos) : taken_(limit) {}

    // The identifier of `key`. The first call decides it from `wanted`;
    // every later call for the same key returns that same identifier.
    const std::string& Claim(std::string_view key, std::string_view wanted);
    // An identifier for a record that asks for it only once (the meshes of a
    // run, whose names the run keeps): decided from `wanted` as Claim does.
    const std::string& Take(std::string_view wanted);
    // Makes room for `count` more identifiers at once, rather than growing
    // the set step by step while hundreds of thousands are taken.
    void Expect(std::size_t count) { taken_.Reserve(names_ + count); }
    // Marks a name that the writer makes itself as taken; false when it was
    // taken already.
    bool Reserve(std::string_view name);
    bool IsTaken(std::string_view name) const { return taken_.Contains(name); }
    // The identifier given to `key`, or nullptr.
    const std::string* Find(std::string_view key) const;
    void Clear();

private:
    std::unordered_map<std::string, const std::string*> byKey_;  // names held by taken_
    UniqueNameSet taken_;
    std::size_t names_ = 0;  // in taken_
};
