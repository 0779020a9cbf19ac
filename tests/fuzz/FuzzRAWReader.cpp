// libFuzzer target: any text given to the RAW reader ends with a load whose
// indices point into the import lists, or with a ReadError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "readers/RawReader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv,
                        {{"objects.raw", "Box\n0 0 0 1 0 0 0 1 0\n1.5,2.5,3.5\t4 5 6 7 8 9 10 11\n"
                                         "Lid part\r\n-1e3 0.25 -0 1E-2 .5 5. 0 0 1\r\nBox\n0 0 0 0 0 0 0 0 0\n"},
                         {"plain.raw", "0 0 0 1 0 0 0 1 0\n0 0 1 1 0 1 0 1 1\n"}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.raw");
    try {
        ReadRAWBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        fuzzing::CheckImportIndices();
    } catch (const ReadError&) {
    }
    return 0;
}
