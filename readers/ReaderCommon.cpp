#include "readers/ReaderCommon.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/PovReservedWords.h"
#include "model/PovText.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/Memory.h"

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

bool PovTextMayTouchFiles(std::string_view text) {
    // Control characters other than tabs and line breaks have no place in a
    // material; how POV-Ray would read them is not guessed at.
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7f) return true;
    }
    PovTokenizer tokens(text);
    std::string open;  // the braces, parentheses and brackets not yet closed
    std::size_t braces = 0;
    PovToken previous;
    for (PovToken t = tokens.Next(); t.kind != PovToken::End; previous = t, t = tokens.Next()) {
        switch (t.kind) {
            case PovToken::Broken:
                return true;
            case PovToken::Name:
                // A macro of the include files is run wherever its name
                // stands; a directive word may run as a directive.
                if (IsPovWordThatMayTouchFiles(t.text) || IsPovIncludeMacro(t.text)) return true;
                // "2x" or "1e" is no number POV-Ray reads; where the name
                // would start is not guessed at.
                if (previous.kind == PovToken::Number &&
                    previous.text.data() + previous.text.size() == t.text.data())
                    return true;
                break;
            case PovToken::Char: {
                const char c = t.text[0];
                if (c == '#' || static_cast<unsigned char>(c) >= 0x80)
                    return true;  // a directive, or a letter POV-Ray does not read outside strings
                if (c == '(') {
                    // A name followed by "(" calls a macro or function unless
                    // it is one of POV-Ray's own words. A parenthesis outside
                    // every brace is no part of a material; it could only
                    // serve as the "(" of a name that stands before the text.
                    if (previous.kind == PovToken::Name && !IsPovReservedWord(previous.text)) return true;
                    if (braces == 0) return true;
                }
                constexpr std::string_view Opening = "{([", Closing = "})]";
                if (Opening.find(c) != std::string_view::npos) {
                    open += c;
                    if (c == '{') ++braces;
                } else if (const std::size_t k = Closing.find(c); k != std::string_view::npos) {
                    // A text whose braces or parentheses do not pair cannot
                    // be one material: what it leaves open, a later text
                    // would close.
                    if (open.empty() || open.back() != Opening[k]) return true;
                    open.pop_back();
                    if (c == '}') --braces;
                }
                break;
            }
            default:
                break;
        }
    }
    return !open.empty();
}

void SwitchOnCustomTextFromFile(tmaterial& m) {
    // A text of blanks, comments or ";" alone is no material: it stays off.
    m.customTextActive = PovTextHasValue(m.customText.view()) ? 1 : 0;
    m.customTextHeld = 0;
    if (m.customTextActive && PovTextMayTouchFiles(m.customText.view())) {
        m.customTextActive = 0;
        m.customTextHeld = 1;
        LogMessage("<!>The POV-Ray material of " + m.name.str() + " " + std::string(CustomTextRisk) +
                   "; it is kept switched off");
    }
}

std::string PovIdentifierFrom(std::string_view word) { return PrefixLeadingDigit(CleanIdentifier(word)); }
