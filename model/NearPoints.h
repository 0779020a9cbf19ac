// Closeness tests among the UVs or face normals of one vertex. A model may
// give one vertex any number of faces (the apex of a cone of thousands); a
// test of every pair would take time in the square of them. These give the
// same answers as the test of every pair, in about the time of sorting.
// And the keys of the grid cells by which closeness tests (these, the weld)
// file what they compare, which the readers' lookup of equal materials also
// takes for the key of values bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Types.h"

// The key of a grid cell of a closeness test, its whole-number coordinates
// mixed in one after the other: MixCellKey(MixCellKey(0, z), y), ... Two
// cells that happen to share a key only share a bucket, which adds
// candidates for the test of distance to decide.
inline uint64_t MixCellKey(uint64_t key, int64_t coordinate) {
    uint64_t x = key + static_cast<uint64_t>(coordinate) + 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}
inline uint64_t CellKey(int64_t x, int64_t y, int64_t z) { return MixCellKey(MixCellKey(MixCellKey(0, z), y), x); }

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
