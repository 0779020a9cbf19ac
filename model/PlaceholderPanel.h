// The placeholder panel of the main window.
#pragma once

#include <cstdint>

// Fills the placeholder controls from placeholder `index`: the type list,
// the size captions that go with the type, size, position and rotation
// ("0.####"), the colour swatch and the name. Nothing for an index outside
// the list.
void RefreshPlaceholderPanel(int32_t index);
