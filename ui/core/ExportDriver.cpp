#include "ui/core/ExportDriver.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "readers/ReaderCommon.h"
#include "ui/core/MapCopy.h"
#include "ui/core/OutputNames.h"
#include "ui/core/PovIni.h"
#include "writers/Export.h"
#include "writers/TextWriter.h"
#include "writers/YafRayWriter.h"

namespace {

// The map options of the export options dialog.
void SetMapChoices() {
    Scene.copyMaps = Form2.CheckBox16.checked;
    Scene.mapNamesAsJpg = Form2.CheckBox16.checked && Form2.CheckBox43.checked;
    Scene.mapPathOption1 = Form2.CheckBox28.checked && Form2.CheckBox28.enabled;
    Scene.mapPathOption2 = Form2.CheckBox27.checked;
    Scene.reservedFlag = 0;
}

void ClearOutputs() {
    Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeObj = Scene.writeIni = 0;
    Scene.writeGeometryInclude = Scene.writeUdo = Scene.writeMtl = 0;
    Scene.povSceneFile.clear();
    Scene.povGeometryFile.clear();
    Scene.povMaterialFile.clear();
    Scene.udoFile.clear();
    Scene.objFile.clear();
    Scene.iniFile.clear();
    Scene.renderImageFile.clear();
}

struct OutputFile {
    uint8_t* flag;
    std::string name;
};

// Asks before each existing file is replaced; false when the user cancelled.
bool ConfirmOverwrites(const std::vector<OutputFile>& files) {
    bool all = false;
    for (const OutputFile& f : files) {
        if (all) break;
        if (!*f.flag || !FileExistsNonBlank(f.name)) continue;
        Svc().window->Beep();
        const Answer a = Svc().prompts->Ask(MessageKind::Confirmation, "File " + f.name + " already exists. Overwrite?",
                                            {Answer::Yes, Answer::No, Answer::Cancel, Answer::YesToAll});
        if (a == Answer::YesToAll) {
            all = true;
        } else if (a == Answer::No) {
            *f.flag = 0;
        } else if (a != Answer::Yes) {
            return false;  // Cancel, or the box closed
        }
    }
    return true;
}

// The questions for the files of a save, in the order the user is asked.
bool ConfirmOverwrites() {
    return ConfirmOverwrites({
        {&Scene.writeObj, Scene.objFile},
        {&Scene.writeMtl, MtlFileName(Scene)},
        {&Scene.writeIni, Scene.iniFile},
        {&Scene.writePovScene, Scene.povSceneFile},
        {&Scene.writeGeometryInclude, Scene.povGeometryFile},
        {&Scene.writeMaterialInclude, Scene.povMaterialFile},
        {&Scene.writeUdo, Scene.udoFile},
    });
}

// No file of the save takes the name of a file the program keeps in its
// folder or of one of POV-Ray's own: it is written under a "_Rev" name that
// no other file of the save has. (None of those names ends in ".mtl", so
// the MTL file of an OBJ file that may be written may be written too.)
void AvoidReservedNames() {
    struct Named {
        uint8_t write;
        std::string* name;
    };
    const Named files[] = {{Scene.writeIni, &Scene.iniFile},
                           {Scene.writePovScene, &Scene.povSceneFile},
                           {Scene.writeGeometryInclude, &Scene.povGeometryFile},
                           {Scene.writeMaterialInclude, &Scene.povMaterialFile},
                           {Scene.writeUdo, &Scene.udoFile}};
    const auto taken = [&](const std::string& name) {
        return name == Scene.objFile || name == MtlFileName(Scene) ||
               std::any_of(std::begin(files), std::end(files), [&](const Named& f) { return *f.name == name; });
    };
    for (const Named& f : files)
        if (f.write && !f.name->empty()) *f.name = UnreservedOutputName(*f.name, taken);
    if ((Scene.writeObj || Scene.writeMtl) && !Scene.objFile.empty())
        Scene.objFile = UnreservedOutputName(Scene.objFile, taken);
}

// True when a material text that the material include holds may run a
// directive or a macro.
bool MaterialTextMayRunCode() {
    return std::any_of(SceneMaterials.begin(), SceneMaterials.end(), [](const tmaterial& m) {
        return m.customTextActive && PovTextMayTouchFiles(m.customText.view());
    });
}

// The message of a save that runs out of memory outside the writing of one
// file.
std::string NoMemoryToSave() { return "Not enough memory to save the files of " + ExtractFileName(Scene.modelFile); }

// The last line of a save that went through.
void FilesSaved() {
    TryWithinMemory([] { LogMessage("Files Saved."); });
}

void ListOutputFiles() {
    LogMessage(" ");
    LogMessage(RuleLine);
    LogMessage("Output files");
    if (Scene.writeObj) LogMessage("OBJ file: " + Scene.objFile);
    if (Scene.writeMtl) LogMessage("MTL file: " + MtlFileName(Scene));
    if (Scene.writePovScene) LogMessage("POV file: " + Scene.povSceneFile);
    if (Scene.writeGeometryInclude) LogMessage("POV geometry include file: " + Scene.povGeometryFile);
    if (Scene.writeMaterialInclude) LogMessage("POV material include file: " + Scene.povMaterialFile);
    if (Scene.writeIni) LogMessage("POV ini settings file: " + Scene.iniFile);
    if (Scene.writeUdo) LogMessage("Moray UDO file: " + Scene.udoFile);
    LogMessage(" ");
    if (!Scene.writeMaterialInclude) return;
    std::vector<std::string> maps;
    ListMapFiles(maps);
    if (maps.empty()) return;
    LogMessage(RuleLine);
    LogMessage("Maps needed:");
    for (const std::string& map : maps) LogMessage(map);
    LogMessage(" ");
}

}  // namespace

PovRaySceneReads SavedSceneReads;

void SetSaveChoices(SaveKind kind) {
    SetMapChoices();
    switch (kind) {
        case SaveKind::PovRay: {
            ClearOutputs();
            const bool wholeScene = !Form1.CheckBox51.checked;
            Scene.writeIni = Scene.writePovScene = wholeScene;
            Scene.writeGeometryInclude = Scene.writeMaterialInclude = 1;
            Scene.povSceneFile = OutputPath(Form1.Edit2.text);
            Scene.povGeometryFile = OutputPath(Form1.Edit13.text);
            Scene.povMaterialFile = OutputPath(Form1.Edit12.text);
            Scene.iniFile = OutputPath(Form1.Edit68.text);
            Scene.renderImageFile = Form1.Edit61.text;
            Scene.materialsInGeometry = !Form1.CheckBox48.checked;
            Scene.sanitiseNames = 0;
            Scene.meshBreakingMode = Form1.ComboBox10.index == 1 || AnyGroupWithoutShadow() ? 1 : 0;
            break;
        }
        case SaveKind::Moray:
            ClearOutputs();
            Scene.writeGeometryInclude = 1;
            Scene.writeMaterialInclude = Form1.RadioButton20.checked;
            Scene.writeUdo = 1;
            Scene.povGeometryFile = OutputPath(Form1.Edit29.text);
            Scene.povMaterialFile = OutputPath(Form1.Edit82.text);
            Scene.udoFile = OutputPath(Form1.Edit11.text);
            Scene.materialsInGeometry = !Form1.RadioButton21.checked;
            Scene.sanitiseNames = 0;
            Scene.meshBreakingMode = 1;
            break;
        case SaveKind::Obj:
            ClearOutputs();
            Scene.writeObj = Scene.writeMtl = 1;
            Scene.objFile = OutputPath(Form1.Edit1.text);
            Scene.materialsInGeometry = 1;
            Scene.sanitiseNames = Form1.CheckBox73.checked;
            break;
    }
}

bool WriteOutputFiles(bool batchRun) {
    // A model file name alone is not enough: after "Batch..." the name of
    // the last model stays while the model is empty.
    if (Scene.modelFile.empty() || SceneFaces.empty()) {
        Svc().prompts->Show(MessageKind::Information, "Load a 3D model first from the input tab");
        return false;
    }
    AvoidReservedNames();
    if (!batchRun && !Form2.CheckBox1.checked && !ConfirmOverwrites()) return false;
    Svc().status->ProcessPendingMessages();
    WaitScope wait;
    SavedSceneReads = {};
    const auto save = [&] {
        OutputCommit commit;
        // The copies' names first: the files name the copies beside them. A
        // batch run copies the maps as they are.
        std::optional<MapCopies> maps;
        if (Scene.copyMaps) maps.emplace(Scene.mapNamesAsJpg && !batchRun);
        if (Scene.writeIni) WritePovIni(Scene);
        std::vector<std::string> povMaps = ExportModelFiles(Scene, maps ? &maps->Names() : nullptr);
        if (maps) maps->PutInPlace();
        // What the scene reads, for the starts of POV-Ray on it: told before
        // the files are in place, so that a save either tells it or fails.
        PovRaySceneReads reads{std::move(povMaps), Scene.writeMaterialInclude && MaterialTextMayRunCode()};
        commit.Commit();
        SavedSceneReads = std::move(reads);
        // The files are in place: running out of memory in their report
        // loses lines, never the save.
        TryWithinMemory([&] {
            ListOutputFiles();
            if (maps) maps->Report();
        });
    };
    // Running out of memory fails the save like a file that cannot be
    // written: the earlier files stay, and no unfinished file is left.
    SaveWithinMemory(NoMemoryToSave, Scene.modelFile, save);
    return true;
}

bool SaveModelFiles(SaveKind kind) {
    bool saved = false;
    SaveWithinMemory(NoMemoryToSave, Scene.modelFile, [&] {
        SetSaveChoices(kind);
        saved = WriteOutputFiles();
    });
    if (saved) FilesSaved();
    return saved;
}

void SaveYafRayScene() {
    WaitScope wait;
    bool saved = false;
    // From its first line on: the scene's own lines run out of memory as
    // its writer does.
    SaveWithinMemory(NoMemoryToSave, Scene.modelFile, [&] {
        ClearOutputs();
        Scene.yafrayOutput = 1;
        Scene.yafrayFile = OutputPath(Form1.Edit111.text);
        Scene.materialsInGeometry = Form1.RadioButton21.checked;
        SetMapChoices();
        Scene.sanitiseNames = 0;
        Scene.meshBreakingMode = 1;
        Scene.yafrayFile = UnreservedOutputName(Scene.yafrayFile);
        // An existing scene is replaced only when the user says so; No keeps it.
        if (!Form2.CheckBox1.checked &&
            (!ConfirmOverwrites({{&Scene.yafrayOutput, Scene.yafrayFile}}) || !Scene.yafrayOutput))
            return;
        ExportYafRayScene(Scene);
        saved = true;
    });
    if (saved) FilesSaved();
}
