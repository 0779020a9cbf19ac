#include "writers/DeclareLibrary.h"

#include "model/Errors.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "writers/FileText.h"
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

// The text of one entry while it is read. Lines past the 5000 characters of
// a text are not kept; the text is cut and the cut reported.
struct PendingEntry {
    std::string name;
    std::string text;
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

void AppendTextLine(PendingEntry& entry, std::string_view line) {
    if (entry.cut) return;
    if (!entry.text.empty()) entry.text.append(CRLF);
    entry.text.append(line);
    if (entry.text.size() > tlongtext::Capacity) entry.cut = true;
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
        if (t.size() >= 8 && SameText(std::string_view(t).substr(0, 8), "#declare")) {
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
            w.Line("#declare ", OneLineText(d.name.view()) + "=");
            // The text's own line breaks (CR LF, CR or LF) become the file's.
            const std::string_view text = d.text.view();
            std::size_t start = 0;
            while (true) {
                const std::size_t end = text.find_first_of("\r\n", start);
                if (end == std::string_view::npos) {
                    w.Line(text.substr(start));
                    break;
                }
                w.Line(text.substr(start, end - start));
                start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
            }
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
