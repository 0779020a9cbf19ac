// The UV view of the material panel: the UV layout of the selected
// materials drawn as lines into a picture, v running upwards.
#pragma once

#include <cstdint>
#include <string_view>

namespace gfx {
class Canvas;
}

// The material of the first face in the chain of faces that use UV `uv`
// (1-based); -1 when no face uses it.
int32_t FirstUVFaceMaterial(int32_t uv);

// Draws the UV edges of the selected faces (material selected, group
// visible) onto a white canvas of width x height: (u, v) lies at
// (u x (width - 1), (1 - v) x (height - 1)); an edge with an end outside
// -2 < u, v < 2 is left out. Colour mode 0 draws every material red, mode 1
// each in a random colour. Without any edge drawn the canvas shows "No UV
// coordinates for current selection" in its middle, in the face `fontName`
// (the main window's). Nothing while no model is loaded; false then, true
// when it drew.
bool DrawUVLayout(gfx::Canvas& canvas, int32_t width, int32_t height, int32_t colorMode, std::string_view fontName);
