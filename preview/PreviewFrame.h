// One frame of the preview: the projection and camera from the view state of
// the scene record, the model lists in the chosen draw mode, lights,
// placeholders, ground, normals, light outlines and focus planes; and a
// frame drawn into an offscreen picture.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class QImage;

// The draw modes of "Draw mode:", in the order of its items.
enum PreviewDrawMode : int {
    DrawFilled = 0,
    DrawLine,
    DrawPoints,
    DrawHiddenLine,
    DrawGroupBoxWire,
    DrawGroupBoxSolid,
    DrawOutline,
};

// The draw mode chosen in "Draw mode:"; "Filled" for no valid choice.
PreviewDrawMode ChosenDrawMode();

// A whole frame into the current context and viewport of the given size:
// nothing before the program is ready (`PreviewReady`); the 3D content only
// while "Enable Preview" is checked.
void drawscene(int width, int height);
// The 3D content of a frame, drawn with the projection and camera set.
void drawobjects();

// Logs the pending OpenGL error, if any, as "OpenGL error: " + its text +
// " (" + where + ")". Only appends to the log: safe while painting.
void CheckGLError(std::string_view where);

// The fixed state of the preview applied, then `drawscene`: what the
// preview's control draws for each frame.
void DrawPreviewFrame(int width, int height);

// Draws one frame of width x height pixels offscreen in the preview's
// resource context and runs `use` while that frame is the current frame
// buffer and viewport; false with the reason in `error` when no OpenGL
// context or frame buffer could be had, or when `use` fails.
bool RenderPreviewOffscreen(int width, int height, const std::function<bool()>& use, std::string& error);
// The same frame as a picture.
bool RenderPreviewImage(int width, int height, QImage& image, std::string& error);
