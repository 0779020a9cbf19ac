#include "readers/PovMeshReader.h"

#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/Model.h"
#include "model/PovReservedWords.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "readers/ReaderCommon.h"
#include "readers/TokenWalk.h"

namespace {

enum class MeshKind { None, Mesh, Mesh2 };

int32_t ClampIndex(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

double Number(std::string_view t) {
    double v = 0;
    TokenNumber(t, v);
    return v;
}

// Keywords are read in any letter case; identifiers keep theirs, since
// POV-Ray's names are case-sensitive.
bool Is(std::string_view token, std::string_view keyword) { return SameText(token, keyword); }

class PovMeshReader : TokenWalk {
public:
    PovMeshReader(tscene& scene, std::string fileName, std::string bytes)
        : TokenWalk(scene, std::move(fileName), std::move(bytes), false) {}

    void Run() {
        Tokenize();
        Walk();
        ApplyObjectMaterials();
        if (ImportMaterials.empty() && !ImportGroups.empty()) {
            tmaterial m;
            NewMaterial(m);
            ImportMaterials.push_back(std::move(m));
        }
        if (shortBlocks_ > 0)
            LogMessage("<!>" + std::to_string(shortBlocks_) + " blocks of " + fileName_ +
                       " hold fewer entries than their counts");
        if (excessIndices_ > 0)
            LogMessage("<!>" + std::to_string(excessIndices_) + " uv or normal indices of " + fileName_ +
                       " lie past the faces of their mesh and were skipped");
        if (truncated_) LogMessage("<!>" + fileName_ + " ends inside a mesh; what could be read was kept");
        ValidateImportIndices();
    }

private:
    // "//" comments end a line; "/*" to "*/" comments may run over lines.
    void Tokenize() {
        CommaTokenizer splitter("{}=>", '<');
        const std::string& s = tokens_.Bytes();
        bool inComment = false;
        TokenizeLines(splitter, [&](std::size_t b, std::size_t e) -> std::pair<std::size_t, std::size_t> {
            std::size_t begin = b, end = e;
            if (inComment) {
                // Lines wholly inside a block comment are passed over.
                const std::size_t close = std::string_view(s.data() + b, e - b).find("*/");
                if (close == std::string_view::npos) return {e, e};
                begin = b + close + 2;
                inComment = false;
            }
            std::string_view rest(s.data() + begin, end - begin);
            const std::size_t slashes = rest.find("//");
            if (slashes != std::string_view::npos) {
                end = begin + slashes;
                rest = rest.substr(0, slashes);
            }
            const std::size_t open = rest.find("/*");
            if (open != std::string_view::npos) {
                if (rest.find("*/") == std::string_view::npos) inComment = true;
                end = begin + open;
                rest = rest.substr(0, open);
            }
            const std::size_t close = rest.find("*/");
            if (close != std::string_view::npos) {
                begin += close + 2;
                inComment = false;
            }
            return {begin, end};
        });
    }

    void Walk() {
        WalkTokens([this](std::string_view t) {
            if (Is(t, "mesh2")) {
                StartMesh(MeshKind::Mesh2);
            } else if (Is(t, "mesh")) {
                StartMesh(MeshKind::Mesh);
            } else if (Is(t, "object")) {
                ObjectMaterial();
            } else if (kind_ == MeshKind::Mesh2) {
                if (Is(t, "vertex_vectors")) PointBlock(ImportVertices, " vertices...");
                else if (Is(t, "normal_vectors")) PointBlock(ImportNormals, " normals...");
                else if (Is(t, "uv_vectors")) UVBlock();
                else if (Is(t, "face_indices")) FaceBlock();
                else if (Is(t, "uv_indices")) CornerIndexBlock(&tface::uv, uvBase_, " uv indices...");
                else if (Is(t, "normal_indices")) CornerIndexBlock(&tface::normal, normalBase_, " normal indices...");
                else if (Is(t, "texture_list")) TextureList();
            } else if (kind_ == MeshKind::Mesh) {
                if (Is(t, "triangle")) Triangle(false);
                else if (Is(t, "smooth_triangle")) Triangle(true);
                else if (Is(t, "uv_vectors")) TriangleUVs();
                else if (Is(t, "texture") || Is(t, "texture_list")) TriangleTexture();
            }
        });
    }

    // "object { <declared mesh> ... material { <identifier> } }": the way the
    // program's own geometry include gives each of its meshes its material
    // (or "texture { <identifier> }"). Braces are no tokens, so the object's
    // words run up to the next object, mesh or declaration. The mesh and the
    // identifier are noted; nothing is taken from the walk.
    void ObjectMaterial() {
        std::size_t p = pos_;
        if (p >= count_) return;
        const auto mesh = declaredMeshes_.find(std::string(Tok(p)));
        if (mesh == declaredMeshes_.end()) return;
        for (++p; p + 1 < count_; ++p) {
            const std::string_view t = Tok(p);
            if (Is(t, "object") || Is(t, "mesh2") || Is(t, "mesh") || Is(t, "#declare")) return;
            if (Is(t, "material") || Is(t, "texture")) {
                objectMaterials_.push_back({mesh->second, std::string(Tok(p + 1)), Is(t, "texture")});
                return;
            }
        }
    }

    // A file whose meshes carry no textures of their own but are given
    // materials by object statements: one material per identifier, in the
    // order met, and every face of a mesh takes its mesh's material (faces
    // of meshes without one take a default material). A material identifier
    // is declared in a file this reader does not read (the material include
    // beside the program's own geometry include), so it comes back as a
    // plain material named after it; a texture identifier as the textures
    // of a mesh do (AddTextureMaterial).
    void ApplyObjectMaterials() {
        if (!ImportMaterials.empty() || objectMaterials_.empty()) return;
        std::vector<int32_t> groupMaterial(ImportGroups.size(), -1);
        std::unordered_map<std::string, int32_t> byIdentifier;
        for (const auto& [group, identifier, texture] : objectMaterials_) {
            auto it = byIdentifier.find(identifier);
            if (it == byIdentifier.end()) {
                const int64_t number = static_cast<int64_t>(byIdentifier.size()) + 1;
                const int32_t m = texture ? AddTextureMaterial(number, identifier) : AddNamedMaterial(identifier);
                it = byIdentifier.emplace(identifier, m).first;
            }
            if (group >= 0 && static_cast<std::size_t>(group) < groupMaterial.size() && groupMaterial[group] < 0)
                groupMaterial[group] = it->second;
        }
        int32_t fallback = -1;
        for (tface& f : ImportFaces) {
            const int32_t g = f.group;
            const bool known = g >= 0 && static_cast<std::size_t>(g) < groupMaterial.size() && groupMaterial[g] >= 0;
            if (known) {
                f.material = groupMaterial[g];
                continue;
            }
            if (fallback < 0) {
                tmaterial m;
                NewMaterial(m);
                ImportMaterials.push_back(std::move(m));
                fallback = static_cast<int32_t>(ImportMaterials.size()) - 1;
            }
            f.material = fallback;
        }
    }

    void StartMesh(MeshKind kind) {
        const std::size_t keyword = pos_ - 1;
        kind_ = kind;
        tgroup g;
        NewGroup(g);
        const bool declared = keyword >= 2 && Is(Tok(keyword - 2), "#declare");
        if (declared) g.name = LowerCase(Tok(keyword - 1));  // group names are lower case
        ImportGroups.push_back(std::move(g));
        group_ = static_cast<int32_t>(ImportGroups.size()) - 1;
        if (declared) declaredMeshes_[std::string(Tok(keyword - 1))] = group_;
        materialBase_ = static_cast<int32_t>(ImportMaterials.size());
        faceBase_ = ImportFaces.size();
        vertexBase_ = static_cast<int32_t>(ImportVertices.size());
        uvBase_ = static_cast<int32_t>(ImportUVs.size());
        normalBase_ = static_cast<int32_t>(ImportNormals.size());
        LogMessage("Reading mesh " + ImportGroups.back().name.str() + "...");
    }

    // The count in front of a block; 0 (and nothing taken) when the next
    // token is no number.
    int64_t ReadCount() {
        int64_t n = 0;
        if (pos_ < count_ && LeadingInt(Tok(pos_), n)) ++pos_;
        return n < 0 ? 0 : n;
    }

    // A vector: "<" and n components. False, and nothing taken, when the next
    // token is not "<". A component missing at the end of the file is empty.
    bool ReadVector(int n, std::string_view* parts) {
        if (pos_ >= count_ || Tok(pos_) != "<") return false;
        ++pos_;
        for (int i = 0; i < n; ++i) {
            if (pos_ < count_ && Tok(pos_) != "<") {
                parts[i] = Tok(pos_++);
            } else {
                parts[i] = {};
                if (pos_ >= count_) truncated_ = true;
            }
        }
        return true;
    }

    // Ends a block read with `read` of its `n` entries.
    void EndBlock(int64_t read, int64_t n) {
        if (read < n) {
            ++shortBlocks_;
            if (pos_ >= count_) truncated_ = true;
        }
    }

    void PointBlock(std::vector<tvertex>& list, const char* what) {
        const int64_t n = ReadCount();
        LogMessage("Reading " + std::to_string(n) + what);
        std::string_view p[3];
        int64_t read = 0;
        for (; read < n && ReadVector(3, p); ++read) {
            tvertex v = DefaultVertex;
            v.p = {Number(p[0]), Number(p[1]), Number(p[2])};
            v.mark = 0;
            list.push_back(v);
        }
        EndBlock(read, n);
    }

    void UVBlock() {
        const int64_t n = ReadCount();
        LogMessage("Reading " + std::to_string(n) + " uv coordinates...");
        std::string_view p[2];
        int64_t read = 0;
        for (; read < n && ReadVector(2, p); ++read) {
            tuv uv = DefaultUV;
            uv.u = Number(p[0]);
            uv.v = Number(p[1]);
            uv.mark = 0;
            ImportUVs.push_back(uv);
        }
        EndBlock(read, n);
    }

    void FaceBlock() {
        const int64_t n = ReadCount();
        LogMessage("Reading " + std::to_string(n) + " faces...");
        std::string_view p[3];
        int64_t read = 0;
        for (; read < n && ReadVector(3, p); ++read) {
            tface f;
            InitFace(f);
            for (int c = 0; c < 3; ++c) f.vertex[c] = ClampIndex(int64_t(LeadingInt32(p[c])) + 1 + vertexBase_);
            f.group = group_;
            if (IsIntegerToken(Tok(pos_))) {
                f.material = ClampIndex(int64_t(LeadingInt32(Tok(pos_++))) + materialBase_);
                // A face may carry one texture per corner; the first one is taken.
                for (int extra = 0; extra < 2 && IsIntegerToken(Tok(pos_)); ++extra) ++pos_;
            }
            ImportFaces.push_back(f);
            ++scene_.polygonsRead;
        }
        EndBlock(read, n);
    }

    // uv_indices and normal_indices: they go to the faces of the current
    // mesh in order and never past its last face.
    void CornerIndexBlock(int32_t (tface::*field)[3], int32_t base, const char* what) {
        const int64_t n = ReadCount();
        LogMessage("Reading " + std::to_string(n) + what);
        std::string_view p[3];
        int64_t read = 0;
        std::size_t face = faceBase_;
        for (; read < n && ReadVector(3, p); ++read, ++face) {
            if (face >= ImportFaces.size()) {
                ++excessIndices_;
                continue;
            }
            for (int c = 0; c < 3; ++c)
                (ImportFaces[face].*field)[c] = ClampIndex(int64_t(LeadingInt32(p[c])) + 1 + base);
        }
        EndBlock(read, n);
    }

    // A texture of the standard include files (or a pigment, normal or
    // finish of theirs, which POV-Ray reads as one: IsPovIncludeTexture)
    // gives a material whose custom text is that texture, as a material (the
    // material include declares it after those includes, and the geometry
    // include uses it inside "material{}"). Any other identifier names a
    // texture of the mesh's own file or of its author's scene, which the
    // written scene lacks: it gives a plain material named after it, with a
    // "<!>" line. A quoted word of the file could hold anything, and a
    // texture written out in the file ("texture{pigment{...}}") names no
    // identifier (its first word is one of POV-Ray's own): both give a plain
    // material of the number's name.
    int32_t AddTextureMaterial(int64_t number, std::string_view identifier) {
        tmaterial m;
        NewMaterial(m);
        m.name = "POV_texture_" + std::to_string(number);
        const std::string id = PovIdentifierFrom(identifier);
        if (IsPovIncludeTexture(id)) {
            StringToBuffer("material{texture{" + id + "}}", m.customText);
            SwitchOnCustomTextFromFile(m);
        } else if (!IsPovReservedWord(id)) {
            if (id == identifier) m.name = id;
            if (unknownTextures_.insert(id).second)
                LogMessage("<!>The texture " + id + " of " + fileName_ +
                           " is none of POV-Ray's standard textures; a plain material takes its place");
        }
        ImportMaterials.push_back(std::move(m));
        return static_cast<int32_t>(ImportMaterials.size()) - 1;
    }

    // A plain material named after a material identifier, without the "_"
    // the program's writer puts at the end of its identifiers.
    int32_t AddNamedMaterial(std::string_view identifier) {
        std::string name = PovIdentifierFrom(identifier);
        if (name.size() > 1 && name.back() == '_') name.pop_back();
        tmaterial m;
        NewMaterial(m);
        m.name = name;
        ImportMaterials.push_back(std::move(m));
        return static_cast<int32_t>(ImportMaterials.size()) - 1;
    }

    void TextureList() {
        const int64_t n = ReadCount();
        LogMessage("Reading texture list...");
        int64_t read = 0;
        for (; read < n && pos_ + 1 < count_ && Is(Tok(pos_), "texture"); ++read) {
            AddTextureMaterial(read + 1, Tok(pos_ + 1));
            pos_ += 2;
        }
        EndBlock(read, n);
    }

    void Triangle(bool smooth) {
        std::string_view p[6][3];
        const int vectors = smooth ? 6 : 3;
        for (int i = 0; i < vectors; ++i)
            if (!ReadVector(3, p[i])) {
                ++shortBlocks_;
                if (pos_ >= count_) truncated_ = true;
                return;
            }
        tface f;
        InitFace(f);
        for (int c = 0; c < 3; ++c) {
            const auto& q = p[smooth ? 2 * c : c];
            tvertex v = DefaultVertex;
            v.p = {Number(q[0]), Number(q[1]), Number(q[2])};
            v.mark = 0;
            ImportVertices.push_back(v);
            f.vertex[c] = static_cast<int32_t>(ImportVertices.size());
            if (smooth) {
                const auto& m = p[2 * c + 1];
                tnormal nv = DefaultVertex;
                nv.p = {Number(m[0]), Number(m[1]), Number(m[2])};
                nv.mark = 0;
                ImportNormals.push_back(nv);
                f.normal[c] = static_cast<int32_t>(ImportNormals.size());
            }
        }
        f.group = group_;
        ImportFaces.push_back(f);
        ++scene_.polygonsRead;
    }

    bool MeshHasFace() const { return ImportFaces.size() > faceBase_; }

    void TriangleUVs() {
        std::string_view p[3][2];
        for (auto& q : p)
            if (!ReadVector(2, q)) {
                ++shortBlocks_;
                if (pos_ >= count_) truncated_ = true;
                return;
            }
        if (!MeshHasFace()) return;  // no triangle of this mesh to take them
        tface& f = ImportFaces.back();
        for (int c = 0; c < 3; ++c) {
            tuv uv = DefaultUV;
            uv.u = Number(p[c][0]);
            uv.v = Number(p[c][1]);
            uv.mark = 0;
            ImportUVs.push_back(uv);
            f.uv[c] = static_cast<int32_t>(ImportUVs.size());
        }
    }

    // A texture inside a mesh names the material of the triangle read last.
    // Each name becomes its material the first time it is met.
    void TriangleTexture() {
        if (pos_ >= count_) {
            truncated_ = true;
            return;
        }
        const std::string name(Tok(pos_++));
        if (!MeshHasFace()) return;
        auto it = textures_.find(name);
        if (it == textures_.end()) {
            const int32_t m = AddTextureMaterial(static_cast<int64_t>(textures_.size()) + 1, name);
            it = textures_.emplace(name, m).first;
        }
        ImportFaces.back().material = it->second;
    }

    MeshKind kind_ = MeshKind::None;
    int32_t group_ = 0;
    int32_t materialBase_ = 0;
    std::size_t faceBase_ = 0;
    int32_t vertexBase_ = 0;
    int32_t uvBase_ = 0;
    int32_t normalBase_ = 0;
    std::unordered_map<std::string, int32_t> textures_;  // texture name -> material
    std::unordered_map<std::string, int32_t> declaredMeshes_;  // declared identifier -> group
    std::unordered_set<std::string> unknownTextures_;  // identifiers already reported
    struct ObjectMaterialRef {
        int32_t group;
        std::string identifier;
        bool texture;  // named by "texture", not "material"
    };
    std::vector<ObjectMaterialRef> objectMaterials_;

    int64_t shortBlocks_ = 0;
    int64_t excessIndices_ = 0;
};

}  // namespace

void ReadPOVMesh(tscene& scene) {
    scene.polygonsRead = 0;
    std::string bytes = ReadWholeFile(scene.modelFile);
    PovMeshReader reader(scene, ExtractFileName(scene.modelFile), std::move(bytes));
    reader.Run();
}

void ReadPOVMeshBytes(tscene& scene, std::string_view text) {
    scene.polygonsRead = 0;
    PovMeshReader reader(scene, ExtractFileName(scene.modelFile), std::string(text));
    reader.Run();
}
