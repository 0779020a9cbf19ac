#include <QMenu>

#include "ui/main/Pages.h"
#include "ui/qt/Binder.h"
#include "ui/main/GroupList.h"
#include "ui/qt/PageBuilder.h"

namespace {

void BuildFacesPage(PageBuilder& b) {
    b.Column();
    b.Group("");
    b.Row({T(""), T("Scale"), T("Rot"), T("Translate ")});
    b.Row({T("x"), N("Edit4"), N("Edit31"), N("Edit7")});
    b.Row({T("y"), N("Edit5"), N("Edit32"), N("Edit8")});
    b.Row({T("z"), N("Edit6"), N("Edit33"), N("Edit9")});
    b.Line({B("Button8", "Center geometry"), B("Button9", "Drop to y=0"), B("Button54", "Origin")});
    b.Group("Scale and Rotation Reference Point:");
    b.Line({N("Edit88"), N("Edit89"), N("Edit92")});
    b.Line({B("Button48", "Geometry Center"), B("Button53", "Center of the sel geom"), B("Button49", "Origin")});
    b.ColumnStretch();
    b.Column(1);
    b.Group("Axis flip:");
    b.Line({C("RadioButton1"), C("RadioButton13"), C("RadioButton14"), C("RadioButton15")});
    b.Group("");
    b.Line({C("CheckBox23"), C("CheckBox57")});
    b.Line({T("Check both options below to flip face orientation")});
    b.Line({C("CheckBox17"), C("CheckBox38")});
    b.Group("");
    b.Line({C("CheckBox32"), N("Edit57"), N("UpDown7")});
    b.Line({T("     "), B("Button46", "Flat", &Form1.Button46), B("Button47", "Smooth", &Form1.Button47),
            N("ComboBox23")});
    b.Line({C("CheckBox24"), N("Edit58")});
    b.Line({C("CheckBox15"), C("RadioButton22"), C("RadioButton23"), C("RadioButton24")});
    b.ColumnStretch();
}

void BuildSubdivisionPage(PageBuilder& b) {
    b.Column(1);
    b.Group("");
    b.Line({C("RadioButton7")});
    b.Line({T("     "), C("CheckBox77")});
    b.Line({T("     "), C("CheckBox78")});
    b.Line({T("     "), C("CheckBox80")});
    b.Line({T("     "), C("CheckBox12")});
    b.Line({T("     "), C("CheckBox79")});
    b.Line({C("RadioButton6")});
    b.Line({T("     "), C("CheckBox28")});
    b.Line({T("Every subdivision update produces 4 new faces from each original face")});
    b.Line({T("Normals will be recalculated using the settings in the faces, vertices && normals subtab")});
    b.ColumnStretch();
}

void BuildDisplacementPage(PageBuilder& b) {
    b.Column(1);
    b.Group("");
    b.Line({C("Edit54").Width(-1), B("BitBtn1", "Browse...")});
    b.Line({Img("Image2", 96, 96), C("Label92")});
    b.Line({T("Amount of displacement:"), N("Edit55"), T("to"), N("Edit56")});
    b.Line({T("Components of each normal to use in displacement:"), C("CheckBox44"), C("CheckBox45"),
            C("CheckBox46")});
    b.Line({T("Normals will be recalculated using 180 deg threshold"), N("Edit64")});
    b.ColumnStretch();
}

void BuildLinesPage(PageBuilder& b) {
    b.Column(1);
    b.Group("");
    b.Row({C("Edit74")});
    b.Row({C("Edit43")});
    b.Row({C("Edit44"), N("UpDown15")});
    b.Line({C("CheckBox13")});
    b.Line({B("Button12", "Convert all lines to ribbons")});
    b.ColumnStretch();
}

}  // namespace

void BuildGroupsPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton23", "Update"), B("ToolButton25", "Reset values"), B("ToolButton51", "Rearrange..."),
               B("ToolButton28", "Help"), C("CheckBox62")});
    QMenu* regroup = b.Menu("PopupMenu6", {{"MaterialsGroups1", "Materials -> Groups"},
                                           {"MaterialsGroupsMaterials1", "Materials && Groups -> Groups"}});
    b.DropDown("ToolButton51", regroup);

    b.Column();
    QWidget* list = MakeGroupList(b.Bindings(), b.Page());
    list->setFixedWidth(240);
    b.RowWidget(list);
    b.Row({T("Only visible groups will be modified.")});
    b.Row({T("Mix of shadow / no shadow is slow to create.")});
    QMenu* flags = b.Menu("PopupMenu7", {{"Applythistoallgroups1", "All visible"},
                                         {"Allinvisible1", "All invisible"},
                                         {"Invert1", "Invert visible flag"},
                                         {"Allcastshadow1", "All cast shadow"},
                                         {"a1", "None casts shadow"},
                                         {"Invertshadowflag1", "Invert shadow flag"},
                                         {"Cancel7", "Cancel"}});
    b.Bindings().AttachPopup(list, "HtmlListBox1", flags);

    b.Column(1);
    const std::vector<QWidget*> pages = b.SubPages(
        "PageControl6", {"Faces, vertices && normals", "Subdivision", "Displacement", "Lines"});
    PageBuilder faces(b.Bindings(), "Form1", pages[0]);
    BuildFacesPage(faces);
    PageBuilder subdivision(b.Bindings(), "Form1", pages[1]);
    BuildSubdivisionPage(subdivision);
    PageBuilder displacement(b.Bindings(), "Form1", pages[2]);
    BuildDisplacementPage(displacement);
    PageBuilder lines(b.Bindings(), "Form1", pages[3]);
    BuildLinesPage(lines);
}
