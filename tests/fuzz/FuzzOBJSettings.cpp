// libFuzzer target: the lines after a settings block header, restored into a
// model of two import groups that already has one light and one placeholder.
// A block that is refused changes nothing; one that is restored leaves only
// lights and placeholders of known kinds, a background choice of the list
// and a preview size the preview can take (or one it refuses).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "model/PreviewSize.h"
#include "options/Options.h"
#include "readers/ObjSettingsRestore.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

const char* const Block =
    "#camera,20,FALSE,TRUE,-1,1,0.5,-0.5,10,0,30,-45,1,2,3,640,480\r\n"
    "#number_of_lights,2\r\n"
    "#light,\"Sun\",0,0,1,0,0,0,1,1,1,20,20,0,1,1,1,1,0,0,0,FALSE,0.06,6,0,0,2\r\n"
    "#light,\"Key Light\",1,2,3,45,90,0,1,0.5,0.25,10,30,2,1,0,0.8,1,0,0,0,TRUE,2,4,1,0,0\r\n"
    "#headlightintensity,0.5\r\n#background,3,15790320,\"sky.png\",-90\r\n"
    "#placeholder_count,2\r\n#placeholder,\"Box\",1,1,1,0,0,0,0,0,0,255,0\r\n"
    "#placeholder,\"Pole\",0.1,2,0.1,1,0,1,0,45,0,65280,2\r\n"
    "#ground,TRUE,-1.5,16777215\r\n#groupflags,\"base\",TRUE\r\n#groupflags,\"roof\",FALSE\r\n"
    "#end of Mirelan Settings Block\r\n";

const char* const Empty =
    "#camera,20,FALSE,FALSE,,,,,,,,,0,0,0,0,0\n#number_of_lights,0\n#headlightintensity,1\n"
    "#background,0,0,\"\",0\n#placeholder_count,0\n#ground,FALSE,0\n#groupflags,\"a\",FALSE\n"
    "#groupflags,\"b\",TRUE\n";

// The lines of the text as the OBJ reader keeps them, numbered from 2 (the
// header is line 1).
std::vector<tsettingsline> LinesOf(std::string_view text) {
    std::vector<tsettingsline> lines;
    std::size_t start = 0;
    int64_t number = 2;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        lines.push_back({text.substr(start, end - start), number++});
        if (end < text.size() && text[end] == '\r') ++end;
        if (end < text.size() && text[end] == '\n') ++end;
        start = end;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv, {{"block.txt", Block}, {"empty.txt", Empty}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::FreshModel("fuzz.obj");
    ResetOptionsToDefaults();
    for (const char* name : {"base", "roof"}) {
        tgroup g;
        NewGroup(g);
        g.name = name;
        ImportGroups.push_back(std::move(g));
    }
    tlight light;
    NewLight(light);
    light.name = "Before";
    Lights.push_back(light);
    tplaceholder placeholder;
    NewPlaceholder(placeholder);
    placeholder.name = "Before";
    Placeholders.push_back(placeholder);
    Form1.ComboBox7.items = {"Before"};
    const int32_t loadFlag = Scene.loadFlag;

    const std::vector<tsettingsline> lines = LinesOf(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!RestoreSettingsBlock(Scene, lines, "fuzz.obj")) {
        if (Lights.size() != 1 || Lights[0].name != "Before" || Placeholders.size() != 1 ||
            Placeholders[0].name != "Before" || Scene.loadFlag != loadFlag)
            std::abort();
        return 0;
    }
    for (const tlight& l : Lights)
        if (l.kind < LightParallel || l.kind > LightPoint || l.areaSamples < 1) std::abort();
    for (const tplaceholder& p : Placeholders)
        if (p.kind > PlaceholderCylinder) std::abort();
    if (Form1.ComboBox2.Count() != Lights.size() || Form1.ComboBox7.items.size() != Placeholders.size())
        std::abort();
    const int32_t background = Form1.ComboBox1.index;
    if (background < 0 || (background > 0 && background >= static_cast<int32_t>(Form1.ComboBox1.items.size())))
        std::abort();
    // A size with a side below 1 is kept as written: the preview refuses it.
    const int32_t width = Scene.cameraViewportWidth, height = Scene.cameraViewportHeight;
    if (width >= 1 && height >= 1 && (width > MaxPreviewSide || height > MaxPreviewSide)) std::abort();
    return 0;
}
