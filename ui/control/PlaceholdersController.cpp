#include "ui/control/PlaceholdersController.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/Model.h"
#include "model/PlaceholderPanel.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/PreviewPages.h"

namespace {

constexpr double PlaceholderLengthStep = 0.001;
constexpr double PlaceholderAngleStep = 5.0;

int32_t SelectedPlaceholder() { return SelectedItem(Form1.ComboBox7, Placeholders.size()); }

// A size as its absolute value; zero, tiny or no number gives a tiny size
// relative to the model, so that a shape never collapses.
double SizeOf(const tedit& edit) {
    const double size = std::fabs(TextToFloat(edit.text));
    return size < Epsilon ? 0.0001 * Scene.extents.diagonal : size;
}

}  // namespace

void UpdatePlaceholder(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Placeholders.size())) return;
    tplaceholder& p = Placeholders[static_cast<std::size_t>(index)];
    p.name = Form1.Edit79.text;
    tcombobox& selector = Form1.ComboBox7;
    if (index < static_cast<int32_t>(selector.items.size())) {
        selector.items[static_cast<std::size_t>(index)] = p.name.str();
        selector.index = index;
    }
    p.kind = static_cast<uint8_t>(std::clamp(Form1.ComboBox9.index, 0, static_cast<int32_t>(PlaceholderCylinder)));
    p.color = Form1.Label149.color == clNone ? 0 : Form1.Label149.color;
    p.size = {SizeOf(Form1.Edit72), SizeOf(Form1.Edit73), SizeOf(Form1.Edit75)};
    p.position = {TextToFloat(Form1.Edit76.text), TextToFloat(Form1.Edit77.text), TextToFloat(Form1.Edit78.text)};
    p.rotation = {TextToFloat(Form1.Edit83.text), TextToFloat(Form1.Edit84.text), TextToFloat(Form1.Edit85.text)};
}

void PlaceholdersController::Register(Dispatcher& d) {
    // Its commands change no material, group or entry of the texture library.
    const ScopedRegistration add(d, CommandScope::NotTheMaterials);
    for (const char* edit : {"Edit72", "Edit73", "Edit75", "Edit76", "Edit77", "Edit78", "Edit83", "Edit84", "Edit85"})
        add.Add(std::string("Form1.") + edit, [this] { PlaceholderEditChange(); });
    add.Add("Form1.Edit79", [this] { Edit79Change(); });
    add.Add("Form1.ComboBox9", [this] { ComboBox9Change(); });
    add.Add("Form1.Label149", [this] { Label149Click(); });
    add.Add("Form1.ComboBox7", [this] { ComboBox7Change(); });
    add.Add("Form1.CheckBox61", [] { RedrawPreview(); });
    add.Add("Form1.Button26", [this] { Button26Click(); });
    add.Add("Form1.Button27", [this] { Button27Click(); });
    add.Add("Form1.Button36", [this] { Button36Click(); });
    add.Add("Form1.Button63", [this] { Button63Click(); });
    add.Add("Form1.Button64", [this] { Button64Click(); });
    const struct {
        const char* spin;
        tedit* edit;
        double step;
        bool isSize;
    } spins[] = {{"SpinButton7", &Form1.Edit72, PlaceholderLengthStep, true},   {"SpinButton8", &Form1.Edit73, PlaceholderLengthStep, true},
                 {"SpinButton9", &Form1.Edit75, PlaceholderLengthStep, true},   {"SpinButton10", &Form1.Edit76, PlaceholderLengthStep, false},
                 {"SpinButton11", &Form1.Edit77, PlaceholderLengthStep, false}, {"SpinButton12", &Form1.Edit78, PlaceholderLengthStep, false},
                 {"SpinButton13", &Form1.Edit83, PlaceholderAngleStep, false},  {"SpinButton14", &Form1.Edit84, PlaceholderAngleStep, false},
                 {"SpinButton15", &Form1.Edit85, PlaceholderAngleStep, false}};
    for (const auto& s : spins) {
        add.Add(std::string("Form1.") + s.spin + ".Up", [this, s] { StepPlaceholderEdit(*s.edit, s.step, s.isSize); });
        add.Add(std::string("Form1.") + s.spin + ".Down",
              [this, s] { StepPlaceholderEdit(*s.edit, -s.step, s.isSize); });
    }
}

void PlaceholdersController::PlaceholderEditChange() {
    const int32_t index = SelectedPlaceholder();
    if (index < 0) return;
    UpdatePlaceholder(index);
    RedrawPreview();
}

void PlaceholdersController::Edit79Change() { UpdatePlaceholder(SelectedPlaceholder()); }

void PlaceholdersController::ComboBox9Change() {
    const int32_t index = SelectedPlaceholder();
    if (index < 0) return;
    UpdatePlaceholder(index);
    ShowPlaceholderSizeCaptions(Form1.ComboBox9.index);
    RedrawPreview();
}

void PlaceholdersController::Label149Click() {
    if (!PickLabelColor(Form1.Label149)) return;
    PlaceholderEditChange();
}

void PlaceholdersController::ComboBox7Change() { RefreshPlaceholderPanel(SelectedPlaceholder()); }

void PlaceholdersController::Button26Click() {
    std::string name = "Shape_" + std::to_string(Placeholders.size() + 1);
    if (!Svc().prompts->Input("New Placeholder", "Enter Placeholder name:", name)) return;
    tplaceholder p;
    NewPlaceholder(p);
    p.name = name;
    Placeholders.push_back(p);
    AppendAndSelect(Form1.ComboBox7, p.name.view());
    RefreshPlaceholderPanel(Form1.ComboBox7.index);
    RedrawPreview();
}

void PlaceholdersController::Button27Click() {
    const int32_t index = SelectedPlaceholder();
    if (index < 0) return;
    Placeholders.erase(Placeholders.begin() + index);
    RefreshPlaceholderPanel(RemoveAndSelectPrevious(Form1.ComboBox7, index));
    RedrawPreview();
}

void PlaceholdersController::StepPlaceholderEdit(tedit& edit, double step, bool isSize) {
    bool stepped = false;
    if (isSize && Form1.CheckBox56.checked) {
        for (tedit* size : {&Form1.Edit72, &Form1.Edit73, &Form1.Edit75})
            if (StepEditValue(*size, step)) stepped = true;
    } else {
        stepped = StepEditValue(edit, step);
    }
    if (stepped) PlaceholderEditChange();
}

void PlaceholdersController::Button36Click() {
    const int32_t index = SelectedPlaceholder();
    if (index < 0) return;
    const double half = Placeholders[static_cast<std::size_t>(index)].size.y / 2;
    Form1.Edit77.text = FloatToText(Scene.extents.minimum.y - half);
    PlaceholderEditChange();
}

void PlaceholdersController::Button63Click() {
    const int32_t index = SelectedPlaceholder();
    if (index < 0) return;
    Form1.Edit77.text = FloatToText(Placeholders[static_cast<std::size_t>(index)].size.y / 2);
    PlaceholderEditChange();
}

void PlaceholdersController::Button64Click() {
    const tvector& c = Scene.extents.center;
    Form1.Edit76.text = FloatToText(c.x);
    Form1.Edit77.text = FloatToText(c.y);
    Form1.Edit78.text = FloatToText(c.z);
    PlaceholderEditChange();
}
