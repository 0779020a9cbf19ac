#include "ui/control/MaterialFilesController.h"

#include <cmath>
#include <exception>

#include "model/Errors.h"
#include "model/Extents.h"
#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Selection.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/ModelUndo.h"
#include "model/Weld.h"
#include "options/Options.h"
#include "readers/MtlReader.h"
#include "readers/PoserReader.h"
#include "readers/ReaderCommon.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/ModelCommand.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/OutputNames.h"

namespace {

WindowHooks& Window() { return *Svc().window; }
void Pump() { Svc().status->ProcessPendingMessages(); }
void CheckScene() {
    if (Svc().checkScene) Svc().checkScene();
}

bool HaveModel() {
    if (!Scene.modelFile.empty()) return true;
    Svc().prompts->Show(MessageKind::Information, LoadModelFirstText);
    return false;
}

// The materials the UV commands work on: all, or only the selected one.
void SelectUVMaterials() {
    const int32_t index = Form1.ListBox1.index;
    if (Form1.CheckBox2.checked || index < 0 || static_cast<std::size_t>(index) >= SceneMaterials.size())
        SelectAllMaterials();
    else
        SelectOnlyMaterial(index);
}

// The number of an edit, or `fallback` when its text is no number.
double EditNumber(const tedit& edit, double fallback) {
    double value = 0;
    int32_t code = 0;
    ValFloat(edit.text, value, code);
    return code == 0 ? value : fallback;
}

// The whole number of an edit, or `fallback` when it holds none or 0.
int32_t EditSize(const tedit& edit, int32_t fallback) {
    const int32_t n = TextToInt(edit.text);
    return n > 0 ? n : fallback;
}

// Scale, clip, transpose and translate of the UVs of the chosen faces.
void TransformUVs() {
    LogMessage("Transforming UV coords...");
    ResetProgress();
    if (SceneUVs.empty()) return;
    const double su = EditNumber(Form1.Edit50, 1), sv = EditNumber(Form1.Edit41, 1);
    const double tu = EditNumber(Form1.Edit51, 0), tv = EditNumber(Form1.Edit42, 0);
    const bool transpose = Form1.CheckBox18.checked, clip = Form1.CheckBox43.checked;
    if (su == 1 && sv == 1 && tu == 0 && tv == 0 && !transpose && !clip) return;
    const double last = static_cast<double>(SceneUVs.size()) - 1;
    for (std::size_t i = 0; i < SceneUVs.size(); ++i) {
        ShowProgress(0, last, static_cast<double>(i));
        const tuvselection flags = UVSelectionFlags(static_cast<int32_t>(i));
        if (!flags.materialSelected || !flags.groupVisible) continue;
        tuv& t = SceneUVs[i];
        if (transpose) std::swap(t.u, t.v);
        if (clip) {
            t.u = std::clamp(t.u, 0.0, 1.0);
            t.v = std::clamp(t.v, 0.0, 1.0);
        }
        t.u = su * t.u + tu;
        t.v = sv * t.v + tv;
    }
}

// The materials' maps taken again after a file or the map search changed
// them: ".BUM" bump maps resolved, the materials tidied, the map names made
// absolute (with `resolvePaths`) and spelled as on disk; the panel
// refreshed, the preview textures made (mode 2: all of them anew) and the
// display lists rebuilt.
void TakeChangedMaps(bool resolvePaths, int32_t mode) {
    // Each folder the maps are looked up in is read once, however many maps
    // are missing there.
    const FolderListingScope folders;
    ResolveBumMaps();
    NormalizeMaterials();
    if (resolvePaths) ResolveMapPaths();
    Window().MatchMapNameCase();
    RefreshMaterialPanel(Form1.ListBox1.index);
    LogMessage("Loading maps...");
    if (mode == 2) DeleteMaterialTextures(0);
    ReloadMaterialMaps(mode);
    LogMessage("Rebuilding Display List...");
    Pump();
    Window().BuildPreviewLists();
}

// The folder of `file` as the dialogs start in it.
std::string FolderOf(const std::string& file) { return ExtractFilePath(file); }

}  // namespace

void ResolveBumMaps() {
    for (tmaterial& m : SceneMaterials) {
        if (UpperCase(ExtractFileExt(m.bumpMap.view())) != ".BUM") continue;
        for (const char* extension : {".jpg", ".jpeg", ".tga", ".tif", ".tiff", ".bmp"}) {
            std::string candidate = ChangeFileExt(m.bumpMap.view(), extension);
            if (!FileExistsNonBlank(candidate)) candidate = FileNameAsOnDisk(candidate);
            if (FileExistsNonBlank(candidate)) m.bumpMap = candidate;
        }
    }
}

void MaterialFilesController::Register(Dispatcher& d) {
    d.Add("Form1.ToolButton14", [this] { ToolButton14Click(); });
    d.Add("Form1.ToolButton21", [this] { ToolButton21Click(); });
    d.Add("Form1.ToolButton8", [this] { ToolButton8Click(); });
    d.Add("Form1.BitBtn9", [this] { BitBtn9Click(); });
    d.Add("Form1.BitBtn11", [this] { BitBtn11Click(); });
    d.Add("Form1.BitBtn16", [this] { BitBtn16Click(); });
    d.Add("Form1.Button62", [this] { Button62Click(); });
    d.Add("Form1.Button52", [this] { Button52Click(); });
    d.Add("Form1.Button31", [this] { Button31Click(); });
    d.Add("Form1.Button33", [this] { Button33Click(); });
    d.Add("Form1.ComboBox16", [this] { ComboBox16Change(); });
    d.Add("Form1.PageControl2", [this] { PageControl2Change(); });
}

void MaterialFilesController::ToolButton14Click() {
    if (!HaveModel()) return;
    if (!ExecuteOpenDialog(Form1.OpenDialog1, MaterialOpenFilter, MaterialOpenExtensions)) return;
    const std::string file = Form1.OpenDialog1.fileName;
    if (LowerCase(ExtractFileExt(file)) == ".mtl")
        OpenMaterialLibrary(file);
    else
        OpenPoserMaterials(file);
}

void MaterialFilesController::OpenMaterialLibrary(const std::string& file) {
    const WaitScope wait;
    LogMessage(RuleLine);
    const std::string previous = Scene.mtlFile;
    Scene.mtlFile = file;
    try {
        // Running out of memory is no damaged file: the command ends with the
        // memory message and the materials as they were (the dispatcher).
        if (FileExistsNonBlank(file))
            RunWithinMemory([] { ReadMTL(MtlTargetScene, Scene, 0); },
                            [&] { return NoMemoryError(NoMemoryText(file)); });
        TakeChangedMaps(true, 2);
        MaterialsUpdated();
        Window().Draw();
        LogMessage("Ready");
    } catch (const ReadError&) {
        LogMessage("Error reading material file " + ExtractFileName(file));
        Window().Beep();
        Scene.mtlFile = previous;
    }
    CheckScene();
}

void MaterialFilesController::OpenPoserMaterials(const std::string& file) {
    const WaitScope wait;
    Svc().status->SetWarningsLine("Loading Poser materials...");
    LogMessage(RuleLine);
    Scene.cameraSourceFile = file;
    // A compressed scene is unpacked by the reader ("Decompressing ...")
    // into a temporary file of its own, which it deletes again.
    LogMessage("Scanning " + file + "... (This may take a while for large files)");
    ReadPoserMaterials(file);
    if (CountMaterialMaps() > 0) {
        LogMessage("Starting search for maps...");
        Window().SearchMaps();
    }
    TakeChangedMaps(true, 1);
    CheckScene();
    MaterialsUpdated();
    Window().Draw();
    LogMessage("Done loading materials");
}

void MaterialFilesController::ToolButton21Click() {
    FileDialogRequest request;
    request.filter = "Wavefront Material file (*.mtl)|*.MTL";
    request.initialDir = Form1.SaveDialog1.initialDir;
    request.fileName = Form1.SaveDialog1.fileName;
    if (!SameText(TextAfterLastDot(request.fileName), "mtl")) request.fileName.clear();
    std::string file;
    if (!Svc().prompts->SaveFile(request, file)) return;
    if (ExtractFileExt(file).empty()) file += ".mtl";
    Form1.SaveDialog1.fileName = file;
    const WaitScope wait;
    StoreMaterialPanel(Form1.ListBox1.index);
    Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeObj = Scene.writeIni = 0;
    Scene.writeGeometryInclude = Scene.writeUdo = 0;
    Scene.writeMtl = 1;
    Scene.povSceneFile.clear();
    Scene.povGeometryFile.clear();
    Scene.povMaterialFile.clear();
    Scene.udoFile.clear();
    Scene.iniFile.clear();
    Scene.renderImageFile.clear();
    Scene.objFile = file;  // the MTL file is named after it
    Scene.materialsInGeometry = 1;
    Scene.copyMaps = Scene.mapNamesAsJpg = Scene.mapPathOption1 = 0;
    Scene.mapPathOption2 = 1;  // the map names as they stand, with their folders
    Scene.reservedFlag = 0;
    Scene.sanitiseNames = 0;
    if (WriteOutputFiles())
        LogMessage("Material File Saved as " + ChangeFileExt(Scene.objFile, ".mtl"));
    else
        LogMessage("<!> Could not save material file");
}

void MaterialFilesController::ToolButton8Click() {
    if (!HaveModel()) return;
    if (CountMaterialMaps() == 0) {
        Svc().prompts->Show(MessageKind::Information, "None of the materials use maps");
        return;
    }
    if (!Window().SearchMaps()) return;
    LogMessage(RuleLine);
    LogMessage("Starting search for maps...");
    const WaitScope wait;
    TakeChangedMaps(false, 1);
    LogMessage("Ready");
    CheckScene();
    MaterialsUpdated();
}

void MaterialFilesController::ConvertMap(std::string& name) {
    name = Trim(name);
    if (name.empty()) {
        Svc().prompts->Show(MessageKind::Warning, "Load an image first");
        return;
    }
    tfiledialog& dialog = Form1.SaveDialog1;
    const std::string extension = dialog.filterIndex == 2 ? ".jpg" : ".tga";
    FileDialogRequest request;
    request.filter = "TARGA image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG";
    request.filterIndex = dialog.filterIndex == 2 ? 2 : 1;
    request.initialDir = FolderOf(name);
    request.fileName = ChangeFileExt(name, "_c" + extension);
    request.onTypeChange = [&dialog](int32_t filterIndex, std::string& fileName) {
        dialog.filterIndex = filterIndex;
        SaveDialog1TypeChange(filterIndex, fileName);
    };
    std::string target;
    if (!Svc().prompts->SaveFile(request, target)) return;
    if (ExtractFileExt(target).empty()) target += extension;
    target = UnreservedOutputName(target);

    LogMessage("Loading " + name + "...");
    const bool resize = Form1.CheckBox39.checked;
    const int32_t width = EditSize(Form1.Edit59, 512), height = EditSize(Form1.Edit60, 512);
    bool loaded = false;
    const bool saved = host_.ConvertMapFile(name, target, resize, width, height, loaded);
    if (!loaded) {
        LogMessage("<!>Error opening " + name + " for conversion");
        Window().Beep();
        return;
    }
    if (resize) LogMessage("Resizing " + name + "...");
    name = target;
    LogMessage("Saving " + target + "...");
    if (saved) {
        LogMessage("Map converted and saved as " + target);
    } else {
        LogMessage("<!>Error saving " + target);
        Window().Beep();
    }
}

void MaterialFilesController::ConvertSlot(tcombobox& box, const char* image, tlabel& label) {
    {
        const WaitScope wait;
        std::string name = box.SelectedText();
        ConvertMap(name);
        SetComboText(box, name);
        if (FileExistsNonBlank(name) && Form1.CheckBox36.checked) ShowMapThumbnail(name, image, label);
    }
    StoreMaterialPanel(Form1.ListBox1.index);
    CheckScene();
}

void MaterialFilesController::BitBtn9Click() { ConvertSlot(Form1.ComboBox3, "Image4", Form1.Label6); }

void MaterialFilesController::BitBtn11Click() { ConvertSlot(Form1.ComboBox18, "Image5", Form1.Label58); }

void MaterialFilesController::BitBtn16Click() { ConvertSlot(Form1.ComboBox19, "Image6", Form1.Label68); }

void RemapUV() {
    // The projection, the transform and the welds rewrite the UVs and the
    // faces' UV indices; the choice of materials narrows the selection.
    RunModelCommand("remap the UVs of", [](tmodelundo& undo) {
        const WaitScope wait;
        TestAndClearGroupChanges();
        LogMessage(RuleLine);
        undo.KeepSelection();
        undo.KeepUVCorners();
        tmodelundo::Keep(undo.uvs, SceneUVs);
        SelectUVMaterials();
        if (Form1.ComboBox16.index > 0) {
            LogMessage("Remapping surfaces...");
            const tvector axis{EditNumber(Form1.Edit99, 0), EditNumber(Form1.Edit105, 0),
                               EditNumber(Form1.Edit106, 0)};
            ProjectUVs(axis, Form1.ComboBox16.index - 1);
            WeldUVs(1e-8);
        }
        TransformUVs();
        if (Form1.CheckBox5.checked) WeldUVs(1e-8);
        SelectAllMaterials();
        RebuildAfterGeometryChange();
        RedrawUVView();
        ResetWeldTolerance();
    });
}

void MaterialFilesController::Button62Click() {
    if (!HaveModel()) return;
    const WaitScope wait;
    TestAndClearGroupChanges();
    SelectUVMaterials();
    ComputeExtents();
    const double du = Scene.uvMaximum.a - Scene.uvMinimum.a;
    const double dv = Scene.uvMaximum.b - Scene.uvMinimum.b;
    if (std::fabs(du) > Epsilon) {
        Form1.Edit51.text = FloatToText((0.0 - Scene.uvMinimum.a) / du);  // 0, never -0
        Form1.Edit50.text = FloatToText(1 / du);
    }
    if (std::fabs(dv) > Epsilon) {
        Form1.Edit42.text = FloatToText((0.0 - Scene.uvMinimum.b) / dv);
        Form1.Edit41.text = FloatToText(1 / dv);
    }
    SelectAllMaterials();
}

void MaterialFilesController::Button52Click() {
    const int32_t width = EditSize(Form1.Edit91, 1024), height = EditSize(Form1.Edit93, 1024);
    const int32_t index = Form1.ListBox1.index;
    const std::string material =
        index >= 0 && static_cast<std::size_t>(index) < SceneMaterials.size()
            ? SceneMaterials[static_cast<std::size_t>(index)].name.str()
            : std::string();
    FileDialogRequest request;
    request.filter = "Bitmap image (*.bmp)|*.BMP";
    request.initialDir = Form1.SaveDialog1.initialDir;
    request.fileName = ExtractBaseName(Scene.modelFile) + "_" + CleanIdentifier(material) + "_UV.bmp";
    std::string file;
    if (!Svc().prompts->SaveFile(request, file)) return;
    if (ExtractFileExt(file).empty()) file += ".bmp";
    file = UnreservedOutputName(file);
    LogMessage(RuleLine);
    const WaitScope wait;
    TestAndClearGroupChanges();
    SelectUVMaterials();
    const bool saved = Window().SaveUVLayout(file, width, height, Form1.ComboBox20.index);
    SelectAllMaterials();
    if (saved)
        LogMessage("UV map saved as " + file);
    else
        LogMessage("<!>Error saving " + file);
}

void MaterialFilesController::Button31Click() {
    Form1.Edit50.text = Form1.Edit41.text = "1";
    Form1.Edit51.text = Form1.Edit42.text = "0";
    Form1.ComboBox16.index = 0;
    Form1.ComboBox16.text = Form1.ComboBox16.SelectedText();
    Form1.Edit99.text = Form1.Edit105.text = "0";
    Form1.Edit106.text = "1";
    Form1.Edit91.text = Form1.Edit93.text = "1024";
    for (tcheckbox* box : {&Form1.CheckBox43, &Form1.CheckBox2, &Form1.CheckBox5, &Form1.CheckBox18})
        box->checked = false;
    // As the reset has always done: the displacement amounts of the Groups tab too.
    Form1.Edit55.text = "0.0";
    Form1.Edit56.text = "1.0";
    ComboBox16Change();
}

void MaterialFilesController::Button33Click() {
    if (Form1.CheckBox2.checked) {
        SelectAllMaterials();
        Window().DrawUVLayout(Form1.ComboBox20.index);
    } else {
        RedrawUVView();
    }
}

void MaterialFilesController::ComboBox16Change() {
    const int32_t method = Form1.ComboBox16.index;
    const bool axis = method >= 1 && method <= 3;  // planar, cylindrical, spherical
    Form1.Edit99.enabled = Form1.Edit105.enabled = Form1.Edit106.enabled = Form1.Label138.enabled = axis;
}

void MaterialFilesController::PageControl2Change() {
    if (Form1.PageControl2.active != 2 || SceneMaterials.empty()) return;
    const WaitScope wait;
    RedrawUVView();
}
