#include "ui/control/LightsController.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "model/Extents.h"
#include "model/LightPanel.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/PreviewPages.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/FileDialogs.h"

namespace {

// The angle spin buttons turn by 5 degrees, the position and target ones
// move by a thousandth.
constexpr double LightAngleStep = 5.0;
constexpr double LightPositionStep = 0.001;

// The selected light, or -1.
int32_t SelectedLight() { return SelectedItem(Form1.ComboBox2, Lights.size()); }

double Intensity() { return EditNumber(Form1.Edit81, 100.0) / 100.0; }
double AreaSize() { return EditNumber(Form1.Edit3, 1.0); }
float SpotSpread() { return static_cast<float>(std::clamp(EditNumber(Form1.Edit28, 0), 0.0, 90.0)); }
float SpotTightness() { return static_cast<float>(std::clamp(EditNumber(Form1.Edit27, 0), 0.0, 128.0)); }
int32_t AreaSamples() { return std::max(Form1.UpDown1.position, 2); }
int32_t Kind() { return std::clamp(Form1.ComboBox25.index, 0, static_cast<int32_t>(LightPoint)); }

// Below 1e-10 (also a text that is no number) the fade distance is 0.05.
double FadeDistance() {
    const double fade = EditNumber(Form1.Edit62, 0);
    return fade < 1e-10 ? 0.05 : fade;
}

tvector EditVector(const tedit& x, const tedit& y, const tedit& z) {
    return {EditNumber(x, 0), EditNumber(y, 0), EditNumber(z, 0)};
}

// "Fade distance:" can be edited for area and point lights only.
void EnableFadeDistance() {
    const int32_t kind = Form1.ComboBox25.index;
    Form1.Edit62.enabled = kind == LightArea || kind == LightPoint;
}

// With no light left the panel shows what it shows before the first light:
// its controls' design-time values.
void ShowEmptyLightPanel() {
    for (const std::string_view name :
         {"ComboBox25", "Edit80", "Edit81", "Label150", "Edit62", "Edit37", "Edit53", "Edit69", "Edit94", "Edit107",
          "Edit38", "Edit39", "Edit40", "Edit28", "Edit27", "UpDown1", "Edit30", "Edit3", "CheckBox6", "CheckBox14"})
        if (const ControlInfo* row = FindControl("Form1", name)) ResetControl(*row);
}

void SetEditsToCentre(tedit& x, tedit& y, tedit& z) {
    const tvector& c = Scene.extents.center;
    x.text = FloatToText(c.x);
    y.text = FloatToText(c.y);
    z.text = FloatToText(c.z);
}

// The light `select` is chosen in the selector (which lists the lights'
// names) and shown in the panel.
void SelectLight(int32_t select) {
    tcombobox& selector = Form1.ComboBox2;
    selector.index = Lights.empty() ? -1 : std::clamp(select, 0, static_cast<int32_t>(Lights.size()) - 1);
    RefreshLightPanel(selector.index);
}

// The total intensity and scale fields back at their start values.
void ResetIntensityFields() {
    HeadlightIntensity = 1.0;
    Form1.Edit49.text = "100";
    Form1.Edit67.text = "1.0";
}

}  // namespace

int32_t LightPropertyOfControl(std::string_view control) {
    static const std::pair<std::string_view, int32_t> properties[] = {
        {"ComboBox25", LightPropertyKind},        {"Label150", LightPropertyColor},
        {"Edit81", LightPropertyIntensity},       {"CheckBox6", LightPropertyShadow},
        {"Edit3", LightPropertyAreaSize},         {"Edit30", LightPropertyAreaSamples},
        {"UpDown1", LightPropertyAreaSamples},    {"CheckBox14", LightPropertyJitter},
        {"Edit28", LightPropertySpotSpread},      {"UpDown9", LightPropertySpotSpread},
        {"Edit27", LightPropertySpotTightness},   {"UpDown11", LightPropertySpotTightness},
        {"Edit62", LightPropertyFade},
    };
    for (const auto& [name, property] : properties)
        if (name == control) return property;
    return LightPropertyKind;
}

void ApplyLightEdits(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(Lights.size())) return;
    tlight& l = Lights[static_cast<std::size_t>(index)];
    l.kind = Kind();
    l.name = Form1.Edit80.text;
    l.intensity = Intensity();
    l.color = ColorToVector(Form1.Label150.color);
    l.fadeDistance = FadeDistance();
    // The angles are kept as typed; they do not move the light.
    l.elevation = EditNumber(Form1.Edit37, 0);
    l.rotation = EditNumber(Form1.Edit53, 0);
    l.thirdAngle = 0;
    l.position = EditVector(Form1.Edit69, Form1.Edit94, Form1.Edit107);
    l.pointAt = EditVector(Form1.Edit38, Form1.Edit39, Form1.Edit40);
    l.spotSpread = SpotSpread();
    l.spotTightness = SpotTightness();
    l.areaSamples = AreaSamples();
    l.areaSize = AreaSize();
    l.shadow = Form1.CheckBox6.checked ? 1 : 0;
    l.jitter = Form1.CheckBox14.checked ? 1 : 0;
}

void ApplyLightProperty(int32_t index, int32_t property) {
    if (index < 0 || index >= static_cast<int32_t>(Lights.size())) return;
    tlight& l = Lights[static_cast<std::size_t>(index)];
    switch (property) {
        case LightPropertyKind: l.kind = Kind(); break;
        case LightPropertyColor: l.color = ColorToVector(Form1.Label150.color); break;
        case LightPropertyIntensity: l.intensity = Intensity(); break;
        case LightPropertyShadow: l.shadow = Form1.CheckBox6.checked ? 1 : 0; break;
        case LightPropertyAreaSize: l.areaSize = AreaSize(); break;
        case LightPropertyAreaSamples: l.areaSamples = AreaSamples(); break;
        case LightPropertyJitter: l.jitter = Form1.CheckBox14.checked ? 1 : 0; break;
        case LightPropertySpotSpread: l.spotSpread = SpotSpread(); break;
        case LightPropertySpotTightness: l.spotTightness = SpotTightness(); break;
        case LightPropertyFade: l.fadeDistance = FadeDistance(); break;
        default: break;
    }
}

bool SaveLightPreset(std::string_view name) {
    if (Lights.empty()) {
        Svc().prompts->Show(MessageKind::Information, "No lights to save as preset");
        return false;
    }
    tlightpreset preset;
    preset.first = static_cast<int32_t>(PresetLights.size());
    preset.count = static_cast<int32_t>(Lights.size());
    preset.name = name;
    LightPresets.push_back(preset);
    Form1.ComboBox13.items.push_back(preset.name.str());
    PresetLights.insert(PresetLights.end(), Lights.begin(), Lights.end());
    return true;
}

void LoadLightPreset(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(LightPresets.size())) return;
    const tlightpreset preset = LightPresets[static_cast<std::size_t>(index)];
    DeleteAllLights();
    ShowEmptyLightPanel();
    ResetIntensityFields();
    RedrawPreview();
    // A preset whose lights lie outside the stored list brings what is there.
    const int32_t stored = static_cast<int32_t>(PresetLights.size());
    const int32_t first = std::clamp(preset.first, 0, stored);
    const int32_t last = std::clamp(preset.first + std::max(preset.count, 0), first, stored);
    Lights.insert(Lights.end(), PresetLights.begin() + first, PresetLights.begin() + last);
    SelectLight(static_cast<int32_t>(Lights.size()) - 1);
    RedrawPreview();
}

void DeleteLightPreset(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(LightPresets.size())) return;
    const tlightpreset preset = LightPresets[static_cast<std::size_t>(index)];
    const int32_t stored = static_cast<int32_t>(PresetLights.size());
    const int32_t first = std::clamp(preset.first, 0, stored);
    const int32_t last = std::clamp(preset.first + std::max(preset.count, 0), first, stored);
    PresetLights.erase(PresetLights.begin() + first, PresetLights.begin() + last);
    // The later presets' lights moved up by the removed count.
    for (std::size_t i = static_cast<std::size_t>(index) + 1; i < LightPresets.size(); ++i)
        LightPresets[i].first -= last - first;
    LightPresets.erase(LightPresets.begin() + index);
    RemoveAndSelectPrevious(Form1.ComboBox13, index);
}

void LightsController::Register(Dispatcher& d) {
    // Its commands change no material, group or entry of the texture library.
    const ScopedRegistration add(d, CommandScope::NotTheMaterials);
    for (const char* edit : {"Edit37", "Edit53", "Edit69", "Edit94", "Edit107", "Edit38", "Edit39", "Edit40", "Edit62",
                             "Edit3", "Edit28", "Edit27", "Edit81", "UpDown9", "UpDown11"})
        add.Add(std::string("Form1.") + edit, [this] { LightEditChange(); });
    for (const char* control : {"CheckBox6", "CheckBox14", "Edit80", "Edit30"})
        add.Add(std::string("Form1.") + control, [this] { LightEditChangeQuiet(); });
    add.Add("Form1.Label150", [this] { Label150Click(); });
    add.Add("Form1.ComboBox25", [this] { ComboBox25Change(); });
    add.Add("Form1.ComboBox2", [this] { ComboBox2Change(); });
    add.Add("Form1.UpDown1", [this] { UpDown1Click(); });
    add.Add("Form1.CheckBox33", [] { RedrawPreview(); });
    add.Add("Form1.CheckBox53", [] { RedrawPreview(); });
    // Spin buttons: the edit each one steps and the step of its up button.
    const struct {
        const char* spin;
        tedit* edit;
        double up;
    } spins[] = {{"SpinButton1", &Form1.Edit37, -LightAngleStep},   {"SpinButton2", &Form1.Edit53, -LightAngleStep},
                 {"SpinButton3", &Form1.Edit69, LightPositionStep}, {"SpinButton19", &Form1.Edit94, LightPositionStep},
                 {"SpinButton20", &Form1.Edit107, LightPositionStep}, {"SpinButton4", &Form1.Edit38, LightPositionStep},
                 {"SpinButton5", &Form1.Edit39, LightPositionStep}, {"SpinButton6", &Form1.Edit40, LightPositionStep}};
    for (const auto& s : spins) {
        add.Add(std::string("Form1.") + s.spin + ".Up", [this, s] { StepLightEdit(*s.edit, s.up); });
        add.Add(std::string("Form1.") + s.spin + ".Down", [this, s] { StepLightEdit(*s.edit, -s.up); });
    }
    add.Add("Form1.Button4", [this] { Button4Click(); });
    add.Add("Form1.Button2", [this] { Button2Click(); });
    add.Add("Form1.Button29", [this] { Button29Click(); });
    add.Add("Form1.BitBtn8", [this] { BitBtn8Click(); });
    add.Add("Form1.Button1", [this] { Button1Click(); });
    add.Add("Form1.Button19", [this] { Button19Click(); });
    add.Add("Form1.Button17", [this] { Button17Click(); });
    add.Add("Form1.Button13", [this] { Button13Click(); });
    add.Add("Form1.Button42", [this] { Button42Click(); });
    add.Add("Form1.ApplytoallLights1", [this] { ApplytoallLights1Click(); });
    add.Add("Form1.Button7", [this] { Button7Click(); });
    add.Add("Form1.Button21", [this] { Button21Click(); });
    add.Add("Form1.ComboBox13", [this] { ComboBox13Change(); });
}

void LightsController::LightEditChange() {
    ApplyLightEdits(SelectedLight());
    RedrawPreview();
}

void LightsController::LightEditChangeQuiet() { ApplyLightEdits(SelectedLight()); }

void LightsController::Label150Click() {
    if (!PickLabelColor(Form1.Label150)) return;
    LightEditChange();
}

void LightsController::ComboBox25Change() {
    ApplyLightEdits(SelectedLight());
    EnableFadeDistance();
    RedrawPreview();
}

void LightsController::ComboBox2Change() {
    RefreshLightPanel(SelectedLight());
    Svc().status->ProcessPendingMessages();
    RedrawPreview();
}

void LightsController::UpDown1Click() {
    const int64_t samples = Form1.UpDown1.position;
    Form1.Edit30.text = std::to_string(samples * samples);
    LightEditChangeQuiet();  // the edit's change handler
}

void LightsController::StepLightEdit(tedit& edit, double step) {
    if (StepEditValue(edit, step)) LightEditChange();
}

void LightsController::Button4Click() {
    std::string name = "Light_" + std::to_string(Lights.size() + 1);
    if (!Svc().prompts->Input("New Light", "Enter light name:", name)) return;
    tlight l;
    NewLight(l);
    l.elevation = -45;
    l.rotation = 100.0 * static_cast<double>(Lights.size());
    l.thirdAngle = 0;
    LightPositionFromAngles({l.elevation, l.rotation, l.thirdAngle}, l.position);
    l.pointAt = Scene.extents.center;
    l.name = name;
    Lights.push_back(l);
    AppendAndSelect(Form1.ComboBox2, l.name.view());
    RefreshLightPanel(Form1.ComboBox2.index);
    RedrawPreview();
}

void LightsController::Button2Click() {
    const int32_t index = SelectedLight();
    if (index < 0) return;
    Lights.erase(Lights.begin() + index);
    RefreshLightPanel(RemoveAndSelectPrevious(Form1.ComboBox2, index));
    if (Lights.empty()) ShowEmptyLightPanel();
    RedrawPreview();
}

void LightsController::Button29Click() {
    if (Svc().prompts->Ask(MessageKind::Confirmation, "Erase all lights?", {Answer::Yes, Answer::No}) != Answer::Yes)
        return;
    DeleteAllLights();
    ShowEmptyLightPanel();
    ResetIntensityFields();
    RedrawPreview();
}

void LightsController::BitBtn8Click() {
    tfiledialog& dialog = Form1.OpenDialog1;
    if (!ExecuteOpenDialog(dialog, PoserOrDazFileFilter, PoserOrDazExtensions)) return;
    const std::string file = dialog.fileName;
    if (LowerCase(ExtractFileExt(file)) == ".ds")
        ReadDazLights(file);
    else
        LoadPoserLights(file);
    RedrawPreview();
}

void LightsController::Button1Click() {
    const double percent = EditNumber(Form1.Edit49, 100.0);
    if (Lights.empty()) {
        HeadlightIntensity = percent / 100.0;
    } else {
        SetTotalLightIntensity(percent);
        RefreshLightPanel(SelectedLight());
    }
    RedrawPreview();
}

void LightsController::Button19Click() {
    const double factor = EditNumber(Form1.Edit67, 1.0);
    if (Lights.empty()) {
        HeadlightIntensity *= factor;
        Form1.Edit49.text = FormatFloatMaskDot("0.##", HeadlightIntensity * 100.0);
    } else {
        for (tlight& l : Lights) l.intensity *= factor;
        RefreshLightPanel(SelectedLight());
    }
    RedrawPreview();
}

void LightsController::Button17Click() {
    ComputeExtents();
    Form1.Edit3.text = FloatToText(0.03 * Scene.extents.diagonal);
    LightEditChange();
}

void LightsController::Button13Click() {
    SetEditsToCentre(Form1.Edit69, Form1.Edit94, Form1.Edit107);
    LightEditChange();
}

void LightsController::Button42Click() {
    SetEditsToCentre(Form1.Edit38, Form1.Edit39, Form1.Edit40);
    LightEditChange();
}

void LightsController::ApplytoallLights1Click() {
    const int32_t property = LightPropertyOfControl(Form1.PopupComponent);
    for (int32_t i = 0; i < static_cast<int32_t>(Lights.size()); ++i) ApplyLightProperty(i, property);
    if (PreviewTabShown()) RedrawPreview();
}

void LightsController::Button7Click() {
    std::string name = "Light_set_" + std::to_string(LightPresets.size() + 1);
    if (!Svc().prompts->Input("New Light Set", "Enter set name:", name)) return;
    if (SaveLightPreset(name)) Form1.ComboBox13.index = static_cast<int32_t>(Form1.ComboBox13.items.size()) - 1;
}

void LightsController::Button21Click() { DeleteLightPreset(SelectedItem(Form1.ComboBox13, LightPresets.size())); }

void LightsController::ComboBox13Change() { LoadLightPreset(SelectedItem(Form1.ComboBox13, LightPresets.size())); }
