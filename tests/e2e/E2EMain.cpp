// The end-to-end driver of the tests: loads models headless as the load
// command does and prints what the model holds afterwards.
//
//   mirelan_e2e [--set FORM.CONTROL=VALUE]... [--log] [--out DIR] [--preview W H FILE]
//               [--stretch W H FILTER IMAGE OUT.pam]... [--decode IMAGE OUT.pam]...
//               [--html FILE WIDTH OUT.png]... [--poser-scene FILE] [--daz-script FILE] MODEL...
//
// --set  sets an option before the load (a check box 0 or 1, the text of an
//        edit, the item index of a combo box), e.g. --set Form1.CheckBox26=0
// --poser-scene  after the load, completes the model from the Poser scene
//        FILE (".pz3", or gzip-compressed ".pzz") as "Poser Scene..." does once
//        its OBJ has loaded: materials, maps from the dialog's texture folders,
//        camera, lights and the clean-up as the dialog's boxes say (--set
//        Form3.CheckBox1=0 reads no camera, Form3.CheckBox2 the lights,
//        Form3.CheckBox3 the clean-up); prints each line it logged on the
//        "Messages" page as "poser-scene LINE".
// --daz-script  after the load (and the Poser scene), completes the model from
//        the DAZ|Studio script FILE, given as both the light and the camera
//        preset of "DAZ|Studio Scene...", as that command does once its OBJ
//        has loaded (the OBJ read as that command reads it): maps searched
//        from the folder above the texture folder (Form7.Edit2, by default
//        the program's folder), lights and camera as the boxes Form7.CheckBox1
//        and Form7.CheckBox2 say, the normals when Form7.CheckBox3 is set;
//        prints each line it logged as "daz-script LINE". A scene or script
//        that is missing or cannot be read is an error like a model's: it is
//        named on stderr and no output is written.
// --log  writes the lines of the "Messages" page to stderr afterwards
// --out  after the load, writes every output into DIR (made when missing) as
//        the save commands do with their options: the POV-Ray "Save..."
//        (INI, scene file, geometry and material include), the OBJ "Save..."
//        (OBJ and MTL), the Moray "Save..." (UDO with its geometry and
//        material include), each with its maps copied (and resized) as the
//        export options say (--set Form2.CheckBox16=1, Form2.CheckBox43,
//        Form2.Edit45), and the YafRay scene; the names are those that
//        the load derived from the (last) model, and DIR is the output
//        folder of the export options while the model loads.
// --preview  after the load, draws the preview of the loaded models (camera
//        reset as after a load) at W x H pixels offscreen and saves it as
//        FILE (PNG, BMP, JPEG or TGA by its extension); prints "preview W
//        H". Needs
//        an OpenGL context on the display the driver runs on.
// --stretch  before any load, loads IMAGE as the program loads a picture,
//        resizes it to W x H with the resampling filter of that number (0 Box
//        to 6 Mitchell) and writes it to OUT.pam (PAM, RGB_ALPHA, 8 bits);
//        prints "stretch W H". Without MODEL files nothing is loaded.
// --decode  before any load, loads IMAGE as the program loads a picture and
//        writes its pixels to OUT.pam (PAM, RGB_ALPHA, 8 bits, the alpha of a
//        picture that has one); prints "image W H". Without MODEL files
//        nothing is loaded.
// --html  before any load, loads the HTML FILE into a viewer with the help
//        window's settings that is WIDTH pixels wide, paints the whole
//        document with its form controls into OUT.png (WIDTH by the
//        document's height) and prints "html W H". Without MODEL files
//        nothing is loaded.
// Several models are merged into one scene. Output, one line each (after the
// lines of the imports):
//   vertices N, normals N, uvs N, faces N, lines N, groups N, materials N,
//   lights N, extents MINX MINY MINZ MAXX MAXY MAXZ (over all faces).
// The camera is reset as the preview's camera panel does after a load (in
// front of the model, looking at its centre).
// Warnings of the image library (damaged data that still decodes) go to
// stderr as "mirelan_e2e: warning: TEXT" and change no exit status.
// Built with the window system, the driver is two programs: this one does
// the plain loads and hands every other run to mirelan_e2e_full, which takes
// the same arguments.
// Exit status: 0 every model loaded (and every file written), 1 a model
// failed, a file could not be written, the memory ran out or no OpenGL
// context could be had for the preview (the errors on stderr), 2 bad
// arguments. For the tests that run it out of memory, the driver's heap can
// be limited through its environment (E2EHeap.h).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "model/Errors.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/TempFiles.h"
#include "platform/gfx/WarningSink.h"
#include "tests/e2e/E2EHeap.h"
#include "tests/e2e/E2EHtml.h"
#include "tests/e2e/E2EPictures.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/Startup.h"
#if MIRELAN_E2E_QT_PICTURES
#include "platform/qt/QtImageFormats.h"
#endif

#if MIRELAN_E2E_PREVIEW
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <memory>

#include "preview/GlTexture.h"
#include "preview/Preview.h"
#include "preview/PreviewFrame.h"
#include "tests/fixtures/OpenGLLeakCheck.h"
#include "ui/control/MaterialPanel.h"
#endif

namespace {

constexpr int ExitLoaded = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadArguments = 2;

int Usage(std::string_view problem) {
    std::cerr << "mirelan_e2e: " << problem << '\n'
              << "usage: mirelan_e2e [--set FORM.CONTROL=VALUE]... [--log] [--out DIR] [--preview W H FILE] "
                 "[--stretch W H FILTER IMAGE OUT.pam]... [--decode IMAGE OUT.pam]... [--html FILE WIDTH OUT.png]... "
                 "[--poser-scene FILE] [--daz-script FILE] MODEL...\n";
    return ExitBadArguments;
}

struct Arguments {
    std::vector<std::string> assignments;
    std::vector<std::string> models;
    std::string out;  // empty: write nothing
    bool log = false;
    // --preview: the picture's size and file; no file, no preview.
    int previewWidth = 0, previewHeight = 0;
    std::string previewFile;
    std::vector<e2e::StretchJob> stretches;
    std::vector<e2e::DecodeJob> decodes;
    std::vector<e2e::HtmlJob> htmls;
    // The scene imports after the load; empty: none.
    std::string poserScene, dazScript;
};

// The largest side of a preview picture.
constexpr int MaxPreviewSide = 8192;

// A side of the preview picture: 1..MaxPreviewSide, else 0.
int PreviewSide(std::string_view text) {
    int64_t value = 0;
    if (!ParseInt(text, value) || value < 1 || value > MaxPreviewSide) return 0;
    return static_cast<int>(value);
}

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
        } else if (a == "--preview") {
            if (i + 3 >= argc) return Usage("--preview needs W H FILE");
            args.previewWidth = PreviewSide(argv[i + 1]);
            args.previewHeight = PreviewSide(argv[i + 2]);
            args.previewFile = argv[i + 3];
            if (!args.previewWidth || !args.previewHeight)
                return Usage("--preview: width and height must be 1 to " + std::to_string(MaxPreviewSide));
            if (args.previewFile.empty()) return Usage("--preview needs a file");
            i += 3;
        } else if (a == "--stretch") {
            if (i + 5 >= argc) return Usage("--stretch needs W H FILTER IMAGE OUT.pam");
            e2e::StretchJob job;
            if (const std::string problem = e2e::ParseStretch(argv, i + 1, job); !problem.empty()) return Usage(problem);
            args.stretches.push_back(job);
            i += 5;
        } else if (a == "--decode") {
            if (i + 2 >= argc || argv[i + 1][0] == '\0' || argv[i + 2][0] == '\0')
                return Usage("--decode needs IMAGE OUT.pam");
            args.decodes.push_back({argv[i + 1], argv[i + 2]});
            i += 2;
        } else if (a == "--html") {
            if (i + 3 >= argc) return Usage("--html needs FILE WIDTH OUT.png");
            e2e::HtmlJob job;
            if (const std::string problem = e2e::ParseHtmlJob(argv, i + 1, job); !problem.empty()) return Usage(problem);
            args.htmls.push_back(job);
            i += 3;
        } else if (a == "--poser-scene" || a == "--daz-script") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return Usage(std::string(a) + " needs a file");
            (a == "--poser-scene" ? args.poserScene : args.dazScript) = argv[++i];
        } else if (a == "--out") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return Usage("--out needs a folder");
            args.out = argv[++i];
        } else {
            return Usage("unknown option " + std::string(a));
        }
    }
    if (args.models.empty() && args.stretches.empty() && args.decodes.empty() && args.htmls.empty())
        return Usage("no model file given");
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

#if MIRELAN_E2E_PREVIEW
// The preview's own services: its camera panel, its display lists while a
// picture is drawn, and the materials' textures as the Materials tab makes
// them.
class DriverWindow : public PreviewHooks {
public:
    void ReloadMaterialMaps(int32_t mode) override { ::ReloadMaterialMaps(mode); }
};
#else
// What the preview's camera panel does to the scene when the camera is reset
// and when its boxes are applied, for a build without the preview.
class DriverWindow : public WindowHooks {
public:
    void ResetCamera() override {
        const double aspect = Aspect();
        Form1.Edit14.text = FloatToText(2 * std::atan(std::tan(12.5 * Degree) * aspect) / Degree);
        Form1.CheckBox9.checked = false;
        Form1.CheckBox25.checked = false;
        Form1.Edit34.text = "-1.0";
        Form1.Edit35.text = "1.0";
        Scene.translation = Scene.extents.center;
        Scene.cameraLocation = {0, 0, 2 * Scene.extents.diagonal};
        Form1.Edit15.text = FloatToText(Scene.cameraLocation.x + Scene.translation.x);
        Form1.Edit16.text = FloatToText(Scene.cameraLocation.y + Scene.translation.y);
        Form1.Edit17.text = FloatToText(Scene.cameraLocation.z + Scene.translation.z);
        Form1.Edit18.text = "0";
        Form1.Edit20.text = "-25";
        Form1.Edit19.text = "45";
        Scene.activeCameraName = "MirelanCAMERA";
    }
    void ApplyCameraEdits() override {
        Scene.orthographic = Form1.CheckBox9.checked;
        const double zoom = TextToFloat(Form1.Edit14.text);
        Scene.fieldOfView = 2 * std::atan(std::tan(zoom * Degree / 2) / Aspect()) / Degree;
        Scene.cameraLocation = {TextToFloat(Form1.Edit15.text) - Scene.translation.x,
                                TextToFloat(Form1.Edit16.text) - Scene.translation.y,
                                TextToFloat(Form1.Edit17.text) - Scene.translation.z};
    }

private:
    static constexpr double Degree = 3.14159265358979323846 / 180;
    static double Aspect() {
        const int32_t w = Form9.glView1.width, h = Form9.glView1.height;
        return w > 0 && h > 0 ? static_cast<double>(w) / h : 1.0;
    }
};
#endif

// The four saves; false when one could not write its files (its error is
// added to `errors`).
bool WriteOutputs(std::vector<std::string>& errors) {
    bool ok = true;
    auto save = [&](const char* what, auto&& run) {
        try {
            if (!run()) {
                errors.push_back(std::string(what) + ": nothing written");
                ok = false;
            }
        } catch (const ExportError& e) {
            errors.push_back(std::string(what) + ": " + e.what());
            ok = false;
        }
    };
    for (const auto& [what, kind] : {std::pair{"POV-Ray save", SaveKind::PovRay}, std::pair{"OBJ save", SaveKind::Obj},
                                     std::pair{"Moray save", SaveKind::Moray}}) {
        save(what, [kind = kind] { return SaveModelFiles(kind); });
    }
    save("YafRay save", [] {
        SaveYafRayScene();
        return true;
    });
    return ok;
}

#if MIRELAN_E2E_PREVIEW
// The window system and OpenGL for --preview: an offscreen platform unless
// one is asked for, on the display the driver runs on.
std::unique_ptr<QGuiApplication> StartWindowSystem(char* program) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PrepareOpenGL();
    static int qtArgc = 1;
    static char* qtArgv[] = {program, nullptr};
    return std::make_unique<QGuiApplication>(qtArgc, qtArgv);
}

// The driver's capabilities and the preview's fixed state, as the program
// sets them at start-up; false with the reason when there is no context.
bool StartPreview(std::string& error) {
    if (!QueryGLInfo()) {
        error = GLUnavailableReason();
        return false;
    }
    fixtures::PinOpenGLDriver();
    InitGLState();
    SetFaceCulling(!Form1.CheckBox42.checked);
    PreviewReady = true;
    return true;
}

// Draws the preview and saves it: BMP, JPEG and TGA as the program's "Save
// Preview..." does (through the texture image), any other kind through Qt;
// false with the reason when it failed.
bool SavePreview(const Arguments& args, std::string& error) {
    const std::string ext = LowerCase(ExtractFileExt(args.previewFile));
    bool saved = false;
    try {
        if (ext == ".bmp" || ext == ".jpg" || ext == ".tga") {
            saved = RenderPreviewOffscreen(
                args.previewWidth, args.previewHeight, [&] { return TGlTexture().CaptureScreen(args.previewFile); },
                error);
        } else {
            QImage image;
            saved = RenderPreviewImage(args.previewWidth, args.previewHeight, image, error) &&
                    image.save(QString::fromStdString(args.previewFile));
        }
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!saved) {
        if (error.empty()) error = "cannot write the preview " + args.previewFile;
        return false;
    }
    std::cout << "preview " << args.previewWidth << ' ' << args.previewHeight << '\n';
    return true;
}
#endif

// The Poser scene import and the DAZ|Studio import on the loaded model, as
// their commands go on once the OBJ has loaded, each after the checks of its
// command; prints the lines each logged on the "Messages" page. False when
// one could not run or failed (the reason added to `errors`).
bool RunSceneImports(const Arguments& args, const MemoryStatus& status, std::vector<std::string>& errors) {
    bool ok = true;
    const auto run = [&](const char* what, auto&& import) {
        const std::vector<std::string>& lines = status.Lines(StatusPage::Messages);
        const std::size_t first = lines.size();
        try {
            import();
        } catch (const std::exception& e) {
            errors.push_back(std::string(what) + ": " + e.what());
            ok = false;
        }
        for (std::size_t i = first; i < lines.size(); ++i) std::cout << what << ' ' << lines[i] << '\n';
    };
    if (!args.poserScene.empty()) {
        if (!FileExistsNonBlank(args.poserScene)) {
            errors.emplace_back("Poser scene file not found.");
            return false;
        }
        run("poser-scene", [&] { ImportPoserScene(args.poserScene); });
    }
    if (ok && !args.dazScript.empty()) {
        const bool missing = !FileExistsNonBlank(args.dazScript);
        if (missing && Form7.CheckBox1.checked) errors.emplace_back("DAZ|Studio light preset not found.");
        if (missing && Form7.CheckBox2.checked) errors.emplace_back("DAZ|Studio camera preset not found.");
        if (!DirectoryExists(Trim(Form7.Edit2.text))) errors.emplace_back("DAZ|Studio texture directory not found.");
        if ((missing && (Form7.CheckBox1.checked || Form7.CheckBox2.checked)) || !DirectoryExists(Trim(Form7.Edit2.text)))
            return false;
        Form7.Edit3.text = Form7.Edit4.text = args.dazScript;
        run("daz-script", [&] { ImportDazPresets(DazMapSearchFolder(Form7.Edit2.text)); });
    }
    return ok;
}

#ifdef MIRELAN_E2E_HANDS_ON
// Runs the driver of that name in this program's folder in place of this
// one; returns only when it cannot be started.
int HandOn(char** argv) {
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    const std::string other = (std::filesystem::path(self).parent_path() / MIRELAN_E2E_HANDS_ON).string();
    ::execv(other.c_str(), argv);
    std::cerr << "mirelan_e2e: cannot start " << other << '\n';
    return ExitFailed;
}
#endif

// The image library's warnings, on stderr.
class StderrWarnings : public gfx::WarningSink {
public:
    void warning(std::string_view message) override { std::cerr << "mirelan_e2e: warning: " << message << '\n'; }
};

// The driver's run (main without its guard).
int Run(int argc, char** argv) {
    StderrWarnings warnings;
    const gfx::ScopedWarningSink warningSink(&warnings);
    Arguments args;
    if (const int status = ParseArguments(argc, argv, args)) return status;
#ifdef MIRELAN_E2E_HANDS_ON
    // This driver does the plain loads; every other run goes to the driver
    // with the window system beside it, which takes the same arguments.
    if (!args.out.empty() || args.log || !args.previewFile.empty() || !args.stretches.empty() ||
        !args.decodes.empty() || !args.htmls.empty())
        return HandOn(argv);
#endif
    if (!args.htmls.empty()) {
        std::string errors;
        const bool done = e2e::RunHtmlJobs(args.htmls, argv[0], errors);
        if (!errors.empty()) std::cerr << "mirelan_e2e: " << errors;
        if (!done) return ExitFailed;
        if (args.models.empty() && args.stretches.empty() && args.decodes.empty()) return ExitLoaded;
    }
#if MIRELAN_E2E_PREVIEW
    std::unique_ptr<QGuiApplication> application;
    if (!args.previewFile.empty()) application = StartWindowSystem(argv[0]);
#else
    if (!args.previewFile.empty()) return Usage("--preview: built without the preview");
#endif

    // Pictures (images to stretch or decode, maps of the preview's textures,
    // maps resized by a save) load as in the program.
    if (!args.stretches.empty() || !args.decodes.empty() || !args.previewFile.empty() || !args.out.empty()) {
#if MIRELAN_E2E_QT_PICTURES
        img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
#else
        img::RegisterImageFormats();
#endif
    }
    if (!args.stretches.empty() || !args.decodes.empty()) {
        bool done = true;
        for (const e2e::StretchJob& job : args.stretches) {
            std::string error;
            if (!e2e::RunStretch(job, error)) {
                std::cerr << "mirelan_e2e: " << error << '\n';
                done = false;
            }
        }
        for (const e2e::DecodeJob& job : args.decodes) {
            std::string error;
            if (!e2e::RunDecode(job, error)) {
                std::cerr << "mirelan_e2e: " << error << '\n';
                done = false;
            }
        }
        if (!done) return ExitFailed;
        if (args.models.empty()) return ExitLoaded;
    }

    InitCore(1);
    if (const int status = ApplyAssignments(args.assignments)) return status;
#if MIRELAN_E2E_PREVIEW
    if (application) {
        Form9.glView1.width = args.previewWidth;
        Form9.glView1.height = args.previewHeight;
        std::string error;
        if (!StartPreview(error)) {
            std::cerr << "mirelan_e2e: no OpenGL context for the preview: " << error << '\n';
            return ExitFailed;
        }
    }
#endif
    if (!args.out.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(args.out, ec);
        const std::filesystem::path folder = std::filesystem::absolute(args.out, ec);
        Form2.Edit1.text = ec ? args.out : folder.lexically_normal().string();
    }

    MemoryStatus status;
    RecordingPrompts prompts;  // answers No
    DriverWindow window;
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
    // "DAZ|Studio Scene..." reads its OBJ with the DAZ-import flag on.
    if (!args.dazScript.empty()) {
        if (Trim(Form7.Edit2.text).empty()) Form7.Edit2.text = ProgramDir();  // as at start-up
        Scene.dazSceneLoading = 1;
    }
    bool loaded = LoadSelectedModels(&errors);
    Scene.dazSceneLoading = 0;
    if (loaded) loaded = RunSceneImports(args, status, errors);
    DeleteAllTempFiles();

    PrintModel();
    bool written = !loaded || args.out.empty() || WriteOutputs(errors);
#if MIRELAN_E2E_PREVIEW
    if (application) {
        std::string error;
        if (!SavePreview(args, error)) {
            errors.push_back("preview: " + error);
            written = false;
        }
        ReleaseGLResources();
    }
#endif
    if (args.log)
        for (const std::string& line : status.Lines(StatusPage::Messages)) std::cerr << line << '\n';
    if (loaded && written) return ExitLoaded;
    if (errors.empty()) errors.emplace_back("Model could not be loaded");
    for (const std::string& e : errors) std::cerr << "mirelan_e2e: " << e << '\n';
    return ExitFailed;
}

// Ends a run that ran out of memory where no command of the program caught
// it (the driver's own lists and output): the temporary files go, the message
// needs no memory.
int OutOfMemory() {
    DeleteAllTempFiles();
    std::fputs("mirelan_e2e: not enough memory\n", stderr);
    return ExitFailed;
}

}  // namespace

// Running out of memory anywhere ends a run with a message and exit status
// 1, never through the runtime's end of the program.
int main(int argc, char** argv) {
    e2e::LimitHeapAsAsked();
    int status = ExitFailed;
    try {
        status = Run(argc, argv);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory();
    }
    e2e::WriteHeapLevels();
    return status;
}
