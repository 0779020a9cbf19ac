#include "ui/core/BatchDriver.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <charconv>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_set>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/PovIni.h"
#include "ui/core/PovLaunch.h"
#include "writers/Export.h"
#include "writers/FileText.h"
#include "writers/PovSceneWriter.h"
#include "writers/TextWriter.h"

namespace {

namespace fs = std::filesystem;

const std::string EchoRule = "echo " + ShellWord(RuleLine);

// The models of a batch by the files they are: by device and inode where
// they exist, and by their paths made normal, so that each output is told
// from all of them at once.
class BatchInputs {
public:
    explicit BatchInputs(const std::vector<std::string>& files) {
        for (const std::string& file : files) {
            if (const FileId id = FileIdOf(file); id != NoFile) ids_.insert(id);
            paths_.insert(Normal(file));
        }
    }
    bool Holds(const std::string& name) const {
        const FileId id = FileIdOf(name);
        return (id != NoFile && ids_.count(id) != 0) || paths_.count(Normal(name)) != 0;
    }

private:
    static std::string Normal(const std::string& name) { return fs::path(name).lexically_normal().string(); }

    std::set<FileId> ids_;
    std::unordered_set<std::string> paths_;
};

// The names of the batch SaveBatch is writing, while it runs.
std::shared_ptr<const BatchOutputFiles>& RunningBatch() {
    static std::shared_ptr<const BatchOutputFiles> running;
    return running;
}

std::shared_ptr<const BatchOutputFiles> OutputFilesOf(const std::vector<BatchNames>& names) {
    auto files = std::make_shared<BatchOutputFiles>();
    for (const BatchNames& n : names) {
        files->files.insert({n.ini, n.scene, n.geometry, n.material});
        if (!n.picture.empty()) files->pictures.insert(n.picture);
    }
    return files;
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
    Scene.iniFile = names.ini;
    Scene.povSceneFile = names.scene;
    Scene.povGeometryFile = names.geometry;
    Scene.povMaterialFile = names.material;
    Scene.renderImageFile = names.image;
}

// The status window while a batch runs: every model's load clears the
// "Messages" page, which would lose the "<!>" lines of the models before the
// last; the page keeps them until the batch ends.
class BatchStatus : public StatusSink {
public:
    explicit BatchStatus(StatusSink& window) : window_(window) {}
    void AppendLine(StatusPage page, std::string_view text) override { window_.AppendLine(page, text); }
    void AppendLines(StatusPage page, const std::vector<std::string>& lines) override {
        window_.AppendLines(page, lines);
    }
    void ClearPage(StatusPage page) override {
        if (page != StatusPage::Messages) window_.ClearPage(page);
    }
    int PageLineCount(StatusPage page) const override { return window_.PageLineCount(page); }
    void ScrollPageToTop(StatusPage page) override { window_.ScrollPageToTop(page); }
    void SetStatusLine(std::string_view text) override { window_.SetStatusLine(text); }
    void SetWarningsLine(std::string_view text) override { window_.SetWarningsLine(text); }
    void SetPagesEnabled(bool enabled) override { window_.SetPagesEnabled(enabled); }
    void SetWaitCursor(bool on) override { window_.SetWaitCursor(on); }
    void SetProgress(int percent) override { window_.SetProgress(percent); }
    void ProcessPendingMessages() override { window_.ProcessPendingMessages(); }

private:
    StatusSink& window_;
};

// The frames POV-Ray runs for an INI file, as it reads it started now
// (PovRayStartRender, PovRayFramesOf). False when they cannot be told so: a
// setting the program does not read, a frame below 0, a last frame not above
// the first.
bool IniFrames(const std::string& iniFile, uint64_t& first, uint64_t& last) {
    const PovRayRender render = PovRayStartRender(iniFile, PovRayIniLines(iniFile));
    if (!render.unread.empty() || !render.initialFrame || !render.finalFrame || *render.initialFrame < 0 ||
        *render.finalFrame <= *render.initialFrame)
        return false;
    const PovRayFrames frames = PovRayFramesOf(render);
    first = static_cast<uint64_t>(frames.first);
    last = static_cast<uint64_t>(frames.last);
    return true;
}

// The first frame from which `count` frames include only files of
// `written` (names without folder): the smallest number a written name
// carries after the prefix, when it does. None when there is no such frame.
std::optional<uint64_t> FittingInitialFrame(const std::unordered_set<std::string>& written, uint64_t count) {
    const std::string& prefix = Form1.Edit119.text;
    const std::size_t digits = BatchFrameDigits();
    std::optional<uint64_t> first;
    for (const std::string& name : written) {
        if (!name.starts_with(prefix) || !name.ends_with(".inc") || name.size() < prefix.size() + 5) continue;
        const std::string text = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        uint64_t number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc() || end != text.data() + text.size() ||
            BatchGeometryIncludeName(number, digits) != name)
            continue;
        if (!first || number < *first) first = number;
    }
    if (!first || count > written.size()) return std::nullopt;
    for (uint64_t frame = *first; frame - *first < count; ++frame)
        if (written.count(BatchGeometryIncludeName(frame, digits)) == 0) return std::nullopt;
    return first;
}

// The script is meant to be run again in its folder, where POV-Ray looks
// for its settings and include files first and writes its pictures and
// render state files: what it would find there now is noted.
void NoteScriptHazard(const std::string& scriptFile, const std::vector<BatchNames>& names) {
    std::vector<std::string> iniFiles;
    for (const BatchNames& n : names) iniFiles.push_back(n.ini);
    if (const std::string hazard = PovRayScriptHazard(ExtractFilePath(scriptFile), iniFiles, SavedSceneReads);
        !hazard.empty())
        LogMessage(OneLineText("<!>POV-Ray started by " + ExtractFileName(scriptFile) + " in its folder " + hazard));
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

std::vector<std::string> BatchScriptLines(const std::string& program, const std::vector<std::string>& iniFiles,
                                          const std::vector<std::vector<std::string>>& settings) {
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
        std::string line = ShellWord(program) + " " + ShellWord(word);
        if (i < settings.size())
            for (const std::string& setting : settings[i]) line += " " + ShellWord(setting);
        lines.push_back(std::move(line));
    }
    lines.push_back(EchoRule);
    return lines;
}

std::vector<BatchNames> BatchOutputNames(const std::vector<std::string>& modelFiles) {
    const bool common = Form1.RadioButton4.checked, commonMaterial = Form1.CheckBox19.checked;
    const std::string imageExtension(OutputImageExtension(Form1.ComboBox5.index));
    const BatchInputs inputs(modelFiles);
    // The files and pictures of the models named so far.
    std::unordered_set<std::string> taken;
    RevisedNames bases, revised, pictures;
    std::vector<std::string> notes;
    // A file that would replace a model of the batch, or take a name no
    // output may take, gets the next "_Rev" name that does neither and that
    // no file of the batch has.
    const auto fit = [&](const std::string& file) {
        const ReservedName why = ReservedOutputName(file);
        const bool input = why == ReservedName::None && inputs.Holds(file);
        if (why == ReservedName::None && !input) return file;
        const std::string name = revised.Next(file, [&](const std::string& candidate) {
            return !IsReservedOutputName(candidate) && !inputs.Holds(candidate) && taken.count(candidate) == 0;
        });
        const std::string from = ExtractFileName(file), to = ExtractFileName(name);
        notes.push_back(input ? "<!>" + from + " would replace a model of the batch: written as " + to
                              : "<!>" + from + " written as " + to + ": " + std::string(ReservedNameReason(why)) +
                                    from);
        return name;
    };
    // The files every model shares, and the script.
    if (Form1.RadioButton3.checked) taken.insert(BatchScriptFile());
    std::string commonIni, commonScene, commonMaterialFile;
    if (common) {
        commonIni = fit(OutputPath(ChangeFileExt(Form1.Edit115.text, ".ini")));
        taken.insert(commonIni);
        commonScene = fit(OutputPath(Form1.Edit115.text));
        taken.insert(commonScene);
    }
    if (commonMaterial) {
        commonMaterialFile = fit(OutputPath(Form1.Edit23.text));
        taken.insert(commonMaterialFile);
    }
    // The pictures of the common scene: one name for every frame, free for
    // each of them.
    std::vector<std::string> framePictures;
    std::string commonImage;
    if (common) {
        const std::string wanted = ChangeFileExt(ExtractFileName(commonScene), imageExtension);
        const PovRayFrames frames = IniFrames(modelFiles.size());
        commonImage = FreeRenderImageName(wanted, OutputPath(""), frames,
                                          [&](const std::string& p) { return taken.count(p) != 0; });
        if (commonImage != wanted)
            notes.push_back("<!>" + wanted + " rendered as " + commonImage +
                            " with each frame's number: the output folder holds files of those names");
        ForEachPovRayFile(PovRayPictureStem(OutputPath(commonImage), imageExtension), imageExtension, frames,
                          [&](const std::string& name, bool picture) {
                              if (picture) framePictures.push_back(name);
                              return true;
                          });
    }
    const std::vector<std::string> sharedNotes = std::move(notes);

    std::vector<BatchNames> all;
    all.reserve(modelFiles.size());
    for (std::size_t i = 0; i < modelFiles.size(); ++i) {
        notes = i == 0 ? sharedNotes : std::vector<std::string>();
        std::string base = ExtractBaseName(ExtractFileName(modelFiles[i]));
        if (!common)
            base = bases.Next(CleanIdentifier(base), [&](const std::string& b) {
                for (const char* end : {".ini", ".pov", ".inc", "_pov_mat.inc"})
                    if (taken.count(OutputPath(b + end)) != 0) return false;
                return true;
            });
        BatchNames n;
        n.ini = common ? commonIni : fit(OutputPath(base + ".ini"));
        n.scene = common ? commonScene : fit(OutputPath(base + ".pov"));
        n.geometry = fit(OutputPath(base + ".inc"));
        n.material = commonMaterial ? commonMaterialFile : fit(OutputPath(base + "_pov_mat.inc"));
        n.writeMaterial = !commonMaterial || i == 0;
        if (common) {
            n.image = commonImage;
            n.picture = i < framePictures.size() ? framePictures[i] : std::string();
        } else {
            // POV-Ray renders the picture later: its name and its render
            // state file's are free now, and no other picture or file of the
            // batch takes it.
            const PovRayFrames single;
            n.picture = pictures.Next(OutputPath(base + imageExtension), [&](const std::string& p) {
                return taken.count(p) == 0 && !IsReservedOutputName(p) &&
                       ForEachPovRayFile(PovRayPictureStem(p, imageExtension), imageExtension, single,
                                         [](const std::string& name, bool picture) {
                                             struct stat entry {};
                                             return picture ? ::lstat(name.c_str(), &entry) != 0
                                                            : PovRayMayWrite(name);
                                         });
            });
            n.image = ExtractFileName(n.picture);
        }
        taken.insert({n.ini, n.scene, n.geometry, n.material, n.picture});
        n.notes = std::move(notes);
        all.push_back(std::move(n));
    }
    return all;
}

std::string BatchScriptFile() { return FirstUnreservedName(OutputPath(Form1.Edit90.text)); }

std::vector<std::string> BatchIniFiles() {
    std::vector<std::string> iniFiles;
    for (const BatchNames& n : BatchOutputNames(BatchFiles)) iniFiles.push_back(n.ini);
    return iniFiles;
}

std::shared_ptr<const BatchOutputFiles> CurrentBatchOutputFiles() {
    if (RunningBatch()) return RunningBatch();
    return OutputFilesOf(BatchOutputNames(BatchFiles));
}

std::string BatchFramesRefusal(const std::string& iniFile, const std::vector<std::string>& written) {
    const std::string refused = "POV-Ray was not started: ";
    const std::string batchFile = "choose \"Use a Batch file\", which renders each model as a scene of its own";
    // POV-Ray builds each name from the prefix as a string of its own
    // language: a character beyond printable ASCII it replaces, and a
    // backslash it may take for a folder separator.
    const std::string& prefix = Form1.Edit119.text;
    if (!std::all_of(prefix.begin(), prefix.end(), [](char c) { return c >= ' ' && c <= '~' && c != '\\'; }))
        return refused + "the include files of its frames cannot be told: the input file name prefix " +
               OneLineText(prefix) + " holds a character beyond printable ASCII or a backslash; rename the models' "
               "files, or " + batchFile;
    uint64_t first = 0, last = 0;
    if (!IniFrames(iniFile, first, last))
        return refused + "which frames " + OneLineText(ExtractFileName(iniFile)) +
               " runs cannot be told: its Initial_Frame and Final_Frame must be whole numbers of 0 or more, the "
               "last above the first";
    std::unordered_set<std::string> names;
    for (const std::string& file : written) names.insert(ExtractFileName(file));
    // Each frame includes a name of its own: the first that the batch did
    // not write comes within one more frame than it wrote files.
    const std::size_t digits = BatchFrameDigits();
    for (uint64_t frame = first; frame <= last; ++frame) {
        const std::string include = BatchGeometryIncludeName(frame, digits);
        if (names.count(include) != 0) continue;
        std::string reason = refused + "frame " + std::to_string(frame) + " would read " + OneLineText(include) +
                             ", which this batch did not write";
        if (const auto fit = FittingInitialFrame(names, last - first + 1); fit && *fit != first)
            return reason + "; the models' numbers fit Initial Frame " + std::to_string(*fit);
        return reason + "; number the models' files in order after the input file name prefix, or " + batchFile;
    }
    return {};
}

std::vector<std::string> SaveBatch() {
    BatchStatus status(*Svc().status);
    Services kept;
    kept.status = &status;
    const ScopedServices keepMessages(kept);
    WaitScope wait;
    const bool script = Form1.RadioButton3.checked;
    std::vector<std::string> iniFiles;
    std::vector<std::vector<std::string>> settings;
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
    std::vector<std::string> written;
    // What the scenes of every model read, each map once.
    PovRaySceneReads reads;
    std::unordered_set<std::string> maps;
    // The map copies of every model keep clear of the files of the whole
    // batch: told once, not for each model.
    struct Running {
        explicit Running(std::shared_ptr<const BatchOutputFiles> files) { RunningBatch() = std::move(files); }
        ~Running() { RunningBatch().reset(); }
    } running(OutputFilesOf(names));
    for (std::size_t i = 0; i < files.size(); ++i) {
        LogMessage("Memory cleanup...");
        ClearModel();
        LoadModelFile(files[i]);
        ProcessGeometry();
        Svc().window->SelectCameraPreset(Form1.ComboBox8.index);
        Svc().status->ProcessPendingMessages();

        SetBatchChoices(names[i]);
        for (const std::string& note : names[i].notes) LogMessage(note);
        if (WriteOutputFiles(true)) written.push_back(names[i].geometry);  // with the maps copied as they are
        iniFiles.push_back(Form2.CheckBox27.checked ? Scene.iniFile : ExtractFileName(Scene.iniFile));
        for (std::string& map : SavedSceneReads.maps)
            if (maps.insert(map).second) reads.maps.push_back(std::move(map));
        reads.code = reads.code || SavedSceneReads.code;
        if (script)
            settings.push_back(PovRayStatedSettings(PovRayStartRender(Scene.iniFile, PovRayIniLines(Scene.iniFile))));
    }
    SavedSceneReads = std::move(reads);

    ClearModel();
    Svc().window->BuildPreviewLists();
    Form1.CheckBox4.checked = showMaps;
    Svc().window->Draw();
    Svc().window->RefreshMaterialPanel(-1);

    if (script) {
        std::string program = PovRayProgram();
        if (program.empty()) program = "povray";  // found on PATH when the script runs
        const std::string scriptFile = UnreservedOutputName(OutputPath(Form1.Edit90.text));
        WriteScript(BatchScriptLines(program, iniFiles, settings), scriptFile);
        NoteScriptHazard(scriptFile, names);
    }
    LogMessage("Files Saved.");
    return written;
}
