// The meshes of the geometry include and the UDO file are made by sorting
// the faces once; on random models they must come out byte for byte as the
// plain pass-by-pass walk writes them: one pass per material (or per group
// and material), each walking every face in list order with fresh maps.
#include <gtest/gtest.h>

#include <random>

#include "model/TextConv.h"
#include "options/Options.h"
#include "tests/writers/WriterTest.h"
#include "writers/Export.h"
#include "writers/ItemLines.h"

namespace writertest {
namespace {

using Lines = std::vector<std::string>;

std::string V3(double x, double y, double z) {
    return "<" + FloatToText(x) + "," + FloatToText(y) + "," + FloatToText(z) + ">";
}
std::string I3(int a, int b, int c) {
    return "<" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ">";
}

// One pass of the walk: the faces taken and the old-to-new maps.
struct Pass {
    std::vector<const tface*> faces;
    std::vector<int> vmap, nmap, tmap;  // old 1-based index -> new number, 0 = none
    std::vector<int> vorder, norder, torder;
    bool normals = true;
};

// The passes in walk order, with the mesh name and shadow byte of each
// that took a face.
struct RefMesh {
    Pass pass;
    std::string name;
    int material = 0;
    bool shadow = true;
};

std::vector<RefMesh> ReferencePasses(bool byGroup, const std::string& sceneObject) {
    std::vector<RefMesh> meshes;
    const int groups = byGroup ? static_cast<int>(SceneGroups.size()) : 1;
    for (int g = 0; g < groups; ++g)
        for (int m = 0; m < static_cast<int>(SceneMaterials.size()); ++m) {
            RefMesh r;
            Pass& p = r.pass;
            p.vmap.assign(SceneVertices.size() + 1, 0);
            p.nmap.assign(SceneNormals.size() + 1, 0);
            p.tmap.assign(SceneUVs.size() + 1, 0);
            for (const tface& f : SceneFaces) {
                const bool take =
                    byGroup ? f.group == g && f.material == m && SceneGroups[g].visible && SceneMaterials[m].selected
                            : f.material == m && SceneMaterials[m].selected && SceneGroups[f.group].visible;
                if (!take) continue;
                p.faces.push_back(&f);
                for (int c = 0; c < 3; ++c)
                    if (f.normal[c] < 1) p.normals = false;
            }
            if (p.faces.empty()) continue;
            for (const tface* f : p.faces)
                for (int c = 0; c < 3; ++c) {
                    if (p.vmap[f->vertex[c]] == 0) {
                        p.vorder.push_back(f->vertex[c]);
                        p.vmap[f->vertex[c]] = static_cast<int>(p.vorder.size());
                    }
                    if (p.normals && p.nmap[f->normal[c]] == 0) {
                        p.norder.push_back(f->normal[c]);
                        p.nmap[f->normal[c]] = static_cast<int>(p.norder.size());
                    }
                    if (f->uv[c] > 0 && p.tmap[f->uv[c]] == 0) {
                        p.torder.push_back(f->uv[c]);
                        p.tmap[f->uv[c]] = static_cast<int>(p.torder.size());
                    }
                }
            const std::string& material = SceneMaterials[m].name.str();
            r.name = byGroup ? MakeIdentifierPrefix(sceneObject + SceneGroups[g].name.str() + "_" + material)
                             : MakeIdentifierPrefix(sceneObject + material);
            r.material = m;
            r.shadow = byGroup ? SceneGroups[g].castsShadow != 0 : SceneGroups[p.faces.back()->group].castsShadow != 0;
            meshes.push_back(std::move(r));
        }
    return meshes;
}

// The geometry include from its first mesh to its end (no Moray wrapper,
// no mirror, no lines).
Lines ReferenceGeometry(bool byGroup, const std::string& sceneObject, double xSign) {
    Lines out;
    auto block = [&](const std::string& keyword, const std::vector<std::string>& items) {
        out.push_back(keyword);
        out.push_back(std::to_string(items.size()) + ",");
        for (std::size_t i = 0; i < items.size(); ++i) out.push_back(items[i] + (i + 1 < items.size() ? "," : ""));
        out.push_back("}");
    };
    const std::vector<RefMesh> meshes = ReferencePasses(byGroup, sceneObject);
    for (const RefMesh& r : meshes) {
        const Pass& p = r.pass;
        out.push_back("#declare " + r.name + "=mesh2{");
        std::vector<std::string> items;
        for (int old : p.vorder) {
            const tvector& v = SceneVertices[old - 1].p;
            items.push_back(V3(v.x * xSign, v.y, v.z));
        }
        block("vertex_vectors{", items);
        if (p.normals) {
            items.clear();
            for (int old : p.norder) {
                const tvector& n = SceneNormals[old - 1].p;
                items.push_back(V3(n.x * xSign, n.y, n.z));
            }
            block("normal_vectors{", items);
        }
        if (!p.torder.empty()) {
            items.clear();
            for (int old : p.torder)
                items.push_back("<" + FloatToText(SceneUVs[old - 1].u) + "," + FloatToText(SceneUVs[old - 1].v) + ">");
            block("uv_vectors{", items);
        }
        items.clear();
        for (const tface* f : p.faces)
            items.push_back(I3(p.vmap[f->vertex[0]] - 1, p.vmap[f->vertex[1]] - 1, p.vmap[f->vertex[2]] - 1));
        block("face_indices{", items);
        if (!p.torder.empty()) {
            items.clear();
            for (const tface* f : p.faces)
                items.push_back(FaceHasUVs(*f) ? I3(p.tmap[f->uv[0]] - 1, p.tmap[f->uv[1]] - 1, p.tmap[f->uv[2]] - 1)
                                               : "<0,0,0>");
            block("uv_indices{", items);
        }
        if (p.normals) {
            items.clear();
            for (const tface* f : p.faces)
                items.push_back(I3(p.nmap[f->normal[0]] - 1, p.nmap[f->normal[1]] - 1, p.nmap[f->normal[2]] - 1));
            block("normal_indices{", items);
        }
        out.push_back("inside_vector <0,0,1> }");
        out.push_back(" ");
    }
    out.push_back(" ");
    out.push_back("//Model assembly from the meshes");
    out.push_back("#declare " + sceneObject + "=");
    if (meshes.size() != 1) out.push_back("union {");
    for (const RefMesh& r : meshes)
        out.push_back("object{" + r.name + " " + (r.shadow ? "" : "no_shadow") + " material{" +
                      MakeIdentifierPrefix(SceneMaterials[r.material].name.view()) + "}}");
    if (meshes.size() != 1) out.push_back("}");
    return out;
}

// The UDO file from its first mesh section to "[End]".
Lines ReferenceUdo(bool byGroup, const std::string& sceneObject) {
    Lines out;
    for (const RefMesh& r : ReferencePasses(byGroup, sceneObject)) {
        const Pass& p = r.pass;
        out.push_back("[" + r.name + ":Vertices]");
        out.push_back(std::to_string(p.vorder.size()));
        for (int old : p.vorder) {
            const tvector& v = SceneVertices[old - 1].p;
            out.push_back(FloatToText(v.x) + " " + FloatToText(v.y) + " " + FloatToText(v.z) + " ");
        }
        out.push_back("[" + r.name + ":EDGES]");
        out.push_back(std::to_string(3 * p.faces.size()));
        for (const tface* f : p.faces) {
            const int a = p.vmap[f->vertex[0]] - 1, b = p.vmap[f->vertex[1]] - 1, c = p.vmap[f->vertex[2]] - 1;
            out.push_back(std::to_string(a) + " " + std::to_string(b));
            out.push_back(std::to_string(b) + " " + std::to_string(c));
            out.push_back(std::to_string(c) + " " + std::to_string(a));
        }
        out.push_back("[" + r.name + ":FACES]");
        out.push_back(std::to_string(p.faces.size()));
        for (const tface* f : p.faces)
            out.push_back(std::to_string(p.vmap[f->vertex[0]] - 1) + " " + std::to_string(p.vmap[f->vertex[1]] - 1) +
                          " " + std::to_string(p.vmap[f->vertex[2]] - 1));
        out.push_back("[" + r.name + ":Transforms]");
        out.push_back("Rot -90 0 0");
        out.push_back("[" + r.name + ":Texture]");
        out.push_back("UsesTexture " + MakeIdentifierPrefix(SceneMaterials[r.material].name.view()) + " defined");
        out.push_back("[" + r.name + ":Colors]");
        const tvector& d = SceneMaterials[r.material].diffuse;
        out.push_back("RGB " + FloatToStrDot(d.x * 255) + " " + FloatToStrDot(d.y * 255) + " " +
                      FloatToStrDot(d.z * 255));
        out.push_back(" ");
    }
    out.push_back("[End]");
    return out;
}

Lines TailFrom(const Lines& lines, std::size_t from) {
    return Lines(lines.begin() + static_cast<long>(from), lines.end());
}

class MeshBreakingTest : public WriterTest {
protected:
    // A model of `faces` random triangles over shared vertices, normals and
    // UVs in 5 groups (one hidden, one casting no shadow) and 6 materials
    // (one not selected); some faces lack UVs, have them on some corners
    // only, or lack normals.
    void BuildRandomModel(unsigned seed, int faces) {
        std::mt19937 rng(seed);
        auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        auto real = [&] { return std::uniform_real_distribution<double>(-10, 10)(rng); };
        for (int g = 0; g < 5; ++g) AddGroup("Group " + std::to_string(g));
        for (int m = 0; m < 6; ++m) {
            AddMaterial("Mat " + std::to_string(m));
            SceneMaterials[m].diffuse = {uniform(0, 10) / 10.0, 0.5, 1.0 / (m + 1)};
        }
        SceneGroups[3].visible = 0;
        SceneGroups[1].castsShadow = 0;
        SceneMaterials[4].selected = 0;
        for (int i = 0; i < 60; ++i) AddVertex(real(), real(), real() / 1000);
        for (int i = 0; i < 30; ++i) AddNormal(real(), real(), real());
        for (int i = 0; i < 40; ++i) AddUV(real(), real());
        for (int i = 0; i < faces; ++i) {
            int32_t v[3], n[3], t[3];
            const int uvKind = uniform(0, 9);
            for (int c = 0; c < 3; ++c) {
                v[c] = uniform(1, 60);
                n[c] = uniform(1, 30);
                t[c] = uvKind < 3 ? 0 : uniform(1, 40);
            }
            if (uvKind == 3) t[uniform(0, 2)] = 0;  // UVs on some corners
            // Material 2 has one face without normals: no normal blocks.
            if (i == faces / 2) {
                n[1] = 0;
                AddFace(uniform(0, 4), 2, v, n, t);
                continue;
            }
            AddFace(uniform(0, 4), uniform(0, 5), v, n, t);
        }
    }
};

// Also with the long blocks made on several threads in ranges of a few
// items, which must give the same lines.
TEST_F(MeshBreakingTest, SortedMeshesEqualThePassByPassWalk) {
    struct RestoreThreads {
        ~RestoreThreads() { SetItemLineThreads(0, 0); }
    } restore;
    for (unsigned seed : {1u, 2u, 3u}) {
        for (int mode : {0, 1}) {
            for (bool leftHanded : {false, true}) {
                const unsigned threads = seed == 1 ? 1 : seed + 1;
                SetItemLineThreads(threads, threads == 1 ? 0 : seed);
                SCOPED_TRACE("seed " + std::to_string(seed) + " mode " + std::to_string(mode) +
                             (leftHanded ? " left-handed" : "") + ", threads " + std::to_string(threads));
                fixtures::ResetModel();
                PrepareObjExport();
                Scene.modelFile = "/models/random model.obj";
                Scene.povGeometryFile = Path("random.inc");
                Scene.udoFile = Path("random.udo");
                Scene.materialsInGeometry = 1;
                Scene.writeGeometryInclude = 0;
                Scene.writeUdo = 1;
                Scene.meshBreakingMode = static_cast<uint8_t>(mode);
                Form1.CheckBox51.checked = leftHanded;
                Form1.ComboBox12.index = 1;
                BuildRandomModel(seed, 300);
                const std::string object = "random_model_";

                // With a UDO file name the geometry include wraps its meshes
                // for Moray; this part writes the UDO file alone first.
                ExportModelFiles(Scene);
                const Lines udo = ReadLines(Scene.udoFile);
                std::size_t first = 0;
                while (first < udo.size() && udo[first].rfind("[", 0) != 0) ++first;
                EXPECT_EQ(TailFrom(udo, first), ReferenceUdo(mode == 1, object));

                Scene.writeUdo = 0;
                Scene.udoFile.clear();
                Scene.writeGeometryInclude = 1;
                ExportModelFiles(Scene);
                const Lines geometry = ReadLines(Scene.povGeometryFile);
                first = 0;
                while (first < geometry.size() && geometry[first] != "//Geometry") ++first;
                ++first;
                ASSERT_LT(first, geometry.size());
                EXPECT_EQ(TailFrom(geometry, first), ReferenceGeometry(mode == 1, object, leftHanded ? -1.0 : 1.0));
            }
        }
    }
}

}  // namespace
}  // namespace writertest
