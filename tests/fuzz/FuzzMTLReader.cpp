// libFuzzer target: any text given to the MTL reader, in both of its modes,
// ends with the materials updated or with a ReadError; it never adds a
// material, and a POV-Ray text it switches on cannot reach the file system.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "readers/MtlReader.h"
#include "readers/ReaderCommon.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// The names the seeds and the dictionary use.
constexpr const char* Names[] = {"Red", "Blue", "Mat_0", "unnamed_material", "two words", "Red"};

void ReadInMode(std::string_view text, int32_t mode) {
    fuzzing::FreshModel("fuzz.obj");
    Scene.mtlFile = "fuzz.mtl";
    for (const char* name : Names) {
        tmaterial m;
        NewMaterial(m);
        m.name = name;
        ImportMaterials.push_back(std::move(m));
    }
    try {
        ReadMTLBytes(MtlTargetImport, Scene, mode, text);
    } catch (const ReadError&) {
    }
    if (ImportMaterials.size() != std::size(Names)) std::abort();
    for (const tmaterial& m : ImportMaterials)
        if (m.customTextActive && PovTextMayTouchFiles(m.customText.view())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(
        *argc, *argv,
        {{"plain.mtl", "# library\r\nnewmtl Red\r\nNs 32\r\nKa 0 0 0\r\nKd 1 0 0\r\nKs 0.5,0.5,0.5\r\nd 1\r\n"
                       "map_Kd -s 1 1 1 -o 0 0 -clamp on textures\\red.png\r\nmap_d -imfchan m alpha.tga\r\n"
                       "map_Bump -bm 2 b.png\r\nmap_refl sky.jpg\r\nKm 0.5\r\n\r\nnewmtl Blue\r\nKd 0 0 1\r\n"
                       "Tr 0.99\r\nmap_Kd gone.png\r\nillum 2\r\n"},
         {"extensions.mtl", "newmtl Mat_0\n#r 0.25\n#bump_size -0.5\n#blend 0.75\n#metal\n#inv_map_d\n#cell\n"
                            "#cell_hi\n#povmaterial texture { pigment { rgb <1,0,0> } }?~finish { phong 1 }\n"
                            "newmtl two words\nKa 0.2\nNs 4096\nnewmtl unnamed_material\n"
                            "#povmaterial #include \"x.inc\"\nnewmtl nothing\nKd 1 1 1\n"}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadInMode(text, 0);
    ReadInMode(text, 1);
    return 0;
}
