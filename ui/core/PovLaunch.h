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

// True when POV-Ray reads a file's name as it stands, in an INI file or
// written by it: no control character, no letter beyond ASCII and not both
// kinds of quote marks.
bool PovRayReadsName(std::string_view name);

// The name by which POV-Ray, working in `folder`, finds `file` named in an
// INI file (it looks for it from its working folder): the file's own name
// when it lies in that folder, else its full path, else its path relative to
// the folder, the first that POV-Ray reads (PovRayReadsName); "" when none.
std::string PovRayInputName(const std::string& file, const std::string& folder);

// The first entry of `folder` ("" is the current one), in name order, that
// POV-Ray would read in place of its own file: its settings file or a file
// of its standard include folder (IsPovRayOwnFileName). POV-Ray looks into
// its working folder first for both, so such a file that a model's archive
// left there runs in every render. Its path; "" when there is none. A
// folder that cannot be listed is searched for the names as POV-Ray opens
// them.
std::string PovRayOwnFileIn(const std::string& folder);

// Why POV-Ray must not be started in `folder` on the INI file `iniFile`
// (named in full): the folder holds a file of PovRayOwnFileIn, or the INI
// file's name is one no word of its command line carries. "" when it may.
std::string PovRayStartRefusal(const std::string& iniFile, const std::string& folder);

// The changes to this process's environment that a POV-Ray run started by
// the program gets ("NAME=value" each). POV-Ray reads the settings file the
// user's $POVINI names, the user's, the system's, as it does when started by
// hand; a relative $POVINI is made absolute against this process's working
// folder, so that it names the same file from the folder POV-Ray works in
// (when that folder is gone, an empty name, which names no file: POV-Ray
// then reads the user's or the system's).
std::vector<std::string> PovRayEnvironment();

// Starts `program` on the INI file `iniFile` (named in full) with `folder` as
// its working folder: POV-Ray may write only in its working folder, so the
// rendered picture and every file of the render land there. The INI file is
// named as in PovRayInputName, by the first name a word of the command line
// carries (PovRayCommandWord), so that whatever the folders' names hold,
// POV-Ray reads that file and nothing else. A render keeps its picture
// window open when done ("+P"). POV-Ray gets PovRayEnvironment(). True when
// it was started; a start that PovRayStartRefusal refuses is logged with a
// "<!>" line.
bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run);

// Opens each file with the desktop's opener, which shows it by its type
// (the editor for its text); a file is never run. True when every file was
// handed on.
bool OpenInEditor(const std::vector<std::string>& files);

// Runs the batch script `script` with the POSIX shell in `folder`, the
// folder its INI files are named relative to. True when it was started; the
// start is refused with a "<!>" line while the folder holds a file of
// PovRayOwnFileIn.
bool StartBatchScript(const std::string& script, const std::string& folder);
