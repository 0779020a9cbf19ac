#include "model/VectorMath.h"

#include <algorithm>
#include <cmath>

#include "model/Model.h"

double LightDistanceFactor = 2.0;

tvector NormalizeVector(const tvector& v) {
    const double l = VectorLength(v);
    if (l == 0) {
        // A vector so small that its squared length underflows: scale it up
        // before normalising so that it still has a direction.
        const double m = std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
        if (m == 0 || !std::isfinite(m)) return {0, 0, 0};
        return NormalizeVector(ScaleVector(v, 1.0 / m));
    }
    return ScaleVector(v, 1.0 / l);
}

double VectorAngle(const tvector& a, const tvector& b) {
    const double d = DotProduct(a, b);
    const double l = VectorLength(a) * VectorLength(b);
    if (l == 0) return 0;
    const double c = d / l;
    if (c > 1) return 0;
    if (c < -1) return Pi;
    return std::acos(c);
}

namespace {
const tvector& Pos(const std::vector<tvertex>& vertices, int32_t index) {
    return At(vertices, static_cast<int64_t>(index) - 1, "vertices").p;
}
}  // namespace

tvector FaceNormal(const tface& face, const std::vector<tvertex>& vertices) {
    const tvector& p1 = Pos(vertices, face.vertex[0]);
    const tvector& p2 = Pos(vertices, face.vertex[1]);
    const tvector& p3 = Pos(vertices, face.vertex[2]);
    return NormalizeVector(CrossProduct(SubtractVectors(p3, p2), SubtractVectors(p1, p2)));
}
tvector FaceNormal(const tface& face) { return FaceNormal(face, SceneVertices); }

double FaceArea(const tface& face, const std::vector<tvertex>& vertices) {
    const tvector& p1 = Pos(vertices, face.vertex[0]);
    const tvector& p2 = Pos(vertices, face.vertex[1]);
    const tvector& p3 = Pos(vertices, face.vertex[2]);
    return VectorLength(CrossProduct(SubtractVectors(p1, p2), SubtractVectors(p1, p3))) / 2.0;
}
double FaceArea(const tface& face) { return FaceArea(face, SceneVertices); }

double FaceCornerAngle(int corner, const tface& face, const std::vector<tvertex>& vertices) {
    const int i = std::clamp(corner, 1, 3) - 1;
    const tvector& p = Pos(vertices, face.vertex[i]);
    const tvector& a = Pos(vertices, face.vertex[(i + 1) % 3]);
    const tvector& b = Pos(vertices, face.vertex[(i + 2) % 3]);
    return VectorAngle(SubtractVectors(a, p), SubtractVectors(b, p));
}
double FaceCornerAngle(int corner, const tface& face) { return FaceCornerAngle(corner, face, SceneVertices); }

double LineLength(const tline& line) {
    return VectorLength(SubtractVectors(Pos(SceneVertices, line.vertex[1]), Pos(SceneVertices, line.vertex[0])));
}

tvector ScaleNormal(const tvector& scale, const tvector& normal) {
    if (VectorLength(scale) < Epsilon) return normal;
    if (scale.x == 0) return {1, 0, 0};
    if (scale.y == 0) return {0, 1, 0};
    if (scale.z == 0) return {0, 0, 1};
    return NormalizeVector({normal.x / scale.x, normal.y / scale.y, normal.z / scale.z});
}

tvector RotateAboutAxis(const tvector& p, const tvector& k, double angle) {
    const double kp = DotProduct(k, p);
    const tvector along = ScaleVector(k, kp);
    const double c = std::cos(angle), s = std::sin(angle);
    return AddVectors(AddVectors(along, ScaleVector(SubtractVectors(p, along), c)), ScaleVector(CrossProduct(k, p), s));
}

tvector DirectionToAngles(const tvector& d) {
    return {0, std::atan2(d.z, d.x), std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z))};
}

tvector DirectionToXYAngles(const tvector& d) {
    return {-std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)), std::atan2(d.x, d.z), 0};
}

void LightPositionFromAngles(const tvector& angles, tvector& position) {
    const double r = Scene.extents.diagonal * LightDistanceFactor;
    tvector p{0, 0, r};
    p = RotateAboutAxis(p, {1, 0, 0}, angles.x * DegToRad);
    p = RotateAboutAxis(p, {0, 1, 0}, angles.y * DegToRad);
    p = RotateAboutAxis(p, {0, 0, 1}, angles.z * DegToRad);
    position = AddVectors(p, Scene.extents.center);
}

void QuatIdentity(tquaternion& q) { q = {1, 0, 0, 0}; }

tquaternion QuatMultiply(const tquaternion& p, const tquaternion& q) {
    const tvector pv{p.x, p.y, p.z}, qv{q.x, q.y, q.z};
    const tvector v = AddVectors(AddVectors(ScaleVector(qv, p.w), ScaleVector(pv, q.w)), CrossProduct(pv, qv));
    return {p.w * q.w - DotProduct(pv, qv), v.x, v.y, v.z};
}

tquaternion QuatNormalize(const tquaternion& q) {
    const double l = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (l == 0 || !std::isfinite(l)) return {1, 0, 0, 0};
    return {q.w / l, q.x / l, q.y / l, q.z / l};
}

tquaternion QuatFromAxisAngle(const tvector& axis, double angle) {
    const tvector n = NormalizeVector(axis);
    const double s = std::sin(angle / 2);
    return QuatNormalize({std::cos(angle / 2), n.x * s, n.y * s, n.z * s});
}

void QuatToAxisAngle(const tquaternion& q, double& angle, tvector& axis) {
    // w may lie a rounding step outside [-1, 1] after many products.
    const double w = std::clamp(q.w, -1.0, 1.0);
    angle = 2 * std::acos(w);
    const double s = std::sin(angle / 2);
    if (angle == 0 || std::fabs(s) < Epsilon)
        axis = {0, 1, 0};
    else
        axis = {q.x / s, q.y / s, q.z / s};
}

void QuatToMatrix(const tquaternion& q, double m[16]) {
    const double w = q.w, x = q.x, y = q.y, z = q.z;
    for (int i = 0; i < 16; ++i) m[i] = 0;
    m[0] = 1 - 2 * (y * y + z * z);
    m[1] = 2 * (x * y - w * z);
    m[2] = 2 * (x * z + w * y);
    m[4] = 2 * (x * y + w * z);
    m[5] = 1 - 2 * (x * x + z * z);
    m[6] = 2 * (y * z - w * x);
    m[8] = 2 * (x * z - w * y);
    m[9] = 2 * (y * z + w * x);
    m[10] = 1 - 2 * (x * x + y * y);
    m[15] = 1;
}

void QuatToAngles(const tquaternion& q, double angles[3]) {
    double m[16];
    QuatToMatrix(q, m);
    if (std::fabs(m[9]) <= 1) angles[0] = std::asin(m[9]);
    angles[1] = m[10] == 0 ? 0 : std::atan2(-m[8], m[10]);
    angles[2] = m[1] == 0 ? 0 : -(std::atan2(-m[5], m[1]) + Pi / 2);
}

void ClearWordBit(uint16_t& w, int bit) {
    if (bit < 0 || bit > 15) return;
    w = static_cast<uint16_t>(w & ~(1u << bit));
}

bool WordBitSet(uint16_t w, int bit) {
    if (bit < 0 || bit > 15) return false;
    return (w >> bit) & 1u;
}

void ClearBit(uint32_t& x, int bit) {
    if (bit < 0 || bit > 31) return;
    x &= ~(1u << bit);
}

tlightcolorstats LightColorStats(const std::vector<tlight>& lights) {
    tlightcolorstats s;
    s.minimum = {1, 1, 1};
    s.maximum = {0, 0, 0};
    for (const tlight& l : lights) {
        const tvector c = ScaleVector(l.color, l.intensity);
        s.sum = AddVectors(s.sum, c);
        s.minimum = {std::min(s.minimum.x, c.x), std::min(s.minimum.y, c.y), std::min(s.minimum.z, c.z)};
        s.maximum = {std::max(s.maximum.x, c.x), std::max(s.maximum.y, c.y), std::max(s.maximum.z, c.z)};
    }
    if (lights.empty()) s.minimum = {0, 0, 0};
    s.luminance = ColorLuminance(s.sum);
    return s;
}
