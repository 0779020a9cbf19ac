#include "writers/Export.h"

#include <algorithm>
#include <unordered_set>

#include "model/Errors.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "model/PovReservedWords.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/Version.h"
#include "writers/FileText.h"
#include "writers/MtlWriter.h"
#include "writers/ObjWriter.h"
#include "writers/PovWriters.h"
#include "writers/TextWriter.h"

namespace {

// The file a step writes, for the message of an error that the model raised
// while the step ran, or of running out of memory.
template <typename Step>
void RunStep(const std::string& fileName, Step&& step) {
    try {
        SaveWithinMemory([&] { return NoMemoryToWrite(fileName); }, fileName, step);
    } catch (const ModelError& e) {
        throw ExportError(std::string("Export stopped while writing file ") + fileName + ": " + e.what(), fileName);
    }
}

}  // namespace

std::string SceneObjectName(const tscene& scene) {
    const bool common = Form1.RadioButton4.checked && BatchFiles.size() > 1;
    std::string name = MakeIdentifierPrefix(common ? Form1.Edit116.text : ExtractBaseName(scene.modelFile));
    if (name.size() > PovIdentifierLimit) {
        name.resize(PovIdentifierLimit - 1);
        name += '_';
    }
    // The scene reads the standard include files: a macro of theirs cannot
    // be declared again.
    if (IsPovIncludeMacro(name)) name += '_';
    return name;
}

std::string MapReference(const tscene& scene, std::string_view sceneObjectName, std::string_view map,
                         bool jpgExtension) {
    if (scene.mapPathOption2) return std::string(map);
    std::string name = ExtractFileName(map);
    if (scene.mapPathOption1) name = CleanFileName(std::string(sceneObjectName) + name);
    if (jpgExtension) name = ChangeFileExt(name, ".jpg");
    return name;
}

std::string WrittenMapName(const tscene& scene, const ExportRun& run, std::string_view map) {
    if (run.copiedMaps && !scene.mapPathOption2) {
        const auto copy = run.copiedMaps->find(std::string(map));
        if (copy != run.copiedMaps->end()) return copy->second;
    }
    return MapReference(scene, run.sceneObjectName, map, scene.mapNamesAsJpg != 0);
}

void NoteWrittenMap(ExportRun& run, std::string_view reference) {
    if (reference.empty()) return;
    if (std::string read = PovFileNameAsRead(reference); run.povMapSet.insert(read).second)
        run.povMaps.push_back(std::move(read));
    // What POV-Ray 3.7 cannot take from a file name string: one of 256 bytes
    // or more ("String too long": the scene stops), a carriage return (read
    // as a line feed) and letters beyond ASCII. The first that holds is the
    // reason given, with the remedy when the file name alone is clear of it.
    struct Reason {
        bool (*in)(std::string_view);
        const char* name;    // when the file name holds it
        const char* folder;  // when only its folders do
    };
    static constexpr Reason Reasons[] = {
        {[](std::string_view s) { return s.size() >= PovStringLimit; },
         "its name is 256 bytes or more, longer than a string POV-Ray reads",
         "its path is 256 bytes or more, longer than a string POV-Ray reads"},
        {[](std::string_view s) { return s.find('\r') != std::string_view::npos; },
         "its name holds a carriage return, which POV-Ray reads as a line feed",
         "the name of its folder holds a carriage return, which POV-Ray reads as a line feed"},
        {[](std::string_view s) { return !IsPlainASCII(s); }, "its name holds letters beyond ASCII",
         "the name of its folder holds letters beyond ASCII"},
    };
    for (const Reason& r : Reasons) {
        if (!r.in(reference)) continue;
        if (!run.unopenableMaps.emplace(reference).second) return;
        const std::string start = "<!>POV-Ray cannot open the map " + OneLineText(reference) + ": ";
        if (r.in(ExtractFileName(reference)))
            LogMessage(start + r.name);
        else
            LogMessage(start + r.folder + " (copying the maps with file paths off helps)");
        return;
    }
}

std::string ObjGroupName(const tscene& scene, ExportRun& run, int32_t group) {
    const tgroup& g = At(SceneGroups, group, "SceneGroups");
    if (!scene.sanitiseNames) return g.name.str();
    return run.objGroups.Claim(RegistryKey("group", group), MakeIdentifier(g.name.view(), true));
}

std::string ObjMaterialName(const tscene& scene, ExportRun& run, int32_t material) {
    const tmaterial& m = At(SceneMaterials, material, "SceneMaterials");
    if (!scene.sanitiseNames) return m.name.str();
    return run.objMaterials.Claim(RegistryKey("material", material), MakeIdentifier(m.name.view(), true));
}

std::string MtlFileName(const tscene& scene) {
    // No OBJ file name, no MTL file name (rather than a file named ".mtl").
    return scene.objFile.empty() ? std::string() : ChangeFileExt(scene.objFile, ".mtl");
}

const std::vector<std::string>& RunStatistics(ExportRun& run) {
    if (!run.statisticsMade) {
        run.statistics.clear();
        ModelStatistics(run.statistics);
        run.statisticsMade = true;
    }
    return run.statistics;
}

std::vector<std::string> ExportModelFiles(tscene& scene, const CopiedMapNames* copiedMaps) {
    // The files replace the earlier ones together, once the last is complete.
    OutputCommit commit;
    ExportRun run;
    run.sceneObjectName = SceneObjectName(scene);
    run.copiedMaps = copiedMaps;
    // With cleaned names, every group and material claims its identifier in
    // list order before any file is written, so that a collision always
    // gives the suffix to the later record, whatever order the faces use.
    if (scene.sanitiseNames) {
        for (int32_t i = 0; i < static_cast<int32_t>(SceneGroups.size()); ++i) ObjGroupName(scene, run, i);
        for (int32_t i = 0; i < static_cast<int32_t>(SceneMaterials.size()); ++i) ObjMaterialName(scene, run, i);
    }
    if (scene.writeObj) RunStep(scene.objFile, [&] { WriteOBJFile(scene, run); });
    if (scene.writeMtl && !SceneMaterials.empty()) RunStep(MtlFileName(scene), [&] { WriteMTLFile(scene, run); });
    if (scene.writeMaterialInclude) RunStep(scene.povMaterialFile, [&] { WritePOVMaterialInclude(scene, run); });
    if (scene.writeGeometryInclude) RunStep(scene.povGeometryFile, [&] { WritePOVGeometryInclude(scene, run); });
    if (scene.writePovScene) RunStep(scene.povSceneFile, [&] { WritePOVSceneFile(scene, run); });
    LogMessage(" ");
    if (scene.writeUdo) RunStep(scene.udoFile, [&] { WriteUDOFile(scene, run); });
    commit.Commit();
    return std::move(run.povMaps);
}

// ---- Header texts -----------------------------------------------------------

void BuildCreatorHeader(std::vector<std::string>& lines) {
    lines.clear();
    lines.push_back("This file has been created by Mirelan v" + GetVersionString());
    lines.emplace_back("3D model to POV-Ray/Moray Converter.");
}

void ListFilesNeeded(std::vector<std::string>& lines) {
    lines.clear();
    lines.emplace_back("Files needed to run the POV-Ray scene:");
    lines.push_back(ExtractFileName(Scene.iniFile) + " (initialization file - open this to render)");
    lines.push_back(ExtractFileName(Scene.povSceneFile) + " (scene setup of cameras, lights and geometry)");
    lines.push_back(ExtractFileName(Scene.povGeometryFile) + " (geometry mesh)");
    lines.push_back(ExtractFileName(Scene.povMaterialFile) + " (materials)");
}

void ListMapFiles(std::vector<std::string>& lines) {
    lines.clear();
    std::unordered_set<std::string> seen;  // lower-cased full names
    auto add = [&](const std::string& name) {
        if (name.empty()) return;
        if (seen.insert(LowerCase(name)).second) lines.push_back(name);
    };
    for (const tmaterial& m : SceneMaterials) {
        add(m.colorMap.str());
        add(m.bumpMap.str());
        add(m.transparencyMap.str());
    }
    if (Form1.ComboBox1.index == 1) add(BackgroundMapName);
    for (std::string& line : lines) line = ExtractFileName(line);
}

void BuildFileHeader(std::vector<std::string>& lines, std::string_view marker) {
    lines.clear();
    std::vector<std::string> part;
    lines.emplace_back(RuleLine);
    BuildCreatorHeader(part);
    lines.insert(lines.end(), part.begin(), part.end());
    lines.emplace_back(RuleLine);
    ListFilesNeeded(part);
    lines.insert(lines.end(), part.begin(), part.end());
    ListMapFiles(part);
    lines.insert(lines.end(), part.begin(), part.end());
    lines.emplace_back(" ");
    // File and map names are the user's and the model's: they stay on their
    // comment line.
    for (std::string& line : lines) line = std::string(marker) + OneLineText(line);
}

// ---- Maps report --------------------------------------------------------------

namespace {

// printf's "%-w.ws": cut to w characters, padded with blanks to w.
void AppendColumn(std::string& row, std::string_view text, std::size_t width, bool separator) {
    if (separator) row.push_back('|');
    const std::size_t n = std::min(text.size(), width);
    row.append(text.substr(0, n));
    row.append(width - n, ' ');
}

bool LiveBackgroundTexture() { return BackgroundTexture != 0 && Svc().window->IsTexture(BackgroundTexture); }

}  // namespace

void MapsReport(std::vector<std::string>& lines) {
    lines.emplace_back("Maps loaded into the OpenGL (R) API");
    lines.emplace_back(" ");
    lines.emplace_back(
        "Type      |ID   |Size in Memory      |Resolution in Mem   |Pigment Map                             "
        "|Transparency Map                        ");
    lines.emplace_back(
        "__________|_____|____________________|____________________|________________________________________"
        "|________________________________________");
    std::unordered_set<int32_t> reported;
    for (const tmaterial& m : SceneMaterials) {
        if (m.glTexture == 0 || !reported.insert(m.glTexture).second) continue;
        std::string row;
        AppendColumn(row, "Material", 10, false);
        AppendColumn(row, std::to_string(m.glTexture), 5, true);
        AppendColumn(row, ByteSizeText(m.textureBytes), 20, true);
        AppendColumn(row, std::to_string(m.textureWidth) + "x" + std::to_string(m.textureHeight), 20, true);
        AppendColumn(row, ExtractFileName(m.colorMap.view()), 40, true);
        AppendColumn(row, ExtractFileName(m.transparencyMap.view()), 40, true);
        lines.push_back(std::move(row));
    }
    if (BackgroundTexture != 0) {
        std::string row;
        AppendColumn(row, "Sky", 10, false);
        AppendColumn(row, std::to_string(BackgroundTexture), 5, true);
        AppendColumn(row, ByteSizeText(BackgroundTextureBytes), 20, true);
        AppendColumn(row, " ", 20, true);
        AppendColumn(row, ExtractFileName(BackgroundMapName), 40, true);
        lines.push_back(std::move(row));
    }
    lines.emplace_back(" ");
    const int32_t count = LoadedMapCount();
    lines.push_back("Allocated memory = " + ByteSizeText(TotalTextureBytes()) + " in " + std::to_string(count) +
                    (count == 1 ? " map" : " maps"));
}

int64_t TotalTextureBytes() {
    int64_t total = 0;
    for (const tmaterial& m : SceneMaterials)
        if (m.glTexture != 0) total += m.textureBytes;
    if (LiveBackgroundTexture()) total += BackgroundTextureBytes;
    return total;
}

int32_t LoadedMapCount() {
    int32_t count = 0;
    for (const tmaterial& m : SceneMaterials)
        if (m.glTexture != 0 && m.textureBytes >= 1) ++count;
    if (LiveBackgroundTexture()) ++count;
    return count;
}
