#include "writers/PovNames.h"

#include "model/Model.h"
#include "model/PovReservedWords.h"
#include "model/TextConv.h"
#include "options/Options.h"

namespace {

constexpr std::string_view PreparedKey = "scene object";

}  // namespace

void PreparePovIdentifiers(ExportRun& run) {
    IdentifierRegistry& ids = run.povIdentifiers;
    if (ids.Find(PreparedKey)) return;
    // The scene file writes the scene object name as it was made, so it
    // keeps it; should another writer have taken the name already, this
    // claim gets a suffixed name that nothing uses, and the name itself
    // stays taken either way.
    ids.Claim(PreparedKey, run.sceneObjectName);
    ids.Reserve(LineGroupName);
    // The material include reads the standard include files, whose macros
    // cannot be declared again ("HFCreate" would give the macro HFCreate_).
    for (const std::string_view macro : PovIncludeMacros()) ids.Reserve(macro);
    for (int32_t i = 0; i < static_cast<int32_t>(SceneMaterials.size()); ++i) PovMaterialId(run, i);
    if (Form1.CheckBox48.checked)
        for (int32_t i = 0; i < static_cast<int32_t>(SceneGroups.size()); ++i)
            if (SceneGroups[static_cast<std::size_t>(i)].visible) PovGroupId(run, i);
}

const std::string& PovMaterialId(ExportRun& run, int32_t material) {
    const std::string key = RegistryKey("material", material);
    if (const std::string* id = run.povIdentifiers.Find(key)) return *id;
    return run.povIdentifiers.Claim(key,
                                    MakeIdentifierPrefix(At(SceneMaterials, material, "SceneMaterials").name.view()));
}

const std::string& PovGroupId(ExportRun& run, int32_t group) {
    const std::string key = RegistryKey("group", group);
    if (const std::string* id = run.povIdentifiers.Find(key)) return *id;
    return run.povIdentifiers.Claim(key, MakeIdentifierPrefix(At(SceneGroups, group, "SceneGroups").name.view()));
}

const std::string& PovDerivedId(ExportRun& run, std::string_view key, std::string_view wanted) {
    return run.povIdentifiers.Claim(key, wanted);
}

bool PovLeftHanded() { return Form1.CheckBox51.checked && Form1.ComboBox12.index == 1; }

bool PovWritesLines() { return !LineSegments.empty() && Form1.CheckBox55.checked; }
