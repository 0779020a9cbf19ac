// The light panel of the main window and the light statistics.
#pragma once

#include <cstdint>

// Fills the light panel from light `index`; with no lights or a negative
// index only the statistics are refreshed. Ends with ReportLightStats.
void RefreshLightPanel(int32_t index);
// "Total Intensity (%) " and the "Scene Lights" page.
void ReportLightStats();
