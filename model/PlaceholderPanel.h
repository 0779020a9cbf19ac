// The placeholder panel of the main window.
#pragma once

#include <cstdint>

// Fills the placeholder controls from placeholder `index`: the type list,
// the size captions that go with the type, size, position and rotation
// ("0.####"), the colour swatch and the name. Nothing for an index outside
// the list.
void RefreshPlaceholderPanel(int32_t index);
// The captions of the three size edits for a placeholder type: "Width:",
// "Height:", "Depth:" for a box, "X size:", "Y size:", "Z size:" for a ball,
// "Dia 1:", "Dia 2:", "Height:" for a cylinder, cone or disk; nothing for
// another type.
void ShowPlaceholderSizeCaptions(int32_t kind);
