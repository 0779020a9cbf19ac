#include "ui/core/BatchDriver.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/PovIni.h"
#include "ui/core/PovLaunch.h"
#include "writers/Export.h"
#include "writers/FileText.h"
#include "writers/TextWriter.h"

namespace {

namespace fs = std::filesystem;

const std::string EchoRule = "echo " + ShellWord(RuleLine);

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec) return true;
    return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
}

bool IsBatchInput(const std::string& name) {
    return std::any_of(BatchFiles.begin(), BatchFiles.end(), [&](const std::string& f) { return SameFile(f, name); });
}

// An output name that would replace one of the batch's own models (a mesh
// include converted into its own folder) gets "_Rev" and a number instead.
std::string NotAnInput(const std::string& name) {
    if (!IsBatchInput(name)) return name;
    std::string candidate = name;
    for (int k = 1; k <= 10000 && IsBatchInput(candidate); ++k) candidate = RevisedFileName(name, k);
    LogMessage("<!>" + ExtractFileName(name) + " would replace a model of the batch: written as " +
               ExtractFileName(candidate));
    return candidate;
}

void SetBatchChoices(const BatchNames& names) {
    Scene.writePovScene = Scene.writeGeometryInclude = Scene.writeIni = 1;
    Scene.writeMaterialInclude = names.writeMaterial;
    Scene.writeUdo = Scene.writeObj = Scene.writeMtl = 0;
    Scene.copyMaps = Form2.CheckBox16.checked;
    Scene.mapNamesAsJpg = 0;  // the batch copies the maps as they are
    Scene.reservedFlag = 0;  // full paths
    Scene.mapPathOption2 = Form2.CheckBox27.checked;
    Scene.meshBreakingMode = 2;
    Scene.udoFile.clear();
    Scene.objFile.clear();
    Scene.materialsInGeometry = 1;
    Scene.iniFile = NotAnInput(names.ini);
    Scene.povSceneFile = NotAnInput(names.scene);
    Scene.povGeometryFile = NotAnInput(names.geometry);
    Scene.povMaterialFile = NotAnInput(names.material);
    Scene.renderImageFile = names.image;
}

void WriteScript(const std::vector<std::string>& lines, const std::string& fileName) {
    CheckedTextWriter w(fileName);
    for (const std::string& line : lines) w.Line(line);
    w.Close();
    ::chmod(fileName.c_str(), 0755);
}

}  // namespace

std::string ShellWord(std::string_view text) {
    std::string word = "'";
    for (const char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

std::vector<std::string> BatchScriptLines(const std::string& program, const std::vector<std::string>& iniFiles) {
    std::vector<std::string> creator;
    BuildCreatorHeader(creator);
    std::vector<std::string> lines = {"#!/bin/sh", EchoRule};
    for (const std::string& line : creator) lines.push_back("echo " + ShellWord(line));
    const std::string count = std::to_string(iniFiles.size());
    for (std::size_t i = 0; i < iniFiles.size(); ++i) {
        lines.push_back("echo " + ShellWord("File(" + std::to_string(i + 1) + " of " + count +
                                            "): " + ExtractFileName(iniFiles[i])));
        std::string word = PovRayCommandWord(iniFiles[i]);
        if (word.empty()) word = PovRayCommandWord(ExtractFileName(iniFiles[i]));
        lines.push_back(ShellWord(program) + " " + ShellWord(word));
    }
    lines.push_back(EchoRule);
    return lines;
}

std::vector<BatchNames> BatchOutputNames(const std::vector<std::string>& modelFiles) {
    const bool common = Form1.RadioButton4.checked;
    const std::string imageExtension(OutputImageExtension(Form1.ComboBox5.index));
    std::set<std::string> taken;
    std::vector<BatchNames> all;
    for (std::size_t i = 0; i < modelFiles.size(); ++i) {
        std::string base = ExtractBaseName(ExtractFileName(modelFiles[i]));
        if (!common) {
            const std::string clean = CleanIdentifier(base);
            base = clean;
            for (int k = 1; taken.count(base) != 0 && k <= 10000; ++k) base = RevisedFileName(clean, k);
            taken.insert(base);
        }
        BatchNames n;
        n.ini = OutputPath(common ? ChangeFileExt(Form1.Edit115.text, ".ini") : base + ".ini");
        n.scene = OutputPath(common ? Form1.Edit115.text : base + ".pov");
        n.geometry = OutputPath(base + ".inc");
        if (Form1.CheckBox19.checked) {
            n.material = OutputPath(Form1.Edit23.text);
            n.writeMaterial = i == 0;
        } else {
            n.material = OutputPath(base + "_pov_mat.inc");
        }
        n.image = base + imageExtension;
        all.push_back(std::move(n));
    }
    return all;
}

void SaveBatch() {
    WaitScope wait;
    const bool script = Form1.RadioButton3.checked;
    std::vector<std::string> iniFiles;
    Svc().status->ProcessPendingMessages();
    // No preview textures while the models go through.
    const bool showMaps = Form1.CheckBox4.checked;
    Form1.CheckBox4.checked = false;
    struct RestoreMaps {
        bool on;
        ~RestoreMaps() { Form1.CheckBox4.checked = on; }
    } restore{showMaps};

    const std::vector<std::string> files = BatchFiles;
    const std::vector<BatchNames> names = BatchOutputNames(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        LogMessage("Memory cleanup...");
        ClearModel();
        LoadModelFile(files[i]);
        ProcessGeometry();
        Svc().window->SelectCameraPreset(Form1.ComboBox8.index);
        Svc().status->ProcessPendingMessages();

        SetBatchChoices(names[i]);
        WriteOutputFiles(true);  // with the maps copied as they are
        iniFiles.push_back(Form2.CheckBox27.checked ? Scene.iniFile : ExtractFileName(Scene.iniFile));
    }

    ClearModel();
    Svc().window->BuildPreviewLists();
    Form1.CheckBox4.checked = showMaps;
    Svc().window->Draw();
    Svc().window->RefreshMaterialPanel(-1);

    if (script) {
        std::string program = PovRayProgram();
        if (program.empty()) program = "povray";  // found on PATH when the script runs
        const std::string scriptFile = OutputPath(Form1.Edit90.text);
        WriteScript(BatchScriptLines(program, iniFiles), scriptFile);
        // The script is meant to be run again in its folder, where POV-Ray
        // looks for its settings and include files first.
        if (const std::string own = PovRayOwnFileIn(ExtractFilePath(scriptFile)); !own.empty())
            LogMessage(OneLineText("<!>POV-Ray started by " + ExtractFileName(scriptFile) +
                                   " in its folder would read " + own + " in place of its own file of that name"));
    }
    LogMessage("Files Saved.");
}
