// libFuzzer target: any text given to the UDO reader ends with a load whose
// indices point into the import lists, or with a ReadError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "readers/UdoReader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv,
                        {{"faces.udo", "[Object]\r\nName=Box\r\n[Box:Vertices]\r\n4\r\n0 0 0\r\n1 0 0\r\n1 1 0\r\n"
                                       "0 1 0\r\n[Box:Faces]\r\n2\r\n0 1 2\r\n0 2 3\r\n[Lid:Vertices]\r\n3\r\n"
                                       "0 0 1\r\n1,0,1\r\n0\t1 1\r\n[Lid:FACES]\r\n0 1 2 3\r\n2 1 0\r\n[End]\r\n"},
                         {"edges.udo", "[a:VERTICES]\n3\n0 0 0\n1 0 0\n0 1 0\n[a:EDGES]\n3\n0 1\n1 2\n2 0\n"
                                       "[b:VERTICES]\n3\n0 0 1\n1 0 1\n0 1 1\n[b:edges]\n2\n0 1\n1 2\n"}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.udo");
    try {
        ReadUDOBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        fuzzing::CheckImportIndices();
    } catch (const ReadError&) {
    }
    return 0;
}
