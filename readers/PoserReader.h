// Poser scene files: the cameras, lights and materials of a scene whose
// geometry was exported as an OBJ model. Each routine makes its own pass over
// the file. Keywords are matched without regard to case; names and map names
// come out in upper case.
//
// A file is mapped, not copied; of each line only the first items are
// looked at, a material block is parsed as its lines come, and a parsed
// material is held only while a scene material takes it: a pass takes
// memory in proportion to what it keeps, whatever the length of the file's
// lines or the number of its blocks.
//
// A scene compressed with gzip (".pzz") is unpacked into a temporary file
// first. Every routine reads the whole file before it changes anything: a
// file that cannot be read, whose values run past the end of their line or
// block, or that does not fit in the memory left raises ReadError and leaves
// the scene record, the lights and the materials as they were.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

class ScopedTempFile;

// A Poser file as the passes of one import read it: a file packed with gzip
// (named ".pzz", or packed whatever its name) is unpacked once into a
// temporary file, deleted again with this object, and every pass reads what
// was unpacked; any other file is read as it is. "Decompressing " +
// `shownName` + "..." is logged before the unpacking. ReadError when the file
// cannot be unpacked: "Poser scene " + its name + " is damaged: " + what is
// wrong with its packed data (cut short, a wrong checksum, ...), or its name
// + " is not a Poser scene: it is packed more than once" when what it
// unpacks to is packed again.
class PoserSceneFile {
public:
    PoserSceneFile(const std::string& fileName, std::string_view shownName);
    explicit PoserSceneFile(const std::string& fileName) : PoserSceneFile(fileName, fileName) {}
    ~PoserSceneFile();
    PoserSceneFile(const PoserSceneFile&) = delete;
    PoserSceneFile& operator=(const PoserSceneFile&) = delete;

    // The scene's own name, used in messages.
    const std::string& FileName() const { return fileName_; }
    // The file the passes read: the scene, or what was unpacked from it.
    const std::string& PlainFile() const;

private:
    std::string fileName_;
    std::unique_ptr<ScopedTempFile> unpacked_;
};

// The camera values by index; only the first eight are ever filled.
enum PoserCameraValue : int {
    PoserFocal = 0,
    PoserTranslateX,
    PoserTranslateY,
    PoserTranslateZ,
    PoserRotateX,
    PoserRotateY,
    PoserRotateZ,
    PoserScale,
};
inline constexpr int PoserCameraValueCount = 20;
using tposercameravalues = std::array<double, PoserCameraValueCount>;

// Each reader is given the scene's file, which it unpacks when it is packed
// (PoserSceneFile), or a PoserSceneFile that the passes of one import share.

// Reads the scene's active camera ("USECAMERA"; any camera other than the six
// orthographic views counts as "MAIN_CAMERA") into `values` and sets the
// scene record's active camera name, camera viewport ("DIMENSIONS") and
// orthographic flag. Returns false, logs "No usable camera in this file" and
// leaves `values` as passed when no camera block of that name was found.
bool ReadPoserCameras(const std::string& fileName, tposercameravalues& values);
bool ReadPoserCameras(const PoserSceneFile& file, tposercameravalues& values);

// Copies the material settings of a scene, character, hair or pose file onto
// the scene materials of the same names (a model material may carry a ":n"
// suffix). A replaced material keeps its name, face and line counts and
// selected flag; its preview texture is released. The time grows with the
// blocks and the model's materials, not their product, whatever the names.
void ReadPoserMaterials(const std::string& fileName);
void ReadPoserMaterials(const PoserSceneFile& file);

// Appends the scene's lights to Lights (counted first, so that Lights grows
// once to hold them and no second list of them is made). Infinite lights
// become parallel
// lights, point lights and lights of an unknown type point lights (the
// latter with a "<!>" line). When Lights is still empty afterwards, the box
// "No lights in this file" is shown.
void ReadPoserLights(const std::string& fileName);
void ReadPoserLights(const PoserSceneFile& file);

// The three readers over the plain text of a Poser file already in memory;
// `fileName` names it in messages. Nothing is unpacked.
bool ReadPoserCamerasText(const std::string& fileName, std::string_view text, tposercameravalues& values);
void ReadPoserMaterialsText(const std::string& fileName, std::string_view text);
void ReadPoserLightsText(const std::string& fileName, std::string_view text);

// The map file behind Poser's built-in resource reference
// "GetStringRes(1024,n)" for n = 1..60; any other text is returned as it is.
std::string PoserStringResName(std::string_view s);
