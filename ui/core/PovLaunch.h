// Starting POV-Ray on the files the program wrote: a render of an INI file
// (the scene saved by "Save && Render", a material or sky bake), the written
// files opened for editing, and the batch script. Everything is started
// through the shell (Svc().shell) and never waited for, so that tests see
// the exact program, arguments and working folder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a run of POV-Ray is for.
enum class PovRayRun {
    Render,  // a render the user looks at: its picture window stays open when done
    Bake,    // a render whose picture the program takes afterwards: it ends by itself
};

// The POV-Ray program that "POV-Ray executable" (Form1.Edit52) names, by the
// absolute path of the file checked, which every start runs whatever folder
// it works in (FindProgram): the text trimmed and without enclosing double
// quotes, taken as a path when it holds a "/" and looked up on PATH when it
// is a bare name ("povray"); "" when it names nothing that can be run.
std::string PovRayProgram();

// What the scene of a start has POV-Ray read besides its own scene files
// and POV-Ray's: the files they name as maps, as POV-Ray reads the names;
// and whether a text that may run a directive or a macro reaches it (a
// material text of the user's, a scene the user may have changed), which
// may open any file, among them parse_string.tmp, which the Parse_String
// macro of the standard includes writes into the working folder.
struct PovRaySceneReads {
    std::vector<std::string> maps;
    bool code = false;
};

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
// POV-Ray started now would read in place of its own file: a standard
// include file the program's scenes read (IsPovRaySceneInclude), and its
// settings file "povray.ini" while $POVINI names no file it opens. POV-Ray
// looks into its working folder first for both, so such a file that a
// model's archive left there runs in every render. Its path; "" when there
// is none. A folder that cannot be listed is searched for the names as
// POV-Ray opens them.
std::string PovRayOwnFileIn(const std::string& folder);

// The render the lines POV-Ray reads set: the scene (Input_File_Name, +I),
// the picture (Output_File_Name, +O; "" when the picture is named after the
// scene), whether it is written (Output_to_File, +F, -F) and its type
// (Output_File_Type, +F: its letter and extension), the frames
// (Initial_Frame, +KFI, Final_Frame, +KFF; POV-Ray takes 1 for one not
// given) and the subset of them rendered (Subset_Start_Frame, +SF,
// Subset_End_Frame, +EF).
struct PovRayRender {
    std::string input, output;
    std::string typeExtension = ".png";  // POV-Ray's own choice on this platform
    char type = 'N';
    bool toFile = true;
    std::optional<int64_t> initialFrame, finalFrame, subsetStart, subsetEnd;
    // Why the program cannot tell the render POV-Ray makes of the lines, as
    // "would ..." with what the user can do: a line that gives one of those
    // settings in another form than one setting on a line of its own with a
    // plain value (a whole number, a name, a type letter), which POV-Ray may
    // read otherwise than the program (it reads "Final_Frame=3 4" as 3, an
    // option after a switch, "0x3" as 0); an Include_Ini line, whose file is
    // not read here; or a subset beyond the frames (PovRayStartRender). ""
    // when it can.
    std::string unread;
    bool includesHeader = false;  // an Include_Header setting (+HI) reads a file into the scene
};
// The render the lines of the file `file` set, read after the render
// `render` of the files POV-Ray read before: a later setting wins, ";"
// begins a comment outside quotes, and a section ("[...]") ends what
// POV-Ray reads of a file named without one. Only the settings above are
// read; the first line that `unread` names stops the reading.
PovRayRender ReadPovRayRender(const std::vector<std::string>& lines, PovRayRender render = {},
                              std::string_view file = {});
// The lines of the INI file `iniFile` as POV-Ray reads them; none when it is
// not a regular file or cannot be read.
std::vector<std::string> PovRayIniLines(const std::string& iniFile);

// The settings file POV-Ray started now reads before the INI file it is
// given: the file $POVINI names (as PovRayEnvironment hands it on) when it
// opens, else the user's (~/.povray/3.7/povray.ini), else the system's,
// else the older names of those two; "" when none opens. (A povray.ini in
// its working folder, which it would read before the user's, stops the
// start: PovRayOwnFileIn.)
std::string PovRaySettingsFile();

// The render of a start of POV-Ray on the INI file `iniFile` that holds
// `iniLines`: the settings file it reads first, then those lines
// (ReadPovRayRender); `unread` also names a subset that does not lie within
// the frames, which POV-Ray would render beyond them.
PovRayRender PovRayStartRender(const std::string& iniFile, const std::vector<std::string>& iniLines);

// The words the program puts on POV-Ray's command line after the INI file,
// where they win over every setting POV-Ray read before, so that it renders
// the frames and writes the picture of `render` and nothing else, whatever
// a line the program did not read says: the frames (+KFI, +KFF) and the
// subset of them (+SF, +EF), the picture's name with its type's extension
// (+O, when it has one) and its type (+F and the letter, or -F).
std::vector<std::string> PovRayStatedSettings(const PovRayRender& render);

// The whole number POV-Ray reads in the INI value `value` (of
// "Initial_Frame=..."): the part after the last comma outside quotes, up to
// a ";", without blanks and one pair of quotes, read as a sign and the
// digits that follow, then cut to the 32 bits it keeps ("1e1" is 1, "0x3"
// 0, "99999999999" 1215752191); none when it holds no digit there.
std::optional<int64_t> PovRayIniInteger(std::string_view value);
// The whole number `text` shows plainly: digits with a sign or not and a
// fraction of zeros or not ("7", "+7", "7.0"), within 32 bits; POV-Ray reads
// such a text as that number. None for any other text.
std::optional<int64_t> PlainFrameNumber(std::string_view text);

// The frames POV-Ray renders: frames first to last, each picture named with
// its number in `width` digits, or one picture with no number (`plain`).
// Where POV-Ray's choice depends on more than the two settings (one of them
// missing), both kinds are given.
struct PovRayFrames {
    bool plain = true, numbered = false;
    int64_t first = 0, last = 0;
    int width = 1;
};
PovRayFrames PovRayFramesOf(std::optional<int64_t> initialFrame, std::optional<int64_t> finalFrame);
// Those of `render`, whose frames not given are 1: of an animation, the
// subset of them, numbered as all of them are.
PovRayFrames PovRayFramesOf(const PovRayRender& render);

// The picture name POV-Ray adds the frame number and its extensions to:
// `output` without its extension when that is the type's (".png" for a
// PNG) or empty; `output` as it stands otherwise.
std::string PovRayPictureStem(std::string_view output, std::string_view typeExtension);

// The picture stem of a render: its picture's (PovRayPictureStem), or the
// scene's name without its extension when the picture is named after it,
// beside the scene or in the folder named; "" when there is none.
std::string PovRayRenderStem(const PovRayRender& render);

// Calls `file` with the name of every file POV-Ray writes for a render of
// the picture stem `stem`, frame by frame: the picture, then its render
// state file (stem, frame number, ".pov-state"), which it truncates, writes
// and deletes again. Stops when `file` returns false; true when it never did.
bool ForEachPovRayFile(const std::string& stem, std::string_view typeExtension, const PovRayFrames& frames,
                       const std::function<bool(const std::string& name, bool picture)>& file);

// True when POV-Ray may create, truncate or replace `path` and write into
// that file only: nothing of that name, judged without following a link,
// or a regular file that no other name shares.
bool PovRayMayWrite(const std::string& path);

// Why POV-Ray must not be started in `folder` on the INI file `iniFile`
// (named in full) that holds `iniLines`, for a scene that reads `reads`:
// the folder holds a file of PovRayOwnFileIn; the INI file's name is one no
// word of its command line carries; the program cannot tell the render
// (PovRayStartRender, its `unread`); a file POV-Ray would write there for
// the render (each picture and render state file, ForEachPovRayFile, and
// parse_string.tmp when the scene may run code or the INI file reads
// another file into it) is a link or not a plain file, through which it
// would write outside its folder (PovRayMayWrite); or a map it would open
// (PovRayMapFile) is not a regular file, a fifo on which it would wait for
// ever among them. The line names the file and what the user can do. ""
// when it may start.
std::string PovRayStartRefusal(const std::string& iniFile, const std::string& folder,
                               const std::vector<std::string>& iniLines, const PovRaySceneReads& reads = {});
// The same for the INI file as it stands (no lines when it cannot be read).
std::string PovRayStartRefusal(const std::string& iniFile, const std::string& folder,
                               const PovRaySceneReads& reads = {});

// The file POV-Ray, working in `folder`, opens for the map it reads as
// `map`: the first of the names it tries (the name, and the name with each
// extension of the map's image type, the name first when it ends in one of
// them), from the folder unless it is absolute, that names a file it can
// open; "" when none does, or when the map has no image type POV-Ray reads,
// which it refuses before it opens any file.
std::string PovRayMapFile(const std::string& map, const std::string& folder);

// Why POV-Ray, started in `folder` by a batch script on each of `iniFiles`
// (named in full) for scenes that read `reads`, would read a file in place
// of its own, render what the program cannot tell, write through a link or
// open a map that is not a regular file, as in PovRayStartRefusal:
// "would ...", with what the user can do; "" when it would not.
std::string PovRayScriptHazard(const std::string& folder, const std::vector<std::string>& iniFiles,
                               const PovRaySceneReads& reads = {});

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
// POV-Ray reads that file and nothing else. The frames and the picture
// follow on the command line (PovRayStatedSettings). A render of one
// picture keeps its picture window open when done ("+P"); an animation's
// does not pause. POV-Ray gets PovRayEnvironment(). True when it was
// started; a start that PovRayStartRefusal refuses is logged with a
// "<!>" line; `reads` is what its scene reads.
bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run,
                 const PovRaySceneReads& reads = {});

// Opens each file with the desktop's opener, which shows it by its type
// (the editor for its text); a file is never run. True when every file was
// handed on.
bool OpenInEditor(const std::vector<std::string>& files);

// Runs the batch script `script` with the POSIX shell in `folder`, the
// folder its INI files are named relative to. True when it was started; the
// start is refused with a "<!>" line when POV-Ray run by the script on
// `iniFiles` (named in full) for scenes that read `reads` would read a file
// of the folder in place of its own, write through a link or open a map
// that is not a regular file (PovRayScriptHazard).
bool StartBatchScript(const std::string& script, const std::string& folder,
                      const std::vector<std::string>& iniFiles = {}, const PovRaySceneReads& reads = {});
