// The global model: the 21 lists, the shared globals of the model and the
// routines that initialise, clear, find and count records.
//
// Lists hold records by value. Never keep a reference or pointer into a list
// across an append to that list; keep the index instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Errors.h"
#include "model/Records.h"
#include "model/Scene.h"
#include "model/Types.h"

// ---- The 21 lists, in the order they are created -----------------------
extern std::vector<tvertex> SceneVertices;       // 1
extern std::vector<tnormal> SceneNormals;        // 2
extern std::vector<tuv> SceneUVs;                // 3
extern std::vector<tmaterial> SceneMaterials;    // 4
extern std::vector<tface> SceneFaces;            // 5
extern std::vector<tgroup> SceneGroups;          // 6
extern std::vector<tmap> PreviewTextureCache;    // 7
extern std::vector<tpolyline> Polylines;         // 8
extern std::vector<tlight> Lights;               // 9
extern std::vector<tline> LineSegments;          // 10
extern std::vector<tplaceholder> Placeholders;   // 11
extern std::vector<tcamera> Cameras;             // 12
extern std::vector<tdeclare> DeclareLibrary;     // 13
extern std::vector<tvertex> ImportVertices;      // 14
extern std::vector<tnormal> ImportNormals;       // 15
extern std::vector<tuv> ImportUVs;               // 16
extern std::vector<tmaterial> ImportMaterials;   // 17
extern std::vector<tface> ImportFaces;           // 18
extern std::vector<tgroup> ImportGroups;         // 19
extern std::vector<tlightpreset> LightPresets;   // 20
extern std::vector<tlight> PresetLights;         // 21

// ---- Connectivity tables -------------------------------------------------
// For every key (a vertex, UV or material) the faces that use it, stored as
// one flat array: the faces of key k are faces[offsets[k] .. offsets[k+1]).
// Within one key the faces run from the highest face index to the lowest.
// Keys are 1-based for vertices and UVs (entry 0 unused) and 0-based for
// materials. A table remembers the topology generation it was built for;
// `IsTableCurrent` tells whether the model has changed since.
struct tfacetable {
    std::vector<int32_t> offsets;   // size = key count + 1, or empty
    std::vector<int32_t> faces;     // 0-based face indices
    uint64_t generation = 0;
    bool built = false;

    int32_t KeyCount() const { return offsets.empty() ? 0 : static_cast<int32_t>(offsets.size()) - 1; }
    int32_t Count(int32_t key) const {
        if (key < 0 || key >= KeyCount()) return 0;
        return offsets[key + 1] - offsets[key];
    }
    const int32_t* Begin(int32_t key) const { return faces.data() + offsets[key]; }
    const int32_t* End(int32_t key) const { return faces.data() + offsets[key + 1]; }
    void Clear() {
        offsets.clear();
        faces.clear();
        built = false;
    }
};

// Edge tables of the subdivision: per vertex (or UV) the edges leaving it,
// newest first. Each entry is (other end, first face, second face, new vertex
// or -1 while none is made, and two flags: some face using the edge is
// selected / carries the subdivision mark).
struct tedge {
    int32_t other = 0;
    int32_t face1 = -1;
    int32_t face2 = -1;
    int32_t newIndex = -1;
    uint8_t selected = 0;
    uint8_t mark = 0;
};
struct tedgetable {
    std::vector<std::vector<tedge>> edges;
    // Frees the memory too: the table lives for one step only.
    void Clear() { std::vector<std::vector<tedge>>().swap(edges); }
};

extern tfacetable VertexFaceTable;
extern tfacetable MaterialFaceTable;
extern tfacetable UVFaceTable;
extern tedgetable VertexEdgeTable;
extern tedgetable UVEdgeTable;

// Bumped by every change that adds, removes or reorders faces, vertices or
// UVs, so that a connectivity table built before can be told stale.
extern uint64_t TopologyGeneration;
inline void TopologyChanged() { ++TopologyGeneration; }
inline bool IsTableCurrent(const tfacetable& t) { return t.built && t.generation == TopologyGeneration; }

// Bumped whenever a command that changes the model (tmodelundo) finishes:
// records kept before it may no longer fit the faces.
extern uint64_t ModelCommandsEnded;
// The last model put back whole by a command that could not finish: the
// topology generation it put back (`from`, that of the model when the command
// began) and the one it left (`to`), which stands for the same model.
struct ttopologyputback {
    uint64_t from = 0, to = 0;
};
extern ttopologyputback TopologyPutBack;

// ---- Shared globals of the model --------------------------------------
extern std::vector<std::string> BatchFiles;  // model files chosen last
extern int32_t CurrentMaterialIndex;         // last clicked material row
extern double HeadlightIntensity;            // 1.0 at start
extern std::string BackgroundMapName;        // spherical background map
extern double BackgroundRotation;            // degrees about Y
extern int32_t BackgroundTexture;            // preview texture of the background map, 0 = none
extern int32_t BackgroundTextureBytes;       // its width x height x 4
extern int32_t ThumbnailSize;
extern int32_t ThumbnailWidth;
extern int32_t ThumbnailHeight;
extern int32_t LinesMergedCount;             // first line segment not yet merged
extern int32_t PolylinesMergedCount;         // first polyline not yet merged

// OpenGL capabilities and driver strings, captured once at start-up.
extern int32_t MaxGLLights;
extern int32_t MaxTextureUnits;
extern bool MultitextureSupported;
extern bool SeparateSpecularSupported;
extern bool PreviewReady;
extern std::string GLVersionText, GLVendorText, GLRendererText, GLExtensionsText;
extern std::string GLUVersionText, GLUExtensionsText;

// ---- Constants, set once by `InitModelConstants` ------------------------
extern tvector ZeroVector, OneVector, XAxis, YAxis, ZAxis, NegXAxis, NegYAxis, NegZAxis;
extern tvector2 ZeroVector2;
extern tvertex DefaultVertex;
extern tuv DefaultUV;
extern std::string DefaultMaterialText;  // 5000 blanks

// The identity corner list 1..2000 read by the triangulation (entry 0 unused).
inline constexpr int32_t MaxPolygonCorners = 2000;
extern int32_t TriangleIndexTable[MaxPolygonCorners + 1];

void InitModelConstants();

// ---- Lifecycle --------------------------------------------------------
// Creates (empties) the 21 lists in their order, and has the light selector
// (Form1.ComboBox2) and the camera presets (Form1.ComboBox8) list the names
// of `Lights` and `Cameras`.
void CreateModelLists();
// Frees the geometry: vertices, normals, UVs, materials, faces, groups,
// line segments and polylines, their textures and tables and the preview
// texture cache. Lights, placeholders, cameras, presets and the library stay.
void ClearModel();
void ClearLights();
void ClearCameras();
void ClearPlaceholders();
void ClearDeclareLibrary();
void ClearImportLists();
void DeleteMaterialTextures(int32_t mode);
void DeleteMaterialTexture(int32_t textureName);

// The preview textures of the materials and of the background as a command
// found them, held while it runs: a texture among them that the command
// deletes goes only once the command has finished (Release), so that the
// records put back after a failure still have theirs. Other textures are
// deleted at once. Nothing here allocates after the hold is made.
class ttexturehold {
public:
    // Holds the textures the background and, with `materials`, the materials
    // have now; throws std::bad_alloc when the room for their names cannot be
    // had.
    explicit ttexturehold(bool materials = true);
    ttexturehold(const ttexturehold&) = delete;
    ttexturehold& operator=(const ttexturehold&) = delete;
    // Ends the hold (the one before it, if any, holds again) without
    // deleting anything.
    ~ttexturehold();
    bool Holds(int32_t name) const;
    // The command has finished: the textures it deleted go now.
    void Release();

private:
    friend void DeleteRecordTexture(int32_t name);
    bool Defer(int32_t name);  // marks a held texture deleted; false when not held
    std::vector<int32_t> names_;  // sorted
    std::vector<uint8_t> deleted_;
    ttexturehold* outer_;
};
// Deletes the preview texture `name` of a material, or, while a hold holds
// it, marks it to go when the command finishes.
void DeleteRecordTexture(int32_t name);
void FreeMaterialFaceTable();
void FreeVertexFaceTable();
void FreeUVFaceTable();
void FreeVertexEdgeTable();
void FreeUVEdgeTable();

// ---- Record initialisers ----------------------------------------------
void InitFace(tface& face);
void NewMaterial(tmaterial& material);
void NewGroup(tgroup& group);
void NewLight(tlight& light);
void NewPlaceholder(tplaceholder& placeholder);

// ---- Lookup and counting ----------------------------------------------
// Index of the LAST record with exactly this name, -1 when none.
int32_t FindSceneMaterial(std::string_view name);
int32_t FindImportMaterial(std::string_view name);
int32_t FindSceneGroup(std::string_view name);
int32_t FindImportGroup(std::string_view name);

void CountFacesPerGroupAndMaterial();
int32_t CountSelectedFaces();
void ClearMaterialUpdateFlags();

// Checked access to model lists: an index from a file or a user that lies
// outside the list raises `ModelError`.
template <typename T>
T& At(std::vector<T>& list, int64_t index, const char* listName) {
    if (index < 0 || index >= static_cast<int64_t>(list.size())) ThrowIndexError(listName, index, list.size());
    return list[static_cast<std::size_t>(index)];
}
template <typename T>
const T& At(const std::vector<T>& list, int64_t index, const char* listName) {
    if (index < 0 || index >= static_cast<int64_t>(list.size())) ThrowIndexError(listName, index, list.size());
    return list[static_cast<std::size_t>(index)];
}
