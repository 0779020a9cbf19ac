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

constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A number of a vertex, normal or texture coordinate; 0 when it is none.
// Plain decimals of up to 15 digits ("-0.123456") are read directly: their
// digits and the power of ten are both exact doubles, so one division gives
// the correctly rounded value, the same as the general parser.
inline double Coordinate(std::string_view word) {
    const char* p = word.data();
    const char* const end = p + word.size();
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    int digits = 0, decimals = 0;
    for (; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p, ++digits) mantissa = mantissa * 10 + (*p - '0');
    if (p < end && *p == '.')
        for (++p; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p, ++digits, ++decimals)
            mantissa = mantissa * 10 + (*p - '0');
    if (p == end && digits > 0 && digits <= 15) {
        const double v = static_cast<double>(mantissa) / PowersOfTen[decimals];
        return negative ? -v : v;
    }
    double v = 0;
    return ParseDouble(word, v) ? v : 0.0;
}

// Digit runs read eight bytes at a time: the number of leading ASCII digits
// of the eight bytes (in memory order), and their value.
inline int LeadingDigits(uint64_t bytes) {
    const uint64_t highNibble = (bytes & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL;
    const uint64_t lowOver9 = ((bytes & 0x0F0F0F0F0F0F0F0FULL) + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL;
    const uint64_t notDigit = highNibble | lowOver9;
    return notDigit == 0 ? 8 : std::countr_zero(notDigit) / 8;
}
inline uint32_t DigitsValue(uint64_t bytes, int count) {  // count 1..8
    // Subtracting '0' borrows only from bytes past the digits, which the
    // shift then drops; the digits end up at the top with zeros before them.
    bytes -= 0x3030303030303030ULL;
    bytes <<= 8 * (8 - count);
    bytes = bytes * 10 + (bytes >> 8);
    bytes = (((bytes & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
             (((bytes >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
            32;
    return static_cast<uint32_t>(bytes);
}
inline uint64_t Load8(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// The words of a line read straight from its text. Where a line holds no
// comma and no double quote, its comma-text words are simply the runs of
// bytes above the blank; nearly every line of a model is such a line. A
// comma or a quote in what is read gives Complex, and the caller then reads
// the line by the full rules (nothing has been changed by then).
//
// The byte just past the line must be readable and a blank or control byte
// (the line's end, or the NUL after a string's text: lines are views into
// one string), and `loadEnd` is the end of that string's text: digits are
// read eight bytes at a time while those bytes lie within it.
class PlainWords {
public:
    enum Result { Word, End, Complex };

    PlainWords(std::string_view line, const char* loadEnd)
        : p_(line.data()), end_(line.data() + line.size()), loadEnd_(loadEnd) {}

    Result Next(std::string_view& word) {
        if (!SkipBlanks()) return End;
        const char* const start = p_;
        if (!ToWordEnd()) return Complex;
        word = std::string_view(start, static_cast<std::size_t>(p_ - start));
        return Word;
    }

    // The next word as a coordinate (Coordinate's rules). A word that starts
    // with "#" begins a comment, which ends the numbers of the line.
    Result NextNumber(double& value) {
        if (!SkipToNumber()) return End;
        const char* p = p_;
        const char* const start = p;
        bool negative = false;
        if (*p == '-' || *p == '+') negative = *p++ == '-';
        uint64_t mantissa = 0;
        int digits = 0, decimals = 0;
        if (DigitRun(p, mantissa, digits) && *p == '.') {
            ++p;
            if (DigitRun(p, mantissa, decimals)) digits += decimals;
            else digits = 99;
        }
        if (IsBlankByte(*p) && p <= end_ && digits > 0 && digits <= 15) {
            p_ = p;
            const double v = static_cast<double>(mantissa) / PowersOfTen[decimals];
            value = negative ? -v : v;
            return Word;
        }
        p_ = start;
        if (!ToWordEnd()) return Complex;
        value = Coordinate(std::string_view(start, static_cast<std::size_t>(p_ - start)));
        return Word;
    }

    // The next word as the three index fields of a corner (ParseCorner's
    // rules, before negative indices are resolved); a comment ends them as
    // it ends the numbers.
    Result NextCorner(int64_t fields[3]) {
        if (!SkipToNumber()) return End;
        fields[0] = fields[1] = fields[2] = 0;
        const char* p = p_;
        const char* const end = end_;
        for (int i = 0;; ++i) {
            // The usual field: up to nine digits, then '/', a blank or the end.
            const char* const start = p;
            uint64_t value = 0;
            int digits = 0;
            int64_t v;
            if (DigitRun(p, value, digits) && digits > 0 && digits <= 9 && (*p == '/' || IsBlankByte(*p))) {
                v = static_cast<int64_t>(value);
            } else {
                // Anything else: a sign, more digits or other characters.
                p = start;
                bool negative = false;
                if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
                bool anyDigit = false, bad = false;
                v = 0;
                for (; p < end; ++p) {
                    const char c = *p;
                    const unsigned d = Digit(c);
                    if (d <= 9) {
                        anyDigit = true;
                        if (!bad) {
                            v = v * 10 + d;
                            if (v > INT32_MAX) bad = true;
                        }
                        continue;
                    }
                    if (c == '/' || IsBlankByte(c)) break;
                    if (c == ',' || c == '"') return Complex;
                    bad = true;
                }
                v = anyDigit && !bad ? (negative ? -v : v) : 0;
            }
            if (i < 3) fields[i] = v;
            if (p >= end || *p != '/') {
                p_ = p;
                return Word;
            }
            ++p;  // the '/'
        }
    }

private:
    static unsigned Digit(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

    // Reads a run of up to 16 digits at p into value (value * 10^n + digits)
    // and adds their number to `count`; false when the run is longer. The
    // run always stops before the end of the line (the byte there is no
    // digit).
    bool DigitRun(const char*& p, uint64_t& value, int& count) const {
        // No digit, or one (the integer part of most coordinates): no need
        // for the eight-byte read. p[1] lies at most at the line's end.
        const unsigned first = Digit(p[0]);
        if (first > 9) return true;
        if (Digit(p[1]) > 9) {
            value = value * 10 + first;
            ++p;
            ++count;
            return true;
        }
        for (int chunk = 0; chunk < 2; ++chunk) {
            int n;
            if (loadEnd_ - p >= 8) {
                const uint64_t bytes = Load8(p);
                n = LeadingDigits(bytes);
                if (n == 0) return true;
                value = value * PowersOfTenInt[n] + DigitsValue(bytes, n);
            } else {
                n = 0;
                unsigned d;
                while (n < 8 && (d = Digit(p[n])) <= 9) {
                    value = value * 10 + d;
                    ++n;
                }
                if (n == 0) return true;
            }
            p += n;
            count += n;
            if (n < 8) return true;
        }
        return Digit(*p) > 9;
    }

    bool SkipBlanks() {
        const char* p = p_;
        while (p < end_ && IsBlankByte(*p)) ++p;
        p_ = p;
        return p < end_;
    }
    // SkipBlanks, and false at a comment too.
    bool SkipToNumber() {
        if (!SkipBlanks()) return false;
        if (*p_ != '#') return true;
        p_ = end_;
        return false;
    }
    bool ToWordEnd() {
        const char* p = p_;
        for (; p < end_ && !IsBlankByte(*p); ++p)
            if (*p == ',' || *p == '"') return false;
        p_ = p;
        return true;
    }

    static constexpr uint64_t PowersOfTenInt[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

    const char* p_;
    const char* end_;
    const char* loadEnd_;
};

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
        IndexImportNames(groupNames_, materialNames_);
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
            CountLine(raw);
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
            const std::string_view buffer = pending.empty() ? text_.Text() : std::string_view(pending);
            if (!LogicalLine(line, buffer.data() + buffer.size())) OtherLine(raw);
            pending.clear();
        } while (!text_.Eof());
    }

    // Keeps lineNumber_ at the number of the line `raw` as an editor counts
    // lines: the line reader passes over empty lines ended by a line feed,
    // so the line ends between two lines are counted (CR LF, LF or a lone
    // CR each end one line).
    void CountLine(std::string_view raw) {
        const std::string_view text = text_.Text();
        const char* const start = raw.data() ? raw.data() : text.data() + text.size();
        const char* p = previousEnd_ ? previousEnd_ : text.data();
        if (!previousEnd_) lineNumber_ = 1;
        if (start - p == 1) {
            ++lineNumber_;
        } else {
            for (; p < start; ++p)
                if (*p == '\n' || (*p == '\r' && (p + 1 >= start || p[1] != '\n'))) ++lineNumber_;
        }
        previousEnd_ = start + raw.size();
    }

    // One logical line; false when no keyword handled it.
    bool LogicalLine(std::string_view line, const char* loadEnd) {
        if (line.empty()) return false;
        // One step per line in a cycle of 100000; the gauge moves by whole
        // percents, so the steps are handed on in batches.
        if (++progressSteps_ == ProgressBatch) FlushProgress();
        {
            PlainWords words(line, loadEnd);
            std::string_view keyword;
            if (words.Next(keyword) == PlainWords::Word) {
                // The first word is the same by either rule when it holds no
                // comma or quote.
                const Keyword k = Classify(keyword);
                if (k == Keyword::None) return false;
                if (PlainLine(k, words)) return true;
            }
        }
        const std::vector<std::string_view>& split = splitter_.Split(line);
        if (split.empty()) return false;
        return SplitLine(Classify(split[0]), line, split);
    }

    // The lines of coordinates and corners read straight from the text;
    // false when the line needs the full word rules (or is another line).
    bool PlainLine(Keyword keyword, PlainWords& words) {
        double x = 0, y = 0, z = 0;
        switch (keyword) {
            case Keyword::Vertex:
            case Keyword::Normal: {
                const PlainWords::Result r[3] = {words.NextNumber(x), words.NextNumber(y), words.NextNumber(z)};
                for (PlainWords::Result each : r)
                    if (each == PlainWords::Complex) return false;
                if (r[2] != PlainWords::Word) Fail(keyword == Keyword::Vertex ? VertexShort : NormalShort);
                if (keyword == Keyword::Vertex) AddVertex(x, y, z);
                else AddNormal(x, y, z);
                return true;
            }
            case Keyword::TexCoord: {
                const PlainWords::Result u = words.NextNumber(x);
                const PlainWords::Result v = u == PlainWords::Word ? words.NextNumber(y) : PlainWords::End;
                if (u == PlainWords::Complex || v == PlainWords::Complex) return false;
                if (u != PlainWords::Word) Fail(TexCoordShort);
                AddUV(x, v == PlainWords::Word ? y : 0.0);
                return true;
            }
            case Keyword::Face:
            case Keyword::Line: {
                corners_.clear();
                int64_t fields[3];
                PlainWords::Result r;
                while ((r = words.NextCorner(fields)) == PlainWords::Word) KeepCorner(keyword, CornerOf(fields));
                if (r == PlainWords::Complex) return false;
                if (keyword == Keyword::Face) FaceFromCorners();
                else PolylineFromCorners();
                return true;
            }
            default: return false;
        }
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
    }

    // Normals are made unit length; a zero normal becomes the X axis.
    void AddNormal(double x, double y, double z) {
        tnormal n;
        n.p = NormalizeVector({x, y, z});
        const double length = VectorLength(n.p);
        if (!(length >= Epsilon) || !std::isfinite(length)) {
            n.p = XAxis;
            ++degenerateNormals_;
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
        FlushProgress();
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
    const char* previousEnd_ = nullptr;  // end of the line read before
    std::vector<tcorner> corners_;  // of the current face or polyline
    bool blockFound_ = false;
    std::vector<tsettingsline> blockLines_;
};

}  // namespace

void ReadOBJ(tscene& scene) {
    ObjReader reader(scene);
    reader.Run();
}
