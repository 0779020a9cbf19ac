// The "Lights" group of the Preview tab: the light panel edits the light
// chosen in "Choose Light:" (every change is written into the light at
// once), lights are added, deleted, imported from Poser and DAZ|Studio
// scenes, their intensities set as a total or scaled, one property copied to
// every light, and the whole light list kept as named presets ("Light
// Group"). Without lights the total intensity edits the headlight.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "options/Options.h"
#include "ui/control/Dispatcher.h"

// The properties ApplyLightProperty copies, by the code "Apply to all
// Lights" takes from the control its popup was opened on.
enum LightProperty : int32_t {
    LightPropertyKind = 1,
    LightPropertyColor = 2,
    LightPropertyIntensity = 3,
    LightPropertyShadow = 4,
    LightPropertyAreaSize = 5,
    LightPropertyAreaSamples = 6,
    LightPropertyJitter = 7,
    LightPropertySpotSpread = 8,
    LightPropertySpotTightness = 9,
    LightPropertyFade = 10,
};

// The property of the control a popup menu was opened on; the type for any
// control without one.
int32_t LightPropertyOfControl(std::string_view control);

// Writes every value of the light panel into light `index` and gives its
// selector item the new name. Nothing for an index outside the list.
void ApplyLightEdits(int32_t index);
// Copies one property of the panel into light `index`.
void ApplyLightProperty(int32_t index, int32_t property);

// Stores the current lights as a preset named `name` ("No lights to save as
// preset" when there are none); true when one was added.
bool SaveLightPreset(std::string_view name);
// Replaces the lights by copies of preset `index`.
void LoadLightPreset(int32_t index);
// Removes preset `index` and its lights; the current lights stay.
void DeleteLightPreset(int32_t index);

class LightsController {
public:
    void Register(Dispatcher& d);

    // The edits of the panel: applied to the selected light, then redrawn
    // (type, angles, position, target, fade, area size, spot, multiplier),
    // or only applied (shadow, jitter, name, area density).
    void LightEditChange();
    void LightEditChangeQuiet();
    // The colour swatch: the colour dialog, then applied and redrawn.
    void Label150Click();
    // "Type:": applied; "Fade distance:" only for area and point lights.
    void ComboBox25Change();
    // "Choose Light:": the panel shows the chosen light.
    void ComboBox2Change();
    // "Area light density:": the edit shows position x position.
    void UpDown1Click();
    // The spin buttons of the angles (down +5, up -5 degrees) and of the
    // position and target (up +0.001, down -0.001); the edit's change
    // handler applies the new value.
    void StepLightEdit(tedit& edit, double step);
    // "+", "-", "Delete all" and "From file...".
    void Button4Click();
    void Button2Click();
    void Button29Click();
    void BitBtn8Click();
    // "Apply" of "Total Intensity (%) " and of "Scale intensities by".
    void Button1Click();
    void Button19Click();
    // "A": the area size from the model's size.
    void Button17Click();
    // "GC": position or target at the model's centre.
    void Button13Click();
    void Button42Click();
    // "Apply to all Lights" of the panel's popup menu.
    void ApplytoallLights1Click();
    // "Light Group": "+", "-" and the choice of a preset.
    void Button7Click();
    void Button21Click();
    void ComboBox13Change();
};
