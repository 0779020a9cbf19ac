#include "model/Triangulate.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "model/VectorMath.h"

namespace {

struct P2 {
    double x, y;
};

// A polygon whose corners use vertices 1..n in order, with normal index
// 100 + corner and UV index 200 + corner so that copies can be traced.
struct Shape {
    std::vector<P2> flat;           // the outline in its own plane
    std::vector<tvertex> vertices;  // the positions handed to the triangulator
    tpolygon polygon;
};

// The plane of the outline is mapped by `frame`: origin, then the 3D images
// of the outline's x and y axes.
Shape MakeShape(const std::vector<P2>& pts, const tvector& origin = {0, 0, 0}, const tvector& ux = {1, 0, 0},
                const tvector& uy = {0, 1, 0}) {
    Shape s;
    s.flat = pts;
    for (size_t i = 0; i < pts.size(); ++i) {
        tvertex v;
        v.p = AddVectors(origin, AddVectors(ScaleVector(ux, pts[i].x), ScaleVector(uy, pts[i].y)));
        s.vertices.push_back(v);
        const int c = static_cast<int>(i) + 1;
        s.polygon.AddCorner(c, 100 + c, 200 + c);
    }
    s.polygon.material = 7;
    s.polygon.group = 3;
    s.polygon.polygon = 42;
    return s;
}

std::vector<tindextriple> Corners(const tfacearray& t) {
    std::vector<tindextriple> r;
    for (const tfacetriangle& f : t) r.push_back({f.vertex[0], f.vertex[1], f.vertex[2]});
    return r;
}

double Cross(const P2& o, const P2& a, const P2& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

double SignedArea(const std::vector<P2>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const P2& u = p[i];
        const P2& v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

// Even-odd rule.
bool Inside(const std::vector<P2>& poly, const P2& q) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const P2& a = poly[i];
        const P2& b = poly[j];
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

// The open segments cross at one point inside both.
bool ProperCross(const P2& a, const P2& b, const P2& c, const P2& d) {
    const double d1 = Cross(a, b, c), d2 = Cross(a, b, d), d3 = Cross(c, d, a), d4 = Cross(c, d, b);
    const double eps = 1e-12;
    return ((d1 > eps && d2 < -eps) || (d1 < -eps && d2 > eps)) && ((d3 > eps && d4 < -eps) || (d3 < -eps && d4 > eps));
}

// The triangles tile the outline: no more than n - 2 of them, each with the
// polygon's orientation (or of no area), each inside the polygon, and
// together exactly its area (so none overlap).
void ExpectTiles(const Shape& s, const tfacearray& tris) {
    const std::vector<P2>& poly = s.flat;
    const int n = static_cast<int>(poly.size());
    ASSERT_LE(static_cast<int>(tris.size()), n - 2);
    const double area = SignedArea(poly);
    const double sign = area > 0 ? 1 : -1;
    double sum = 0, signedSum = 0;
    for (size_t t = 0; t < tris.size(); ++t) {
        const tfacetriangle& f = tris[t];
        P2 c[3];
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(f.vertex[k], 1);
            ASSERT_LE(f.vertex[k], n);
            c[k] = poly[f.vertex[k] - 1];
        }
        const double a = Cross(c[0], c[1], c[2]) / 2;
        sum += std::fabs(a);
        signedSum += a;
        if (std::fabs(a) <= 1e-12 * std::fabs(area)) continue;
        EXPECT_GT(a * sign, 0) << "triangle " << t << " turns against the polygon";
        const P2 centre{(c[0].x + c[1].x + c[2].x) / 3, (c[0].y + c[1].y + c[2].y) / 3};
        EXPECT_TRUE(Inside(poly, centre)) << "triangle " << t << " lies outside";
        for (int k = 0; k < 3 && n <= 200; ++k) {  // the crossing test below covers big outlines
            const P2 q{0.98 * c[k].x + 0.01 * (c[(k + 1) % 3].x + c[(k + 2) % 3].x),
                       0.98 * c[k].y + 0.01 * (c[(k + 1) % 3].y + c[(k + 2) % 3].y)};
            EXPECT_TRUE(Inside(poly, q)) << "triangle " << t << " corner " << k << " pokes outside";
        }
        int crossed = -1;
        for (int k = 0; k < 3 && crossed < 0; ++k)
            for (int e = 0; e < n && crossed < 0; ++e)
                if (ProperCross(c[k], c[(k + 1) % 3], poly[e], poly[(e + 1) % n])) crossed = e;
        EXPECT_EQ(crossed, -1) << "triangle " << t << " crosses side " << crossed + 1;
    }
    EXPECT_NEAR(sum, std::fabs(area), 1e-9 * std::fabs(area)) << "triangles do not cover the area exactly";
    EXPECT_NEAR(signedSum, area, 1e-9 * std::fabs(area));
}

// ---- Outlines (counter-clockwise unless said otherwise) ------------------

std::vector<P2> Regular(int n, double r = 1, double phase = 0.1) {
    std::vector<P2> p;
    for (int i = 0; i < n; ++i) {
        const double a = phase + 2 * Pi * i / n;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

std::vector<P2> Star(int points, double inner = 0.35) {
    std::vector<P2> p;
    for (int i = 0; i < 2 * points; ++i) {
        const double a = Pi * i / points;
        const double r = i % 2 ? inner : 1.0;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

std::vector<P2> LShape() { return {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}; }

// A bar along y = 0..1 with `teeth` teeth hanging down to y = -5 (the
// first from x = 1 to 2); 4 corners per tooth plus 2 for the bar's top.
std::vector<P2> Comb(int teeth) {
    std::vector<P2> p;
    for (int i = 0; i < teeth; ++i) {
        const double x = 2.0 * i;
        p.push_back({x, 0});
        p.push_back({x + 1, 0});
        p.push_back({x + 1, -5});
        p.push_back({x + 2, -5});
    }
    p.push_back({2.0 * teeth, 1});
    p.push_back({0, 1});
    return p;
}

// A thick spiral arm: its ears are few and far apart.
std::vector<P2> Spiral(int cornersPerSide, double turns = 3) {
    std::vector<P2> outer, inner;
    for (int i = 0; i < cornersPerSide; ++i) {
        const double t = turns * 2 * Pi * i / (cornersPerSide - 1);
        const double r = 1 + t;
        outer.push_back({r * std::cos(t), r * std::sin(t)});
        inner.push_back({(r + 2.5) * std::cos(t), (r + 2.5) * std::sin(t)});
    }
    std::vector<P2> p(outer.rbegin(), outer.rend());
    p.insert(p.end(), inner.begin(), inner.end());
    if (SignedArea(p) < 0) std::reverse(p.begin(), p.end());
    return p;
}

// Two squares that touch at one corner: the shared position is corner 3 and
// corner 7.
std::vector<P2> TouchingSquares() { return {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}, {0, 1}}; }

// A square with a square hole, joined by a cut walked both ways.
std::vector<P2> Keyhole() {
    return {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {1, 1}, {1, 3}, {3, 3}, {3, 1}, {1, 1}};
}

// A square whose notch reaches down to touch its bottom side at (2, 0).
std::vector<P2> NotchTouchingSide() { return {{0, 0}, {4, 0}, {4, 4}, {3, 4}, {2, 0}, {1, 4}, {0, 4}}; }

// A square with extra corners on straight runs of its sides.
std::vector<P2> SquareWithStraightCorners() {
    return {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1.5}, {3, 3}, {1.5, 3}, {0, 3}, {0, 2}, {0, 1}};
}

// Every side cut into `parts` pieces: more corners, all on straight runs.
// A side walked both ways gets the very same points both times.
std::vector<P2> Subdivided(const std::vector<P2>& p, int parts) {
    std::vector<P2> r;
    for (size_t i = 0; i < p.size(); ++i) {
        const P2 &a = p[i], &b = p[(i + 1) % p.size()];
        const bool forward = a.x < b.x || (a.x == b.x && a.y < b.y);
        const P2 &from = forward ? a : b, &to = forward ? b : a;
        r.push_back(a);
        for (int k = 1; k < parts; ++k) {
            const int j = forward ? k : parts - k;
            r.push_back({from.x + (to.x - from.x) * j / parts, from.y + (to.y - from.y) * j / parts});
        }
    }
    return r;
}

std::vector<P2> Reversed(std::vector<P2> p) {
    std::reverse(p.begin(), p.end());
    return p;
}

tfacearray Tri(const Shape& s, int method) {
    tfacearray t;
    EXPECT_EQ(TriangulatePolygon(s.polygon, t, method, s.vertices), TriangulateStatus::Done);
    return t;
}

// ---- Shapes that both methods must tile ---------------------------------

class TriangulateBothMethods : public ::testing::TestWithParam<int> {};

TEST_P(TriangulateBothMethods, TilesConvexConcaveAndDegenerateOutlines) {
    const int method = GetParam();
    const struct {
        const char* name;
        std::vector<P2> outline;
        bool allTriangles;  // n - 2 triangles expected
    } cases[] = {
        {"hexagon", Regular(6), true},
        {"clockwise octagon", Reversed(Regular(8)), true},
        {"L", LShape(), true},
        {"clockwise L", Reversed(LShape()), true},
        {"star", Star(5), true},
        {"star of 12", Star(12, 0.2), true},
        {"comb", Comb(6), true},
        {"spiral", Spiral(40), true},
        {"touching squares", TouchingSquares(), false},
        {"keyhole", Keyhole(), false},
        {"notch touching a side", NotchTouchingSide(), false},
        {"straight-run corners", SquareWithStraightCorners(), false},
        {"touching squares, sides in 3", Subdivided(TouchingSquares(), 3), false},
        {"keyhole, sides in 3", Subdivided(Keyhole(), 3), false},
        {"notch touching a side, sides in 4", Subdivided(NotchTouchingSide(), 4), false},
    };
    for (const auto& c : cases) {
        // Every corner in turn is corner 1.
        const size_t n = c.outline.size();
        for (size_t r = 0; r < n; ++r) {
            SCOPED_TRACE(::testing::Message() << c.name << " starting at corner " << r + 1);
            std::vector<P2> o(c.outline.begin() + r, c.outline.end());
            o.insert(o.end(), c.outline.begin(), c.outline.begin() + r);
            const Shape s = MakeShape(o);
            const tfacearray t = Tri(s, method);
            ASSERT_FALSE(t.empty());
            if (c.allTriangles) {
                EXPECT_EQ(t.size(), n - 2);
            }
            ExpectTiles(s, t);
            if (HasFailure()) return;
        }
    }
}

TEST_P(TriangulateBothMethods, TiltedPlaneAndFarFromOrigin) {
    // The same outlines in a plane tilted about an odd axis, far from the
    // origin: the triangles are the same as in the flat case.
    const tvector ux = NormalizeVector({0.6, -0.3, 0.74});
    const tvector uy = NormalizeVector(CrossProduct(NormalizeVector({0.2, 0.9, 0.1}), ux));
    const tvector origin{1500, -270, 40};
    for (const auto& outline : {LShape(), Star(7), Comb(5), Spiral(30)}) {
        const Shape tilted = MakeShape(outline, origin, ux, uy);
        const tfacearray t = Tri(tilted, GetParam());
        ExpectTiles(tilted, t);
        EXPECT_EQ(t.size(), outline.size() - 2);
    }
}

TEST_P(TriangulateBothMethods, NonPlanarPolygon) {
    // A star whose corners go up and down: every triangle must still face
    // the way of the polygon's mean plane, and seen along that normal the
    // triangles tile the outline.
    std::vector<P2> outline = Star(6);
    Shape s = MakeShape(outline);
    for (size_t i = 0; i < s.vertices.size(); ++i) s.vertices[i].p.z = 0.15 * std::sin(1.7 * i);
    const tvector n = PolygonNormal(s.polygon, s.vertices);
    ASSERT_GT(n.z, 0.9);
    const tfacearray t = Tri(s, GetParam());
    EXPECT_EQ(t.size(), outline.size() - 2);
    ExpectTiles(s, t);  // the outline here is the projection along z
}

TEST_P(TriangulateBothMethods, TwoThousandCorners) {
    // 499 teeth give 1998 corners; a tessellator emits separate triangles
    // for a comb, three corners each, far more than 2000 corners in all.
    for (const auto& outline : {Comb(499), Spiral(1000, 4), Star(1000, 0.5)}) {
        const Shape s = MakeShape(outline);
        const tfacearray t = Tri(s, GetParam());
        EXPECT_EQ(t.size(), outline.size() - 2);
        ExpectTiles(s, t);
    }
}

TEST_P(TriangulateBothMethods, CopiesIndicesAndRecordFields) {
    const Shape s = MakeShape(Star(4));
    const tfacearray t = Tri(s, GetParam());
    ASSERT_EQ(t.size(), 6u);
    for (const tfacetriangle& f : t) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(f.normal[k], 100 + f.vertex[k]);
            EXPECT_EQ(f.uv[k], 200 + f.vertex[k]);
        }
        EXPECT_EQ(f.material, 7);
        EXPECT_EQ(f.group, 3);
        EXPECT_EQ(f.polygon, 42);
        EXPECT_EQ(f.extra, 0);
    }
}

TEST_P(TriangulateBothMethods, ConcaveQuad) {
    // Each corner in turn is the concave one.
    const std::vector<P2> arrow = {{0, 0}, {1, 0.4}, {2, 0}, {1, 2}};
    for (int r = 0; r < 4; ++r) {
        std::vector<P2> o;
        for (int i = 0; i < 4; ++i) o.push_back(arrow[(i + 4 - r) % 4]);
        SCOPED_TRACE(::testing::Message() << "concave corner " << r + 2);
        const Shape s = MakeShape(o);
        const tfacearray t = Tri(s, GetParam());
        ASSERT_EQ(t.size(), 2u);
        ExpectTiles(s, t);
    }
}

TEST_P(TriangulateBothMethods, TriangleAndCornerCountLimits) {
    const Shape tri = MakeShape({{0, 0}, {1, 0}, {0, 1}});
    const tfacearray t = Tri(tri, GetParam());
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(Corners(t)[0], (tindextriple{1, 2, 3}));
    EXPECT_EQ(t[0].normal[2], 103);

    Shape two = MakeShape({{0, 0}, {1, 0}});
    EXPECT_TRUE(Tri(two, GetParam()).empty());
    two.polygon.count = -5;
    EXPECT_TRUE(Tri(two, GetParam()).empty());

    Shape big = MakeShape(Regular(MaxPolygonCorners));
    EXPECT_FALSE(big.polygon.AddCorner(1));
    EXPECT_EQ(big.polygon.count, MaxPolygonCorners);
    big.polygon.count = MaxPolygonCorners + 1;  // never read past the arrays
    EXPECT_TRUE(Tri(big, GetParam()).empty());
}

TEST_P(TriangulateBothMethods, RefusesCornerIndicesOutsideTheVertexList) {
    for (const int bad : {0, -1, 9, 1 << 30}) {
        for (const int n : {3, 4, 6}) {
            Shape s = MakeShape(Regular(8));
            s.polygon.count = n;
            s.polygon.vertex[n - 1] = bad;
            tfacearray t(5);  // earlier content is dropped
            EXPECT_EQ(TriangulatePolygon(s.polygon, t, GetParam(), s.vertices), TriangulateStatus::BadCornerIndex)
                << bad << " " << n;
            EXPECT_TRUE(t.empty());
        }
    }
}

TEST_P(TriangulateBothMethods, DegenerateInputEndsWithADefinedResult) {
    // Five collinear corners, five corners on two points, five equal ones:
    // nothing.
    for (const auto& o : std::vector<std::vector<P2>>{{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}},
                                                      {{0, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 0}},
                                                      {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}},
                                                      {{0, 0}, {2, 0}, {4, 0}, {2, 0}, {1, 0}, {3, 0}}}) {
        EXPECT_TRUE(Tri(MakeShape(o), GetParam()).empty());
    }
    // A NaN or an infinite position: nothing, for quads too.
    for (const double bad : {std::nan(""), HUGE_VAL}) {
        for (const int n : {4, 7}) {
            Shape s = MakeShape(Regular(n));
            s.vertices[1].p.y = bad;
            EXPECT_TRUE(Tri(s, GetParam()).empty());
        }
    }
    // Coordinates whose products overflow: no hang, no crash, at most n - 2.
    Shape huge = MakeShape(Star(5));
    for (tvertex& v : huge.vertices) v.p = ScaleVector(v.p, 1e200);
    EXPECT_LE(Tri(huge, GetParam()).size(), 8u);
    // Repeated corners of a square: the square's area.
    const Shape dup = MakeShape({{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 1}});
    ExpectTiles(dup, Tri(dup, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Methods, TriangulateBothMethods, ::testing::Values(TriangulateOpenGL, TriangulateEarCut),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return i.param == TriangulateOpenGL ? std::string("OpenGL") : std::string("EarCutting");
                         });

// ---- Mode choice ---------------------------------------------------------

TEST(TriangulateModes, AutomaticFallsBackToEarCuttingWhenGLUGivesNothing) {
    // A contour that crosses itself needs intersection vertices, which the
    // tessellator is not allowed to make.
    const Shape s = MakeShape({{0, 0}, {4, 0}, {4, 4}, {2.5, 4}, {1, 5}, {3, 5}, {1.5, 4}, {0, 4}});
    EXPECT_TRUE(Tri(s, TriangulateOpenGL).empty());
    const tfacearray ear = Tri(s, TriangulateEarCut);
    ASSERT_FALSE(ear.empty());
    EXPECT_EQ(Corners(Tri(s, TriangulateAutomatic)), Corners(ear));

    // A polygon the tessellator handles is not ear-cut.
    const Shape l = MakeShape(LShape());
    EXPECT_EQ(Corners(Tri(l, TriangulateAutomatic)), Corners(Tri(l, TriangulateOpenGL)));
}

TEST(TriangulateModes, LargeOutlineCrossingItselfEverywhere) {
    // The tessellator gives nothing (and is not left to sweep through
    // every crossing); "Automatic" ear-cuts what it can, and stops.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<P2> o;
    for (int i = 0; i < MaxPolygonCorners; ++i) o.push_back({u(rng), u(rng)});
    const Shape s = MakeShape(o, {0, 0, 0}, NormalizeVector({1, 0, 1}), {0, 1, 0});
    EXPECT_TRUE(Tri(s, TriangulateOpenGL).empty());
    const tfacearray ear = Tri(s, TriangulateEarCut);
    EXPECT_LT(ear.size(), o.size() - 2);
    EXPECT_EQ(Corners(Tri(s, TriangulateAutomatic)), Corners(ear));
}

TEST(TriangulateModes, UnknownMethodGivesNothing) {
    const Shape s = MakeShape(LShape());
    tfacearray t(3);
    EXPECT_EQ(TriangulatePolygon(s.polygon, t, 3, s.vertices), TriangulateStatus::UnknownMethod);
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(TriangulatePolygon(s.polygon, t, -1, s.vertices), TriangulateStatus::UnknownMethod);
}

// ---- The quad rule -------------------------------------------------------

TEST(TriangulateQuads, FlatFoldedAndConcave) {
    const Shape flat = MakeShape({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(Corners(Tri(flat, TriangulateEarCut)), (std::vector<tindextriple>{{4, 1, 2}, {2, 3, 4}}));

    // Corners 2 and 4 above the line 1-3: folded along 1-3.
    Shape folded = MakeShape({{-2, 0}, {0, -1}, {2, 0}, {0, 1}});
    folded.vertices[1].p.z = folded.vertices[3].p.z = 1;
    EXPECT_EQ(Corners(Tri(folded, TriangulateEarCut)), (std::vector<tindextriple>{{1, 2, 3}, {3, 4, 1}}));
    // ... and along 2-4 when 1 and 3 are raised instead.
    Shape folded24 = MakeShape({{0, -1}, {2, 0}, {0, 1}, {-2, 0}});
    folded24.vertices[0].p.z = folded24.vertices[2].p.z = 1;
    EXPECT_EQ(Corners(Tri(folded24, TriangulateEarCut)), (std::vector<tindextriple>{{4, 1, 2}, {2, 3, 4}}));

    // Concave at corner 2: the corner normals of 1 and 3 agree, yet the cut
    // must run through corner 2.
    const Shape arrow = MakeShape({{0, 0}, {1, 0.4}, {2, 0}, {1, 2}});
    EXPECT_EQ(Corners(Tri(arrow, TriangulateEarCut)), (std::vector<tindextriple>{{4, 1, 2}, {2, 3, 4}}));
    const Shape arrow3 = MakeShape({{1, 2}, {0, 0}, {1, 0.4}, {2, 0}});  // concave at 3
    EXPECT_EQ(Corners(Tri(arrow3, TriangulateEarCut)), (std::vector<tindextriple>{{1, 2, 3}, {3, 4, 1}}));
    const Shape clockwise = MakeShape({{2, 0}, {1, 0.4}, {0, 0}, {1, 2}});  // concave at 2
    EXPECT_EQ(Corners(Tri(clockwise, TriangulateEarCut)), (std::vector<tindextriple>{{4, 1, 2}, {2, 3, 4}}));

    // A degenerate quad is still split in two.
    EXPECT_EQ(Tri(MakeShape({{0, 0}, {1, 0}, {2, 0}, {3, 0}}), TriangulateEarCut).size(), 2u);
}

// ---- Ear cutting details --------------------------------------------------

TEST(TriangulateEarCutting, StraightRunCornerIsNeverAnEarTip) {
    // Corner 2 sits on the straight run 1-3 and is the widest corner, where
    // the walk starts. It is never cut between 1 and 3; no triangle is flat.
    const Shape s = MakeShape({{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 2}, {0, 1}});
    const tfacearray t = Tri(s, TriangulateEarCut);
    EXPECT_EQ(t.size(), 4u);
    ExpectTiles(s, t);
    for (const tindextriple& c : Corners(t)) {
        EXPECT_FALSE(c.a == 1 && c.b == 2 && c.c == 3);
        const P2 &a = s.flat[c.a - 1], &b = s.flat[c.b - 1], &d = s.flat[c.c - 1];
        EXPECT_GT(Cross(a, b, d), 0.1);
    }
}

TEST(TriangulateEarCutting, CornerOnASideBlocksARepeatedPositionDoesNot) {
    // The walk starts at the widest corner, 2. Corner 5 lies exactly on the
    // side 1-3 of its candidate (1, 2, 3), which blocks it: the first ear
    // is corner 3.
    const Shape onSide = MakeShape({{0, 0}, {4, -1}, {8, 0}, {8, 3}, {4, 0}, {0, 3}});
    double w[3];
    BarycentricCoords({4, 0, 0}, {0, 0, 0}, {4, -1, 0}, {8, 0, 0}, w);
    EXPECT_EQ(w[1], 0);
    tfacearray t = Tri(onSide, TriangulateEarCut);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(Corners(t)[0], (tindextriple{2, 3, 4}));
    ExpectTiles(onSide, t);

    // Here corner 5 repeats the position of corner 3, a corner of the
    // candidate: no block, the first ear is corner 2.
    const Shape repeated = MakeShape({{0, 0}, {4, -1}, {8, 0}, {10, -2}, {8, 0}, {8, 3}, {0, 3}});
    t = Tri(repeated, TriangulateEarCut);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(Corners(t)[0], (tindextriple{1, 2, 3}));
}

TEST(TriangulateEarCutting, BarycentricCoords) {
    double w[3];
    BarycentricCoords({1, 1, 5}, {0, 0, 0}, {4, 0, 0}, {0, 4, 0}, w);  // off the plane: its projection
    EXPECT_NEAR(w[0], 0.5, 1e-15);
    EXPECT_NEAR(w[1], 0.25, 1e-15);
    EXPECT_NEAR(w[2], 0.25, 1e-15);
    BarycentricCoords({1, 1, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, w);  // degenerate
    EXPECT_EQ(w[0], 0.3);
    EXPECT_EQ(w[1], 0.3);
    EXPECT_EQ(w[2], 0.4);
    BarycentricCoords({1e300, 0, 0}, {0, 0, 0}, {1e-300, 0, 0}, {0, 1e-300, 0}, w);  // overflow
    EXPECT_EQ(w[0], 0.3);
}

TEST(TriangulateEarCutting, GeometryHelpers) {
    const Shape s = MakeShape({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
    const tvector n = PolygonNormal(s.polygon, s.vertices);
    EXPECT_NEAR(n.z, 1, 1e-15);
    EXPECT_NEAR(PolygonCornerNormal(1, s.polygon, s.vertices).z, 1, 1e-15);
    EXPECT_NEAR(PolygonCornerNormal(4, s.polygon, s.vertices).z, -1, 1e-15);  // the concave corner
    EXPECT_NEAR(PolygonCornerAngle(2, s.polygon, s.vertices), Pi / 2, 1e-15);
    const Shape straight = MakeShape({{0, 0}, {1, 0}, {2, 0}, {1, 1}});
    EXPECT_NEAR(PolygonCornerAngle(2, straight.polygon, straight.vertices), Pi, 1e-15);
    Shape bad = s;
    bad.polygon.vertex[2] = 77;
    EXPECT_THROW(PolygonNormal(bad.polygon, bad.vertices), ModelError);
}

// A plain transcription of the ear cutting walk: every step tests every
// remaining corner afresh. The fast version must give the same triangles.
struct ReferenceCounts {
    int spikesDropped = 0;
    int tipCopyBlocks = 0;
};

std::vector<tindextriple> ReferenceEarCut(const std::vector<tvertex>& vertices, const tpolygon& poly,
                                         ReferenceCounts& counts) {
    const int n = poly.count;
    std::vector<tindextriple> tris;
    auto pos = [&](int corner) { return vertices[poly.vertex[corner - 1] - 1].p; };
    const tvector normal = PolygonNormal(poly, vertices);
    std::vector<int> ring;  // corner numbers
    for (int i = 1; i <= n; ++i) ring.push_back(i);
    auto convex = [&](const tvector& a, const tvector& b, const tvector& c) {
        const tvector t = NormalizeVector(
            CrossProduct(NormalizeVector(SubtractVectors(b, a)), NormalizeVector(SubtractVectors(c, b))));
        return !(DotProduct(t, normal) <= 1e-10);
    };
    int s = 1;  // ring position, 1-based
    // Spike tips (both neighbours at one position) leave the ring; a removal
    // queues the two neighbours, checked last in first out.
    std::vector<int> checks;
    auto dropSpikes = [&] {
        while (!checks.empty()) {
            const int v = checks.back();
            checks.pop_back();
            const int len = static_cast<int>(ring.size());
            if (len <= 3) continue;
            const auto it = std::find(ring.begin(), ring.end(), v);
            if (it == ring.end()) continue;
            const int at = static_cast<int>(it - ring.begin());  // 0-based
            const int pv = ring[(at + len - 1) % len], nv = ring[(at + 1) % len];
            if (!(pos(pv) == pos(nv))) continue;
            ring.erase(it);
            ++counts.spikesDropped;
            if (at + 1 < s) --s;
            if (s > static_cast<int>(ring.size())) s = 1;
            checks.push_back(pv);
            checks.push_back(nv);
        }
    };
    if (VectorLength(normal) > 1e-10) {
        double best = 0;
        for (int i = 1; i <= n; ++i) {
            const double a = PolygonCornerAngle(i, poly, vertices);
            if (a > best) best = a, s = i;
        }
        for (int i = 1; i <= n; ++i) checks.push_back(i);
        dropSpikes();
        long iterations = 0;
        while (ring.size() > 3) {
            const int len = static_cast<int>(ring.size());
            const int prev = s == 1 ? len : s - 1, next = s == len ? 1 : s + 1;
            const tvector a = pos(ring[prev - 1]), b = pos(ring[s - 1]), c = pos(ring[next - 1]);
            bool ear = convex(a, b, c);
            for (int j = 1; j <= len && ear; ++j) {
                if (j == prev || j == s || j == next) continue;
                if (pos(ring[j - 1]) == b) {  // a corner at the tip: do its sides run into the angle?
                    const tvector toA = NormalizeVector(SubtractVectors(a, b)), toC = NormalizeVector(SubtractVectors(c, b));
                    for (const int u : {ring[(j + len - 2) % len], ring[j % len]}) {
                        const tvector d = NormalizeVector(SubtractVectors(pos(u), b));
                        if (DotProduct(CrossProduct(toC, d), normal) > 1e-10 && DotProduct(CrossProduct(d, toA), normal) > 1e-10)
                            ear = false;
                    }
                    if (!ear) ++counts.tipCopyBlocks;
                    continue;
                }
                double w[3];
                BarycentricCoords(pos(ring[j - 1]), a, b, c, w);
                if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
                const int zeros = (std::fabs(w[0]) < 1e-10) + (std::fabs(w[1]) < 1e-10) + (std::fabs(w[2]) < 1e-10);
                if ((w[0] > 0 && w[1] > 0 && w[2] > 0) || zeros % 2 == 1) ear = false;
            }
            if (ear) {
                const int pv = ring[prev - 1], nv = ring[next - 1];
                tris.push_back({pv, ring[s - 1], nv});
                ring.erase(ring.begin() + (s - 1));
                if (s > static_cast<int>(ring.size())) s = 1;
                checks.push_back(pv);
                checks.push_back(nv);
                dropSpikes();
            } else if (++s > len) {
                s = 1;
            }
            if (++iterations > static_cast<long>(n) * n) break;
        }
    }
    if (ring.size() == 3 && convex(pos(ring[0]), pos(ring[1]), pos(ring[2]))) tris.push_back({ring[0], ring[1], ring[2]});
    return tris;
}

TEST(TriangulateEarCutting, SameTrianglesAsThePlainWalk) {
    std::mt19937 rng(20240607);
    auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int compared = 0, stuck = 0;
    ReferenceCounts counts;
    for (int round = 0; round < 1200; ++round) {
        const int n = pick(5, round % 10 == 0 ? 120 : 30);
        std::vector<P2> o;
        const int kind = round % 4;
        if (kind == 0 || kind == 3) {  // star-shaped, simple; kind 3 snapped to a coarse grid
            std::vector<double> angles;
            for (int i = 0; i < n; ++i) angles.push_back(uni(0, 2 * Pi));
            std::sort(angles.begin(), angles.end());
            for (const double a : angles) {
                const double r = uni(0.2, 1.0);
                o.push_back({r * std::cos(a), r * std::sin(a)});
            }
            if (kind == 3)
                for (P2& p : o) p = {std::round(p.x * 4), std::round(p.y * 4)};
        } else if (kind == 1) {  // a walk on a small grid: crossings, repeats, straight runs
            for (int i = 0; i < n; ++i) o.push_back({double(pick(0, 5)), double(pick(0, 5))});
        } else {  // random points: crossings everywhere
            for (int i = 0; i < n; ++i) o.push_back({uni(-1, 1), uni(-1, 1)});
        }
        Shape s = MakeShape(o);
        if (round % 5 == 0)  // some leave the plane
            for (size_t i = 0; i < s.vertices.size(); ++i) s.vertices[i].p.z = uni(-0.2, 0.2);
        const tfacearray t = Tri(s, TriangulateEarCut);
        const std::vector<tindextriple> expected = ReferenceEarCut(s.vertices, s.polygon, counts);
        ::testing::Message dump;
        for (const tvertex& v : s.vertices) dump << "{" << v.p.x << "," << v.p.y << "," << v.p.z << "},";
        ASSERT_EQ(Corners(t), expected) << "round " << round << " n " << n << "\n" << dump;
        ++compared;
        if (static_cast<int>(expected.size()) < n - 2) ++stuck;
    }
    EXPECT_EQ(compared, 1200);
    EXPECT_GT(stuck, 0);   // the crossing outlines did exercise the early stop
    // ... and the rules for outlines that touch themselves
    EXPECT_GT(counts.spikesDropped, 0);
    EXPECT_GT(counts.tipCopyBlocks, 0);
}

// ---- Decoding what the tessellator emits ----------------------------------

TEST(TriangulateGLUOutput, DecodesFansStripsAndTriangles) {
    ttessoutput e;
    e.corners = {1, 2, 3, 4, 5, /* strip */ 5, 6, 7, 8, /* triangles */ 2, 9, 10};
    e.types = {GL_TRIANGLE_FAN, GL_TRIANGLE_STRIP, GL_TRIANGLES};
    e.ends = {5, 9, 12};
    std::vector<tindextriple> out;
    ASSERT_TRUE(DecodeTessOutput(e, 12, out));
    EXPECT_EQ(out, (std::vector<tindextriple>{
                       {1, 2, 3}, {1, 3, 4}, {1, 4, 5}, {5, 6, 7}, {7, 6, 8}, {2, 9, 10}}));

    // Two strips: the alternation starts afresh; an unknown type is skipped.
    e.corners = {1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
    e.types = {GL_TRIANGLE_STRIP, GL_TRIANGLE_STRIP, GL_LINES};
    e.ends = {4, 8, 10};
    ASSERT_TRUE(DecodeTessOutput(e, 10, out));
    EXPECT_EQ(out, (std::vector<tindextriple>{{1, 2, 3}, {3, 2, 4}, {5, 6, 7}, {7, 6, 8}}));

    // More triangles than the polygon can have, or a foreign corner: refused.
    e.corners = {1, 2, 3, 4, 5, 6};
    e.types = {GL_TRIANGLE_FAN};
    e.ends = {6};
    EXPECT_FALSE(DecodeTessOutput(e, 5, out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(DecodeTessOutput(e, 6, out));
    e.corners[2] = 0;
    EXPECT_FALSE(DecodeTessOutput(e, 6, out));
    e.corners[2] = 3;
    e.ends = {7};
    EXPECT_FALSE(DecodeTessOutput(e, 6, out));
}

}  // namespace
