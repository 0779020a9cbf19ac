// libFuzzer target: any bytes given to the DXF reader end with a load whose
// indices point into the import lists, or with a ReadError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "readers/DxfReader.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/readers/ReaderFixtures.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv, {{"rich.dxf", build::RichDXF()}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.dxf");
    try {
        ReadDXFBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        fuzzing::CheckImportIndices();
    } catch (const ReadError&) {
    }
    return 0;
}
