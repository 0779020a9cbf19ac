#include "model/PlaceholderPanel.h"

#include "model/Model.h"
#include "model/TextConv.h"
#include "ui/options/Options.h"

void RefreshPlaceholderPanel(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Placeholders.size())) return;
    // Only the option records are set: the handlers that write a control back
    // into the placeholder run on user changes only.
    const tplaceholder& p = Placeholders[static_cast<std::size_t>(index)];
    Form1.ComboBox9.index = p.kind <= PlaceholderCylinder ? p.kind : -1;
    static constexpr const char* Captions[3][3] = {
        {"Width:", "Height:", "Depth:"},
        {"X size:", "Y size:", "Z size:"},
        {"Dia 1:", "Dia 2:", "Height:"},
    };
    if (p.kind <= PlaceholderCylinder) {
        Form1.Label132.caption = Captions[p.kind][0];
        Form1.Label133.caption = Captions[p.kind][1];
        Form1.Label134.caption = Captions[p.kind][2];
    }
    auto number = [](double x) { return FormatFloatMaskDot("0.####", x); };
    Form1.Edit72.text = number(p.size.x);
    Form1.Edit73.text = number(p.size.y);
    Form1.Edit75.text = number(p.size.z);
    Form1.Edit76.text = number(p.position.x);
    Form1.Edit77.text = number(p.position.y);
    Form1.Edit78.text = number(p.position.z);
    Form1.Edit83.text = number(p.rotation.x);
    Form1.Edit84.text = number(p.rotation.y);
    Form1.Edit85.text = number(p.rotation.z);
    Form1.Label149.color = p.color;
    Form1.Edit79.text = p.name.str();
}
