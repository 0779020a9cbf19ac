#include "ui/control/AppStartup.h"

#include <exception>
#include <string>

#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Random.h"
#include "model/Scene.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/SystemShell.h"
#include "platform/Version.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/Snippets.h"
#include "ui/core/Settings.h"
#include "writers/DeclareLibrary.h"
#include "writers/SceneChecks.h"

tmaterial DefaultMaterial;

namespace {

// The combo boxes whose items start-up fills, in the order it fills them.
constexpr std::string_view FixedCombos[] = {"ComboBox9",  "ComboBox16", "ComboBox5",  "ComboBox20", "ComboBox6",
                                            "ComboBox4",  "ComboBox21", "ComboBox23", "ComboBox24", "ComboBox25",
                                            "ComboBox26", "ComboBox14", "ComboBox12", "ComboBox10"};

// Clears a combo box of the main window and fills it with its fixed items,
// the design-time item selected; its enabled state stays.
void FillFixedCombo(std::string_view name) {
    const ControlInfo* row = FindControl("Form1", name);
    if (!row || row->kind != ControlKind::ComboBox) return;
    tcombobox& combo = *std::get<tcombobox*>(row->ref);
    combo.items.assign(row->items.begin(), row->items.end());
    combo.index = row->value;
    combo.text = combo.SelectedText();
}

void TakeGLInfo(const GLInfo& info) {
    GLExtensionsText = info.extensions;
    MultitextureSupported = info.multitexture;
    SeparateSpecularSupported = HasGLExtension("GL_EXT_separate_specular_color");
    MaxGLLights = info.maxLights;
    MaxTextureUnits = info.maxTextureUnits;
    GLVersionText = info.version;
    GLVendorText = info.vendor;
    GLRendererText = info.renderer;
}

}  // namespace

void RunFormCreateHandlers() {
    InitDialogFolders();        // export options and DAZ Studio dialogs
    Form4.PageControl1.active = 0;  // the status window opens on "Messages"
    FillSnippetLists();         // the snippet picker's lists, before the library's names
}

bool InitApplication(AppHost& host, uint64_t seed) {
    // 1-3: OpenGL capabilities, the version test, the GLU strings.
    const GLInfo info = host.QueryGL();
    TakeGLInfo(info);
    const float version = GLVersionNumber(GLVersionText);
    if (1.1f > version) {
        Svc().prompts->Show(MessageKind::Error, "Installed OpenGL (R) API version is " +
                                                    FormatFloatMaskDot("#.#", version) +
                                                    " and Mirelan requires at least 1.1");
        return false;
    }
    GLUVersionText = info.gluVersion;
    GLUExtensionsText = info.gluExtensions;
    // 4-5: the corner table and the random generator.
    InitModelConstants();
    if (seed == 0)
        SeedRandomFromClock();
    else
        SeedRandom(seed);
    Svc().status->ProcessPendingMessages();
    // 6-9: the background list, the custom material, the help file, the first pages.
    FillFixedCombo("ComboBox1");
    Form1.Memo2.lines.clear();
    InitHelpFilePath();
    Form1.PageControl1.active = 0;
    Form1.PageControl2.active = 0;
    Form1.PageControl6.active = 0;
    // 10-11: the fixed lists; the GLU tessellator only from GLU 1.2 on.
    for (std::string_view name : FixedCombos) FillFixedCombo(name);
    if (GLVersionNumber(GLUVersionText) < 1.2f) {
        Form1.ComboBox26.index = 2;
        Form1.ComboBox26.text = Form1.ComboBox26.SelectedText();
        Form1.ComboBox26.enabled = false;
    }
    // 12-14: the model lists, the constants and the scene record.
    CreateModelLists();
    BatchFiles.clear();
    InitSceneDefaults();
    Scene.backgroundColor = host.ButtonFaceColor();
    InstallSceneChecks();
    // 15: the output size follows the preview; set without the size handlers.
    Form1.PageControl5.active = 0;
    int32_t width = 0, height = 0;
    Svc().window->PreviewClientSize(width, height);
    Form1.Edit47.text = std::to_string(width);
    Form1.Edit48.text = std::to_string(height);
    // 16-18: face culling, the empty thumbnails, the probe bitmaps.
    host.SetFaceCulling(!Form1.CheckBox42.checked);
    host.ThumbnailSize(ThumbnailWidth, ThumbnailHeight);
    host.ClearThumbnails();
    ResetProgress();
    host.CreateProbeBitmaps();
    // 19-20: titles and the version, the fresh material, the preview may draw.
    Svc().window->SetTitle("Mirelan");
    Form1.Label168.caption = "Mirelan v" + GetVersionString();
    NewMaterial(DefaultMaterial);
    PreviewReady = true;
    // 21: the settings of this build; the restored check boxes run their
    // click handlers as they would for the user.
    const SettingsResult settings = LoadSettings();
    for (const std::string& name : settings.changedControls) Commands().Run(name);
    host.PlaceWindows(settings.applied);
    // Without a POV-Ray program of the user's choice, the one on the PATH.
    if (Trim(Form1.Edit52.text).empty()) Form1.Edit52.text = FindProgram("povray");
    // 22: the OpenGL state, the first lines, the checks and the library.
    host.InitGLState();
    ClearMessagesPage();
    LogBuildInfo();
    if (!settings.notice.empty()) LogMessage(settings.notice);
    LogMessage(RuleLine);
    LogMessage("Ready");
    CheckScene();
    LogGLDriverInfo();
    ReadDeclareLibrary(ProgramDir() + std::string(DeclareLibraryFileName));
    return true;
}

bool CloseApplication(AppHost& host) {
    if (IsBusy()) return false;  // a long operation runs: it cannot be closed now
    BeginWait();
    host.StoreWindowBounds();
    // Written before anything is freed; a failure is reported and the
    // program still closes.
    if (!SaveSettings()) LogMessage("<!>The settings could not be written to " + SettingsFilePath());
    try {
        SaveDeclareLibrary(ProgramDir() + std::string(DeclareLibraryFileName));
    } catch (const std::exception& e) {
        LogMessage(std::string("<!>") + e.what());
    }
    Svc().status->ProcessPendingMessages();
    Form1.PageControl1.enabled = false;
    LogMessage("Thanks for using Mirelan.  Cleaning up memory...");
    ClearModel();
    ClearDeclareLibrary();
    EndWait();
    ClearLights();
    ClearCameras();
    ClearPlaceholders();
    host.FreeProbeBitmaps();
    BatchFiles.clear();
    return true;
}

void WarningBoxes::warning(std::string_view message) { Svc().prompts->Show(MessageKind::Warning, message); }
