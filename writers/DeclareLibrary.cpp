#include "writers/DeclareLibrary.h"

#include "model/Errors.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "writers/TextWriter.h"

// Building the material from the basic properties, a template, then the
// materials of the standard include files.
const std::array<std::string_view, FixedMaterialSnippets> MaterialSnippets = {
    "Copy from basic tab", "Material template", "M_Water", "M_Glass", "M_Glass2", "M_Glass3", "M_Green_Glass",
    "M_NB_Glass", "M_NB_Old_Glass", "M_NB_Winebottle_Glass", "M_NB_Beerbottle_Glass", "M_Ruby_Glass",
    "M_Dark_Green_Glass", "M_Yellow_Glass", "M_Orange_Glass", "M_Vicks_Bottle_Glass"
};

namespace {

constexpr std::string_view CRLF = "\r\n";

// A text line that the reader would not give back as it stands is written
// behind a marker: an empty POV-Ray comment, so that the file still means
// the same to POV-Ray, which the reader removes again. The marker also says
// how the line joins the one before it in the text:
//  - "/*#*/" by CR LF, as an unmarked line; it keeps a line that reads as a
//    declaration line ("#declare ..." of the text's own), a line that starts
//    with a marker itself, and an empty first line of a text with more lines
//    (unmarked, it would be dropped as a blank line after the declaration);
//  - "/*#LF*/" and "/*#CR*/" by a lone LF or CR, so that a text comes back
//    with its line breaks as they were and never grows past its 5000
//    characters.
// Only a line that starts with one of these comments in its first column is
// taken for marked: a library written without markers holds no such line.
struct LineMarker {
    std::string_view mark;
    std::string_view lineBreak;
};
constexpr std::array<LineMarker, 3> LineMarkers = {{{"/*#*/", CRLF}, {"/*#LF*/", "\n"}, {"/*#CR*/", "\r"}}};

// The trimmed line starts an entry ("#declare" in any letter case).
bool IsDeclarationLine(std::string_view trimmed) {
    return StartsWithNoCase(trimmed, "#declare");
}

// The marker the line starts with, or null.
const LineMarker* MarkerOf(std::string_view line) {
    for (const LineMarker& m : LineMarkers)
        if (line.starts_with(m.mark)) return &m;
    return nullptr;
}

// The text of one entry while it is read. Lines past the 5000 characters of
// a text are not kept; the text is cut and the cut reported.
struct PendingEntry {
    std::string name;
    std::string text;
    bool started = false;  // the text has its first line (which may be empty)
    bool cut = false;
};

void Commit(PendingEntry& entry) {
    tdeclare d;
    d.name = entry.name;
    if (entry.cut)
        LogMessage("<!>Texture library entry " + d.name.str() + ": text longer than " +
                   std::to_string(tlongtext::Capacity) + " characters cut");
    d.text = entry.text;  // keeps the first 5000 characters
    DeclareLibrary.push_back(std::move(d));
    entry = PendingEntry{};
}

// Adds a line of the file to the entry's text, without its marker. An
// unmarked empty line before the first line of the text is dropped.
void AppendTextLine(PendingEntry& entry, std::string_view line) {
    if (entry.cut) return;
    std::string_view lineBreak = CRLF;
    const LineMarker* marker = MarkerOf(line);
    if (marker) {
        line.remove_prefix(marker->mark.size());
        lineBreak = marker->lineBreak;
    } else if (!entry.started && line.empty()) {
        return;
    }
    if (entry.started) entry.text.append(lineBreak);
    entry.text.append(line);
    entry.started = true;
    if (entry.text.size() > tlongtext::Capacity) entry.cut = true;
}

// Writes the text's lines, each behind the marker it needs (see LineMarker).
void WriteText(CheckedTextWriter& w, std::string_view text) {
    std::size_t start = 0;
    std::string_view before;  // the line break before the line; none before the first
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        std::string_view mark;
        if (before == "\n") mark = LineMarkers[1].mark;
        else if (before == "\r") mark = LineMarkers[2].mark;
        else if (IsDeclarationLine(Trim(line)) || MarkerOf(line) ||
                 (start == 0 && line.empty() && end != std::string_view::npos))
            mark = LineMarkers[0].mark;
        w.Line(mark, line);
        if (end == std::string_view::npos) break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        before = crlf ? CRLF : text.substr(end, 1);
        start = end + (crlf ? 2 : 1);
    }
}

// A name goes on its declaration line as it stands, so that the reader gives
// it back the same: a name holding "=" too, since the reader drops only the
// last "=" of the line. A line break in a name is written as "_" and blanks
// or control characters at its ends are not kept by the reader; neither
// occurs in the names the program makes (identifiers) or reads (trimmed).
std::string NameText(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = '_';
    return out;
}

// The declaration line "#declare " + name + "=" as the library writes it
// gives the name between the keyword and the final "=". A line that goes on
// after its first "=" (a declaration written on one line) gives the name
// before that "=" and the rest as the entry's first text line; a line
// without "=" is a name alone.
void ParseDeclaration(std::string_view t, PendingEntry& entry) {
    const std::string_view rest = t.substr(8);
    if (!rest.empty() && rest.back() == '=') {
        entry.name = Trim(rest.substr(0, rest.size() - 1));
        return;
    }
    const std::size_t eq = rest.find('=');
    if (eq == std::string_view::npos) {
        entry.name = Trim(rest);
        return;
    }
    entry.name = Trim(rest.substr(0, eq));
    entry.text = Trim(rest.substr(eq + 1));
    entry.started = !entry.text.empty();
}

// The library file read at start-up that held more than its entries (text
// outside any entry, a text that was cut, or no entry at all): kept beside
// the new one when the library is saved.
std::string keptLibrary;

}  // namespace

void ReadDeclareLibrary(const std::string& fileName) {
    keptLibrary.clear();
    if (!FileExistsNonBlank(fileName)) return;
    TextLineReader reader;
    const bool opened = reader.Open(SystemPath(fileName));
    bool whole = opened;
    const std::size_t firstNew = DeclareLibrary.size();
    PendingEntry entry;
    bool inEntry = false;
    while (opened && !reader.Eof()) {
        const std::string_view line = reader.ReadLine();
        const std::string t = Trim(line);
        if (IsDeclarationLine(t)) {
            if (inEntry) {
                whole = whole && !entry.cut;
                Commit(entry);
            }
            inEntry = true;
            ParseDeclaration(t, entry);
            continue;
        }
        // Lines before the first declaration belong to no entry.
        if (inEntry) AppendTextLine(entry, line);
        else if (!t.empty()) whole = false;
    }
    if (inEntry) {
        whole = whole && !entry.cut;
        Commit(entry);
    }
    if (!whole) {
        keptLibrary = fileName;
        LogMessage("<!>The texture library " + fileName + " could not be read whole: it is kept as " +
                   FreeBackupName(fileName) + " when the library is saved");
    }
    for (std::size_t i = firstNew; i < DeclareLibrary.size(); ++i)
        Form8.ListBox6.items.push_back(DeclareLibrary[i].name.str());
}

void SaveDeclareLibrary(const std::string& fileName) {
    // The writer puts the new library in place once it is complete; a file
    // that could not be read whole is kept under its own name first.
    OutputCommit commit;
    {
        CheckedTextWriter w(fileName, LineEnd::CRLF);
        for (const tdeclare& d : DeclareLibrary) {
            w.Line("#declare ", NameText(d.name.view()) + "=");
            WriteText(w, d.text.view());
        }
        w.Close();
    }
    CommitKeepingUnread(commit, fileName, keptLibrary);
}

std::vector<std::string> DeclareLibraryNames() {
    std::vector<std::string> names;
    names.reserve(DeclareLibrary.size());
    for (const tdeclare& d : DeclareLibrary) names.push_back(d.name.str());
    return names;
}

void FillDeclareLibraryList() {
    std::vector<std::string>& items = Form8.ListBox6.items;
    items.assign(MaterialSnippets.begin(), MaterialSnippets.end());
    for (const tdeclare& d : DeclareLibrary) items.push_back(d.name.str());
}
