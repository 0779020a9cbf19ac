// The camera panel of the main window: the preview camera as editable
// numbers (horizontal view angle, pan and distance, roll, pitch and yaw, "No
// perspective", focal blur and its planes), kept consistent with the view
// state of the scene record in both directions. Works on the option records
// and the scene record only; the preview's client size comes from the
// window services.
#pragma once

#include <cstdint>

// Scene -> panel: the horizontal angle of the vertical field of view at the
// preview's aspect, "No perspective", the rotation angles and the camera
// location plus translation.
void RefreshCameraPanel();
// Panel -> scene: orthographic flag, vertical field of view, camera location
// and the view orientation (with its axis-angle form).
void ApplyCameraEdits();
// The default camera for the model: a vertical angle of 25 degrees, the
// target at the model centre, twice the diagonal away, roll 0, pitch -25,
// yaw 45, no focal blur, camera name "MirelanCAMERA". The orientation is
// taken from the boxes by the next `ApplyCameraEdits`.
void ResetCamera();
// The target to the model centre, the pan offsets to 0 (distance kept).
void RecenterCamera();
// Puts stored camera `index` of `Cameras` into the panel, the preview size
// and the scene translation; applies it and redraws while the camera's tab
// (page 1 of the main tabs) is shown. An index outside the list does
// nothing.
void SelectCameraPreset(int32_t index);

// The vertical field of view that belongs to a horizontal one at the aspect
// width / height, and back (degrees).
double VerticalFieldOfView(double horizontal, double aspect);
double HorizontalFieldOfView(double vertical, double aspect);
// The preview's width / height; 1 when either is not positive.
double PreviewAspect();
