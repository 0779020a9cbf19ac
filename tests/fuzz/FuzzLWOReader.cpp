// libFuzzer target: any bytes given to the LWO reader end with a load whose
// indices point into the import lists, or with a ReadError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "readers/LwoReader.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/readers/ReaderFixtures.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv, {{"rich_lwob.lwo", build::RichLWOB()}, {"rich_lwo2.lwo", build::RichLWO2()}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.lwo");
    try {
        ReadLWOBytes(Scene, std::string_view(reinterpret_cast<const char*>(data), size));
        fuzzing::CheckImportIndices();
    } catch (const ReadError&) {
    }
    return 0;
}
