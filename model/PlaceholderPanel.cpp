#include "model/PlaceholderPanel.h"

#include "model/Model.h"
#include "model/TextConv.h"
#include "options/Options.h"

void ShowPlaceholderSizeCaptions(int32_t kind) {
    static const char* const captions[3][3] = {
        {"Width:", "Height:", "Depth:"},
        {"X size:", "Y size:", "Z size:"},
        {"Dia 1:", "Dia 2:", "Height:"},
    };
    if (kind < PlaceholderBox || kind > PlaceholderCylinder) return;
    Form1.Label132.caption = captions[kind][0];
    Form1.Label133.caption = captions[kind][1];
    Form1.Label134.caption = captions[kind][2];
}

void RefreshPlaceholderPanel(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Placeholders.size())) return;
    // Filling the panel only sets the option record: the handlers that write
    // a control back into the placeholder run on user changes only.
    const tplaceholder& p = Placeholders[static_cast<std::size_t>(index)];
    Form1.ComboBox9.index = p.kind;
    ShowPlaceholderSizeCaptions(p.kind);
    const auto text = [](double x) { return FormatFloatMaskDot("0.####", x); };
    Form1.Edit72.text = text(p.size.x);
    Form1.Edit73.text = text(p.size.y);
    Form1.Edit75.text = text(p.size.z);
    Form1.Edit76.text = text(p.position.x);
    Form1.Edit77.text = text(p.position.y);
    Form1.Edit78.text = text(p.position.z);
    Form1.Edit83.text = text(p.rotation.x);
    Form1.Edit84.text = text(p.rotation.y);
    Form1.Edit85.text = text(p.rotation.z);
    Form1.Label149.color = p.color;
    Form1.Edit79.text = p.name.str();
}
