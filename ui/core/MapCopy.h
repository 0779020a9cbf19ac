// The texture maps of a saved scene copied into its output folder, where
// the written files name them: as they are, or resized and written as JPEG.
// Map names are found on disk ignoring letter case and with either
// separator; a map that is missing or cannot be read is reported and the
// next one is tried, so that a save never fails for a map.
//
// Only pictures are copied: a file whose content is a picture that the
// program or POV-Ray reads, told by its first bytes. A model may name any
// file (by an absolute path, say), and the output folder is what the user
// passes on.
//
// A copy never takes the place of a file that the save did not write: a
// map of the model, or any other file of that name in the output folder,
// stays as it is and the copy is written under the name with "_Rev00001",
// "_Rev00002", ... before its extension (five digits or more: the names go
// on past "_Rev99999"). Nor does it take a name that a file of the run is
// written under (a file of any save command, the rendered picture, the
// files of a batch), which would be written over it, or a name no output
// may take (IsReservedOutputName: a file the program keeps in its folder,
// one of POV-Ray's own). A file that already holds the very bytes of the
// copy (the map itself, or its copy of an earlier save) is used as it is.
// Every name is decided before any file of the save is written, so that the
// written files name the copies beside them. The names of one name are
// looked at once in a save, however many maps bear it: the time of a save
// grows with its maps, not with their square.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/FileReplace.h"
#include "writers/Export.h"

struct BatchOutputFiles;

// The folder the maps go to: the folder of the scene file, else of the
// geometry include, overridden by the folder of the UDO file and of the OBJ
// file, when their write switches are set; the export options' output
// folder when none is.
std::string MapOutputFolder();

// The name a map is copied under in the output folder when that name is
// free: its file name, or with "Fix map names" the scene's object prefix
// before it, cleaned; with `asJpeg` its extension becomes ".jpg".
std::string CopiedMapName(std::string_view map, bool asJpeg);

// The copies of the maps of one save: every colour, bump and transparency
// map of every material, and the spherical background map, each source
// once per name.
class MapCopies {
public:
    // Decides the name of every copy and makes each copy (resized to the
    // size of "Fix map max resolution to" and written as JPEG when
    // `resize`) in a new file of the output folder; nothing there is
    // replaced yet. A map that cannot be resized shows "Could not process
    // image ...".
    explicit MapCopies(bool resize);
    MapCopies(const MapCopies&) = delete;
    MapCopies& operator=(const MapCopies&) = delete;

    // The name of each map's copy, by the map name as it is stored.
    const CopiedMapNames& Names() const { return names_; }
    // Puts the copies in place: with the files of the open OutputCommit, or
    // at once.
    void PutInPlace();
    // Logs "Copying maps to output directory..." (or "Resizing and copying
    // maps to output directory...") and a line per map: "File " + name +
    // " copied OK" (" resized and copied OK"), "<!>ERROR Copying " + name for
    // a missing map or a failed copy, "<!>" + the map's file + " is not a
    // picture: not copied" for a map whose content is no picture, and a
    // "<!>" line for each copy that got another name ("the output folder
    // holds another ...", "the save writes a file named ...", "the program
    // keeps a file named ..." or "POV-Ray has a file of its own named ...").
    void Report() const;

private:
    // A copy made for the save.
    struct Copy {
        TemporaryFile temporary;  // the new file, until it is put in place
        std::string name;         // its name in the output folder
    };
    // The names of one name (k 0 the name itself, then its "_Rev" names)
    // looked at so far.
    struct Series {
        int next = 0;  // the first not looked at yet
        // The first name each file took.
        std::map<FileId, int> takenBy;
        // Files found in the output folder under the names and taken by no
        // copy: the file each is, found by that file and by its bytes (its
        // size, and a hash once a copy of that size asks).
        std::map<int, FileId> found;
        std::multimap<FileId, int> foundByFile;
        std::map<uint64_t, std::vector<int>> unhashed;
        std::map<std::pair<uint64_t, uint64_t>, std::vector<int>> foundByBytes;
    };
    void Add(const std::string& map);
    // True when a file of the run is written under `name` in the output
    // folder (or, for a picture that is rendered there, while no file has it).
    bool TakenByRun(const std::string& name) const;
    // `name`, the name `k` of `series`, is given to the copy of `file`.
    void Take(Series& series, int k, const std::string& name, FileId file);

    bool resize_;
    int32_t size_ = 0;
    std::string folder_;
    CopiedMapNames names_;
    // The copies not yet put in place, removed when they go: also when the
    // copying stops half-way (running out of memory).
    std::vector<Copy> copies_;
    std::vector<std::string> report_;
    // The names given in the output folder and whose file each holds.
    std::unordered_map<std::string, FileId> claims_;
    std::unordered_map<std::string, Series> series_;
    // The names that files of the run take in the output folder, and those
    // of pictures rendered there; with the files of a batch.
    std::unordered_set<std::string> outputs_, pictures_;
    std::shared_ptr<const BatchOutputFiles> batch_;
    // The maps of the model as they lie on disk.
    std::set<FileId> modelMaps_;
};

// Copies (CopyMaps) or resizes (ResizeAndCopyMaps) every map of the model
// into MapOutputFolder() at once, and reports it.
void CopyMaps();
void ResizeAndCopyMaps();

// Copies `source` to `destination`: logs "File " + name + " copied OK", or
// "<!>ERROR Copying " + name when the source is missing or the copy fails.
// A source whose content is no picture is not copied ("<!>" + source + " is
// not a picture: not copied"). Nothing happens when the destination exists
// and `overwrite` is false, or when both name the same file. The copy
// replaces an earlier destination only once it is complete.
void CopyMapFile(const std::string& source, const std::string& destination, bool overwrite);

// Writes the picture `source` to `destination` as JPEG, resized: with
// `height` -1 the larger side becomes `size` and the aspect is kept
// (every side at least 1 pixel), otherwise the size is `size` x `height`; a
// picture is only ever made smaller. A `size` below 4 counts as 512. True
// when the picture was written, when there was nothing to do (an existing
// destination without `overwrite`, a picture without pixels, the source
// itself as destination) and when the source is missing (logged as an
// error); false when the picture could not be read or written.
bool ResizeMapFile(const std::string& source, const std::string& destination, int32_t size, bool overwrite,
                   int32_t height = -1);
