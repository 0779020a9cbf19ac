#include "ui/control/GroupsController.h"

#include <cmath>
#include <string>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/ModelUndo.h"
#include "model/ModelLists.h"
#include "model/Regroup.h"
#include "model/Ribbons.h"
#include "model/Selection.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "ui/control/MaterialPanel.h"
#include "ui/control/ModelCommand.h"

namespace {

WindowHooks& Window() { return *Svc().window; }
void Pump() { Svc().status->ProcessPendingMessages(); }

bool ValidGroup(int32_t index) { return index >= 0 && static_cast<std::size_t>(index) < SceneGroups.size(); }

// The group's line in the list, replaced in place.
void ShowGroupLine(int32_t index) {
    std::vector<std::string>& items = Form1.HtmlListBox1.items;
    if (items.size() != SceneGroups.size()) {
        FillGroupList();
        return;
    }
    items[static_cast<std::size_t>(index)] = GroupListLine(SceneGroups[static_cast<std::size_t>(index)]);
}

void SetTexts(std::initializer_list<tedit*> edits, const tvector& v) {
    const double values[3] = {v.x, v.y, v.z};
    int i = 0;
    for (tedit* e : edits) e->text = FloatToText(values[i++]);
}

void SetTexts(std::initializer_list<tedit*> edits, const std::string& text) {
    for (tedit* e : edits) e->text = text;
}

// The extents of the model as they are now, under the wait indicator.
void MeasureModel() {
    const WaitScope wait;
    TestAndClearGroupChanges();
    ComputeExtents();
}

bool ConfirmRegroup(const char* question) {
    if (SceneMaterials.empty()) {
        Svc().prompts->Show(MessageKind::Information, LoadModelFirstText);
        return false;
    }
    return Svc().prompts->Ask(MessageKind::Confirmation, question, {Answer::Yes, Answer::No}) == Answer::Yes;
}

}  // namespace

void GroupsController::Register(Dispatcher& d) {
    d.Add("Form1.HtmlListBox1.AnchorClick", [this] { HtmlListBox1AnchorClick(); });
    d.Add("Form1.HtmlListBox1.DblClick", [this] { HtmlListBox1DblClick(); });
    d.Add("Form1.Applythistoallgroups1", [this] { Applythistoallgroups1Click(); });
    d.Add("Form1.Allinvisible1", [this] { Allinvisible1Click(); });
    d.Add("Form1.Invert1", [this] { Invert1Click(); });
    d.Add("Form1.Allcastshadow1", [this] { Allcastshadow1Click(); });
    d.Add("Form1.a1", [this] { a1Click(); });
    d.Add("Form1.Invertshadowflag1", [this] { Invertshadowflag1Click(); });
    d.Add("Form1.ToolButton23", [this] { ToolButton23Click(); });
    d.Add("Form1.ToolButton25", [this] { ToolButton25Click(); });
    d.Add("Form1.Button8", [this] { Button8Click(); });
    d.Add("Form1.Button9", [this] { Button9Click(); });
    d.Add("Form1.Button54", [this] { Button54Click(); });
    d.Add("Form1.Button48", [this] { Button48Click(); });
    d.Add("Form1.Button53", [this] { Button53Click(); });
    d.Add("Form1.Button49", [this] { Button49Click(); });
    d.Add("Form1.CheckBox32", [this] { CheckBox32Click(); });
    d.Add("Form1.Button46", [this] { Button46Click(); });
    d.Add("Form1.Button47", [this] { Button47Click(); });
    d.Add("Form1.CheckBox24", [this] { CheckBox24Click(); });
    d.Add("Form1.CheckBox15", [this] { CheckBox15Click(); });
    d.Add("Form1.RadioButton6", [this] { RadioButton6Click(); });
    d.Add("Form1.RadioButton7", [this] { RadioButton6Click(); });
    d.Add("Form1.BitBtn1", [this] { BitBtn1Click(); });
    d.Add("Form1.Image2", [this] { BitBtn1Click(); });
    d.Add("Form1.Edit54", [this] { Edit54Change(); });
    d.Add("Form1.Button12", [this] { Button12Click(); });
    d.Add("Form1.MaterialsGroups1", [this] { MaterialsGroups1Click(); });
    d.Add("Form1.MaterialsGroupsMaterials1", [this] { MaterialsGroupsMaterials1Click(); });
}

void GroupsController::HtmlListBox1AnchorClick() {
    const int32_t index = Form1.HtmlListBox1.clickedItem;
    if (!ValidGroup(index)) return;
    tgroup& g = SceneGroups[static_cast<std::size_t>(index)];
    const std::string& anchor = Form1.HtmlListBox1.clickedAnchor;
    if (anchor == "visible") g.visible = 0;
    else if (anchor == "notvis") g.visible = 1;
    else if (anchor == "shadow") g.castsShadow = 0;
    else if (anchor == "noshad") g.castsShadow = 1;
    g.changed = 1;
    ShowGroupLine(index);
}

void GroupsController::HtmlListBox1DblClick() {
    const int32_t index = Form1.HtmlListBox1.index;
    if (!ValidGroup(index)) return;
    if (AskNewName("Edit group name", SceneGroups[static_cast<std::size_t>(index)].name, FindSceneGroup))
        ShowGroupLine(index);
}

template <typename Change>
void GroupsController::ChangeAllGroups(Change change) {
    for (std::size_t i = 0; i < SceneGroups.size(); ++i) {
        change(SceneGroups[i]);
        ShowGroupLine(static_cast<int32_t>(i));
    }
}

void GroupsController::Applythistoallgroups1Click() {
    ChangeAllGroups([](tgroup& g) {
        g.visible = 1;
        g.changed = 1;
    });
}

void GroupsController::Allinvisible1Click() {
    ChangeAllGroups([](tgroup& g) {
        g.visible = 0;
        g.changed = 1;
    });
}

void GroupsController::Invert1Click() {
    ChangeAllGroups([](tgroup& g) {
        g.visible = g.visible ? 0 : 1;
        g.changed = 1;
    });
}

// The shadow flag does not change what the preview draws: no changed mark.
void GroupsController::Allcastshadow1Click() {
    ChangeAllGroups([](tgroup& g) { g.castsShadow = 1; });
}

void GroupsController::a1Click() {
    ChangeAllGroups([](tgroup& g) { g.castsShadow = 0; });
}

void GroupsController::Invertshadowflag1Click() {
    ChangeAllGroups([](tgroup& g) { g.castsShadow = g.castsShadow ? 0 : 1; });
}

void GroupsController::ToolButton23Click() {
    if (Scene.modelFile.empty()) {
        Svc().prompts->Show(MessageKind::Information, LoadModelFirstText);
        return;
    }
    const int32_t page = Form1.PageControl6.active;
    static constexpr const char* Tools[] = {"transform", "subdivide", "displace"};
    RunModelCommand(page >= 0 && page < 3 ? Tools[page] : "update", [page](tmodelundo& undo) {
        const WaitScope wait;
        TestAndClearGroupChanges();
        LogMessage(RuleLine);
        std::string summary;
        TransformModel(Scene, page, summary, &undo);
        RebuildAfterGeometryChange();
        LogMessage("Geometry updated. " + summary);
        if (Form1.CheckBox62.checked) {
            Window().ResetCamera();
            Pump();
            Window().ApplyCameraEdits();
        }
        if (Form1.PageControl2.active == 2) RedrawUVView();
        ResetWeldTolerance();
    });  // the wait's end checks the scene
    Window().Draw();
}

void GroupsController::ToolButton25Click() {
    SetTexts({&Form1.Edit4, &Form1.Edit5, &Form1.Edit6}, "1");
    SetTexts({&Form1.Edit31, &Form1.Edit32, &Form1.Edit33}, "0");
    SetTexts({&Form1.Edit7, &Form1.Edit8, &Form1.Edit9}, "0");
    SetTexts({&Form1.Edit88, &Form1.Edit89, &Form1.Edit92}, "0");
    if (const ControlInfo* noFlip = FindControl("Form1.RadioButton1")) SetControlValue(*noFlip, "1");
    for (tcheckbox* box : {&Form1.CheckBox17, &Form1.CheckBox32, &Form1.CheckBox38, &Form1.CheckBox24,
                           &Form1.CheckBox15, &Form1.CheckBox23, &Form1.CheckBox57, &Form1.CheckBox78})
        box->checked = false;
    for (tcheckbox* box : {&Form1.CheckBox44, &Form1.CheckBox45, &Form1.CheckBox46, &Form1.CheckBox77,
                           &Form1.CheckBox12})
        box->checked = true;
    Window().ShowThumbnailMessage("Image2", 0, ThumbnailWidth, ThumbnailHeight);
    Form1.Label92.caption.clear();
    Form1.Edit54.text.clear();
    Edit54Change();
    SetUpDown(Form1.UpDown7, Form1.Edit57, static_cast<int32_t>(Round(TextToFloat(Form1.Edit95.text))));
    if (const ControlInfo* smooth = FindControl("Form1.RadioButton7")) SetControlValue(*smooth, "1");
    // The states that the unchecked and chosen controls' handlers set.
    CheckBox32Click();
    Form1.Edit58.enabled = false;
    for (tradiobutton* r : {&Form1.RadioButton22, &Form1.RadioButton23, &Form1.RadioButton24}) r->enabled = false;
    RadioButton6Click();
}

void GroupsController::Button8Click() {
    MeasureModel();
    const tvector& c = Scene.extents.center;
    SetTexts({&Form1.Edit7, &Form1.Edit8, &Form1.Edit9}, tvector{-c.x, -c.y, -c.z});
}

void GroupsController::Button9Click() {
    MeasureModel();
    Form1.Edit8.text = FloatToText(-Scene.extents.minimum.y);
}

void GroupsController::Button54Click() { SetTexts({&Form1.Edit7, &Form1.Edit8, &Form1.Edit9}, "0"); }

void GroupsController::Button48Click() {
    SetTexts({&Form1.Edit88, &Form1.Edit89, &Form1.Edit92}, Scene.extents.center);
}

void GroupsController::Button53Click() {
    MeasureModel();
    SetTexts({&Form1.Edit88, &Form1.Edit89, &Form1.Edit92}, Scene.extents.centerCopy);
}

void GroupsController::Button49Click() { SetTexts({&Form1.Edit88, &Form1.Edit89, &Form1.Edit92}, "0"); }

void GroupsController::CheckBox32Click() {
    const bool on = Form1.CheckBox32.checked;
    Form1.Edit57.enabled = Form1.UpDown7.enabled = Form1.ComboBox23.enabled = on;
    Form1.Button46.enabled = Form1.Button47.enabled = on;
}

void GroupsController::Button46Click() { SetUpDown(Form1.UpDown7, Form1.Edit57, 0); }

void GroupsController::Button47Click() { SetUpDown(Form1.UpDown7, Form1.Edit57, 180); }

void GroupsController::CheckBox24Click() {
    if (Form1.CheckBox24.checked) {
        Form1.CheckBox15.checked = false;  // without its own handler
        Form1.CheckBox32.checked = true;
        CheckBox32Click();
    }
    Form1.Edit58.enabled = Form1.CheckBox24.checked;
}

void GroupsController::CheckBox15Click() {
    if (Form1.CheckBox15.checked) {
        Form1.CheckBox24.checked = false;  // without its own handler
        Form1.Edit58.enabled = false;
    }
    for (tradiobutton* r : {&Form1.RadioButton22, &Form1.RadioButton23, &Form1.RadioButton24})
        r->enabled = Form1.CheckBox15.checked;
}

void GroupsController::RadioButton6Click() {
    const bool smooth = Form1.RadioButton7.checked;
    for (tcheckbox* box : {&Form1.CheckBox77, &Form1.CheckBox78, &Form1.CheckBox80, &Form1.CheckBox12,
                           &Form1.CheckBox79})
        box->enabled = smooth;
    Form1.CheckBox28.enabled = !smooth;
}

void GroupsController::BitBtn1Click() {
    std::string file = Form1.Edit54.text;
    if (!ExecutePictureDialog(file, ExtractFilePath(Trim(file)))) return;
    ShowMapThumbnail(file, "Image2", Form1.Label92);
    Form1.Edit54.text = file;
    Edit54Change();
}

void GroupsController::Edit54Change() {
    const std::string& name = Form1.Edit54.text;
    Form1.Edit54.color = !Trim(name).empty() && !FileExistsNonBlank(name) ? 255 : clNone;
}

void GroupsController::Button12Click() {
    if (Polylines.empty()) {
        Svc().prompts->Show(MessageKind::Information, "No lines present in geometry");
        return;
    }
    // The ribbons are appended to the lists: cut back, the model is as it was.
    RunModelCommand("convert the lines of", [](tmodelundo& undo) {
        const WaitScope wait;
        undo.KeepLengths();
        BuildRibbons(Form1.CheckBox13.checked, TextToFloat(Form1.Edit74.text), TextToFloat(Form1.Edit43.text),
                     Form1.UpDown15.position / 100.0);
    });
}

void GroupsController::RegroupGroups(void (*regroup)(tmodelundo*), const char* doneText) {
    if (!ConfirmRegroup("You will loose all current groups. Continue?")) return;
    RunModelCommand("regroup", [&](tmodelundo& undo) {
        {
            const WaitScope wait;
            LogMessage(RuleLine);
            regroup(&undo);
            CountFacesPerGroupAndMaterial();
            FillGroupList();
            ComputeGroupExtents();
        }
        LogMessage(std::to_string(SceneGroups.size()) + doneText);
    });
}

void GroupsController::MaterialsGroups1Click() {
    RegroupGroups(GroupsFromMaterials, " Groups created based on the materials");
}

void GroupsController::MaterialsGroupsMaterials1Click() {
    RegroupGroups(GroupsFromMaterialsAndGroups, " Groups created based on the groups");
}
