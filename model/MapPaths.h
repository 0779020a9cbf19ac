// Map file names made usable on this system: separators, names relative to
// the model file, and names whose letter case differs from the file on disk
// (models written on systems whose file names ignore case).
#pragma once

#include <string>
#include <string_view>

#include "model/FileSearch.h"

// Every "\" turned into "/".
std::string NormalizePathSeparators(std::string_view path);


// A map name made absolute against the folder of the scene's model file,
// with "/" separators:
//  - a Windows path with a drive and a folder ("C:\maps\a.jpg") is kept;
//  - a name that starts with "\" is joined to the model folder;
//  - a name that starts with "/" is kept when that file exists, and joined
//    to the model folder when only the joined file exists;
//  - any other name is joined to the model folder.
std::string AbsoluteMapPath(std::string_view path);

// Every non-empty colour, bump and transparency map name of every scene
// material made absolute (`AbsoluteMapPath`) and, when that file does not
// exist as written, spelled as on disk (`FileNameAsOnDisk`); stored back cut
// to 255 characters.
void ResolveMapPaths();
