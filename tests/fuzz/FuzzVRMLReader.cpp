// libFuzzer target: any text given to the VRML and X3D reader ends with a
// load whose indices point into the import lists, or with a ReadError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "readers/VrmlReader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv,
                        {{"v1.wrl", "#VRML V1.0 ascii\nSeparator { DEF Red Material { diffuseColor 1 0 0 }\n"
                                    "Transform { translation 1 0 0 rotation 0 1 0 0.5 }\n"
                                    "DEF p Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }\n"
                                    "IndexedFaceSet { coordIndex [ 0, 1, 2, 3, -1 ] } USE Red USE p }\n"},
                         {"v2.wrl", "#VRML V2.0 utf8\nShape { appearance Appearance { material DEF M Material { "
                                    "diffuseColor 1 0 0 } }\ngeometry IndexedFaceSet { coord DEF c Coordinate { "
                                    "point [ 0 0 0 1 0 0 1 1 0 ] } coordIndex [ 0 1 2 -1 ] } }\nShape { appearance "
                                    "Appearance { material USE M } geometry IndexedLineSet { coordIndex [ 0 1 2 ] "
                                    "coord USE c } }\n"},
                         {"s.x3d", "<?xml version='1.0'?>\n<!DOCTYPE X3D>\n<X3D><Scene><!-- c --><Shape>"
                                   "<Appearance><Material DEF='m' diffuseColor=\"0 0 1\"/></Appearance>"
                                   "<IndexedFaceSet coordIndex='0 1 2 -1'><Coordinate point=\"0 0 0, 1 0 0,\n"
                                   "0 1 0\"/></IndexedFaceSet></Shape></Scene></X3D>\n"}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.wrl");
    try {
        ReadVRMLBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        fuzzing::CheckImportIndices();
    } catch (const ReadError&) {
    }
    return 0;
}
