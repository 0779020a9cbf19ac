// The "Placeholders" group of the Preview tab: simple shapes (box, ball,
// cylinder, cone or disk) that stand in for objects the model lacks. The
// group adds and deletes them and edits the one chosen in "Choose
// placeholder:"; every change is written into its record at once.
#pragma once

#include <cstdint>

#include "options/Options.h"
#include "ui/control/Dispatcher.h"

// Writes the panel into placeholder `index`: the name (also its line of the
// selector), type, colour, the sizes as absolute values (a size that is zero
// or no number becomes 0.0001 x the model's diagonal), the position and the
// rotation (0 for text that is no number). Nothing for an index outside the
// list.
void UpdatePlaceholder(int32_t index);

class PlaceholdersController {
public:
    void Register(Dispatcher& d);

    // The size, position and rotation edits: stored and redrawn.
    void PlaceholderEditChange();
    // "Name:": stored only.
    void Edit79Change();
    // "Type:": stored, the size captions follow the type, redrawn.
    void ComboBox9Change();
    // The colour swatch.
    void Label149Click();
    // "Choose placeholder:".
    void ComboBox7Change();
    // "+" and "-".
    void Button26Click();
    void Button27Click();
    // A spin button of a size (0.001), position (0.001) or rotation (5
    // degrees); with "Lock ratio" a size step moves all three sizes.
    void StepPlaceholderEdit(tedit& edit, double step, bool isSize);
    // "drop 1": right below the model; "drop 2": standing on y = 0; "center":
    // at the model's centre.
    void Button36Click();
    void Button63Click();
    void Button64Click();
};
