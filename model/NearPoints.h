// Closeness tests among the UVs or face normals of one vertex. A model may
// give one vertex any number of faces (the apex of a cone of thousands); a
// test of every pair would take time in the square of them. These give the
// same answers as the test of every pair, in about the time of sorting.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Types.h"

// True when two of the points lie within the tolerance of each other in
// both coordinates: |a.a - b.a| < tolerance and |a.b - b.b| < tolerance.
// The points are reordered, and those with a coordinate that is not finite
// (within no tolerance of anything) may be dropped.
bool AnyTwoWithin(std::vector<tvector2>& points, double tolerance);

// The normals in their order that no earlier kept normal repeats: keep[i]
// is 1 unless some kept normal before it has a dot product with it above
// 1 - Epsilon. So each normal, unless an earlier kept one repeats it, puts
// out of the count every other normal that repeats it.
void KeepFirstOfRepeatedNormals(const std::vector<tvector>& normals, std::vector<uint8_t>& keep);
