#include "ui/control/SceneImportController.h"

#include <array>
#include <cmath>
#include <optional>
#include <numbers>

#include "model/Extents.h"
#include "model/FileSearch.h"
#include "model/LightPanel.h"
#include "model/MapPaths.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Normals.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "model/Weld.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "readers/DazReader.h"
#include "readers/PoserReader.h"
#include "readers/ReaderCommon.h"
#include "ui/control/MaterialFilesController.h"
#include "ui/core/CameraPresets.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/LoadDrivers.h"
#include "writers/SceneChecks.h"

namespace {

constexpr std::string_view ObjFilter = "Wavefront object files (*.obj)|*.OBJ|";
constexpr std::string_view PoserSceneFilter = "Poser scene (*.pz3;*.pzz)|*.PZ3;*.PZZ|";
constexpr std::string_view DazScriptFilter = "DAZ Studio script files (*.ds)|*.DS";
// The offset of Poser's camera distance in model units.
constexpr double PoserCameraOffset = 1.1042;

WindowHooks& Window() { return *Svc().window; }
void Pump() { Svc().status->ProcessPendingMessages(); }

// The scene file an import reads: a ".pzz" (or any file packed with gzip)
// is unpacked into a temporary file once for all the passes of the import,
// which read what was unpacked as it stands; the file is deleted again when
// the reading is done.
class ImportedSceneFile {
public:
    explicit ImportedSceneFile(const std::string& file) : file_(file, ExtractFileName(file)) { LogScanning(); }
    const PoserSceneFile& File() const { return file_; }
    void LogScanning() const {
        LogMessage("Scanning " + ExtractFileName(file_.FileName()) + "... (This may take a while for large files)");
    }

private:
    PoserSceneFile file_;
};

// The camera and light passes of an import over its one unpacked file, and
// of the camera and light commands over a file of their own.
void LoadCamera(const std::string& sceneFile, const ImportedSceneFile* opened);
void LoadLights(const std::string& sceneFile, const ImportedSceneFile* opened);

// The crease angle of the Groups tab (and its box).
void SetGroupsCreaseAngle(int angle) {
    if (const ControlInfo* updown = FindControl("Form1.UpDown7")) SetControlValue(*updown, std::to_string(angle));
}

// The maps found for the loaded materials, spelled and loaded as the
// material commands do; the folders they are looked up in are each read
// once, however many maps are missing there.
void ResolveLoadedMaps() {
    const FolderListingScope folders;
    ResolveBumMaps();
    NormalizeMaterials();
    ResolveMapPaths();
    Window().MatchMapNameCase();
    Window().RefreshMaterialPanel(CurrentMaterialIndex);
    LogMessage("Loading maps...");
    Window().ReloadMaterialMaps(1);
}

// The preview rebuilt from the model and shown.
void RebuildPreview() {
    Pump();
    Window().BuildNormalsList();
    Window().BuildPreviewLists();
    ComputeGroupExtents();
    CheckScene();
    Form9.visible = true;
    Window().Draw();
}

// The end of both imports.
void FinishSceneImport() {
    LogMessage("Rebuilding Display List...");
    RebuildPreview();
    LogMessage("Done loading scene");
}

// What an import changes besides the geometry, kept so that an import that
// cannot finish leaves it as it was: the materials (with their maps), the
// lights, the camera presets, the camera's boxes, the preview's size, the
// crease angle of the Groups tab and the scene record.
class ImportKeep {
public:
    ImportKeep() { Window().PreviewClientSize(previewWidth_, previewHeight_); }

    // Puts it all back, moved (nothing allocated). The materials' textures
    // go: the import replaced some and deleted others.
    void Restore() {
        DeleteMaterialTextures(0);
        SceneMaterials.swap(materials_);
        for (tmaterial& m : SceneMaterials) m.glTexture = 0;
        CurrentMaterialIndex = currentMaterial_;
        Lights.swap(lights_);
        Form1.ComboBox2.index = lightIndex_;
        if (Cameras.size() > cameras_)
            Cameras.erase(Cameras.begin() + static_cast<std::ptrdiff_t>(cameras_), Cameras.end());
        Form1.ComboBox8.index = cameraIndex_;
        Scene = std::move(scene_);
        for (std::size_t i = 0; i < std::size(cameraEdits_); ++i) CameraEdits()[i]->text.swap(cameraEdits_[i]);
        Form1.CheckBox25.checked = focalBlur_;
        Form1.CheckBox9.checked = noPerspective_;
        Form1.Edit57.text.swap(creaseText_);
        Form1.UpDown7.position = crease_;
    }
    // The window shows what was put back: the light and material panels,
    // the camera and the materials' textures.
    void ShowAgain() const {
        RefreshLightPanel(Form1.ComboBox2.index);
        Window().SetPreviewClientSize(previewWidth_, previewHeight_);
        Window().ApplyCameraEdits();
        Window().ReloadMaterialMaps(1);
        Window().RefreshMaterialPanel(CurrentMaterialIndex);
    }

private:
    static std::array<tedit*, 7> CameraEdits() {
        return {&Form1.Edit14, &Form1.Edit15, &Form1.Edit16, &Form1.Edit17,
                &Form1.Edit18, &Form1.Edit19, &Form1.Edit20};
    }

    std::vector<tmaterial> materials_ = SceneMaterials;
    int32_t currentMaterial_ = CurrentMaterialIndex;
    std::vector<tlight> lights_ = Lights;
    int32_t lightIndex_ = Form1.ComboBox2.index;
    std::size_t cameras_ = Cameras.size();
    int32_t cameraIndex_ = Form1.ComboBox8.index;
    tscene scene_ = Scene;
    std::string cameraEdits_[7] = {Form1.Edit14.text, Form1.Edit15.text, Form1.Edit16.text, Form1.Edit17.text,
                                   Form1.Edit18.text, Form1.Edit19.text, Form1.Edit20.text};
    bool focalBlur_ = Form1.CheckBox25.checked, noPerspective_ = Form1.CheckBox9.checked;
    std::string creaseText_ = Form1.Edit57.text;
    int32_t crease_ = Form1.UpDown7.position;
    int32_t previewWidth_ = 0, previewHeight_ = 0;
};

// The steps of an import that follow the load of its model. The passes over
// a scene or preset name that file when they run out of memory; running out
// anywhere else (the maps, the clean-up of the geometry, the preview) is a
// read error naming the model, each step of the geometry done whole or not
// at all. After an error the materials, lights, cameras and camera are as
// before the import and the preview is rebuilt from the model as it stands;
// the error then goes on as it was.
// What is kept comes first: when even that does not fit, nothing has changed
// and the message names `file`, the file the import reads.
template <typename Steps>
void RunImportSteps(const std::string& file, Steps&& steps) {
    const std::string model = Scene.modelFile;
    std::optional<ImportKeep> keep;
    ReadWithinMemory(file, [&] { keep.emplace(); });
    try {
        ReadWithinMemory(model, steps);
    } catch (...) {
        keep->Restore();
        try {
            ReadWithinMemory(model, [&] {
                keep->ShowAgain();
                RebuildPreview();
            });
        } catch (...) {
        }
        throw;
    }
}

std::string FolderWithoutSeparator(std::string folder) {
    folder = NormalizePathSeparators(Trim(folder));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// The folder that holds `folder` ("/" for the root).
std::string ParentFolder(const std::string& folder) {
    const std::string own = FolderWithoutSeparator(folder);
    return FolderWithoutSeparator(ExtractFilePath(own).empty() ? own : ExtractFilePath(own));
}

// A preset in use whose file does not exist.
bool PresetMissing(bool used, const std::string& name) {
    return used && !Trim(name).empty() && !FileExistsNonBlank(name);
}

// An open dialog of the main window for one file into `edit`.
void BrowseInto(tedit& edit, std::string_view filter, std::string_view extensions) {
    if (ExecuteOpenDialog(Form1.OpenDialog1, filter, extensions)) edit.text = Form1.OpenDialog1.fileName;
}

}  // namespace

void SceneImportController::Register(Dispatcher& d) {
    d.Add("Form1.PoserScene1", [this] { PoserScene1Click(); });
    d.Add("Form1.DAZStudioScene1", [this] { DAZStudioScene1Click(); });
    d.Add("Form3.Button1", [this] { Form3Button1Click(); });
    d.Add("Form3.Button2", [this] { Form3Button2Click(); });
    d.Add("Form3.Button3", [this] { Form3Button3Click(); });
    d.Add("Form7.Button3", [this] { Form7Button3Click(); });
    d.Add("Form7.Button5", [this] { Form7Button5Click(); });
    d.Add("Form7.Button6", [this] { Form7Button6Click(); });
    d.Add("Form7.Button4", [this] { Form7Button4Click(); });
    d.Add("Form7.CheckBox1", [this] { Form7CheckBox1Click(); });
    d.Add("Form7.CheckBox2", [this] { Form7CheckBox1Click(); });
}

void SceneImportController::PoserScene1Click() {
    if (dialogs_.ShowModal("Form3") != ModalResult::Ok) return;
    const std::string obj = Trim(Form3.Edit1.text);
    const std::string scene = Trim(Form3.Edit2.text);
    const bool objFound = FileExistsNonBlank(obj), sceneFound = FileExistsNonBlank(scene);
    if (!objFound) Svc().prompts->Show(MessageKind::Warning, "OBJ File not found.");
    if (!sceneFound) Svc().prompts->Show(MessageKind::Warning, "Poser scene file not found.");
    if (!objFound || !sceneFound) return;

    WaitScope wait;
    BatchFiles.assign(1, obj);
    if (!LoadSelectedModels()) return;  // reported; nothing to dress
    ImportPoserScene(scene);
}

void ImportPoserScene(const std::string& scene) {
    WaitScope wait;
    Svc().status->SetWarningsLine("Loading Poser materials...");
    LogMessage(RuleLine);
    RunImportSteps(scene, [&] {
        Scene.cameraSourceFile = scene;
        const ImportedSceneFile file(scene);
        ReadPoserMaterials(file.File());
        for (const std::string& line : Form3.Memo1.lines) {
            const std::string folder = Trim(line);
            if (folder.empty()) continue;
            if (!DirectoryExists(folder))
                Svc().prompts->Show(MessageKind::Warning, "Directory " + folder + " not found.");
            else
                SearchMapsInDir(folder);
        }
        ResolveLoadedMaps();
        if (Form3.CheckBox1.checked) LoadCamera(scene, &file);
        if (Form3.CheckBox2.checked) LoadLights(scene, &file);
        if (Form3.CheckBox3.checked) {
            LogMessage("Cleaning up geometry -> Welding vertices...");
            WeldVertices(1e-5);
            LogMessage("Cleaning up geometry -> Recalculating normals...");
            CalcVertexNormals(AngleWeightedSum, 80 * DegToRad);
            SetGroupsCreaseAngle(80);
        }
        FinishSceneImport();
    });
}

void LoadPoserCamera(const std::string& sceneFile) { LoadCamera(sceneFile, nullptr); }

void LoadPoserLights(const std::string& sceneFile) { LoadLights(sceneFile, nullptr); }

namespace {

void LoadCamera(const std::string& sceneFile, const ImportedSceneFile* opened) {
    WaitScope wait;
    LogMessage(RuleLine);
    Scene.cameraSourceFile = sceneFile;
    tposercameravalues v{};
    {
        std::optional<ImportedSceneFile> own;
        if (opened) opened->LogScanning();
        else opened = &own.emplace(sceneFile);
        if (!ReadPoserCameras(opened->File(), v)) return;  // "No usable camera in this file"
    }
    Window().SetPreviewClientSize(Scene.cameraViewportWidth, Scene.cameraViewportHeight);
    const double f = v[PoserFocal], s = v[PoserScale];
    const bool orthographic = Scene.orthographic != 0;
    if (orthographic)
        Form1.Edit14.text = FloatToText(2 * std::atan(0.5) * RadToDeg);
    else
        Form1.Edit14.text = f > 0 ? FloatToText(2 * std::atan(25.4 / (2 * f)) * RadToDeg) : "19.0";
    Form1.Edit15.text = FloatToText(v[PoserTranslateX] * s);
    Form1.Edit16.text = FloatToText(v[PoserTranslateY] * s);
    Form1.Edit17.text = FloatToText(orthographic ? s : (v[PoserTranslateZ] + PoserCameraOffset) * s);
    Form1.Edit18.text = FloatToText(v[PoserRotateZ]);
    Form1.Edit19.text = FloatToText(v[PoserRotateY]);
    Form1.Edit20.text = FloatToText(v[PoserRotateX]);
    Form1.CheckBox25.checked = false;
    Form1.CheckBox9.checked = orthographic;
    Scene.translation = ZeroVector;
    Window().ApplyCameraEdits();
    ReadWithinMemory(sceneFile, [&] { AddCamera(Scene.activeCameraName.str() + "-" + ExtractFileName(sceneFile)); });
    Window().Draw();
    LogMessage("Loaded camera: " + Scene.activeCameraName.str());
}

void LoadLights(const std::string& sceneFile, const ImportedSceneFile* opened) {
    WaitScope wait;
    LogMessage(RuleLine);
    Scene.lightsSourceFile = sceneFile;
    // The old lights come back when the file cannot be read or its lights do
    // not fit in the memory left; they are set aside, not copied.
    const int32_t previousIndex = Form1.ComboBox2.index;
    std::vector<tlight> previous = DeleteAllLights();
    bool read = false;
    ReadWithinMemory(sceneFile, [&] {
        try {
            std::optional<ImportedSceneFile> own;
            if (opened) opened->LogScanning();
            else opened = &own.emplace(sceneFile);
            Pump();
            ReadPoserLights(opened->File());
            read = !Lights.empty();
            // The lights switched off are left out, the others named after
            // the file.
            std::erase_if(Lights, [](const tlight& l) { return l.optionA == 0; });
            const std::string prefix = "(" + ExtractFileName(sceneFile) + ") ";
            for (tlight& l : Lights) l.name = prefix + l.name.str();
        } catch (...) {
            // What the file brought goes before the error is made, so that
            // its message finds the memory the lights took.
            Lights = std::move(previous);
            Form1.ComboBox2.index = previousIndex;
            RefreshLightPanel(previousIndex);
            throw;
        }
    });
    if (!read) {
        LogMessage("<!>No lights in this file. No lights imported");
        Window().Beep();
        Scene.lightsSourceFile.clear();
        return;
    }
    Form1.ComboBox2.index = 0;
    RefreshLightPanel(0);
    LogMessage(std::to_string(Lights.size()) + (Lights.size() == 1 ? " light imported" : " lights imported"));
    Window().Draw();
}

}  // namespace

void SceneImportController::DAZStudioScene1Click() {
    if (dialogs_.ShowModal("Form7") != ModalResult::Ok) return;
    const std::string obj = Trim(Form7.Edit1.text);
    const bool objFound = FileExistsNonBlank(obj);
    const bool lightMissing = PresetMissing(Form7.CheckBox1.checked, Form7.Edit3.text);
    const bool cameraMissing = PresetMissing(Form7.CheckBox2.checked, Form7.Edit4.text);
    const bool folderFound = DirectoryExists(Trim(Form7.Edit2.text));
    if (!objFound) Svc().prompts->Show(MessageKind::Warning, "OBJ File not found.");
    if (lightMissing) Svc().prompts->Show(MessageKind::Warning, "DAZ|Studio light preset not found.");
    if (cameraMissing) Svc().prompts->Show(MessageKind::Warning, "DAZ|Studio camera preset not found.");
    if (!folderFound) Svc().prompts->Show(MessageKind::Warning, "DAZ|Studio texture directory not found.");
    if (!objFound || lightMissing || cameraMissing || !folderFound) return;

    WaitScope wait;
    // The maps are looked for from the folder above the texture folder; the
    // box keeps the folder the user chose.
    const std::string searchFolder = DazMapSearchFolder(Form7.Edit2.text);
    Scene.dazSceneLoading = 1;
    BatchFiles.assign(1, obj);
    const bool loaded = LoadSelectedModels();
    Scene.dazSceneLoading = 0;
    if (!loaded) return;
    ImportDazPresets(searchFolder);
}

std::string DazMapSearchFolder(const std::string& textureFolder) { return ParentFolder(textureFolder); }

void ImportDazPresets(const std::string& searchFolder) {
    WaitScope wait;
    RunImportSteps(Scene.modelFile, [&] {
        SearchMapsInDir(searchFolder);
        ResolveLoadedMaps();
        if (Form7.CheckBox1.checked && !Trim(Form7.Edit3.text).empty()) ReadDazLights(Trim(Form7.Edit3.text));
        if (Form7.CheckBox2.checked && !Trim(Form7.Edit4.text).empty()) ReadDazCameras(Trim(Form7.Edit4.text));
        if (Form7.CheckBox3.checked) {
            LogMessage("Calculating normals...");
            CalcVertexNormals(AngleWeightedSum, std::numbers::pi);
            SetGroupsCreaseAngle(180);
        }
        FinishSceneImport();
    });
}

void SceneImportController::Form3Button1Click() { BrowseInto(Form3.Edit1, ObjFilter, "obj"); }

void SceneImportController::Form3Button2Click() { BrowseInto(Form3.Edit2, PoserSceneFilter, "pzz,pz3"); }

void SceneImportController::Form3Button3Click() {
    if (dialogs_.ShowModal("Form6") == ModalResult::Ok) Form3.Memo1.lines.push_back(Form6.directory);
}

void SceneImportController::Form7Button3Click() { BrowseInto(Form7.Edit1, ObjFilter, "obj"); }

void SceneImportController::Form7Button5Click() { BrowseInto(Form7.Edit3, DazScriptFilter, "ds"); }

void SceneImportController::Form7Button6Click() { BrowseInto(Form7.Edit4, DazScriptFilter, "ds"); }

void SceneImportController::Form7Button4Click() {
    if (DirectoryExists(Trim(Form7.Edit2.text))) Form6.directory = Trim(Form7.Edit2.text);
    if (dialogs_.ShowModal("Form6") == ModalResult::Ok) Form7.Edit2.text = Form6.directory;
}

void SceneImportController::Form7CheckBox1Click() {
    Form7.Edit3.enabled = Form7.Button5.enabled = Form7.CheckBox1.checked;
    Form7.Edit4.enabled = Form7.Button6.enabled = Form7.CheckBox2.checked;
}
