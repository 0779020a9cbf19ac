// The Moray UDO file: per mesh of the geometry include a wire-frame copy
// (vertices, edges, faces), a transform, the texture name and a colour.
// Vertices are numbered from 0 in every mesh section; the UDO reader counts
// each face section from the vertex section before it.
#include "model/Extents.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "writers/FastText.h"
#include "writers/FileText.h"
#include "writers/ItemLines.h"
#include "writers/MeshPlan.h"
#include "writers/PovNames.h"
#include "writers/PovWriters.h"
#include "writers/TextWriter.h"

namespace {

constexpr std::string_view Marker = ";";

// A name between the single quotes of a UDO line: it can hold neither a
// single quote nor a line break, which become "_".
std::string UdoQuotedText(std::string_view text) {
    std::string out = OneLineText(text);
    for (char& c : out)
        if (c == '\'') c = '_';
    return out;
}

void Pair(std::string& out, int32_t a, int32_t b, std::string_view lineEnd) {
    NumberLine line;
    line.Int(a).Char(' ').Int(b).AppendTo(out);
    out.append(lineEnd);
}

// Writes the sections of `mesh`, logging its lines when `log` is given.
void WriteMesh(const tscene& scene, ExportRun& run, const MeshPlan& plan, const MeshPass& mesh, const MeshLines* log,
               Renumbering& numbers, CheckedTextWriter& w) {
    const int32_t* faces = plan.faces.data() + mesh.first;
    const std::size_t count = mesh.count;
    for (std::size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) numbers.Number(SceneFaces[static_cast<std::size_t>(faces[i])].vertex[c]);
    const std::string& name = *mesh.name;

    if (log) log->Line(name, numbers.Count(), "vertices");
    w.Line("[" + name + ":Vertices]");
    AppendInt(w.Buffer(), static_cast<int64_t>(numbers.Count()));
    w.EndLine();
    const std::string_view lineEnd = w.LineEndText();
    const std::vector<int32_t>& order = numbers.Order();
    WriteLinePerItem(w, order.size(), [&](std::size_t i, std::string& out) {
        const tvector& p = SceneVertices[static_cast<std::size_t>(order[i]) - 1].p;
        NumberLine line;
        line.Float(p.x).Char(' ').Float(p.y).Char(' ').Float(p.z).Char(' ').AppendTo(out);
    });

    // The renumbering is only read from here on, by every thread.
    const Renumbering& found = numbers;
    auto corners = [&](std::size_t i, int32_t out[3]) {
        const tface& f = SceneFaces[static_cast<std::size_t>(faces[i])];
        for (int c = 0; c < 3; ++c) out[c] = found.Find(f.vertex[c]) - 1;
    };
    if (log) log->Line(name, 3 * count, "edges");
    w.Line("[" + name + ":EDGES]");
    AppendInt(w.Buffer(), static_cast<int64_t>(3 * count));
    w.EndLine();
    WriteItemLines(w, count, [&](std::size_t first, std::size_t end, std::string& out) {
        for (std::size_t i = first; i < end; ++i) {
            int32_t v[3];
            corners(i, v);
            Pair(out, v[0], v[1], lineEnd);
            Pair(out, v[1], v[2], lineEnd);
            Pair(out, v[2], v[0], lineEnd);
        }
    });

    if (log) log->Line(name, count, "faces");
    w.Line("[" + name + ":FACES]");
    AppendInt(w.Buffer(), static_cast<int64_t>(count));
    w.EndLine();
    WriteLinePerItem(w, count, [&](std::size_t i, std::string& out) {
        int32_t v[3];
        corners(i, v);
        NumberLine line;
        line.Int(v[0]).Char(' ').Int(v[1]).Char(' ').Int(v[2]).AppendTo(out);
    });

    w.Line("[" + name + ":Transforms]");
    w.Line("Rot -90 0 0");
    w.Line("[" + name + ":Texture]");
    const std::string& id = PovMaterialId(run, mesh.material);
    w.Line("UsesTexture " + id + (scene.materialsInGeometry ? " defined" : ""));
    w.Line("[" + name + ":Colors]");
    const tvector& d = SceneMaterials[static_cast<std::size_t>(mesh.material)].diffuse;
    w.Line("RGB " + FloatToStrDot(d.x * 255.0) + " " + FloatToStrDot(d.y * 255.0) + " " + FloatToStrDot(d.z * 255.0));
    w.Blank();
    numbers.Reset();
}

}  // namespace

void WriteUDOFile(tscene& scene, ExportRun& run) {
    LogMessage(RuleLine);
    LogMessage("Writing Moray UDO file");
    PreparePovIdentifiers(run);
    CheckedTextWriter w(scene.udoFile);
    w.Rule(Marker);
    w.Line(";Moray UDO file");
    BuildFileHeader(run.headerLines, Marker);
    for (const std::string& line : run.headerLines) w.Line(line);
    w.Rule(Marker);
    for (const std::string& line : RunStatistics(run)) w.Line(Marker, line);
    w.Rule(Marker);
    w.Line("version 1");
    const bool fullPaths = scene.reservedFlag != 0;  // the full-paths flag; the save commands clear it
    w.Line("IncludeFile '" + UdoQuotedText(fullPaths ? scene.povGeometryFile : ExtractFileName(scene.povGeometryFile)) +
           "'");
    w.Line("Name '" + run.sceneObjectName + "'");

    LogMessage("preparing to break mesh...");
    ResetProgress();
    const MeshPlan& plan = RunMeshPlan(scene, run);
    Renumbering numbers(SceneVertices.size(), "SceneVertices");
    const MeshLines log("UDO", plan);
    for (std::size_t i = 0; i < plan.meshes.size(); ++i) {
        const MeshPass& mesh = plan.meshes[i];
        WriteMesh(scene, run, plan, mesh, log.Logs(i) ? &log : nullptr, numbers, w);
        ShowProgress(0, static_cast<double>(plan.passTotal), static_cast<double>(mesh.pass + 1));
    }
    w.Line("[End]");
    w.Close();
}
