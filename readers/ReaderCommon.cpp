#include "readers/ReaderCommon.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/Memory.h"
#include "readers/PovReservedWords.h"

std::string ReadWholeFile(const std::string& fileName) {
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) throw ReadError("Cannot open file " + ExtractFileName(fileName) + ": " + std::strerror(errno), fileName);
    std::string data;
    bool failed = false;
    // Sized once from the file's length, so that a large file is never held
    // twice while it is read; a file that grows meanwhile is read to its end.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0 && static_cast<uint64_t>(size) > AvailableMemory()) {
            std::fclose(f);
            throw ReadError(NoMemoryText(fileName), fileName);
        }
        if (size > 0) data.resize(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    std::size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), f);
    data.resize(got);
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
    failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw ReadError("Cannot read file " + ExtractFileName(fileName), fileName);
    return data;
}

std::string NoMemoryText(std::string_view fileName) { return "not enough memory to load " + ExtractFileName(fileName); }

int ChosenTriangulationMethod() {
    const int i = Form1.ComboBox26.index;
    return i >= TriangulateAutomatic && i <= TriangulateEarCut ? i : TriangulateAutomatic;
}

namespace {
template <typename T, typename Init>
int32_t AddNamed(std::vector<T>& list, std::string_view name, ImportNameIndex& index, Init&& init,
                 const char* what, std::string_view logSuffix) {
    T record;
    init(record);
    record.name = name;
    list.push_back(std::move(record));
    const int32_t i = static_cast<int32_t>(list.size()) - 1;
    index.Set(list.back().name.view(), i);
    LogMessage(std::string(what) + " [" + std::to_string(i + 1) + "]= " + list.back().name.str() +
               std::string(logSuffix));
    return i;
}
}  // namespace

void IndexImportNames(ImportNameIndex& groups, ImportNameIndex& materials) {
    for (std::size_t i = 0; i < ImportGroups.size(); ++i) groups.Set(ImportGroups[i].name.view(), static_cast<int32_t>(i));
    for (std::size_t i = 0; i < ImportMaterials.size(); ++i)
        materials.Set(ImportMaterials[i].name.view(), static_cast<int32_t>(i));
}

int32_t AddImportGroup(std::string_view name, ImportNameIndex& index, std::string_view logSuffix) {
    return AddNamed(ImportGroups, name, index, NewGroup, "Group", logSuffix);
}

int32_t AddImportMaterial(std::string_view name, ImportNameIndex& index, std::string_view logSuffix) {
    return AddNamed(ImportMaterials, name, index, NewMaterial, "Material", logSuffix);
}

PolygonBuilder::PolygonBuilder() : method_(ChosenTriangulationMethod()) {}

void PolygonBuilder::Begin(int32_t group, int32_t material, int32_t polygonNumber) {
    polygon_.count = 0;
    polygon_.group = group;
    polygon_.material = material;
    polygon_.polygon = polygonNumber;
    overflow_ = false;
}

bool PolygonBuilder::AddCorner(int32_t vertex, int32_t normal, int32_t uv) {
    if (!polygon_.AddCorner(vertex, normal, uv)) {
        overflow_ = true;
        return false;
    }
    return true;
}

int32_t PolygonBuilder::Emit() {
    if (overflow_) {
        ++skipped_;
        return 0;
    }
    if (polygon_.count < 3) return 0;
    if (polygon_.count == 3 && method_ >= TriangulateAutomatic && method_ <= TriangulateEarCut) {
        // A triangle stays as it is (what every method gives for it), without
        // the round trip through the triangulator.
        const int64_t n = static_cast<int64_t>(ImportVertices.size());
        tface f;
        for (int c = 0; c < 3; ++c) {
            if (polygon_.vertex[c] < 1 || polygon_.vertex[c] > n) {
                ++skipped_;
                return 0;
            }
            f.vertex[c] = polygon_.vertex[c];
            f.normal[c] = polygon_.normal[c];
            f.uv[c] = polygon_.uv[c];
        }
        f.group = polygon_.group;
        f.material = polygon_.material;
        ImportFaces.push_back(f);
        return 1;
    }
    const TriangulateStatus status = TriangulatePolygon(polygon_, triangles_, method_, ImportVertices);
    if (status != TriangulateStatus::Done) {
        ++skipped_;
        return 0;
    }
    for (const tfacetriangle& t : triangles_) {
        tface f;
        for (int c = 0; c < 3; ++c) {
            f.vertex[c] = t.vertex[c];
            f.normal[c] = t.normal[c];
            f.uv[c] = t.uv[c];
        }
        f.group = t.group;
        f.material = t.material;
        ImportFaces.push_back(f);
    }
    return static_cast<int32_t>(triangles_.size());
}

void PolygonBuilder::ReportSkipped(std::string_view fileName) const {
    if (skipped_ > 0)
        LogMessage("<!>" + std::to_string(skipped_) + " polygons with invalid vertex indices or too many corners in " +
                   std::string(fileName) + " were skipped");
}

void ValidateImportIndices() {
    const int32_t groups = static_cast<int32_t>(ImportGroups.size());
    const int32_t materials = static_cast<int32_t>(ImportMaterials.size());
    int32_t fallbackGroup = -1, fallbackMaterial = -1;
    int32_t moved = 0;
    ImportNameIndex none;
    auto fixGroup = [&](int32_t& g) {
        if (g >= 0 && g < groups) return false;
        if (fallbackGroup < 0) {
            fallbackGroup = FindImportGroup("unnamed_group");
            if (fallbackGroup < 0) fallbackGroup = AddImportGroup("unnamed_group", none);
        }
        g = fallbackGroup;
        return true;
    };
    auto fixMaterial = [&](int32_t& m) {
        if (m >= 0 && m < materials) return false;
        if (fallbackMaterial < 0) {
            fallbackMaterial = FindImportMaterial("unnamed_material");
            if (fallbackMaterial < 0) fallbackMaterial = AddImportMaterial("unnamed_material", none);
        }
        m = fallbackMaterial;
        return true;
    };
    for (tface& f : ImportFaces) {
        const bool a = fixGroup(f.group);
        const bool b = fixMaterial(f.material);
        if (a || b) ++moved;
    }
    for (std::size_t i = static_cast<std::size_t>(std::max(0, LinesMergedCount)); i < LineSegments.size(); ++i) {
        const bool a = fixGroup(LineSegments[i].group);
        const bool b = fixMaterial(LineSegments[i].material);
        if (a || b) ++moved;
    }
    if (moved > 0)
        LogMessage("<!>" + std::to_string(moved) +
                   " faces or lines with an invalid group or material were moved to a default one");
}

namespace {

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Past blanks, line breaks and comments as POV-Ray reads them: "//" up to a
// carriage return or line feed, "/* */" nested (strings and "//" mean nothing
// inside). False when a block comment does not end within the text.
bool SkipSpace(std::string_view t, std::size_t& i) {
    const std::size_t n = t.size();
    while (i < n) {
        const char c = t[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '/' && i + 1 < n && t[i + 1] == '/') {
            i += 2;
            while (i < n && t[i] != '\r' && t[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && t[i + 1] == '*') {
            i += 2;
            for (std::size_t depth = 1; depth > 0;) {
                if (i + 1 >= n) return false;
                if (t[i] == '/' && t[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (t[i] == '*' && t[i + 1] == '/') {
                    --depth;
                    i += 2;
                } else {
                    ++i;
                }
            }
        } else {
            break;
        }
    }
    return true;
}

// Past the string literal that starts at t[i]. Line breaks may stand in it; a
// backslash takes the one character of an escape POV-Ray knows (so \" does
// not end it) or "u" and four hex digits. False for any other escape (POV-Ray
// stops there) and for a string that does not end within the text.
bool SkipString(std::string_view t, std::size_t& i) {
    constexpr std::string_view Escapes = "\"'\\abfnrtv";
    const std::size_t n = t.size();
    for (++i; i < n;) {
        const char c = t[i++];
        if (c == '"') return true;
        if (c != '\\') continue;
        if (i >= n) return false;
        const char e = t[i++];
        if (e == 'u') {
            for (int k = 0; k < 4; ++k, ++i)
                if (i >= n || !IsHexDigit(t[i])) return false;
        } else if (Escapes.find(e) == std::string_view::npos) {
            return false;
        }
    }
    return false;
}

// Past a number: digits, a fraction, an exponent "e" or "E" with an optional
// sign and digits.
void SkipNumber(std::string_view t, std::size_t& i) {
    const std::size_t n = t.size();
    while (i < n && IsDigit(t[i])) ++i;
    if (i < n && t[i] == '.')
        for (++i; i < n && IsDigit(t[i]);) ++i;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < n && IsDigit(t[j]))
            for (i = j; i < n && IsDigit(t[i]);) ++i;
    }
}

}  // namespace

bool PovTextMayTouchFiles(std::string_view text) {
    // Control characters other than tabs and line breaks have no place in a
    // material; how POV-Ray would read them is not guessed at.
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7f) return true;
    }
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::string_view name;  // the name just read, until the next token
    for (;;) {
        if (!SkipSpace(text, i)) return true;
        if (i == n) break;
        const char c = text[i];
        // A name followed by "(" calls a macro or function unless it is one
        // of POV-Ray's own words.
        if (!name.empty() && c == '(' && !IsPovReservedWord(name)) return true;
        name = {};
        if (c == '"') {
            if (!SkipString(text, i)) return true;
        } else if (IsNameStart(c)) {
            const std::size_t start = i;
            while (i < n && (IsNameStart(text[i]) || IsDigit(text[i]))) ++i;
            name = text.substr(start, i - start);
            if (IsPovWordThatMayTouchFiles(name)) return true;
        } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(text[i + 1]))) {
            SkipNumber(text, i);
            // "2x" or "1e" is no number POV-Ray reads; where the name would
            // start is not guessed at.
            if (i < n && IsNameStart(text[i])) return true;
        } else if (c == '#' || static_cast<unsigned char>(c) >= 0x80) {
            return true;  // a directive, or a letter POV-Ray does not read outside strings
        } else {
            ++i;
        }
    }
    // A name at the very end is no call: the material include goes on with
    // a line break, a comment and the next "#declare".
    return false;
}

std::string PovIdentifierFrom(std::string_view word) { return PrefixLeadingDigit(CleanIdentifier(word)); }
