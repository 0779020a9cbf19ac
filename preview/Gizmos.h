// The small shapes and markers of the preview: the axis letters, the axes
// tripod, boxes, spheres, cylinders and grids, the per-group boxes, and the
// thin wrappers through which all preview drawing passes its numbers.
// Everything here issues OpenGL calls into the current context.
#pragma once

#include <cstdint>

#include "model/Types.h"

// ---- Wrappers: the double-precision OpenGL entries ---------------------
void GLVertex3(double x, double y, double z);
void GLVertex2(double x, double y);
void GLNormal3(double x, double y, double z);
void GLTexCoord2(double s, double t);
void GLTranslate(double x, double y, double z);
void GLScale(double x, double y, double z);
void GLRotate(double angle, double x, double y, double z);
void GLColor3(double r, double g, double b);
inline void GLVertex3(const tvector& v) { GLVertex3(v.x, v.y, v.z); }
inline void GLColor3(const tvector& c) { GLColor3(c.x, c.y, c.z); }

// GLU quadric draw styles and orientations as the shapes take them.
enum class QuadricStyle { Fill, Line, Silhouette, Point };
enum class QuadricOrientation { Outside, Inside };

// ---- Axis letters --------------------------------------------------------
// Unit letters in the plane z = 0, moved to `position`, scaled by `scale`
// and turned back by the view rotation of the scene record so that they
// face the viewer.
void DrawLetterX(double scale, const tvector& position);
void DrawLetterY(double scale, const tvector& position);
void DrawLetterZ(double scale, const tvector& position);

// Red X, green Y and blue Z arrows of the given lengths from the origin:
// a shaft of radius 0.05 x length and length 0.75 x length, then a cone.
// Lighting is switched off and left off.
void DrawAxesTripod(const tvector& lengths);

// ---- Shapes ---------------------------------------------------------------
// Each shape is drawn inside its own matrix push and pop: translated to
// `position`, turned by rotation.z about Z, rotation.y about Y and
// rotation.x about X (degrees), then scaled where the shape is sized.
// (diameter 1, diameter 2, height): two end disks and the side between.
void DrawCylinderShape(const tvector& size, const tvector& position, const tvector& rotation, QuadricStyle style);
// A sphere of diameter 1 scaled by `size`, with texture coordinates.
void DrawSphereShape(const tvector& size, const tvector& position, const tvector& rotation, QuadricStyle style,
                     QuadricOrientation orientation);
// The unit cube from -0.5 to 0.5 scaled by `size`, one normal per face.
void DrawBox(const tvector& size, const tvector& position, const tvector& rotation);
// The edges of that cube as one line strip.
void DrawWireBox(const tvector& size, const tvector& position, const tvector& rotation);
// The box between two corners, not turned.
void DrawBoxBetween(const tvector& p, const tvector& q);
void DrawWireBoxBetween(const tvector& p, const tvector& q);
// A grid in the unit square from -0.5 to 0.5 scaled by `size`: `along` + 1
// lines across and `across` + 1 lines along (counts below 1 count as 1).
void DrawGrid(const tvector& size, const tvector& position, const tvector& rotation, int32_t across, int32_t along);

// ---- Plain colours ----------------------------------------------------
// The material of markers and helper shapes on both sides: no ambient or
// specular colour, the given shininess.
void PlainMaterial(float shininess);
// Their colour: the diffuse colour (opaque) and the current colour.
void PlainColor(const tvector& color);

// ---- Group boxes ----------------------------------------------------------
// Every visible group's bounding box in the group's colour: solid boxes for
// mode 0, outlines for mode 1. `unused` is passed on by callers and not read.
void DrawGroupBoxes(int32_t mode, double unused = 0);
