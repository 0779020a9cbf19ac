#include "readers/DxfReader.h"

#include <array>
#include <cstdlib>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "readers/ReadIssues.h"
#include "readers/ReaderCommon.h"

namespace {

constexpr std::size_t MaxValue = 255;
constexpr std::string_view BadFaceRecordIssue =
    "{n} polyface face records with invalid vertex indices in {file} were skipped";

// Blanks, tabs and other control characters off both ends.
std::string_view TrimView(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

// Lines ended by CR, LF or CR LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

int32_t IntValue(std::string_view value) { return TextToInt(value); }

double FloatValue(std::string_view value) {
    double v = 0;
    int32_t code = 0;
    ValFloat(TrimView(value), v, code);
    return code == 0 ? v : 0;
}

class ReaderDXF {
public:
    ReaderDXF(tscene& scene, std::string_view text)
        : scene_(scene), text_(text), fileName_(ExtractFileName(scene.modelFile)) {
        IndexImportNames(groups_, materials_);
    }

    void Run();

private:
    // Reads pairs from line i_ on until a pair with code 0 (i_ then points
    // at its value line) or the end of the lines; calls `take` for each pair.
    // The value of a header variable also ends at the next variable name
    // (code 9), so that the variables after it are met by the scan.
    template <typename Take>
    void ReadPairs(Take&& take, bool headerVariable = false) {
        tdxfpair pair;
        while (i_ < lines_.size()) {
            ReadDXFPair(lines_, i_, pair);
            if (pair.code == 9 && headerVariable) {
                ++i_;
                return;
            }
            take(pair);
            if (pair.code == 0) {
                ++i_;
                return;
            }
            i_ += 2;
        }
    }
    void Version(std::string_view value);
    void Block();
    void Layer();
    void Polyline();
    void Vertex();
    void Face3D();
    void SelectGroupAndMaterial();
    int32_t EntityColor(int32_t value, bool byBlockOnlyInsideBlock) const;

    tscene& scene_;
    std::string_view text_;
    std::string fileName_;
    std::vector<std::string_view> lines_;
    std::size_t i_ = 0;
    ReadIssues issues_;
    ImportNameIndex groups_;
    ImportNameIndex materials_;
    PolygonBuilder builder_;

    std::string layerName_;
    int32_t layerColor_ = 7;
    std::string blockName_;
    int32_t blockColor_ = 7;
    tvector basePoint_{0, 0, 0};
    int32_t entityColor_ = 7;
    bool polyface_ = false;
    int32_t polyfaceBase_ = 0;
    int32_t blockCount_ = 0;
    int32_t layerCount_ = 0;
    int32_t currentGroup_ = -1;
    int32_t currentMaterial_ = -1;
};

void ReaderDXF::Run() {
    if (text_.empty()) throw ReadError("File " + fileName_ + " is empty", scene_.modelFile);
    if (text_.substr(0, 18) == "AutoCAD Binary DXF")
        throw ReadError("File " + fileName_ + " is a binary DXF file; only ASCII DXF files can be read",
                        scene_.modelFile);
    lines_ = SplitLines(text_);
    Svc().status->ProcessPendingMessages();

    const double last = static_cast<double>(lines_.size()) - 1;
    while (i_ < lines_.size()) {
        ShowProgress(0, last, static_cast<double>(i_));
        const std::string_view key = TrimView(lines_[i_]);
        ++i_;
        if (SameText(key, "$CECOLOR")) {
            ReadPairs([](const tdxfpair& p) {
                if (p.code == 62) LogMessage(IntValue(p.value) == 256 ? "Color by layer" : "Color by block");
            }, true);
        } else if (SameText(key, "$ACADVER")) {
            ReadPairs([this](const tdxfpair& p) {
                if (p.code == 1) Version(p.value);
            }, true);
        } else if (SameText(key, "BLOCK")) {
            Block();
        } else if (SameText(key, "ENDBLK")) {
            basePoint_ = {0, 0, 0};
            blockName_.clear();
            ReadPairs([](const tdxfpair&) {});
        } else if (SameText(key, "LAYER")) {
            Layer();
        } else if (SameText(key, "POLYLINE")) {
            Polyline();
        } else if (SameText(key, "SEQEND")) {
            polyface_ = false;
        } else if (SameText(key, "VERTEX")) {
            if (polyface_) Vertex();
        } else if (SameText(key, "3DFACE")) {
            Face3D();
        }
    }
    builder_.ReportSkipped(fileName_);
    issues_.Report(fileName_);
    ValidateImportIndices();
}

void ReaderDXF::Version(std::string_view value) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> versions{{
        {"AC1006", "DXF R10 file"},
        {"AC1009", "DXF R11 or R12 file"},
        {"AC1012", "DXF R13 file"},
        {"AC1014", "DXF R14 file"},
        {"AC1015", "DXF R2000 file"},
        {"AC1018", "DXF R2004 file"},
    }};
    const std::string_view v = TrimView(value);
    for (const auto& [code, line] : versions)
        if (SameText(v, code)) LogMessage(line);
}

void ReaderDXF::Block() {
    ++blockCount_;
    blockColor_ = 7;
    basePoint_ = {0, 0, 0};
    ReadPairs([this](const tdxfpair& p) {
        switch (p.code) {
        case 2:
            blockName_ = p.value;
            break;
        case 10:
            basePoint_.x = FloatValue(p.value);
            break;
        case 20:
            basePoint_.y = FloatValue(p.value);
            break;
        case 30:
            basePoint_.z = FloatValue(p.value);
            break;
        case 62: {
            const int32_t c = IntValue(p.value);
            blockColor_ = c == 0 ? layerColor_ : c;
            break;
        }
        default:
            break;
        }
    });
    if (blockName_.empty()) blockName_ = "ACAD_Block_" + std::to_string(blockCount_);
}

void ReaderDXF::Layer() {
    ++layerCount_;
    layerColor_ = 7;
    ReadPairs([this](const tdxfpair& p) {
        if (p.code == 2) layerName_ = p.value;
        else if (p.code == 62) layerColor_ = IntValue(p.value);
    });
    if (layerName_.empty()) layerName_ = "ACAD_Layer_" + std::to_string(layerCount_);
}

// 0 is the colour of the block (for a 3DFACE only inside a block) and 256
// the colour of the layer.
int32_t ReaderDXF::EntityColor(int32_t value, bool byBlockOnlyInsideBlock) const {
    if (value == 0 && (!byBlockOnlyInsideBlock || !blockName_.empty())) return blockColor_;
    if (value == 256) return layerColor_;
    return value;
}

void ReaderDXF::Polyline() {
    polyfaceBase_ = static_cast<int32_t>(ImportVertices.size());
    polyface_ = false;  // flags are 0 unless given
    ReadPairs([this](const tdxfpair& p) {
        if (p.code == 8) layerName_ = p.value;
        else if (p.code == 62) entityColor_ = EntityColor(IntValue(p.value), false);
        else if (p.code == 70) polyface_ = IntValue(p.value) == 64;
    });
    if (polyface_) SelectGroupAndMaterial();
}

// A vertex of a polyface mesh (flags 192) or one of its face records (flags
// 128, vertex numbers 71 to 74 within the mesh; 0 or a missing code is no
// corner, a negative number counts by its absolute value).
void ReaderDXF::Vertex() {
    tvector position{0, 0, 0};
    int32_t flags = 0;
    std::array<int32_t, 4> index{0, 0, 0, 0};
    ReadPairs([&](const tdxfpair& p) {
        switch (p.code) {
        case 10:
            position.x = FloatValue(p.value);
            break;
        case 20:
            position.y = FloatValue(p.value);
            break;
        case 30:
            position.z = FloatValue(p.value);
            break;
        case 70:
            flags = IntValue(p.value);
            break;
        case 71:
        case 72:
        case 73:
        case 74: {
            const int32_t v = IntValue(p.value);
            index[static_cast<std::size_t>(p.code - 71)] = v == INT32_MIN ? 0 : std::abs(v);
            break;
        }
        default:
            break;
        }
    });
    if (flags == 192) {
        tvertex v = DefaultVertex;
        v.p = AddVectors(position, basePoint_);
        ImportVertices.push_back(v);
        return;
    }
    if (flags != 128) return;
    int32_t corners[4];
    int n = 0;
    for (int32_t v : index)
        if (v != 0) corners[n++] = v;
    if (n < 3) return;
    if (currentGroup_ < 0) SelectGroupAndMaterial();
    const int32_t meshVertices = static_cast<int32_t>(ImportVertices.size()) - polyfaceBase_;
    for (int k = 0; k < n; ++k)
        if (corners[k] > meshVertices) {
            issues_.Add(BadFaceRecordIssue);
            return;
        }
    auto addFace = [&](int32_t a, int32_t b, int32_t c) {
        tface f;
        InitFace(f);
        f.vertex[0] = a + polyfaceBase_;
        f.vertex[1] = b + polyfaceBase_;
        f.vertex[2] = c + polyfaceBase_;
        f.group = currentGroup_;
        f.material = currentMaterial_;
        ImportFaces.push_back(f);
    };
    addFace(corners[0], corners[1], corners[2]);
    if (n == 4) addFace(corners[0], corners[2], corners[3]);
}

// A 3DFACE: three or four corners (a fourth corner equal to the third makes
// a triangle), offset by the base point of the block it lies in.
void ReaderDXF::Face3D() {
    layerName_ = "unnamed_group";
    entityColor_ = 7;
    std::array<tvector, 4> corner{};
    int highest = 0;  // highest corner that got a value
    bool complete = false;
    ReadPairs([&](const tdxfpair& p) {
        if (p.code == 8) {
            layerName_ = p.value;
        } else if (p.code == 62) {
            entityColor_ = EntityColor(IntValue(p.value), true);
        } else if (p.code >= 10 && p.code <= 33 && p.code % 10 <= 3) {
            const int c = p.code % 10;
            const double v = FloatValue(p.value);
            if (p.code < 20) corner[static_cast<std::size_t>(c)].x = v;
            else if (p.code < 30) corner[static_cast<std::size_t>(c)].y = v;
            else corner[static_cast<std::size_t>(c)].z = v;
            if (c + 1 > highest) highest = c + 1;
        } else if (p.code == 0) {
            complete = true;
        }
    });
    if (!complete) return;
    SelectGroupAndMaterial();
    int n = highest;
    if (n == 4 && corner[3] == corner[2]) n = 3;
    if (n < 3) return;
    builder_.Begin(currentGroup_, currentMaterial_);
    for (int k = 0; k < n; ++k) {
        tvertex v = DefaultVertex;
        v.p = AddVectors(corner[static_cast<std::size_t>(k)], basePoint_);
        ImportVertices.push_back(v);
        builder_.AddCorner(static_cast<int32_t>(ImportVertices.size()));
    }
    builder_.Emit();
}

// The group of the block, or else of the layer; the material of the
// entity's colour index. Both are made when new.
void ReaderDXF::SelectGroupAndMaterial() {
    const std::string& groupName = blockName_.empty() ? layerName_ : blockName_;
    int32_t g = groups_.Find(tname(groupName).view());
    if (g < 0) {
        g = AddImportGroup(groupName, groups_);
        ImportGroups[static_cast<std::size_t>(g)].readerScratch[3] = entityColor_;
    }
    currentGroup_ = g;
    const std::string materialName = "ACAD_color_" + std::to_string(entityColor_);
    int32_t m = materials_.Find(materialName);
    if (m < 0) {
        m = AddImportMaterial(materialName, materials_);
        ImportMaterials[static_cast<std::size_t>(m)].diffuse = DXFColorToVector(entityColor_);
    }
    currentMaterial_ = m;
}

}  // namespace

void ReadDXFPair(const std::vector<std::string_view>& lines, std::size_t index, tdxfpair& pair) {
    pair.code = -1;
    pair.value.clear();
    if (index >= lines.size()) return;
    int64_t code = 0;
    if (ParseInt(TrimView(lines[index]), code) && code >= INT32_MIN && code <= INT32_MAX)
        pair.code = static_cast<int32_t>(code);
    if (index + 1 < lines.size()) pair.value.assign(lines[index + 1].substr(0, MaxValue));
}

void ReadDXFBytes(tscene& scene, std::string_view text) {
    ReaderDXF reader(scene, text);
    reader.Run();
}

void ReadDXF(tscene& scene) {
    const std::string text = ReadWholeFile(scene.modelFile);
    ReadDXFBytes(scene, text);
}
