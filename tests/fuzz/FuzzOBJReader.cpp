// libFuzzer target: any text given to the OBJ reader ends with a ReadError,
// or with a load whose faces, lines and polylines point into the import
// lists, whose settings block (when one was restored) left only lights and
// placeholders of known kinds, and whose merge leaves every index of the
// scene's faces and lines inside the scene lists or 0. The model lies in a
// folder that does not exist, so that no material library is found beside
// it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/Merge.h"
#include "readers/ObjReader.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

const char* const Sample =
    "# a small model\r\nmtllib model.mtl\r\no Thing\r\n"
    "v -1 -1 0\r\nv 1 -1 0\r\nv 1 1 0\r\nv -1 1 0\r\nv 0 0 2\r\n"
    "vt 0 0\r\nvt 1 0\r\nvt 1 1\r\nvt 0 1 0\r\nvn 0 0 1\r\nvn 0 0 -1\r\nvn 0 0 0\r\n"
    "g base\r\nusemtl Red\r\ns 1\r\nf 1/1/2 4/4/2 3/3/2 2/2/2\r\n"
    "g roof\r\nusemtl Blue\r\nf 1/1/1 2/2/1 5/3/1\r\nf 2//1 3//1 5//1 # comment\r\nfo 3 4 5\r\nf -2 -5 -1\r\n"
    "l 1 2 3 4 1\r\nl 5/1 4/2\r\n"
    "#Mirelan Settings Block v1.1\r\n"
    "#camera,20,FALSE,FALSE,-1,1,0,0,0,0,0,0,0,0,0,640,480\r\n"
    "#number_of_lights,1\r\n"
    "#light,\"Sun\",0,0,1,0,0,0,1,1,1,20,20,0,1,1,1,1,0,0,0,FALSE,0.06,6,0,0,2\r\n"
    "#headlightintensity,1\r\n#background,0,15790320,\"\",0\r\n"
    "#placeholder_count,1\r\n#placeholder,\"Box\",1,1,1,0,0,0,0,0,0,255,0\r\n"
    "#ground,FALSE,0,16777215\r\n#groupflags,\"base\",TRUE\r\n#groupflags,\"roof\",FALSE\r\n"
    "#end of Mirelan Settings Block\r\n#==================================================\r\n";

const char* const Unusual =
    "v 1 2 3 \\\n 4\nv 1e2,2E-2,-.5\nv \"1\" 0x10 nan\nv 1 2 3\nvt 0.5\nusemtl\ng\ng two names\n"
    "f 1 2 3 4 \\\n5\nf 1/2 2/3/4/5 3\nf 1,,2,3\nl 1\nl -1 -2 -3\nF 1 2 3\nFO 3 2 1\nmtllib a/b\\c.mtl\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv, {{"sample.obj", Sample}, {"unusual.obj", Unusual}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz-missing-folder/fuzz.obj");
    Scene.mtlFile = "fuzz-missing-folder/fuzz.mtl";
    try {
        ReadOBJBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const ReadError&) {
        return 0;
    }
    // Vertex, group and material indices are checked as they are read;
    // normal and UV indices are left to the merge, which makes the ones
    // outside the import lists 0.
    const int64_t vertices = static_cast<int64_t>(ImportVertices.size());
    const int64_t groups = static_cast<int64_t>(ImportGroups.size());
    const int64_t materials = static_cast<int64_t>(ImportMaterials.size());
    for (const tface& f : ImportFaces) {
        for (int c = 0; c < 3; ++c)
            if (f.vertex[c] < 1 || f.vertex[c] > vertices) std::abort();
        if (f.group < 0 || f.group >= groups || f.material < 0 || f.material >= materials) std::abort();
    }
    for (const tline& l : LineSegments)
        if (l.group < 0 || l.group >= groups || l.material < 0 || l.material >= materials) std::abort();
    for (const tpolyline& p : Polylines)
        if (p.first < 0 || p.count < 1 ||
            static_cast<std::size_t>(p.first) + static_cast<std::size_t>(p.count) > LineSegments.size())
            std::abort();
    for (const tlight& l : Lights)
        if (l.kind < LightParallel || l.kind > LightPoint) std::abort();
    for (const tplaceholder& p : Placeholders)
        if (p.kind > PlaceholderCylinder) std::abort();

    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    const auto inside = [](int32_t index, std::size_t size) {
        return index >= 0 && static_cast<std::size_t>(index) <= size;
    };
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c)
            if (f.vertex[c] < 1 || !inside(f.vertex[c], SceneVertices.size()) ||
                !inside(f.normal[c], SceneNormals.size()) || !inside(f.uv[c], SceneUVs.size()))
                std::abort();
    for (const tline& l : LineSegments)
        for (int c = 0; c < 2; ++c)
            if (!inside(l.vertex[c], SceneVertices.size()) || !inside(l.normal[c], SceneNormals.size()) ||
                !inside(l.uv[c], SceneUVs.size()))
                std::abort();
    return 0;
}
