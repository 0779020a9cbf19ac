#include "readers/ThreeDSReader.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "model/MapPaths.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "readers/ByteReader.h"
#include "readers/ReadIssues.h"
#include "readers/ReaderCommon.h"

namespace {

// Chunk ids.
enum : uint16_t {
    ChunkMain = 0x4D4D,
    ChunkRelease = 0x0002,
    ChunkEditor = 0x3D3D,
    ChunkMasterScale = 0x0100,
    ChunkNamedObject = 0x4000,
    ChunkTriangleMesh = 0x4100,
    ChunkVertexList = 0x4110,
    ChunkFaceList = 0x4120,
    ChunkFaceMaterials = 0x4130,
    ChunkUVList = 0x4140,
    ChunkMeshMatrix = 0x4160,
    ChunkMaterialBlock = 0xAFFF,
    ChunkMaterialName = 0xA000,
    ChunkAmbient = 0xA010,
    ChunkDiffuse = 0xA020,
    ChunkSpecular = 0xA030,
    ChunkShininess = 0xA040,
    ChunkTransparency = 0xA050,
    ChunkTextureMap = 0xA200,
    ChunkOpacityMap = 0xA210,
    ChunkBumpMap = 0xA230,
    ChunkBumpAmount = 0xA252,
    ChunkMapFileName = 0xA300,
    ChunkColorFloat = 0x0010,
    ChunkColorByte = 0x0011,
    ChunkColorByteGamma = 0x0012,
    ChunkColorFloatGamma = 0x0013,
    ChunkPercentInt = 0x0030,
    ChunkPercentFloat = 0x0031,
};

constexpr std::size_t HeaderSize = 6;
constexpr std::size_t MaxName = 255;
// Returned by a chunk handler: skip the chunk with everything inside it.
constexpr std::size_t SkipWhole = static_cast<std::size_t>(-1);

constexpr std::string_view BadFaceIssue = "{n} faces with invalid vertex indices in {file} were skipped";
constexpr std::string_view BadFaceMaterialIssue =
    "{n} face material entries with invalid face indices in {file} were ignored";
constexpr std::string_view BadUVIssue = "{n} faces with invalid UV indices in {file} were given no UVs";

enum class Property { None, Ambient, Diffuse, Specular, Shininess, Transparency, ColorMap, TransparencyMap, BumpMap };

class Reader3DS {
public:
    Reader3DS(tscene& scene, std::string_view bytes)
        : scene_(scene), bytes_(bytes), fileName_(ExtractFileName(scene.modelFile)) {
        IndexImportNames(groups_, materials_);
    }

    void Run();

private:
    [[noreturn]] void BadFormat();
    std::size_t Handle(uint16_t id, ByteReader& chunk);
    void StartMesh();
    void EnsureMesh() {
        if (!mesh_.active) StartMesh();
    }
    void ReadVertices(ByteReader& chunk);
    void ReadUVs(ByteReader& chunk);
    void ReadFaces(ByteReader& chunk);
    std::size_t ReadFaceMaterials(ByteReader& chunk);
    void ReadMaterialName(ByteReader& chunk);
    void ReadMapName(ByteReader& chunk);
    void SetColor(const tvector& c);
    void SetPercent(double intPercent, double floatPercent, bool isFloat);
    tmaterial* Material() {
        return currentMaterial_ >= 0 && currentMaterial_ < static_cast<int32_t>(ImportMaterials.size())
                   ? &ImportMaterials[static_cast<std::size_t>(currentMaterial_)]
                   : nullptr;
    }

    tscene& scene_;
    std::string_view bytes_;
    std::string fileName_;
    ReadIssues issues_;
    ImportNameIndex groups_;
    ImportNameIndex materials_;

    std::string objectName_;
    int32_t currentGroup_ = -1;
    int32_t currentMaterial_ = -1;
    Property property_ = Property::None;
    float masterScale_ = 1.0f;

    // The mesh being read (from its triangle-mesh chunk on). Face corners
    // and face-material entries are checked against its own lists.
    struct Mesh {
        bool active = false;
        int32_t vertexBase = 0, vertexCount = 0;
        int32_t uvBase = 0, uvCount = 0;
        bool hasFaceList = false;
        std::vector<int32_t> faceMap;  // file face -> import face index, -1 skipped
    } mesh_;
};

void Reader3DS::BadFormat() {
    Svc().prompts->Show(MessageKind::Warning, "File does not have a recognizable 3DS format");
    LogMessage("Could not load 3DS file.");
    throw ReadError("File does not have a recognizable 3DS format", scene_.modelFile);
}

void Reader3DS::Run() {
    ByteReader file(bytes_);
    if (bytes_.size() < HeaderSize || file.U16LE() != ChunkMain) BadFormat();
    file.Skip(4);  // the main chunk's length is not used

    const double last = static_cast<double>(bytes_.size() - 1);
    while (file.Position() + 1 < file.Size()) {
        ShowProgress(0, last, static_cast<double>(file.Position()));
        if (!file.Has(HeaderSize)) {
            issues_.Add(DamagedFileIssue);
            break;
        }
        const uint16_t id = file.U16LE();
        const uint32_t length = file.U32LE();
        const uint64_t dataLength = length > HeaderSize ? length - HeaderSize : 0;
        ByteReader chunk = file.Peek(dataLength);
        std::size_t consumed;
        try {
            consumed = Handle(id, chunk);
        } catch (const ByteOverrun&) {
            issues_.Add(DamagedFileIssue);
            consumed = SkipWhole;
        }
        if (consumed == SkipWhole) {
            if (!file.SkipClipped(dataLength)) issues_.Add(DamagedFileIssue);
        } else {
            file.Skip(consumed);
        }
    }

    if (ImportMaterials.empty()) {
        LogMessage("File did not have any materials. Creating a default material");
        const int32_t m = AddImportMaterial("unnamed_material", materials_);
        ImportMaterials[static_cast<std::size_t>(m)].diffuse = {1, 1, 1};
    }
    issues_.Report(fileName_);
    ValidateImportIndices();
}

// Reads the data of one chunk; returns the bytes it took (children of the
// chunk follow as chunks of their own) or SkipWhole.
std::size_t Reader3DS::Handle(uint16_t id, ByteReader& chunk) {
    switch (id) {
    case ChunkRelease:
        LogMessage("3DS File Release " + std::to_string(chunk.U32LE()));
        break;
    case ChunkEditor:
    case ChunkMaterialBlock:
        break;
    case ChunkMasterScale: {
        const float s = chunk.F32LE();
        masterScale_ = std::fabs(s) < Epsilon ? 1.0f : s;
        LogMessage("Master Scale = " + FloatToText(masterScale_));
        break;
    }
    case ChunkNamedObject: {
        std::string name = chunk.CString(MaxName);
        objectName_ = name.empty() ? "unnamed_group" : std::move(name);
        break;
    }
    case ChunkTriangleMesh:
        StartMesh();
        break;
    case ChunkVertexList:
        ReadVertices(chunk);
        break;
    case ChunkUVList:
        ReadUVs(chunk);
        break;
    case ChunkMeshMatrix:
        chunk.Skip(12 * 4);  // read, not applied
        break;
    case ChunkFaceList:
        ReadFaces(chunk);
        break;
    case ChunkFaceMaterials:
        return ReadFaceMaterials(chunk);
    case ChunkMaterialName:
        ReadMaterialName(chunk);
        break;
    case ChunkAmbient:
        property_ = Property::Ambient;
        break;
    case ChunkDiffuse:
        property_ = Property::Diffuse;
        break;
    case ChunkSpecular:
        property_ = Property::Specular;
        break;
    case ChunkShininess:
        property_ = Property::Shininess;
        break;
    case ChunkTransparency:
        property_ = Property::Transparency;
        break;
    case ChunkTextureMap:
        property_ = Property::ColorMap;
        break;
    case ChunkOpacityMap:
        property_ = Property::TransparencyMap;
        break;
    case ChunkBumpMap:
        property_ = Property::BumpMap;
        break;
    case ChunkMapFileName:
        ReadMapName(chunk);
        break;
    case ChunkBumpAmount: {
        const int16_t p = chunk.I16LE();
        if (property_ == Property::BumpMap)
            if (tmaterial* m = Material()) m->bumpSize = p / 100.0;
        break;
    }
    case ChunkColorFloat:
    case ChunkColorFloatGamma: {
        tvector c;
        c.x = chunk.F32LE();
        c.y = chunk.F32LE();
        c.z = chunk.F32LE();
        SetColor(c);
        break;
    }
    case ChunkColorByte:
    case ChunkColorByteGamma: {
        tvector c;
        c.x = chunk.U8() / 255.0;
        c.y = chunk.U8() / 255.0;
        c.z = chunk.U8() / 255.0;
        SetColor(c);
        break;
    }
    case ChunkPercentInt: {
        const int16_t p = chunk.I16LE();
        SetPercent(p, 0, false);
        break;
    }
    case ChunkPercentFloat: {
        const float f = chunk.F32LE();
        SetPercent(0, f, true);
        break;
    }
    default:  // the main chunk met again counts as unknown too
        return SkipWhole;
    }
    return chunk.Position();
}

// A triangle mesh selects the group of the latest object name, made when the
// name is new; the mesh's own lists start empty.
void Reader3DS::StartMesh() {
    int32_t g = groups_.Find(objectName_);
    if (g < 0) {
        const std::string name =
            objectName_.empty() ? "group_" + std::to_string(ImportGroups.size() + 1) : objectName_;
        g = AddImportGroup(name, groups_);
    }
    currentGroup_ = g;
    mesh_ = Mesh{};
    mesh_.active = true;
}

void Reader3DS::ReadVertices(ByteReader& chunk) {
    const std::size_t n = chunk.CheckCount(chunk.U16LE(), 12);
    EnsureMesh();
    ReserveMore(ImportVertices, n);
    for (std::size_t i = 0; i < n; ++i) {
        tvertex v = DefaultVertex;
        v.p.x = chunk.F32LE();
        v.p.y = chunk.F32LE();
        v.p.z = chunk.F32LE();
        v.p = ScaleVector(v.p, masterScale_);
        ImportVertices.push_back(v);
    }
    mesh_.vertexCount = static_cast<int32_t>(n);
    mesh_.vertexBase = static_cast<int32_t>(ImportVertices.size() - n);
    ImportGroups[static_cast<std::size_t>(currentGroup_)].readerScratch[0] = mesh_.vertexBase;
}

void Reader3DS::ReadUVs(ByteReader& chunk) {
    const std::size_t n = chunk.CheckCount(chunk.U16LE(), 8);
    EnsureMesh();
    ReserveMore(ImportUVs, n);
    for (std::size_t i = 0; i < n; ++i) {
        tuv t = DefaultUV;
        t.u = chunk.F32LE();
        t.v = chunk.F32LE();
        ImportUVs.push_back(t);
    }
    mesh_.uvCount = static_cast<int32_t>(n);
    mesh_.uvBase = static_cast<int32_t>(ImportUVs.size() - n);
    tgroup& group = ImportGroups[static_cast<std::size_t>(currentGroup_)];
    if (n > 0) group.readerFlag = 1;
    group.readerScratch[1] = mesh_.uvBase;
}

// Corners are indices into the mesh's own vertex list; a face with a corner
// outside it is skipped. UVs are given only by a mesh that has its own UV
// list covering the corners.
void Reader3DS::ReadFaces(ByteReader& chunk) {
    const std::size_t n = chunk.CheckCount(chunk.U16LE(), 8);
    EnsureMesh();
    mesh_.hasFaceList = true;
    mesh_.faceMap.assign(n, -1);
    ReserveMore(ImportFaces, n);
    const std::size_t facesBefore = ImportFaces.size();
    for (std::size_t i = 0; i < n; ++i) {
        uint16_t a[3];
        for (uint16_t& c : a) c = chunk.U16LE();
        chunk.U16LE();  // face flags, not used
        if (a[0] >= mesh_.vertexCount || a[1] >= mesh_.vertexCount || a[2] >= mesh_.vertexCount) {
            issues_.Add(BadFaceIssue);
            continue;
        }
        tface f;
        InitFace(f);
        const bool uvs = mesh_.uvCount > 0;
        const bool uvsValid = uvs && a[0] < mesh_.uvCount && a[1] < mesh_.uvCount && a[2] < mesh_.uvCount;
        if (uvs && !uvsValid) issues_.Add(BadUVIssue);
        for (int k = 0; k < 3; ++k) {
            f.vertex[k] = a[k] + 1 + mesh_.vertexBase;
            if (uvsValid) f.uv[k] = a[k] + 1 + mesh_.uvBase;
        }
        f.group = currentGroup_;
        f.material = 0;
        mesh_.faceMap[i] = static_cast<int32_t>(ImportFaces.size());
        ImportFaces.push_back(f);
    }
    ImportGroups[static_cast<std::size_t>(currentGroup_)].readerScratch[2] = static_cast<int32_t>(facesBefore);
}

// The material of faces of the current mesh; entries outside the mesh's
// faces are ignored, and so is the whole list when the mesh has no faces.
std::size_t Reader3DS::ReadFaceMaterials(ByteReader& chunk) {
    const std::string name = chunk.CString(MaxName);
    const int32_t m = materials_.Find(name);
    if (m < 0) return SkipWhole;
    const std::size_t n = chunk.CheckCount(chunk.U16LE(), 2);
    if (!mesh_.hasFaceList) {
        if (n > 0) issues_.Add(BadFaceMaterialIssue, static_cast<int64_t>(n));
        chunk.Skip(2 * n);
        return chunk.Position();
    }
    for (std::size_t k = 0; k < n; ++k) {
        const uint16_t i = chunk.U16LE();
        if (i >= mesh_.faceMap.size()) {
            issues_.Add(BadFaceMaterialIssue);
            continue;
        }
        const int32_t face = mesh_.faceMap[i];
        if (face >= 0) ImportFaces[static_cast<std::size_t>(face)].material = m;
    }
    return chunk.Position();
}

void Reader3DS::ReadMaterialName(ByteReader& chunk) {
    const std::string name = chunk.CString(MaxName);
    int32_t m = materials_.Find(name);
    if (m < 0)
        m = AddImportMaterial(name.empty() ? "material_" + std::to_string(ImportMaterials.size() + 1) : name,
                              materials_);
    currentMaterial_ = m;
}

void Reader3DS::ReadMapName(ByteReader& chunk) {
    const std::string name = NormalizePathSeparators(chunk.CString(MaxName));
    tmaterial* m = Material();
    if (!m) return;
    switch (property_) {
    case Property::ColorMap:
        m->colorMap = name;
        break;
    case Property::BumpMap:
        m->bumpMap = name;
        break;
    case Property::TransparencyMap:
        m->transparencyMap = name;
        m->transparency = 0;
        break;
    default:
        break;
    }
}

void Reader3DS::SetColor(const tvector& c) {
    tmaterial* m = Material();
    if (!m) return;
    if (property_ == Property::Ambient) m->ambient = c;
    else if (property_ == Property::Diffuse) m->diffuse = c;
    else if (property_ == Property::Specular) m->specular = c;
}

void Reader3DS::SetPercent(double intPercent, double floatPercent, bool isFloat) {
    tmaterial* m = Material();
    if (!m) return;
    if (property_ == Property::Transparency) {
        if (m->transparencyMap.empty()) m->transparency = isFloat ? std::fabs(floatPercent) : std::fabs(intPercent) / 100.0;
    } else if (property_ == Property::Shininess) {
        m->shininess = static_cast<float>(isFloat ? std::fabs(floatPercent) : intPercent / 100.0);
    }
}

}  // namespace

void Read3DSBytes(tscene& scene, std::string_view bytes) {
    Reader3DS reader(scene, bytes);
    reader.Run();
}

void Read3DS(tscene& scene) {
    const std::string bytes = ReadWholeFile(scene.modelFile);
    Read3DSBytes(scene, bytes);
}
