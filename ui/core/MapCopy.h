// The texture maps of a saved scene copied into its output folder, where
// the written files name them: as they are, or resized and written as JPEG.
// Map names are found on disk ignoring letter case and with either
// separator; a map that is missing or cannot be read is reported and the
// next one is tried, so that a save never fails for a map.
#pragma once

#include <cstdint>
#include <string>

// The folder the maps go to: the folder of the scene file, else of the
// geometry include, overridden by the folder of the UDO file and of the OBJ
// file, when their write switches are set; the export options' output
// folder when none is.
std::string MapOutputFolder();

// The name a map is copied under in the output folder: its file name, or
// with "Fix map names" the scene's object prefix before it, cleaned; with
// `asJpeg` its extension becomes ".jpg". The same name the written files
// use for the map.
std::string CopiedMapName(std::string_view map, bool asJpeg);

// Copies every colour, bump and transparency map of every material, and the
// spherical background map, into MapOutputFolder(), each source once.
// Existing copies are replaced when "Overwrite files (except render)" is
// checked. Logs "Copying maps to output directory..." and one line per map.
void CopyMaps();
// The same with every map written as JPEG, shrunk to at most the size of
// "Fix map max resolution to" (aspect kept, never enlarged). A map that
// cannot be read shows "Could not process image ...".
void ResizeAndCopyMaps();

// Copies `source` to `destination`: logs "File " + name + " copied OK", or
// "<!>ERROR Copying " + name when the source is missing or the copy fails.
// Nothing happens when the destination exists and `overwrite` is false, or
// when both name the same file.
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
