#include "model/LightPanel.h"

#include <algorithm>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"

void ReportLightStats() {
    const tlightcolorstats s = LightColorStats(Lights);
    Form1.Edit49.text = FormatFloatMaskDot("0.##", s.luminance * 100);
    ClearLightsPage();
    LogLightsLine("Number of lights = " + std::to_string(Lights.size()));
    LogLightsLine("Min color =(" + FormatVector("%7.2f", ",", s.minimum) + ")");
    LogLightsLine("Max color =(" + FormatVector("%7.2f", ",", s.maximum) + ")");
    LogLightsLine("Color Sum =(" + FormatVector("%7.2f", ",", s.sum) + ")");
}

void RefreshLightPanel(int32_t index) {
    if (Lights.empty() || index < 0 || index >= static_cast<int32_t>(Lights.size())) {
        ReportLightStats();
        return;
    }
    // Filling the panel only sets the option record: the handlers that write
    // a control back into the light run on user changes only.
    const tlight& l = Lights[static_cast<std::size_t>(index)];
    Form1.Edit80.text = l.name.str();
    Form1.Edit37.text = FormatFloatMaskDot("0.#", l.elevation);
    Form1.Edit53.text = FormatFloatMaskDot("0.#", l.rotation);
    Form1.Edit69.text = FloatToText(l.position.x);
    Form1.Edit94.text = FloatToText(l.position.y);
    Form1.Edit107.text = FloatToText(l.position.z);
    Form1.Edit38.text = FloatToText(l.pointAt.x);
    Form1.Edit39.text = FloatToText(l.pointAt.y);
    Form1.Edit40.text = FloatToText(l.pointAt.z);
    Form1.Edit28.text = FloatToText(l.spotSpread);
    Form1.Edit27.text = FloatToText(l.spotTightness);
    Form1.Label150.color = VectorToColor(l.color);
    Form1.CheckBox6.checked = l.shadow == 1;
    Form1.Edit81.text = FloatToText(l.intensity * 100);
    Form1.Edit62.text = FloatToText(l.fadeDistance);
    Form1.Edit62.enabled = l.kind == LightArea || l.kind == LightPoint;
    Form1.CheckBox14.checked = l.jitter != 0;
    Form1.Edit3.text = FloatToText(l.areaSize);
    tupdown& density = Form1.UpDown1;
    density.position = std::clamp(l.areaSamples, density.min, std::max(density.min, density.max));
    Form1.Edit30.text = std::to_string(static_cast<int64_t>(density.position) * density.position);
    Form1.ComboBox25.index = std::clamp<int32_t>(l.kind, 0, 3);
    ReportLightStats();
}
