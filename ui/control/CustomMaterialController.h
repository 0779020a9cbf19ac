// The "POV-Ray custom material" sub-page of the Materials tab: the memo
// with the material's own POV-Ray text and its tool bar: "Insert" (the
// snippet picker), "Copy all", "Paste", "Clear", "Preview" (a test scene
// rendered by POV-Ray), "Bake..." (the material rendered flat into an image
// map) and "Save..." (into the custom texture library).
#pragma once

#include <string>
#include <vector>

#include "platform/AppPaths.h"
#include "ui/control/AppHost.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/FormDialogs.h"
#include "ui/core/PovLaunch.h"

// The files of the preview and the bake, in the program's folder.
inline constexpr const char* PreviewIncludeFile = ProgramFile::PreviewInclude;
inline constexpr const char* PreviewSceneFile = ProgramFile::PreviewScene;
inline constexpr const char* PreviewIniFile = ProgramFile::PreviewIni;
inline constexpr const char* BakeSceneFile = ProgramFile::BakeScene;
inline constexpr const char* BakeIniFile = ProgramFile::BakeIni;

// Writes the test material include (the standard includes, "#declare
// Preview_=" and the memo), the test scene when it is missing, and starts
// POV-Ray on the test scene. A start that will be refused
// (PovRayStartRefusal) writes nothing.
void PreviewCustomMaterial();
// Writes the bake scene (a flat square of side 1 carrying UVs 0..1 in an
// orthographic view, wearing the memo's material) and its INI file that
// renders it 512 x 512 into `outputFile` in the format of the baked maps'
// save dialog's file type, and starts POV-Ray on it in the output's folder
// (RunBake). A map name POV-Ray cannot write as it stands
// (BakeMapNameUsable) or a bake that may not start there is refused before
// anything is written. True when POV-Ray was started.
bool BakeCustomMaterial(const std::string& outputFile);
// True when POV-Ray writes the map `outputFile` under its name as it stands;
// otherwise a warning names it and the result is false. A name with a line
// break, a letter beyond ASCII or both kinds of quote marks cannot be.
bool BakeMapNameUsable(const std::string& outputFile);
// A bake of the map `outputFile`: the scene `sceneLines` and its INI file
// are written into the program's folder (BakeSceneFile, BakeIniFile), and
// POV-Ray is started on them in the map's folder, since it writes the map
// into its working folder. The INI file names the scene by the first name
// POV-Ray reads from there (PovRayInputName) and the map without its folder,
// then holds `options`. A bake that may not start there (PovRayStartRefusal,
// or a scene POV-Ray cannot read from there) writes nothing: a beep, a "<!>"
// line and a warning say why. Without a usable POV-Ray the warning of
// ReportNoPovRay is shown. True when POV-Ray was started. `reads` is what
// the scene reads besides the program's text.
bool RunBake(const std::string& outputFile, const std::vector<std::string>& sceneLines,
             const std::vector<std::string>& options, const PovRaySceneReads& reads = {});
// True when a bake of the map `outputFile` with `options` of a scene that
// reads `reads` may not start (PovRayStartRefusal in the map's folder for
// the INI file RunBake would write, or a bake scene POV-Ray cannot read from
// there): a beep, a "<!>" line and a warning say why.
bool BakeRefused(const std::string& outputFile, const std::vector<std::string>& options,
                 const PovRaySceneReads& reads = {});
// A beep, the warning that POV-Ray's program is to be chosen in the export
// options, and "Could not start POV-Ray" logged.
void ReportNoPovRay();

class CustomMaterialController {
public:
    CustomMaterialController(AppHost& host, FormDialogs& dialogs) : host_(host), dialogs_(dialogs) {}
    void Register(Dispatcher& d);

    // A change of the memo's text makes the material "Active" when the text
    // holds a value (PovTextHasValue); blanks, comments or ";" alone do not.
    void Memo2Change();
    // "Insert": the snippet picker below the button; "Active" when the memo
    // then holds a value, unless it shows a text held back
    // (PanelCustomTextHeld) to which nothing was added.
    void ToolButton34Click();
    // "Copy all": the whole text to the clipboard, the caret kept.
    void ToolButton37Click();
    // "Paste": the clipboard's text at the caret, and "Active", unless the
    // memo shows a text held back to which nothing was added.
    void ToolButton38Click();
    // "Clear".
    void ToolButton39Click();
    // "Preview", "Bake..." (into the map chosen, or a "_Rev" name where no
    // output may take it) and "Save...", each refused (before any question)
    // while the memo shows a text held back (PanelCustomTextHeld).
    void ToolButton40Click();
    void ToolButton41Click();
    void ToolButton42Click();

private:
    // The model and a text in the memo, or the message why not.
    bool HaveModel();
    bool HaveModelAndText();

    AppHost& host_;
    FormDialogs& dialogs_;
};
