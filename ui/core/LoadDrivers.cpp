#include "ui/core/LoadDrivers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
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

void AddError(std::vector<std::string>* errors, std::string text) {
    if (errors) errors->push_back(std::move(text));
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

void ProcessGeometryFailed(std::vector<std::string>* errors) {
    if (FileExistsNonBlank(Scene.modelFile)) {
        if (SceneVertices.empty()) {
            Svc().prompts->Show(MessageKind::Warning, "Model does not have vertices");
            AddError(errors, "Model does not have vertices");
        }
        if (SceneFaces.empty()) {
            Svc().prompts->Show(MessageKind::Warning, "Model does not have faces");
            AddError(errors, "Model does not have faces");
        }
    }
    LogMessage("<!>Model could not be loaded");
    Window().Beep();
    Scene.mapsLoaded = 0;
    Scene.modelFile.clear();
    ClearModel();
    Window().SetTitle("Mirelan");
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
    void Restore() const {
        Scene.modelFile = modelFile;
        Scene.mtlFile = mtlFile;
        const auto all = Edits();
        for (std::size_t i = 0; i < all.size(); ++i) all[i]->text = edits[i];
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

    // The scene as it was before the file: the normals and UVs put back and
    // the file's records cut off (nothing allocated).
    void TakeOut() {
        RestoreWeldedUVs(uvs);
        RestoreVertexNormals(normals);
        SceneLengths kept = before;
        kept.faces = keptFaces;
        kept.Restore();
        LineSegments.resize(std::min(keptLines, LineSegments.size()));
        Polylines.resize(std::min(keptPolylines, Polylines.size()));
        LinesMergedCount = static_cast<int32_t>(LineSegments.size());
        PolylinesMergedCount = static_cast<int32_t>(Polylines.size());
        CurrentMaterialIndex =
            std::clamp(CurrentMaterialIndex, 0, std::max(0, static_cast<int32_t>(SceneMaterials.size()) - 1));
        TopologyChanged();
    }
};

// A reader stopped: what it read is dropped and the file is reported.
LoadResult ReadFailed(const std::string& shortName, const char* what, std::string* error) {
    DiscardImport();
    const std::string text = shortName + ": " + what;
    LogMessage("<!>" + text);
    if (error) *error = text;
    return LoadResult::Failed;
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

LoadResult LoadModelFile(const std::string& fileName, std::string* error) {
    WaitScope wait;
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
    const std::string shortName = ExtractFileName(name);

    ClearMessagesPage();
    AddToModelHistory(name);
    // What a failed read puts back: the scene keeps the name and the output
    // names of the model it holds.
    const OutputNames previousNames = OutputNames::Save();
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
    const SceneLengths lengths;
    try {
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
    } catch (const ReadError& e) {
        previousNames.Restore();
        return ReadFailed(shortName, e.what(), error);
    } catch (const ModelError& e) {
        previousNames.Restore();
        return ReadFailed(shortName, e.what(), error);
    } catch (const std::bad_alloc&) {
        // The file is too big for the memory left: not loaded, the scene as
        // it was before it, and the program goes on.
        lengths.Restore();
        previousNames.Restore();
        return ReadFailed(shortName, NoMemoryText(name).c_str(), error);
    } catch (const std::length_error&) {
        lengths.Restore();
        previousNames.Restore();
        return ReadFailed(shortName, NoMemoryText(name).c_str(), error);
    } catch (...) {
        DiscardImport();
        previousNames.Restore();
        throw;
    }
    Pump();
    return LoadResult::Loaded;
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
    DeleteMaterialTextures(0);
    Window().ReloadMaterialMaps(2);

    LogMessage("Listing mats...");
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

// ProcessScene; when it runs out of memory, false with the message naming
// the model file in `outOfMemory`.
bool TryProcessScene(std::vector<std::string>* errors, MergedFileUndo* merged, std::string& outOfMemory) {
    try {
        return ReadWithinMemory(Scene.modelFile, [&] { return ProcessScene(errors, merged); });
    } catch (const ReadError& e) {
        outOfMemory = e.what();
        return false;
    }
}

void ReportOutOfMemory(const std::string& text, std::vector<std::string>* errors) {
    LogMessage("<!>" + text);
    AddError(errors, text);
}

}  // namespace

bool ProcessGeometry(std::vector<std::string>* errors) {
    std::string outOfMemory;
    if (TryProcessScene(errors, nullptr, outOfMemory)) return true;
    if (!outOfMemory.empty()) {
        // The model does not fit beside what its preparation needs.
        ReportOutOfMemory(outOfMemory, errors);
        ProcessGeometryFailed(errors);
    }
    return false;
}

LoadResult MergeModelFile(const std::string& fileName, std::vector<std::string>* errors) {
    WaitScope wait;
    MergedFileUndo undo;
    const OutputNames names = OutputNames::Save();
    std::string error;
    const LoadResult result = LoadModelFile(fileName, &error);
    if (result != LoadResult::Loaded) AddError(errors, error);
    // A file merged into a model is taken out again when the whole does not
    // fit: the model before it stays.
    const bool undoable = result == LoadResult::Loaded && undo.before.faces > 0;
    std::string outOfMemory;
    if (TryProcessScene(errors, undoable ? &undo : nullptr, outOfMemory) || outOfMemory.empty()) return result;
    if (undoable) {
        undo.TakeOut();
        names.Restore();
        ReportOutOfMemory(outOfMemory, errors);
        outOfMemory.clear();
        if (TryProcessScene(errors, nullptr, outOfMemory) || outOfMemory.empty()) return LoadResult::Failed;
    }
    ReportOutOfMemory(outOfMemory, errors);
    ProcessGeometryFailed(errors);
    return LoadResult::Failed;
}

bool LoadSelectedModels(std::vector<std::string>* errors) {
    WaitGuard wait;
    ClearMessagesPage();
    ClearWarningsPage();
    LogMessage("Memory cleanup...");
    ClearModel();
    Window().BuildPreviewLists();
    Window().Draw();

    Form1.Edit71.text.clear();
    Form1.PageControl2.active = 0;
    Form1.PageControl6.active = 0;

    bool allLoaded = true;
    std::vector<std::string> merged;  // the files in the scene, in order
    auto load = [&](const std::string& file) {
        std::string error;
        const LoadResult result = LoadModelFile(file, &error);
        if (result != LoadResult::Loaded) {
            allLoaded = false;
            AddError(errors, error);
        } else {
            merged.push_back(file);
        }
        return result;
    };
    if (BatchFiles.size() < 2) {
        if (BatchFiles.empty()) {
            allLoaded = false;
            AddError(errors, "No model file chosen.");
        } else {
            Form1.ComboBox15.text = BatchFiles.front();
            const std::string file = Form1.ComboBox15.text;
            if (load(file) != LoadResult::Failed) SetDialogDirs(FolderOf(AbsoluteModelPath(file)));
        }
    } else {
        SetDialogDirs(FolderOf(AbsoluteModelPath(BatchFiles[1])));
        const std::vector<std::string> files = BatchFiles;
        for (const std::string& file : files)
            if (load(file) == LoadResult::Failed) break;  // the rest of the files are not loaded
    }

    bool processed = false;
    for (std::string outOfMemory; !(processed = TryProcessScene(errors, nullptr, outOfMemory));) {
        if (outOfMemory.empty()) break;  // no model: reported
        allLoaded = false;
        if (merged.size() < 2) {
            // The model does not fit beside what its preparation needs.
            ReportOutOfMemory(outOfMemory, errors);
            ProcessGeometryFailed(errors);
            break;
        }
        // Several files do not fit together: the last is left out and the
        // ones before it are loaded again, without it.
        merged.pop_back();
        ClearModel();
        const std::vector<std::string> files = std::exchange(merged, {});
        for (const std::string& file : files)
            if (load(file) == LoadResult::Failed) break;
        ReportOutOfMemory(outOfMemory, errors);
        outOfMemory.clear();
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
