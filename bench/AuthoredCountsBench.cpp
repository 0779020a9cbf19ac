// Loads over counts that a model's author chooses, each at 10,000 and 80,000
// (some also at 100,000) beside a control of the same size whose records the
// steps never compare with each other; rows timed in CPU seconds, and those
// that time their control too show the ratio ("x_control", see BenchSetup.h):
// - VRML material nodes: every node looks up the name after it among the
//   materials read so far, and every geometry node looks for an earlier
//   material of equal values. "materials_only": N material nodes of distinct
//   colours, one shape after them; "shapes": N shapes, each with a material
//   of its own colour; "near": N shapes whose materials differ by 5e-10 in
//   one of five values, all within 7e-9 of each other, against "shapes";
//   "control": N shapes whose materials are equal, so that each is dropped
//   for the first and the list stays short.
// - The map search for N materials whose colour maps are wildcard names
//   ("texI.*", or "texI*.jpg" against the control), all found in a tree of N
//   files, beside the same maps named exactly ("texI.jpg"); and names with a
//   wildcard at both ends ("*0000123*") in a tree of files whose numbers
//   have seven digits, against exact names in the same tree.
// - The map paths of a load for N maps named in another letter case than
//   their files in a folder of N files, beside maps named as on disk.
// - An OBJ file of N "mtllib" lines naming libraries in another letter case
//   than the N files of its folder, beside the libraries named as on disk.
// - The UV weld of a load on a fan of N faces whose apex has a UV of its own
//   in every face, beside N faces in pairs around N/2 apexes.
// - Vertex normals in the "Unique Normal Sum" mode on a cone of N faces
//   around one apex, beside the same faces in pairs around N/2 apexes.
// - Vertex normals at the crease angle 0 on that cone (each face a normal
//   of its own at the apex) against a sphere of N faces at the same angle,
//   and the cone at 35 degrees.
// - A subdivision of a fan of N faces around one UV beside N faces with a
//   UV in only two corners that use that UV, beside the same faces using
//   UVs of the rim.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/Normals.h"
#include "model/Subdivide.h"
#include "model/VectorMath.h"
#include "model/Weld.h"
#include "options/Options.h"
#include "readers/ObjReader.h"
#include "bench/BenchSetup.h"
#include "readers/VrmlReader.h"
#include "tests/fixtures/Fixtures.h"

namespace fs = std::filesystem;

namespace {

const std::string Root = fs::temp_directory_path().string() + "/mirelan_counts_" + std::to_string(::getpid()) + "/";
// Removes the files made here when the program ends.
const struct Cleanup {
    ~Cleanup() { fs::remove_all(Root); }
} cleanup;

// ---- VRML material nodes ----------------------------------------------------

enum VrmlKind { MaterialsOnly, Shapes, EqualShapes, NearShapes };

std::string Colour(std::size_t i) {
    return std::to_string(static_cast<double>(i % 1000) / 1000) + " " +
           std::to_string(static_cast<double>(i / 1000 % 1000) / 1000) + " 0.5";
}

// The diffuse and specular colours of a material of its own, 5e-10 from the
// next in one of five values (i's digits in base 15): all lie within 7e-9.
std::string NearColours(std::size_t i) {
    std::string text = "diffuseColor";
    for (int v = 0; v < 6; ++v) {
        if (v == 3) text += " specularColor";
        char value[32];
        const double base = v < 3 ? 0.5 : 0.25;
        const std::size_t digit = v == 5 ? 0 : i / static_cast<std::size_t>(std::pow(15, v)) % 15;
        *std::to_chars(value, value + sizeof value - 1, base + static_cast<double>(digit) * 5e-10).ptr = '\0';
        text += std::string(" ") + value;
    }
    return text;
}

std::string VrmlText(std::size_t n, VrmlKind kind) {
    std::string text;
    if (kind == MaterialsOnly) {
        text = "#VRML V1.0 ascii\n";
        for (std::size_t i = 0; i < n; ++i)
            text += "DEF M" + std::to_string(i) + " Material { diffuseColor " + Colour(i) + " }\n";
        return text + "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\nIndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }\n";
    }
    text = "#VRML V2.0 utf8\n";
    for (std::size_t i = 0; i < n; ++i) {
        const std::string z = std::to_string(i);
        text += "Shape { appearance Appearance { material Material { " +
                (kind == Shapes ? "diffuseColor " + Colour(i)
                 : kind == NearShapes ? NearColours(i)
                                      : std::string("diffuseColor 1 0 0")) +
                " } }\n geometry IndexedFaceSet { coord Coordinate { point [ 0 0 " + z + " 1 0 " + z + " 0 1 " + z +
                " ] } coordIndex [ 0 1 2 -1 ] } }\n";
    }
    return text;
}

// The CPU seconds of a read of the text.
double TimeVrmlRead(const std::string& text) {
    return bench::TimeOnce(
        [] {
            ClearImportLists();
            LineSegments.clear();
            Polylines.clear();
        },
        [&] { ReadVRMLBytes(Scene, text); });
}

void BM_VrmlMaterials(benchmark::State& state, VrmlKind kind) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string text = VrmlText(n, kind);
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    Scene.modelFile = "bench.wrl";
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = TimeVrmlRead(text));
    state.counters["materials"] = static_cast<double>(ImportMaterials.size());
    // Shapes of materials near each other, against as many far apart.
    if (kind == NearShapes)
        bench::CompareWithControl(state, "VRML materials near each other, " + std::to_string(n), seconds,
                                  TimeVrmlRead(VrmlText(n, Shapes)));
}
BENCHMARK_CAPTURE(BM_VrmlMaterials, materials_only, MaterialsOnly)->UseManualTime()->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_VrmlMaterials, shapes, Shapes)->UseManualTime()->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_VrmlMaterials, near, NearShapes)->UseManualTime()->Apply(bench::AuthoredCountsTo100000);
BENCHMARK_CAPTURE(BM_VrmlMaterials, control, EqualShapes)->UseManualTime()->Apply(bench::AuthoredCounts);

// ---- Map names ----------------------------------------------------------------

// The number i as the files of a tree spell it: as it is, or in seven
// digits.
std::string MapNumber(std::size_t i, bool padded) {
    std::string digits = std::to_string(i);
    return padded && digits.size() < 7 ? std::string(7 - digits.size(), '0') + digits : digits;
}

// A folder tree of n files texI.jpg in folders of 1000, I spelled by
// MapNumber, made once per n.
const std::string& MapTree(std::size_t n, bool padded) {
    static std::map<std::pair<std::size_t, bool>, std::string> made;
    auto [it, added] = made.try_emplace({n, padded}, Root + (padded ? "padded" : "tree") + std::to_string(n) + "/");
    if (!added) return it->second;
    if (!padded) {
        bench::MakeMapTree(it->second, n);
        return it->second;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::string sub = it->second + "set" + std::to_string(i / 1000) + "/";
        if (i % 1000 == 0) fs::create_directories(sub);
        std::ofstream(sub + "tex" + MapNumber(i, true) + ".jpg");
    }
    return it->second;
}

enum MapNames { ExactNames, StemWildcards, OtherWildcards, BothEnds };

// The CPU seconds of a search for n materials whose colour maps are texI
// named so, in the tree of texI spelled in seven digits or not.
double TimeSearchMaps(std::size_t n, MapNames names, bool padded) {
    const std::string& tree = MapTree(n, padded);
    const auto map = [&](std::size_t i) {
        const std::string number = MapNumber(i, padded);
        switch (names) {
            case StemWildcards: return "/gone/tex" + number + ".*";
            case OtherWildcards: return "/gone/tex" + number + "*.jpg";
            case BothEnds: return "/gone/*" + number + "*";
            default: return "/gone/tex" + number + ".jpg";
        }
    };
    return bench::TimeOnce([&] { bench::MaterialsWithColourMaps(n, map); }, [&] { SearchMapsInDir(tree); });
}

void BM_SearchMaps(benchmark::State& state, MapNames names) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const bool padded = names == BothEnds;
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = TimeSearchMaps(n, names, padded));
    state.counters["found"] = SceneMaterials.back().colorMap.view().starts_with(MapTree(n, padded)) ? 1 : 0;
    if (names == OtherWildcards || names == BothEnds)
        bench::CompareWithControl(state, "map names " + std::string(padded ? "*I*" : "texI*.jpg") + ", " + std::to_string(n),
                                  seconds, TimeSearchMaps(n, ExactNames, padded));
}
BENCHMARK_CAPTURE(BM_SearchMaps, wildcards, StemWildcards)->UseManualTime()->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_SearchMaps, other_wildcards, OtherWildcards)
    ->UseManualTime()
    ->Apply(bench::AuthoredCountsTo100000);
BENCHMARK_CAPTURE(BM_SearchMaps, both_ends, BothEnds)->UseManualTime()->Apply(bench::AuthoredCountsTo100000);
BENCHMARK_CAPTURE(BM_SearchMaps, control, ExactNames)->UseManualTime()->Apply(bench::AuthoredCounts);

// n files texI.jpg in one folder, beside the model file.
const std::string& MapFolder(std::size_t n) {
    static std::map<std::size_t, std::string> made;
    auto [it, added] = made.try_emplace(n, Root + "folder" + std::to_string(n) + "/");
    if (added) {
        fs::create_directories(it->second);
        for (std::size_t i = 0; i < n; ++i) std::ofstream(it->second + "tex" + std::to_string(i) + ".jpg");
    }
    return it->second;
}

// The CPU seconds of the map paths of a load (made absolute, then spelled as
// on disk) inside its listing scope, for n maps in a folder of n files, named
// in another letter case or as on disk.
double TimeMapPaths(std::size_t n, bool otherCase) {
    const std::string& folder = MapFolder(n);
    return bench::TimeOnce(
        [&] {
            bench::MaterialsWithColourMaps(n, [&](std::size_t i) {
                return (otherCase ? "TEX" : "tex") + std::to_string(i) + (otherCase ? ".JPG" : ".jpg");
            });
            Scene.modelFile = folder + "model.obj";
        },
        [] {
            const FolderListingScope folders;
            ResolveMapPaths();
            MatchMapNameCase();
        });
}

void BM_MapPaths(benchmark::State& state, bool otherCase) {
    const auto n = static_cast<std::size_t>(state.range(0));
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = TimeMapPaths(n, otherCase));
    state.counters["found"] = SceneMaterials.back().colorMap.view().starts_with(MapFolder(n)) ? 1 : 0;
    if (otherCase)
        bench::CompareWithControl(state, "map paths in another case, " + std::to_string(n), seconds,
                                  TimeMapPaths(n, false));
}
BENCHMARK_CAPTURE(BM_MapPaths, other_case, true)->UseManualTime()->Apply(bench::AuthoredCountsTo100000);
BENCHMARK_CAPTURE(BM_MapPaths, control, false)->UseManualTime()->Apply(bench::AuthoredCounts);

void BM_ObjMaterialLibraries(benchmark::State& state, bool otherCase) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string& folder = MapFolder(n);
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += "mtllib " + std::string(otherCase ? "TEX" : "tex") + std::to_string(i) + ".jpg\n";
    text += "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    for (auto _ : state) {
        state.PauseTiming();
        ClearImportLists();
        Scene.modelFile = folder + "model.obj";
        state.ResumeTiming();
        ReadOBJBytes(Scene, text);
    }
    state.counters["found"] = Scene.mtlFile.starts_with(folder + "tex") ? 1 : 0;
}
BENCHMARK_CAPTURE(BM_ObjMaterialLibraries, other_case, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_ObjMaterialLibraries, control, false)->Apply(bench::AuthoredCounts);

// ---- Faces around one vertex ----------------------------------------------------

// n faces on a rim of n vertices around one apex (`fan`), or around n/2
// apexes at the same place, two faces each. Every face gives its apex a UV of
// its own; the rim vertices have one UV each. A raised apex tilts the faces'
// normals by about 20 degrees, each face another way.
void MakeFan(std::size_t n, bool fan) {
    fixtures::ResetModel();
    const double height = std::tan(20 * Pi / 180);
    const int32_t rim = static_cast<int32_t>(SceneVertices.size()) + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2 * Pi * static_cast<double>(i) / static_cast<double>(n);
        fixtures::AddVertex(std::cos(a), std::sin(a), 0);
        fixtures::AddUV(0.5 + 0.5 * std::cos(a), 0.5 + 0.5 * std::sin(a));
    }
    const int32_t apexes = fan ? 1 : static_cast<int32_t>((n + 1) / 2);
    const int32_t apex = static_cast<int32_t>(SceneVertices.size()) + 1;
    for (int32_t k = 0; k < apexes; ++k) fixtures::AddVertex(0, 0, height);
    for (std::size_t i = 0; i < n; ++i) {
        const int32_t a = rim + static_cast<int32_t>(i), b = rim + static_cast<int32_t>((i + 1) % n);
        const int32_t uv = fixtures::AddUV(static_cast<double>(i) / static_cast<double>(n), 1.0);
        fixtures::AddFace(fan ? apex : apex + static_cast<int32_t>(i / 2), a, b, 0, 0, uv, a, b);
    }
}

void BM_WeldUVs(benchmark::State& state, bool fan) {
    for (auto _ : state) {
        state.PauseTiming();
        MakeFan(static_cast<std::size_t>(state.range(0)), fan);
        state.ResumeTiming();
        WeldUVs(1e-8);
    }
    state.counters["uvs"] = static_cast<double>(SceneUVs.size());
}
BENCHMARK_CAPTURE(BM_WeldUVs, fan, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_WeldUVs, control, false)->Apply(bench::AuthoredCounts);

void BM_UniqueNormals(benchmark::State& state, bool fan) {
    for (auto _ : state) {
        state.PauseTiming();
        MakeFan(static_cast<std::size_t>(state.range(0)), fan);
        state.ResumeTiming();
        CalcVertexNormals(UniqueNormalSum, 35 * Pi / 180);
    }
    state.counters["normals"] = static_cast<double>(SceneNormals.size());
}
BENCHMARK_CAPTURE(BM_UniqueNormals, fan, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_UniqueNormals, control, false)->Apply(bench::AuthoredCounts);

enum CreaseCase { FanAt0, FanAt35, SphereAt0 };

// The CPU seconds of "Calculate normals" (angle-weighted) on the fan of n
// faces or on a sphere of as many (100 segments), at 0 or 35 degrees.
double TimeCreaseNormals(std::size_t n, CreaseCase c) {
    return bench::TimeOnce(
        [&] {
            if (c == SphereAt0) {
                fixtures::ResetModel();
                fixtures::AddSphere(static_cast<int>(n / 200 + 1), 100);
            } else {
                MakeFan(n, true);
            }
        },
        [&] { CalcVertexNormals(AngleWeightedSum, c == FanAt35 ? 35 * Pi / 180 : 0); });
}

void BM_CreaseNormals(benchmark::State& state, CreaseCase c) {
    const auto n = static_cast<std::size_t>(state.range(0));
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = TimeCreaseNormals(n, c));
    state.counters["normals"] = static_cast<double>(SceneNormals.size());
    if (c == FanAt0)
        bench::CompareWithControl(state, "normals at 0 degrees on a fan, " + std::to_string(n), seconds,
                                  TimeCreaseNormals(n, SphereAt0));
}
void To400000(benchmark::internal::Benchmark* b) {
    bench::AuthoredCountsTo100000(b);
    b->Arg(400000);
}
BENCHMARK_CAPTURE(BM_CreaseNormals, fan_at_0, FanAt0)->UseManualTime()->Apply(To400000);
BENCHMARK_CAPTURE(BM_CreaseNormals, fan_at_35, FanAt35)->UseManualTime()->Apply(To400000);
BENCHMARK_CAPTURE(BM_CreaseNormals, control, SphereAt0)->UseManualTime()->Apply(To400000);

// The fan with one UV at its apex in every face, and as many faces again
// with a UV in two corners only: the apex's UV and a rim UV (`fan`), or two
// neighbouring rim UVs.
void BM_SubdivideUVs(benchmark::State& state, bool fan) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        MakeFan(n, true);
        const int32_t apexUV = fixtures::AddUV(0.5, 0.5);
        const std::size_t faces = SceneFaces.size();
        for (std::size_t i = 0; i < faces; ++i) SceneFaces[i].uv[0] = apexUV;
        for (std::size_t i = 0; i < faces; ++i) {
            tface f = SceneFaces[i];
            f.uv[0] = fan ? apexUV : f.uv[2];
            f.uv[2] = 0;
            SceneFaces.push_back(f);
        }
        TopologyChanged();
        state.ResumeTiming();
        SubdivideFlat(false);
    }
    state.counters["faces"] = static_cast<double>(SceneFaces.size());
}
BENCHMARK_CAPTURE(BM_SubdivideUVs, fan, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_SubdivideUVs, control, false)->Apply(bench::AuthoredCounts);

}  // namespace
