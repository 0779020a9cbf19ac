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
// A scene compressed with gzip (".pzz") is unpacked on the fly. Every routine
// reads the whole file before it changes anything: a file that cannot be
// read, or whose values run past the end of their line or block, raises
// ReadError and leaves the scene record, the lights and the materials as they
// were.
#pragma once

#include <array>
#include <string>
#include <string_view>

class TextLineReader;

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

// Reads the scene's active camera ("USECAMERA"; any camera other than the six
// orthographic views counts as "MAIN_CAMERA") into `values` and sets the
// scene record's active camera name, camera viewport ("DIMENSIONS") and
// orthographic flag. Returns false, logs "No usable camera in this file" and
// leaves `values` as passed when no camera block of that name was found.
bool ReadPoserCameras(const std::string& fileName, tposercameravalues& values);

// Copies the material settings of a scene, character, hair or pose file onto
// the scene materials of the same names (a model material may carry a ":n"
// suffix). A replaced material keeps its name, face and line counts and
// selected flag; its preview texture is released.
void ReadPoserMaterials(const std::string& fileName);

// Appends the scene's lights to Lights. Infinite lights become parallel
// lights, point lights and lights of an unknown type point lights (the
// latter with a "<!>" line). When Lights is still empty afterwards, the box
// "No lights in this file" is shown.
void ReadPoserLights(const std::string& fileName);

// The three readers over the plain text of a Poser file already in memory;
// `fileName` names it in messages. Nothing is unpacked.
bool ReadPoserCamerasText(const std::string& fileName, std::string_view text, tposercameravalues& values);
void ReadPoserMaterialsText(const std::string& fileName, std::string_view text);
void ReadPoserLightsText(const std::string& fileName, std::string_view text);

// The map file behind Poser's built-in resource reference
// "GetStringRes(1024,n)" for n = 1..60; any other text is returned as it is.
std::string PoserStringResName(std::string_view s);

// Opens a Poser file for line reading, unpacking it first when it is
// gzip-compressed. ReadError when it cannot be opened, read or unpacked.
void OpenPoserFile(const std::string& fileName, TextLineReader& reader);
