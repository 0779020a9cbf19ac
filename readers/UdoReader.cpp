#include "readers/UdoReader.h"

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "readers/ReaderCommon.h"
#include "readers/TextLines.h"

namespace {

enum class Section { None, Vertices, Faces, Edges };

// The line trimmed, tabs made blanks.
const std::string& CleanLine(const TextLines& file, std::size_t i, std::string& buffer) {
    buffer.assign(file[i]);
    TabsToBlanks(buffer);
    return buffer;
}

bool IsHeader(std::string_view line) { return !line.empty() && line.front() == '['; }

Section HeaderSection(std::string_view header) {
    const std::size_t colon = header.find(':');
    if (colon == std::string_view::npos) return Section::None;
    const std::string key = UpperCase(header.substr(colon));
    if (key == ":VERTICES]") return Section::Vertices;
    if (key == ":FACES]") return Section::Faces;
    if (key == ":EDGES]") return Section::Edges;
    return Section::None;
}

class UdoFaceReader {
public:
    explicit UdoFaceReader(const std::string& fileName) : fileName_(fileName) {}

    // The 0-based vertex number of the mesh section as an index into the
    // import vertices; 0 (no vertex) for a number that cannot be one.
    int32_t Corner(std::string_view word, std::size_t line) const {
        int64_t n = 0;
        if (!ParseInt(word, n))
            throw ReadError("'" + std::string(word) + "' is not a valid integer value (line " +
                                std::to_string(line + 1) + " of " + ExtractFileName(fileName_) + ")",
                            fileName_, static_cast<int64_t>(line + 1));
        // The range is checked before the base is added: a number near the
        // int64 limits would overflow the sum.
        if (n < 0 || n >= static_cast<int64_t>(std::numeric_limits<int32_t>::max()) - base) return 0;
        return static_cast<int32_t>(base + n + 1);
    }

    // One face (group 0, material 0, polygon 0) of the given words, each a
    // vertex number; `which` picks the corners. Every word is converted
    // first, so that one that is not an integer ends the reading even where
    // it is not a corner or the face is skipped. Words from `secondFrom` on
    // stand on the line after `line` (the second edge of an edge pair).
    void AddFace(const std::vector<std::string_view>& words, std::initializer_list<int> which, std::size_t line,
                 std::size_t secondFrom = 4) {
        int32_t numbers[4] = {0, 0, 0, 0};
        for (std::size_t w = 0; w < words.size() && w < 4; ++w)
            numbers[w] = Corner(words[w], w < secondFrom ? line : line + 1);
        polygons_.Begin(0, 0, 0);
        for (int w : which) polygons_.AddCorner(numbers[w]);
        polygons_.Emit();
    }

    void ReportSkipped() const { polygons_.ReportSkipped(ExtractFileName(fileName_)); }

    int32_t base = 0;  // import vertices before the current mesh's vertex section

private:
    const std::string& fileName_;
    PolygonBuilder polygons_;
};

void ReadUdoLines(tscene& scene, const TextLines& file) {
    const std::size_t count = file.Count();
    const double progressMax = static_cast<double>(count);

    UdoFaceReader faces(scene.modelFile);
    // The vertex base of each vertex section, in file order, for the edge pass.
    std::vector<int32_t> bases;
    CommaTextSplitter splitter;
    std::string buffer;

    // First pass: vertices and faces.
    Section section = Section::None;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& line = CleanLine(file, i, buffer);
        if (IsHeader(line)) {
            section = HeaderSection(line);
            if (section == Section::Vertices) {
                faces.base = static_cast<int32_t>(ImportVertices.size());
                bases.push_back(faces.base);
            } else if (section == Section::Edges) {
                section = Section::None;  // edges are read only in the edge pass
            }
            continue;
        }
        if (section == Section::None) continue;
        ShowProgress(0, progressMax, static_cast<double>(i + 1));
        const std::vector<std::string_view>& words = splitter.Split(line);
        if (section == Section::Vertices) {
            if (words.size() != 3) continue;
            tvertex v = DefaultVertex;
            double value[3];
            for (int c = 0; c < 3; ++c) {
                int32_t code = 0;
                ValFloat(words[static_cast<std::size_t>(c)], value[c], code);
            }
            v.p = {value[0], value[1], value[2]};
            v.mark = 0;
            ImportVertices.push_back(v);
        } else if (words.size() == 3) {
            faces.AddFace(words, {0, 1, 2}, i);
        } else if (words.size() == 4) {
            faces.AddFace(words, {0, 1, 2, 3}, i);
        }
    }

    // Edge pass: faces from pairs of consecutive edges when there were none.
    if (ImportFaces.empty() && count > 0) {
        LogMessage("No [FACES] section found. Building faces from edges...");
        std::size_t vertexSection = 0;
        faces.base = 0;
        section = Section::None;
        std::string next, joined;
        CommaTextSplitter firstLine;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& line = CleanLine(file, i, buffer);
            if (IsHeader(line)) {
                section = HeaderSection(line);
                if (section == Section::Vertices && vertexSection < bases.size()) faces.base = bases[vertexSection++];
                continue;
            }
            if (section != Section::Edges) continue;
            ShowProgress(0, progressMax, static_cast<double>(i + 1));
            if (i + 1 >= count) break;  // the last line pairs with nothing
            next.assign(file[i + 1]);
            TabsToBlanks(next);
            if (IsHeader(next)) continue;  // the section ends; the header is read next
            joined.assign(line);
            joined += ' ';
            joined += next;
            const std::vector<std::string_view>& words = splitter.Split(joined);
            // Edges a-b and c-d: the triangle a, b, d. The second edge of
            // this pair is the first edge of the next.
            // A number is reported with the line that holds it: the words
            // of the first line come first in the joined pair.
            if (words.size() == 4) faces.AddFace(words, {0, 1, 3}, i, firstLine.Split(line).size());
        }
    }

    faces.ReportSkipped();
    if (!ImportFaces.empty() && !ImportVertices.empty()) {
        ImportNameIndex none;
        AddImportGroup("Default", none);
        AddImportMaterial("Default", none);
    }
    if (count == 0) LogMessage("<!>UDO file is empty or non ASCII");
}

}  // namespace

void ReadUDO(tscene& scene) {
    scene.polygonsRead = 0;
    ReadUdoLines(scene, TextLines::FromFile(scene.modelFile));
}

void ReadUDOBytes(tscene& scene, std::string_view text) {
    scene.polygonsRead = 0;
    ReadUdoLines(scene, TextLines::FromText(std::string(text)));
}
