// libFuzzer target: any bytes given to the 3DS reader end with a load whose
// indices point into the import lists, or with a ReadError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "readers/ThreeDSReader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.3ds");
    try {
        Read3DSBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        fuzzing::CheckImportIndices();
    } catch (const ReadError&) {
    }
    return 0;
}
