#include "model/Extents.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"

double PositionStep = 0.02;

namespace {

// A coordinate below the minimum replaces it, one above the maximum
// replaces it (std::min and std::max take exactly these comparisons, without
// branches).
inline void Widen(tvector& lo, tvector& hi, const tvector& p) {
    lo.x = std::min(lo.x, p.x);
    lo.y = std::min(lo.y, p.y);
    lo.z = std::min(lo.z, p.z);
    hi.x = std::max(hi.x, p.x);
    hi.y = std::max(hi.y, p.y);
    hi.z = std::max(hi.z, p.z);
}

inline bool IsShown(int32_t group, int32_t material) {
    return At(SceneMaterials, material, "SceneMaterials").selected && At(SceneGroups, group, "SceneGroups").visible;
}

// Widens the box by a vertex. A vertex met again changes nothing (the box
// only ever takes a coordinate below its minimum or above its maximum), so
// the pass needs no marks to visit each vertex once.
inline void VisitVertex(int32_t index, tvector& lo, tvector& hi) {
    Widen(lo, hi, At(SceneVertices, static_cast<int64_t>(index) - 1, "SceneVertices").p);
}

std::string Triple(const tvector& v) {
    return FloatToText(v.x) + "," + FloatToText(v.y) + "," + FloatToText(v.z) + ")";
}

}  // namespace

void FaceAreaStats(double& total, double& smallest, double& largest) {
    total = 0;
    smallest = 1e21;
    largest = -1e21;
    for (const tface& f : SceneFaces) {
        const double a = FaceArea(f);
        total += a;
        if (a < smallest) smallest = a;
        if (a > largest) largest = a;
    }
}

namespace {

// What the last measure depended on, while a KeepMeasures scope lives.
struct MeasuredModel {
    bool keeping = false;  // a scope lives
    bool valid = false;    // a measure was taken in it
    uint64_t generation = 0;
    std::size_t vertices = 0, faces = 0, uvs = 0, lines = 0;
    std::vector<uint8_t> shown;  // visible per group, then selected per material
    bool anyShown = false;

    static std::vector<uint8_t> Shown() {
        std::vector<uint8_t> flags;
        flags.reserve(SceneGroups.size() + SceneMaterials.size());
        for (const tgroup& g : SceneGroups) flags.push_back(g.visible != 0);
        for (const tmaterial& m : SceneMaterials) flags.push_back(m.selected != 0);
        return flags;
    }
    void Take(bool anyShownNow) {
        if (!keeping) return;
        valid = true;
        generation = TopologyGeneration;
        vertices = SceneVertices.size();
        faces = SceneFaces.size();
        uvs = SceneUVs.size();
        lines = LineSegments.size();
        shown = Shown();
        anyShown = anyShownNow;
    }
    bool Current() const {
        return keeping && valid && generation == TopologyGeneration && vertices == SceneVertices.size() &&
               faces == SceneFaces.size() && uvs == SceneUVs.size() && lines == LineSegments.size() &&
               shown == Shown();
    }
};
MeasuredModel Measured;

// One pass over the faces: areas, subdivision marks, the box and UV range of
// what is shown, and (when asked) the boxes of the groups.
void MeasureFaces(textents& extents, tgroupboxes* boxes) {
    double total = 0, smallest = 1e21, largest = -1e21;  // as FaceAreaStats
    int32_t marked = 0;

    tvector2 uvLo{1e10, 1e10}, uvHi{-1e10, -1e10};
    tvector lo{1e10, 1e10, 1e10}, hi{-1e10, -1e10, -1e10};

    const std::size_t groupCount = SceneGroups.size();
    if (boxes) {
        boxes->minimum.assign(groupCount, tvector{1e20, 1e20, 1e20});
        boxes->maximum.assign(groupCount, tvector{-1e20, -1e20, -1e20});
        boxes->any.assign(groupCount, 0);
        boxes->vertexCount = SceneVertices.size();
        boxes->faceCount = SceneFaces.size();
    }

    // The flags that decide what is shown, and the vertices, at hand; an
    // index outside its list ends the pass as the checked access would.
    std::vector<uint8_t> visible(groupCount), selected(SceneMaterials.size());
    for (std::size_t g = 0; g < groupCount; ++g) visible[g] = SceneGroups[g].visible != 0;
    for (std::size_t m = 0; m < selected.size(); ++m) selected[m] = SceneMaterials[m].selected != 0;
    const std::size_t vertexCount = SceneVertices.size();
    const tvertex* const vertices = SceneVertices.data();
    auto position = [&](int32_t index) -> const tvector& {
        if (index < 1 || static_cast<std::size_t>(index) > vertexCount)
            ThrowIndexError("SceneVertices", static_cast<int64_t>(index) - 1, vertexCount);
        return vertices[index - 1].p;
    };
    auto shown = [&](int32_t group, int32_t material) {
        if (material < 0 || static_cast<std::size_t>(material) >= selected.size())
            ThrowIndexError("SceneMaterials", material, selected.size());
        if (!selected[static_cast<std::size_t>(material)]) return false;
        if (group < 0 || static_cast<std::size_t>(group) >= groupCount) ThrowIndexError("SceneGroups", group, groupCount);
        return visible[static_cast<std::size_t>(group)] != 0;
    };

    bool anyShown = false;
    for (const tface& f : SceneFaces) {
        const tvector& p1 = position(f.vertex[0]);
        const tvector& p2 = position(f.vertex[1]);
        const tvector& p3 = position(f.vertex[2]);
        const double a = VectorLength(CrossProduct(SubtractVectors(p1, p2), SubtractVectors(p1, p3))) / 2.0;  // FaceArea
        total += a;
        if (a < smallest) smallest = a;
        if (a > largest) largest = a;
        if (f.mark) ++marked;
        // A face of no group belongs to none of the boxes.
        if (boxes && f.group >= 0 && static_cast<std::size_t>(f.group) < groupCount) {
            tvector& gLo = boxes->minimum[static_cast<std::size_t>(f.group)];
            tvector& gHi = boxes->maximum[static_cast<std::size_t>(f.group)];
            Widen(gLo, gHi, p1);
            Widen(gLo, gHi, p2);
            Widen(gLo, gHi, p3);
            boxes->any[static_cast<std::size_t>(f.group)] = 1;
        }
        if (!shown(f.group, f.material)) continue;
        anyShown = true;
        if (FaceHasUVs(f))
            for (int c = 0; c < 3; ++c) {
                // As with the vertices, a UV met again changes nothing.
                const tuv& t = At(SceneUVs, static_cast<int64_t>(f.uv[c]) - 1, "SceneUVs");
                uvLo.a = std::min(uvLo.a, t.u);
                uvLo.b = std::min(uvLo.b, t.v);
                uvHi.a = std::max(uvHi.a, t.u);
                uvHi.b = std::max(uvHi.b, t.v);
            }
        Widen(lo, hi, p1);
        Widen(lo, hi, p2);
        Widen(lo, hi, p3);
    }
    Scene.totalFaceArea = total;
    Scene.smallestFaceArea = smallest;
    Scene.largestFaceArea = largest;
    Scene.subdivisionFaceCount = marked;
    for (const tline& l : LineSegments) {
        if (!IsShown(l.group, l.material)) continue;
        anyShown = true;
        VisitVertex(l.vertex[0], lo, hi);
        VisitVertex(l.vertex[1], lo, hi);
    }
    Scene.uvMinimum = uvLo;
    Scene.uvMaximum = uvHi;

    if (&extents == &Scene.extents) Measured.Take(anyShown);
    if (!anyShown) {
        // Nothing shown: the start values, so that every default that scales
        // with the model stays sensible.
        extents = textents{};
        LogMessage("<!>No visible geometry");
    } else {
        extents.minimum = lo;
        extents.maximum = hi;
        extents.minimumCopy = lo;
        extents.maximumCopy = hi;
        extents.center = ScaleVector(AddVectors(lo, hi), 0.5);
        extents.centerCopy = ScaleVector(AddVectors(extents.minimumCopy, extents.maximumCopy), 0.5);
        extents.size = SubtractVectors(hi, lo);
        extents.diagonal = VectorLength(extents.size);
    }
    PositionStep = TextToFloat(FormatFloatMaskDot("#E-0", 0.01 * extents.diagonal));
}

}  // namespace

void ComputeExtents(textents& extents) {
    EnsureVertexFaceTable();
    MeasureFaces(extents, nullptr);
}

void ComputeExtents(textents& extents, tgroupboxes& boxes) { MeasureFaces(extents, &boxes); }

KeepMeasures::KeepMeasures() {
    Measured.keeping = true;
    Measured.valid = false;
}

KeepMeasures::~KeepMeasures() {
    Measured.keeping = Measured.valid = false;
    Measured.shown.clear();
}

int64_t GeometryByteSize() {
    return static_cast<int64_t>(SceneFaces.size() * sizeof(tface) + SceneNormals.size() * sizeof(tnormal) +
                                SceneVertices.size() * sizeof(tvertex) + SceneMaterials.size() * sizeof(tmaterial) +
                                SceneGroups.size() * sizeof(tgroup) + SceneUVs.size() * sizeof(tuv) +
                                LineSegments.size() * sizeof(tline));
}

void ModelStatistics(std::vector<std::string>& lines) {
    // Measured as ComputeExtents measures, without the vertex table: the
    // report does not need it, and an export of millions of faces is spared
    // building it.
    if (!Measured.Current())
        MeasureFaces(Scene.extents, nullptr);
    else if (!Measured.anyShown)
        LogMessage("<!>No visible geometry");  // as measuring again would
    const textents& e = Scene.extents;
    lines.emplace_back(RuleLine);
    lines.emplace_back("Model Statistics:");
    lines.push_back("Number of triangular faces..... " + std::to_string(SceneFaces.size()));
    lines.push_back("Number of vertices............. " + std::to_string(SceneVertices.size()));
    lines.push_back("Number of normals.............. " + std::to_string(SceneNormals.size()));
    lines.push_back("Number of UV coordinates....... " + std::to_string(SceneUVs.size()));
    lines.push_back("Number of lines................ " + std::to_string(LineSegments.size()));
    lines.push_back("Number of materials............ " + std::to_string(SceneMaterials.size()));
    lines.push_back("Number of groups/meshes........ " + std::to_string(SceneGroups.size()));
    lines.push_back("Number of subdivision faces.... " + std::to_string(Scene.subdivisionFaceCount));
    if (!SceneUVs.empty()) {
        lines.push_back("UV boundaries........ from u,v=(" + FloatToText(Scene.uvMinimum.a) + "," +
                        FloatToText(Scene.uvMinimum.b) + ")");
        lines.push_back("                        to u,v=(" + FloatToText(Scene.uvMaximum.a) + "," +
                        FloatToText(Scene.uvMaximum.b) + ")");
    }
    lines.push_back("Bounding Box....... from x,y,z=(" + Triple(e.minimum));
    lines.push_back("                      to x,y,z=(" + Triple(e.maximum));
    lines.push_back("                 size dx,dy,dz=(" + Triple(SubtractVectors(e.maximum, e.minimum)));
    lines.push_back("                  center x,y,z=(" + Triple(e.center));
    lines.push_back("                       diagonal " + FloatToText(e.diagonal));
    lines.push_back("Surface area................... " + FloatToText(Scene.totalFaceArea));
    lines.push_back("             Smallest face area " + FloatToText(Scene.smallestFaceArea));
    lines.push_back("              Largest face area " + FloatToText(Scene.largestFaceArea));
    lines.push_back("Memory allocated for geometry.. " + ByteSizeText(GeometryByteSize()));
    lines.emplace_back(" ");
}

void ComputeGroupExtents(const tgroupboxes& boxes) {
    const std::size_t groupCount = SceneGroups.size();
    if (boxes.vertexCount != SceneVertices.size() || boxes.faceCount != SceneFaces.size() ||
        boxes.any.size() != groupCount) {
        ComputeGroupExtents();
        return;
    }
    // Group order, so that the colours come from the generator in the same
    // order as group by group.
    for (std::size_t g = 0; g < groupCount; ++g) {
        ShowProgress(0, static_cast<double>(groupCount), static_cast<double>(g));
        tgroup& group = SceneGroups[g];
        if (boxes.any[g]) {
            group.minimum = boxes.minimum[g];
            group.maximum = boxes.maximum[g];
        }
        group.color = static_cast<int32_t>(RandomInt(1 << 24));
    }
}

void ComputeGroupExtents() {
    struct Box {
        tvector lo{1e20, 1e20, 1e20};
        tvector hi{-1e20, -1e20, -1e20};
        bool any = false;
    };
    const std::size_t groupCount = SceneGroups.size();
    std::vector<Box> boxes(groupCount);
    for (const tface& f : SceneFaces) {
        // A face of no group belongs to none of the boxes.
        if (f.group < 0 || static_cast<std::size_t>(f.group) >= groupCount) continue;
        Box& b = boxes[f.group];
        for (int c = 0; c < 3; ++c) Widen(b.lo, b.hi, At(SceneVertices, static_cast<int64_t>(f.vertex[c]) - 1, "SceneVertices").p);
        b.any = true;
    }
    // Group order, so that the colours come from the generator in the same
    // order as group by group.
    for (std::size_t g = 0; g < groupCount; ++g) {
        ShowProgress(0, static_cast<double>(groupCount), static_cast<double>(g));
        tgroup& group = SceneGroups[g];
        if (boxes[g].any) {
            group.minimum = boxes[g].lo;
            group.maximum = boxes[g].hi;
        }
        group.color = static_cast<int32_t>(RandomInt(1 << 24));
    }
}

namespace {

// The AutoCAD colour index palette: 0 black, 1-9 the standard colours and
// greys, 10-249 24 hues in steps of 15 degrees, each at the five levels 255,
// 189, 129, 104 and 79 in a full and a pale (one third saturated) shade,
// 250-255 six greys.
struct Palette {
    std::array<std::array<uint8_t, 3>, 256> rgb{};
    Palette() {
        const uint8_t fixed[10][3] = {{0, 0, 0},     {255, 0, 0},   {255, 255, 0}, {0, 255, 0},  {0, 255, 255},
                                      {0, 0, 255},   {255, 0, 255}, {255, 255, 255}, {65, 65, 65}, {128, 128, 128}};
        for (int i = 0; i < 10; ++i) rgb[i] = {fixed[i][0], fixed[i][1], fixed[i][2]};
        const double levels[5] = {255, 189, 129, 104, 79};
        for (int i = 10; i < 250; ++i) {
            const int hue = (i - 10) / 10;
            const int shade = (i - 10) % 10;
            const double level = levels[shade / 2];
            const bool pale = shade % 2 == 1;
            // Fully saturated colour of the hue, components 0..1.
            const double h = hue / 4.0;  // sixths of the circle
            const int sector = static_cast<int>(h);
            const double f = h - sector;
            double c[3];
            switch (sector) {
                case 0: c[0] = 1; c[1] = f; c[2] = 0; break;
                case 1: c[0] = 1 - f; c[1] = 1; c[2] = 0; break;
                case 2: c[0] = 0; c[1] = 1; c[2] = f; break;
                case 3: c[0] = 0; c[1] = 1 - f; c[2] = 1; break;
                case 4: c[0] = f; c[1] = 0; c[2] = 1; break;
                default: c[0] = 1; c[1] = 0; c[2] = 1 - f; break;
            }
            for (int k = 0; k < 3; ++k) {
                const double s = pale ? 1 - (1 - c[k]) / 3.0 : c[k];
                rgb[i][k] = static_cast<uint8_t>(Round(s * level));
            }
        }
        const uint8_t greys[6] = {51, 80, 105, 130, 190, 255};
        for (int i = 0; i < 6; ++i) rgb[250 + i] = {greys[i], greys[i], greys[i]};
    }
};

const Palette& DXFPalette() {
    static const Palette p;
    return p;
}

}  // namespace

tvector DXFColorToVector(int32_t index) {
    if (index < 0 || index > 255) index = 7;
    const auto& c = DXFPalette().rgb[index];
    return {c[0] / 255.0, c[1] / 255.0, c[2] / 255.0};
}

int32_t FloorPowerOfTwo(int32_t n) {
    if (n < 1) return 0;
    uint32_t p = 1;
    while (p <= static_cast<uint32_t>(n) / 2) p <<= 1;
    return static_cast<int32_t>(p);
}
