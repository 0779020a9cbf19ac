// The YafRay XML scene: an image shader and a texture mapper per colour map,
// a material shader per material, and one mesh object that holds every
// vertex and face (with per-face UVs and shader names). No camera, lights or
// background. Written by the YafRay save command only, never read back.
//
// Names and paths go into attribute values escaped (& < > " '), so a
// material called "Nuts & Bolts" still gives a well-formed file.
#pragma once

#include <string>
#include <string_view>

#include "model/Scene.h"

// Creates (replaces) scene.yafrayFile and writes the scene. A file that
// cannot be written, or a face that refers past a list, ends the write with
// ExportError (the file may be left incomplete).
void ExportYafRayScene(tscene& scene);

// Text for an XML attribute value: & < > " ' as entities; a control
// character that XML cannot hold becomes a blank, and a name that is not
// UTF-8 is taken as cp1252 (as the windows show it), so that the file is
// always well-formed UTF-8.
std::string XmlAttributeText(std::string_view s);
