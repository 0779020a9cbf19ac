#include "ui/control/MaterialPanel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "model/MapPaths.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Selection.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "platform/gfx/Picture.h"
#include "readers/ReaderCommon.h"
#include "ui/core/LoadDrivers.h"

namespace {

WindowHooks& Window() { return *Svc().window; }
void Pump() { Svc().status->ProcessPendingMessages(); }

bool ValidMaterial(int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < SceneMaterials.size();
}

// A value of 0..1 as the position of an up-down of 0..100.
int32_t Percent(double value) { return static_cast<int32_t>(std::clamp<int64_t>(Round(value * 100.0), 0, 100)); }

// The text of a map box made absolute against the model's folder (as the
// user then sees it), trimmed; a blank box stays empty, a Windows name with
// a drive is kept.
std::string ExpandMapName(std::string_view text) {
    const std::string normal = NormalizePathSeparators(Trim(text));
    if (normal.size() >= 2 && std::isalpha(static_cast<unsigned char>(normal[0])) && normal[1] == ':') return normal;
    return ResolveUserPath(normal);
}

// Marks the material after a change of class `change` (step 4 of the
// transfer): changed for 1 and 2, and a map change drops its texture.
void MarkChange(tmaterial& m, int32_t change) {
    if (change == ChangeNone) return;
    m.changed = 1;
    if (change == ChangeMaps && m.glTexture != 0) DeleteMaterialTexture(m.glTexture);
}

// The panel shows `shown`, whose custom text is held back (customTextHeld),
// and the user has neither switched it on nor edited it.
bool PanelTextHeld(const tmaterial& shown) {
    return shown.customTextHeld && !Form1.CheckBox10.checked && MemoShows(Form1.Memo2, shown.customText.view());
}

// The panel's "Active" into `m`: the material the panel shows is switched
// on as the user says; another (through "Apply this to all materials")
// only when its own text is not held back, which the user has not seen.
void WriteCustomActive(tmaterial& m, bool shown) {
    if (!Form1.CheckBox10.checked) {
        m.customTextActive = 0;
    } else if (shown || !m.customTextHeld) {
        m.customTextActive = 1;
        m.customTextHeld = 0;
    } else {
        LogMessage("<!>The POV-Ray material of " + m.name.str() + " " + std::string(CustomTextRisk) +
                   "; it stays switched off until it is switched on or edited itself");
    }
}

// Writes the property of `code` from the panel into `m`; `shown` when `m`
// is the material the panel shows, `panelHeld` when the panel's custom text
// is held back (PanelTextHeld), which then goes with the text.
void WriteProperty(tmaterial& m, int32_t code, bool shown, bool panelHeld) {
    switch (code) {
        case PropertyDiffuse: m.diffuse = ColorToVector(Form1.Panel1.color); break;
        case PropertyAmbient: m.ambient = ColorToVector(Form1.Panel3.color); break;
        case PropertySpecular: m.specular = ColorToVector(Form1.Panel7.color); break;
        case PropertyShininess: m.shininess = static_cast<float>(Form1.UpDown10.position / 100.0); break;
        case PropertyTransparency: m.transparency = Form1.UpDown12.position / 100.0; break;
        case PropertyReflection: m.reflection = Form1.UpDown13.position / 100.0; break;
        case PropertyMetal: m.metal = Form1.CheckBox7.checked ? 1 : 0; break;
        case PropertyBlend: m.blend = Form1.UpDown14.position / 100.0; break;
        case PropertyColorMap: m.colorMap = ExpandMapName(Form1.ComboBox3.SelectedText()); break;
        case PropertyTransparencyMap: m.transparencyMap = ExpandMapName(Form1.ComboBox19.SelectedText()); break;
        case PropertyBumpMap: m.bumpMap = ExpandMapName(Form1.ComboBox18.SelectedText()); break;
        case PropertyBumpSize: {
            double value = 0;
            int32_t code2 = 0;
            ValFloat(Form1.Edit10.text, value, code2);
            m.bumpSize = code2 == 0 ? value : 0.0;
            break;
        }
        case PropertyInvertTransparency: m.invertTransparencyMap = Form1.CheckBox64.checked ? 1 : 0; break;
        case PropertyCustomText:
            StringToBuffer(MemoText(Form1.Memo2), m.customText);
            m.customTextHeld = panelHeld ? 1 : 0;
            if (panelHeld) m.customTextActive = 0;
            break;
        case PropertyCustomActive: WriteCustomActive(m, shown); break;
        case PropertyCell: m.cell = Form1.CheckBox81.checked ? 1 : 0; break;
        case PropertyCellHighlight: m.cellHigh = Form1.CheckBox82.checked ? 1 : 0; break;
        default: break;
    }
}

// The key under which materials share a preview texture: the colour and
// transparency map names in lower case.
std::string TextureKey(const tmaterial& m) {
    return LowerCase(m.colorMap.view()) + '\n' + LowerCase(m.transparencyMap.view());
}

}  // namespace

bool AskNewName(std::string_view caption, tname& name, int32_t (*find)(std::string_view)) {
    std::string answer = name.str();
    if (!Svc().prompts->Input(caption, "Name:", answer)) return false;
    answer = Trim(answer);
    if (answer.empty() || (find(answer) >= 0 && answer != name.view())) {
        Svc().prompts->Show(MessageKind::Warning, BlankOrRepeatedNameText);
        return false;
    }
    name = answer;
    return true;
}

int32_t PropertyOfControl(std::string_view control) {
    static const std::pair<std::string_view, int32_t> codes[] = {
        {"Panel1", PropertyDiffuse},       {"Panel3", PropertyAmbient},
        {"Panel7", PropertySpecular},      {"Edit96", PropertyShininess},
        {"UpDown10", PropertyShininess},   {"Edit97", PropertyTransparency},
        {"UpDown12", PropertyTransparency}, {"Edit108", PropertyReflection},
        {"UpDown13", PropertyReflection},  {"CheckBox7", PropertyMetal},
        {"Edit109", PropertyBlend},        {"UpDown14", PropertyBlend},
        {"Image4", PropertyColorMap},      {"Image6", PropertyTransparencyMap},
        {"Image5", PropertyBumpMap},       {"Edit10", PropertyBumpSize},
        {"CheckBox64", PropertyInvertTransparency}, {"Label95", PropertyCustomText},
        {"CheckBox10", PropertyCustomActive}, {"CheckBox81", PropertyCell},
        {"CheckBox82", PropertyCellHighlight},
    };
    for (const auto& [name, code] : codes)
        if (name == control) return code;
    return PropertyDiffuse;
}

int32_t CompareMaterials(const tmaterial& old, const tmaterial& now) {
    const int32_t start = old.changed ? ChangeAppearance : ChangeNone;
    bool appearance = false;
    bool maps = false;
    if (!SameColor(old.diffuse, now.diffuse)) appearance = true;
    if (old.blend != now.blend) appearance = true;
    if (old.invertTransparencyMap != now.invertTransparencyMap) maps = true;
    if (!SameColor(old.ambient, now.ambient)) appearance = true;
    if (!SameColor(old.specular, now.specular)) appearance = true;
    if (std::fabs(static_cast<double>(old.shininess) - static_cast<double>(now.shininess)) > 0.01) appearance = true;
    if (std::fabs(old.transparency - now.transparency) > 0.01) {
        appearance = true;
        if (!now.transparencyMap.empty()) maps = true;
    }
    if (old.reflection != now.reflection) appearance = true;
    if (UpperCase(old.colorMap.view()) != UpperCase(now.colorMap.view())) maps = true;
    if (UpperCase(old.transparencyMap.view()) != UpperCase(now.transparencyMap.view())) maps = true;
    if (UpperCase(old.bumpMap.view()) != UpperCase(now.bumpMap.view())) maps = true;
    return maps ? ChangeMaps : appearance ? ChangeAppearance : start;
}

void StoreMaterialPanel(int32_t index) {
    if (!ValidMaterial(index)) return;
    tmaterial& m = SceneMaterials[static_cast<std::size_t>(index)];
    const tmaterial old = m;
    const bool held = PanelTextHeld(old);
    // The map boxes show their names made absolute.
    for (tcombobox* box : {&Form1.ComboBox3, &Form1.ComboBox19, &Form1.ComboBox18})
        SetComboText(*box, ExpandMapName(box->SelectedText()));
    for (int32_t code = PropertyDiffuse; code <= PropertyCellHighlight; ++code) WriteProperty(m, code, true, held);

    if (Form1.CheckBox40.checked) {
        // Every other material that used a replaced map follows it.
        const std::string colorMap = m.colorMap, transparencyMap = m.transparencyMap, bumpMap = m.bumpMap;
        RenameMapInMaterials(old.colorMap.view(), colorMap, ColorMapSlot);
        RenameMapInMaterials(old.transparencyMap.view(), transparencyMap, TransparencyMapSlot);
        RenameMapInMaterials(old.bumpMap.view(), bumpMap, BumpMapSlot);
        SetComboText(Form1.ComboBox3, colorMap);
        SetComboText(Form1.ComboBox19, transparencyMap);
        SetComboText(Form1.ComboBox18, bumpMap);
    }
    MarkChange(m, CompareMaterials(old, m));
    FillMapComboBoxes();
}

void ApplyMaterialProperty(int32_t index, int32_t code) {
    if (!ValidMaterial(index)) return;
    tmaterial& m = SceneMaterials[static_cast<std::size_t>(index)];
    const tmaterial old = m;
    WriteProperty(m, code, index == Form1.ListBox1.index, PanelCustomTextHeld());
    MarkChange(m, CompareMaterials(old, m));
}

bool PanelCustomTextHeld() {
    const int32_t index = Form1.ListBox1.index;
    return ValidMaterial(index) && PanelTextHeld(SceneMaterials[static_cast<std::size_t>(index)]);
}

void RefreshMaterialPanel(int32_t index) {
    tmaterial m;
    if (ValidMaterial(index))
        m = SceneMaterials[static_cast<std::size_t>(index)];
    else
        NewMaterial(m);
    SetComboText(Form1.ComboBox3, m.colorMap.view());
    SetComboText(Form1.ComboBox18, m.bumpMap.view());
    SetComboText(Form1.ComboBox19, m.transparencyMap.view());
    ShowPanelThumbnails();
    Form1.Panel1.color = VectorToColor(m.diffuse);
    Form1.Panel3.color = VectorToColor(m.ambient);
    Form1.Panel7.color = VectorToColor(m.specular);
    SetUpDown(Form1.UpDown10, Form1.Edit96, Percent(m.shininess));
    SetUpDown(Form1.UpDown12, Form1.Edit97, Percent(m.transparency));
    SetUpDown(Form1.UpDown13, Form1.Edit108, Percent(m.reflection));
    SetUpDown(Form1.UpDown14, Form1.Edit109, Percent(m.blend));
    Form1.CheckBox7.checked = m.metal != 0;
    Form1.CheckBox64.checked = m.invertTransparencyMap != 0;
    Form1.CheckBox81.checked = m.cell != 0;
    Form1.CheckBox82.checked = m.cellHigh != 0;
    Form1.CheckBox10.checked = m.customTextActive != 0;
    Form1.Edit10.text = FloatToText(m.bumpSize);
    SetMemoText(Form1.Memo2, m.customText.view());
    Form1.Memo2.selStart = Form1.Memo2.selLength = 0;
    Form1.Label95.caption = "#declare " + MakeIdentifierPrefix(m.name.view()) + "=";
    ShowTransparencyScale();
    EnableCartoonHighlights();
    if (ValidMaterial(index) && Form1.PageControl2.active == 2) {
        SelectOnlyMaterial(index);
        Window().DrawUVLayout(Form1.ComboBox20.index);
        SelectAllMaterials();
    }
}

void MaterialsUpdated() {
    bool materialChanged = false;
    const bool any = !SceneMaterials.empty();
    if (any) BeginWait();
    if (any) {
        StoreMaterialPanel(Form1.ListBox1.index);
        materialChanged = std::any_of(SceneMaterials.begin(), SceneMaterials.end(),
                                      [](const tmaterial& m) { return m.changed != 0; });
        if (materialChanged) {
            LogMessage(RuleLine);
            LogMessage("Materials updated. Loading maps...");
            ReloadMaterialMaps(1);
            LogMessage("Rebuilding Display List...");
            Pump();
            Window().BuildPreviewLists();
            LogMessage("Ready");
            ClearMaterialUpdateFlags();
        }
    }
    if (TestAndClearGroupChanges() && !materialChanged) {
        ComputeExtents();
        LogMessage("Selected geometry changed. Rebuilding Display List...");
        Pump();
        Window().BuildNormalsList();
        Window().BuildPreviewLists();
        ComputeGroupExtents();
        LogMessage("Ready");
        if (Form1.CheckBox62.checked) {
            Window().ResetCamera();
            Pump();
            Window().ApplyCameraEdits();
        }
    }
    if (any) EndWait();
    Window().ApplyCameraEdits();
    if (Svc().checkScene) Svc().checkScene();
    Window().Draw();
}

void RebuildAfterGeometryChange() {
    ComputeExtents();
    LogMessage("Rebuilding Display List...");
    Pump();
    CountFacesPerGroupAndMaterial();
    Window().BuildNormalsList();
    Window().BuildPreviewLists();
    ComputeGroupExtents();
    FillGroupList();
    FillMaterialList();
}

void ResetWeldTolerance() {
    Form1.Edit58.text = FormatFloatMaskDot("#E-0", std::sqrt(std::max(0.0, Scene.smallestFaceArea)) / 100);
}

void ReloadMaterialMaps(int32_t mode) {
    if (!Form1.CheckBox3.checked || !Form1.CheckBox4.checked) return;
    // The texture another material with the same maps already shows: the
    // last such material in list order, as the texture's sharers see it.
    std::unordered_map<std::string, std::pair<std::size_t, int32_t>> shown;
    const auto remember = [&shown](std::size_t i, const tmaterial& m) {
        auto [it, added] = shown.try_emplace(TextureKey(m), i, m.glTexture);
        if (!added && it->second.first <= i) it->second = {i, m.glTexture};
    };
    for (std::size_t i = 0; i < SceneMaterials.size(); ++i)
        if (SceneMaterials[i].glTexture != 0) remember(i, SceneMaterials[i]);

    const double last = static_cast<double>(SceneMaterials.size()) - 1;
    for (std::size_t i = 0; i < SceneMaterials.size(); ++i) {
        ShowProgress(0, last, static_cast<double>(i));
        tmaterial& m = SceneMaterials[i];
        const bool hasMaps = !m.colorMap.empty() || !m.transparencyMap.empty();
        if (!hasMaps || !(mode == 2 || mode == 3 || (mode == 1 && m.glTexture == 0))) continue;
        const auto it = shown.find(TextureKey(m));
        if (it != shown.end() && it->second.second != 0) {
            m.glTexture = it->second.second;
            m.textureBytes = 0;  // shared, not copied
        } else {
            Window().CreatePreviewTexture(m);
        }
        if (m.glTexture != 0) remember(i, m);
    }
}

void FillMaterialList() {
    tlistbox& list = Form1.ListBox1;
    const int32_t selected = list.index;
    list.items.clear();
    list.items.reserve(SceneMaterials.size());
    for (const tmaterial& m : SceneMaterials) list.items.push_back(m.name.str());
    FillMapComboBoxes();
    if (selected >= 0 && static_cast<std::size_t>(selected) < list.items.size()) {
        list.index = selected;
    } else {
        list.index = list.items.empty() ? -1 : 0;
        CurrentMaterialIndex = 0;
    }
}

void FillMapComboBoxes() {
    const std::vector<std::string> names = MapNameList();
    for (tcombobox* box : {&Form1.ComboBox3, &Form1.ComboBox18, &Form1.ComboBox19}) {
        const std::string text = box->SelectedText();
        box->items = names;
        SetComboText(*box, text);
    }
}

void FillGroupList() {
    thtmllistbox& list = Form1.HtmlListBox1;
    list.items.clear();
    list.items.reserve(SceneGroups.size());
    for (const tgroup& g : SceneGroups) list.items.push_back(GroupListLine(g));
    if (list.index >= static_cast<int32_t>(list.items.size())) list.index = list.items.empty() ? -1 : 0;
}

void ShowMapThumbnail(std::string_view text, std::string_view image, tlabel& label) {
    label.caption.clear();
    const int32_t width = ThumbnailWidth, height = ThumbnailHeight;
    const std::string name = ExpandMapName(text);
    if (name.empty()) {
        Window().ShowThumbnailMessage(image, 0, width, height);
        return;
    }
    const bool exists = FileExistsNonBlank(name);
    if (!exists) {
        Window().ShowThumbnailMessage(image, 2, width, height);
        return;
    }
    if (!Form1.CheckBox36.checked) {
        Window().ShowThumbnailMessage(image, 1, width, height);
        return;
    }
    Window().ShowThumbnailMessage(image, 3, width, height);
    Pump();
    int32_t pictureWidth = 0, pictureHeight = 0;
    if (!Window().ShowThumbnailPicture(image, name, width, height, pictureWidth, pictureHeight)) {
        Window().ShowThumbnailMessage(image, 4, width, height);
        return;
    }
    label.caption = std::to_string(pictureWidth) + "x" + std::to_string(pictureHeight) + " (" +
                    ByteSizeText(int64_t{pictureWidth} * pictureHeight * 4) + ")";
}

void FitImageToPicture(int32_t& width, int32_t& height, int32_t pictureWidth, int32_t pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return;
    if (pictureWidth <= pictureHeight)
        width = static_cast<int32_t>(Round(static_cast<double>(height) * pictureWidth / pictureHeight));
    else
        height = static_cast<int32_t>(Round(static_cast<double>(width) * pictureHeight / pictureWidth));
}

void ShowPanelThumbnails() {
    ShowMapThumbnail(Form1.ComboBox3.SelectedText(), "Image4", Form1.Label6);
    ShowMapThumbnail(Form1.ComboBox18.SelectedText(), "Image5", Form1.Label58);
    ShowMapThumbnail(Form1.ComboBox19.SelectedText(), "Image6", Form1.Label68);
}

void RedrawUVView() {
    const int32_t index = Form1.ListBox1.index;
    if (!ValidMaterial(index)) return;
    SelectOnlyMaterial(index);
    Window().DrawUVLayout(Form1.ComboBox20.index);
    SelectAllMaterials();
}

void ShowTransparencyScale() {
    const bool inverted = Form1.CheckBox64.checked;
    Form1.Label96.caption = inverted ? "Opaque" : "Transparent";
    Form1.Label101.caption = inverted ? "Transparent" : "Opaque";
}

void EnableCartoonHighlights() { Form1.CheckBox82.enabled = Form1.CheckBox81.checked; }

bool ExecutePictureDialog(std::string& fileName, std::string_view folder) {
    FileDialogRequest request;
    request.filter = gfx::pictureFormats().dialogFilter();
    request.initialDir = folder.empty() ? Form1.OpenPictureDialog1.initialDir : std::string(folder);
    request.fileName = fileName;
    std::vector<std::string> files;
    if (!Svc().prompts->OpenFiles(request, files) || files.empty()) return false;
    fileName = files.front();
    Form1.OpenPictureDialog1.initialDir = ExtractFilePath(fileName);
    return true;
}

void PickPanelColor(tpanel& panel) { Svc().prompts->PickColor(panel.color); }

bool PickLabelColor(tlabel& label) { return Svc().prompts->PickColor(label.color); }

void SetUpDown(tupdown& updown, tedit& buddy, int32_t position) {
    updown.position = std::clamp(position, std::min(updown.min, updown.max), std::max(updown.min, updown.max));
    buddy.text = std::to_string(updown.position);
}

void SetComboText(tcombobox& combo, std::string_view text) {
    combo.text = std::string(text);
    combo.index = combo.IndexOf(combo.text);
}

std::string MemoText(const tmemo& memo) {
    std::string text;
    for (std::size_t i = 0; i < memo.lines.size(); ++i) {
        if (i) text += "\r\n";
        text += memo.lines[i];
    }
    return text;
}

bool MemoShows(const tmemo& memo, std::string_view text) {
    tmemo shown;
    SetMemoText(shown, text);
    return shown.lines == memo.lines;
}

void SetMemoText(tmemo& memo, std::string_view text) {
    memo.lines.clear();
    if (text.empty()) return;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            memo.lines.emplace_back(text.substr(start));
            break;
        }
        memo.lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}
