// The scene lights as OpenGL lights, the headlight used when the scene has
// none, and the outlines that show where each light is. Called while a
// frame is drawn, with the view transform on the modelview matrix.
#pragma once

#include <cstdint>

// Switches every OpenGL light off, then turns the scene lights into OpenGL
// lights; with as many lights as OpenGL offers or more they are folded into
// six lights along the axes.
void SetupGLLights();

// One light at the viewer, of `HeadlightIntensity`; called before the view
// transform so that it moves with the viewer.
void SetupHeadlight();

// The outline of every light in its colour: a cone towards a parallel light,
// the cone of a spot light, a sphere for an area light and a cross for a
// point light; the light chosen in the light selector drawn thicker.
void DrawLightIcons();
