// libFuzzer target: any text given to the three Poser scene readers
// (cameras, materials, lights) either is read, leaving only lights of the
// known kinds and the model's materials under their own names, or raises
// ReadError and changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "readers/PoserReader.h"
#include "tests/fuzz/FuzzSceneSupport.h"

namespace {

const char* const Scene4 =
    "{\nversion\n\t{\n\tnumber 4.01\n\t}\n"
    "camera MAIN_CAMERA\n\t{\n\tname MAIN_CAMERA\n\tchannels\n\t\t{\n"
    "\t\tfocal FOCAL\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 50\n\t\t\t\t}\n\t\t\t}\n"
    "\t\ttranslateX xt\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 0.25\n\t\t\t\t}\n\t\t\t}\n"
    "\t\ttranslateY yt\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 0.5\n\t\t\t\t}\n\t\t\t}\n"
    "\t\ttranslateZ zt\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 2\n\t\t\t\t}\n\t\t\t}\n"
    "\t\trotateX xr\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 -10\n\t\t\t\t}\n\t\t\t}\n"
    "\t\trotateY yr\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 20\n\t\t\t\t}\n\t\t\t}\n"
    "\t\trotateZ zr\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 0\n\t\t\t\t}\n\t\t\t}\n"
    "\t\tscale s\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 1\n\t\t\t\t}\n\t\t\t}\n"
    "\t\t}\n\tendPoint 0 0 0\n\t}\n"
    "camera TOP_CAMERA\n\t{\n\tstorageOffset 0 0 0\n\t}\n"
    "light LIGHT_1\n\t{\n\tname Sun\n\tchannels\n\t\t{\n"
    "\t\tkdRed r\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 1\n\t\t\t\t}\n\t\t\t}\n"
    "\t\tkdIntensity i\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 0.8\n\t\t\t\t}\n\t\t\t}\n"
    "\t\trotateX xr\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 -30\n\t\t\t\t}\n\t\t\t}\n"
    "\t\tliteFalloffEnd e\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 60\n\t\t\t\t}\n\t\t\t}\n"
    "\t\t}\n\tlightType 1\n\tdoShadow 1\n\tlightOn 1\n\t}\n"
    "light LIGHT_2\n\t{\n\tname Bulb\n\tlightType 2\n\tdoShadow 0\n\tlightOn 1\n\t}\n"
    "light LIGHT_3\n\t{\n\tname Far\n\tlightType 0\n\tlightOn 1\n\t}\n"
    "figure\n\t{\n"
    "\tmaterial SKIN\n\t\t{\n\t\tKdColor 1 1 1 1\n\t\tKaColor 0 0 0 1\n\t\tKsColor 1 1 1 0.5\n"
    "\t\tNsExponent 25\n\t\ttMax 0\n\t\tbumpStrength 0.5\n\t\ttextureMap \"C:\\maps:skin.jpg\"\n"
    "\t\tbumpMap \"GetStringRes(1024,47)\"\n\t\ttransparencyMap NO_MAP\n"
    "\t\treflectionMap \"refl.jpg\"\n\t\treflectionStrength 0.3\n\t\t}\n"
    "\tmaterial Hair\n\t\t{\n\t\tKdColor 0.8 0.8 0.8 1\n\t\ttMax 1\n\t\ttextureMap NO_MAP\n\t\t}\n"
    "\t}\n"
    "doc\n\t{\n\tuseCamera MAIN_CAMERA\n\tdimensions 640 480\n\t}\n}\n";

const char* const Scene5 =
    "{\nversion\n\t{\n\tnumber 5\n\t}\n"
    "actor BODY\n\t{\n"
    "\tmaterial Eyes\n\t\t{\n\t\tKdColor 1 1 1 1\n"
    "\t\ttextureMap GetStringRes(1024,12)\n\t\ttransparencyMap NO_MAP\n"
    "\t\tshaderTree\n\t\t\t{\n"
    "\t\t\tnode \"poser\" \"PoserSurface\"\n\t\t\t\t{\n"
    "\t\t\t\tinput \"Bump\"\n\t\t\t\t\t{\n\t\t\t\t\tnode \"bumpImage\"\n\t\t\t\t\t}\n\t\t\t\t}\n"
    "\t\t\tnode \"image_map\" \"bumpImage\"\n\t\t\t\t{\n"
    "\t\t\t\tinput \"Image_Source\"\n\t\t\t\t\t{\n"
    "\t\t\t\t\tfile \":Runtime:Textures:eyes bump.jpg\"\n\t\t\t\t\t}\n\t\t\t\t}\n"
    "\t\t\tnode \"gradient_bump\" \"g\"\n\t\t\t\t{\n\t\t\t\t}\n"
    "\t\t\t}\n\t\t}\n\t}\n"
    "light SPOT\n\t{\n\tname Odd Light\n\tlightType 7\n\tlightOn 0\n\t}\n"
    "doc\n\t{\n\tuseCamera TOP_CAMERA\n\tdimensions 320 200\n\t}\n}\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv, {{"scene4.pz3", Scene4}, {"scene5.pz3", Scene5}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string name = "fuzz.pz3";
    fuzzing::FreshScene(name.c_str());

    using fuzzing::SceneSnapshot;
    SceneSnapshot before = SceneSnapshot::Take();
    tposercameravalues values{};
    values[PoserScale] = 7;
    try {
        ReadPoserCamerasText(name, text, values);
    } catch (const ReadError&) {
        if (!(SceneSnapshot::Take() == before) || values[PoserScale] != 7) std::abort();
    }

    before = SceneSnapshot::Take();
    try {
        ReadPoserMaterialsText(name, text);
        const SceneSnapshot after = SceneSnapshot::Take();
        if (after.materialNames != before.materialNames) std::abort();
        for (const tmaterial& m : SceneMaterials)
            if (m.faceCount != 3) std::abort();
    } catch (const ReadError&) {
        if (!(SceneSnapshot::Take() == before)) std::abort();
    }

    before = SceneSnapshot::Take();
    try {
        ReadPoserLightsText(name, text);
        if (Lights.empty() || Lights[0].name.str() != "Mine") std::abort();
        fuzzing::CheckLights();
    } catch (const ReadError&) {
        if (!(SceneSnapshot::Take() == before)) std::abort();
    }
    return 0;
}
