// How the POV-Ray geometry include and the Moray UDO file break the model
// into meshes.
//
// The passes: with mesh breaking mode 1 one pass per (group, material) pair,
// groups outer and materials inner; with any other mode one pass per
// material (mode 2, the batch save, has no plan of its own and breaks by
// material too). A pass takes, in list order, the faces of its group (mode
// 1) and material whose material is selected and whose group is visible; a
// pass without faces makes no mesh.
//
// Rather than walk every face once per pass, the plan sorts the exported
// faces by (group, material) in one stable counting sort, so each mesh's
// faces come out in list order at a cost linear in the model plus the
// numbers of groups and materials; the meshes and their faces are exactly
// those of the pass-by-pass walk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Scene.h"
#include "writers/Export.h"

struct MeshPass {
    int32_t group = -1;         // mode 1 only; -1 when breaking by material
    int32_t material = 0;
    std::size_t first = 0;      // the faces: MeshPlan::faces[first, first + count)
    std::size_t count = 0;
    int64_t pass = 0;           // 0-based number of the pass in the walk
    const std::string* name = nullptr;  // the mesh name, unique in the run (held by the run)
    uint8_t castsShadow = 1;
};

struct MeshPlan {
    bool byGroup = false;       // mode 1
    int64_t passTotal = 0;      // materials, or groups x materials
    std::vector<int32_t> faces; // 0-based face indices, mesh by mesh
    std::vector<MeshPass> meshes;
};

// The plan of the run, made by its first call: the geometry include and the
// UDO file of a run break the model alike and name each mesh alike. The
// mesh name of a pass: MakeIdentifierPrefix of (scene object name +
// material name), or in mode 1 of (scene object name + group name + "_" +
// material name), made unique in the run's identifier registry; the
// casts-shadow byte: that of the pass's group in mode 1, otherwise that of
// the group of the pass's last face. A face whose group or material index
// lies outside its list raises ModelError.
const MeshPlan& RunMeshPlan(const tscene& scene, ExportRun& run);

// What a file logs of its meshes. The first MeshesLoggedOneByOne meshes log
// their lines one by one ("POV-Ray -> Mesh NAME: Writing 3 vertices...");
// the meshes after them are told by one line as they begin, which counts
// them and their faces: a log of hundreds of thousands of meshes is read by
// no one, and would take more memory and time than the meshes themselves.
inline constexpr std::size_t MeshesLoggedOneByOne = 1000;

class MeshLines {
public:
    // `writer` begins each line: "POV-Ray" or "UDO".
    MeshLines(std::string_view writer, const MeshPlan& plan) : writer_(writer), plan_(plan) {}
    // As mesh `index` of the plan begins: true when it logs its lines; the
    // first mesh that does not logs the line of the rest.
    bool Logs(std::size_t index) const;
    // "<writer> -> Mesh <name>: Writing <count> <what>...".
    void Line(const std::string& name, std::size_t count, std::string_view what) const;

private:
    std::string_view writer_;
    const MeshPlan& plan_;
};

// Old-to-new numbering of the vertices (normals, UVs) of one mesh: numbers
// from 1 in order of first use. Reset() clears only the entries in use, so
// one table serves every mesh of a file.
class Renumbering {
public:
    Renumbering(std::size_t count, const char* listName) : map_(count + 1, 0), listName_(listName) {}
    // The new number of a 1-based old index; ModelError when the index lies
    // outside 1..count.
    int32_t Number(int32_t old) {
        if (old < 1 || static_cast<std::size_t>(old) >= map_.size()) Fail(old);
        int32_t& n = map_[static_cast<std::size_t>(old)];
        if (n == 0) {
            order_.push_back(old);
            n = static_cast<int32_t>(order_.size());
        }
        return n;
    }
    // The new number given to `old` (0 when none).
    int32_t Find(int32_t old) const { return map_[static_cast<std::size_t>(old)]; }
    // Old indices in new-number order.
    const std::vector<int32_t>& Order() const { return order_; }
    std::size_t Count() const { return order_.size(); }
    void Reset() {
        for (int32_t old : order_) map_[static_cast<std::size_t>(old)] = 0;
        order_.clear();
    }

private:
    [[noreturn]] void Fail(int32_t old) const;
    std::vector<int32_t> map_;
    std::vector<int32_t> order_;
    const char* listName_;
};
