// libFuzzer target: any text given to the DAZ|Studio light and camera
// readers either is read, leaving lights of the known kinds listed in the
// light selector and the user's cameras before the new ones, or raises
// ReadError and changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "readers/DazReader.h"
#include "tests/fuzz/FuzzSceneSupport.h"
#include "tests/readers/ReaderFixtures.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv,
                        {{"lights.ds", build::DazLightScript()},
                         {"cameras.ds", build::DazCameraScript()},
                         {"both.ds", build::DazLightScript() + build::DazCameraScript()}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string name = "fuzz.ds";
    fuzzing::FreshScene(name.c_str());

    using fuzzing::SceneSnapshot;
    SceneSnapshot before = SceneSnapshot::Take();
    try {
        ReadDazLightsText(name, text);
        const SceneSnapshot after = SceneSnapshot::Take();
        if (after.lightNames != after.lightItems) std::abort();
        fuzzing::CheckLights();
    } catch (const ReadError&) {
        if (!(SceneSnapshot::Take() == before)) std::abort();
    }

    before = SceneSnapshot::Take();
    try {
        ReadDazCamerasText(name, text);
        const SceneSnapshot after = SceneSnapshot::Take();
        if (after.cameraNames != after.cameraItems || Cameras.empty() || Cameras[0].name.str() != "Front")
            std::abort();
    } catch (const ReadError&) {
        if (!(SceneSnapshot::Take() == before)) std::abort();
    }
    return 0;
}
