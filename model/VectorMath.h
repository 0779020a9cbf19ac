// Vector, quaternion and rotation maths of the model. Everything is passed
// and returned by value; nothing allocates.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Records.h"
#include "model/Types.h"

inline constexpr double Pi = 3.14159265358979323846;
inline constexpr double DegToRad = Pi / 180.0;
inline constexpr double RadToDeg = 57.29577951308232;

// Read by `LightPositionFromAngles`; a caller may change it around a call.
extern double LightDistanceFactor;

inline tvector MakeVector(double x, double y, double z) { return {x, y, z}; }
inline tvector2 MakeVector2(double a, double b) { return {a, b}; }
inline tindextriple MakeIndexTriple(int32_t a, int32_t b, int32_t c) { return {a, b, c}; }
inline void SwapDoubles(double& a, double& b) {
    const double t = a;
    a = b;
    b = t;
}
inline void SwapIntegers(int32_t& a, int32_t& b) {
    const int32_t t = a;
    a = b;
    b = t;
}
inline tvector AddVectors(const tvector& a, const tvector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline tvector SubtractVectors(const tvector& a, const tvector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline tvector2 AddVectors2(const tvector2& a, const tvector2& b) { return {a.a + b.a, a.b + b.b}; }
inline tvector ScaleVector(const tvector& v, double f) { return {v.x * f, v.y * f, v.z * f}; }
inline tvector2 ScaleVector2(const tvector2& v, double f) { return {v.a * f, v.b * f}; }
inline tvector MultiplyVectors(const tvector& a, const tvector& b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline double DotProduct(const tvector& a, const tvector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline tvector CrossProduct(const tvector& a, const tvector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double VectorLength(const tvector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
// The zero vector only when the length is exactly 0.
tvector NormalizeVector(const tvector& v);

// Angle between two vectors in radians; 0 when either is zero.
double VectorAngle(const tvector& a, const tvector& b);

// Face measures read the positions from `vertices` (1-based indices in the
// face); by default the scene's vertices.
tvector FaceNormal(const tface& face);
tvector FaceNormal(const tface& face, const std::vector<tvertex>& vertices);
double FaceArea(const tface& face);
double FaceArea(const tface& face, const std::vector<tvertex>& vertices);
// corner: 1..3
double FaceCornerAngle(int corner, const tface& face);
double FaceCornerAngle(int corner, const tface& face, const std::vector<tvertex>& vertices);
double LineLength(const tline& line);

// Direction of a normal after the geometry was scaled per axis.
tvector ScaleNormal(const tvector& scale, const tvector& normal);
// Rotation about the unit axis k through the origin (radians).
tvector RotateAboutAxis(const tvector& p, const tvector& k, double angle);
tvector DirectionToAngles(const tvector& d);
tvector DirectionToXYAngles(const tvector& d);
// Places a light on a sphere about the model; angles in degrees.
void LightPositionFromAngles(const tvector& angles, tvector& position);

void QuatIdentity(tquaternion& q);
tquaternion QuatMultiply(const tquaternion& p, const tquaternion& q);
tquaternion QuatNormalize(const tquaternion& q);
tquaternion QuatFromAxisAngle(const tvector& axis, double angle);
void QuatToAxisAngle(const tquaternion& q, double& angle, tvector& axis);
void QuatToMatrix(const tquaternion& q, double m[16]);
void QuatToAngles(const tquaternion& q, double angles[3]);

// Bit helpers of the LightWave reader; bits outside the word change nothing.
void ClearWordBit(uint16_t& w, int bit);
bool WordBitSet(uint16_t w, int bit);
void ClearBit(uint32_t& x, int bit);

// 0.3 r + 0.59 g + 0.11 b of a colour with components in 0..1.
inline double ColorLuminance(const tvector& c) { return 0.3 * c.x + 0.59 * c.y + 0.11 * c.z; }

// Over all lights: the sum, componentwise minimum and maximum of
// colour x intensity, and the luminance of the sum.
struct tlightcolorstats {
    tvector sum{0, 0, 0};
    tvector minimum{0, 0, 0};
    tvector maximum{0, 0, 0};
    double luminance = 0;
};
tlightcolorstats LightColorStats(const std::vector<tlight>& lights);
