#include "preview/PreviewLists.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

#include "model/Connectivity.h"
#include "model/Errors.h"
#include "model/Model.h"
#include "model/Selection.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/GlCaps.h"
#include "preview/GlResources.h"
#include "preview/PreviewFrame.h"

uint32_t FacesList = 0;
uint32_t WireframeList = 0;
uint32_t NormalsList = 0;
uint32_t GLMaterialFace = GL_FRONT;

namespace {

// The wire and normals lists are compiled only once a frame shows them, and
// again only after the model changed: a model of millions of triangles
// costs as much to compile into them as into the faces list.
bool WireframeStale = false;
bool NormalsStale = false;
bool ShowListProgress = true;

bool DrawModeShowsWireframe(PreviewDrawMode mode) {
    return mode == DrawLine || mode == DrawPoints || mode == DrawHiddenLine || mode == DrawOutline;
}

uint32_t GLGenListNames(int32_t count) { return glGenLists(count); }

// Which faces are shown, read once per list: the visible flag of every group
// and the selected flag of every material.
class ShownFaces {
public:
    ShownFaces() {
        groups_.reserve(SceneGroups.size());
        for (const tgroup& g : SceneGroups) groups_.push_back(g.visible != 0);
        materials_.reserve(SceneMaterials.size());
        for (const tmaterial& m : SceneMaterials) materials_.push_back(m.selected != 0);
    }
    // Selected material, visible group, and every vertex index inside the
    // vertex list; a face with a bad index is never drawn.
    bool operator()(const tface& f) const {
        if (f.group < 0 || f.group >= static_cast<int32_t>(groups_.size()) || !groups_[f.group]) return false;
        if (f.material < 0 || f.material >= static_cast<int32_t>(materials_.size()) || !materials_[f.material])
            return false;
        for (int c = 0; c < 3; ++c)
            if (f.vertex[c] < 1 || f.vertex[c] > vertexCount_) return false;
        return true;
    }
    bool LineShown(const tline& l) const {
        if (l.group < 0 || l.group >= static_cast<int32_t>(groups_.size()) || !groups_[l.group]) return false;
        if (l.material < 0 || l.material >= static_cast<int32_t>(materials_.size()) || !materials_[l.material])
            return false;
        return l.vertex[0] >= 1 && l.vertex[0] <= vertexCount_ && l.vertex[1] >= 1 && l.vertex[1] <= vertexCount_;
    }

private:
    std::vector<bool> groups_, materials_;
    int32_t vertexCount_ = static_cast<int32_t>(SceneVertices.size());
};

const tvector& VertexAt(int32_t index) { return SceneVertices[static_cast<std::size_t>(index - 1)].p; }

void SetTwoSidedLighting() {
    if (Form1.CheckBox72.checked) {
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
        GLMaterialFace = GL_FRONT_AND_BACK;
    } else {
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
        GLMaterialFace = GL_FRONT;
    }
}

void MaterialColor(GLenum what, const tvector& c, float alpha) {
    const GLfloat v[4] = {static_cast<GLfloat>(c.x), static_cast<GLfloat>(c.y), static_cast<GLfloat>(c.z), alpha};
    glMaterialfv(GLMaterialFace, what, v);
}

// True when the material shows the background as a sphere-mapped reflection
// on the second texture unit.
bool Reflects(const tmaterial& m) {
    return MultitextureSupported && glActiveTextureARBEntry && glMultiTexCoord2dARBEntry && m.reflection > 0 &&
           BackgroundTexture != 0 && Form1.CheckBox27.checked;
}

void BindMaterialTextures(const tmaterial& m, bool reflects) {
    DisableTexturing();
    if (m.glTexture != 0 && Form1.CheckBox4.checked) {
        if (reflects) glActiveTextureARBEntry(GL_TEXTURE0_ARB);
        EnableTexture(static_cast<uint32_t>(m.glTexture));
    }
    if (reflects) {
        glActiveTextureARBEntry(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(BackgroundTexture));
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_TEXTURE_2D);
    }
}

void SetMaterialState(const tmaterial& m, bool reflects) {
    const float alpha = static_cast<float>(1 - m.transparency);
    const double r = m.reflection;
    MaterialColor(GL_AMBIENT, reflects ? tvector{r, r, r} : m.ambient, alpha);
    tvector diffuse = m.diffuse;
    if (m.glTexture != 0 && !m.colorMap.empty())
        diffuse = {1 + (diffuse.x - 1) * m.blend, 1 + (diffuse.y - 1) * m.blend, 1 + (diffuse.z - 1) * m.blend};
    MaterialColor(GL_DIFFUSE, diffuse, alpha);
    glColor3d(m.diffuse.x, m.diffuse.y, m.diffuse.z);
    MaterialColor(GL_SPECULAR, m.specular, alpha);
    glMaterialf(GLMaterialFace, GL_SHININESS, static_cast<GLfloat>(ShininessToGL(m.shininess)));
}

// The corners of the shown faces of a material in the order list 1 draws
// them: `corner(face, c, normal, uv, faceNormal)` with the normal and UV
// indices 0 where they name none of their list, and `faceNormal()` the
// face's normal, worked out once per face when a corner asks for it.
template <typename Corner>
void ForEachShownCorner(int32_t material, const ShownFaces& shown, Corner&& corner) {
    const int32_t normalCount = static_cast<int32_t>(SceneNormals.size());
    const int32_t uvCount = static_cast<int32_t>(SceneUVs.size());
    for (const int32_t* p = MaterialFaceTable.Begin(material); p != MaterialFaceTable.End(material); ++p) {
        const tface& f = SceneFaces[static_cast<std::size_t>(*p)];
        if (!shown(f)) continue;
        bool haveFaceNormal = false;
        tvector normal;
        const auto faceNormal = [&]() -> const tvector& {
            if (!haveFaceNormal) {
                normal = FaceNormal(f);
                haveFaceNormal = true;
            }
            return normal;
        };
        for (int c = 0; c < 3; ++c) {
            int32_t n = f.normal[c], t = f.uv[c];
            if (n < 1 || n > normalCount) n = 0;
            if (t < 1 || t > uvCount) t = 0;
            corner(f, c, n, t, faceNormal);
        }
    }
}

// The triangles of one material, corners in stored order. A corner without a
// normal takes the face normal, one without a UV the texture point (0.5, 0.5).
void EmitMaterialFaces(int32_t material, const ShownFaces& shown, bool reflects) {
    if (MaterialFaceTable.Count(material) == 0) return;
    glBegin(GL_TRIANGLES);
    ForEachShownCorner(material, shown, [&](const tface& f, int c, int32_t n, int32_t t, const auto& faceNormal) {
        const tvector& normal = n > 0 ? SceneNormals[static_cast<std::size_t>(n - 1)].p : faceNormal();
        glNormal3d(normal.x, normal.y, normal.z);
        if (t == 0) {
            glTexCoord2d(0.5, 0.5);
        } else {
            const tuv& uv = SceneUVs[static_cast<std::size_t>(t - 1)];
            if (reflects) {
                glMultiTexCoord2dARBEntry(GL_TEXTURE0_ARB, uv.u, uv.v);
                glMultiTexCoord2dARBEntry(GL_TEXTURE1_ARB, 0.5, 0.5);
            } else {
                glTexCoord2d(uv.u, uv.v);
            }
        }
        const tvector& v = VertexAt(f.vertex[c]);
        glVertex3d(v.x, v.y, v.z);
    });
    glEnd();
}

void EmitLines(const ShownFaces& shown) {
    if (LineSegments.empty() || !Form1.CheckBox55.checked) return;
    glDisable(GL_LIGHTING);
    glBegin(GL_LINES);
    for (const tline& l : LineSegments) {
        if (!shown.LineShown(l)) continue;
        const tvector& c = SceneMaterials[static_cast<std::size_t>(l.material)].diffuse;
        glColor3d(c.x, c.y, c.z);
        for (int k = 0; k < 2; ++k) {
            const tvector& v = VertexAt(l.vertex[k]);
            glVertex3d(v.x, v.y, v.z);
        }
    }
    glEnd();
    glEnable(GL_LIGHTING);
}

// The material table of the current faces; false when a face names a
// material that does not exist (such faces are never drawn).
bool MaterialTableReady() {
    if (IsTableCurrent(MaterialFaceTable) &&
        MaterialFaceTable.KeyCount() == static_cast<int32_t>(SceneMaterials.size()))
        return true;
    try {
        BuildMaterialFaceTable();
        return true;
    } catch (const ModelError&) {
        MaterialFaceTable.Clear();
        return false;
    }
}

}  // namespace

uint32_t (*GenerateListNames)(int32_t count) = GLGenListNames;

namespace {

// The light model of list 1: separate specular colour where the driver has
// it, and the two-sided lighting of "Apply mats to both sides".
void SetFacesLightModel() {
    if (SeparateSpecularSupported) glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    SetTwoSidedLighting();
}

// The materials of list 1 in their order, with the progress gauge: the
// opaque ones, then the transparent ones; `each(index, material, reflects)`.
template <typename Each>
void ForEachMaterialOfList1(Each&& each) {
    const int32_t count = static_cast<int32_t>(SceneMaterials.size());
    int32_t step = 0;
    for (int32_t pass = 1; pass <= 2; ++pass) {
        for (int32_t i = 0; i < count; ++i, ++step) {
            ShowProgress(0, 2.0 * (count - 1), step);
            const tmaterial& m = SceneMaterials[static_cast<std::size_t>(i)];
            if (IsMaterialInPass(m, pass)) each(i, m, Reflects(m));
        }
    }
}

// List 1 with buffer objects. The faces of every material drawn go into one
// array of vertices (position, normal and texture coordinate as the floats
// that the driver makes of the immediate calls) and one of indices, material
// after material in drawing order; each material's state goes into a
// display list of its own, and what follows the faces (the current values
// the last corner leaves, texturing off, the lines) into another. A frame
// replays them in the order of the one list, drawing each material's faces
// from the buffers after its state. The driver takes buffers as they are,
// where it compiles a display list vertex by vertex: for a model of millions
// of faces that is most of the time the preview takes to show it.
struct FaceVertex {
    float position[3], normal[3], uv[2];
};

struct BufferedFaces {
    bool active = false;      // list 1 is drawn from the buffers
    uint32_t firstList = 0;   // the materials' state lists, then the tail list
    int32_t listCount = 0;
    uint32_t buffers[2] = {0, 0};  // vertices, indices
    struct Run {
        uint32_t list;
        std::size_t first, count;  // in the index array
    };
    std::vector<Run> runs;
};
BufferedFaces Buffered;

// List 2 with buffer objects: the positions of all vertices as floats and
// the corners of the shown faces in list order; WireframeList holds the
// light model.
struct BufferedWireframe {
    bool active = false;
    uint32_t buffers[2] = {0, 0};  // positions, indices
    std::size_t count = 0;         // indices
};
BufferedWireframe BufferedWire;

void FreeBufferedWireframe() {
    if (BufferedWire.buffers[0] != 0 && BufferObjects.deleteBuffers) BufferObjects.deleteBuffers(2, BufferedWire.buffers);
    BufferedWire = BufferedWireframe{};
}

// Uploads the data to a new array buffer and a new index buffer; false (and
// nothing kept) when the driver refused them.
bool UploadBuffers(uint32_t buffers[2], const void* data, std::size_t dataBytes, const std::vector<uint32_t>& indices) {
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    BufferObjects.genBuffers(2, buffers);
    BufferObjects.bindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    BufferObjects.bufferData(GL_ARRAY_BUFFER, static_cast<std::ptrdiff_t>(dataBytes), data, GL_STATIC_DRAW);
    BufferObjects.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    BufferObjects.bufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<std::ptrdiff_t>(indices.size() * sizeof(uint32_t)),
                             indices.data(), GL_STATIC_DRAW);
    BufferObjects.bindBuffer(GL_ARRAY_BUFFER, 0);
    BufferObjects.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (glGetError() == GL_NO_ERROR) return true;
    BufferObjects.deleteBuffers(2, buffers);
    buffers[0] = buffers[1] = 0;
    return false;
}

void FreeBufferedFaces() {
    if (Buffered.firstList != 0 && glIsList(Buffered.firstList))
        glDeleteLists(Buffered.firstList, Buffered.listCount);
    if (Buffered.buffers[0] != 0 && BufferObjects.deleteBuffers) BufferObjects.deleteBuffers(2, Buffered.buffers);
    Buffered = BufferedFaces{};
}

// The faces of list 1 as arrays. A corner whose vertex was last given with
// the same normal and UV shares that array vertex; a corner without a normal
// takes its face's normal, one without a UV the point (0.5, 0.5), as in the
// one display list.
class FaceArrays {
public:
    std::vector<FaceVertex> vertices;
    std::vector<uint32_t> indices;
    // What the last corner left as the current values of the immediate calls.
    bool anyCorner = false, secondUnitSet = false;
    float lastNormal[3] = {0, 0, 0}, lastUV[2] = {0, 0};

    FaceArrays() : lastOfVertex_(SceneVertices.size() + 1, -1) {
        vertices.reserve(SceneVertices.size());
        keys_.reserve(SceneVertices.size());
    }

    void AddFaces(int32_t material, const ShownFaces& shown, bool reflects) {
        ForEachShownCorner(material, shown, [&](const tface& f, int c, int32_t n, int32_t t, const auto& faceNormal) {
            const int32_t v = f.vertex[c];
            const int32_t last = lastOfVertex_[static_cast<std::size_t>(v)];
            if (n > 0 && last >= 0 && keys_[static_cast<std::size_t>(last)].normal == n &&
                keys_[static_cast<std::size_t>(last)].uv == t) {
                indices.push_back(static_cast<uint32_t>(last));
            } else {
                FaceVertex out;
                Set(out.position, VertexAt(v));
                Set(out.normal, n > 0 ? SceneNormals[static_cast<std::size_t>(n - 1)].p : faceNormal());
                const tuv* uv = t > 0 ? &SceneUVs[static_cast<std::size_t>(t - 1)] : nullptr;
                out.uv[0] = static_cast<float>(uv ? uv->u : 0.5);
                out.uv[1] = static_cast<float>(uv ? uv->v : 0.5);
                lastOfVertex_[static_cast<std::size_t>(v)] = static_cast<int32_t>(vertices.size());
                indices.push_back(static_cast<uint32_t>(vertices.size()));
                vertices.push_back(out);
                keys_.push_back({n, t});
            }
            const FaceVertex& drawn = vertices[indices.back()];
            std::copy(drawn.normal, drawn.normal + 3, lastNormal);
            std::copy(drawn.uv, drawn.uv + 2, lastUV);
            anyCorner = true;
            if (reflects && t > 0) secondUnitSet = true;
        });
    }

    // Frees what only the building needed.
    void DoneAdding() {
        std::vector<int32_t>().swap(lastOfVertex_);
        std::vector<Key>().swap(keys_);
    }

private:
    static void Set(float* out, const tvector& v) {
        out[0] = static_cast<float>(v.x);
        out[1] = static_cast<float>(v.y);
        out[2] = static_cast<float>(v.z);
    }
    struct Key {
        int32_t normal, uv;
    };
    std::vector<int32_t> lastOfVertex_;  // per vertex, its last array vertex
    std::vector<Key> keys_;               // per array vertex
};

// Builds list 1 with buffer objects (FacesList holding the light model);
// false, with nothing left of it, when the driver has no buffer objects or
// there is no memory or no list name for them.
bool CompileBufferedFaces() {
    if (!UseBufferObjects || !BufferObjectsSupported) return false;
    try {
        const ShownFaces shown;
        const bool tableReady = MaterialTableReady();
        int32_t materials = 0;
        for (const tmaterial& m : SceneMaterials) materials += IsMaterialInPass(m, 1) || IsMaterialInPass(m, 2);
        Buffered.firstList = GenerateListNames(materials + 1);
        if (Buffered.firstList == 0) return false;
        Buffered.listCount = materials + 1;
        glNewList(FacesList, GL_COMPILE);
        SetFacesLightModel();
        glEndList();
        FaceArrays arrays;
        uint32_t list = Buffered.firstList;
        ForEachMaterialOfList1([&](int32_t i, const tmaterial& m, bool reflects) {
            glNewList(list, GL_COMPILE);
            BindMaterialTextures(m, reflects);
            SetMaterialState(m, reflects);
            glEndList();
            const std::size_t first = arrays.indices.size();
            if (tableReady) arrays.AddFaces(i, shown, reflects);
            Buffered.runs.push_back({list++, first, arrays.indices.size() - first});
        });
        arrays.DoneAdding();
        glNewList(list, GL_COMPILE);
        if (arrays.anyCorner) {
            glNormal3fv(arrays.lastNormal);
            glTexCoord2fv(arrays.lastUV);
            if (arrays.secondUnitSet) glMultiTexCoord2dARBEntry(GL_TEXTURE1_ARB, 0.5, 0.5);
        }
        DisableTexturing();
        EmitLines(shown);
        glEndList();

        if (!UploadBuffers(Buffered.buffers, arrays.vertices.data(), arrays.vertices.size() * sizeof(FaceVertex),
                           arrays.indices)) {
            FreeBufferedFaces();
            return false;
        }
        Buffered.active = true;
        return true;
    } catch (const std::bad_alloc&) {
        FreeBufferedFaces();
        return false;
    }
}

}  // namespace

bool UseBufferObjects = true;

void DrawModelFaces() {
    // List 1 is then this one list.
    Buffered.active = false;
    SetFacesLightModel();
    const ShownFaces shown;
    const bool tableReady = MaterialTableReady();
    ForEachMaterialOfList1([&](int32_t i, const tmaterial& m, bool reflects) {
        BindMaterialTextures(m, reflects);
        SetMaterialState(m, reflects);
        if (tableReady) EmitMaterialFaces(i, shown, reflects);
    });
    // Whatever the last material bound, lines and later drawing start
    // untextured on every unit.
    DisableTexturing();
    EmitLines(shown);
}

void CallFacesList() {
    glCallList(FacesList);
    if (!Buffered.active) return;
    BufferObjects.bindBuffer(GL_ARRAY_BUFFER, Buffered.buffers[0]);
    BufferObjects.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, Buffered.buffers[1]);
    if (glClientActiveTextureARBEntry) glClientActiveTextureARBEntry(GL_TEXTURE0_ARB);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(FaceVertex), reinterpret_cast<const void*>(offsetof(FaceVertex, position)));
    glNormalPointer(GL_FLOAT, sizeof(FaceVertex), reinterpret_cast<const void*>(offsetof(FaceVertex, normal)));
    glTexCoordPointer(2, GL_FLOAT, sizeof(FaceVertex), reinterpret_cast<const void*>(offsetof(FaceVertex, uv)));
    for (const BufferedFaces::Run& run : Buffered.runs) {
        glCallList(run.list);
        if (run.count > 0)
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(run.count), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(run.first * sizeof(uint32_t)));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    BufferObjects.bindBuffer(GL_ARRAY_BUFFER, 0);
    BufferObjects.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glCallList(Buffered.firstList + static_cast<uint32_t>(Buffered.listCount) - 1);
}

void DrawWireframe() {
    BufferedWire.active = false;  // list 2 is then this one list
    SetTwoSidedLighting();
    const ShownFaces shown;
    const int64_t count = static_cast<int64_t>(SceneFaces.size());
    glBegin(GL_TRIANGLES);
    for (int64_t i = 0; i < count; ++i) {
        if ((i & 0xFFFF) == 0 && ShowListProgress) ShowProgress(0, static_cast<double>(count), static_cast<double>(i));
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (!shown(f)) continue;
        for (int c = 0; c < 3; ++c) {
            const tvector& v = VertexAt(f.vertex[c]);
            glVertex3d(v.x, v.y, v.z);
        }
    }
    glEnd();
}

namespace {

// List 2 with buffer objects, as DrawWireframe draws it; false, with
// nothing left of it, when the driver has no buffer objects or there is no
// memory for them.
bool CompileBufferedWireframe() {
    if (!UseBufferObjects || !BufferObjectsSupported) return false;
    try {
        const ShownFaces shown;
        std::vector<float> positions;
        positions.reserve(3 * SceneVertices.size());
        for (const tvertex& v : SceneVertices)
            positions.insert(positions.end(), {static_cast<float>(v.p.x), static_cast<float>(v.p.y), static_cast<float>(v.p.z)});
        std::vector<uint32_t> indices;
        indices.reserve(3 * SceneFaces.size());
        const int64_t count = static_cast<int64_t>(SceneFaces.size());
        for (int64_t i = 0; i < count; ++i) {
            if ((i & 0xFFFF) == 0 && ShowListProgress) ShowProgress(0, static_cast<double>(count), static_cast<double>(i));
            const tface& f = SceneFaces[static_cast<std::size_t>(i)];
            if (!shown(f)) continue;
            for (int c = 0; c < 3; ++c) indices.push_back(static_cast<uint32_t>(f.vertex[c] - 1));
        }
        if (!UploadBuffers(BufferedWire.buffers, positions.data(), positions.size() * sizeof(float), indices))
            return false;
        BufferedWire.count = indices.size();
    } catch (const std::bad_alloc&) {
        FreeBufferedWireframe();
        return false;
    }
    glNewList(WireframeList, GL_COMPILE);
    SetTwoSidedLighting();
    glEndList();
    BufferedWire.active = true;
    return true;
}

void CompileWireframeList() {
    FreeBufferedWireframe();
    if (!CompileBufferedWireframe()) {
        glNewList(WireframeList, GL_COMPILE);
        DrawWireframe();
        glEndList();
    }
    WireframeStale = false;
}

void CompileNormalsList() {
    if (!IsTableCurrent(VertexFaceTable)) {
        try {
            BuildVertexFaceTable();
        } catch (const ModelError&) {
            VertexFaceTable.Clear();
        }
    }
    const GLScope gl;
    if (!gl.ok()) return;
    const double length = NormalLineLength();
    if (NormalsList != 0 && glIsList(NormalsList)) glDeleteLists(NormalsList, 1);
    NormalsList = GenerateListNames(1);
    NormalsStale = false;
    if (NormalsList == 0) return;
    glNewList(NormalsList, GL_COMPILE);
    glColor3d(1, 0, 1);
    const ShownFaces shown;
    const int32_t normalCount = static_cast<int32_t>(SceneNormals.size());
    std::vector<bool> drawn(SceneNormals.size() + 1, false);
    const int64_t count = static_cast<int64_t>(SceneFaces.size());
    glBegin(GL_LINES);
    for (int64_t i = 0; i < count; ++i) {
        if ((i & 0xFFFF) == 0 && ShowListProgress) ShowProgress(0, static_cast<double>(count), static_cast<double>(i));
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (!shown(f)) continue;
        for (int c = 0; c < 3; ++c) {
            const int32_t n = f.normal[c];
            if (n < 1 || n > normalCount || drawn[static_cast<std::size_t>(n)]) continue;
            drawn[static_cast<std::size_t>(n)] = true;
            const tvector& p = VertexAt(f.vertex[c]);
            const tvector q = AddVectors(p, ScaleVector(SceneNormals[static_cast<std::size_t>(n - 1)].p, length));
            glVertex3d(p.x, p.y, p.z);
            glVertex3d(q.x, q.y, q.z);
        }
    }
    glEnd();
    glEndList();
}

// Compiles a list for the frame being drawn, without progress.
template <typename Compile>
void CompileForFrame(Compile compile) {
    ShowListProgress = false;
    compile();
    ShowListProgress = true;
}

}  // namespace

void BuildPreviewLists() {
    TestAndClearGroupChanges();
    bool failed[2] = {false, false};
    {
        const GLScope gl;
        if (gl.ok()) {
            for (uint32_t* list : {&FacesList, &WireframeList})
                if (*list != 0 && glIsList(*list)) glDeleteLists(*list, 1);
            FreeBufferedFaces();
            FreeBufferedWireframe();
            FacesList = GenerateListNames(1);
            WireframeList = GenerateListNames(1);
            if (FacesList != 0) {
                if (!Form1.CheckBox3.checked || !CompileBufferedFaces()) {
                    glNewList(FacesList, GL_COMPILE);
                    if (Form1.CheckBox3.checked) DrawModelFaces();
                    glEndList();
                }
            } else {
                failed[0] = true;
            }
            // A new name holds an empty list until it is compiled.
            WireframeStale = WireframeList != 0;
            if (WireframeList == 0) failed[1] = true;
            else if (DrawModeShowsWireframe(ChosenDrawMode())) CompileWireframeList();
        }
    }
    // Boxes and the log may run pending messages: only once no list is open.
    if (failed[0]) Svc().prompts->Show(MessageKind::Warning, "Could not create Preview display list 1.");
    if (failed[1]) Svc().prompts->Show(MessageKind::Warning, "Could not create Preview display list 2.");
    ShowModelStatistics();
}

void CallWireframeList() {
    glCallList(WireframeList);
    if (!BufferedWire.active) return;
    BufferObjects.bindBuffer(GL_ARRAY_BUFFER, BufferedWire.buffers[0]);
    BufferObjects.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, BufferedWire.buffers[1]);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(BufferedWire.count), GL_UNSIGNED_INT, nullptr);
    glDisableClientState(GL_VERTEX_ARRAY);
    BufferObjects.bindBuffer(GL_ARRAY_BUFFER, 0);
    BufferObjects.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void EnsureWireframeList() {
    if (!WireframeStale) return;
    const GLScope gl;
    if (gl.ok()) CompileForFrame(CompileWireframeList);
}

double NormalLineLength() {
    if (SceneFaces.empty()) return 1.0;
    return 0.3 * std::sqrt(std::max(0.0, Scene.totalFaceArea) / static_cast<double>(SceneFaces.size()));
}

void BuildNormalsList() {
    if (Form1.CheckBox35.checked) {
        CompileNormalsList();
        return;
    }
    // The old lines are of no use any more: their memory goes now.
    const GLScope gl;
    if (gl.ok() && NormalsList != 0 && glIsList(NormalsList)) glDeleteLists(NormalsList, 1);
    NormalsList = 0;
    NormalsStale = true;
}

void EnsureNormalsList() {
    if (NormalsStale) CompileForFrame(CompileNormalsList);
}
