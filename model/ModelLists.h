// Clean-up of the model lists as a whole (empty groups, unused materials,
// material names) and the small queries and list texts that the main window
// and the preview build from them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Records.h"
#include "model/Types.h"

// Deletes every group that holds no face and no line and every material that
// no face and no line uses, renumbering the group and material indices of
// faces and lines. Each deletion is logged, from the last record to the
// first: "<!> Group <name> is empty. Deleted." and "<!> Material <name> is
// not used. Deleted.". The face and line counts are recounted first, and
// `CurrentMaterialIndex` stays on the same material (or its nearest kept
// predecessor) and always inside the list.
void DeleteEmptyGroups();
// The same on counts made just before by the caller (CountFacesPerGroupAndMaterial
// or its own pass over the faces and lines): nothing may have changed since.
void DeleteEmptyGroupsAsCounted();

// Makes the material names unique as identifiers: names are compared after
// `CleanIdentifier`, the earliest keeps its name and every later clash gets
// "_2" appended (again while it still clashes). A name too long for the
// suffix is shortened so that the suffix fits; should even that not give a
// free name, a counting suffix "_3", "_4", ... is used. Always ends.
void MakeMaterialNamesUnique();

// Tidies the materials before export: trims material and group names, makes
// material names unique, clamps shininess to [0.01, 1], rounds colour
// components to steps of 1/255 and shininess, transparency and reflection to
// steps of 0.01.
void NormalizeMaterials();

// True when at least one group casts no shadow.
bool AnyGroupWithoutShadow();

// The number of non-empty map names (colour, bump, transparency) over all
// materials.
int32_t CountMaterialMaps();

// The distinct map file names (colour, bump, transparency) of all materials
// in the order they first appear: the drop-down items of the map boxes.
std::vector<std::string> MapNameList();

// The texture name of the last material that already has a preview texture
// and the same colour and transparency maps as `material` (compared ignoring
// ASCII case); -1 when there is none.
int32_t FindSharedTexture(const tmaterial& material);

// True when Round((a - b) x 255) is 0 for all three components, that is when
// the colours differ by no more than half a step of 1/255.
bool SameColor(const tvector& a, const tvector& b);

// True when the bits of a single-precision float hold an infinity or a NaN
// (all eight exponent bits set).
bool IsNaNOrInf(uint32_t bits);

// The group's line of the group list: its visibility and shadow icons as
// links ("visible"/"notvis", "shadow"/"noshad") and its name, joined by
// blanks. The name is escaped for the list's markup.
std::string GroupListLine(const tgroup& group);

// `text` with &, <, > and " written as character entities.
std::string EscapeListMarkup(std::string_view text);

// True when the trimmed, lower-cased `name` is one of the items of
// `extensions` (split at blanks and commas, compared in lower case).
bool HasGLExtension(std::string_view name, std::string_view extensions);
// The same against the extension string captured at start-up
// (`GLExtensionsText`).
bool HasGLExtension(std::string_view name);

// The major and minor number of a version text such as "1.2.1 vendor words"
// or "4.5 (Compatibility Profile) Mesa 22.3.6": the digits around the first
// ".". Both are 0 when the text has no digit on both sides of its first ".".
void SplitVersionText(std::string_view text, int& major, int& minor);
// major.minor as a number ("1.10" gives 1.1, since the minor is an integer);
// 0 when the text holds no version.
float GLVersionNumber(std::string_view text);

// Keep the rendered picture at the preview's aspect ratio: when the output
// image's "Width=" box holds an integer, the "Height=" box becomes it times
// the preview's height / width, rounded; and the inverse. Nothing when the
// box holds no integer or the preview has no size.
void RenderHeightFromWidth();
void RenderWidthFromHeight();
