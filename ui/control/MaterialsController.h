// The Materials tab's commands on one material: choosing, renaming,
// copying and pasting a material, "Randomize", "Make material invisible",
// "Apply this to all materials", "Update", the swatches and small
// controls, the buttons of the three map slots, and the regrouping commands
// of its "Rearrange..." menu.
#pragma once

#include <optional>

#include "model/Records.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/FormDialogs.h"

struct tmodelundo;

class MaterialsController {
public:
    explicit MaterialsController(FormDialogs& dialogs) : dialogs_(dialogs) {}
    void Register(Dispatcher& d);

    // Before the main window shows another tab: the material panel's edits
    // reach the preview (MaterialsUpdated); the change is always allowed.
    void PageControl1Changing();
    // A click on a row of the material list: the panel is stored into the
    // material it showed and shows the clicked one.
    void ListBox1Click();
    // Renames the selected material ("Edit material name").
    void ListBox1DblClick();
    // "Update": by the sub-page shown, the materials' changes reach the
    // preview, or the UVs are remapped.
    void ToolButton4Click();
    // "Randomize": a random diffuse colour for every material.
    void ToolButton26Click();
    // "Make material invisible": black, fully transparent, no maps.
    void Button16Click();
    // "copy material" and "paste material" (the name stays).
    void Button22Click();
    void Button23Click();
    // "Apply this to all materials": the property of the control the popup
    // was opened on, from the panel into every material.
    void Applythistoallmaterials1Click();
    // "Invert mapping", "Cartoon ", "Show thumbs".
    void CheckBox64Click();
    void CheckBox81Click();
    void CheckBox36Click();
    // A name chosen from a map box's list shows its thumbnail.
    void ComboBox3Click();
    void ComboBox18Click();
    void ComboBox19Click();
    // The colour dialog on the "Color", "Ambient" and "Specular" swatches.
    void Panel1Click();
    void Panel3Click();
    void Panel7Click();
    // "Browse..." of the colour, bump and transparency slots (also a click
    // on the slot's thumbnail).
    void BitBtn6Click();
    void BitBtn5Click();
    void BitBtn15Click();
    // "Search..." of the colour, bump and transparency slots.
    void BitBtn13Click();
    void BitBtn14Click();
    void BitBtn12Click();
    // "Remove" of the colour, bump and transparency slots.
    void BitBtn18Click();
    void BitBtn20Click();
    void BitBtn19Click();

    // "Groups -> Materials" and "Groups && Materials -> Materials".
    void GroupsMaterials1Click();
    void GroupsMaterialsMaterials1Click();

private:
    // The slot's map box chosen in the picture dialog.
    void BrowseMap(tcombobox& box, const char* image, tlabel& label);
    // The slot's map box found in the map search.
    void SearchMap(tcombobox& box, const char* image, tlabel& label);
    // The rest of a regrouping that built new materials.
    void RegroupMaterials(void (*regroup)(tmodelundo*));

    FormDialogs& dialogs_;
    std::optional<tmaterial> clipboard_;  // "copy material"
};
