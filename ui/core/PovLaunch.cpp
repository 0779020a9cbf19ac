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

// True when `path` names a file that opens for reading, as POV-Ray opens its
// settings files (without waiting on a fifo).
bool Opens(const std::string& path) {
    if (path.empty()) return false;
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return false;
    ::close(file);
    return true;
}

// The file $POVINI names, as POV-Ray started now gets it
// (PovRayEnvironment), when it opens; "" otherwise.
std::string NamedSettingsFile() {
    const char* named = std::getenv("POVINI");
    if (!named || !*named) return {};
    std::string path = named;
    if (const std::vector<std::string> changes = PovRayEnvironment(); !changes.empty())
        path = changes.front().substr(changes.front().find('=') + 1);
    return Opens(path) ? path : std::string();
}

// True when POV-Ray started now reads the settings file of its working
// folder: $POVINI names nothing it opens.
bool ReadsFolderSettings() { return NamedSettingsFile().empty(); }

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

// What POV-Ray would do with a file it writes in `folder` for `render`
// that it may not (PovRayMayWrite): "would write ..." with what the user can
// do; "" when there is none. parse_string.tmp is written only by a scene
// that may run code (`code`), or may read such a text through a file the
// INI file names.
std::string WriteHazard(const std::string& folder, const PovRayRender& render, bool code) {
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
                       ForEachPovRayFile(stem, render.typeExtension, PovRayFramesOf(render),
                                         [&](const std::string& name, bool picture) {
                                             return check(name, picture ? "its picture" : "its render state file");
                                         })) &&
                      (!(code || render.includesHeader) ||
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

// What POV-Ray would do in `folder` for `render` that it must not: render
// what the program cannot tell, or write through a link (WriteHazard) for a
// scene that may run code or not.
std::string RenderHazard(const std::string& folder, const PovRayRender& render, bool code) {
    return render.unread.empty() ? WriteHazard(folder, render, code) : render.unread;
}

// PovRayStartRefusal for the render its INI file sets (PovRayStartRender).
std::string StartRefusal(const std::string& iniFile, const std::string& folder, const PovRayRender& render,
                         const PovRaySceneReads& reads) {
    if (std::string hazard = OwnFileHazard(folder); !hazard.empty()) return "POV-Ray was not started: it " + hazard;
    if (IniArgument(iniFile, folder).empty())
        return "POV-Ray cannot read an INI file whose name holds a double quote or a square bracket: " + iniFile;
    std::string hazard = RenderHazard(folder, render, reads.code);
    if (hazard.empty()) hazard = MapHazard(folder, reads.maps);
    return hazard.empty() ? hazard : "POV-Ray was not started: it " + hazard;
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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The settings of a render that the program reads, each by its INI name, its
// switch (after "+" or "-") and the kind of its value.
enum class Value { Frame, Name, Type, OnOff, Ini };
struct Setting {
    std::string_view key, option;
    Value value;
    std::optional<int64_t> PovRayRender::*frame = nullptr;
    std::string PovRayRender::*name = nullptr;
};
constexpr Setting Settings[] = {
    {"Initial_Frame", "KFI", Value::Frame, &PovRayRender::initialFrame},
    {"Final_Frame", "KFF", Value::Frame, &PovRayRender::finalFrame},
    {"Subset_Start_Frame", "SF", Value::Frame, &PovRayRender::subsetStart},
    {"Subset_End_Frame", "EF", Value::Frame, &PovRayRender::subsetEnd},
    {"Input_File_Name", "I", Value::Name, nullptr, &PovRayRender::input},
    {"Output_File_Name", "O", Value::Name, nullptr, &PovRayRender::output},
    {"Output_File_Type", "F", Value::Type},
    {"Output_to_File", "", Value::OnOff},
    {"Include_Ini", "", Value::Ini},
};

// How a line gives a setting of each kind plainly.
std::string_view PlainValue(Value value) {
    switch (value) {
        case Value::Frame: return "<whole number>";
        case Value::Name: return "<name in double quotes>";
        case Value::Type: return "<letter C, T, N, P, B, J, E or H>";
        default: return "<on or off>";
    }
}

// The setting of a switch (the word without its "+" or "-"); none for one
// the program does not read. No switch POV-Ray reads starts like another of
// these.
const Setting* SwitchSetting(std::string_view body) {
    for (const Setting& s : Settings)
        if (!s.option.empty() && StartsWithNoCase(body, s.option)) return &s;
    return nullptr;
}

const Setting* KeySetting(std::string_view key) {
    for (const Setting& s : Settings)
        if (SameText(key, s.key)) return &s;
    return nullptr;
}

// A name as POV-Ray takes it from `text`: in double or single quotes that
// it does not hold, or without blanks, quotes, ",", ";", "=" or brackets (a
// comma starts another value); not "-" (the standard output) and with no
// blank at either end; "" for none. None for any other text.
std::optional<std::string> PlainName(std::string_view text) {
    std::string_view name = text;
    if (!text.empty() && (text.front() == '"' || text.front() == '\'')) {
        if (text.size() < 2 || text.back() != text.front()) return std::nullopt;
        name = text.substr(1, text.size() - 2);
        if (name.find(text.front()) != std::string_view::npos) return std::nullopt;
    } else if (text.find_first_of(" \t\"',;=[]") != std::string_view::npos) {
        return std::nullopt;
    }
    if (name == "-" || TrimmedView(name).size() != name.size()) return std::nullopt;
    return std::string(name);
}

// Takes the value `value` of the setting `s` into `render`, from a switch
// led by `sign` ("+" or "-") or an INI line (0). False when the value is not
// plain.
bool TakeSetting(const Setting& s, char sign, std::string_view value, PovRayRender& render) {
    switch (s.value) {
        case Value::Frame: {
            const std::optional<int64_t> frame = PlainFrameNumber(value);
            if (frame) render.*s.frame = frame;
            return frame.has_value();
        }
        case Value::Name: {
            // No picture name names the picture after the scene; with no
            // scene POV-Ray waits on its input for one.
            std::optional<std::string> name = PlainName(value);
            if (!name || (name->empty() && s.name == &PovRayRender::input)) return false;
            render.*s.name = std::move(*name);
            return true;
        }
        case Value::Type: {
            // A switch writes the picture ("+F...") or not ("-F..."), of the
            // type its letter gives, with a number of bits or not.
            if (sign) render.toFile = sign == '+';
            if (value.empty()) return sign != 0;
            const std::string_view extension = TypeExtension(value.front());
            if (extension.empty() || !std::all_of(value.begin() + 1, value.end(), IsDigit)) return false;
            render.type = static_cast<char>(value.front() & ~0x20);
            render.typeExtension = extension;
            return true;
        }
        case Value::OnOff: {
            const auto is = [&](std::string_view word) { return SameText(value, word); };
            const bool on = is("on") || is("true") || is("yes") || is("1");
            const bool off = is("off") || is("false") || is("no") || is("0");
            if (on || off) render.toFile = on;
            return on || off;
        }
        case Value::Ini: break;
    }
    return false;
}

// The place of the first `wanted` in `text` that stands outside double and
// single quotes; npos when there is none.
std::size_t FindOutsideQuotes(std::string_view text, char wanted) {
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == wanted) {
            return i;
        } else if (c == '"' || c == '\'') {
            quote = c;
        }
    }
    return std::string_view::npos;
}

// `line` up to its comment, which a ";" outside quotes begins.
std::string_view WithoutComment(std::string_view line) { return line.substr(0, FindOutsideQuotes(line, ';')); }

// The words of `text`, split at blanks and tabs outside quotes.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    char quote = 0;
    std::size_t start = std::string_view::npos;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == ' ' || c == '\t') {
            if (start != std::string_view::npos) words.push_back(text.substr(start, i - start));
            start = std::string_view::npos;
            continue;
        }
        if (start == std::string_view::npos) start = i;
        if (c == '"' || c == '\'') quote = c;
    }
    if (start != std::string_view::npos) words.push_back(text.substr(start));
    return words;
}

// Why the program cannot tell what the line `line` of `file` sets for `s`.
std::string UnreadLine(const Setting& s, std::string_view line, std::string_view file) {
    const std::string where =
        "the line " + Quoted(OneLineText(Trim(line))) + (file.empty() ? "" : " of " + OneLineText(file));
    if (s.value == Value::Ini)
        return "would read settings from the file named in " + where +
               ", which the program does not read; write those settings among the INI options instead";
    return "would take " + std::string(s.key) + " from " + where +
           ", a form the program does not read; write it on a line of its own as " + std::string(s.key) + "=" +
           std::string(PlainValue(s.value));
}

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

PovRayRender ReadPovRayRender(const std::vector<std::string>& lines, PovRayRender render, std::string_view file) {
    for (const std::string& line : lines) {
        if (!render.unread.empty()) break;
        const std::string_view text = TrimmedView(WithoutComment(line));
        if (text.empty()) continue;
        if (text.front() == '[') break;
        const std::vector<std::string_view> words = Words(text);
        const auto isSwitch = [](std::string_view word) { return word.front() == '+' || word.front() == '-'; };
        const std::string lower = LowerCase(text);
        // A header file read into the scene (Include_Header, "+HI") may run
        // code of its own.
        if (lower.find("include_header") != std::string::npos ||
            std::any_of(words.begin(), words.end(),
                        [&](std::string_view w) { return isSwitch(w) && StartsWithNoCase(w.substr(1), "HI"); }))
            render.includesHeader = true;
        // The setting the line gives: by a switch of a line of switches, or
        // by a line "name=value" of its own. A line that names one anywhere
        // else (after a switch, after another setting) gives it otherwise.
        const Setting* named = nullptr;
        bool plain = true;
        if (std::all_of(words.begin(), words.end(), isSwitch)) {
            for (const std::string_view word : words)
                if (const Setting* s = SwitchSetting(word.substr(1)); s && plain) {
                    named = s;
                    plain = TakeSetting(*s, word.front(), word.substr(1 + s->option.size()), render);
                }
        } else {
            for (const Setting& s : Settings)
                if (!named && lower.find(LowerCase(s.key)) != std::string::npos) named = &s;
            for (const std::string_view word : words)
                if (!named && isSwitch(word)) named = SwitchSetting(word.substr(1));
            const std::size_t equals = text.find('=');
            const Setting* key =
                equals == std::string_view::npos ? nullptr : KeySetting(TrimmedView(text.substr(0, equals)));
            if (key) named = key;
            plain = key ? TakeSetting(*key, 0, TrimmedView(text.substr(equals + 1)), render) : !named;
        }
        if (!plain) render.unread = UnreadLine(*named, line, file);
    }
    return render;
}

std::string PovRaySettingsFile() {
    if (std::string named = NamedSettingsFile(); !named.empty()) return named;
    const char* home = std::getenv("HOME");
    const std::string user = home && *home ? std::string(home) : std::string();
    for (const std::string& file : {user.empty() ? std::string() : user + "/.povray/3.7/povray.ini",
                                    std::string("/etc/povray/3.7/povray.ini"),
                                    user.empty() ? std::string() : user + "/.povrayrc", std::string("/etc/povray.ini")})
        if (Opens(file)) return file;
    return {};
}

PovRayRender PovRayStartRender(const std::string& iniFile, const std::vector<std::string>& iniLines) {
    PovRayRender render;
    if (const std::string settings = PovRaySettingsFile(); !settings.empty())
        render = ReadPovRayRender(PovRayIniLines(settings), render, settings);
    render = ReadPovRayRender(iniLines, std::move(render), iniFile);
    // A subset beyond the frames makes POV-Ray render frames past them.
    const int64_t initial = render.initialFrame.value_or(1), final = render.finalFrame.value_or(1);
    const int64_t start = render.subsetStart.value_or(initial), end = render.subsetEnd.value_or(final);
    if (render.unread.empty() && (render.subsetStart || render.subsetEnd) &&
        !(initial <= start && start <= end && end <= final))
        render.unread = "would render the frames " + std::to_string(start) + " to " + std::to_string(end) +
                        " of its subset (Subset_Start_Frame, Subset_End_Frame), which do not lie within its frames " +
                        std::to_string(initial) + " to " + std::to_string(final) +
                        " (Initial_Frame, Final_Frame); set the subset within those frames, or remove it";
    return render;
}

std::vector<std::string> PovRayStatedSettings(const PovRayRender& render) {
    // The frames, and of an animation the subset of them the program
    // checked the files of.
    const int64_t initial = render.initialFrame.value_or(1), final = render.finalFrame.value_or(1);
    const PovRayFrames frames = PovRayFramesOf(render);
    std::vector<std::string> words = {"+KFI" + std::to_string(initial), "+KFF" + std::to_string(final),
                                      "+SF" + std::to_string(frames.numbered ? frames.first : initial),
                                      "+EF" + std::to_string(frames.numbered ? frames.last : final)};
    // The picture's name as one word: as it stands, or in quotes of a kind
    // it does not hold (a name the reader took holds one kind at most).
    if (const std::string name = PovRayRenderStem(render) + render.typeExtension; name != render.typeExtension) {
        const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
            return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' || c == '/' ||
                   c == '-';
        });
        const char quote = name.find('"') == std::string::npos ? '"' : '\'';
        words.push_back("+O" + (plain ? name : quote + name + quote));
    }
    words.push_back(render.toFile ? std::string("+F") + render.type : std::string("-F"));
    return words;
}

std::optional<int64_t> PlainFrameNumber(std::string_view text) {
    const std::string_view t = TrimmedView(text);
    std::size_t i = !t.empty() && (t.front() == '+' || t.front() == '-') ? 1 : 0;
    const std::size_t first = i;
    int64_t value = 0;
    for (; i < t.size() && IsDigit(t[i]) && value <= INT32_MAX; ++i) value = value * 10 + (t[i] - '0');
    if (i == first || value > INT32_MAX) return std::nullopt;
    // A fraction of zeros, "7." or "7.00".
    if (i < t.size() && t[i] == '.')
        for (++i; i < t.size() && t[i] == '0';) ++i;
    if (i != t.size()) return std::nullopt;
    return t.front() == '-' ? -value : value;
}

std::optional<int64_t> PovRayIniInteger(std::string_view value) {
    // The last of the values a comma separates, up to a comment.
    std::string_view text = WithoutComment(value);
    for (std::size_t comma = FindOutsideQuotes(text, ','); comma != std::string_view::npos;
         comma = FindOutsideQuotes(text, ','))
        text.remove_prefix(comma + 1);
    text = TrimmedView(text);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = TrimmedView(text.substr(1, text.size() - 2));
    std::size_t i = !text.empty() && (text.front() == '+' || text.front() == '-') ? 1 : 0;
    if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
    // Read into 64 bits (at most their largest value), then cut to 32.
    uint64_t n = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        n = n > (INT64_MAX - 9) / 10 ? static_cast<uint64_t>(INT64_MAX) : n * 10 + static_cast<uint64_t>(text[i] - '0');
    const uint64_t bits = text.front() == '-' ? 0 - n : n;
    return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

PovRayFrames PovRayFramesOf(std::optional<int64_t> initialFrame, std::optional<int64_t> finalFrame) {
    PovRayFrames frames;
    if (!initialFrame && !finalFrame) return frames;
    // POV-Ray counts frames from 1 when a setting is missing, and from 0 at
    // the least.
    const int64_t initial = initialFrame.value_or(1), final = finalFrame.value_or(1);
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

PovRayFrames PovRayFramesOf(const PovRayRender& render) {
    PovRayFrames frames = PovRayFramesOf(render.initialFrame.value_or(1), render.finalFrame.value_or(1));
    // The subset of an animation: numbered as all its frames are.
    if (frames.numbered) {
        if (render.subsetStart) frames.first = std::max(frames.first, *render.subsetStart);
        if (render.subsetEnd) frames.last = std::min(frames.last, *render.subsetEnd);
    }
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
    return StartRefusal(iniFile, folder, PovRayStartRender(iniFile, iniLines), reads);
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
        if (std::string hazard = RenderHazard(folder, PovRayStartRender(ini, PovRayIniLines(ini)), reads.code);
            !hazard.empty())
            return hazard;
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
    const PovRayRender render = PovRayStartRender(iniFile, PovRayIniLines(iniFile));
    if (const std::string refusal = StartRefusal(iniFile, folder, render, reads); !refusal.empty()) {
        LogMessage("<!>" + refusal);
        return false;
    }
    std::vector<std::string> arguments{IniArgument(iniFile, folder)};
    for (std::string& word : PovRayStatedSettings(render)) arguments.push_back(std::move(word));
    // The picture window of a render stays open when it is done; after each
    // frame of an animation it would wait for a key.
    if (run == PovRayRun::Render && !PovRayFramesOf(render).numbered) arguments.emplace_back("+P");
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
