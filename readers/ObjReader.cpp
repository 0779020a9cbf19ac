#include "readers/ObjReader.h"

#include <algorithm>
#include <bit>
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
#include "options/Options.h"
#include "platform/TempFiles.h"
#include "readers/MtlReader.h"
#include "readers/ObjLineScan.h"
#include "readers/ObjSettingsRestore.h"
#include "readers/ReaderCommon.h"
#include "readers/TextBlocks.h"

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

// Statements of numbers or corners, which a trailing comment may follow.
bool IsNumberStatement(Keyword k) {
    return k == Keyword::Vertex || k == Keyword::Normal || k == Keyword::TexCoord || k == Keyword::Face ||
           k == Keyword::Line;
}

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

// A number of a vertex, normal or texture coordinate by the general rules;
// 0 when it is none.
inline double Coordinate(std::string_view word) {
    const char* p = word.data();
    double v = 0;
    // The usual forms are read directly; the scanner needs a word end after
    // the word, which a view into a line does not always have, and a line
    // end that bounds its scans (a quoted word may be all blanks).
    if (!word.empty() && word.size() < 40) {
        char text[48];
        std::memcpy(text, p, word.size());
        std::memset(text + word.size(), ' ', sizeof text - word.size());
        text[sizeof text - 1] = '\n';
        const char* q = text;
        if (objscan::Number(q, v) && q == text + word.size()) return v;
    }
    return ParseDouble(word, v) ? v : 0.0;
}

// Reads one field of a corner ("12", "-3", "") up to the next '/' or the
// end and leaves `p` there: the integer, 0 when the field is empty, not an
// integer or outside the 32-bit range.
inline int64_t ReadIndexField(const char*& p, const char* end) {
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    bool valid = p < end && *p != '/';
    int64_t v = 0;
    for (; p < end && *p != '/'; ++p) {
        const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
        if (d > 9) valid = false;
        if (valid) {
            v = v * 10 + d;
            if (v > INT32_MAX) valid = false;
        }
    }
    return valid ? (negative ? -v : v) : 0;
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

// The corner of the fields vertex, texture coordinate and normal, with
// negative indices resolved against what has been read so far.
inline tcorner CornerOf(const int64_t fields[3]) {
    return {ResolveIndex(fields[0], ImportVertices.size()), ResolveIndex(fields[1], ImportUVs.size()),
            ResolveIndex(fields[2], ImportNormals.size())};
}

// "v", "v/t", "v//n" or "v/t/n"; fields past the third are ignored.
inline tcorner ParseCorner(std::string_view word) {
    int64_t fields[3] = {0, 0, 0};
    const char* p = word.data();
    const char* const end = p + word.size();
    for (int i = 0; i < 3; ++i) {
        fields[i] = ReadIndexField(p, end);
        if (p == end) break;
        ++p;  // the '/'
    }
    return CornerOf(fields);
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
    // The model's folder is spelled as on disk (the model was opened
    // there): only what follows it is looked up ignoring case.
    if (name.find('/') != std::string::npos) {
        const std::string path = name[0] == '/' ? FileNameAsOnDisk(name) : FileNameAsOnDiskIn(folder, name);
        if (FileExistsNonBlank(path)) return path;
    }
    const std::string beside = folder + ExtractFileName(name);
    const std::string onDisk = FileNameAsOnDiskIn(folder, ExtractFileName(name));
    return FileExistsNonBlank(onDisk) ? onDisk : beside;
}

// The size of the blocks the file is read in (SetObjReadBlockSize).
std::size_t ReadBlockSize = 1u << 20;

class ObjReader {
public:
    explicit ObjReader(tscene& scene) : scene_(scene), fileName_(ExtractFileName(scene.modelFile)) {
        IndexImportNames(groupNames_, materialNames_);
    }

    void Run() {
        if (!text_.Open(scene_.modelFile, ReadBlockSize))
            throw ReadError("Cannot read the model file " + fileName_, scene_.modelFile);
        Read();
    }

    // The same read of a text held in memory.
    void RunText(std::string_view text) {
        text_.OpenText(text, ReadBlockSize);
        Read();
    }

private:
    void Read() {
        // Every "mtllib" line looks its library up below the model's folder:
        // each folder is read once for all of them.
        const FolderListingScope folders;
        scene_.polygonsRead = 0;
        ResetProgress();
        ReadLines();
        AfterLastLine();
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw ReadError(fileName_ + ", line " + std::to_string(lineNumber_) + ": " + what, scene_.modelFile,
                        lineNumber_);
    }

    // The file is read in blocks of whole lines. The usual lines (vertices,
    // normals, texture coordinates and faces in their common forms) are read
    // straight from the block; every other line goes through the full rules
    // of PhysicalLine.
    void ReadLines() {
        // The triangles read straight from the text are added to the
        // counters once, also when an error ends the read.
        struct CountTriangles {
            ObjReader& r;
            ~CountTriangles() {
                r.scene_.polygonsRead += static_cast<int32_t>(r.fastTriangles_);
                r.scene_.trianglesMade += static_cast<int32_t>(r.fastTriangles_);
                r.fastTriangles_ = 0;
            }
        } count{*this};
        vertexCount_ = static_cast<int64_t>(ImportVertices.size());
        std::string_view block;
        while (text_.Next(block)) {
            const char* p = block.data();
            const char* const end = p + block.size();
            blockStart_ = p;
            while (p < end) {
                ++lineNumber_;
                // An LF at the start of a line is passed over (an empty line
                // to an editor, no line to the reader).
                if (*p == '\n') {
                    ++p;
                    continue;
                }
                if (pending_.empty()) {
                    if (const char* next = FastLine(p, end)) {
                        p = next;
                        continue;
                    }
                }
                const char* e = p;
                while (!objscan::IsLineEnd(*e)) ++e;
                PhysicalLine(std::string_view(p, static_cast<std::size_t>(e - p)));
                p = objscan::PastLineEnd(e, end);
            }
            blocksDone_ += block.size();
        }
        if (text_.Failed()) Fail("the file could not be read to its end");
        if (!pending_.empty()) {
            // A file that ends inside a continued line: the line as it stands.
            TrimInPlace(pending_);
            if (!LogicalLine(pending_)) OtherLine(pendingRaw_);
            pending_.clear();
        }
    }

    // One line as the full rules read it: lines ending in "\" go on in the
    // next line, and `pending_` holds such a logical line while it grows.
    void PhysicalLine(std::string_view raw) {
        std::string_view line;
        if (pending_.empty()) {
            line = TrimBlanks(raw);
        } else {
            pending_.push_back(' ');
            pending_.append(raw);
            TrimInPlace(pending_);
            line = pending_;
        }
        if (!line.empty() && line.back() == '\\') {
            if (pending_.empty()) pending_.assign(line);
            pending_.pop_back();
            pendingRaw_.assign(raw);
            return;
        }
        if (!LogicalLine(line)) OtherLine(raw);
        pending_.clear();
    }

    // ---- The usual lines, straight from the text ----------------------

    // Reads the line at p when it is a vertex, normal, texture coordinate or
    // face line in its usual form and returns where the next line starts;
    // nullptr, with nothing changed, for any other line.
    const char* FastLine(const char* p, const char* end) {
        const char* q = objscan::SkipInlineBlanks(p);
        const char c0 = static_cast<char>(*q | 0x20);
        const char c1 = q[1];
        const char* rest;
        if (c0 == 'v') {
            if (objscan::IsInlineBlank(c1)) rest = FastVertex(q + 2, p);
            else if (objscan::IsInlineBlank(q[2]) && (c1 | 0x20) == 'n') rest = FastNormal(q + 3, p);
            else if (objscan::IsInlineBlank(q[2]) && (c1 | 0x20) == 't') rest = FastTexCoord(q + 3, p);
            else return nullptr;
        } else if (c0 == 'f') {
            if (objscan::IsInlineBlank(c1)) rest = FastFace(q + 2, p);
            else if (objscan::IsInlineBlank(q[2]) && (c1 | 0x20) == 'o') rest = FastFace(q + 3, p);
            else return nullptr;
        } else {
            return nullptr;
        }
        if (!rest) return nullptr;
        if (++progressSteps_ == ProgressBatch) FlushProgress();
        return objscan::PastLineEnd(rest, end);
    }

    // The bytes of the file not yet read, from the line at `line` on.
    uint64_t RemainingBytes(const char* line) const {
        const uint64_t done = blocksDone_ + static_cast<uint64_t>(line - blockStart_);
        return text_.FileSize() > done ? text_.FileSize() - done : 0;
    }

    // Room for one more record in a list that a kind of line fills, where
    // `lineBytes` bytes of such lines made the records so far. A full list
    // is given room for what the rest of the file would make if it were all
    // such lines, so that the usual file (vertices first, then faces) grows
    // each list once or twice instead of copying it at every doubling. Room
    // that is never filled costs address space only: its pages are never
    // touched.
    template <typename T>
    void MakeRoom(std::vector<T>& list, uint64_t lineBytes, const char* line) {
        if (list.size() < list.capacity()) return;
        std::size_t room = std::max<std::size_t>(list.capacity() + list.capacity() / 2, 1024);
        if (lineBytes > 0) {
            const double perByte = static_cast<double>(list.size()) / static_cast<double>(lineBytes);
            const double estimate = static_cast<double>(list.size()) + perByte * static_cast<double>(RemainingBytes(line));
            if (estimate > static_cast<double>(room) && estimate < 1e12) room = static_cast<std::size_t>(estimate) + 64;
        }
        try {
            list.reserve(room);
        } catch (const std::bad_alloc&) {
            list.reserve(list.capacity() + list.capacity() / 2 + 1);  // no room for the guess: grow as usual
        }
    }

    const char* FastVertex(const char* p, const char* line) {
        double x, y, z;
        if (!objscan::Number(p, x) || !objscan::Number(p, y) || !objscan::Number(p, z)) return nullptr;
        const char* e = objscan::RestOfLine(p);
        if (!e) return nullptr;
        MakeRoom(ImportVertices, vertexBytes_, line);
        vertexBytes_ += static_cast<uint64_t>(e - line) + 1;
        AddVertex(x, y, z);
        return e;
    }

    const char* FastNormal(const char* p, const char* line) {
        double x, y, z;
        if (!objscan::Number(p, x) || !objscan::Number(p, y) || !objscan::Number(p, z)) return nullptr;
        const char* e = objscan::RestOfLine(p);
        if (!e) return nullptr;
        MakeRoom(ImportNormals, normalBytes_, line);
        normalBytes_ += static_cast<uint64_t>(e - line) + 1;
        AddNormal(x, y, z);
        return e;
    }

    // u, then v when the line has it (a comment ends the numbers).
    const char* FastTexCoord(const char* p, const char* line) {
        double u, v = 0;
        if (!objscan::Number(p, u)) return nullptr;
        const char* q = objscan::SkipInlineBlanks(p);
        if (!objscan::IsLineEnd(*q) && *q != '#' && !objscan::Number(p, v)) return nullptr;
        const char* e = objscan::RestOfLine(p);
        if (!e) return nullptr;
        MakeRoom(ImportUVs, uvBytes_, line);
        uvBytes_ += static_cast<uint64_t>(e - line) + 1;
        AddUV(u, v);
        return e;
    }

    // The corners up to the line end or a comment. A triangle whose corners
    // all name a vertex read so far becomes a face at once; every other
    // polygon goes through the polygon builder, as by the full rules.
    const char* FastFace(const char* p, const char* line) {
        constexpr int Limit = 64;  // longer polygons are read by the full rules
        struct Corner {
            int32_t vertex, uv, normal;
        } corners[Limit];  // filled as read, not before
        int n = 0;
        for (;;) {
            p = objscan::SkipInlineBlanks(p);
            if (objscan::IsLineEnd(*p)) break;
            if (*p == '#') {
                p = objscan::RestOfLine(p);
                if (!p) return nullptr;
                break;
            }
            int64_t fields[3];
            if (n == Limit || !objscan::Corner(p, fields)) return nullptr;
            if (fields[0] >= 0 && fields[1] >= 0 && fields[2] >= 0) {
                // At most nine digits: within the 32-bit range.
                corners[n++] = {static_cast<int32_t>(fields[0]), static_cast<int32_t>(fields[1]),
                                static_cast<int32_t>(fields[2])};
            } else {
                const tcorner c = CornerOf(fields);
                corners[n++] = {c.vertex, c.uv, c.normal};
            }
        }
        MakeRoom(ImportFaces, faceBytes_, line);
        faceBytes_ += static_cast<uint64_t>(p - line) + 1;
        const int64_t vertices = vertexCount_;
        const bool triangle = n == 3 && corners[0].vertex >= 1 && corners[0].vertex <= vertices &&
                              corners[1].vertex >= 1 && corners[1].vertex <= vertices && corners[2].vertex >= 1 &&
                              corners[2].vertex <= vertices;
        if (triangle) {
            EnsureGroupAndMaterial();
            tface f;
            for (int c = 0; c < 3; ++c) {
                f.vertex[c] = corners[c].vertex;
                f.normal[c] = corners[c].normal;
                f.uv[c] = corners[c].uv;
            }
            f.group = currentGroup_;
            f.material = currentMaterial_;
            ImportFaces.push_back(f);
            ++fastTriangles_;  // counted as polygons and triangles at the end
        } else {
            corners_.clear();
            for (int i = 0; i < n; ++i) corners_.push_back({corners[i].vertex, corners[i].uv, corners[i].normal});
            FaceFromCorners();
        }
        return p;
    }

    // ---- Lines by the full rules ----------------------------------------

    // One logical line; false when no keyword handled it.
    bool LogicalLine(std::string_view line) {
        if (line.empty()) return false;
        // One step per line in a cycle of 100000; the gauge moves by whole
        // percents, so the steps are handed on in batches.
        if (++progressSteps_ == ProgressBatch) FlushProgress();
        if (line.front() == '#') return false;  // a comment: its first word is no keyword
        const std::vector<std::string_view>& split = splitter_.Split(line);
        if (split.empty()) return false;
        return SplitLine(Classify(split[0]), line, split);
    }

    // The number of words of a line of numbers or corners: a word that
    // starts with "#" begins a trailing comment.
    static std::size_t WordsBeforeComment(const std::vector<std::string_view>& words) {
        std::size_t n = 1;
        while (n < words.size() && (words[n].empty() || words[n].front() != '#')) ++n;
        return n;
    }

    // A line split by the full comma-text rules. Names (groups, materials,
    // libraries) keep a "#" in them.
    bool SplitLine(Keyword keyword, std::string_view line, const std::vector<std::string_view>& words) {
        const std::size_t n = IsNumberStatement(keyword) ? WordsBeforeComment(words) : words.size();
        auto number = [&](std::size_t i) { return Coordinate(words[i]); };
        switch (keyword) {
            case Keyword::Vertex:
                if (n < 4) Fail(VertexShort);
                AddVertex(number(1), number(2), number(3));
                return true;
            case Keyword::Normal:
                if (n < 4) Fail(NormalShort);
                AddNormal(number(1), number(2), number(3));
                return true;
            case Keyword::TexCoord:
                if (n < 2) Fail(TexCoordShort);
                AddUV(number(1), n > 2 ? number(2) : 0.0);
                return true;
            case Keyword::MtlLib: {
                std::string name = TextFrom(line, 7);
                std::replace(name.begin(), name.end(), '"', ' ');
                scene_.mtlFile = LibraryPath(scene_, TrimBlanks(name));
                return true;
            }
            case Keyword::Group: GroupLine(line, n > 1); return true;
            case Keyword::UseMtl: MaterialLine(line, n > 1); return true;
            case Keyword::Face:
            case Keyword::Line:
                corners_.clear();
                for (std::size_t i = 1; i < n; ++i)
                    if (!words[i].empty()) KeepCorner(keyword, ParseCorner(words[i]));  // "a,,b" has an empty word
                if (keyword == Keyword::Face) FaceFromCorners();
                else PolylineFromCorners();
                return true;
            case Keyword::None: return false;
        }
        return false;
    }

    static constexpr const char* VertexShort = "a vertex needs three coordinates";
    static constexpr const char* NormalShort = "a normal needs three coordinates";
    static constexpr const char* TexCoordShort = "a texture coordinate needs a value";

    void AddVertex(double x, double y, double z) {
        tvertex v = DefaultVertex;
        v.p = {x, y, z};
        ImportVertices.push_back(v);
        vertexCount_ = static_cast<int64_t>(ImportVertices.size());
    }

    // Normals are made unit length; a zero normal becomes the X axis.
    void AddNormal(double x, double y, double z) {
        tnormal n;
        const tvector v{x, y, z};
        const double l = VectorLength(v);
        if (l > 0 && l < HUGE_VAL) {
            // NormalizeVector's own step: a vector of finite, non-zero length
            // divided by it has a length of about 1, so the check below
            // would pass.
            n.p = ScaleVector(v, 1.0 / l);
        } else {
            n.p = NormalizeVector(v);
            const double length = VectorLength(n.p);
            if (!(length >= Epsilon) || !std::isfinite(length)) {
                n.p = XAxis;
                ++degenerateNormals_;
            }
        }
        ImportNormals.push_back(n);
    }

    void AddUV(double u, double v) {
        tuv t = DefaultUV;
        t.u = u;
        t.v = v;
        ImportUVs.push_back(t);
    }

    // A face keeps one corner past the limit, enough to be skipped as too
    // big; a polyline keeps them all.
    void KeepCorner(Keyword keyword, const tcorner& c) {
        if (keyword == Keyword::Line || corners_.size() <= static_cast<std::size_t>(MaxPolygonCorners))
            corners_.push_back(c);
    }

    static constexpr int ProgressBatch = 250;
    void FlushProgress() {
        if (progressSteps_ > 0) AdvanceProgress(0, 100000, progressSteps_);
        progressSteps_ = 0;
    }

    void GroupLine(std::string_view line, bool named) {
        if (named) currentGroupName_ = TextFrom(line, 1);
        const tname name(currentGroupName_);
        int32_t index = groupNames_.Find(name.view());
        if (index < 0) index = AddImportGroup(name.view(), groupNames_);
        currentGroupName_ = name.str();
        currentGroup_ = index;
    }

    void MaterialLine(std::string_view line, bool named) {
        const tname name(named ? TextFrom(line, 6) : "Mat_" + std::to_string(ImportMaterials.size()));
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
        currentUnnamed_ = ImportMaterials[static_cast<std::size_t>(index)].name == "unnamed_material";
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
            currentUnnamed_ = true;
        }
        if (currentUnnamed_) ++withoutMaterial_;
    }

    void FaceFromCorners() {
        EnsureGroupAndMaterial();
        polygon_.Begin(currentGroup_, currentMaterial_, 0);
        for (const tcorner& c : corners_)
            if (!polygon_.AddCorner(c.vertex, c.normal, c.uv)) break;  // too many corners: skipped
        const int32_t cornerCount = polygon_.CornerCount();
        const int32_t triangles = polygon_.Emit();
        scene_.polygonsRead += 1;
        if (cornerCount > 3) scene_.polygonsOverThree += 1;
        scene_.trianglesMade += triangles;
    }

    void PolylineFromCorners() {
        EnsureGroupAndMaterial();
        if (corners_.size() < 2) return;  // no segment: no polyline
        tpolyline p;
        p.first = static_cast<int32_t>(LineSegments.size());
        p.count = static_cast<int32_t>(corners_.size() - 1);
        Polylines.push_back(p);
        for (std::size_t i = 1; i < corners_.size(); ++i) {
            const tcorner& a = corners_[i - 1];
            const tcorner& b = corners_[i];
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
    // block header on are kept.
    void OtherLine(std::string_view raw) {
        if (!blockFound_) {
            const std::string_view t = TrimBlanks(raw);
            if (t.size() != SettingsBlockHeader.size() || !SameText(t, SettingsBlockHeader)) return;
            blockFound_ = true;
            return;
        }
        blockLines_.emplace_back(raw);
        blockLineNumbers_.push_back(lineNumber_);
    }

    void AfterLastLine() {
        FlushProgress();
        if (degenerateNormals_ > 0)
            LogMessage("<!>There were " + std::to_string(degenerateNormals_) +
                       " degenerate normals converted to (1,0,0) ");
        if (withoutMaterial_ > 0)
            LogMessage("<!>There were " + std::to_string(withoutMaterial_) +
                       " polygons found not using a material. A default material was assigned.");
        polygon_.ReportSkipped(fileName_);

        ReadMaterials();
        if (blockFound_) {
            std::vector<tsettingsline> lines;
            for (std::size_t i = 0; i < blockLines_.size(); ++i) lines.push_back({blockLines_[i], blockLineNumbers_[i]});
            RestoreSettingsBlock(scene_, lines, fileName_);
        }

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
            // Beside the model only its name is looked up ignoring case.
            const std::string folder = ExtractFilePath(scene_.mtlFile);
            const std::string onDisk = folder == ExtractFilePath(scene_.modelFile)
                                           ? FileNameAsOnDiskIn(folder, ExtractFileName(scene_.mtlFile))
                                           : FileNameAsOnDisk(scene_.mtlFile);
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
    TextBlocks text_;
    const char* blockStart_ = nullptr;  // the block being read
    uint64_t blocksDone_ = 0;           // bytes of the blocks before it
    // Bytes of the vertex, normal, texture coordinate and face lines read
    // straight from the text, for the guess of how many more will come.
    uint64_t vertexBytes_ = 0, normalBytes_ = 0, uvBytes_ = 0, faceBytes_ = 0;
    std::string pending_;     // a logical line continued by "\"
    std::string pendingRaw_;  // the last physical line of it
    CommaTextSplitter splitter_;
    int progressSteps_ = 0;
    PolygonBuilder polygon_;
    ImportNameIndex groupNames_;
    ImportNameIndex materialNames_;
    std::string currentGroupName_ = "unnamed_group";
    int32_t currentGroup_ = 0;
    int32_t currentMaterial_ = -1;  // none chosen yet
    bool currentUnnamed_ = false;   // the current material is "unnamed_material"
    int32_t degenerateNormals_ = 0;
    int32_t withoutMaterial_ = 0;
    int64_t lineNumber_ = 0;
    int64_t vertexCount_ = 0;    // ImportVertices.size(), kept at hand
    int64_t fastTriangles_ = 0;  // triangles read straight from the text
    std::vector<tcorner> corners_;  // of the current face or polyline
    bool blockFound_ = false;
    std::vector<std::string> blockLines_;  // from the settings block header on
    std::vector<int64_t> blockLineNumbers_;
};

}  // namespace

void ReadOBJ(tscene& scene) {
    ObjReader reader(scene);
    reader.Run();
}

void ReadOBJBytes(tscene& scene, std::string_view text) {
    ObjReader reader(scene);
    reader.RunText(text);
}

void SetObjReadBlockSize(std::size_t bytes) { ReadBlockSize = bytes; }
