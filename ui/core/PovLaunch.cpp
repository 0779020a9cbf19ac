#include "ui/core/PovLaunch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "model/PovReservedWords.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/FolderListing.h"
#include "platform/SystemShell.h"
#include "ui/core/Shell.h"
#include "writers/FileText.h"

namespace {

namespace fs = std::filesystem;

// The show state the shell gets: a normal window.
constexpr int ShowNormal = 1;

bool Started(int result) { return result > ShellFailed; }

// Two names of one folder, with or without a final "/".
bool SameFolder(std::string a, std::string b) {
    while (a.size() > 1 && a.back() == '/') a.pop_back();
    while (b.size() > 1 && b.back() == '/') b.pop_back();
    return a == b;
}

// `file` as POV-Ray working in `folder` finds it: by its name when it lies
// there, else by its full path, else by its way from the folder, the first
// that `form` makes a name POV-Ray takes of ("" when it makes none). A
// folder name POV-Ray cannot take is often shared by both paths (the
// user's home): the way from the working folder leaves it out.
std::string NamedFrom(const std::string& file, const std::string& folder,
                      const std::function<std::string(const std::string&)>& form) {
    if (SameFolder(ExtractFilePath(file), folder)) return form(ExtractFileName(file));
    if (std::string named = form(file); !named.empty()) return named;
    std::error_code ec;
    const std::string relative = fs::relative(file, folder.empty() ? "." : folder, ec).string();
    return ec || relative.empty() ? std::string() : form(relative);
}

// The INI file as the word of POV-Ray's command line that names it from
// `folder` (NamedFrom); "" when no word carries it.
std::string IniArgument(const std::string& iniFile, const std::string& folder) {
    return NamedFrom(iniFile, folder, [](const std::string& name) { return PovRayCommandWord(name); });
}

// POV-Ray's settings file, which it reads from its working folder unless
// $POVINI names a file it opens.
constexpr std::string_view SettingsFile = "povray.ini";
// The file that the Parse_String macro of the standard includes writes into
// the working folder and reads back.
constexpr std::string_view ParseStringFile = "parse_string.tmp";
// What the user can do about a file that stops a start.
constexpr std::string_view Remedy = "; move or rename it, or choose another output folder";

// True when POV-Ray started now reads the settings file of its working
// folder: $POVINI, as the start gets it (PovRayEnvironment), names nothing
// it opens.
bool ReadsFolderSettings() {
    const char* named = std::getenv("POVINI");
    if (!named || !*named) return true;
    std::string path = named;
    if (const std::vector<std::string> changes = PovRayEnvironment(); !changes.empty())
        path = changes.front().substr(changes.front().find('=') + 1);
    if (path.empty()) return true;
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return true;
    ::close(file);
    return false;
}

// Whether POV-Ray reads the file `name` of its working folder in place of its
// own, and what it takes it for.
enum class OwnFile { None, Settings, Include };
OwnFile OwnFileKind(std::string_view name, bool folderSettings) {
    if (folderSettings && SameText(name, SettingsFile)) return OwnFile::Settings;
    return IsPovRaySceneInclude(name) ? OwnFile::Include : OwnFile::None;
}

// What POV-Ray, working in `folder`, would do with a file of PovRayOwnFileIn
// there: "would read ..." with what the user can do; "" when there is none.
std::string OwnFileHazard(const std::string& folder) {
    const std::string own = PovRayOwnFileIn(folder);
    if (own.empty()) return {};
    const std::string file = OneLineText(own);
    if (OwnFileKind(ExtractFileName(own), true) == OwnFile::Settings)
        return "would read its settings from " + file + std::string(Remedy);
    return "would read " + file + " in place of its include file of that name" + std::string(Remedy);
}

// What POV-Ray would do with a file it writes in `folder` for the render of
// `iniLines` that it may not (PovRayMayWrite): "would write ..." with what
// the user can do; "" when there is none. parse_string.tmp is written only
// by a scene that may run code (`code`), or may read such a text through a
// file the INI file names.
std::string WriteHazard(const std::string& folder, const std::vector<std::string>& iniLines, bool code) {
    const PovRayRender render = ReadPovRayRender(iniLines);
    const std::string stem = PovRayRenderStem(render);
    const std::string dir = folder.empty() ? std::string(".") : folder;
    std::string found, what;
    const auto check = [&](const std::string& name, std::string_view kind) {
        if (PovRayMayWrite(JoinPath(dir, name))) return true;
        found = JoinPath(dir, name);
        what = kind;
        return false;
    };
    const bool free = (stem.empty() ||
                       ForEachPovRayFile(stem, render.typeExtension,
                                         PovRayFramesOf(render.initialFrame, render.finalFrame),
                                         [&](const std::string& name, bool picture) {
                                             return check(name, picture ? "its picture" : "its render state file");
                                         })) &&
                      (!(code || render.includesIni || render.includesHeader) ||
                       check(std::string(ParseStringFile), "the file"));
    if (free) return {};
    return "would write " + what + " " + OneLineText(found) +
           ", which is a link or not a plain file" + std::string(Remedy);
}

// What POV-Ray would do with a map of `maps` that it opens in `folder`
// (PovRayMapFile) and that is not a regular file: "would read ..." with what
// the user can do; "" when there is none.
std::string MapHazard(const std::string& folder, const std::vector<std::string>& maps) {
    for (const std::string& map : maps) {
        const std::string file = PovRayMapFile(map, folder);
        struct stat entry {};
        if (file.empty() || (::stat(file.c_str(), &entry) == 0 && S_ISREG(entry.st_mode))) continue;
        return "would read the map " + OneLineText(file) +
               ", which is not a regular file; put a picture in its place or choose another map";
    }
    return {};
}

}  // namespace

std::vector<std::string> PovRayIniLines(const std::string& iniFile) {
    std::vector<std::string> lines;
    std::error_code ec;
    TextLineReader reader;
    if (!fs::is_regular_file(iniFile, ec) || !reader.Open(iniFile)) return lines;
    while (!reader.Eof()) lines.emplace_back(reader.ReadLine());
    return lines;
}

namespace {

// A number POV-Ray reads in a setting; none when the text is none.
std::optional<double> SettingNumber(std::string_view text) {
    double value = 0;
    if (!ParseDouble(Trim(text), value) || !std::isfinite(value)) return std::nullopt;
    return value;
}

// `text` without the double quotes around it.
std::string Unquoted(std::string_view text) {
    std::string value = Trim(text);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
}

// The extension of the pictures of the type letter of Output_File_Type; ""
// for a letter of no type POV-Ray writes here.
std::string_view TypeExtension(char type) {
    switch (type) {
        case 'c': case 'C': case 't': case 'T': return ".tga";
        case 'n': case 'N': return ".png";
        case 'p': case 'P': return ".ppm";
        case 'b': case 'B': return ".bmp";
        case 'e': case 'E': return ".exr";
        case 'h': case 'H': return ".hdr";
        case 'j': case 'J': return ".jpg";
        default: return {};
    }
}

// A frame number, within what a whole number holds.
int64_t FrameNumber(double value) { return static_cast<int64_t>(std::clamp(value, -1e15, 1e15)); }

int Digits(int64_t n) {
    int digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

}  // namespace

bool PovRayReadsName(std::string_view name) {
    const bool control =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    const bool bothQuotes = name.find('"') != std::string_view::npos && name.find('\'') != std::string_view::npos;
    return !control && !bothQuotes && IsPlainASCII(name);
}

std::string PovRayInputName(const std::string& file, const std::string& folder) {
    return NamedFrom(file, folder,
                     [](const std::string& name) { return PovRayReadsName(name) ? name : std::string(); });
}

std::string PovRayOwnFileIn(const std::string& folder) {
    const std::string dir = folder.empty() ? std::string(".") : folder;
    const bool settings = ReadsFolderSettings();
    std::string first;
    const bool listed = ForEachInFolder(dir, [&](std::string_view name, mode_t) {
        if (OwnFileKind(name, settings) != OwnFile::None && (first.empty() || name < first)) first = name;
    });
    if (!listed) {
        std::error_code ec;
        // A folder that cannot be listed: the names as POV-Ray would open them.
        first.clear();
        std::vector<std::string_view> names(PovRaySceneIncludes().begin(), PovRaySceneIncludes().end());
        if (settings) names.insert(std::lower_bound(names.begin(), names.end(), SettingsFile), SettingsFile);
        for (const std::string_view name : names)
            if (fs::symlink_status(JoinPath(dir, name), ec).type() != fs::file_type::not_found && !ec) {
                first = name;
                break;
            }
    }
    return first.empty() ? std::string() : JoinPath(dir, first);
}

PovRayRender ReadPovRayRender(const std::vector<std::string>& iniLines) {
    PovRayRender render;
    const auto setType = [&](std::string_view value) {
        if (const std::string_view extension = TypeExtension(value.empty() ? ' ' : value.front()); !extension.empty())
            render.typeExtension = extension;
    };
    for (const std::string& line : iniLines) {
        std::string text = Trim(line);
        if (!text.empty() && text.front() == '[') break;
        // A comment runs from a ";" outside double quotes.
        bool quoted = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '"') quoted = !quoted;
            if (text[i] == ';' && !quoted) {
                text = Trim(text.substr(0, i));
                break;
            }
        }
        if (text.empty()) continue;
        if (text.front() == '+' || text.front() == '-') {
            // Switches, blank-separated.
            std::size_t start = 0;
            while (start < text.size()) {
                const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
                const std::string word = text.substr(start, end - start);
                start = text.find_first_not_of(" \t", end);
                if (start == std::string::npos) start = text.size();
                if (word.size() < 2) continue;
                const std::string_view body = std::string_view(word).substr(1);
                if (StartsWithNoCase(body, "HI")) {
                    render.includesHeader = true;
                } else if (StartsWithNoCase(body, "KFI")) {
                    render.initialFrame = SettingNumber(body.substr(3));
                } else if (StartsWithNoCase(body, "KFF")) {
                    render.finalFrame = SettingNumber(body.substr(3));
                } else if (body.front() == 'I' || body.front() == 'i') {
                    render.input = Unquoted(body.substr(1));
                } else if (body.front() == 'O' || body.front() == 'o') {
                    render.output = Unquoted(body.substr(1));
                } else if ((body.front() == 'F' || body.front() == 'f') && word.front() == '+') {
                    setType(body.substr(1));
                }
            }
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trim(text.substr(0, equals)), value = Unquoted(text.substr(equals + 1));
        if (SameText(key, "Input_File_Name")) render.input = value;
        else if (SameText(key, "Output_File_Name")) render.output = value;
        else if (SameText(key, "Output_File_Type")) setType(value);
        else if (SameText(key, "Initial_Frame")) render.initialFrame = SettingNumber(value);
        else if (SameText(key, "Final_Frame")) render.finalFrame = SettingNumber(value);
        else if (SameText(key, "Include_Ini")) render.includesIni = true;
        else if (SameText(key, "Include_Header")) render.includesHeader = true;
    }
    return render;
}

PovRayFrames PovRayFramesOf(std::optional<double> initialFrame, std::optional<double> finalFrame) {
    PovRayFrames frames;
    if (!initialFrame && !finalFrame) return frames;
    // POV-Ray counts frames from 1 when a setting is missing, and from 0 at
    // the least.
    const int64_t initial = FrameNumber(initialFrame.value_or(1)), final = FrameNumber(finalFrame.value_or(1));
    if (initialFrame && finalFrame) {
        // The pictures get no number only for one frame numbered 0 or 1.
        frames.plain = initial == final && (initial == 0 || initial == 1);
        frames.numbered = !frames.plain;
        frames.first = std::max<int64_t>(initial, 0);
        frames.last = std::max(final, frames.first);
    } else {
        // Either kind, frames from the lower number to the higher one.
        frames.numbered = true;
        frames.first = std::max<int64_t>(std::min(initial, final), 0);
        frames.last = std::max<int64_t>({initial, final, 1});
    }
    frames.width = Digits(frames.last);
    return frames;
}

std::string PovRayPictureStem(std::string_view output, std::string_view typeExtension) {
    const std::size_t slash = output.rfind('/');
    const std::size_t dot = output.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::string(output);
    const std::string_view extension = output.substr(dot);
    return std::string(extension == "." || extension == typeExtension ? output.substr(0, dot) : output);
}

std::string PovRayRenderStem(const PovRayRender& render) {
    if (!render.output.empty() && render.output.back() != '/')
        return PovRayPictureStem(render.output, render.typeExtension);
    const std::string scene = ChangeFileExt(render.input, "");
    if (ExtractFileName(scene).empty()) return {};
    return render.output.empty() ? scene : render.output + ExtractFileName(scene);
}

bool ForEachPovRayFile(const std::string& stem, std::string_view typeExtension, const PovRayFrames& frames,
                       const std::function<bool(const std::string& name, bool picture)>& file) {
    const auto both = [&](const std::string& base) {
        return file(base + std::string(typeExtension), true) && file(base + ".pov-state", false);
    };
    if (frames.plain && !both(stem)) return false;
    if (frames.numbered)
        for (int64_t frame = frames.first; frame <= frames.last; ++frame) {
            std::string number = std::to_string(frame);
            if (static_cast<int>(number.size()) < frames.width)
                number.insert(0, static_cast<std::size_t>(frames.width) - number.size(), '0');
            if (!both(stem + number)) return false;
        }
    return true;
}

bool PovRayMayWrite(const std::string& path) {
    struct stat entry {};
    // Nothing there that can be seen: POV-Ray makes a new file, or fails.
    if (::lstat(path.c_str(), &entry) != 0) return true;
    return S_ISREG(entry.st_mode) && entry.st_nlink == 1;
}

std::string PovRayStartRefusal(const std::string& iniFile, const std::string& folder,
                               const std::vector<std::string>& iniLines, const PovRaySceneReads& reads) {
    if (std::string hazard = OwnFileHazard(folder); !hazard.empty()) return "POV-Ray was not started: it " + hazard;
    if (IniArgument(iniFile, folder).empty())
        return "POV-Ray cannot read an INI file whose name holds a double quote or a square bracket: " + iniFile;
    std::string hazard = WriteHazard(folder, iniLines, reads.code);
    if (hazard.empty()) hazard = MapHazard(folder, reads.maps);
    return hazard.empty() ? hazard : "POV-Ray was not started: it " + hazard;
}

std::string PovRayStartRefusal(const std::string& iniFile, const std::string& folder,
                               const PovRaySceneReads& reads) {
    return PovRayStartRefusal(iniFile, folder, PovRayIniLines(iniFile), reads);
}

std::string PovRayMapFile(const std::string& map, const std::string& folder) {
    // The extensions POV-Ray tries after the name for each image type, in
    // its order.
    static const std::pair<std::string_view, std::vector<std::string_view>> Extensions[] = {
        {"gif", {".gif", ".GIF"}}, {"tga", {".tga", ".TGA"}}, {"iff", {".iff", ".IFF"}},
        {"ppm", {".ppm", ".PPM"}}, {"pgm", {".pgm", ".PGM"}}, {"png", {".png", ".PNG"}},
        {"bmp", {".bmp", ".BMP"}}, {"jpeg", {".jpg", ".JPG", ".jpeg", ".JPEG"}},
        {"tiff", {".tif", ".TIF", ".tiff", ".TIFF"}}};
    const std::string type = PovImageKeyword(map);
    const auto kind = std::find_if(std::begin(Extensions), std::end(Extensions),
                                   [&](const auto& entry) { return entry.first == type; });
    if (map.empty() || kind == std::end(Extensions)) return {};
    std::vector<std::string> names;
    for (const std::string_view extension : kind->second) names.push_back(map + std::string(extension));
    const std::string_view own = std::string_view(map).substr(std::min(map.rfind('.'), map.size()));
    const bool first = std::find(kind->second.begin(), kind->second.end(), own) != kind->second.end();
    names.insert(first ? names.begin() : names.end(), map);
    const std::string dir = folder.empty() ? std::string(".") : folder;
    for (const std::string& name : names) {
        const std::string path = JoinPath(dir, name);
        // A name POV-Ray cannot open it passes by: nothing there, a link to
        // nothing, a file it may not read.
        struct stat entry {};
        if (::stat(path.c_str(), &entry) == 0 && (!S_ISREG(entry.st_mode) || ::access(path.c_str(), R_OK) == 0))
            return path;
    }
    return {};
}

std::string PovRayScriptHazard(const std::string& folder, const std::vector<std::string>& iniFiles,
                               const PovRaySceneReads& reads) {
    if (std::string hazard = OwnFileHazard(folder); !hazard.empty()) return hazard;
    for (const std::string& ini : iniFiles)
        if (std::string hazard = WriteHazard(folder, PovRayIniLines(ini), reads.code); !hazard.empty()) return hazard;
    return MapHazard(folder, reads.maps);
}

std::vector<std::string> PovRayEnvironment() {
    const char* named = std::getenv("POVINI");
    if (!named || !*named || *named == '/') return {};
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    return {"POVINI=" + (ec ? std::string() : JoinPath(here.string(), named))};
}

std::string PovRayProgram() {
    std::string name = Trim(Form1.Edit52.text);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = Trim(name.substr(1, name.size() - 2));
    return FindProgram(name);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string PovRayCommandWord(std::string_view name) {
    if (name.find_first_of("\"[]") != std::string_view::npos) return {};
    const auto plainChar = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' ||
               c == '/';
    };
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), plainChar);
    return plain ? std::string(name) : Quoted(name);
}

bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run,
                 const PovRaySceneReads& reads) {
    if (program.empty()) return false;
    if (const std::string refusal = PovRayStartRefusal(iniFile, folder, reads); !refusal.empty()) {
        LogMessage("<!>" + refusal);
        return false;
    }
    std::vector<std::string> arguments{IniArgument(iniFile, folder)};
    // The picture window of a render stays open when it is done; after each
    // frame of an animation it would wait for a key.
    if (run == PovRayRun::Render) {
        const PovRayRender render = ReadPovRayRender(PovRayIniLines(iniFile));
        if (!PovRayFramesOf(render.initialFrame, render.finalFrame).numbered) arguments.emplace_back("+P");
    }
    return Started(StartWithShell(program, arguments, folder, ShowNormal, PovRayEnvironment()));
}

bool OpenInEditor(const std::vector<std::string>& files) {
    bool all = true;
    for (const std::string& file : files)
        if (!Started(OpenWithShell(file, ShowNormal))) all = false;
    return all;
}

bool StartBatchScript(const std::string& script, const std::string& folder, const std::vector<std::string>& iniFiles,
                      const PovRaySceneReads& reads) {
    // The shell runs in `folder`: a script there is named from it (a relative
    // folder would otherwise be taken twice), and a relative name that begins
    // with "-" would be an option of the shell.
    std::string name = script;
    if (SameFolder(ExtractFilePath(script), folder))
        name = "./" + ExtractFileName(script);
    else if (!name.empty() && name.front() != '/')
        name = "./" + name;
    if (const std::string hazard = PovRayScriptHazard(folder, iniFiles, reads); !hazard.empty()) {
        LogMessage("<!>POV-Ray was not started: it " + hazard);
        return false;
    }
    return Started(StartWithShell("/bin/sh", {name}, folder, ShowNormal, PovRayEnvironment()));
}
