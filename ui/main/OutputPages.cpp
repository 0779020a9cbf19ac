#include <QWidget>

#include "ui/main/Pages.h"
#include "ui/qt/PageBuilder.h"

namespace {

void BuildPovOptionsPage(PageBuilder& b) {
    b.Column();
    b.Group("Output image", "GroupBox13");
    b.Line({C("Edit47"), C("Edit48"), B("Button32", "Set to size of preview")});
    b.Line({C("CheckBox31")});
    b.Line({C("ComboBox5"), C("Edit61").Width(150)});
    b.Row({C("ComboBox6")});
    b.Row({C("ComboBox24")});
    b.Line({C("CheckBox16")});
    b.Line({C("CheckBox50")});
    b.Line({C("CheckBox60")});
    b.Group("POV-Ray executable");
    b.Line({N("Edit52").Width(330), B("Button11", "Browse...")});
    b.ColumnStretch();
    b.Column(1);
    b.Group("Scene");
    b.Line({C("CheckBox20")});
    b.Line({C("Edit46")});
    b.Line({C("CheckBox48")});
    b.Line({C("CheckBox41")});
    b.Line({C("CheckBox11")});
    b.Line({C("CheckBox51")});
    b.Row({C("Label21"), N("ComboBox12")});
    b.Row({C("ComboBox14")});
    b.Row({C("ComboBox10")});
    b.Group("Custom initialization");
    b.Row({Wide("Memo1").Tall()});
    b.Line({C("CheckBox59")});
}

void BuildPovFilesPage(PageBuilder& b) {
    b.Column(1);
    b.Group("Files", "GroupBox9");
    b.Row({C("Label44"), N("Edit68").Width(-1)});
    b.Row({C("Label102"), N("Edit2").Width(-1)});
    b.Row({C("Edit13").Width(-1)});
    b.Row({C("Edit12").Width(-1)});
    b.Group("Batch Options", "GroupBox3", &Form1.GroupBox3);
    b.Row({C("RadioButton3"), N("Edit90").Width(240)});
    b.Row({C("RadioButton4"), N("Edit115").Width(240)});
    b.Row({T("Input file name prefix"), N("Edit119").Width(240)});
    b.Line({C("Edit117"), C("Edit118"), C("Edit120")});
    b.Row({T("Common object name"), N("Edit116").Width(240)});
    b.Row({T("Common input material file. Leave blank to use each file's materials").Span(2)});
    b.Line({N("Edit71").Width(-1), B("Button24", "Browse...")});
    b.Row({C("CheckBox19"), N("Edit23").Width(240)});
    b.ColumnStretch();
}

}  // namespace

void BuildPovRayPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton15", "Save..."), B("ToolButton18", "Save && Render", &Form1.ToolButton18),
               B("ToolButton19", "Save && Edit", &Form1.ToolButton19), B("ToolButton17", "Help")});
    b.Column(1);
    const std::vector<QWidget*> pages = b.SubPages("PageControl5", {"Options", "Files"});
    PageBuilder options(b.Bindings(), "Form1", pages[0]);
    BuildPovOptionsPage(options);
    PageBuilder files(b.Bindings(), "Form1", pages[1]);
    BuildPovFilesPage(files);
}

void BuildMorayPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton9", "Save..."), B("ToolButton30", "Help")});
    b.Column(1);
    b.Group("Files", "GroupBox1");
    b.Row({C("Edit11").Width(-1)});
    b.Row({C("Edit29").Width(-1)});
    b.Row({C("Label112"), N("Edit82").Width(-1)});
    b.Group("Material options");
    b.Line({C("RadioButton20")});
    b.Line({C("RadioButton21")});
    b.EndGroup();
    b.Line({C("Label155")});
    b.ColumnStretch();
    if (QWidget* note = b.Made("Label155")) {
        note->setCursor(Qt::PointingHandCursor);
        QPalette p = note->palette();
        p.setColor(QPalette::WindowText, Qt::blue);
        note->setPalette(p);
    }
}

void BuildObjPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton27", "Save..."), B("ToolButton31", "Help")});
    b.Column(1);
    b.Group("Files", "GroupBox10");
    b.Row({C("Edit1").Width(-1)});
    b.Row({C("Edit86").Width(-1)});
    b.Group("Options");
    b.Line({C("CheckBox21")});
    b.Line({C("CheckBox22")});
    b.Line({C("CheckBox73")});
    b.Line({C("CheckBox83")});
    b.ColumnStretch();
}

void BuildYafRayPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton33", "Save...")});
    b.Column(1);
    b.Group("Files");
    b.Row({T("Scene file:"), N("Edit111").Width(-1)});
    b.ColumnStretch();
}
