// The import merge: the records a reader left in the import lists move into
// the scene lists, with their indices shifted past what the scene holds.
#pragma once

#include "model/Types.h"

// Moves the import records into the scene lists and empties the import
// lists.
//  - Each import vertex is moved by `move`, turned about Y by rotation.y,
//    then about X by rotation.x, then about Z by rotation.z (radians), then
//    scaled componentwise by `scale`.
//  - Normals and UVs are appended unchanged.
//  - A material or group whose name a scene record (or one merged before it)
//    already has gets "_" + the smallest free number; names stay within 255.
//  - Face indices are shifted past the scene's vertices, normals, UVs,
//    groups and materials. An import-local vertex, normal or UV index that
//    lies outside the import list becomes 0 (none), so that the repair after
//    the load treats it like any bad index instead of pointing it at a
//    record of an earlier file.
//  - Line segments appended since the last merge (from `LinesMergedCount` on)
//    carry import-local indices and are shifted the same way. Polylines
//    appended since the last merge (from `PolylinesMergedCount` on) already
//    refer to `LineSegments` by position and keep their runs. Both
//    watermarks then move to the end of their lists.
// A face or line whose group or material is not an import record, or a new
// polyline whose run leaves `LineSegments`, raises ModelError before anything
// is changed; the import is discarded (`DiscardImport`) and the scene stays
// as it was.
void MergeImportIntoScene(const tvector& move, const tvector& rotation, const tvector& scale);

// Drops what a reader left behind after a failed read: empties the import
// lists and removes the line segments and polylines appended since the last
// merge.
void DiscardImport();
