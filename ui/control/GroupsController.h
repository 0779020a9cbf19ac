// The Groups tab: the group list with its visibility and shadow links, the
// flag menu and renaming, the geometry tools of the four sub-pages and their
// "Update", the controls' interlocks, and the regrouping commands of its
// "Rearrange..." menu.
#pragma once

#include "ui/control/Dispatcher.h"

struct tmodelundo;

class GroupsController {
public:
    void Register(Dispatcher& d);

    // A link of item Form1.HtmlListBox1.clickedItem was clicked: "visible"
    // hides the group, "notvis" shows it, "shadow" and "noshad" switch its
    // shadow off and on. The group is marked changed and its line rebuilt.
    void HtmlListBox1AnchorClick();
    // Renames the selected group ("Edit group name").
    void HtmlListBox1DblClick();
    // The flag menu: "All visible", "All invisible", "Invert visible flag"
    // (these mark the groups changed), "All cast shadow", "None casts
    // shadow", "Invert shadow flag".
    void Applythistoallgroups1Click();
    void Allinvisible1Click();
    void Invert1Click();
    void Allcastshadow1Click();
    void a1Click();
    void Invertshadowflag1Click();

    // "Update": runs the tool of the sub-page shown and refreshes
    // everything after it.
    void ToolButton23Click();
    // "Reset values": the sub-pages' design-time values.
    void ToolButton25Click();
    // "Center geometry", "Drop to y=0" and "Origin" of the translation.
    void Button8Click();
    void Button9Click();
    void Button54Click();
    // The reference point: "Geometry Center", "Center of the sel geom",
    // "Origin".
    void Button48Click();
    void Button53Click();
    void Button49Click();
    // "Calculate normals" enables the crease angle; "Flat" and "Smooth" set
    // it to 0 and 180.
    void CheckBox32Click();
    void Button46Click();
    void Button47Click();
    // "Weld vertices" and "Split faces by crease angle" exclude each other.
    void CheckBox24Click();
    void CheckBox15Click();
    // "Flat" and "Smooth (Loop's algorithm)" of the subdivision.
    void RadioButton6Click();
    // The displacement picture: "Browse..." (or a click on its thumbnail),
    // and its name turning red while no such file exists.
    void BitBtn1Click();
    void Edit54Change();
    // "Convert all lines to ribbons".
    void Button12Click();

    // "Materials -> Groups" and "Materials && Groups -> Groups".
    void MaterialsGroups1Click();
    void MaterialsGroupsMaterials1Click();

private:
    // Sets one flag of every group and rebuilds its line.
    template <typename Change>
    void ChangeAllGroups(Change change);
    // The rest of a regrouping that built new groups.
    void RegroupGroups(void (*regroup)(tmodelundo*), const char* doneText);
};
