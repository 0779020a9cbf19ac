// Measures of the model: the bounding box of what is shown, texture
// coordinate range, face areas, the statistics report, per-group boxes and
// colours, the DXF colour palette and power-of-two rounding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Scene.h"
#include "model/Types.h"

// The step by which the "+" and "-" buttons beside the light position boxes
// change a coordinate: a hundredth of the model diagonal, rounded to one
// significant digit by the last `ComputeExtents`.
extern double PositionStep;

// Bounding box, size, centre and diagonal of the faces and lines that are
// shown (visible group, selected material), the UV range of the shown faces,
// the face areas and the subdivision-face count, into `extents` and the
// scene record. When nothing is shown the extents get the start values of
// the scene record and "<!>No visible geometry" is logged.
void ComputeExtents(textents& extents);
inline void ComputeExtents() { ComputeExtents(Scene.extents); }

// The boxes of the groups' faces as `ComputeGroupExtents` finds them, kept
// for later while the vertices and faces do not change.
struct tgroupboxes {
    std::vector<tvector> minimum, maximum;
    std::vector<uint8_t> any;  // the group has faces
    std::size_t vertexCount = 0, faceCount = 0;
};

// The measure of a load: `ComputeExtents`, measuring in the same pass over
// the faces the boxes of the groups into `boxes`, but leaving the vertex
// table to the first tool that needs it (a model of millions of faces
// carries none it does not use).
void ComputeExtents(textents& extents, tgroupboxes& boxes);

// While a scope of this kind lives, `ModelStatistics` takes the measures
// that the last `ComputeExtents` wrote into the scene record as they are,
// instead of measuring the model again, as long as nothing they depend on
// has changed since: the faces, vertices, UVs and lines, which groups are
// visible and which materials selected. For a command that measures and
// then shows the statistics, with only such changes between.
class KeepMeasures {
public:
    KeepMeasures();
    ~KeepMeasures();
    KeepMeasures(const KeepMeasures&) = delete;
    KeepMeasures& operator=(const KeepMeasures&) = delete;
};

// Sum, smallest and largest `FaceArea` over all faces; smallest starts at
// 1e21 and largest at -1e21.
void FaceAreaStats(double& total, double& smallest, double& largest);

// Measures the scene record as `ComputeExtents` does (without building the
// vertex table) and appends the report lines of the "Geometry" page.
void ModelStatistics(std::vector<std::string>& lines);

// The memory the geometry records take, in bytes.
int64_t GeometryByteSize();

// Per group: the bounding box of its faces (a group without faces keeps its
// box) and a new random colour for every group. One pass over the faces.
void ComputeGroupExtents();
// The same with boxes measured by `ComputeExtents` since the last change of
// the vertices and faces (they are measured again when the counts of the
// lists say otherwise).
void ComputeGroupExtents(const tgroupboxes& boxes);

// The AutoCAD colour index palette scaled to 0..1; an index outside 0..255
// gives entry 7 (white).
tvector DXFColorToVector(int32_t index);

// n when n is a power of two, otherwise the largest power of two below n;
// 0 for n below 1.
int32_t FloorPowerOfTwo(int32_t n);
