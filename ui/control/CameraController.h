// The "Camera" group of the Preview tab: the stored cameras ("Camera
// Preset:") with "+", "-" and "From file...", the camera's reset, re-centre
// and snapping, perspective and focal blur with the focus planes, and the
// preview window's size and "Stay on top". The camera itself lives in the
// hidden camera edits, which the preview's navigation writes and the
// preview reads back (ApplyCameraEdits).
#pragma once

#include <cstdint>

#include "ui/control/Dispatcher.h"

class CameraController {
public:
    void Register(Dispatcher& d);

    // "+": a name asked for, then the camera stored under it and selected
    // without being recalled. "-": the selected camera removed.
    void Button5Click();
    void Button3Click();
    // A preset chosen: recalled into the camera and the preview.
    void ComboBox8Change();
    // "From file...": the cameras of a Poser scene or a DAZ|Studio script.
    void BitBtn4Click();
    // "Reset Cam", "Re-center camera", "Zero roll" and "Snap to closest
    // quadrant".
    void Button15Click();
    void Button6Click();
    void Button28Click();
    void Button10Click();
    // "No perspective", "Use focal blur" and "Show focus limits".
    void CheckBox9Click();
    void CheckBox25Click();
    void CheckBox54Click();
    // The focus planes: the spin buttons move a plane by 0.001 and keep the
    // back plane at or before the front one; leaving an edit does the same
    // and applies the camera; "Autosize" puts them a third of the model's
    // size before and behind the focus.
    void StepFocusPlane(bool back, double step);
    void FocusPlaneExit();
    void Button18Click();
    // "Apply" of "Window size:" and "Stay on top".
    void Button34Click();
    void CheckBox30Click();
};
