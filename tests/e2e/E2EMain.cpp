// The end-to-end driver of the tests: loads models headless as the load
// command does and prints what the model holds afterwards.
//
//   mirelan_e2e [--set FORM.CONTROL=VALUE]... [--log] [--out DIR] MODEL...
//
// --set  sets an option before the load (a check box 0 or 1, the text of an
//        edit, the item index of a combo box), e.g. --set Form1.CheckBox26=0
// --log  writes the lines of the "Messages" page to stderr afterwards
// --out  is reserved for the writers and refused for now
// Several models are merged into one scene. Output, one line each:
//   vertices N, normals N, uvs N, faces N, lines N, groups N, materials N,
//   lights N, extents MINX MINY MINZ MAXX MAXY MAXZ (over all faces).
// Exit status: 0 every model loaded, 1 a model failed (its error on stderr),
// 2 bad arguments.
#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "model/Model.h"
#include "model/Random.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "platform/TempFiles.h"
#include "ui/core/LoadDrivers.h"
#include "ui/options/ControlTable.h"
#include "ui/options/Options.h"

namespace {

constexpr int ExitLoaded = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadArguments = 2;

int Usage(std::string_view problem) {
    std::cerr << "mirelan_e2e: " << problem << '\n'
              << "usage: mirelan_e2e [--set FORM.CONTROL=VALUE]... [--log] [--out DIR] MODEL...\n";
    return ExitBadArguments;
}

struct Arguments {
    std::vector<std::string> assignments;
    std::vector<std::string> models;
    bool log = false;
};

// 0 when the arguments are good, else the exit status.
int ParseArguments(int argc, char** argv, Arguments& args) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (optionsEnded || a.empty() || a.front() != '-') {
            args.models.emplace_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--set") {
            if (i + 1 >= argc) return Usage("--set needs FORM.CONTROL=VALUE");
            args.assignments.emplace_back(argv[++i]);
        } else if (a == "--log") {
            args.log = true;
        } else if (a == "--out") {
            return Usage("--out is not available yet");
        } else {
            return Usage("unknown option " + std::string(a));
        }
    }
    if (args.models.empty()) return Usage("no model file given");
    return 0;
}

// 0 when every assignment took, else the exit status.
int ApplyAssignments(const std::vector<std::string>& assignments) {
    for (const std::string& a : assignments) {
        const std::size_t equals = a.find('=');
        if (equals == std::string::npos || equals == 0) return Usage("--set " + a + ": expected FORM.CONTROL=VALUE");
        const std::string path = a.substr(0, equals);
        const std::string value = a.substr(equals + 1);
        if (!GetControlValue(path)) return Usage("--set " + a + ": unknown control " + path);
        if (!SetControlValue(path, value)) return Usage("--set " + a + ": bad value for " + path);
    }
    return 0;
}

void PrintModel() {
    std::cout << "vertices " << SceneVertices.size() << '\n'
              << "normals " << SceneNormals.size() << '\n'
              << "uvs " << SceneUVs.size() << '\n'
              << "faces " << SceneFaces.size() << '\n'
              << "lines " << LineSegments.size() << '\n'
              << "groups " << SceneGroups.size() << '\n'
              << "materials " << SceneMaterials.size() << '\n'
              << "lights " << Lights.size() << '\n';
    tvector lo{0, 0, 0}, hi{0, 0, 0};
    bool any = false;
    const int64_t vertexCount = static_cast<int64_t>(SceneVertices.size());
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            if (f.vertex[c] < 1 || f.vertex[c] > vertexCount) continue;
            const tvector& p = SceneVertices[static_cast<std::size_t>(f.vertex[c] - 1)].p;
            if (!any) {
                lo = hi = p;
                any = true;
                continue;
            }
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    std::cout << "extents " << FloatToText(lo.x) << ' ' << FloatToText(lo.y) << ' ' << FloatToText(lo.z) << ' '
              << FloatToText(hi.x) << ' ' << FloatToText(hi.y) << ' ' << FloatToText(hi.z) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const int status = ParseArguments(argc, argv, args)) return status;

    InitModelConstants();
    CreateModelLists();
    InitSceneDefaults();
    ResetOptionsToDefaults();
    SeedRandom(1);
    if (const int status = ApplyAssignments(args.assignments)) return status;

    MemoryStatus status;
    RecordingPrompts prompts;  // answers No
    WindowHooks window;
    RecordingShell shell;
    shell.succeeds = false;
    Services services;
    services.status = &status;
    services.prompts = &prompts;
    services.window = &window;
    services.shell = &shell;
    const ScopedServices scoped(services);

    BatchFiles = args.models;
    std::vector<std::string> errors;
    const bool loaded = LoadSelectedModels(&errors);
    DeleteAllTempFiles();

    PrintModel();
    if (args.log)
        for (const std::string& line : status.Lines(StatusPage::Messages)) std::cerr << line << '\n';
    if (loaded) return ExitLoaded;
    if (errors.empty()) errors.emplace_back("Model could not be loaded");
    for (const std::string& e : errors) std::cerr << "mirelan_e2e: " << e << '\n';
    return ExitFailed;
}
