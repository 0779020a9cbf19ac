#include "readers/LwoReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <unordered_map>
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

constexpr uint32_t FormLWOB = Tag("LWOB");
constexpr uint32_t FormLWLO = Tag("LWLO");
constexpr uint32_t FormLWO2 = Tag("LWO2");

constexpr std::string_view BadSurfaceIssue =
    "{n} polygons with an invalid surface index in {file} were given a default surface";
constexpr std::string_view BadTagIssue = "{n} polygon tags with invalid polygon or tag indices in {file} were ignored";
constexpr std::string_view BadVertexMapIssue =
    "{n} vertex map entries with invalid vertex or polygon indices in {file} were ignored";

// Channel flags of a material: a surface channel already taken by a block.
constexpr int ColorTaken = 0;
constexpr int BumpTaken = 1;
constexpr int TransparencyTaken = 3;

// A texture block of an LWO2 surface.
struct TextureBlock {
    uint32_t channel = 0;
    std::string image;
    float amplitude = 1.0f;
    int32_t projection = -1;
    uint16_t axis = 0;
    float wrapWidth = 1.0f;
    float wrapHeight = 1.0f;
    tvector center{0, 0, 0};
    tvector size{1, 1, 1};
    tvector rotation{0, 0, 0};
};

struct VertexUV {
    double u = 0, v = 0;
    bool has = false;
};

struct CornerUV {
    double u = 0, v = 0;
    int32_t vertex = 0;   // 0-based in ImportVertices
    int32_t polygon = 0;  // polygon number
};

// A sub-chunk: its tag and a reader limited to its data. The parent reader
// moves past the data and the pad byte of an odd length.
struct SubChunk {
    uint32_t tag = 0;
    ByteReader data;
};

SubChunk ReadSubChunk(ByteReader& r) {
    SubChunk s;
    s.tag = r.ID4();
    const uint16_t length = r.U16BE();
    s.data = r.Take(length);
    if (length % 2 != 0) r.SkipClipped(1);
    return s;
}

tvector ReadVector(ByteReader& r) {
    tvector v;
    v.x = r.F32BE();
    v.y = r.F32BE();
    v.z = r.F32BE();
    return v;
}

bool IsNone(std::string_view name) { return LowerCase(Trim(name)) == "(none)"; }

class ReaderLWO {
public:
    ReaderLWO(tscene& scene, std::string_view bytes)
        : scene_(scene), bytes_(bytes), fileName_(ExtractFileName(scene.modelFile)) {
        IndexImportNames(groups_, materials_);
        faceStart_ = ImportFaces.size();
    }

    void Run();

private:
    bool IsLWO2() const { return form_ == FormLWO2; }
    void Handle(uint32_t tag, ByteReader& chunk);
    void ReadForm(uint32_t type);
    void ReadSurfaceNames(ByteReader& chunk);
    void ReadLayer(ByteReader& chunk);
    void ReadPoints(ByteReader& chunk);
    void ReadOldPolygons(ByteReader& chunk, bool patches);
    void ReadPolygons(ByteReader& chunk);
    void ReadOldSurface(ByteReader& chunk);
    void ReadSurface(ByteReader& chunk);
    void ReadBlock(ByteReader& block, int32_t material);
    void ReadTags(ByteReader& chunk);
    void ReadPolygonTags(ByteReader& chunk);
    void ReadClip(ByteReader& chunk);
    void ReadVertexMap(ByteReader& chunk, bool perPolygon);
    void EmitPolygon(bool patch);
    void Finish();
    void MapMaterialsAndUVs();
    const std::string& ClipFileName(uint32_t index) const;
    int32_t FallbackGroup();
    int32_t FallbackMaterial();
    int32_t AppendMaterial(std::string_view name, bool log);
    // The point of the latest point list as a 1-based import vertex index,
    // or 0 when it is outside that list.
    int32_t PointVertex(uint32_t point) const {
        return point < static_cast<uint32_t>(pointCount_) ? vertexBase_ + static_cast<int32_t>(point) + 1 : 0;
    }

    tscene& scene_;
    std::string_view bytes_;
    std::string fileName_;
    ReadIssues issues_;
    ImportNameIndex groups_;
    ImportNameIndex materials_;
    PolygonBuilder builder_;
    int32_t polygonNumber_ = 0;  // of the polygon being built

    uint32_t form_ = FormLWOB;
    int32_t pointCount_ = 0;  // points of the latest point list
    int32_t vertexBase_ = 0;  // import vertices before it
    int32_t layerGroup_ = -1; // group of the latest LWO2 layer
    int32_t fallbackGroup_ = -1;
    int32_t fallbackMaterial_ = -1;
    // Polygons of the latest LWO2 polygon list: the first number and count.
    int32_t polygonBase_ = 0;
    int32_t polygonCount_ = 0;

    std::vector<int32_t> surfaceGroups_;     // per surface name (LWOB, LWLO)
    std::vector<int32_t> surfaceMaterials_;
    std::vector<std::string> tags_;
    std::unordered_map<uint32_t, std::string> clips_;  // file name by clip index, the last one given
    std::vector<int32_t> polygonTags_;  // per polygon number, -1 none
    std::vector<VertexUV> vertexUVs_;   // per import vertex (0-based)
    std::vector<CornerUV> cornerUVs_;
    std::size_t faceStart_ = 0;
    std::vector<int32_t> facePolygons_;  // polygon number of each face read

    // Texture state of an LWOB/LWLO surface.
    enum class TextureKind { None, Color, Transparency, Bump } textureKind_ = TextureKind::None;
    bool axisTaken_ = true, amplitudeTaken_ = true, centerTaken_ = true, sizeTaken_ = true;
};

void ReaderLWO::Run() {
    if (bytes_.empty()) throw ReadError("File " + fileName_ + " is empty", scene_.modelFile);
    ByteReader file(bytes_);
    scene_.polygonsRead = 0;
    const double last = static_cast<double>(bytes_.size() - 1);
    while (file.Position() + 1 < file.Size()) {
        ShowProgress(0, last, static_cast<double>(file.Position()));
        if (!file.Has(8)) {
            issues_.Add(DamagedFileIssue);
            break;
        }
        const uint32_t tag = file.ID4();
        const int64_t signedLength = static_cast<int32_t>(file.U32BE());
        const uint64_t length = static_cast<uint64_t>(signedLength < 0 ? -signedLength : signedLength);
        if (tag == Tag("FORM")) {
            if (!file.Has(4)) {
                issues_.Add(DamagedFileIssue);
                break;
            }
            ReadForm(file.ID4());
            continue;  // the chunks inside follow at once
        }
        ByteReader chunk = file.Peek(length);
        try {
            Handle(tag, chunk);
        } catch (const ByteOverrun&) {
            issues_.Add(DamagedFileIssue);
        }
        if (!file.SkipClipped(length)) issues_.Add(DamagedFileIssue);
        if (length % 2 != 0) file.SkipClipped(1);
    }
    Finish();
}

void ReaderLWO::ReadForm(uint32_t type) {
    form_ = type;
    if (type == FormLWOB) LogMessage("LWO 5.0 Object file");
    else if (type == FormLWLO) LogMessage("LWO 5.0 Layered Object file");
    else if (type == FormLWO2) LogMessage("LWO 6.0+ Object file");
    else throw ReadError("File " + fileName_ + " does not have a recognizable LWO format", scene_.modelFile);
}

void ReaderLWO::Handle(uint32_t tag, ByteReader& chunk) {
    const bool old = !IsLWO2();
    switch (tag) {
    case Tag("DESC"):
        LogMessage("File Description: " + chunk.S0());
        break;
    case Tag("TEXT"):
        LogMessage("File Commentary: " + chunk.S0());
        break;
    case Tag("SRFS"):
        if (old) ReadSurfaceNames(chunk);
        break;
    case Tag("LAYR"):
        if (form_ != FormLWOB) ReadLayer(chunk);
        break;
    case Tag("PNTS"):
        ReadPoints(chunk);
        break;
    case Tag("POLS"):
        if (old) ReadOldPolygons(chunk, false);
        else ReadPolygons(chunk);
        break;
    case Tag("PCHS"):
        if (old) ReadOldPolygons(chunk, true);
        break;
    case Tag("SURF"):
        if (old) ReadOldSurface(chunk);
        else ReadSurface(chunk);
        break;
    case Tag("TAGS"):
        if (!old) ReadTags(chunk);
        break;
    case Tag("PTAG"):
        if (!old) ReadPolygonTags(chunk);
        break;
    case Tag("CLIP"):
        if (!old) ReadClip(chunk);
        break;
    case Tag("VMAP"):
        if (!old) ReadVertexMap(chunk, false);
        break;
    case Tag("VMAD"):
        if (!old) ReadVertexMap(chunk, true);
        break;
    default:
        break;
    }
}

int32_t ReaderLWO::AppendMaterial(std::string_view name, bool log) {
    tmaterial m;
    NewMaterial(m);
    m.name = name;
    m.invertTransparencyMap = 1;
    ImportMaterials.push_back(std::move(m));
    const int32_t index = static_cast<int32_t>(ImportMaterials.size()) - 1;
    materials_.Set(ImportMaterials.back().name.view(), index);
    if (log) LogMessage("Material [" + std::to_string(index + 1) + "]= " + ImportMaterials.back().name.str());
    return index;
}

// One group and one material per surface name, in file order.
void ReaderLWO::ReadSurfaceNames(ByteReader& chunk) {
    while (!chunk.AtEnd()) {
        std::string name = chunk.S0();
        tgroup g;
        NewGroup(g);
        ImportGroups.push_back(g);
        const std::size_t n = ImportGroups.size();
        if (name.empty()) name = "Object_" + std::to_string(n);
        ImportGroups.back().name = name;
        groups_.Set(ImportGroups.back().name.view(), static_cast<int32_t>(n - 1));
        LogMessage("Object [" + std::to_string(n) + "] = " + ImportGroups.back().name.str());
        surfaceGroups_.push_back(static_cast<int32_t>(n - 1));
        surfaceMaterials_.push_back(AppendMaterial(name, false));
    }
}

void ReaderLWO::ReadLayer(ByteReader& chunk) {
    const uint16_t number = chunk.U16BE();
    chunk.U16BE();  // flags
    if (form_ == FormLWLO) {
        std::string name = chunk.S0();
        if (name.empty()) name = "Layer_" + std::to_string(number);
        LogMessage("Layer [" + std::to_string(number) + "]: " + name);
        return;
    }
    ReadVector(chunk);  // pivot
    std::string name = chunk.S0();
    if (name.empty()) name = "Layer_" + std::to_string(number);
    if (groups_.Find(name) >= 0) name += "_" + std::to_string(ImportGroups.size());
    tgroup g;
    NewGroup(g);
    g.name = name;
    ImportGroups.push_back(std::move(g));
    layerGroup_ = static_cast<int32_t>(ImportGroups.size()) - 1;
    groups_.Set(ImportGroups.back().name.view(), layerGroup_);
    LogMessage("Layer [" + std::to_string(number) + "]: " + ImportGroups[static_cast<std::size_t>(layerGroup_)].name.str());
}

void ReaderLWO::ReadPoints(ByteReader& chunk) {
    const std::size_t n = chunk.Remaining() / 12;
    ReserveMore(ImportVertices, n);
    for (std::size_t i = 0; i < n; ++i) {
        tvertex v = DefaultVertex;
        v.p = ReadVector(chunk);
        v.p.z = -v.p.z;
        ImportVertices.push_back(v);
    }
    pointCount_ = static_cast<int32_t>(n);
    vertexBase_ = static_cast<int32_t>(ImportVertices.size() - n);
    if (IsLWO2()) vertexUVs_.resize(ImportVertices.size());
}

void ReaderLWO::EmitPolygon(bool patch) {
    const int32_t made = builder_.Emit();
    for (std::size_t i = ImportFaces.size() - static_cast<std::size_t>(made); i < ImportFaces.size(); ++i) {
        ImportFaces[i].mark = patch ? 1 : 0;
        facePolygons_.push_back(polygonNumber_);
    }
}

int32_t ReaderLWO::FallbackGroup() {
    if (fallbackGroup_ < 0) {
        fallbackGroup_ = groups_.Find("unnamed_group");
        if (fallbackGroup_ < 0) fallbackGroup_ = AddImportGroup("unnamed_group", groups_);
    }
    return fallbackGroup_;
}

int32_t ReaderLWO::FallbackMaterial() {
    if (fallbackMaterial_ < 0) {
        fallbackMaterial_ = materials_.Find("unnamed_material");
        if (fallbackMaterial_ < 0) {
            fallbackMaterial_ = AppendMaterial("unnamed_material", true);
        }
    }
    return fallbackMaterial_;
}

// LWOB and LWLO polygons (and patches): U2 count, U2 points, I2 surface;
// a negative surface is followed by detail polygons, which are dropped.
void ReaderLWO::ReadOldPolygons(ByteReader& chunk, bool patches) {
    while (!chunk.AtEnd()) {
        const std::size_t n = chunk.CheckCount(chunk.U16BE(), 2);
        ByteReader corners = chunk.Take(2 * n);
        const int16_t surface = chunk.I16BE();
        // Surface s is the group and material of the s-th surface name.
        const std::size_t s = static_cast<std::size_t>(std::abs(static_cast<int32_t>(surface)));
        int32_t group, material;
        if (s >= 1 && s <= surfaceGroups_.size()) {
            group = surfaceGroups_[s - 1];
            material = surfaceMaterials_[s - 1];
        } else {
            issues_.Add(BadSurfaceIssue);
            group = FallbackGroup();
            material = FallbackMaterial();
        }
        polygonNumber_ = scene_.polygonsRead++;
        builder_.Begin(group, material, polygonNumber_);
        for (std::size_t k = 0; k < n; ++k) builder_.AddCorner(PointVertex(corners.U16BE()));
        EmitPolygon(patches);
        if (surface < 0) {
            const int16_t details = chunk.I16BE();
            for (int32_t d = 0; d < details; ++d) {
                const std::size_t m = chunk.CheckCount(chunk.U16BE(), 2);
                chunk.Skip(2 * m + 2);
            }
        }
        ShowProgress(0, static_cast<double>(bytes_.size() - 1), static_cast<double>(chunk.FileOffset()));
    }
}

// LWO2 polygons of the kinds FACE and PTCH: U2 count (low 10 bits), VX
// points. They go to the latest layer with material 0 until the polygon tags
// are applied.
void ReaderLWO::ReadPolygons(ByteReader& chunk) {
    const uint32_t type = chunk.ID4();
    polygonBase_ = scene_.polygonsRead;
    polygonCount_ = 0;  // a list of another kind leaves no polygons to tag
    if (type != Tag("FACE") && type != Tag("PTCH")) return;
    const bool patch = type == Tag("PTCH");
    const int32_t group = layerGroup_ >= 0 ? layerGroup_
                          : ImportGroups.empty() ? 0
                                                 : static_cast<int32_t>(ImportGroups.size()) - 1;
    while (!chunk.AtEnd()) {
        const std::size_t n = chunk.CheckCount(chunk.U16BE() & 0x03FF, 2);
        polygonTags_.push_back(-1);
        polygonNumber_ = scene_.polygonsRead++;
        builder_.Begin(group, 0, polygonNumber_);
        ++polygonCount_;
        for (std::size_t k = 0; k < n; ++k) builder_.AddCorner(PointVertex(chunk.VX()));
        EmitPolygon(patch);
        ShowProgress(0, static_cast<double>(bytes_.size() - 1), static_cast<double>(chunk.FileOffset()));
    }
}

// An LWOB/LWLO surface fills the material of its name.
void ReaderLWO::ReadOldSurface(ByteReader& chunk) {
    const std::string name = chunk.S0();
    const int32_t index = materials_.Find(name);
    if (index < 0) return;
    LogMessage("Material [" + std::to_string(index + 1) + "]= " + name);
    const std::size_t mi = static_cast<std::size_t>(index);
    ImportMaterials[mi].uvProjection = -1;
    textureKind_ = TextureKind::None;
    axisTaken_ = amplitudeTaken_ = centerTaken_ = sizeTaken_ = true;
    while (!chunk.AtEnd()) {
        SubChunk sub = ReadSubChunk(chunk);
        ByteReader& d = sub.data;
        tmaterial& m = ImportMaterials[mi];
        switch (sub.tag) {
        case Tag("COLR"): {
            const double r = d.U8(), g = d.U8(), b = d.U8();
            m.diffuse = {r / 255.0, g / 255.0, b / 255.0};
            break;
        }
        case Tag("LUMI"): {
            const double l = d.I16BE() / 255.0;
            if (VectorLength(m.ambient) <= Epsilon) m.ambient = {l, l, l};
            break;
        }
        case Tag("SPEC"): {
            const double s = d.I16BE() / 255.0;
            if (VectorLength(m.specular) <= Epsilon) m.specular = {s, s, s};
            break;
        }
        case Tag("REFL"): {
            const double r = d.I16BE() / 255.0;
            if (m.reflection <= Epsilon) m.reflection = r;
            break;
        }
        case Tag("TRAN"): {
            const double t = d.I16BE() / 255.0;
            if (m.transparency <= Epsilon) m.transparency = t;
            break;
        }
        case Tag("GLOS"):
            m.shininess = static_cast<float>(ExponentToShininess(d.I16BE()));
            break;
        case Tag("VLUM"): {
            const double v = d.F32BE();
            m.ambient = {v, v, v};
            break;
        }
        case Tag("VDIF"):
            m.diffuse = ScaleVector(m.diffuse, d.F32BE());
            break;
        case Tag("VSPC"): {
            const double v = d.F32BE();
            m.specular = {v, v, v};
            break;
        }
        case Tag("VRFL"):
            m.reflection = d.F32BE();
            break;
        case Tag("VTRN"):
            m.transparency = d.F32BE();
            break;
        case Tag("CTEX"):
        case Tag("TTEX"):
        case Tag("BTEX"): {
            const std::string key = LowerCase(Trim(d.S0().substr(0, 5)));
            textureKind_ = TextureKind::None;
            axisTaken_ = amplitudeTaken_ = centerTaken_ = sizeTaken_ = true;
            int32_t projection = -1;
            if (key == "plana") projection = 0;
            else if (key == "cylin") projection = 1;
            else if (key == "spher") projection = 2;
            else if (key == "cubic") projection = 3;
            if (projection >= 0) {
                m.uvProjection = projection;
                textureKind_ = sub.tag == Tag("CTEX")   ? TextureKind::Color
                               : sub.tag == Tag("TTEX") ? TextureKind::Transparency
                                                        : TextureKind::Bump;
                axisTaken_ = amplitudeTaken_ = centerTaken_ = sizeTaken_ = false;
            }
            break;
        }
        case Tag("TFLG"): {
            const uint16_t flags = d.U16BE();
            if (!axisTaken_) {
                if (flags & 1) m.projectionAxis = XAxis;
                if (flags & 2) m.projectionAxis = YAxis;
                if (flags & 4) m.projectionAxis = ZAxis;
                axisTaken_ = true;
            }
            break;
        }
        case Tag("TSIZ"): {
            const tvector v = ReadVector(d);
            if (!sizeTaken_) {
                m.mapSize = v;
                sizeTaken_ = true;
            }
            break;
        }
        case Tag("TCTR"): {
            const tvector v = ReadVector(d);
            if (!centerTaken_) {
                m.mapCenter = {v.x, v.y, -v.z};
                centerTaken_ = true;
            }
            break;
        }
        case Tag("TAMP"): {
            const double a = d.F32BE();
            if (!amplitudeTaken_) {
                m.bumpSize = a;
                amplitudeTaken_ = true;
            }
            break;
        }
        case Tag("TIMG"): {
            std::string image = NormalizePathSeparators(d.S0());
            if (IsNone(image)) image.clear();
            if (textureKind_ == TextureKind::Color) m.colorMap = image;
            else if (textureKind_ == TextureKind::Transparency) m.transparencyMap = image;
            else if (textureKind_ == TextureKind::Bump) m.bumpMap = image;
            textureKind_ = TextureKind::None;
            break;
        }
        default:
            break;
        }
    }
}

// An LWO2 surface is a new material; each value is followed by an envelope
// index, which is not used.
void ReaderLWO::ReadSurface(ByteReader& chunk) {
    const std::string name = chunk.S0();
    chunk.S0();  // source surface, not used
    const int32_t index = AppendMaterial(name, true);
    const std::size_t mi = static_cast<std::size_t>(index);
    while (!chunk.AtEnd()) {
        SubChunk sub = ReadSubChunk(chunk);
        ByteReader& d = sub.data;
        tmaterial& m = ImportMaterials[mi];
        switch (sub.tag) {
        case Tag("COLR"):
            m.diffuse = ReadVector(d);
            break;
        case Tag("LUMI"): {
            const double v = d.F32BE();
            m.ambient = {v, v, v};
            break;
        }
        case Tag("DIFF"):
            m.diffuse = ScaleVector(m.diffuse, d.F32BE());
            break;
        case Tag("SPEC"): {
            const double v = d.F32BE();
            m.specular = {v, v, v};
            break;
        }
        case Tag("GLOS"):
            m.shininess = d.F32BE();
            break;
        case Tag("REFL"):
            m.reflection = d.F32BE();
            break;
        case Tag("TRAN"):
            m.transparency = d.F32BE();
            break;
        case Tag("BUMP"):
            m.bumpSize = d.F32BE();
            break;
        case Tag("BLOK"):
            ReadBlock(d, index);
            break;
        default:
            break;
        }
    }
}

void ReaderLWO::ReadBlock(ByteReader& block, int32_t material) {
    TextureBlock b;
    SubChunk header = ReadSubChunk(block);
    header.data.S0();  // ordinal
    if (header.tag != Tag("IMAP")) return;
    while (!header.data.AtEnd()) {
        SubChunk sub = ReadSubChunk(header.data);
        if (sub.tag == Tag("CHAN")) b.channel = sub.data.ID4();
    }
    while (!block.AtEnd()) {
        SubChunk sub = ReadSubChunk(block);
        ByteReader& d = sub.data;
        switch (sub.tag) {
        case Tag("TAMP"):
            b.amplitude = d.F32BE();
            break;
        case Tag("PROJ"):
            b.projection = d.U16BE();
            break;
        case Tag("AXIS"):
            b.axis = d.U16BE();
            break;
        case Tag("IMAG"): {
            const uint32_t clip = d.VX();
            if (b.channel == Tag("BUMP") || b.channel == Tag("COLR") || b.channel == Tag("SPEC") ||
                b.channel == Tag("TRAN")) {
                b.image = ClipFileName(clip);
                if (LowerCase(b.image) == "(none)") b.image.clear();
            }
            break;
        }
        case Tag("WRPW"):
            b.wrapWidth = d.F32BE();
            break;
        case Tag("WRPH"):
            b.wrapHeight = d.F32BE();
            break;
        case Tag("TMAP"):
            while (!d.AtEnd()) {
                SubChunk t = ReadSubChunk(d);
                if (t.tag == Tag("CNTR")) {
                    const tvector c = ReadVector(t.data);
                    b.center = {c.x, c.y, -c.z};
                } else if (t.tag == Tag("SIZE")) {
                    b.size = ReadVector(t.data);
                } else if (t.tag == Tag("ROTA")) {
                    const tvector hpb = ReadVector(t.data);  // heading, pitch, bank
                    b.rotation = {-hpb.y, -hpb.x, -hpb.z};
                }
            }
            break;
        default:
            break;
        }
    }

    tmaterial& m = ImportMaterials[static_cast<std::size_t>(material)];
    auto place = [&] {
        m.uvProjection = b.projection;
        if (b.axis == 0) m.projectionAxis = XAxis;
        else if (b.axis == 1) m.projectionAxis = YAxis;
        else if (b.axis == 2) m.projectionAxis = ZAxis;
        m.mapScale[0] = b.wrapWidth;
        m.mapScale[1] = b.wrapHeight;
        m.bumpSize = b.amplitude;
        m.mapCenter = b.center;
        m.mapSize = b.size;
        m.mapRotation = b.rotation;
    };
    // The first block of each channel wins.
    if (b.channel == Tag("BUMP")) {
        if (!m.channelFlags[BumpTaken]) {
            m.bumpMap = b.image;
            if (!m.channelFlags[ColorTaken]) place();
            m.channelFlags[BumpTaken] = 1;
        }
    } else if (b.channel == Tag("COLR")) {
        if (!m.channelFlags[ColorTaken]) {
            m.colorMap = b.image;
            place();
            m.channelFlags[ColorTaken] = 1;
        }
    } else if (b.channel == Tag("TRAN")) {
        if (!m.channelFlags[TransparencyTaken]) {
            m.transparencyMap = b.image;
            if (!m.channelFlags[ColorTaken]) place();
            m.transparency = 0;
            m.channelFlags[TransparencyTaken] = 1;
        }
    }
}

void ReaderLWO::ReadTags(ByteReader& chunk) {
    tags_.clear();
    while (!chunk.AtEnd()) tags_.push_back(chunk.S0());
}

// Surface tags of the polygons of the latest polygon list.
void ReaderLWO::ReadPolygonTags(ByteReader& chunk) {
    if (chunk.ID4() != Tag("SURF")) return;
    while (!chunk.AtEnd()) {
        const uint32_t polygon = chunk.VX();
        const int16_t tag = chunk.I16BE();
        if (polygon >= static_cast<uint32_t>(polygonCount_) || tag < 0) {
            issues_.Add(BadTagIssue);
            continue;
        }
        const std::size_t p = static_cast<std::size_t>(polygonBase_) + polygon;
        if (p < polygonTags_.size()) polygonTags_[p] = tag;
    }
}

void ReaderLWO::ReadClip(ByteReader& chunk) {
    const uint32_t index = chunk.U32BE();
    while (!chunk.AtEnd()) {
        SubChunk sub = ReadSubChunk(chunk);
        if (sub.tag == Tag("STIL")) clips_[index] = NormalizePathSeparators(sub.data.S0());
    }
}

const std::string& ReaderLWO::ClipFileName(uint32_t index) const {
    static const std::string none;
    const auto it = clips_.find(index);
    return it == clips_.end() ? none : it->second;
}

// Texture coordinates per point (VMAP) or per polygon corner (VMAD); only
// the TXUV kind is read, two floats per entry.
void ReaderLWO::ReadVertexMap(ByteReader& chunk, bool perPolygon) {
    if (chunk.ID4() != Tag("TXUV")) return;
    chunk.U16BE();  // dimension
    chunk.S0();     // map name
    while (!chunk.AtEnd()) {
        const uint32_t vertex = chunk.VX();
        const uint32_t polygon = perPolygon ? chunk.VX() : 0;
        const double u = chunk.F32BE();
        const double v = chunk.F32BE();
        const int32_t index = PointVertex(vertex);
        if (index == 0 || (perPolygon && polygon >= static_cast<uint32_t>(polygonCount_))) {
            issues_.Add(BadVertexMapIssue);
            continue;
        }
        if (perPolygon) {
            cornerUVs_.push_back({u, v, index - 1, polygonBase_ + static_cast<int32_t>(polygon)});
        } else if (static_cast<std::size_t>(index - 1) < vertexUVs_.size()) {
            vertexUVs_[static_cast<std::size_t>(index - 1)] = {u, v, true};
        }
    }
}

// LWO2: the material of each triangle from its polygon's surface tag, and
// texture coordinates from the vertex maps; a corner of a polygon with its
// own coordinates (VMAD) takes those over the point's (VMAP). Corners share
// no UV records.
void ReaderLWO::MapMaterialsAndUVs() {
    if (!cornerUVs_.empty()) {
        LogMessage("Mapping materials and uv to faces... (VMAD mapping present)");
        std::stable_sort(cornerUVs_.begin(), cornerUVs_.end(),
                         [](const CornerUV& a, const CornerUV& b) { return a.polygon < b.polygon; });
    } else {
        LogMessage("Mapping materials and uv to faces...");
    }
    std::size_t cursor = 0;
    const std::size_t count = facePolygons_.size();
    for (std::size_t i = 0; i < count; ++i) {
        ShowProgress(0, static_cast<double>(count) - 1, static_cast<double>(i));
        tface& f = ImportFaces[faceStart_ + i];
        const int32_t p = facePolygons_[i];
        int32_t material = 0;
        if (p >= 0 && static_cast<std::size_t>(p) < polygonTags_.size()) {
            const int32_t tag = polygonTags_[static_cast<std::size_t>(p)];
            if (tag >= 0 && static_cast<std::size_t>(tag) < tags_.size()) {
                const int32_t m = materials_.Find(tags_[static_cast<std::size_t>(tag)]);
                if (m >= 0) material = m;
            }
        }
        f.material = material;
        for (int c = 0; c < 3; ++c) {
            const std::size_t v = static_cast<std::size_t>(f.vertex[c] - 1);
            if (v < vertexUVs_.size() && vertexUVs_[v].has) {
                tuv t = DefaultUV;
                t.u = vertexUVs_[v].u;
                t.v = vertexUVs_[v].v;
                ImportUVs.push_back(t);
                f.uv[c] = static_cast<int32_t>(ImportUVs.size());
            }
        }
        while (cursor < cornerUVs_.size() && cornerUVs_[cursor].polygon < p) ++cursor;
        for (std::size_t j = cursor; j < cornerUVs_.size() && cornerUVs_[j].polygon == p; ++j) {
            for (int c = 0; c < 3; ++c) {
                if (cornerUVs_[j].vertex + 1 != f.vertex[c]) continue;
                tuv t = DefaultUV;
                t.u = cornerUVs_[j].u;
                t.v = cornerUVs_[j].v;
                ImportUVs.push_back(t);
                f.uv[c] = static_cast<int32_t>(ImportUVs.size());
            }
        }
    }
}

void ReaderLWO::Finish() {
    if (IsLWO2() && !ImportVertices.empty()) MapMaterialsAndUVs();
    if (ImportMaterials.empty()) {
        LogMessage("<!>File did not have any materials. Creating a default material");
        const int32_t m = AppendMaterial("unnamed_material", true);
        ImportMaterials[static_cast<std::size_t>(m)].diffuse = {1, 1, 1};
    }
    if (ImportGroups.empty()) {
        tgroup g;
        NewGroup(g);
        ImportGroups.push_back(g);
    }
    // LightWave winds its polygons the other way round.
    for (std::size_t i = faceStart_; i < ImportFaces.size(); ++i) {
        SwapIntegers(ImportFaces[i].vertex[0], ImportFaces[i].vertex[2]);
        SwapIntegers(ImportFaces[i].uv[0], ImportFaces[i].uv[2]);
    }
    builder_.ReportSkipped(fileName_);
    issues_.Report(fileName_);
    ValidateImportIndices();
}

}  // namespace

void ReadLWOBytes(tscene& scene, std::string_view bytes) {
    ReaderLWO reader(scene, bytes);
    reader.Run();
}

void ReadLWO(tscene& scene, int /*unused*/) {
    const std::string bytes = ReadWholeFile(scene.modelFile);
    ReadLWOBytes(scene, bytes);
}
