// Turning the model's polylines into ribbons of triangles.
#pragma once

// Converts every polyline of at least two segments into a ribbon: two
// vertices, normals and UVs per point and two triangles per segment, in a
// new group "converted_lines". The half-width runs linearly along the
// polyline from `rootWidth` to `tipWidth`; `twist` (0..1) is how much each
// point's own side direction counts against the direction common to the
// first third of the polyline. With `createRootMaterial` the two triangles
// of every first segment take a new material "roots". The line segments
// stay in the model. Tables, counts and the preview are brought up to date
// afterwards and the result is logged.
//
// Every polyline is checked before anything is added: an index out of range
// raises ModelError and leaves the model unchanged.
void BuildRibbons(bool createRootMaterial, double rootWidth, double tipWidth, double twist);
