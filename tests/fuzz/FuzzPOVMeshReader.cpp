// libFuzzer target: any text given to the POV-Ray mesh reader ends with a
// load whose group and material indices point into the import lists, and
// whose switched-on material texts can run nothing, or with a ReadError. (Vertex indices of mesh2 faces are repaired after the load,
// as for every reader that stores indices unchecked.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "readers/PovMeshReader.h"
#include "readers/ReaderCommon.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv,
                        {{"mesh2.inc", "#declare B = mesh2 { vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> }\n"
                                       "normal_vectors { 1, <0,0,1> } uv_vectors { 3, <0,0>, <1,0>, <0,1> }\n"
                                       "texture_list { 1, texture { T } } face_indices { 1, <0,1,2>, 0 }\n"
                                       "normal_indices { 1, <0,0,0> } uv_indices { 1, <0,1,2> } }\n"},
                         {"mesh.inc", "mesh { triangle { <0,0,0>, <1,0,0>, <0,1,0> texture { A } }\n"
                                      "smooth_triangle { <0,0,1>, <0,0,1>, <1,0,1>, <0,0,1>, <0,1,1>, <0,0,1>\n"
                                      "uv_vectors <0,0>, <1,0>, <0,1> } /* c */ }\n"}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.inc");
    try {
        ReadPOVMeshBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        const int64_t groups = static_cast<int64_t>(ImportGroups.size());
        const int64_t materials = static_cast<int64_t>(ImportMaterials.size());
        for (const tface& f : ImportFaces)
            if (f.group < 0 || f.group >= groups || f.material < 0 || f.material >= materials) std::abort();
        for (const tmaterial& m : ImportMaterials)
            if (m.customTextActive && PovTextMayTouchFiles(m.customText.view())) std::abort();
    } catch (const ReadError&) {
    }
    return 0;
}
