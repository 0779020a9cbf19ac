#include "ui/core/LoadDrivers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <optional>
#include <utility>

#include "model/Connectivity.h"
#include "model/Errors.h"
#include "model/Extents.h"
#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/Merge.h"
#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Normals.h"
#include "model/Selection.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "model/Weld.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/ModelReaders.h"
#include "readers/ReaderCommon.h"
#include "ui/core/PovIni.h"

bool ModelHasUVs = false;
bool ModelHasNormals = false;

namespace {

// ---- Helpers ----------------------------------------------------------
void Pump() { Svc().status->ProcessPendingMessages(); }
WindowHooks& Window() { return *Svc().window; }

// The folder of a file, without the final separator ("" for none).
std::string FolderOf(std::string_view fileName) {
    std::string folder = ExtractFilePath(fileName);
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return folder;
}

// The folder of the model whose load began last; "" before the first.
std::string& UserFolder() {
    static std::string folder;
    return folder;
}

// A model name as the program keeps it: "/" separators, absolute.
std::string AbsoluteModelPath(const std::string& fileName) {
    const std::string normal = NormalizePathSeparators(Trim(fileName));
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(normal, ec);
    return ec ? normal : p.lexically_normal().string();
}

// Ends a wait on every path; `End` ends it early.
class WaitGuard {
public:
    WaitGuard() { BeginWait(); }
    ~WaitGuard() { End(); }
    WaitGuard(const WaitGuard&) = delete;
    WaitGuard& operator=(const WaitGuard&) = delete;
    void End() {
        if (active_) {
            active_ = false;
            EndWait();
        }
    }

private:
    bool active_ = true;
};

void AddError(std::vector<std::string>* errors, std::string_view text) {
    if (errors) TryWithinMemory([&] { errors->emplace_back(text); });
}

// A line of a failure's report: on the "Messages" page, or in a message box
// when the page cannot take it for want of memory (a page of many lines that
// would have to grow). It never fails the command itself.
void ReportLine(std::string_view prefix, std::string_view text) {
    if (!TryWithinMemory([&] { LogMessage(std::string(prefix) + std::string(text)); }))
        TryWithinMemory([&] { Svc().prompts->Show(MessageKind::Warning, text); });
}

// The file name of a path, as ExtractFileName takes it, without a copy.
std::string_view FileNamePart(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// The crease angle of the Input tab in degrees; 35 when it is not a number.
double InputCreaseAngle() {
    double value = 0;
    int32_t code = 0;
    ValFloat(Form1.Edit95.text, value, code);
    return code == 0 && std::isfinite(value) ? value : 35.0;
}

int32_t ChosenNormalMode() {
    const int32_t mode = Form1.ComboBox23.index;
    return mode >= NormalSum && mode <= InverseAreaSum ? mode : AngleWeightedSum;
}

// The failure path of the processing. A model that does not fit in the
// memory left is told by its memory report alone: `outOfMemory`, made here,
// or that of a file that did not fit (`fileDidNotFit`), made when its read
// stopped. Neither the boxes of a model without vertices or faces, nor a box
// "Model could not be loaded" when the page cannot take that line, follow it.
void ProcessGeometryFailed(std::vector<std::string>* errors, std::string_view outOfMemory = {},
                           bool fileDidNotFit = false) {
    const bool noMemory = fileDidNotFit || !outOfMemory.empty();
    if (!noMemory && FileExistsNonBlank(Scene.modelFile)) {
        if (SceneVertices.empty()) {
            Svc().prompts->Show(MessageKind::Warning, "Model does not have vertices");
            AddError(errors, "Model does not have vertices");
        }
        if (SceneFaces.empty()) {
            Svc().prompts->Show(MessageKind::Warning, "Model does not have faces");
            AddError(errors, "Model does not have faces");
        }
    }
    if (!outOfMemory.empty()) {
        ReportLine("<!>", outOfMemory);
        AddError(errors, outOfMemory);
    }
    if (noMemory)
        TryWithinMemory([] { LogMessage("<!>Model could not be loaded"); });
    else
        ReportLine("<!>", "Model could not be loaded");
    Window().Beep();
    Scene.mapsLoaded = 0;
    Scene.modelFile.clear();
    ClearModel();
    Window().SetTitle("Mirelan");
    // The window shows the empty model: no material or group, the panel of
    // a material of its own.
    TryWithinMemory([] {
        Window().FillMaterialList();
        Window().FillGroupList();
        Window().RefreshMaterialPanel(-1);
        Window().BuildPreviewLists();
    });
}

// Every face and line index inside its list: a bad vertex becomes 1, a bad
// normal or UV none. In the same pass the faces and lines of each group and
// material are counted, as CountFacesPerGroupAndMaterial counts them (a
// group or material index outside its list ends the command), and the
// degenerate faces are taken out after they were counted: as the counting,
// the deletion of empty groups and RemoveDegenerateFaces one after the
// other do. Returns the number of face corners without a valid normal.
// `facesBefore`, when given, is a number of faces at the start of the list
// and becomes how many of those stay.
int64_t RepairIndicesAndCount(std::size_t* facesBefore) {
    const int32_t vertices = static_cast<int32_t>(SceneVertices.size());
    const int32_t normals = static_cast<int32_t>(SceneNormals.size());
    const int32_t uvs = static_cast<int32_t>(SceneUVs.size());
    for (tgroup& g : SceneGroups) g.faceCount = g.lineCount = 0;
    for (tmaterial& m : SceneMaterials) m.faceCount = m.lineCount = 0;
    int64_t badNormals = 0;
    std::size_t kept = 0;
    const std::size_t mark = facesBefore ? *facesBefore : 0;
    for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
        if (i == mark && facesBefore) *facesBefore = kept;
        tface& f = SceneFaces[i];
        for (int c = 0; c < 3; ++c) {
            if (f.vertex[c] < 1 || f.vertex[c] > vertices) f.vertex[c] = 1;
            if (f.normal[c] < 1 || f.normal[c] > normals) {
                f.normal[c] = 0;
                ++badNormals;
            }
            if (f.uv[c] < 1 || f.uv[c] > uvs) f.uv[c] = 0;
        }
        ++At(SceneGroups, f.group, "SceneGroups").faceCount;
        ++At(SceneMaterials, f.material, "SceneMaterials").faceCount;
        if (IsDegenerateFace(f)) continue;
        if (kept != i) SceneFaces[kept] = f;
        ++kept;
    }
    if (facesBefore && mark >= SceneFaces.size()) *facesBefore = kept;
    SceneFaces.resize(kept);
    for (tline& l : LineSegments) {
        for (int c = 0; c < 2; ++c) {
            if (l.vertex[c] < 1 || l.vertex[c] > vertices) l.vertex[c] = 1;
            if (l.normal[c] < 1 || l.normal[c] > normals) l.normal[c] = 0;
            if (l.uv[c] < 1 || l.uv[c] > uvs) l.uv[c] = 0;
        }
        ++At(SceneGroups, l.group, "SceneGroups").lineCount;
        ++At(SceneMaterials, l.material, "SceneMaterials").lineCount;
    }
    TopologyChanged();
    return badNormals;
}

// The names that follow the model loaded last.
struct OutputNames {
    std::string modelFile, mtlFile;
    std::string edits[9];

    static std::array<tedit*, 9> Edits() {
        return {&Form1.Edit68, &Form1.Edit2,  &Form1.Edit13, &Form1.Edit12, &Form1.Edit29,
                &Form1.Edit82, &Form1.Edit11, &Form1.Edit1,  &Form1.Edit61};
    }
    static OutputNames Save() {
        OutputNames n;
        n.modelFile = Scene.modelFile;
        n.mtlFile = Scene.mtlFile;
        const auto edits = Edits();
        for (std::size_t i = 0; i < edits.size(); ++i) n.edits[i] = edits[i]->text;
        return n;
    }
    // Puts the names back, moved (nothing allocated): once only.
    void Restore() {
        Scene.modelFile.swap(modelFile);
        Scene.mtlFile.swap(mtlFile);
        const auto all = Edits();
        for (std::size_t i = 0; i < all.size(); ++i) all[i]->text.swap(edits[i]);
    }
};

// The lengths of the scene's lists, to take back a merge that ran out of
// memory half-way.
struct SceneLengths {
    std::size_t vertices = SceneVertices.size(), normals = SceneNormals.size(), uvs = SceneUVs.size();
    std::size_t groups = SceneGroups.size(), materials = SceneMaterials.size(), faces = SceneFaces.size();

    void Restore() const {
        auto cut = [](auto& list, std::size_t n) {
            if (list.size() > n) list.erase(list.begin() + static_cast<std::ptrdiff_t>(n), list.end());
        };
        cut(SceneVertices, vertices);
        cut(SceneNormals, normals);
        cut(SceneUVs, uvs);
        cut(SceneGroups, groups);
        cut(SceneMaterials, materials);
        cut(SceneFaces, faces);
    }
};

// What processing a merged scene changes in the records of the models merged
// before the last file, kept so that the file can be taken out again when
// the processing runs out of memory. The processing deletes degenerate faces
// and lines, keeping the order of the rest, and replaces the normals and the
// UVs; the earlier records stay in front of the file's. (It deletes unused
// groups and materials as well: those of the file that are left over once
// its faces are cut off are unused, and the processing that follows deletes
// them.)
struct MergedFileUndo {
    SceneLengths before;  // the lists before the file was merged
    std::size_t lines = LineSegments.size(), polylines = Polylines.size();
    // Of the faces, lines and polylines before the file, those that the
    // processing keeps.
    std::size_t keptFaces = before.faces, keptLines = lines, keptPolylines = polylines;
    tnormalsundo normals;
    tuvundo uvs;
    // The records before the file, copied only when the processing would
    // change them beyond what cutting the file off undoes (ProcessingKeeps).
    struct Records {
        std::vector<tface> faces = SceneFaces;
        std::vector<tline> lines = LineSegments;
        std::vector<tpolyline> polylines = Polylines;
        std::vector<tgroup> groups = SceneGroups;
        std::vector<tmaterial> materials = SceneMaterials;
    };
    std::optional<Records> records;
    // The window's steps the processing took with the file in the scene:
    // the materials' textures, the material and group lists, the preview.
    bool mapsShown = false, listsShown = false, previewShown = false;

    // The scene as it was before the file: the normals and UVs put back and
    // the file's records cut off, or the records put back (nothing
    // allocated).
    void TakeOut() {
        RestoreWeldedUVs(uvs);
        RestoreVertexNormals(normals);
        SceneLengths kept = before;
        kept.faces = keptFaces;
        kept.Restore();
        LineSegments.resize(std::min(keptLines, LineSegments.size()));
        Polylines.resize(std::min(keptPolylines, Polylines.size()));
        if (records) {
            SceneFaces.swap(records->faces);
            LineSegments.swap(records->lines);
            Polylines.swap(records->polylines);
            SceneGroups.swap(records->groups);
            SceneMaterials.swap(records->materials);
        }
        LinesMergedCount = static_cast<int32_t>(LineSegments.size());
        PolylinesMergedCount = static_cast<int32_t>(Polylines.size());
        CurrentMaterialIndex =
            std::clamp(CurrentMaterialIndex, 0, std::max(0, static_cast<int32_t>(SceneMaterials.size()) - 1));
        TopologyChanged();
    }
};

// True when processing the scene changes no record of it but its normals and
// UVs: every face and line whole, with indices inside their lists, and every
// group and material used. The processing of a load leaves a model so; a tool
// may leave it otherwise (a face made degenerate, say). Cutting a merged file
// off then gives the model back as it was.
bool ProcessingKeeps() {
    const auto inside = [](int32_t i, std::size_t size, int32_t first) {
        return i >= first && i <= static_cast<int64_t>(size);
    };
    std::vector<bool> groupUsed(SceneGroups.size()), materialUsed(SceneMaterials.size());
    const auto use = [&](int32_t group, int32_t material) {
        if (group < 0 || static_cast<std::size_t>(group) >= groupUsed.size() || material < 0 ||
            static_cast<std::size_t>(material) >= materialUsed.size())
            return false;
        groupUsed[static_cast<std::size_t>(group)] = materialUsed[static_cast<std::size_t>(material)] = true;
        return true;
    };
    for (const tface& f : SceneFaces) {
        for (int c = 0; c < 3; ++c)
            if (!inside(f.vertex[c], SceneVertices.size(), 1) || !inside(f.normal[c], SceneNormals.size(), 0) ||
                !inside(f.uv[c], SceneUVs.size(), 0))
                return false;
        if (!use(f.group, f.material) || IsDegenerateFace(f)) return false;
    }
    for (const tline& l : LineSegments) {
        for (int c = 0; c < 2; ++c)
            if (!inside(l.vertex[c], SceneVertices.size(), 1) || !inside(l.normal[c], SceneNormals.size(), 0) ||
                !inside(l.uv[c], SceneUVs.size(), 0))
                return false;
        if (!use(l.group, l.material) || l.vertex[0] == l.vertex[1] || !(LineLength(l) > Epsilon)) return false;
    }
    return std::ranges::all_of(groupUsed, std::identity()) && std::ranges::all_of(materialUsed, std::identity());
}

// True for a reader's error that says its file does not fit in the memory
// left (NoMemoryText); nothing allocated.
bool SaysNoMemory(const ReadError& e) {
    constexpr std::string_view words = "not enough memory to load ";
    const std::string_view what = e.what();
    return what.starts_with(words) && what.substr(words.size()) == FileNamePart(e.file());
}

// A reader stopped (`what`; empty: it ran out of memory, or `noMemory`, its
// error says so): what it read is dropped and the file is reported. The
// report cannot fail the command.
LoadResult ReadFailed(std::string_view shortName, std::string_view what, bool noMemory, std::string* error) {
    DiscardImport();
    const LoadResult result = noMemory || what.empty() ? LoadResult::NoMemory : LoadResult::Failed;
    std::string text;
    if (!TryWithinMemory([&] {
            text = std::string(shortName) + ": " +
                   (what.empty() ? NoMemoryText(shortName) : std::string(what));
        })) {
        ReportLine("<!>", what.empty() ? std::string_view("not enough memory") : what);
        return result;
    }
    ReportLine("<!>", text);
    if (error) error->swap(text);
    return result;
}

}  // namespace

// ---- Parts of the load ----------------------------------------------------

void AddToModelHistory(const std::string& fileName) {
    tcombobox& history = Form1.ComboBox15;
    std::vector<std::string>& items = history.items;
    const auto found = std::find(items.begin(), items.end(), fileName);
    if (found != items.end() && found != items.begin()) items.erase(found);
    if (items.empty() || items.front() != fileName) items.insert(items.begin(), fileName);
    if (items.size() > ModelHistoryLimit) items.resize(ModelHistoryLimit);
    history.index = 0;
    history.text = items.front();
}

std::string ProposedObjOutputName(std::string_view fileName, std::string_view outputDir) {
    std::string folder = NormalizePathSeparators(Trim(outputDir));
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string name = folder + ExtractBaseName(fileName) + ".obj";
    std::string candidate = name;
    for (int k = 1; FileExistsNonBlank(candidate) && k <= 10000; ++k) candidate = RevisedFileName(name, k);
    return ExtractFileName(candidate);
}

void SetDefaultOutputNames(const std::string& fileName) {
    const std::string clean = CleanIdentifier(ExtractBaseName(fileName));
    Form1.Edit68.text = clean + "_POV_main.ini";
    Form1.Edit2.text = clean + "_POV_scene.pov";
    Form1.Edit13.text = clean + "_POV_geom.inc";
    Form1.Edit12.text = clean + "_POV_mat.inc";
    Form1.Edit29.text = clean + "_moray.inc";
    Form1.Edit82.text = clean + "_moray_mat.inc";
    Form1.Edit11.text = clean + "_moray.udo";
    Form1.Edit1.text = ProposedObjOutputName(fileName, Form2.Edit1.text);
    // The picture too: POV-Ray writes letters beyond ASCII as blanks, and the
    // check that keeps earlier renders must find the name it wrote.
    Form1.Edit61.text = clean + std::string(OutputImageExtension(Form1.ComboBox5.index));
}

void SetDialogDirs(std::string_view folder) {
    Form1.OpenDialog1.initialDir = folder;
    Window().SetDialogDirs(folder);
}

void SetModelDialogDir(std::string_view fileName) { Form1.OpenDialog1.initialDir = FolderOf(fileName); }

std::string UserCurrentFolder() {
    if (!UserFolder().empty()) return UserFolder();
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string() : current.string();
}

std::string ResolveUserPath(std::string_view name) {
    const std::string normal = NormalizePathSeparators(Trim(name));
    if (normal.empty()) return {};
    std::filesystem::path p(normal);
    if (p.is_relative() && !UserFolder().empty()) p = std::filesystem::path(UserFolder()) / p;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(p, ec);
    return ec ? p.string() : absolute.lexically_normal().string();
}

// ---- The drivers ------------------------------------------------------

namespace {

// LoadModelFile from its check of the file on; `shortName` is set as soon
// as it is known.
LoadResult ReadIntoScene(const std::string& fileName, std::string& shortName, std::string* error) {
    Window().EnableMergeSelected();
    Form1.Memo2.lines.clear();
    Form1.Edit34.text = "-1";
    Form1.Edit35.text = "1";
    Scene.translation = ZeroVector;
    Scene.loadFlag = 0;
    Svc().status->SetWarningsLine("Loading model...");

    if (!FileExistsNonBlank(fileName)) {
        const std::string text = "File " + ExtractFileName(fileName) + " does not exist.";
        Svc().prompts->Show(MessageKind::Warning, text);
        Pump();
        if (error) *error = text;
        return LoadResult::Missing;
    }
    const std::string name = AbsoluteModelPath(fileName);
    shortName = ExtractFileName(name);

    ClearMessagesPage();
    AddToModelHistory(name);
    SetDefaultOutputNames(name);

    Scene.modelFile = name;
    Scene.loadFlag = 0;
    Scene.mapsLoaded = 0;
    Scene.polygonsRead = 0;
    Scene.trianglesMade = 0;
    Scene.polygonsOverThree = 0;
    Window().ClearMaterialThumbnail();

    LogMessage(RuleLine);
    LogMessage("Loading Model " + shortName);
    Pump();
    UserFolder() = FolderOf(name);

    // Names inside the model (material libraries, maps) are resolved against
    // the model's folder by the readers and the map paths, never through the
    // current folder.
    const std::string extension = LowerCase(ExtractFileExt(name));
    if (!ReadModelByExtension(Scene, extension)) {
        const std::string text =
            shortName + ": files of the type " + (extension.empty() ? "(none)" : extension) + " cannot be read";
        LogMessage("<!>" + text);
        if (error) *error = text;
        Pump();
        return LoadResult::Unreadable;
    }
    if (Form1.CheckBox26.checked && IsZUpFormat(extension)) ReorientImport();
    ValidateImportIndices();
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    Pump();
    return LoadResult::Loaded;
}

}  // namespace

LoadResult LoadModelFile(const std::string& fileName, std::string* error) {
    WaitScope wait;
    // What a file that does not load puts back: the scene keeps its lists,
    // and the name and the output names of the model it holds (kept inside
    // the guard: when even they do not fit, nothing has changed).
    std::optional<OutputNames> previousNames;
    const SceneLengths lengths;
    std::string shortName;
    const auto failed = [&](std::string_view what, bool noMemory = false) {
        lengths.Restore();
        if (previousNames) previousNames->Restore();
        return ReadFailed(shortName.empty() ? FileNamePart(fileName) : std::string_view(shortName), what, noMemory,
                          error);
    };
    try {
        previousNames.emplace(OutputNames::Save());
        return ReadIntoScene(fileName, shortName, error);
    } catch (const ReadError& e) {
        return failed(e.what(), SaysNoMemory(e));
    } catch (const ModelError& e) {
        return failed(e.what());
    } catch (const std::bad_alloc&) {
        // The file is too big for the memory left: not loaded, the scene as
        // it was before it, and the program goes on.
        return failed({});
    } catch (const std::length_error&) {
        return failed({});
    } catch (...) {
        DiscardImport();
        if (previousNames) previousNames->Restore();
        throw;
    }
}

namespace {

// ProcessGeometry's work; with `merged`, what it changes in the records
// before the last file merged is kept there. Running out of memory in it
// throws std::bad_alloc, each step leaving the model whole.
bool ProcessScene(std::vector<std::string>* errors, MergedFileUndo* merged) {
    WaitScope wait;
    // The maps of the model are looked up below the same folders, each
    // folder read once.
    const FolderListingScope folders;
    if (SceneVertices.empty() || SceneFaces.empty()) {
        ProcessGeometryFailed(errors);
        return false;
    }

    NormalizeMaterials();
    ResolveMapPaths();
    Window().MatchMapNameCase();
    ModelHasUVs = !SceneUVs.empty();
    ModelHasNormals = !SceneNormals.empty();

    LogMessage(RuleLine);
    LogMessage("Processing Geometry");
    Pump();
    LogMessage("Checking for out of range indices...");
    const int64_t badNormals = RepairIndicesAndCount(merged ? &merged->keptFaces : nullptr);

    DeleteEmptyGroupsAsCounted();
    if (merged) {
        // The lines before the file stand where the merged ones began: how
        // many of them stay is where that mark ends up.
        LinesMergedCount = static_cast<int32_t>(merged->lines);
        PolylinesMergedCount = static_cast<int32_t>(merged->polylines);
    }
    RemoveDegenerateLines();
    if (merged) {
        merged->keptLines = static_cast<std::size_t>(LinesMergedCount);
        merged->keptPolylines = static_cast<std::size_t>(PolylinesMergedCount);
        LinesMergedCount = static_cast<int32_t>(LineSegments.size());
        PolylinesMergedCount = static_cast<int32_t>(Polylines.size());
    }

    const double crease = InputCreaseAngle();
    if (badNormals > 0) {
        LogMessage("Calculating Normals...");
        CalcVertexNormals(ChosenNormalMode(), crease * std::numbers::pi / 180.0, merged ? &merged->normals : nullptr);
    }

    // The three tables are built when something first needs them (the
    // preview its material table, the UV weld and the tools the others),
    // each in one pass over the faces: a model of millions of faces that is
    // only shown or converted carries none it does not use.
    LogMessage("Creating material->face linked list...");
    Pump();
    LogMessage("Creating vertex->face linked list...");
    Pump();
    LogMessage("Creating uv->face linked list...");
    Pump();

    // The group boxes are measured with the extents; the steps up to their
    // use change UVs only. The statistics that the display lists show take
    // this measure unless those steps changed what it depends on.
    const KeepMeasures keep;
    tgroupboxes groupBoxes;
    ComputeExtents(Scene.extents, groupBoxes);

    LogMessage("Loading maps...");
    FindMapsInModelDir();
    if (merged) merged->mapsShown = true;
    DeleteMaterialTextures(0);
    Window().ReloadMaterialMaps(2);

    LogMessage("Listing mats...");
    if (merged) merged->listsShown = true;
    Window().FillMaterialList();
    Window().RefreshMaterialPanel(CurrentMaterialIndex);
    LogMessage("listing groups...");
    Window().FillGroupList();

    if (!Scene.loadFlag) Scene.translation = Scene.extents.center;

    LogMessage("Projecting maps on geometry...");
    ApplyMaterialUVProjections();
    LogMessage("Unifying UV coordinates...");
    WeldUVs(1e-8, merged ? &merged->uvs : nullptr);

    LogMessage("Building Display List...");
    Pump();
    if (merged) merged->previewShown = true;
    Window().BuildNormalsList();
    Window().BuildPreviewLists();
    ComputeGroupExtents(groupBoxes);

    // Defaults that follow the size of the model.
    const double diagonal = Scene.extents.diagonal;
    Form1.Edit34.text = FloatToText(-diagonal / 2);
    Form1.Edit35.text = FloatToText(diagonal / 2);
    Form1.Edit58.text = FormatFloatMaskDot("#E-0", std::sqrt(std::max(0.0, Scene.smallestFaceArea)) / 100);
    Form1.Edit46.text = FormatFloatMaskDot("#E-0", diagonal / 2000);
    if (const ControlInfo* creaseControl = FindControl("Form1.UpDown7"))
        SetControlValue(*creaseControl, std::to_string(Round(crease)));

    const std::string shortName = ExtractFileName(Scene.modelFile);
    LogMessage("Model " + shortName + " loaded.");
    Pump();
    Scene.mapsLoaded = 1;
    SetModelDialogDir(Scene.modelFile);
    if (Svc().checkScene) Svc().checkScene();
    Window().SetTitle("Mirelan - " + shortName);
    return true;
}

// ProcessScene; false when there is no model to process (reported) or it
// runs out of memory (`outOfMemory` set, nothing reported yet).
bool TryProcessScene(std::vector<std::string>* errors, MergedFileUndo* merged, bool& outOfMemory) {
    try {
        return ProcessScene(errors, merged);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    outOfMemory = true;
    return false;
}

// The report of a model `file` that does not fit in the memory left:
// NoMemoryText, made in `text`; the words alone when even that does not fit.
std::string_view NoMemoryReport(std::string_view file, std::string& text) {
    if (TryWithinMemory([&] { text = NoMemoryText(file); })) return text;
    return "not enough memory";
}

void ReportOutOfMemory(std::string_view text, std::vector<std::string>* errors) {
    ReportLine("<!>", text);
    AddError(errors, text);
}

// The model does not fit beside what its preparation needs: reported, and
// the model cleared.
void ModelDoesNotFit(std::vector<std::string>* errors) {
    std::string text;
    ProcessGeometryFailed(errors, NoMemoryReport(Scene.modelFile, text));
}

// What a merge changes besides the scene's lists, kept so that a merge that
// cannot finish leaves the window as it was: the scene record (the model's
// name, its measures, the camera's place, the reader's counters), the names
// and boxes that the load and the processing fill, the custom-material memo
// and the flags of the model's UVs and normals.
struct MergeKeep {
    tscene scene = Scene;
    OutputNames names = OutputNames::Save();
    std::string sizeEdits[4] = {Form1.Edit34.text, Form1.Edit35.text, Form1.Edit58.text, Form1.Edit46.text};
    std::string creaseText = Form1.Edit57.text;
    int32_t crease = Form1.UpDown7.position;
    std::vector<std::string> memo = Form1.Memo2.lines;
    bool hasUVs = ModelHasUVs, hasNormals = ModelHasNormals;

    // Puts all of it back, moved (nothing allocated): once only.
    void Restore() {
        Scene = std::move(scene);
        names.Restore();
        tedit* edits[] = {&Form1.Edit34, &Form1.Edit35, &Form1.Edit58, &Form1.Edit46};
        for (std::size_t i = 0; i < std::size(edits); ++i) edits[i]->text.swap(sizeEdits[i]);
        Form1.Edit57.text.swap(creaseText);
        Form1.UpDown7.position = crease;
        Form1.Memo2.lines.swap(memo);
        ModelHasUVs = hasUVs;
        ModelHasNormals = hasNormals;
    }
};

// A merge into a loaded model that ran out of memory: the model and the
// window as they were before it. The window's steps that the processing took
// with the file in the scene are taken again without it.
void TakeOutMergedFile(MergedFileUndo& undo, MergeKeep& keep) {
    // The file's materials lose their textures with the others; the model's
    // own are made again below.
    if (undo.mapsShown) DeleteMaterialTextures(0);
    undo.TakeOut();
    keep.Restore();
    // The window may not fit what it showed before either: the model stays
    // all the same.
    if (undo.mapsShown) TryWithinMemory([] { Window().ReloadMaterialMaps(2); });
    if (undo.listsShown)
        TryWithinMemory([] {
            Window().FillMaterialList();
            Window().FillGroupList();
        });
    // The load blanked the material's picture.
    TryWithinMemory([] { Window().RefreshMaterialPanel(CurrentMaterialIndex); });
    if (undo.previewShown)
        TryWithinMemory([] {
            Window().BuildNormalsList();
            Window().BuildPreviewLists();
        });
}

}  // namespace

bool ProcessGeometry(std::vector<std::string>* errors) {
    bool outOfMemory = false;
    if (TryProcessScene(errors, nullptr, outOfMemory)) return true;
    if (outOfMemory) ModelDoesNotFit(errors);
    return false;
}

LoadResult MergeModelFile(const std::string& fileName, std::vector<std::string>* errors) {
    WaitScope wait;
    std::string message;
    const std::string_view outOfMemory = NoMemoryReport(fileName, message);
    // A file merged into a model either loads with it, or is taken out
    // again when the whole does not fit (or when the model alone does not fit
    // anew after the file could not be read): the model before it stays.
    const bool modelLoaded = !SceneFaces.empty();
    std::optional<MergedFileUndo> undo;
    std::optional<MergeKeep> keep;
    bool started = false;  // the scene may have changed
    try {
        // What takes the file out again comes first: when even that does
        // not fit, nothing has changed.
        undo.emplace();
        keep.emplace();
        if (modelLoaded && !ProcessingKeeps()) undo->records.emplace();
        started = true;
        std::string error;
        const LoadResult result = LoadModelFile(fileName, &error);
        if (result != LoadResult::Loaded) AddError(errors, error);
        if (result != LoadResult::NoMemory) {
            ProcessScene(errors, modelLoaded ? &*undo : nullptr);
        } else if (modelLoaded) {
            // The file did not fit: the model is not processed again, and
            // the boxes and names its load began on are put back.
            TakeOutMergedFile(*undo, *keep);
        } else {
            ProcessGeometryFailed(errors, {}, true);
        }
        return result;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    if (!modelLoaded && started) {
        ProcessGeometryFailed(errors, outOfMemory);
        return LoadResult::Failed;
    }
    if (started) TakeOutMergedFile(*undo, *keep);
    ReportOutOfMemory(outOfMemory, errors);
    return LoadResult::Failed;
}

bool LoadSelectedModels(std::vector<std::string>* errors) {
    WaitGuard wait;
    ClearMessagesPage();
    ClearWarningsPage();
    TryWithinMemory([] { LogMessage("Memory cleanup..."); });
    // What the loads take besides the files is made before the model goes:
    // when even that does not fit, the model stays as it was.
    std::vector<std::string> files;
    std::vector<std::size_t> merged, again;  // the files in the scene, in order; those loaded again
    std::string dialogFolder;  // the folder of the file (of the second of several)
    if (!TryWithinMemory([&] {
            files = BatchFiles;
            merged.reserve(files.size());
            again.reserve(files.size());
            if (!files.empty()) dialogFolder = FolderOf(AbsoluteModelPath(files[files.size() < 2 ? 0 : 1]));
            if (files.size() == 1) Form1.ComboBox15.text = files.front();
        })) {
        std::string text;
        ReportOutOfMemory(NoMemoryReport(BatchFiles.empty() ? std::string_view() : BatchFiles.front(), text), errors);
        return false;
    }
    ClearModel();
    Window().BuildPreviewLists();
    Window().Draw();

    Form1.Edit71.text.clear();
    Form1.PageControl2.active = 0;
    Form1.PageControl6.active = 0;

    bool allLoaded = true, fileDidNotFit = false;
    // The file's read stopped with an error: the files after it are not read.
    const auto stopped = [](LoadResult result) {
        return result == LoadResult::Failed || result == LoadResult::NoMemory;
    };
    auto load = [&](std::size_t i) {
        std::string error;
        const LoadResult result = LoadModelFile(files[i], &error);
        if (result != LoadResult::Loaded) {
            allLoaded = false;
            fileDidNotFit = fileDidNotFit || result == LoadResult::NoMemory;
            AddError(errors, error);
        } else {
            merged.push_back(i);
        }
        return result;
    };
    // The dialogs open where they did when their folder does not fit.
    const auto setDialogDirs = [&] { TryWithinMemory([&] { SetDialogDirs(dialogFolder); }); };
    if (files.size() < 2) {
        if (files.empty()) {
            allLoaded = false;
            AddError(errors, "No model file chosen.");
        } else if (!stopped(load(0))) {
            setDialogDirs();
        }
    } else {
        setDialogDirs();
        for (std::size_t i = 0; i < files.size(); ++i)
            if (stopped(load(i))) break;  // the rest of the files are not loaded
    }

    bool processed = false;
    for (bool outOfMemory = false;; outOfMemory = false) {
        if (merged.empty() && fileDidNotFit) {
            // Nothing was loaded, for want of memory: the file's memory
            // message tells it.
            ProcessGeometryFailed(errors, {}, true);
            break;
        }
        if ((processed = TryProcessScene(errors, nullptr, outOfMemory))) break;
        if (!outOfMemory) break;  // no model: reported
        allLoaded = false;
        if (merged.size() < 2) {
            ModelDoesNotFit(errors);
            break;
        }
        // Several files do not fit together: the last is left out and the
        // ones before it are loaded again, without it.
        std::string text;
        const std::string_view report = NoMemoryReport(Scene.modelFile, text);
        merged.pop_back();
        ClearModel();
        again.swap(merged);
        merged.clear();
        for (const std::size_t i : again)
            if (stopped(load(i))) break;
        ReportOutOfMemory(report, errors);
    }
    if (!Scene.loadFlag) Window().ResetCamera();

    BatchFiles.assign(1, "junk");

    Window().ShowSingleModelControls();
    for (tedit* edit : {&Form1.Edit68, &Form1.Edit2, &Form1.Edit13, &Form1.Edit12}) edit->enabled = true;

    wait.End();
    ResetProgress();
    Window().ApplyCameraEdits();
    Window().Draw();
    return allLoaded && processed;
}
