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

namespace {

const char* const Lights3 =
    "// DAZ Studio light preset\r\n"
    "var m_aNewLights = [\r\n"
    "\t[ \"Spot 1\", DzSpotLight ],\r\n"
    "\t[ \"Sun\", DzDistantLight ],\r\n"
    "\t[ \"Bulb\", DzPointLight ] ];\r\n"
    "function createLight( oLight, nLight )\r\n{\r\n\tswitch( nLight ){\r\n"
    "\t\tcase 0:\r\n"
    "\t\t\toLight.set( \"XTranslate\", 0, 240 );\r\n"
    "\t\t\toLight.set( \"YTranslate\", 0, 480 );\r\n"
    "\t\t\toLight.set( \"ZTranslate\", 0, -240 );\r\n"
    "\t\t\toLight.set( \"XRotate\", 0, 0 );\r\n"
    "\t\t\toLight.set( \"YRotate\", 0, 90 );\r\n"
    "\t\t\toLight.set( \"ZRotate\", 0, 0 );\r\n"
    "\t\t\toLight.set( \"Color\", 0, 1, 255, 127.5, 0 );\r\n"
    "\t\t\toLight.set( \"Spread Angle\", 0, 40 );\r\n"
    "\t\t\toLight.set( \"Cast Shadows\", 0, 0 );\r\n"
    "\t\t\toLight.set( \"Visible\", 0, 1 );\r\n"
    "\t\t\toLight.set( \"Intensity\", 0, 0.75 );\r\n"
    "\t\t\tbreak;\r\n"
    "\t\tcase 1:\r\n"
    "\t\t\toLight.set( \"XTranslate\", 0, 0 );\r\n"
    "\t\t\toLight.set( \"Cast Shadows\", 0, 1 );\r\n"
    "\t\t\tbreak;\r\n"
    "\t\tcase 2:\r\n"
    "\t\t\toLight.set( \"XTranslate\", 0, 12 );\r\n"
    "\t\t\toLight.set( \"Intensity\", 0, 2 );\r\n"
    "\t\t\tbreak;\r\n"
    "\t\tdefault:\r\n"
    "\t\t\toLight.set( \"XTranslate\", 0, 999 );\r\n"
    "\t}\r\n}\r\n";

const char* const Cameras2 =
    "var m_aNewCameras = [\n"
    "\t[ \"Camera 1\", DzBasicCamera ],\n"
    "\t[ \"Camera 2\", DzBasicCamera ] ];\n"
    "function createCamera( oCamera, nCamera )\n{\n\tswitch( nCamera ){\n"
    "\t\tcase 0:\n"
    "\t\t\toCamera.set( \"XTranslate\", 0, 0 );\n"
    "\t\t\toCamera.set( \"YTranslate\", 0, 240 );\n"
    "\t\t\toCamera.set( \"ZTranslate\", 0, 480 );\n"
    "\t\t\toCamera.set( \"XRotate\", 0, -15 );\n"
    "\t\t\toCamera.set( \"YRotate\", 0, 30 );\n"
    "\t\t\toCamera.set( \"ZRotate\", 0, 0 );\n"
    "\t\t\toCamera.set( \"Perspective\", 0, 0 );\n"
    "\t\t\toCamera.set( \"Focal Length\", 0, 32.8 );\n"
    "\t\t\tbreak;\n"
    "\t\tcase 1:\n"
    "\t\t\toCamera.set( \"XTranslate\", 0, 0 );\n"
    "\t\t\toCamera.set( \"Perspective\", 0, 1 );\n"
    "\t\t\toCamera.set( \"Focal Length\", 0, 0 );\n"
    "\t\t\tbreak;\n"
    "\t\tdefault:\n\t}\n}\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv,
                        {{"lights.ds", Lights3}, {"cameras.ds", Cameras2}, {"both.ds", std::string(Lights3) + Cameras2}});
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
