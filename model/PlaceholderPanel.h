// The placeholder panel of the main window.
#pragma once

#include <cstdint>

// Fills the placeholder controls of the main window (type, the three size
// captions that follow the type, size, position, rotation, colour swatch and
// name) from placeholder `index`; nothing for an index outside the list.
void RefreshPlaceholderPanel(int32_t index);
