// The settings file "mirelansettings.ini" in the program's folder: the
// options of the windows, their bounds, the recent files and folders, and
// the camera and light presets. Written whole when the main window closes,
// read once at start-up, and only when it was written by the running build.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/AppPaths.h"

inline constexpr std::string_view SettingsFileName = ProgramFile::Settings;

// ProgramDir() + "mirelansettings.ini".
std::string SettingsFilePath();
// The build number: the text after the last "." of the version.
std::string BuildNumber();

// The whole file as it is written: CR LF after every line.
std::string BuildSettingsText();
// Writes the file (replacing it in one step, and keeping a file that could
// not be read beside it, see SettingsResult); false when it cannot be
// written.
bool SaveSettings();
bool SaveSettingsTo(const std::string& path);

struct SettingsResult {
    bool found = false;    // the file was there and could be read
    bool applied = false;  // it was of this build, so its values were taken
    // The file was read whole as this build's own: "[general]" to its last
    // key and every preset block it announces. A file that is not (garbage,
    // another encoding, cut short, another build's) is kept at the next
    // save under `keptAs` beside the new one, and `notice` says so for the
    // log.
    bool whole = false;
    std::string keptAs;
    std::string notice;
    // The check boxes, radio buttons and edits ("Form1.CheckBox30") whose
    // state the file changed, in the order of the control table. Their click
    // or change handlers are to run now, as they would for the user's own
    // change; the output size edits Form1.Edit47 and Form1.Edit48 are left
    // out, since their handlers stay detached while they are restored.
    std::vector<std::string> changedControls;
};

// Reads SettingsFilePath() when it exists and is not blank.
SettingsResult LoadSettings();
SettingsResult LoadSettingsFrom(const std::string& path);
// Takes the settings from the text of a file. A file of another build is
// ignored whole; malformed lines, unknown keys, bad numbers and broken preset
// blocks are skipped and the values in force stay.
SettingsResult ApplySettingsText(std::string_view text);

// The folders that the export options and the DAZ Studio import dialogs
// start with: the program's folder (without the final "/").
void InitDialogFolders();
