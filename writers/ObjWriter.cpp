#include "writers/ObjWriter.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string_view>

#include "model/Errors.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "writers/FastText.h"
#include "writers/FileText.h"
#include "writers/ItemLines.h"
#include "writers/TextWriter.h"

namespace {

constexpr std::string_view Marker = "#";

// Hands each line of the settings block to `line` as it is made.
template <typename Line>
void WriteSettingsLines(const tscene& scene, Line&& line);

// An index of a face or line that the file refers to must name an element
// that the file holds.
void CheckIndex(int32_t index, std::size_t count, const char* listName) {
    if (index < 1 || static_cast<std::size_t>(index) > count) ThrowIndexError(listName, index, count);
}

struct Sections {
    bool normals = false;  // the "vn" section was written
    bool uvs = false;      // the "vt" section was written
};

// Lines of the keyword and the numbers of each item, built in place.
template <typename Numbers>
void NumberLines(CheckedTextWriter& w, std::string_view keyword, std::size_t count, const Numbers& numbers) {
    WriteLinePerItem(w, count, [&](std::size_t i, std::string& out) {
        NumberLine line;
        line.Text(keyword);
        bool separate = false;
        for (double x : numbers(i)) {
            if (separate) line.Char(' ');
            line.Float(x);
            separate = true;
        }
        line.AppendTo(out);
    });
}

void WriteVertices(CheckedTextWriter& w) {
    w.Line("# vertices");
    LogMessage("Writing " + std::to_string(SceneVertices.size()) + " vertices...");
    NumberLines(w, "v ", SceneVertices.size(), [](std::size_t i) {
        const tvector& p = SceneVertices[i].p;
        return std::array<double, 3>{p.x, p.y, p.z};
    });
}

void WriteNormals(CheckedTextWriter& w) {
    LogMessage("Writing " + std::to_string(SceneNormals.size()) + " normals...");
    w.Line("# normal vectors");
    NumberLines(w, "vn ", SceneNormals.size(), [](std::size_t i) {
        const tvector& p = SceneNormals[i].p;
        return std::array<double, 3>{p.x, p.y, p.z};
    });
}

void WriteUVs(CheckedTextWriter& w) {
    LogMessage("Writing " + std::to_string(SceneUVs.size()) + " UV vectors...");
    w.Line("# uv coordinates");
    NumberLines(w, "vt ", SceneUVs.size(), [](std::size_t i) { return std::array<double, 2>{SceneUVs[i].u, SceneUVs[i].v}; });
}

// "g" and "usemtl" lines are written when the name changes; the names are
// looked up only when the index changes.
struct NameTracker {
    int32_t lastGroup = -1;
    int32_t lastMaterial = -1;
    std::string groupName;     // last written, starts empty
    std::string materialName;  // last written, starts empty
};

bool GroupChange(tscene& scene, ExportRun& run, NameTracker& t, int32_t group, CheckedTextWriter& w) {
    if (group == t.lastGroup) return false;
    t.lastGroup = group;
    std::string name = ObjGroupName(scene, run, group);
    if (name == t.groupName) return false;
    w.Line("g ", ObjName(name));
    t.groupName = std::move(name);
    return true;
}

void MaterialChange(tscene& scene, ExportRun& run, NameTracker& t, int32_t material, CheckedTextWriter& w) {
    if (material == t.lastMaterial) return;
    t.lastMaterial = material;
    std::string name = ObjMaterialName(scene, run, material);
    if (name == t.materialName) return;
    w.Line("usemtl ", ObjName(name));
    t.materialName = std::move(name);
}

// A texture index is written only when the "vt" section was written and the
// face has all three; a normal index likewise (an OBJ file may not refer to
// elements it does not hold).
void WriteFaces(tscene& scene, ExportRun& run, CheckedTextWriter& w, const Sections& s) {
    LogMessage("Writing " + std::to_string(SceneFaces.size()) + " faces...");
    w.Line("# faces");
    NameTracker t;
    const std::size_t vertexCount = SceneVertices.size();
    const std::size_t uvCount = SceneUVs.size();
    const std::size_t normalCount = SceneNormals.size();
    for (const tface& f : SceneFaces) {
        const tgroup& g = At(SceneGroups, f.group, "SceneGroups");
        const tmaterial& m = At(SceneMaterials, f.material, "SceneMaterials");
        if (!g.visible || !m.selected) continue;
        GroupChange(scene, run, t, f.group, w);
        MaterialChange(scene, run, t, f.material, w);
        const bool uv = s.uvs && FaceHasUVs(f);
        const bool normal = s.normals && f.normal[0] >= 1 && f.normal[1] >= 1 && f.normal[2] >= 1;
        NumberLine line;
        line.Text("f ");
        for (int c = 0; c < 3; ++c) {
            CheckIndex(f.vertex[c], vertexCount, "SceneVertices");
            line.Int(f.vertex[c]).Char('/');
            if (uv) {
                CheckIndex(f.uv[c], uvCount, "SceneUVs");
                line.Int(f.uv[c]);
            }
            line.Char('/');
            if (normal) {
                CheckIndex(f.normal[c], normalCount, "SceneNormals");
                line.Int(f.normal[c]);
            }
            line.Char(' ');
        }
        line.AppendTo(w.Buffer());
        w.EndLine();
    }
}

void AppendLineCorner(std::string& b, const tline& segment, int end, const Sections& s) {
    CheckIndex(segment.vertex[end], SceneVertices.size(), "SceneVertices");
    AppendInt(b, segment.vertex[end]);
    b.push_back('/');
    if (s.uvs && LineHasUVs(segment)) {
        CheckIndex(segment.uv[end], SceneUVs.size(), "SceneUVs");
        AppendInt(b, segment.uv[end]);
    }
    b.push_back('/');
    if (s.normals && LineHasNormals(segment)) {
        CheckIndex(segment.normal[end], SceneNormals.size(), "SceneNormals");
        AppendInt(b, segment.normal[end]);
    }
    b.push_back(' ');
}

void WritePolylines(tscene& scene, ExportRun& run, CheckedTextWriter& w, const Sections& s) {
    LogMessage("Writing " + std::to_string(LineSegments.size()) + " lines...");
    w.Line("# line segments");
    NameTracker t;
    for (const tpolyline& pl : Polylines) {
        const tline& first = At(LineSegments, pl.first, "LineSegments");
        const tgroup& g = At(SceneGroups, first.group, "SceneGroups");
        if (!g.visible) continue;
        At(SceneMaterials, first.material, "SceneMaterials");
        if (GroupChange(scene, run, t, first.group, w)) LogMessage("group: " + g.name.str());
        MaterialChange(scene, run, t, first.material, w);
        std::string& b = w.Buffer();
        b.append("l ");
        AppendLineCorner(b, first, 0, s);
        for (int32_t i = 0; i < pl.count; ++i)
            AppendLineCorner(b, At(LineSegments, static_cast<int64_t>(pl.first) + i, "LineSegments"), 1, s);
        w.EndLine();
    }
}

// The preview camera as 14 vertices and 8 faces: four fins along the viewing
// axis and the pyramid of the field of view.
void WriteCameraMesh(const tscene& scene, CheckedTextWriter& w) {
    w.Line("#model of camera position and FOV used in Mirelan");
    w.Line("g mirelan_camera");
    w.Line("usemtl mirelan_camera");
    constexpr double degree = std::numbers::pi / 180.0;
    auto angle = [](const tedit& box) {
        double value = 0;
        int32_t code = 0;
        ValFloat(box.text, value, code);
        return code == 0 && std::isfinite(value) ? value * degree : 0.0;
    };
    const double pitch = angle(Form1.Edit20);
    const double yaw = angle(Form1.Edit19);
    const double roll = angle(Form1.Edit18);
    const double s = 0.1 * scene.extents.diagonal;
    const double fv = scene.fieldOfView * degree;
    // A preview of no size counts as square.
    const int32_t width = Form9.glView1.width, height = Form9.glView1.height;
    const double aspect = width > 0 && height > 0 ? static_cast<double>(width) / height : 1.0;
    const double fh = 2.0 * std::atan(std::tan(fv / 2.0) * aspect);
    const double th = std::tan(fh / 2.0);
    const double tv = std::tan(fv / 2.0);
    const tvector points[14] = {
        {0, 0, 0},           {0, 0, s},           {s / 2, 0, s},         {s / 2, 0, 0},         {-s / 2, 0, 0},
        {-s / 2, 0, s},      {0, s / 2, 0},       {0, s / 2, s},         {0, -s / 2, 0},        {0, -s / 2, s},
        {s * th, s * tv, -s}, {s * th, -s * tv, -s}, {-s * th, s * tv, -s}, {-s * th, -s * tv, -s},
    };
    for (const tvector& p : points) {
        tvector q = AddVectors(p, scene.cameraLocation);
        q = RotateAboutAxis(q, {0, 0, 1}, roll);
        q = RotateAboutAxis(q, {1, 0, 0}, pitch);
        q = RotateAboutAxis(q, {0, 1, 0}, yaw);
        q = AddVectors(q, scene.translation);
        w.Line("v ", FormatVector("%g", " ", q));
    }
    const int64_t n = static_cast<int64_t>(SceneVertices.size());
    static constexpr int faces[8][4] = {{1, 2, 3, 4},  {1, 5, 6, 2},   {1, 7, 8, 2},   {1, 9, 10, 2},
                                        {1, 12, 11, 0}, {1, 11, 13, 0}, {1, 13, 14, 0}, {1, 14, 12, 0}};
    for (const auto& face : faces) {
        std::string& b = w.Buffer();
        b.append("f");
        for (int k : face) {
            if (k == 0) break;
            b.push_back(' ');
            AppendInt(b, n + k);
        }
        w.EndLine();
    }
}

}  // namespace

void WriteOBJFile(tscene& scene, ExportRun& run) {
    LogMessage(" ");
    LogMessage(RuleLine);
    LogMessage("Writing modified Wavefront file");
    CheckedTextWriter w(scene.objFile);
    w.Rule(Marker);
    w.Line("#Geometry mesh file");
    BuildCreatorHeader(run.headerLines);
    for (const std::string& line : run.headerLines) w.Line(Marker, line);
    w.Rule(Marker);
    for (const std::string& line : RunStatistics(run)) w.Line(Marker, line);
    w.Rule(Marker);
    w.Blank();
    w.Line("mtllib ", ObjName(ExtractFileName(MtlFileName(scene))));
    ShowProgress(0, 100, 0);

    Sections s;
    if (!SceneVertices.empty()) WriteVertices(w);
    ShowProgress(0, 100, 25);
    if (!SceneNormals.empty() && Form1.CheckBox21.checked) {
        WriteNormals(w);
        s.normals = true;
    }
    ShowProgress(0, 100, 50);
    if (!SceneUVs.empty() && Form1.CheckBox22.checked) {
        WriteUVs(w);
        s.uvs = true;
    }
    ShowProgress(0, 100, 75);
    if (!SceneVertices.empty()) WriteFaces(scene, run, w, s);
    if (!LineSegments.empty()) WritePolylines(scene, run, w, s);
    if (Form1.CheckBox83.checked) WriteCameraMesh(scene, w);

    w.Blank();
    w.Rule(Marker);
    // Line by line into the file: a scene of millions of lights holds no
    // second copy of them as text.
    WriteSettingsLines(scene, [&w](std::string_view line) { w.Line(line); });
    ShowProgress(0, 100, 100);
    w.Close();
}

// ---- Settings block -------------------------------------------------------------

std::string QuotedField(std::string_view text) {
    std::string r;
    r.reserve(text.size() + 2);
    r.push_back('"');
    for (char c : OneLineText(text)) {
        if (c == '"') r.push_back('"');
        r.push_back(c);
    }
    r.push_back('"');
    return r;
}

std::string TextField(std::string_view text) {
    bool quote = text.empty();
    for (char c : text)
        if (static_cast<unsigned char>(c) <= 32 || c == ',' || c == '"') quote = true;
    return quote ? QuotedField(text) : std::string(text);
}

namespace {

// One line of fields: the keyword, then "," and a field for every field.
class FieldLine {
public:
    explicit FieldLine(std::string_view keyword) : line_(keyword) {}
    FieldLine& Text(std::string_view text) { return Raw(TextField(text)); }
    FieldLine& Name(std::string_view name) { return Raw(QuotedField(name)); }
    FieldLine& Float(double x) { return Raw(FloatToStrDot(x)); }
    FieldLine& Int(int64_t n) { return Raw(std::to_string(n)); }
    FieldLine& Bool(bool b) { return Raw(BoolToText(b ? 1 : 0)); }
    FieldLine& Vector(const tvector& v) { return Float(v.x).Float(v.y).Float(v.z); }
    std::string Take() { return std::move(line_); }

private:
    FieldLine& Raw(std::string_view field) {
        line_.push_back(',');
        line_.append(field);
        return *this;
    }
    std::string line_;
};

template <typename Line>
void WriteSettingsLines(const tscene& scene, Line&& line) {
    line("#Mirelan Settings Block v1.1");
    line(FieldLine("#camera")
        .Text(Form1.Edit14.text)
        .Bool(Form1.CheckBox9.checked)
        .Bool(Form1.CheckBox25.checked)
        .Text(Form1.Edit34.text)
        .Text(Form1.Edit35.text)
        .Text(Form1.Edit15.text)
        .Text(Form1.Edit16.text)
        .Text(Form1.Edit17.text)
        .Text(Form1.Edit18.text)
        .Text(Form1.Edit20.text)
        .Text(Form1.Edit19.text)
        .Vector(scene.translation)
        .Int(Form9.glView1.width)
        .Int(Form9.glView1.height)
        .Take());
    line("#number_of_lights," + std::to_string(Lights.size()));
    for (const tlight& l : Lights) {
        line(FieldLine("#light")
            .Name(l.name.view())
            .Vector(l.position)
            .Float(l.elevation)
            .Float(l.rotation)
            .Float(l.thirdAngle)
            .Vector(l.color)
            .Float(l.spotTightness)
            .Float(l.spotSpread)
            .Int(l.kind)
            .Int(l.shadow)
            .Int(l.optionA)
            .Float(l.intensity)
            .Float(l.factorB)
            .Vector(l.pointAt)
            .Bool(l.jitter == 1)
            .Float(l.areaSize)
            .Int(l.areaSamples)
            .Int(l.optionC)
            .Int(l.optionD)
            .Float(l.fadeDistance)
            .Take());
    }
    line("#headlightintensity," + FloatToStrDot(HeadlightIntensity));
    line(FieldLine("#background")
        .Int(Form1.ComboBox1.index)
        .Int(scene.backgroundColor)
        .Name(BackgroundMapName)
        .Text(Form1.Edit70.text)
        .Take());
    line("#placeholder_count," + std::to_string(Placeholders.size()));
    for (const tplaceholder& p : Placeholders) {
        line(FieldLine("#placeholder")
            .Name(p.name.view())
            .Vector(p.size)
            .Vector(p.position)
            .Vector(p.rotation)
            .Int(p.color)
            .Int(p.kind)
            .Take());
    }
    line(FieldLine("#ground")
        .Bool(Form1.CheckBox8.checked)
        .Text(Form1.Edit36.text)
        .Int(Form1.Label151.color)
        .Take());
    for (const tgroup& g : SceneGroups)
        line(FieldLine("#groupflags").Name(g.name.view()).Bool(g.castsShadow == 1).Take());
    line("#end of Mirelan Settings Block");
    line("#" + std::string(RuleLine));
}

}  // namespace

void BuildSettingsBlock(const tscene& scene, std::vector<std::string>& lines) {
    WriteSettingsLines(scene, [&lines](std::string_view line) { lines.emplace_back(line); });
}
