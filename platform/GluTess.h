// The polygon tessellator of the OpenGL utility library, loaded when it is
// first asked for: a program that never tessellates with it (a load of a
// model of triangles) does not load the library, nor the OpenGL dispatch
// library it brings, when it starts.
#pragma once

#include <GL/glu.h>

struct GluTessFunctions {
    GLUtesselator* (*newTess)();
    void (*deleteTess)(GLUtesselator*);
    void (*tessCallback)(GLUtesselator*, GLenum, _GLUfuncptr);
    void (*tessBeginPolygon)(GLUtesselator*, GLvoid*);
    void (*tessBeginContour)(GLUtesselator*);
    void (*tessNormal)(GLUtesselator*, GLdouble, GLdouble, GLdouble);
    void (*tessVertex)(GLUtesselator*, GLdouble*, GLvoid*);
    void (*tessEndContour)(GLUtesselator*);
    void (*tessEndPolygon)(GLUtesselator*);
};

// The tessellator's entry points, loaded once for the whole run (from any
// thread); nullptr when the library or one of them cannot be had.
const GluTessFunctions* GluTess();
