#include "model/ModelCheck.h"

#include <cstdint>

#include "model/Model.h"

namespace {

class Findings {
public:
    explicit Findings(std::size_t limit) : limit_(limit) {}
    bool Full() const { return list.size() >= limit_; }
    void Add(std::string text) {
        if (!Full()) list.push_back(std::move(text));
    }
    // A 0-based index into a list of `size` records.
    void Index(const std::string& what, int32_t index, std::size_t size, const char* field) {
        if (index < 0 || static_cast<std::size_t>(index) >= size)
            Add(what + ": " + field + " " + std::to_string(index) + " outside 0.." + std::to_string(int64_t(size) - 1));
    }
    // A 1-based index, 0 allowed when `optional`.
    void Corner(const std::string& what, int32_t index, std::size_t size, bool optional, const char* field) {
        if (optional && index == 0) return;
        if (index < 1 || static_cast<std::size_t>(index) > size)
            Add(what + ": " + field + " " + std::to_string(index) + " outside 1.." + std::to_string(size));
    }
    std::vector<std::string> list;

private:
    std::size_t limit_;
};

template <typename Record>
void CheckCounts(Findings& found, const std::vector<Record>& list, const std::vector<int32_t>& faces,
                 const std::vector<int32_t>& lines, const char* kind) {
    for (std::size_t i = 0; i < list.size() && !found.Full(); ++i) {
        if (list[i].faceCount != faces[i] || list[i].lineCount != lines[i])
            found.Add(std::string(kind) + " " + std::to_string(i) + " (" + list[i].name.str() + "): counts " +
                      std::to_string(list[i].faceCount) + " faces, " + std::to_string(list[i].lineCount) +
                      " lines; used by " + std::to_string(faces[i]) + " faces, " + std::to_string(lines[i]) +
                      " lines");
    }
}

}  // namespace

std::vector<std::string> ModelConsistencyProblems(std::size_t limit) {
    Findings found(limit);
    std::vector<int32_t> groupFaces(SceneGroups.size()), groupLines(SceneGroups.size());
    std::vector<int32_t> materialFaces(SceneMaterials.size()), materialLines(SceneMaterials.size());
    const auto tally = [](std::vector<int32_t>& counts, int32_t index) {
        if (index >= 0 && static_cast<std::size_t>(index) < counts.size()) ++counts[static_cast<std::size_t>(index)];
    };
    for (std::size_t i = 0; i < SceneFaces.size() && !found.Full(); ++i) {
        const tface& f = SceneFaces[i];
        const std::string what = "face " + std::to_string(i);
        found.Index(what, f.group, SceneGroups.size(), "group");
        found.Index(what, f.material, SceneMaterials.size(), "material");
        for (int c = 0; c < 3; ++c) {
            found.Corner(what, f.vertex[c], SceneVertices.size(), false, "vertex");
            found.Corner(what, f.normal[c], SceneNormals.size(), true, "normal");
            found.Corner(what, f.uv[c], SceneUVs.size(), true, "uv");
        }
        tally(groupFaces, f.group);
        tally(materialFaces, f.material);
    }
    for (std::size_t i = 0; i < LineSegments.size() && !found.Full(); ++i) {
        const tline& l = LineSegments[i];
        const std::string what = "line " + std::to_string(i);
        found.Index(what, l.group, SceneGroups.size(), "group");
        found.Index(what, l.material, SceneMaterials.size(), "material");
        for (int c = 0; c < 2; ++c) {
            found.Corner(what, l.vertex[c], SceneVertices.size(), false, "vertex");
            found.Corner(what, l.normal[c], SceneNormals.size(), true, "normal");
            found.Corner(what, l.uv[c], SceneUVs.size(), true, "uv");
        }
        tally(groupLines, l.group);
        tally(materialLines, l.material);
    }
    for (std::size_t i = 0; i < Polylines.size() && !found.Full(); ++i) {
        const tpolyline& p = Polylines[i];
        if (p.first < 0 || p.count < 0 || int64_t(p.first) + p.count > int64_t(LineSegments.size()))
            found.Add("polyline " + std::to_string(i) + ": segments " + std::to_string(p.first) + " + " +
                      std::to_string(p.count) + " outside the " + std::to_string(LineSegments.size()) + " segments");
    }
    CheckCounts(found, SceneGroups, groupFaces, groupLines, "group");
    CheckCounts(found, SceneMaterials, materialFaces, materialLines, "material");
    return found.list;
}
