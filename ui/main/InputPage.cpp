#include <QLabel>
#include <QMenu>

#include "ui/main/Pages.h"
#include "ui/qt/PageBuilder.h"

namespace {

// A label that opens a link: blue, underlined, with the hand cursor.
void ShowAsLink(QWidget* label) {
    if (!label) return;
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(p);
    label->setCursor(Qt::PointingHandCursor);
}

}  // namespace

void BuildInputPage(PageBuilder& b) {
    b.ToolBar({B("ToolButton7", "Load..."), B("ToolButton10", "Manual..."), B("ToolButton13", "Tutorials"),
               B("ToolButton20", "Exit")});
    QMenu* load = b.Menu("PopupMenu2", {{"N3DModel1", "3D Model..."},
                                        {"Merge3Dmodel1", "Merge 3D model...", &Form1.Merge3Dmodel1},
                                        {"PoserScene1", "Poser Scene..."},
                                        {"DAZStudioScene1", "DAZ|Studio Scene..."},
                                        {"Batch1", "Batch..."}});
    b.DropDown("ToolButton7", load);

    b.Column(1);
    b.Group("Import Options");
    b.Row({C("CheckBox26").Span(2)});
    b.Row({C("Edit95")});
    b.Row({C("ComboBox26")});
    b.Group("");
    b.Row({T("Previously loaded models:")});
    b.Line({N("ComboBox15").Width(-1), B("Button71", "Load selected"), B("Button20", "Merge selected", &Form1.Button20)});
    b.Group("Run options");
    b.Row({C("CheckBox34")});
    b.ColumnStretch();

    b.Column(1);
    b.Group("");
    b.Row({C("Label168")});
    b.Row({C("Label159")});
    b.Row({C("Label90")});
    b.Row({C("Label94")});
    b.ColumnStretch();
    if (QWidget* version = b.Made("Label168")) {
        QFont f = version->font();
        f.setPixelSize(20);
        f.setBold(true);
        version->setFont(f);
    }
    ShowAsLink(b.Made("Label90"));
    ShowAsLink(b.Made("Label94"));
}
