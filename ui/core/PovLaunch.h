// Starting POV-Ray on the files the program wrote: a render of an INI file
// (the scene saved by "Save && Render", a material or sky bake), the written
// files opened for editing, and the batch script. Everything is started
// through the shell (Svc().shell) and never waited for, so that tests see
// the exact program, arguments and working folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a run of POV-Ray is for.
enum class PovRayRun {
    Render,  // a render the user looks at: its picture window stays open when done
    Bake,    // a render whose picture the program takes afterwards: it ends by itself
};

// The POV-Ray program that "POV-Ray executable" (Form1.Edit52) names, as
// the program starts it: the text trimmed and without enclosing double
// quotes, taken as a path when it holds a "/" and looked up on PATH when it
// is a bare name ("povray"); "" when it names nothing that can be run.
std::string PovRayProgram();

// `text` between double quotes.
std::string Quoted(std::string_view text);

// The INI file `name` as one word of POV-Ray's command line. POV-Ray joins
// its arguments and splits them again at blanks, takes a word in double
// quotes whole, and reads "[...]" after an INI file name as a section of
// it: a name of letters, digits, "_", "." and "/" stands as it is, any
// other goes in double quotes, and a name that holds a double quote or a
// square bracket, which no word can carry, gives "".
std::string PovRayCommandWord(std::string_view name);

// POV-Ray reads the settings file "povray.ini" of its working folder before
// anything else unless $POVINI names one; a povray.ini that a model's
// archive left beside the outputs would set options of every render (an
// include read first, pictures written elsewhere). The settings file that
// POV-Ray reads when the folder holds none: the one $POVINI names, the
// user's, the system's, or else an empty file of the program's own; "" when
// not even that can be made.
std::string PovRaySettingsFile();
// Names PovRaySettingsFile() in $POVINI for the POV-Ray runs the program
// starts (the renders and the batch script inherit it).
void NamePovRaySettingsFile();

// Starts `program` on the INI file `iniFile` (named in full) with `folder` as
// its working folder: POV-Ray may write only in its working folder, so the
// rendered picture and every file of the render land there. An INI file in
// that folder is named without its folder, so that whatever the folder's
// name holds, POV-Ray reads that file and nothing else. A render keeps its
// picture window open when done ("+P"). True when it was started; an INI
// name POV-Ray cannot take is logged with a "<!>" line.
bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run);

// Opens each file with the desktop's opener, which shows it by its type
// (the editor for its text); a file is never run. True when every file was
// handed on.
bool OpenInEditor(const std::vector<std::string>& files);

// Runs the batch script `script` with the POSIX shell in `folder`, the
// folder its INI files are named relative to. True when it was started.
bool StartBatchScript(const std::string& script, const std::string& folder);
