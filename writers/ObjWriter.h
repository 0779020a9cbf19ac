// The OBJ file of an export run (step 1): a commented header, vertices,
// normals and texture coordinates, the faces and polylines of the visible
// groups, an optional mesh that shows the preview camera, and at the end the
// settings block, comment lines that carry the camera, lights, headlight,
// background, placeholders, ground and group shadow flags of the scene.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/Scene.h"
#include "writers/Export.h"

// Writes scene.objFile; throws ExportError when the file cannot be written.
void WriteOBJFile(tscene& scene, ExportRun& run);

// Appends the lines of the settings block, from "#Mirelan Settings Block
// v1.1" to the rule line that closes it. Fields are separated by commas with
// no blanks. Names are always quoted; box texts are quoted only when they
// hold a comma, a blank, a quote or a control character, or are empty, so
// that the comma-text reader reads every field back in its place; a quote
// inside a quoted field is doubled.
void BuildSettingsBlock(const tscene& scene, std::vector<std::string>& lines);

// `text` between double quotes, every quote inside doubled; a control
// character, which would end the line, as "_".
std::string QuotedField(std::string_view text);
// `text` as it stands, or QuotedField(text) when the comma-text reader would
// not read it back as one word.
std::string TextField(std::string_view text);
