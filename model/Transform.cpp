#include "model/Transform.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "model/Connectivity.h"
#include "model/FileSearch.h"
#include "model/LightPanel.h"
#include "model/MeshProgress.h"
#include "model/Model.h"
#include "model/ModelUndo.h"
#include "model/Normals.h"
#include "model/PlaceholderPanel.h"
#include "model/Selection.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/Subdivide.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "model/Weld.h"
#include "options/Options.h"

namespace {

// The transformation read from the geometry page at each call.
tvector TransformScale{1, 1, 1};
tvector TransformRotation{0, 0, 0};  // degrees
tvector TransformTranslation{0, 0, 0};
tvector TransformReference{0, 0, 0};

const tvector kXAxis{1, 0, 0}, kYAxis{0, 1, 0}, kZAxis{0, 0, 1};

// The value of an edit, or `fallback` when its text is not a number.
double EditValue(const tedit& edit, double fallback, bool* parsed = nullptr) {
    double value = 0;
    int32_t code = 0;
    ValFloat(edit.text, value, code);
    if (parsed) *parsed = code == 0;
    return code == 0 ? value : fallback;
}

// Reads the four vectors. A scale component that is not a number would
// flatten the model onto a plane, so it counts as 1; `warn` logs it.
void ReadTransformVectors(bool warn) {
    const tedit* const scale[3] = {&Form1.Edit4, &Form1.Edit5, &Form1.Edit6};
    const char axes[3] = {'x', 'y', 'z'};
    double s[3];
    for (int i = 0; i < 3; ++i) {
        bool parsed = true;
        s[i] = EditValue(*scale[i], 1.0, &parsed);
        if (!parsed && warn)
            LogMessage(std::string("<!>Scale ") + axes[i] + " \"" + scale[i]->text + "\" is not a number: 1 is used");
    }
    TransformScale = {s[0], s[1], s[2]};
    TransformRotation = {EditValue(Form1.Edit31, 0), EditValue(Form1.Edit32, 0), EditValue(Form1.Edit33, 0)};
    TransformTranslation = {EditValue(Form1.Edit7, 0), EditValue(Form1.Edit8, 0), EditValue(Form1.Edit9, 0)};
    TransformReference = {EditValue(Form1.Edit88, 0), EditValue(Form1.Edit89, 0), EditValue(Form1.Edit92, 0)};
}

// The complete transform of the geometry page, applied alike to vertices,
// line ends, lights and placeholders so that they stay together.
class GeometryTransform {
public:
    GeometryTransform() {
        scale_ = TransformScale;
        radians_ = ScaleVector(TransformRotation, DegToRad);
        translation_ = TransformTranslation;
        reference_ = TransformReference;
        swapXY_ = Form1.RadioButton13.checked;
        swapXZ_ = Form1.RadioButton14.checked;
        swapYZ_ = Form1.RadioButton15.checked;
        flipNormals_ = Form1.CheckBox17.checked;
    }

    tvector Point(tvector p) const {
        p = MultiplyVectors(SubtractVectors(p, reference_), scale_);
        p = Rotate(p);
        p = AddVectors(p, translation_);
        p = Swap(p);
        return AddVectors(p, reference_);
    }

    tvector Normal(tvector n) const {
        n = ScaleNormal(scale_, n);
        n = Rotate(n);
        n = Swap(n);
        n = NormalizeVector(n);
        return flipNormals_ ? ScaleVector(n, -1) : n;
    }

    // True when the transform turns the model into its mirror image: each
    // axis swap mirrors, and so does a negative scale product.
    bool Mirrors() const {
        const int swaps = (swapXY_ ? 1 : 0) + (swapXZ_ ? 1 : 0) + (swapYZ_ ? 1 : 0);
        const bool negative = scale_.x * scale_.y * scale_.z < 0;
        return ((swaps % 2) == 1) != negative;
    }

    const tvector& Scale() const { return scale_; }

private:
    tvector Rotate(tvector p) const {
        if (std::fabs(radians_.x) > Epsilon) p = RotateAboutAxis(p, kXAxis, radians_.x);
        if (std::fabs(radians_.y) > Epsilon) p = RotateAboutAxis(p, kYAxis, radians_.y);
        if (std::fabs(radians_.z) > Epsilon) p = RotateAboutAxis(p, kZAxis, radians_.z);
        return p;
    }

    tvector Swap(tvector p) const {
        if (swapXY_) SwapDoubles(p.x, p.y);
        if (swapXZ_) SwapDoubles(p.x, p.z);
        if (swapYZ_) SwapDoubles(p.y, p.z);
        return p;
    }

    tvector scale_, radians_, translation_, reference_;
    bool swapXY_ = false, swapXZ_ = false, swapYZ_ = false, flipNormals_ = false;
};

bool IsLineSelected(const tline& l) {
    return At(SceneMaterials, l.material, "SceneMaterials").selected &&
           At(SceneGroups, l.group, "SceneGroups").visible;
}

// Every index the passes follow, checked before anything changes, so that a
// bad index ends the command with the model as it was.
void CheckIndices() {
    const auto check = [](int32_t index, std::size_t size, bool optional, const char* list) {
        if ((optional && index == 0) || (index >= 1 && static_cast<std::size_t>(index) <= size)) return;
        ThrowIndexError(list, index, size);
    };
    for (const tface& f : SceneFaces) {
        At(SceneMaterials, f.material, "SceneMaterials");
        At(SceneGroups, f.group, "SceneGroups");
        for (int c = 0; c < 3; ++c) {
            check(f.vertex[c], SceneVertices.size(), false, "SceneVertices");
            check(f.normal[c], SceneNormals.size(), true, "SceneNormals");
            check(f.uv[c], SceneUVs.size(), true, "SceneUVs");
        }
    }
    for (const tline& l : LineSegments) {
        At(SceneMaterials, l.material, "SceneMaterials");
        At(SceneGroups, l.group, "SceneGroups");
        for (int c = 0; c < 2; ++c) {
            check(l.vertex[c], SceneVertices.size(), false, "SceneVertices");
            check(l.normal[c], SceneNormals.size(), true, "SceneNormals");
        }
    }
}

void MoveVertex(int32_t index, const GeometryTransform& t) {
    tvertex& v = SceneVertices[static_cast<std::size_t>(index) - 1];
    if (v.mark) return;
    v.p = t.Point(v.p);
    v.mark = 1;
}

void TurnNormal(int32_t index, const GeometryTransform& t) {
    if (index < 1) return;  // a corner without a normal
    tnormal& n = SceneNormals[static_cast<std::size_t>(index) - 1];
    if (n.mark) return;
    n.p = t.Normal(n.p);
    n.mark = 1;
}

double CreaseDegrees() { return EditValue(Form1.Edit57, 35.0); }

// New normals, what they replace handed to `undo`.
void CalcNormals(int32_t mode, double crease, tmodelundo& undo) {
    tnormalsundo replaced;
    CalcVertexNormals(mode, crease, &replaced);
    undo.TakeNormals(replaced);
}

void TransformGeometryPage(const tscene& scene, tmodelundo& undo) {
    const GeometryTransform t;
    CheckIndices();
    const bool weldOrSplit = Form1.CheckBox24.checked || Form1.CheckBox15.checked;
    const bool lights = Form1.CheckBox23.checked && !Lights.empty();
    const bool placeholders = Form1.CheckBox57.checked && !Placeholders.empty();

    // The transform rewrites the vertices and normals, a weld or a split the
    // faces (a weld the line ends too); the normals step hands over what it
    // replaces, and a reversed winding is reversed again.
    tmodelundo::Keep(undo.vertices, SceneVertices);
    tmodelundo::Keep(undo.normals, SceneNormals);
    if (weldOrSplit) tmodelundo::Keep(undo.faces, SceneFaces);
    if (Form1.CheckBox24.checked) tmodelundo::Keep(undo.lines, LineSegments);
    if (lights) tmodelundo::Keep(undo.lights, Lights);
    if (placeholders) tmodelundo::Keep(undo.placeholders, Placeholders);

    ClearVertexFlags();
    ClearNormalFlags();
    LogMessage("Transforming vertices and normals...");
    const int32_t faceCount = static_cast<int32_t>(SceneFaces.size());
    MeshProgress progress(faceCount);
    for (int32_t i = 0; i < faceCount; ++i) {
        progress.Tick(i);
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (!IsFaceSelected(f)) continue;
        for (int c = 0; c < 3; ++c) {
            MoveVertex(f.vertex[c], t);
            TurnNormal(f.normal[c], t);
        }
    }
    // Lines of the selection move with the faces.
    for (const tline& l : LineSegments) {
        if (!IsLineSelected(l)) continue;
        for (int c = 0; c < 2; ++c) {
            MoveVertex(l.vertex[c], t);
            TurnNormal(l.normal[c], t);
        }
    }
    ClearVertexFlags();
    ClearNormalFlags();

    // A mirrored face shows its back unless its corners are reversed; two
    // mirrors cancel.
    if (t.Mirrors() != Form1.CheckBox38.checked) {
        LogMessage("Changing winding order...");
        undo.windingReversed = true;
        ReverseFaceWinding();
    }

    if (Form1.CheckBox24.checked) {
        LogMessage("Welding vertices...");
        bool parsed = true;
        double tolerance = EditValue(Form1.Edit58, 0, &parsed);
        bool weld = true;
        if (!parsed) {
            // Without faces the smallest face area keeps its start value; a
            // tolerance taken from it would merge every vertex into one.
            const double area = scene.smallestFaceArea;
            if (SceneFaces.empty() || !std::isfinite(area) || area < 0 || area >= 1e20) {
                LogMessage("<!>Weld tolerance \"" + Form1.Edit58.text +
                           "\" is not a number and there is no face area to take it from: vertices not welded");
                weld = false;
            } else {
                tolerance = std::sqrt(area) / 100;
            }
        }
        if (weld) WeldVertices(tolerance);
    }

    const bool hasMesh = SceneVertices.size() > 2 && !SceneFaces.empty();
    if (Form1.CheckBox15.checked && hasMesh) {
        LogMessage("Splitting vertices...");
        SplitVertices(0);
    }
    if (Form1.CheckBox32.checked && hasMesh) {
        LogMessage("Calculating normals...");
        CalcNormals(Form1.ComboBox23.index, CreaseDegrees() * DegToRad, undo);
    }

    if (lights) {
        LogMessage("Transforming lights...");
        for (tlight& l : Lights) {
            l.position = t.Point(l.position);
            l.pointAt = t.Point(l.pointAt);
        }
        RefreshLightPanel(Form1.ComboBox2.index);
    }

    if (placeholders) {
        LogMessage("Transforming Placeholders...");
        const tvector& s = t.Scale();
        // A mirrored box, ball or cylinder has the same size; sizes stay
        // positive.
        const tvector sizeScale{std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)};
        for (tplaceholder& p : Placeholders) {
            p.size = MultiplyVectors(p.size, sizeScale);
            p.position = t.Point(p.position);
            p.rotation = AddVectors(p.rotation, TransformRotation);
        }
        RefreshPlaceholderPanel(Form1.ComboBox7.index);
    }
}

void SubdivisionPage(const tscene& scene, tmodelundo& undo) {
    LogMessage("Subdividing faces...");
    SubdivisionMaterialSwitch = Form1.CheckBox12.checked;
    BuildVertexFaceTable();
    BuildUVFaceTable();
    BuildMaterialFaceTable();
    const bool anyMarked = scene.subdivisionFaceCount > 0;
    if (Form1.RadioButton7.checked) {
        SubdivideSmooth(Form1.CheckBox77.checked, Form1.CheckBox79.checked, Form1.CheckBox78.checked,
                        Form1.CheckBox80.checked && anyMarked, &undo);
    } else if (Form1.RadioButton6.checked) {
        SubdivideFlat(Form1.CheckBox28.checked && anyMarked, false, &undo);
    }
    LogMessage("Calculating normals...");
    CalcNormals(Form1.ComboBox23.index, CreaseDegrees() * DegToRad, undo);
    BuildVertexFaceTable();
    BuildUVFaceTable();
    BuildMaterialFaceTable();
}

// A picture coordinate: 0 for a value that is not finite or beyond 1e10,
// otherwise rounded.
int64_t PixelCoordinate(double x) {
    if (!(std::fabs(x) <= 1e10)) return 0;
    return Round(x);
}

void DisplacementPage(tmodelundo& undo) {
    const std::string file = Trim(Form1.Edit54.text);
    if (file.empty() || SceneUVs.empty() || !FileExistsNonBlank(file)) return;
    tpicture picture;
    const bool loaded = Svc().pictures->LoadRGB(file, picture);
    const int64_t width = picture.width, height = picture.height;
    if (!loaded || width < 1 || height < 1 ||
        picture.rgb.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        LogMessage("<!>Displacement picture " + file + " could not be read");
        return;
    }
    CheckIndices();

    LogMessage("Displacing vertices...");
    BuildVertexFaceTable();
    BuildUVFaceTable();
    const double minimum = EditValue(Form1.Edit55, 0.0);
    const double maximum = EditValue(Form1.Edit56, 1.0);
    const tvector mask{Form1.CheckBox44.checked ? 1.0 : 0.0, Form1.CheckBox45.checked ? 1.0 : 0.0,
                       Form1.CheckBox46.checked ? 1.0 : 0.0};
    tmodelundo::Keep(undo.vertices, SceneVertices);
    ClearVertexFlags();

    const int32_t faceCount = static_cast<int32_t>(SceneFaces.size());
    MeshProgress progress(faceCount);
    for (int32_t i = 0; i < faceCount; ++i) {
        progress.Tick(i);
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (!IsFaceSelected(f)) continue;
        for (int c = 0; c < 3; ++c) {
            const int32_t vertex = f.vertex[c];
            tvertex& v = SceneVertices[static_cast<std::size_t>(vertex) - 1];
            if (v.mark) continue;
            // The normals of every corner at the vertex, and the UV of the
            // last face (in table order) that has UVs in all corners.
            tvector sum{0, 0, 0};
            double u = DefaultUV.u, w = DefaultUV.v;
            for (const int32_t* g = VertexFaceTable.Begin(vertex); g != VertexFaceTable.End(vertex); ++g) {
                const tface& other = SceneFaces[static_cast<std::size_t>(*g)];
                const int corner = FindFaceCorner(vertex, other) - 1;
                const int32_t normal = other.normal[corner];
                if (normal > 0) sum = AddVectors(sum, SceneNormals[static_cast<std::size_t>(normal) - 1].p);
                if (FaceHasUVs(other)) {
                    const tuv& t = SceneUVs[static_cast<std::size_t>(other.uv[corner]) - 1];
                    u = t.u;
                    w = t.v;
                }
            }
            const tvector dir = MultiplyVectors(NormalizeVector(sum), mask);
            const int64_t px = PixelCoordinate(static_cast<double>(width - 1) * u);
            const int64_t py = PixelCoordinate(static_cast<double>(height - 1) * (1 - w));
            if (px >= 0 && px < width && py >= 0 && py < height) {
                const uint8_t* rgb = &picture.rgb[static_cast<std::size_t>((py * width + px) * 3)];
                const double luminance = ColorLuminance({rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0});
                if (luminance >= 0) v.p = AddVectors(v.p, ScaleVector(dir, minimum + (maximum - minimum) * luminance));
            }
            v.mark = 1;
        }
    }

    LogMessage("Recalculating normals for displaced geometry...");
    CalcNormals(Form1.ComboBox23.index, Pi, undo);
}

std::string ChangeReport(std::size_t vertices, std::size_t normals, std::size_t uvs, std::size_t faces) {
    const auto change = [](std::size_t now, std::size_t before) {
        return CountChangeText(static_cast<int64_t>(now) - static_cast<int64_t>(before));
    };
    return "(Vertices: " + change(SceneVertices.size(), vertices) + ")  " + "(Normals: " +
           change(SceneNormals.size(), normals) + ")  " + "(UV: " + change(SceneUVs.size(), uvs) + ")  " +
           "(Faces: " + change(SceneFaces.size(), faces) + ")";
}

}  // namespace

void TransformModel(tscene scene, int mode, std::string& report, tmodelundo* undo) {
    ChangeModel(undo, [&](tmodelundo& kept) {
        const std::size_t normals = SceneNormals.size(), faces = SceneFaces.size();
        const std::size_t vertices = SceneVertices.size(), uvs = SceneUVs.size();
        ReadTransformVectors(mode == TransformGeometry);
        switch (mode) {
            case TransformGeometry: TransformGeometryPage(scene, kept); break;
            case TransformSubdivide: SubdivisionPage(scene, kept); break;
            case TransformDisplace: DisplacementPage(kept); break;
            default: break;
        }
        report = ChangeReport(vertices, normals, uvs, faces);
    });
}

void SetTotalLightIntensity(double percent) {
    if (Lights.empty()) return;
    tvector sum{0, 0, 0};
    for (const tlight& l : Lights) sum = AddVectors(sum, ScaleVector(l.color, l.intensity));
    const double luminance = ColorLuminance(sum);
    const double target = percent / 100;
    const double factor = luminance > Epsilon ? target / luminance : 0;
    const double share = target / static_cast<double>(Lights.size());
    for (tlight& l : Lights) l.intensity = factor > Epsilon ? l.intensity * factor : share;
}

void ApplyMaterialUVProjections() {
    DeselectAllMaterials();
    const int32_t count = static_cast<int32_t>(SceneMaterials.size());
    MeshProgress progress(count);
    bool projected = false;
    for (int32_t i = 0; i < count; ++i) {
        progress.Tick(i);
        tmaterial& m = SceneMaterials[static_cast<std::size_t>(i)];
        const int32_t method = m.uvProjection;
        if (method > -1) {
            // Only this material's faces are selected while it is projected.
            m.selected = 1;
            const tvector axis = m.projectionAxis;
            ProjectUVs(axis, method, 0);
            projected = true;
        }
        // ProjectUVs appends UVs only, so `m` is still valid.
        m.selected = 0;
        m.uvProjection = -1;
        m.mapCenter = {0, 0, 0};
        m.mapSize = {-1.0, 0, 0};
        m.mapRotation = {0, 0, 0};
        m.mapScale[0] = 1.0;
        m.mapScale[1] = 1.0;
    }
    SelectAllMaterials();
    if (projected) EnsureUVFaceTable();  // rebuilt when a projection added UVs
}

void FindMapsInModelDir() {
    if (Trim(Scene.modelFile).empty()) return;  // no model, no folder
    const std::string folder = ExtractFilePath(Scene.modelFile);
    const auto exists = [](const std::string& name) { return FileExistsNonBlank(FileNameAsOnDisk(name)); };
    for (tmaterial& m : SceneMaterials) {
        for (tmapname* map : {&m.colorMap, &m.bumpMap, &m.transparencyMap}) {
            if (Trim(map->view()).empty() || exists(*map)) continue;
            const std::string candidate = FileNameAsOnDisk(folder + ExtractFileName(map->view()));
            if (FileExistsNonBlank(candidate)) *map = candidate;
        }
    }
}

void ReorientImport() {
    // -90 degrees about X, exactly: no rounding noise in the coordinates.
    for (tvertex& v : ImportVertices) v.p = {v.p.x, v.p.z, -v.p.y};
    for (tnormal& n : ImportNormals) n.p = {n.p.x, n.p.z, -n.p.y};
}

std::vector<tlight> DeleteAllLights() {
    LogMessage(std::to_string(Lights.size()) + " lights deleted.");
    std::vector<tlight> removed;
    removed.swap(Lights);
    Form1.ComboBox2.index = -1;
    RefreshLightPanel(0);
    return removed;
}
