// The POV-Ray geometry include: the model as mesh2 objects, one per material
// or per group and material, the line segments as cylinders, or one box per
// group instead of the meshes; at its end the declaration of the scene
// object that the scene file places.
#include <cmath>
#include <string>
#include <string_view>

#include "model/Errors.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "writers/FastText.h"
#include "writers/FileText.h"
#include "writers/ItemLines.h"
#include "writers/MeshPlan.h"
#include "writers/PovNames.h"
#include "writers/PovWriters.h"
#include "writers/TextWriter.h"

namespace {

constexpr std::string_view Marker = "//";

void AppendVector(std::string& b, double x, double y, double z) {
    b.push_back('<');
    AppendFastFloatText(b, x);
    b.push_back(',');
    AppendFastFloatText(b, y);
    b.push_back(',');
    AppendFastFloatText(b, z);
    b.push_back('>');
}

void BlockHead(CheckedTextWriter& w, std::string_view keyword, std::size_t count) {
    w.Line(keyword);
    std::string& b = w.Buffer();
    AppendInt(b, static_cast<int64_t>(count));
    b.push_back(',');
    w.EndLine();
}

// A block of `count` item lines, made by `item(line, i)` for each i, with
// "," after every item but the last.
template <typename MakeItem>
void ItemBlock(CheckedTextWriter& w, std::size_t count, const MakeItem& item) {
    WriteLinePerItem(w, count, [&](std::size_t i, std::string& out) {
        NumberLine line;
        item(line, i);
        if (i + 1 < count) line.Char(',');
        line.AppendTo(out);
    });
}

NumberLine& Vector(NumberLine& line, double x, double y, double z) {
    return line.Char('<').Float(x).Char(',').Float(y).Char(',').Float(z).Char('>');
}

// A block of the positions (or directions) of the given 1-based entries, X
// multiplied by `xSign`.
void VectorBlock(CheckedTextWriter& w, std::string_view keyword, const std::vector<tvertex>& list,
                 const std::vector<int32_t>& order, double xSign) {
    BlockHead(w, keyword, order.size());
    ItemBlock(w, order.size(), [&](NumberLine& line, std::size_t i) {
        const tvector& p = list[static_cast<std::size_t>(order[i]) - 1].p;
        Vector(line, p.x * xSign, p.y, p.z);
    });
    w.Line("}");
}

NumberLine& Triple(NumberLine& line, int32_t a, int32_t b, int32_t c) {
    return line.Char('<').Int(a).Char(',').Int(b).Char(',').Int(c).Char('>');
}

// The text of a coordinate as the file holds it, read back: two cylinder
// ends whose written points coincide make a cylinder that POV-Ray refuses.
double Written(double x) {
    double value = 0;
    ParseDouble(FloatToText(x), value);
    return value;
}

bool DegenerateCylinder(const tvector& a, const tvector& b) {
    const double dx = Written(a.x) - Written(b.x), dy = Written(a.y) - Written(b.y), dz = Written(a.z) - Written(b.z);
    return std::sqrt(dx * dx + dy * dy + dz * dz) < 1e-9;
}

// Line segments of selected materials and visible groups as cylinders. The
// mirror of the model is applied to the whole assembly, which holds the
// line group, so the group itself carries none.
void WriteLineCylinders(const tscene& scene, ExportRun& run, CheckedTextWriter& w) {
    w.Line("//lines as cylinders");
    w.Line("#declare " + std::string(LineGroupName) + "=union{");
    double radius = 0;
    int32_t code = 0;
    ValFloat(Form1.Edit46.text, radius, code);
    if (code != 0 || !std::isfinite(radius)) radius = 0.01 * scene.extents.diagonal;
    int64_t degenerate = 0;
    for (const tline& l : LineSegments) {
        const bool visible = At(SceneGroups, l.group, "SceneGroups").visible != 0;
        const bool selected = At(SceneMaterials, l.material, "SceneMaterials").selected != 0;
        if (!visible || !selected) continue;
        const tvector& a = At(SceneVertices, static_cast<int64_t>(l.vertex[0]) - 1, "SceneVertices").p;
        const tvector& b = At(SceneVertices, static_cast<int64_t>(l.vertex[1]) - 1, "SceneVertices").p;
        if (DegenerateCylinder(a, b)) {
            ++degenerate;
            continue;
        }
        std::string& t = w.Buffer();
        t.append("           cylinder{");
        AppendVector(t, a.x, a.y, a.z);
        t.push_back(',');
        AppendVector(t, b.x, b.y, b.z);
        t.push_back(',');
        AppendFastFloatText(t, radius);
        t += " material{" + PovMaterialId(run, l.material) + "}}";
        w.EndLine();
    }
    w.Line("}");
    if (degenerate > 0)
        LogMessage("<!>" + std::to_string(degenerate) + " line segment" + (degenerate == 1 ? "" : "s") +
                   " of zero length left out of the line cylinders");
}

void WriteBoundingBoxes(const tscene& scene, ExportRun& run, CheckedTextWriter& w) {
    LogMessage("Writing bounding boxes...");
    w.Line("//Bounding boxes for each group in the geometry");
    for (int32_t i = 0; i < static_cast<int32_t>(SceneGroups.size()); ++i) {
        const tgroup& g = SceneGroups[static_cast<std::size_t>(i)];
        if (!g.visible) continue;
        w.Line("#declare " + PovGroupId(run, i) + "=box{");
        std::string& b = w.Buffer();
        b.append("    ");
        AppendVector(b, g.minimum.x, g.minimum.y, g.minimum.z);
        b.push_back(',');
        AppendVector(b, g.maximum.x, g.maximum.y, g.maximum.z);
        w.EndLine();
        const tvector c = ColorToVector(g.color);
        std::string& t = w.Buffer();
        t.append("    texture{pigment{color rgb");
        AppendVector(t, c.x, c.y, c.z);
        t.append("}}  }");
        w.EndLine();
    }
    w.Blank();
    w.Line("//Join all the boxes into a single object to be called in the main POV file");
    w.Line("#declare " + run.sceneObjectName + "=union{");
    for (int32_t i = 0; i < static_cast<int32_t>(SceneGroups.size()); ++i)
        if (SceneGroups[static_cast<std::size_t>(i)].visible) w.Line("   object{" + PovGroupId(run, i) + "}");
    if (scene.mirrorX) w.Line("   scale<-1,1,1>");
    w.Line("         }");
}

struct MeshTables {
    Renumbering vertices{SceneVertices.size(), "SceneVertices"};
    Renumbering normals{SceneNormals.size(), "SceneNormals"};
    Renumbering uvs{SceneUVs.size(), "SceneUVs"};
};

bool FaceHasNormals(const tface& f) { return f.normal[0] >= 1 && f.normal[1] >= 1 && f.normal[2] >= 1; }

// Writes the mesh2 of `mesh` under the name `declared`, logging its lines
// when `log` is given. True when some of its faces have normals and others
// not, so that it is written without them.
bool WriteMesh(const MeshPlan& plan, const MeshPass& mesh, std::string_view declared, double xSign,
               const MeshLines* log, MeshTables& t, CheckedTextWriter& w) {
    const int32_t* faces = plan.faces.data() + mesh.first;
    const std::size_t count = mesh.count;
    // Normals only when every face of the mesh has them: a mesh2 needs a
    // normal index for every face once it has normals.
    std::size_t withNormals = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (FaceHasNormals(SceneFaces[static_cast<std::size_t>(faces[i])])) ++withNormals;
    const bool normals = withNormals == count;
    const bool normalsLeftOut = withNormals > 0 && !normals;
    if (normalsLeftOut && log)
        LogMessage("<!>Mesh " + *mesh.name + ": " + std::to_string(count - withNormals) +
                   " faces have no normals, so the mesh is written without normals");
    for (std::size_t i = 0; i < count; ++i) {
        const tface& f = SceneFaces[static_cast<std::size_t>(faces[i])];
        for (int c = 0; c < 3; ++c) {
            t.vertices.Number(f.vertex[c]);
            if (normals) t.normals.Number(f.normal[c]);
            if (f.uv[c] > 0) t.uvs.Number(f.uv[c]);
        }
    }
    const bool uvs = t.uvs.Count() > 0;

    w.Line("#declare " + std::string(declared) + "=mesh2{");
    if (log) log->Line(*mesh.name, t.vertices.Count(), "vertices");
    VectorBlock(w, "vertex_vectors{", SceneVertices, t.vertices.Order(), xSign);
    if (normals) {
        if (log) log->Line(*mesh.name, t.normals.Count(), "normals");
        VectorBlock(w, "normal_vectors{", SceneNormals, t.normals.Order(), xSign);
    }
    if (uvs) {
        if (log) log->Line(*mesh.name, t.uvs.Count(), "UV vectors");
        BlockHead(w, "uv_vectors{", t.uvs.Count());
        const auto& uo = t.uvs.Order();
        ItemBlock(w, uo.size(), [&](NumberLine& line, std::size_t i) {
            const tuv& uv = SceneUVs[static_cast<std::size_t>(uo[i]) - 1];
            line.Char('<').Float(uv.u).Char(',').Float(uv.v).Char('>');
        });
        w.Line("}");
    }
    // The renumberings are only read from here on, by every thread.
    const MeshTables& numbers = t;
    auto face = [faces](std::size_t i) -> const tface& { return SceneFaces[static_cast<std::size_t>(faces[i])]; };
    if (log) log->Line(*mesh.name, count, "faces");
    BlockHead(w, "face_indices{", count);
    ItemBlock(w, count, [&](NumberLine& line, std::size_t i) {
        const tface& f = face(i);
        Triple(line, numbers.vertices.Find(f.vertex[0]) - 1, numbers.vertices.Find(f.vertex[1]) - 1,
               numbers.vertices.Find(f.vertex[2]) - 1);
    });
    w.Line("}");
    if (uvs) {
        if (log) log->Line(*mesh.name, count, "UV indices");
        BlockHead(w, "uv_indices{", count);
        ItemBlock(w, count, [&](NumberLine& line, std::size_t i) {
            const tface& f = face(i);
            if (FaceHasUVs(f))
                Triple(line, numbers.uvs.Find(f.uv[0]) - 1, numbers.uvs.Find(f.uv[1]) - 1,
                       numbers.uvs.Find(f.uv[2]) - 1);
            else
                line.Text("<0,0,0>");
        });
        w.Line("}");
    }
    if (normals) {
        if (log) log->Line(*mesh.name, count, "normal indices");
        BlockHead(w, "normal_indices{", count);
        ItemBlock(w, count, [&](NumberLine& line, std::size_t i) {
            const tface& f = face(i);
            Triple(line, numbers.normals.Find(f.normal[0]) - 1, numbers.normals.Find(f.normal[1]) - 1,
                   numbers.normals.Find(f.normal[2]) - 1);
        });
        w.Line("}");
    }
    w.Line("inside_vector <0,0,1> }");
    w.Blank();
    t.vertices.Reset();
    t.normals.Reset();
    t.uvs.Reset();
    return normalsLeftOut;
}

std::string Shadow(const MeshPass& mesh) { return mesh.castsShadow == 0 ? "no_shadow" : ""; }

}  // namespace

void WritePOVGeometryInclude(tscene& scene, ExportRun& run) {
    PreparePovIdentifiers(run);
    CheckedTextWriter w(scene.povGeometryFile);
    w.Rule(Marker);
    w.Line("//POV-Ray Geometry mesh list");
    BuildFileHeader(run.headerLines, Marker);
    for (const std::string& line : run.headerLines) w.Line(line);
    for (const std::string& line : RunStatistics(run)) w.Line(Marker, line);
    w.Rule(Marker);
    w.Blank();
    const bool fullPaths = scene.reservedFlag != 0;  // the full-paths flag; the save commands clear it
    if (scene.materialsInGeometry) {
        w.Blank();
        w.Line("//Materials");
        w.Line("#include " + PovFileNameString(fullPaths ? scene.povMaterialFile : ExtractFileName(scene.povMaterialFile)));
    }
    LogMessage(" ");
    w.Blank();
    w.Line("//Geometry");
    LogMessage(RuleLine);
    LogMessage("Writing POV-Ray geometry include file");

    const bool lines = PovWritesLines();
    if (lines) WriteLineCylinders(scene, run, w);

    if (Form1.CheckBox48.checked) {
        WriteBoundingBoxes(scene, run, w);
        w.Close();
        return;
    }

    const MeshPlan* plan = nullptr;
    // With the Moray wrapper, the name under which each mesh's mesh2 is
    // declared inside it: the mesh name + "MS", made unique in the run as
    // written.
    std::vector<const std::string*> wrapped;
    const bool wrapper = scene.materialsInGeometry && !scene.udoFile.empty();
    if (!SceneFaces.empty()) {
        LogMessage("preparing to break mesh...");
        plan = &RunMeshPlan(scene, run);
        ShowProgress(0, static_cast<double>(plan->passTotal), 0);
        const double xSign = PovLeftHanded() ? -1.0 : 1.0;
        MeshTables tables;
        if (wrapper) run.povIdentifiers.Expect(plan->meshes.size());
        const MeshLines log("POV-Ray", *plan);
        std::size_t normalsLeftOut = 0;  // by the meshes that log no lines
        for (std::size_t i = 0; i < plan->meshes.size(); ++i) {
            const MeshPass& mesh = plan->meshes[i];
            if (wrapper) wrapped.push_back(&run.povIdentifiers.Take(*mesh.name + "MS"));
            const std::string& declared = wrapper ? *wrapped.back() : *mesh.name;
            const bool logs = log.Logs(i);
            const bool withoutNormals = WriteMesh(*plan, mesh, declared, xSign, logs ? &log : nullptr, tables, w);
            if (withoutNormals && !logs) ++normalsLeftOut;
            ShowProgress(0, static_cast<double>(plan->passTotal), static_cast<double>(mesh.pass + 1));
        }
        if (normalsLeftOut == 1)
            LogMessage("<!>1 more mesh has faces without normals, so it is written without normals");
        else if (normalsLeftOut > 1)
            LogMessage("<!>" + std::to_string(normalsLeftOut) +
                       " more meshes have faces without normals, so they are written without normals");
    }
    const std::vector<MeshPass> none;
    const std::vector<MeshPass>& meshes = plan ? plan->meshes : none;

    if (wrapper && !meshes.empty()) {
        w.Blank();
        w.Line("//This encapsulates the material into the mesh so that Moray can use the original materials");
        for (std::size_t i = 0; i < meshes.size(); ++i)
            w.Line("#declare " + *meshes[i].name + "=object{" + *wrapped[i] + " " + Shadow(meshes[i]) + " material{" +
                   PovMaterialId(run, meshes[i].material) + "}}");
    }

    // The scene object is always declared, so that the scene file that
    // places it parses whatever the model holds. A union holds the members
    // unless there is exactly one mesh and nothing else: POV-Ray takes no
    // object after a transformation, so the line group comes before the
    // mirror.
    w.Blank();
    w.Line("//Model assembly from the meshes");
    w.Line("#declare " + run.sceneObjectName + "=");
    const bool useUnion = meshes.size() != 1 || lines || scene.mirrorX;
    if (useUnion) w.Line("union {");
    for (const MeshPass& mesh : meshes) {
        if (wrapper)
            w.Line("object{" + *mesh.name + "}");
        else
            w.Line("object{" + *mesh.name + " " + Shadow(mesh) + " material{" + PovMaterialId(run, mesh.material) +
                   "}}");
    }
    if (lines) w.Line("object{" + std::string(LineGroupName) + "}");
    if (scene.mirrorX) w.Line("scale<-1,1,1>");
    if (useUnion) w.Line("}");
    w.Close();
}
