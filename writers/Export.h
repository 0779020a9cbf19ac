// The export run: every output file of a save command written in one fixed
// order, the name handling that the files share, the header block and the
// creator banner, the list of maps, and the maps report of the status
// window's "Maps" page.
//
// The file order of a run, each file only when its write switch in the scene
// record is set:
//   1. OBJ geometry with the settings block      (ObjWriter.h)
//   2. MTL material library                       (MtlWriter.h)
//   3. POV-Ray material include                   (PovWriters.h)
//   4. POV-Ray geometry include                   (PovWriters.h)
//   5. POV-Ray scene file                         (PovWriters.h)
//   6. Moray UDO file                             (PovWriters.h)
//
// Failure: an open, write or close failure (or an index in the model that
// points outside its list) ends the run with `ExportError`. The files of a
// run replace the earlier ones together when the last is complete
// (OutputCommit, TextWriter.h): after a failure every earlier file is as it
// was and no unfinished file is left. ExportModelFiles returns only when
// every enabled file was written, so a caller logs "Files Saved." only then.
//
// BuildCreatorHeader, BuildFileHeader, ListFilesNeeded and ListMapFiles need
// no window: the INI writer and the batch script use them as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/Scene.h"
#include "writers/IdentifierRegistry.h"

// The names under which a save copies the maps into the output folder, by
// the map name as a material or the background stores it. Decided before
// any file is written, so that every file names the copy that lies beside
// it.
using CopiedMapNames = std::unordered_map<std::string, std::string>;

struct MeshPlan;

// The longest identifier POV-Ray reads: a longer one stops its parser
// ("String too long").
inline constexpr std::size_t PovIdentifierLimit = 255;
// The length at which POV-Ray refuses a string literal ("String too long"),
// counted in the characters it reads (an escape is one).
inline constexpr std::size_t PovStringLimit = 256;

// What one export run shares between its files. Made at the start of the
// run and dropped at its end, whichever files were written.
struct ExportRun {
    // MakeIdentifierPrefix of the model name (or of the batch page's common
    // object name): fixed map names and the names of meshes and objects.
    std::string sceneObjectName;
    // Refilled by each writer that needs header text.
    std::vector<std::string> headerLines;
    // The model's statistics report, made once per run by the first file
    // that carries it (see RunStatistics): the model does not change while
    // the run writes.
    std::vector<std::string> statistics;
    bool statisticsMade = false;
    // Map declaration keys of the POV-Ray material include.
    std::vector<std::string> mapKeys;
    // Group and material names of the OBJ and MTL files when names are
    // cleaned into identifiers (see ObjGroupName, ObjMaterialName).
    IdentifierRegistry objGroups{255};
    IdentifierRegistry objMaterials{255};
    // The one namespace of POV-Ray and Moray identifiers (materials, maps,
    // meshes, objects) of the run, each at most PovIdentifierLimit long.
    IdentifierRegistry povIdentifiers{PovIdentifierLimit};
    // How the geometry include and the Moray file break the model into
    // meshes, and the meshes' names: made once, by the first of them
    // (RunMeshPlan, MeshPlan.h).
    std::shared_ptr<const MeshPlan> meshPlan;
    // The maps' copies in the output folder, when the save copies them.
    const CopiedMapNames* copiedMaps = nullptr;
    // The map references of the POV-Ray files that POV-Ray cannot open,
    // each reported once (NoteWrittenMap).
    std::unordered_set<std::string> unopenableMaps;
    // The files the POV-Ray files of the run name as maps, as POV-Ray reads
    // the names (PovFileNameAsRead), each once, in the order first written.
    std::vector<std::string> povMaps;
    std::unordered_set<std::string> povMapSet;
};

// The export run of a save command (see above); `copiedMaps` are the names
// of the maps' copies when the save copies them. Returns the files its
// POV-Ray files name as maps (ExportRun::povMaps), which POV-Ray opens when
// it renders them.
std::vector<std::string> ExportModelFiles(tscene& scene, const CopiedMapNames* copiedMaps = nullptr);

// The lines of ModelStatistics for the files of the run, made on first use.
const std::vector<std::string>& RunStatistics(ExportRun& run);

// The scene object name of a run: MakeIdentifierPrefix of the batch page's
// "Common object name" when "Use a POV file" is checked and more than one
// model file is in the batch, otherwise of the model file's name without
// folder and extension, cut to PovIdentifierLimit. Always ends in "_".
std::string SceneObjectName(const tscene& scene);

// The name under which a material's map is written:
//  - with map path option 2 the map name as stored, path included;
//  - otherwise its file name alone, and with map path option 1 that name
//    prefixed by the scene object name and cleaned (CleanFileName);
//  - `jpgExtension` (set when the maps are written as JPEG) then replaces
//    the extension by ".jpg", in every file that names the map, so that it
//    names the JPEG copy.
std::string MapReference(const tscene& scene, std::string_view sceneObjectName, std::string_view map,
                         bool jpgExtension = false);
// The name under which the files of a run name a map: the name of its copy
// when the save copies it (and the map names keep no paths), otherwise
// MapReference with ".jpg" when the maps are written as JPEG.
std::string WrittenMapName(const tscene& scene, const ExportRun& run, std::string_view map);

// Every map reference a run writes into a POV-Ray file ("" for none) goes
// through here: it is kept in run.povMaps. POV-Ray 3.7 cannot open a file
// whose path holds a letter beyond ASCII or a carriage return (its parser
// stops with "Cannot open file", whatever the scene's charset), and reads no
// string of PovStringLimit bytes or more (the scene stops with "String too
// long"). Such a map reference is written as it stands; the first time a run
// writes it into a POV-Ray file, one "<!>" line names it and the reason,
// with the remedy when only a folder of its path is the cause.
void NoteWrittenMap(ExportRun& run, std::string_view reference);

// The name written after "g" / "usemtl" in the OBJ file and after "newmtl"
// in the MTL file: the stored name, or with "sanitise names" set the cleaned
// identifier, made unique within the run where two would collide.
std::string ObjGroupName(const tscene& scene, ExportRun& run, int32_t group);
std::string ObjMaterialName(const tscene& scene, ExportRun& run, int32_t material);

// The MTL file of a run: the OBJ file name with the extension ".mtl" (empty
// without an OBJ file name).
std::string MtlFileName(const tscene& scene);

// ---- Header texts ---------------------------------------------------------
// Empties `lines`, then "This file has been created by Mirelan v" + version
// and "3D model to POV-Ray/Moray Converter.".
void BuildCreatorHeader(std::vector<std::string>& lines);
// Empties `lines`, then "Files needed to run the POV-Ray scene:" and the INI,
// scene, geometry include and material include file names of `Scene` with
// their roles.
void ListFilesNeeded(std::vector<std::string>& lines);
// Empties `lines`, then the distinct colour, bump and transparency maps of
// all materials (compared without regard to letter case) and the background
// map when the background selector stands on the spherical map; each entry
// reduced to its file name.
void ListMapFiles(std::vector<std::string>& lines);
// Empties `lines`, then the header block: a rule, the creator banner, a rule,
// the files needed, the map files and " ", every line prefixed by `marker`
// ("//" for POV-Ray files, ";" for the INI file).
void BuildFileHeader(std::vector<std::string>& lines, std::string_view marker);

// ---- Maps report ------------------------------------------------------------
// Appends the texture table of the "Maps" page: one row per distinct preview
// texture of the materials, a "Sky" row for the background texture, and the
// allocated-memory line.
void MapsReport(std::vector<std::string>& lines);
// Texture bytes of all materials that have a preview texture, plus those of
// the background texture when it is a live texture.
int64_t TotalTextureBytes();
// Materials with a preview texture of at least one byte, plus the live
// background texture.
int32_t LoadedMapCount();
