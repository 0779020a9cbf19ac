#include "ui/control/MaterialsController.h"

#include <algorithm>
#include <string>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/Regroup.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/control/MaterialFilesController.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/ModelCommand.h"

namespace {

WindowHooks& Window() { return *Svc().window; }
void CheckScene() {
    if (Svc().checkScene) Svc().checkScene();
}

bool HaveMaterials() { return !SceneMaterials.empty(); }

int32_t Selected() { return Form1.ListBox1.index; }

bool ValidMaterial(int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < SceneMaterials.size();
}

// The slot's thumbnail for the box's name, then the panel into the
// selected material.
void StoreSlot(const tcombobox& box, const char* image, tlabel& label) {
    const WaitScope wait;
    ShowMapThumbnail(box.SelectedText(), image, label);
    StoreMaterialPanel(Selected());
    CheckScene();
}

}  // namespace

void MaterialsController::Register(Dispatcher& d) {
    d.Add("Form1.PageControl1.Changing", [this] { PageControl1Changing(); });
    d.Add("Form1.ListBox1", [this] { ListBox1Click(); });
    d.Add("Form1.ListBox1.DblClick", [this] { ListBox1DblClick(); });
    d.Add("Form1.ToolButton4", [this] { ToolButton4Click(); });
    d.Add("Form1.ToolButton26", [this] { ToolButton26Click(); });
    d.Add("Form1.Button16", [this] { Button16Click(); });
    d.Add("Form1.Button22", [this] { Button22Click(); });
    d.Add("Form1.Button23", [this] { Button23Click(); });
    d.Add("Form1.Applythistoallmaterials1", [this] { Applythistoallmaterials1Click(); });
    d.Add("Form1.CheckBox64", [this] { CheckBox64Click(); });
    d.Add("Form1.CheckBox81", [this] { CheckBox81Click(); });
    d.Add("Form1.CheckBox36", [this] { CheckBox36Click(); });
    d.Add("Form1.ComboBox3", [this] { ComboBox3Click(); });
    d.Add("Form1.ComboBox18", [this] { ComboBox18Click(); });
    d.Add("Form1.ComboBox19", [this] { ComboBox19Click(); });
    d.Add("Form1.Panel1", [this] { Panel1Click(); });
    d.Add("Form1.Panel3", [this] { Panel3Click(); });
    d.Add("Form1.Panel7", [this] { Panel7Click(); });
    d.Add("Form1.BitBtn6", [this] { BitBtn6Click(); });
    d.Add("Form1.Image4", [this] { BitBtn6Click(); });
    d.Add("Form1.BitBtn5", [this] { BitBtn5Click(); });
    d.Add("Form1.Image5", [this] { BitBtn5Click(); });
    d.Add("Form1.BitBtn15", [this] { BitBtn15Click(); });
    d.Add("Form1.Image6", [this] { BitBtn15Click(); });
    d.Add("Form1.BitBtn13", [this] { BitBtn13Click(); });
    d.Add("Form1.BitBtn14", [this] { BitBtn14Click(); });
    d.Add("Form1.BitBtn12", [this] { BitBtn12Click(); });
    d.Add("Form1.BitBtn18", [this] { BitBtn18Click(); });
    d.Add("Form1.BitBtn20", [this] { BitBtn20Click(); });
    d.Add("Form1.BitBtn19", [this] { BitBtn19Click(); });
    d.Add("Form1.GroupsMaterials1", [this] { GroupsMaterials1Click(); });
    d.Add("Form1.GroupsMaterialsMaterials1", [this] { GroupsMaterialsMaterials1Click(); });
}

void MaterialsController::PageControl1Changing() { MaterialsUpdated(); }

void MaterialsController::ListBox1Click() {
    const int32_t index = Selected();
    if (!HaveMaterials() || !ValidMaterial(index) || index == CurrentMaterialIndex) return;
    const WaitScope wait;
    StoreMaterialPanel(CurrentMaterialIndex);
    RefreshMaterialPanel(index);
    CurrentMaterialIndex = index;
    CheckScene();
}

void MaterialsController::ListBox1DblClick() {
    const int32_t index = Selected();
    if (!ValidMaterial(index)) return;
    tname& name = SceneMaterials[static_cast<std::size_t>(index)].name;
    if (AskNewName("Edit material name", name, FindSceneMaterial))
        Form1.ListBox1.items[static_cast<std::size_t>(index)] = name.str();
}

void MaterialsController::ToolButton4Click() {
    switch (Form1.PageControl2.active) {
        case 0: MaterialsUpdated(); break;
        case 2:
            RemapUV();
            Window().Draw();
            break;
        default: break;  // the custom material has its own "Preview"
    }
}

void MaterialsController::ToolButton26Click() {
    if (!HaveMaterials()) {
        Svc().prompts->Show(MessageKind::Information, LoadModelFirstText);
        return;
    }
    if (Svc().prompts->Ask(MessageKind::Confirmation, "You will randomize all current diffuse colors. Continue?",
                           {Answer::Yes, Answer::No}) != Answer::Yes)
        return;
    for (tmaterial& m : SceneMaterials) {
        m.diffuse = {RandomInt(255) / 255.0, RandomInt(255) / 255.0, RandomInt(255) / 255.0};
        m.changed = 1;
    }
    RefreshMaterialPanel(Selected());
    MaterialsUpdated();
}

void MaterialsController::Button16Click() {
    Form1.Panel7.color = Form1.Panel1.color = Form1.Panel3.color = 0x000000;
    SetUpDown(Form1.UpDown10, Form1.Edit96, 100);
    SetUpDown(Form1.UpDown12, Form1.Edit97, 100);
    SetUpDown(Form1.UpDown13, Form1.Edit108, 0);
    SetUpDown(Form1.UpDown14, Form1.Edit109, 0);
    Form1.CheckBox10.checked = false;
    Svc().status->ProcessPendingMessages();
    BitBtn18Click();
    BitBtn20Click();
    BitBtn19Click();
}

void MaterialsController::Button22Click() {
    const int32_t index = Selected();
    if (!ValidMaterial(index)) return;
    StoreMaterialPanel(index);
    clipboard_ = SceneMaterials[static_cast<std::size_t>(index)];
    Form1.Button23.enabled = true;
}

void MaterialsController::Button23Click() {
    const int32_t index = Selected();
    if (!clipboard_ || !ValidMaterial(index)) return;
    tmaterial& m = SceneMaterials[static_cast<std::size_t>(index)];
    const tname name = m.name;
    const int32_t texture = m.glTexture;
    m = *clipboard_;  // the preview texture comes along until the next reload
    m.name = name;
    if (m.glTexture != 0 && !Window().IsTexture(m.glTexture)) m.glTexture = 0;  // deleted since the copy
    // The texture the material had goes, unless another material shows it.
    if (texture != 0 && texture != m.glTexture &&
        std::ranges::none_of(SceneMaterials, [texture](const tmaterial& other) { return other.glTexture == texture; }))
        DeleteRecordTexture(texture);
    m.changed = 1;
    RefreshMaterialPanel(index);
}

void MaterialsController::Applythistoallmaterials1Click() {
    const int32_t code = PropertyOfControl(Form1.PopupComponent);
    for (std::size_t i = 0; i < SceneMaterials.size(); ++i) ApplyMaterialProperty(static_cast<int32_t>(i), code);
    CheckScene();
}

void MaterialsController::CheckBox64Click() { ShowTransparencyScale(); }

void MaterialsController::CheckBox81Click() { EnableCartoonHighlights(); }

void MaterialsController::CheckBox36Click() { ShowPanelThumbnails(); }

void MaterialsController::ComboBox3Click() {
    const WaitScope wait;
    ShowMapThumbnail(Form1.ComboBox3.SelectedText(), "Image4", Form1.Label6);
}

void MaterialsController::ComboBox18Click() {
    const WaitScope wait;
    ShowMapThumbnail(Form1.ComboBox18.SelectedText(), "Image5", Form1.Label58);
}

void MaterialsController::ComboBox19Click() {
    const WaitScope wait;
    ShowMapThumbnail(Form1.ComboBox19.SelectedText(), "Image6", Form1.Label68);
}

void MaterialsController::Panel1Click() { PickPanelColor(Form1.Panel1); }

void MaterialsController::Panel3Click() { PickPanelColor(Form1.Panel3); }

void MaterialsController::Panel7Click() { PickPanelColor(Form1.Panel7); }

void MaterialsController::BrowseMap(tcombobox& box, const char* image, tlabel& label) {
    // The folder of the first box that names a map: this slot's, then the
    // colour, transparency and bump slots'.
    std::string folder;
    for (const tcombobox* b : {&box, &Form1.ComboBox3, &Form1.ComboBox19, &Form1.ComboBox18}) {
        const std::string name = Trim(b->SelectedText());
        if (name.empty()) continue;
        folder = ExtractFilePath(name);
        break;
    }
    std::string file = Trim(box.SelectedText());
    if (!ExecutePictureDialog(file, folder)) return;
    const WaitScope wait;
    ShowMapThumbnail(file, image, label);
    SetComboText(box, file);
    StoreMaterialPanel(Selected());
    CheckScene();
}

void MaterialsController::BitBtn6Click() { BrowseMap(Form1.ComboBox3, "Image4", Form1.Label6); }

void MaterialsController::BitBtn5Click() { BrowseMap(Form1.ComboBox18, "Image5", Form1.Label58); }

void MaterialsController::BitBtn15Click() { BrowseMap(Form1.ComboBox19, "Image6", Form1.Label68); }

void MaterialsController::SearchMap(tcombobox& box, const char* image, tlabel& label) {
    searchForm2.Edit1.text = ExtractFileName(box.SelectedText());
    searchForm2.ListBox1.items.clear();
    searchForm2.ListBox1.index = -1;
    searchForm2.modalResult = ModalResult::None;
    if (dialogs_.ShowModal("searchForm2") == ModalResult::Cancel) return;
    const tlistbox& found = searchForm2.ListBox1;
    if (found.index >= 0 && static_cast<std::size_t>(found.index) < found.items.size())
        SetComboText(box, found.items[static_cast<std::size_t>(found.index)]);
    if (FileExistsNonBlank(box.SelectedText())) StoreSlot(box, image, label);
}

void MaterialsController::BitBtn13Click() { SearchMap(Form1.ComboBox3, "Image4", Form1.Label6); }

void MaterialsController::BitBtn14Click() { SearchMap(Form1.ComboBox18, "Image5", Form1.Label58); }

void MaterialsController::BitBtn12Click() { SearchMap(Form1.ComboBox19, "Image6", Form1.Label68); }

void MaterialsController::BitBtn18Click() {
    SetComboText(Form1.ComboBox3, "");
    StoreMaterialPanel(Selected());
    RefreshMaterialPanel(Selected());
    CheckScene();
}

void MaterialsController::BitBtn20Click() {
    Window().ShowThumbnailMessage("Image5", 0, ThumbnailWidth, ThumbnailHeight);
    Form1.Label58.caption.clear();
    SetComboText(Form1.ComboBox18, "");
    StoreMaterialPanel(Selected());
    CheckScene();
}

void MaterialsController::BitBtn19Click() {
    Window().ShowThumbnailMessage("Image6", 0, ThumbnailWidth, ThumbnailHeight);
    Form1.Label68.caption.clear();
    SetComboText(Form1.ComboBox19, "");
    StoreMaterialPanel(Selected());
    CheckScene();
}

void MaterialsController::RegroupMaterials(void (*regroup)(tmodelundo*)) {
    if (!HaveMaterials()) {
        Svc().prompts->Show(MessageKind::Information, LoadModelFirstText);
        return;
    }
    if (Svc().prompts->Ask(MessageKind::Confirmation, "You will loose all current materials. Continue?",
                           {Answer::Yes, Answer::No}) != Answer::Yes)
        return;
    RunModelCommand("regroup", [&](tmodelundo& undo) {
        {
            const WaitScope wait;
            LogMessage(RuleLine);
            regroup(&undo);
            LogMessage("Regrouping geometry by material...");
            BuildMaterialFaceTable();
            CountFacesPerGroupAndMaterial();
            FillMaterialList();
            CurrentMaterialIndex = std::max(0, Selected());
            RefreshMaterialPanel(Selected());
            MaterialsUpdated();
        }
        LogMessage(std::to_string(SceneMaterials.size()) + " Materials created based on the groups");
    });
}

void MaterialsController::GroupsMaterials1Click() { RegroupMaterials(MaterialsFromGroups); }

void MaterialsController::GroupsMaterialsMaterials1Click() { RegroupMaterials(MaterialsFromGroupsAndMaterials); }
