#include "readers/VrmlReader.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "readers/Gzip.h"
#include "readers/ImportMaterialLookup.h"
#include "readers/ReaderCommon.h"
#include "readers/TokenWalk.h"

namespace {

// ---- The token walk ---------------------------------------------------------

enum class Dialect { Vrml1, Vrml2, X3D };
enum class NodeKind { None, FaceSet, LineSet };

// A coordinate block: the position of its first point in ImportVertices
// (0-based) and its number of points.
struct tblock {
    int32_t start = 0;
    int32_t size = 0;
};

// An index list met inside a geometry node before the node's coordinates.
struct tpendinglist {
    bool active = false;
    std::size_t position = 0;
    NodeKind kind = NodeKind::None;
    int32_t group = 0;
    int32_t material = 0;
};

bool IsIndexToken(std::string_view t) {
    int64_t v = 0;
    return LeadingInt(t, v);
}

// Tokens after which a coordinate block's search for its "point" field gives
// up: they begin the next piece of geometry.
bool IsGeometryWord(std::string_view t) {
    return t == "coordinate" || t == "coordinate3" || t == "indexedfaceset" || t == "indexedlineset" ||
           t == "coordindex";
}

class VrmlReader : TokenWalk {
public:
    VrmlReader(tscene& scene, std::string fileName, std::string bytes)
        : TokenWalk(scene, std::move(fileName), std::move(bytes)) {}

    void Run() {
        Tokenize();
        Walk();
        FinishNode();
        builder_.ReportSkipped(fileName_);
        if (badLineIndices_ > 0)
            LogMessage("<!>" + std::to_string(badLineIndices_) + " line indices outside their coordinates in " +
                       fileName_ + " were skipped");
        if (truncated_) LogMessage("<!>" + fileName_ + " ends inside a node; what could be read was kept");
        ValidateImportIndices();
    }

private:
    // ---- Tokenizer ----
    void Tokenize() {
        CommaTokenizer splitter("[{}=<>", ']');
        std::string& s = tokens_.Bytes();
        bool decided = false;
        bool inXmlComment = false;
        TokenizeLines(splitter, [&](std::size_t b, std::size_t e) -> std::pair<std::size_t, std::size_t> {
            const std::string_view line(s.data() + b, e - b);
            if (line.find('#') != std::string_view::npos) {
                if (line.find("#vrml v1.0") != std::string_view::npos) {
                    LogMessage("VRML 1.0 model.");
                    if (!decided) dialect_ = Dialect::Vrml1;
                    decided = true;
                }
                if (line.find("#vrml v2.0") != std::string_view::npos) {
                    LogMessage("VRML 2.0 (VRML97) model.");
                    if (!decided) dialect_ = Dialect::Vrml2;
                    decided = true;
                }
            }
            if (line.find("doctype x3d") != std::string_view::npos) {
                LogMessage("X3D model.");
                if (!decided) dialect_ = Dialect::X3D;
                decided = true;
            } else if (!decided && line.find("<x3d") != std::string_view::npos) {
                dialect_ = Dialect::X3D;
                decided = true;
            }
            if (dialect_ == Dialect::X3D) {
                // XML text: no "#" comments; comments are "<!--" to "-->",
                // possibly over several lines, and are blanked out.
                splitter.SetAttributeQuotes(true);
                std::size_t i = b;
                for (;;) {
                    if (inXmlComment) {
                        const std::size_t close = line.find("-->", i - b);
                        const std::size_t stop = close == std::string_view::npos ? e : b + close + 3;
                        for (std::size_t k = i; k < stop; ++k) s[k] = ' ';
                        i = stop;
                        if (close == std::string_view::npos) break;
                        inXmlComment = false;
                    }
                    const std::size_t open = i < e ? line.find("<!--", i - b) : std::string_view::npos;
                    if (open == std::string_view::npos) break;
                    i = b + open;
                    inXmlComment = true;
                }
                return {b, e};
            }
            // "#" starts a comment; "/*" cuts the rest of the line and "*/"
            // keeps only what follows it.
            std::size_t end = e;
            const std::size_t hash = line.find('#');
            if (hash != std::string_view::npos) end = b + hash;
            std::string_view rest(s.data() + b, end - b);
            const std::size_t open = rest.find("/*");
            if (open != std::string_view::npos) {
                end = b + open;
                rest = rest.substr(0, open);
            }
            std::size_t begin = b;
            const std::size_t close = rest.find("*/");
            if (close != std::string_view::npos) begin = b + close + 2;
            return {begin, end};
        });
    }

    // ---- Walk ----
    void Walk() {
        WalkTokens([this](std::string_view t) {
            if (t.empty()) return;
            switch (t[0]) {
            case 'a':
                if (t == "ambientcolor") ColorField(&tmaterial::ambient);
                break;
            case 'c':
                if (t == "center") VectorField(center_);
                else if (t == "coordinate3" || t == "coordinate") CoordinateBlock();
                else if (t == "coordindex") IndexList();
                break;
            case 'd':
                if (t == "diffusecolor") ColorField(&tmaterial::diffuse);
                break;
            case 'i':
                if (t == "indexedfaceset") GeometryNode(NodeKind::FaceSet);
                else if (t == "indexedlineset") GeometryNode(NodeKind::LineSet);
                break;
            case 'm':
                if (t == "material") Material();
                break;
            case 'r':
                if (t == "rotation") Rotation();
                break;
            case 's':
                if (t == "shininess") ScalarField(true);
                else if (t == "specularcolor") ColorField(&tmaterial::specular);
                else if (t == "scale") VectorField(scale_);
                break;
            case 't':
                if (t == "transparency") ScalarField(false);
                else if (t == "translation") VectorField(translation_);
                break;
            case 'u':
                if (t == "use") Use();
                break;
            default:
                break;
            }
        });
    }

    // Reads n numbers from the position on. A field takes its values only
    // when they are all numbers; otherwise nothing moves and the tokens are
    // walked as usual (a texture transform's two-component values, say, never
    // reach the model's transform).
    bool ReadNumbers(int n, double* out) {
        for (int i = 0; i < n; ++i) {
            if (pos_ + i >= count_) {
                truncated_ = true;
                return false;
            }
            if (!TokenNumber(Tok(pos_ + i), out[i])) return false;
        }
        pos_ += n;
        return true;
    }

    // The material that colours and values go into: the last import
    // material, made with the defaults first when there is none yet.
    tmaterial& LastMaterial() {
        if (ImportMaterials.empty()) {
            tmaterial m;
            NewMaterial(m);
            AppendMaterial(std::move(m));
            current_ = 0;
            lastUsed_ = false;
        }
        return ImportMaterials.back();
    }

    void ColorField(tvector tmaterial::*field) {
        double v[3];
        if (!ReadNumbers(3, v)) return;
        tmaterial& m = LastMaterial();
        m.*field = {v[0], v[1], v[2]};
        m.scratch = 0;
    }

    void ScalarField(bool shininess) {
        double v = 0;
        if (!ReadNumbers(1, &v)) return;
        tmaterial& m = LastMaterial();
        if (shininess)
            m.shininess = static_cast<float>(v);
        else
            m.transparency = v;
        m.scratch = 0;
    }

    void VectorField(tvector& field) {
        double v[3];
        if (ReadNumbers(3, v)) field = {v[0], v[1], v[2]};
    }

    void Rotation() {
        double v[4];
        if (!ReadNumbers(4, v)) return;
        // The axis is made a unit vector: a longer one would scale the points
        // as it turns them. A zero axis turns nothing.
        const tvector axis{v[0], v[1], v[2]};
        const double length = VectorLength(axis);
        rotate_ = length > Epsilon && std::isfinite(length) && std::isfinite(v[3]);
        if (rotate_) axis_ = ScaleVector(axis, 1.0 / length);
        angle_ = v[3];
    }

    // A point of a coordinate block in the current transform: scaled and
    // turned about the centre, then moved by the translation.
    tvector TransformPoint(tvector p) const {
        p = SubtractVectors(p, center_);
        p = MultiplyVectors(p, scale_);
        if (rotate_) p = RotateAboutAxis(p, axis_, angle_);
        p = AddVectors(p, center_);
        return AddVectors(p, translation_);
    }

    // Every material goes into the list through here, so that the lookup by
    // name knows it.
    void AppendMaterial(tmaterial&& m) {
        ImportMaterials.push_back(std::move(m));
        names_.Appended();
    }

    // The last import material of the name, as FindImportMaterial finds it;
    // else the material that replaced a dropped duplicate of that name.
    int32_t FindMaterialByName(std::string_view name) const {
        const int32_t i = names_.Find(name);
        if (i >= 0) return i;
        const auto a = aliases_.find(std::string(name));
        return a == aliases_.end() ? -1 : a->second;
    }

    void Material() {
        const std::size_t keyword = pos_ - 1;
        const std::string_view next = Tok(pos_);
        const int32_t found = pos_ + 1 < count_ ? FindMaterialByName(Tok(pos_ + 1)) : -1;
        if (next == "use" && found >= 0) {
            current_ = found;
            fromUse_ = true;
        } else {
            tmaterial m;
            NewMaterial(m);
            const std::string number = std::to_string(ImportMaterials.size() + 1);
            if (dialect_ == Dialect::X3D && next == "def" && pos_ + 1 < count_) {
                // X3D names a node after its element name.
                m.name = Tok(pos_ + 1);
                pos_ += 2;
            } else if (keyword >= 2) {
                if (Tok(keyword - 2) == "def")
                    m.name = Tok(keyword - 1);
                else
                    m.name = "Material_Node_" + number;
            }
            m.ambient = ScaleVector(OneVector, 0.2);
            m.diffuse = ScaleVector(OneVector, 0.8);
            m.scratch = 1;
            AppendMaterial(std::move(m));
            LogMessage("Material Node " + number);
            current_ = static_cast<int32_t>(ImportMaterials.size()) - 1;
            fromUse_ = false;
            lastUsed_ = false;
        }
        if (Tok(pos_) == "material") ++pos_;
    }

    void Use() {
        if (pos_ >= count_) return;
        const std::string name(Tok(pos_));
        const auto b = defBlocks_.find(name);
        if (b != defBlocks_.end()) {
            ++pos_;
            TakeBlock(b->second);
            return;
        }
        if (dialect_ == Dialect::Vrml1) {
            // VRML 1.0 names a material again by USE alone.
            const int32_t m = FindMaterialByName(name);
            if (m >= 0) {
                ++pos_;
                current_ = m;
                fromUse_ = true;
            }
        }
    }

    void CoordinateBlock() {
        const std::size_t keyword = pos_ - 1;
        if (Tok(pos_) == "use") return;  // a reference: the "use" that follows takes it
        std::string_view defName;
        if (keyword >= 2 && Tok(keyword - 2) == "def") defName = Tok(keyword - 1);
        if (dialect_ == Dialect::X3D && Tok(pos_) == "def") defName = Tok(pos_ + 1);
        std::size_t j = pos_;
        for (; j < count_ && Tok(j) != "point"; ++j)
            if (IsGeometryWord(Tok(j))) return;  // a coordinate node without points
        if (j >= count_) {
            truncated_ = true;
            return;
        }
        ++j;
        tblock block{static_cast<int32_t>(ImportVertices.size()), 0};
        double v[3];
        while (j + 2 < count_ && block.size < INT32_MAX - 1 &&
               TokenNumber(Tok(j), v[0]) && TokenNumber(Tok(j + 1), v[1]) && TokenNumber(Tok(j + 2), v[2])) {
            tvertex p = DefaultVertex;
            p.p = TransformPoint({v[0], v[1], v[2]});
            p.mark = 0;
            ImportVertices.push_back(p);
            j += 3;
            ++block.size;
        }
        pos_ = j;
        if (!defName.empty()) defBlocks_[std::string(defName)] = block;
        TakeBlock(block);
    }

    void TakeBlock(const tblock& block) {
        latest_ = block;
        if (dialect_ == Dialect::Vrml1) {
            node_ = NodeKind::None;
            return;
        }
        if (node_ != NodeKind::None && !nodeHasBlock_) {
            nodeBlock_ = block;
            nodeHasBlock_ = true;
            if (pending_.active) {
                pending_.active = false;
                ParseIndexList(pending_.position, pending_.kind, block, pending_.group, pending_.material);
            }
        }
    }

    void ChooseMaterial() {
        if (ImportMaterials.empty()) {
            tmaterial m;
            NewMaterial(m);
            AppendMaterial(std::move(m));
            current_ = 0;
            lastUsed_ = true;
            return;
        }
        if (fromUse_) return;  // a material named by USE stays the current one
        const int32_t last = static_cast<int32_t>(ImportMaterials.size()) - 1;
        const tmaterial& m = ImportMaterials[last];
        // The first material equal to it (FindEqualImportMaterial), when that
        // is an earlier one; only a material given values can be replaced.
        const int32_t k = m.scratch == 0 ? equal_.FindFirst(m, static_cast<std::size_t>(last)) : -1;
        if (k != -1) {
            // An equal earlier material replaces it; it is dropped unless
            // earlier geometry already uses it. USE finds it by its old name.
            if (!lastUsed_) {
                aliases_[m.name.str()] = k;
                names_.DroppingLast();
                ImportMaterials.pop_back();
                // The material now last may take values again.
                equal_.Forget(ImportMaterials.size() - 1);
                lastUsed_ = true;
            }
            current_ = k;
        } else {
            current_ = last;
            lastUsed_ = true;
        }
    }

    void GeometryNode(NodeKind kind) {
        FinishNode();
        ChooseMaterial();
        tgroup g;
        NewGroup(g);
        g.name = "Node_" + std::to_string(ImportGroups.size() + 1);
        ImportGroups.push_back(std::move(g));
        const std::string& name = ImportGroups.back().name.str();
        if (kind == NodeKind::FaceSet)
            LogMessage("Reading faces (" + name + ") ...");
        else
            LogMessage("Reading Lines(" + name + ") ...");
        node_ = kind;
        nodeHasBlock_ = false;
        fallback_ = latest_;
    }

    // A list still waiting for its node's coordinates takes the block read
    // last before its node.
    void FinishNode() {
        if (!pending_.active) return;
        pending_.active = false;
        ParseIndexList(pending_.position, pending_.kind, fallback_, pending_.group, pending_.material);
    }

    void IndexList() {
        if (node_ == NodeKind::None) return;
        const int32_t group = static_cast<int32_t>(ImportGroups.size()) - 1;
        if (dialect_ == Dialect::Vrml1) {
            pos_ = ParseIndexList(pos_, node_, latest_, group, current_);
        } else if (nodeHasBlock_) {
            pos_ = ParseIndexList(pos_, node_, nodeBlock_, group, current_);
        } else {
            FinishNode();  // a second list in one node: the first keeps the earlier block
            pending_ = {true, pos_, node_, group, current_};
            while (pos_ < count_ && IsIndexToken(Tok(pos_))) ++pos_;
        }
    }

    // The 1-based import vertex of index i of the block; 0 (no vertex) for an
    // index outside the block.
    static int32_t VertexOf(const tblock& block, int64_t i) {
        if (i < 0 || i >= block.size) return 0;
        return block.start + static_cast<int32_t>(i) + 1;
    }

    // Reads the index list at token j against the block and returns the
    // position of its end: the "]" that closes it, a word that is no index,
    // or the end of the tokens. "-1" ends a polygon or a polyline.
    std::size_t ParseIndexList(std::size_t j, NodeKind kind, const tblock& block, int32_t group, int32_t material) {
        if (kind == NodeKind::FaceSet) {
            while (j < count_ && IsIndexToken(Tok(j))) {
                if (LeadingInt32(Tok(j)) == -1) {  // an empty polygon
                    ++j;
                    continue;
                }
                ++scene_.polygonsRead;
                builder_.Begin(group, material, scene_.polygonsRead);
                int32_t corners = 0;
                while (j < count_ && IsIndexToken(Tok(j))) {
                    const int32_t i = LeadingInt32(Tok(j++));
                    if (i == -1) break;
                    builder_.AddCorner(VertexOf(block, i));
                    ++corners;
                }
                if (corners > 3) ++scene_.polygonsOverThree;
                scene_.trianglesMade += builder_.Emit();
            }
            return j;
        }
        run_.clear();
        auto flush = [&] {
            if (run_.size() >= 2) {
                const int32_t first = static_cast<int32_t>(LineSegments.size());
                for (std::size_t k = 0; k + 1 < run_.size(); ++k) {
                    tline line;
                    line.vertex[0] = run_[k];
                    line.vertex[1] = run_[k + 1];
                    line.group = group;
                    line.material = material;
                    LineSegments.push_back(line);
                }
                Polylines.push_back({first, static_cast<int32_t>(run_.size() - 1)});
            }
            run_.clear();
        };
        while (j < count_ && IsIndexToken(Tok(j))) {
            const int32_t i = LeadingInt32(Tok(j++));
            if (i == -1) {
                flush();
                continue;
            }
            const int32_t v = VertexOf(block, i);
            if (v == 0) {  // a bad index breaks the polyline
                ++badLineIndices_;
                flush();
                continue;
            }
            run_.push_back(v);
        }
        flush();
        return j;
    }

    Dialect dialect_ = Dialect::Vrml2;

    // Transform values: the last of each field met.
    tvector translation_{0, 0, 0};
    tvector axis_{1, 0, 0};
    double angle_ = 0;
    bool rotate_ = false;
    tvector scale_{1, 1, 1};
    tvector center_{0, 0, 0};

    // Materials.
    int32_t current_ = 0;
    bool fromUse_ = false;   // the current material was named by USE
    bool lastUsed_ = false;  // geometry refers to the last import material
    std::unordered_map<std::string, int32_t> aliases_;  // dropped duplicates
    ImportMaterialNames names_;
    EqualMaterialIndex equal_;

    // Geometry.
    NodeKind node_ = NodeKind::None;
    tblock latest_;
    tblock nodeBlock_;
    bool nodeHasBlock_ = false;
    tblock fallback_;
    tpendinglist pending_;
    std::unordered_map<std::string, tblock> defBlocks_;
    PolygonBuilder builder_;
    std::vector<int32_t> run_;
    int64_t badLineIndices_ = 0;
};

}  // namespace

int32_t FindEqualImportMaterial(const tmaterial& material) {
    for (std::size_t i = 0; i < ImportMaterials.size(); ++i)
        if (EqualMaterialValues(ImportMaterials[i], material)) return static_cast<int32_t>(i);
    return -1;
}

void ReadVRML(tscene& scene) {
    scene.polygonsRead = 0;
    const std::string file = scene.modelFile;
    std::string bytes;
    if (LowerCase(ExtractFileExt(file)) == ".gz" || IsGzipFile(file)) {
        LogMessage("Decompressing " + ExtractFileName(file) + "...");
        const ScopedTempFile temp(UncompressGzipToTempFile(file, ".wrl"));
        bytes = ReadWholeFile(temp.path());
    } else {
        bytes = ReadWholeFile(file);
    }
    VrmlReader reader(scene, ExtractFileName(file), std::move(bytes));
    reader.Run();
}

void ReadVRMLBytes(tscene& scene, std::string_view text) {
    scene.polygonsRead = 0;
    VrmlReader reader(scene, ExtractFileName(scene.modelFile), std::string(text));
    reader.Run();
}
