#include "readers/ObjReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/Errors.h"
#include "model/FileSearch.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "platform/TempFiles.h"
#include "readers/MtlReader.h"
#include "readers/ObjSettingsRestore.h"
#include "readers/ReaderCommon.h"
#include "ui/options/Options.h"

namespace {

inline bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }
inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlankByte(s[b])) ++b;
    while (e > b && IsBlankByte(s[e - 1])) --e;
    return s.substr(b, e - b);
}

void TrimInPlace(std::string& s) {
    const std::string_view t = TrimBlanks(s);
    if (t.size() == s.size()) return;
    const std::size_t start = static_cast<std::size_t>(t.data() - s.data());
    s.erase(start + t.size());
    s.erase(0, start);
}

// The text of the line from the 0-based position `from` on, trimmed, with
// tabs turned into blanks.
std::string TextFrom(std::string_view line, std::size_t from) {
    std::string s(TrimBlanks(line.substr(std::min(from, line.size()))));
    std::replace(s.begin(), s.end(), '\t', ' ');
    return s;
}

enum class Keyword { None, Vertex, Normal, TexCoord, MtlLib, Group, UseMtl, Face, Line };

Keyword Classify(std::string_view w) {
    switch (w.size()) {
        case 1:
            switch (UpperAscii(w[0])) {
                case 'V': return Keyword::Vertex;
                case 'G': return Keyword::Group;
                case 'F': return Keyword::Face;
                case 'L': return Keyword::Line;
                default: return Keyword::None;
            }
        case 2:
            if (UpperAscii(w[0]) == 'V') {
                if (UpperAscii(w[1]) == 'N') return Keyword::Normal;
                if (UpperAscii(w[1]) == 'T') return Keyword::TexCoord;
            } else if (UpperAscii(w[0]) == 'F' && UpperAscii(w[1]) == 'O') {
                return Keyword::Face;
            }
            return Keyword::None;
        case 6:
            if (SameText(w, "MTLLIB")) return Keyword::MtlLib;
            if (SameText(w, "USEMTL")) return Keyword::UseMtl;
            return Keyword::None;
        default: return Keyword::None;
    }
}

// A number of a vertex, normal or texture coordinate; 0 when it is none.
inline double Coordinate(std::string_view word) {
    double v = 0;
    return ParseDouble(word, v) ? v : 0.0;
}

// One field of a corner ("12", "-3", ""): the integer, 0 when the field is
// empty, not an integer or outside the 32-bit range.
inline int64_t IndexField(const char* p, const char* end) {
    if (p == end) return 0;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
        if (p == end) return 0;
    }
    int64_t v = 0;
    for (; p < end; ++p) {
        const unsigned d = static_cast<unsigned char>(*p) - '0';
        if (d > 9) return 0;
        v = v * 10 + d;
        if (v > INT32_MAX) return 0;
    }
    return negative ? -v : v;
}

// A negative index counts back from the end of its list (-1 is the last one
// read so far). Indices that end up outside the 32-bit range become 0.
inline int32_t ResolveIndex(int64_t index, std::size_t listSize) {
    if (index < 0) index += static_cast<int64_t>(listSize) + 1;
    return index < INT32_MIN || index > INT32_MAX ? 0 : static_cast<int32_t>(index);
}

struct tcorner {
    int32_t vertex = 0, uv = 0, normal = 0;
};

// "v", "v/t", "v//n" or "v/t/n"; fields past the third are ignored.
inline tcorner ParseCorner(std::string_view word) {
    int64_t fields[3] = {0, 0, 0};
    const char* p = word.data();
    const char* const end = p + word.size();
    for (int i = 0; i < 3; ++i) {
        const char* slash = static_cast<const char*>(std::memchr(p, '/', static_cast<std::size_t>(end - p)));
        const char* fieldEnd = slash ? slash : end;
        fields[i] = IndexField(p, fieldEnd);
        if (!slash) break;
        p = slash + 1;
    }
    return {ResolveIndex(fields[0], ImportVertices.size()), ResolveIndex(fields[1], ImportUVs.size()),
            ResolveIndex(fields[2], ImportNormals.size())};
}

// The material library that a "mtllib" line names, as a path to open.
std::string LibraryPath(const tscene& scene, std::string_view written) {
    // A batch conversion may give every model one common library.
    if (BatchFiles.size() > 1 && !TrimBlanks(Form1.Edit71.text).empty()) return Form1.Edit71.text;
    std::string name(written);
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::string folder = ExtractFilePath(scene.modelFile);
    // The path as written (relative to the model's folder), when it exists;
    // otherwise the library of that name beside the model.
    if (name.find('/') != std::string::npos) {
        const std::string path = FileNameAsOnDisk(name[0] == '/' ? name : folder + name);
        if (FileExistsNonBlank(path)) return path;
    }
    const std::string beside = folder + ExtractFileName(name);
    const std::string onDisk = FileNameAsOnDisk(beside);
    return FileExistsNonBlank(onDisk) ? onDisk : beside;
}

class ObjReader {
public:
    explicit ObjReader(tscene& scene) : scene_(scene), fileName_(ExtractFileName(scene.modelFile)) {
        for (std::size_t i = 0; i < ImportGroups.size(); ++i)
            groupNames_.Set(ImportGroups[i].name.view(), static_cast<int32_t>(i));
        for (std::size_t i = 0; i < ImportMaterials.size(); ++i)
            materialNames_.Set(ImportMaterials[i].name.view(), static_cast<int32_t>(i));
    }

    void Run() {
        if (!text_.Open(scene_.modelFile))
            throw ReadError("Cannot read the model file " + fileName_, scene_.modelFile);
        scene_.polygonsRead = 0;
        ResetProgress();
        ReadLines();
        AfterLastLine();
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw ReadError(fileName_ + ", line " + std::to_string(lineNumber_) + ": " + what, scene_.modelFile,
                        lineNumber_);
    }

    void ReadLines() {
        // Lines ending in "\" go on in the next line; `pending` holds such a
        // logical line while it grows (all other lines are used in place).
        std::string pending;
        do {
            const std::string_view raw = text_.ReadTextLine();
            ++lineNumber_;
            std::string_view line;
            if (pending.empty()) {
                line = TrimBlanks(raw);
            } else {
                pending.push_back(' ');
                pending.append(raw);
                TrimInPlace(pending);
                line = pending;
            }
            if (!line.empty() && line.back() == '\\') {
                if (pending.empty()) pending.assign(line);
                pending.pop_back();
                if (!text_.Eof()) continue;
                // A file that ends inside a continued line: the line as it stands.
                TrimInPlace(pending);
                line = pending;
            }
            if (!LogicalLine(line)) OtherLine(raw);
            pending.clear();
        } while (!text_.Eof());
    }

    // One logical line; false when no keyword handled it.
    bool LogicalLine(std::string_view line) {
        if (line.empty()) return false;
        const std::vector<std::string_view>& words = splitter_.Split(line);
        AdvanceProgress(0, 100000, 1.0);
        if (words.empty()) return false;
        switch (Classify(words[0])) {
            case Keyword::Vertex: {
                if (words.size() < 4) Fail("a vertex needs three coordinates");
                tvertex v = DefaultVertex;
                v.p = {Coordinate(words[1]), Coordinate(words[2]), Coordinate(words[3])};
                ImportVertices.push_back(v);
                return true;
            }
            case Keyword::Normal: {
                if (words.size() < 4) Fail("a normal needs three coordinates");
                tnormal n;
                n.p = NormalizeVector({Coordinate(words[1]), Coordinate(words[2]), Coordinate(words[3])});
                const double length = VectorLength(n.p);
                if (!(length >= Epsilon) || !std::isfinite(length)) {
                    n.p = XAxis;
                    ++degenerateNormals_;
                }
                ImportNormals.push_back(n);
                return true;
            }
            case Keyword::TexCoord: {
                if (words.size() < 2) Fail("a texture coordinate needs a value");
                tuv t = DefaultUV;
                t.u = Coordinate(words[1]);
                t.v = words.size() > 2 ? Coordinate(words[2]) : 0.0;  // "vt u" alone: v is 0
                ImportUVs.push_back(t);
                return true;
            }
            case Keyword::MtlLib: {
                std::string name = TextFrom(line, 7);
                std::replace(name.begin(), name.end(), '"', ' ');
                scene_.mtlFile = LibraryPath(scene_, TrimBlanks(name));
                return true;
            }
            case Keyword::Group: GroupLine(line, words.size()); return true;
            case Keyword::UseMtl: MaterialLine(line, words.size()); return true;
            case Keyword::Face: FaceLine(words); return true;
            case Keyword::Line: PolylineLine(words); return true;
            case Keyword::None: return false;
        }
        return false;
    }

    void GroupLine(std::string_view line, std::size_t wordCount) {
        if (wordCount > 1) currentGroupName_ = TextFrom(line, 1);
        const tname name(currentGroupName_);
        int32_t index = groupNames_.Find(name.view());
        if (index < 0) index = AddImportGroup(name.view(), groupNames_);
        currentGroupName_ = name.str();
        currentGroup_ = index;
    }

    void MaterialLine(std::string_view line, std::size_t wordCount) {
        const tname name(wordCount > 1 ? TextFrom(line, 6) : "Mat_" + std::to_string(ImportMaterials.size()));
        int32_t index = materialNames_.Find(name.view());
        if (index < 0) {
            tmaterial m;
            NewMaterial(m);
            m.name = name;
            ImportMaterials.push_back(std::move(m));
            index = static_cast<int32_t>(ImportMaterials.size()) - 1;
            materialNames_.Set(name.view(), index);
        }
        currentMaterial_ = index;
    }

    // The group and material that faces and lines go to when the file has
    // named none.
    void EnsureGroupAndMaterial() {
        if (ImportGroups.empty()) currentGroup_ = AddImportGroup(currentGroupName_, groupNames_, " created by Mirelan");
        if (currentMaterial_ < 0) {
            tmaterial m;
            NewMaterial(m);
            m.name = "unnamed_material";
            m.diffuse = {1, 1, 1};
            ImportMaterials.push_back(std::move(m));
            currentMaterial_ = static_cast<int32_t>(ImportMaterials.size()) - 1;
            materialNames_.Set("unnamed_material", currentMaterial_);
        }
        if (ImportMaterials[static_cast<std::size_t>(currentMaterial_)].name == "unnamed_material")
            ++withoutMaterial_;
    }

    void FaceLine(const std::vector<std::string_view>& words) {
        EnsureGroupAndMaterial();
        polygon_.Begin(currentGroup_, currentMaterial_, 0);
        for (std::size_t i = 1; i < words.size(); ++i) {
            if (words[i].empty()) continue;
            const tcorner c = ParseCorner(words[i]);
            if (!polygon_.AddCorner(c.vertex, c.normal, c.uv)) break;  // too many corners: skipped
        }
        const int32_t corners = polygon_.CornerCount();
        const int32_t triangles = polygon_.Emit();
        scene_.polygonsRead += 1;
        if (corners > 3) scene_.polygonsOverThree += 1;
        scene_.trianglesMade += triangles;
    }

    void PolylineLine(const std::vector<std::string_view>& words) {
        EnsureGroupAndMaterial();
        lineCorners_.clear();
        for (std::size_t i = 1; i < words.size(); ++i)
            if (!words[i].empty()) lineCorners_.push_back(ParseCorner(words[i]));
        if (lineCorners_.size() < 2) return;  // no segment: no polyline
        tpolyline p;
        p.first = static_cast<int32_t>(LineSegments.size());
        p.count = static_cast<int32_t>(lineCorners_.size() - 1);
        Polylines.push_back(p);
        for (std::size_t i = 1; i < lineCorners_.size(); ++i) {
            const tcorner& a = lineCorners_[i - 1];
            const tcorner& b = lineCorners_[i];
            tline l;
            l.vertex[0] = a.vertex;
            l.vertex[1] = b.vertex;
            l.normal[0] = a.normal;
            l.normal[1] = b.normal;
            l.uv[0] = a.uv;
            l.uv[1] = b.uv;
            l.group = currentGroup_;
            l.material = currentMaterial_;
            LineSegments.push_back(l);
        }
    }

    // A line no keyword handled. Only the lines from the first settings
    // block header on are kept (they are views into the file's text).
    void OtherLine(std::string_view raw) {
        if (!blockFound_) {
            const std::string_view t = TrimBlanks(raw);
            if (t.size() != SettingsBlockHeader.size() || !SameText(t, SettingsBlockHeader)) return;
            blockFound_ = true;
            return;
        }
        blockLines_.push_back({raw, lineNumber_});
    }

    void AfterLastLine() {
        if (degenerateNormals_ > 0)
            LogMessage("<!>There were " + std::to_string(degenerateNormals_) +
                       " degenerate normals converted to (1,0,0) ");
        if (withoutMaterial_ > 0)
            LogMessage("<!>There were " + std::to_string(withoutMaterial_) +
                       " polygons found not using a material. A default material was assigned.");
        polygon_.ReportSkipped(fileName_);

        ReadMaterials();
        if (blockFound_) RestoreSettingsBlock(scene_, blockLines_, fileName_);

        // A model unpacked into a temporary file of this program is not needed
        // any more.
        if (IsOwnTempFile(scene_.modelFile) && SameText(ExtractFileExt(scene_.modelFile), ".obj"))
            DeleteTempFile(scene_.modelFile);
        LogMessage(" ");
    }

    void ReadMaterials() {
        LogMessage(" ");
        LogMessage(RuleLine);
        LogMessage("Reading materials ");
        // A library written with other letter case is found too.
        if (!FileExistsNonBlank(scene_.mtlFile) && !TrimBlanks(scene_.mtlFile).empty()) {
            const std::string onDisk = FileNameAsOnDisk(scene_.mtlFile);
            if (FileExistsNonBlank(onDisk)) scene_.mtlFile = onDisk;
        }
        LogMessage("opening file " + scene_.mtlFile + " ...");
        if (FileExistsNonBlank(scene_.mtlFile)) {
            try {
                ReadMTL(MtlTargetImport, scene_, scene_.dazSceneLoading);
            } catch (const ReadError& e) {
                LogMessage("<!>" + std::string(e.what()) + ". The material library was read only up to there.");
            }
        } else {
            LogMessage("<!>No material file found. Using material names from object file.");
            for (std::size_t i = 0; i < ImportMaterials.size(); ++i)
                LogMessage("Material [" + std::to_string(i + 1) + "]= " + ImportMaterials[i].name.str());
        }
        Svc().status->ProcessPendingMessages();
    }

    tscene& scene_;
    const std::string fileName_;
    TextLineReader text_;
    CommaTextSplitter splitter_;
    PolygonBuilder polygon_;
    ImportNameIndex groupNames_;
    ImportNameIndex materialNames_;
    std::string currentGroupName_ = "unnamed_group";
    int32_t currentGroup_ = 0;
    int32_t currentMaterial_ = -1;  // none chosen yet
    int32_t degenerateNormals_ = 0;
    int32_t withoutMaterial_ = 0;
    int64_t lineNumber_ = 0;
    std::vector<tcorner> lineCorners_;
    bool blockFound_ = false;
    std::vector<tsettingsline> blockLines_;
};

}  // namespace

void ReadOBJ(tscene& scene) {
    ObjReader reader(scene);
    reader.Run();
}
