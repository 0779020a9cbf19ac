#include "preview/PreviewLists.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "model/Connectivity.h"
#include "model/Errors.h"
#include "model/Model.h"
#include "model/Selection.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "preview/GlCaps.h"
#include "preview/GlResources.h"
#include "options/Options.h"

uint32_t FacesList = 0;
uint32_t WireframeList = 0;
uint32_t NormalsList = 0;
uint32_t GLMaterialFace = GL_FRONT;

namespace {

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

// The triangles of one material, corners in stored order. A corner without a
// normal takes the face normal, one without a UV the texture point (0.5, 0.5).
void EmitMaterialFaces(int32_t material, const ShownFaces& shown, bool reflects) {
    if (MaterialFaceTable.Count(material) == 0) return;
    const int32_t normalCount = static_cast<int32_t>(SceneNormals.size());
    const int32_t uvCount = static_cast<int32_t>(SceneUVs.size());
    glBegin(GL_TRIANGLES);
    for (const int32_t* p = MaterialFaceTable.Begin(material); p != MaterialFaceTable.End(material); ++p) {
        const tface& f = SceneFaces[static_cast<std::size_t>(*p)];
        if (!shown(f)) continue;
        bool haveFaceNormal = false;
        tvector faceNormal;
        for (int c = 0; c < 3; ++c) {
            const int32_t n = f.normal[c];
            if (n >= 1 && n <= normalCount) {
                const tvector& v = SceneNormals[static_cast<std::size_t>(n - 1)].p;
                glNormal3d(v.x, v.y, v.z);
            } else {
                if (!haveFaceNormal) {
                    faceNormal = FaceNormal(f);
                    haveFaceNormal = true;
                }
                glNormal3d(faceNormal.x, faceNormal.y, faceNormal.z);
            }
            const int32_t t = f.uv[c];
            if (t < 1 || t > uvCount) {
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
        }
    }
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

void DrawModelFaces() {
    if (SeparateSpecularSupported) glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    SetTwoSidedLighting();
    const ShownFaces shown;
    const bool tableReady = MaterialTableReady();
    const int32_t count = static_cast<int32_t>(SceneMaterials.size());
    int32_t step = 0;
    for (int32_t pass = 1; pass <= 2; ++pass) {
        for (int32_t i = 0; i < count; ++i, ++step) {
            ShowProgress(0, 2.0 * (count - 1), step);
            const tmaterial& m = SceneMaterials[static_cast<std::size_t>(i)];
            if (!IsMaterialInPass(m, pass)) continue;
            const bool reflects = Reflects(m);
            BindMaterialTextures(m, reflects);
            SetMaterialState(m, reflects);
            if (tableReady) EmitMaterialFaces(i, shown, reflects);
        }
    }
    // Whatever the last material bound, lines and later drawing start
    // untextured on every unit.
    DisableTexturing();
    EmitLines(shown);
}

void DrawWireframe() {
    SetTwoSidedLighting();
    const ShownFaces shown;
    const int64_t count = static_cast<int64_t>(SceneFaces.size());
    glBegin(GL_TRIANGLES);
    for (int64_t i = 0; i < count; ++i) {
        if ((i & 0xFFFF) == 0) ShowProgress(0, static_cast<double>(count), static_cast<double>(i));
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (!shown(f)) continue;
        for (int c = 0; c < 3; ++c) {
            const tvector& v = VertexAt(f.vertex[c]);
            glVertex3d(v.x, v.y, v.z);
        }
    }
    glEnd();
}

void BuildPreviewLists() {
    TestAndClearGroupChanges();
    bool failed[2] = {false, false};
    {
        const GLScope gl;
        if (gl.ok()) {
            for (uint32_t* list : {&FacesList, &WireframeList})
                if (*list != 0 && glIsList(*list)) glDeleteLists(*list, 1);
            FacesList = GenerateListNames(1);
            WireframeList = GenerateListNames(1);
            if (FacesList != 0) {
                glNewList(FacesList, GL_COMPILE);
                if (Form1.CheckBox3.checked) DrawModelFaces();
                glEndList();
            } else {
                failed[0] = true;
            }
            if (WireframeList != 0) {
                glNewList(WireframeList, GL_COMPILE);
                DrawWireframe();
                glEndList();
            } else {
                failed[1] = true;
            }
        }
    }
    // Boxes and the log may run pending messages: only once no list is open.
    if (failed[0]) Svc().prompts->Show(MessageKind::Warning, "Could not create Preview display list 1.");
    if (failed[1]) Svc().prompts->Show(MessageKind::Warning, "Could not create Preview display list 2.");
    ShowModelStatistics();
}

double NormalLineLength() {
    if (SceneFaces.empty()) return 1.0;
    return 0.3 * std::sqrt(std::max(0.0, Scene.totalFaceArea) / static_cast<double>(SceneFaces.size()));
}

void BuildNormalsList() {
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
    if (NormalsList == 0) return;
    glNewList(NormalsList, GL_COMPILE);
    glColor3d(1, 0, 1);
    const ShownFaces shown;
    const int32_t normalCount = static_cast<int32_t>(SceneNormals.size());
    std::vector<bool> drawn(SceneNormals.size() + 1, false);
    const int64_t count = static_cast<int64_t>(SceneFaces.size());
    glBegin(GL_LINES);
    for (int64_t i = 0; i < count; ++i) {
        if ((i & 0xFFFF) == 0) ShowProgress(0, static_cast<double>(count), static_cast<double>(i));
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
