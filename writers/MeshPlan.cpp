#include "writers/MeshPlan.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "writers/PovNames.h"

namespace {

// Stable counting sort of `in` by key(face) in 0..keys-1.
template <typename KeyOf>
void SortByKey(const std::vector<int32_t>& in, std::vector<int32_t>& out, std::size_t keys, KeyOf keyOf) {
    std::vector<std::size_t> start(keys + 1, 0);
    for (int32_t face : in) ++start[keyOf(face) + 1];
    for (std::size_t k = 1; k <= keys; ++k) start[k] += start[k - 1];
    out.resize(in.size());
    for (int32_t face : in) out[start[keyOf(face)]++] = face;
}

const tface& Face(int32_t index) { return SceneFaces[static_cast<std::size_t>(index)]; }

}  // namespace

void Renumbering::Fail(int32_t old) const { ThrowIndexError(listName_, old, map_.size() - 1); }

const MeshPlan& RunMeshPlan(const tscene& scene, ExportRun& run) {
    if (run.meshPlan) return *run.meshPlan;
    PreparePovIdentifiers(run);
    auto made = std::make_shared<MeshPlan>();
    MeshPlan& plan = *made;
    plan.byGroup = scene.meshBreakingMode == 1;
    const std::size_t groups = SceneGroups.size();
    const std::size_t materials = SceneMaterials.size();
    plan.passTotal = static_cast<int64_t>(plan.byGroup ? groups * materials : materials);

    // What is exported, read once: a face whose group or material lies
    // outside its list raises ModelError as the checked access does.
    std::vector<uint8_t> visible(groups), selected(materials);
    for (std::size_t g = 0; g < groups; ++g) visible[g] = SceneGroups[g].visible != 0;
    for (std::size_t m = 0; m < materials; ++m) selected[m] = SceneMaterials[m].selected != 0;
    auto exported = [&](const tface& f) {
        if (f.group < 0 || static_cast<std::size_t>(f.group) >= groups) ThrowIndexError("SceneGroups", f.group, groups);
        if (f.material < 0 || static_cast<std::size_t>(f.material) >= materials)
            ThrowIndexError("SceneMaterials", f.material, materials);
        return visible[static_cast<std::size_t>(f.group)] && selected[static_cast<std::size_t>(f.material)];
    };

    if (!plan.byGroup) {
        // By material: one counting pass and one placing pass over the
        // faces, list order within each material.
        std::vector<std::size_t> start(materials + 1, 0);
        for (const tface& f : SceneFaces)
            if (exported(f)) ++start[static_cast<std::size_t>(f.material) + 1];
        for (std::size_t k = 1; k <= materials; ++k) start[k] += start[k - 1];
        plan.faces.resize(start[materials]);
        for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
            const tface& f = SceneFaces[i];
            if (visible[static_cast<std::size_t>(f.group)] && selected[static_cast<std::size_t>(f.material)])
                plan.faces[start[static_cast<std::size_t>(f.material)]++] = static_cast<int32_t>(i);
        }
    } else {
        // The exported faces in list order, by material, then (stable) by
        // group: list order within each pass.
        std::vector<int32_t> taken;
        taken.reserve(SceneFaces.size());
        for (std::size_t i = 0; i < SceneFaces.size(); ++i)
            if (exported(SceneFaces[i])) taken.push_back(static_cast<int32_t>(i));
        SortByKey(taken, plan.faces, materials, [](int32_t face) { return static_cast<std::size_t>(Face(face).material); });
        taken.swap(plan.faces);
        SortByKey(taken, plan.faces, groups, [](int32_t face) { return static_cast<std::size_t>(Face(face).group); });
    }

    for (std::size_t i = 0; i < plan.faces.size();) {
        const tface& head = Face(plan.faces[i]);
        std::size_t end = i + 1;
        while (end < plan.faces.size()) {
            const tface& f = Face(plan.faces[end]);
            if (f.material != head.material || (plan.byGroup && f.group != head.group)) break;
            ++end;
        }
        MeshPass mesh;
        mesh.material = head.material;
        mesh.first = i;
        mesh.count = end - i;
        if (plan.byGroup) {
            mesh.group = head.group;
            mesh.pass = static_cast<int64_t>(head.group) * static_cast<int64_t>(materials) + head.material;
            mesh.castsShadow = SceneGroups[static_cast<std::size_t>(head.group)].castsShadow;
        } else {
            mesh.pass = head.material;
            mesh.castsShadow = SceneGroups[static_cast<std::size_t>(Face(plan.faces[end - 1]).group)].castsShadow;
        }
        plan.meshes.push_back(mesh);
        i = end;
    }

    // The names, in the order of the passes.
    run.povIdentifiers.Expect(plan.meshes.size());
    for (MeshPass& mesh : plan.meshes) {
        std::string wanted = run.sceneObjectName;
        if (plan.byGroup) {
            wanted += SceneGroups[static_cast<std::size_t>(mesh.group)].name.view();
            wanted += '_';
        }
        wanted += SceneMaterials[static_cast<std::size_t>(mesh.material)].name.view();
        mesh.name = &run.povIdentifiers.Take(MakeIdentifierPrefix(wanted));
    }
    run.meshPlan = std::move(made);
    return plan;
}

bool MeshLines::Logs(std::size_t index) const {
    if (index < MeshesLoggedOneByOne) return true;
    if (index == MeshesLoggedOneByOne) {
        const std::size_t rest = plan_.meshes.size() - index;
        const std::size_t faces = plan_.faces.size() - plan_.meshes[index].first;
        LogMessage(std::string(writer_) + " -> " + std::to_string(rest) + (rest == 1 ? " more mesh" : " more meshes") +
                   ": Writing " + std::to_string(faces) + " faces...");
    }
    return false;
}

void MeshLines::Line(const std::string& name, std::size_t count, std::string_view what) const {
    LogMessage(std::string(writer_) + " -> Mesh " + name + ": Writing " + std::to_string(count) + " " +
               std::string(what) + "...");
}
