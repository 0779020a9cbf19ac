// Names shared by the POV-Ray material include, the POV-Ray geometry include
// and the Moray UDO file of one export run.
//
// Every identifier these files declare or name goes through the run's
// identifier registry (ExportRun::povIdentifiers), claimed in a fixed order
// so that each file of a run uses the same identifier for the same record,
// whichever files the run writes:
//   1. the scene object name (never changed: the scene file uses it as made)
//      and "mirelanlinegroup";
//   2. the material identifiers, every material in list order;
//   3. with "Simplify geometry to bounding boxes for each group" checked, the
//      identifiers of the visible groups in list order;
//   4. the mesh names, pass by pass (MeshPlan.h).
//   5. the names of the meshes' mesh2 inside the Moray wrapper, and the
//      "_opaque" part of each material with a transparency map, as written.
// Where cleaning makes two names equal, the later one gets "_" and a number;
// output without such a collision is unchanged. No identifier is longer than
// POV-Ray reads (PovIdentifierLimit): a longer one is cut, and numbered
// where the cut makes it equal to another.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "writers/Export.h"

// Claims steps 1 to 3 above once per run; later calls do nothing.
void PreparePovIdentifiers(ExportRun& run);

// MakeIdentifierPrefix of the material's name ("Skin" gives Skin_), unique
// in the run.
const std::string& PovMaterialId(ExportRun& run, int32_t material);
// The identifier of a group's bounding box, MakeIdentifierPrefix of its name.
const std::string& PovGroupId(ExportRun& run, int32_t group);
// An identifier that a writer derives from another one (the "_opaque" part
// of a material, the "MS" mesh of the Moray wrapper), unique in the run.
const std::string& PovDerivedId(ExportRun& run, std::string_view key, std::string_view wanted);

// The declaration name of the line cylinders.
inline constexpr std::string_view LineGroupName = "mirelanlinegroup";

// True when "Only export geometry and materials." is checked and the
// handedness list stands on "Left handed (POV-Ray default) Y up": the X of
// written vertices and normals then changes sign.
bool PovLeftHanded();
// "Show lines" is checked and the model has line segments.
bool PovWritesLines();
