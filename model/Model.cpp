#include "model/Model.h"

#include <algorithm>

#include "model/Random.h"
#include "model/Services.h"
#include "options/Options.h"

std::vector<tvertex> SceneVertices;
std::vector<tnormal> SceneNormals;
std::vector<tuv> SceneUVs;
std::vector<tmaterial> SceneMaterials;
std::vector<tface> SceneFaces;
std::vector<tgroup> SceneGroups;
std::vector<tmap> PreviewTextureCache;
std::vector<tpolyline> Polylines;
std::vector<tlight> Lights;
std::vector<tline> LineSegments;
std::vector<tplaceholder> Placeholders;
std::vector<tcamera> Cameras;
std::vector<tdeclare> DeclareLibrary;
std::vector<tvertex> ImportVertices;
std::vector<tnormal> ImportNormals;
std::vector<tuv> ImportUVs;
std::vector<tmaterial> ImportMaterials;
std::vector<tface> ImportFaces;
std::vector<tgroup> ImportGroups;
std::vector<tlightpreset> LightPresets;
std::vector<tlight> PresetLights;

tfacetable VertexFaceTable;
tfacetable MaterialFaceTable;
tfacetable UVFaceTable;
tedgetable VertexEdgeTable;
tedgetable UVEdgeTable;
uint64_t TopologyGeneration = 1;
uint64_t ModelCommandsEnded = 0;
ttopologyputback TopologyPutBack;

std::vector<std::string> BatchFiles;
int32_t CurrentMaterialIndex = 0;
double HeadlightIntensity = 1.0;
std::string BackgroundMapName;
double BackgroundRotation = 0;
int32_t BackgroundTexture = 0;
int32_t BackgroundTextureBytes = 0;
int32_t ThumbnailSize = 64;
int32_t ThumbnailWidth = 64;
int32_t ThumbnailHeight = 64;
int32_t LinesMergedCount = 0;
int32_t PolylinesMergedCount = 0;

int32_t MaxGLLights = 8;
int32_t MaxTextureUnits = 1;
bool MultitextureSupported = false;
bool SeparateSpecularSupported = false;
bool PreviewReady = false;
std::string GLVersionText, GLVendorText, GLRendererText, GLExtensionsText;
std::string GLUVersionText, GLUExtensionsText;

tvector ZeroVector, OneVector, XAxis, YAxis, ZAxis, NegXAxis, NegYAxis, NegZAxis;
tvector2 ZeroVector2;
tvertex DefaultVertex;
tuv DefaultUV;
std::string DefaultMaterialText;
int32_t TriangleIndexTable[MaxPolygonCorners + 1];

void InitModelConstants() {
    ZeroVector = {0, 0, 0};
    OneVector = {1, 1, 1};
    XAxis = {1, 0, 0};
    YAxis = {0, 1, 0};
    ZAxis = {0, 0, 1};
    NegXAxis = {-1, 0, 0};
    NegYAxis = {0, -1, 0};
    NegZAxis = {0, 0, -1};
    ZeroVector2 = {0, 0};
    DefaultVertex = tvertex{};
    DefaultUV = tuv{};
    DefaultMaterialText.assign(5000, ' ');
    for (int32_t i = 0; i <= MaxPolygonCorners; ++i) TriangleIndexTable[i] = i;
}

namespace {

// The light selector and the camera presets list the names of the lights
// and cameras themselves: a name is held once, in its record.
const tcomboitems LightNames{[] { return Lights.size(); },
                             [](std::size_t i) -> const std::string& { return Lights[i].name.str(); }};
const tcomboitems CameraNames{[] { return Cameras.size(); },
                              [](std::size_t i) -> const std::string& { return Cameras[i].name.str(); }};

}  // namespace

void CreateModelLists() {
    Form1.ComboBox2.source = &LightNames;
    Form1.ComboBox8.source = &CameraNames;
    SceneVertices.clear();
    SceneNormals.clear();
    SceneUVs.clear();
    SceneMaterials.clear();
    SceneFaces.clear();
    SceneGroups.clear();
    PreviewTextureCache.clear();
    Polylines.clear();
    Lights.clear();
    LineSegments.clear();
    Placeholders.clear();
    Cameras.clear();
    DeclareLibrary.clear();
    ImportVertices.clear();
    ImportNormals.clear();
    ImportUVs.clear();
    ImportMaterials.clear();
    ImportFaces.clear();
    ImportGroups.clear();
    LightPresets.clear();
    PresetLights.clear();
    LinesMergedCount = 0;
    PolylinesMergedCount = 0;
    TopologyChanged();
}

void FreeMaterialFaceTable() { MaterialFaceTable.Clear(); }
void FreeVertexFaceTable() { VertexFaceTable.Clear(); }
void FreeUVFaceTable() { UVFaceTable.Clear(); }
void FreeVertexEdgeTable() { VertexEdgeTable.Clear(); }
void FreeUVEdgeTable() { UVEdgeTable.Clear(); }

namespace {
ttexturehold* CurrentHold = nullptr;
}  // namespace

ttexturehold::ttexturehold(bool materials) : outer_(CurrentHold) {
    if (materials)
        for (const tmaterial& m : SceneMaterials)
            if (m.glTexture != 0) names_.push_back(m.glTexture);
    if (BackgroundTexture != 0) names_.push_back(BackgroundTexture);
    std::sort(names_.begin(), names_.end());
    names_.erase(std::unique(names_.begin(), names_.end()), names_.end());
    deleted_.assign(names_.size(), 0);
    CurrentHold = this;
}

ttexturehold::~ttexturehold() {
    if (CurrentHold == this) CurrentHold = outer_;
}

bool ttexturehold::Holds(int32_t name) const { return std::binary_search(names_.begin(), names_.end(), name); }

bool ttexturehold::Defer(int32_t name) {
    const auto it = std::lower_bound(names_.begin(), names_.end(), name);
    if (it == names_.end() || *it != name) return false;
    deleted_[static_cast<std::size_t>(it - names_.begin())] = 1;
    return true;
}

void ttexturehold::Release() {
    if (CurrentHold == this) CurrentHold = outer_;
    WindowHooks& w = *Svc().window;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // A command within another: the outer one may still put back a
        // record that has this texture.
        if (deleted_[i] == 0 || (outer_ && outer_->Defer(names_[i]))) continue;
        if (w.IsTexture(names_[i])) w.DeleteTexture(names_[i]);
    }
    names_.clear();
    deleted_.clear();
}

void DeleteRecordTexture(int32_t name) {
    if (CurrentHold && CurrentHold->Defer(name)) return;
    WindowHooks& w = *Svc().window;
    if (w.IsTexture(name)) w.DeleteTexture(name);
}

void DeleteMaterialTextures(int32_t mode) {
    for (tmaterial& m : SceneMaterials) {
        if (m.glTexture != 0 && (mode == 0 || mode == 1)) DeleteRecordTexture(m.glTexture);
        m.glTexture = 0;
    }
}

void DeleteMaterialTexture(int32_t textureName) {
    for (tmaterial& m : SceneMaterials) {
        if (m.glTexture != textureName) continue;
        DeleteRecordTexture(textureName);
        m.glTexture = 0;
    }
}

void ClearModel() {
    DeleteMaterialTextures(0);
    FreeMaterialFaceTable();
    FreeVertexFaceTable();
    FreeUVFaceTable();
    FreeVertexEdgeTable();
    FreeUVEdgeTable();
    // Release the memory too: a cleared model of millions of faces should
    // not keep its buffers.
    std::vector<tvertex>().swap(SceneVertices);
    std::vector<tnormal>().swap(SceneNormals);
    std::vector<tuv>().swap(SceneUVs);
    std::vector<tmaterial>().swap(SceneMaterials);
    std::vector<tface>().swap(SceneFaces);
    std::vector<tgroup>().swap(SceneGroups);
    std::vector<tline>().swap(LineSegments);
    std::vector<tpolyline>().swap(Polylines);
    LinesMergedCount = 0;
    PolylinesMergedCount = 0;
    TopologyChanged();
    Svc().window->ClearMaterialList();
    Svc().window->ClearGroupList();
    CurrentMaterialIndex = 0;
    Scene.subdivisionFaceCount = 0;
    Svc().window->ClearPreviewTextures();
    PreviewTextureCache.clear();
}

void ClearLights() { Lights.clear(); }
void ClearCameras() { Cameras.clear(); }
void ClearPlaceholders() { Placeholders.clear(); }
void ClearDeclareLibrary() { DeclareLibrary.clear(); }

void ClearImportLists() {
    ImportVertices.clear();
    ImportNormals.clear();
    ImportUVs.clear();
    ImportMaterials.clear();
    ImportFaces.clear();
    ImportGroups.clear();
}

void InitFace(tface& face) { face = tface{}; }

void NewMaterial(tmaterial& material) {
    material = tmaterial{};
    material.name = "Material_" + std::to_string(SceneMaterials.size());
    material.customText.clear();
}

void NewGroup(tgroup& group) {
    group = tgroup{};
    group.name = "Group_" + std::to_string(SceneGroups.size());
    group.color = static_cast<int32_t>(RandomInt(1 << 24));
}

void NewLight(tlight& light) {
    light = tlight{};
    light.areaSize = 0.03 * Scene.extents.diagonal;
    light.fadeDistance = Scene.extents.diagonal;
}

void NewPlaceholder(tplaceholder& placeholder) {
    placeholder = tplaceholder{};
    const double s = Scene.extents.diagonal / 10.0;
    placeholder.size = {s, s, s};
    placeholder.position = Scene.extents.center;
    placeholder.color = static_cast<int32_t>(RandomInt(1 << 24));
    placeholder.name = "Shape_" + std::to_string(Placeholders.size());
}

namespace {
template <typename T>
int32_t FindLast(const std::vector<T>& list, std::string_view name) {
    for (std::size_t i = list.size(); i-- > 0;)
        if (list[i].name.view() == name) return static_cast<int32_t>(i);
    return -1;
}
}  // namespace

int32_t FindSceneMaterial(std::string_view name) { return FindLast(SceneMaterials, name); }
int32_t FindImportMaterial(std::string_view name) { return FindLast(ImportMaterials, name); }
int32_t FindSceneGroup(std::string_view name) { return FindLast(SceneGroups, name); }
int32_t FindImportGroup(std::string_view name) { return FindLast(ImportGroups, name); }

void CountFacesPerGroupAndMaterial() {
    for (tgroup& g : SceneGroups) g.faceCount = g.lineCount = 0;
    for (tmaterial& m : SceneMaterials) m.faceCount = m.lineCount = 0;
    for (const tface& f : SceneFaces) {
        ++At(SceneGroups, f.group, "SceneGroups").faceCount;
        ++At(SceneMaterials, f.material, "SceneMaterials").faceCount;
    }
    for (const tline& l : LineSegments) {
        ++At(SceneGroups, l.group, "SceneGroups").lineCount;
        ++At(SceneMaterials, l.material, "SceneMaterials").lineCount;
    }
}

int32_t CountSelectedFaces() {
    int32_t n = 0;
    for (const tface& f : SceneFaces) {
        const tmaterial& m = At(SceneMaterials, f.material, "SceneMaterials");
        const tgroup& g = At(SceneGroups, f.group, "SceneGroups");
        if (m.selected && g.visible) ++n;
    }
    return n;
}

void ClearMaterialUpdateFlags() {
    for (tmaterial& m : SceneMaterials) m.changed = 0;
}
