#include "ui/dialogs/PickerDialogs.h"

#include <QMenu>
#include <QPushButton>

#include "ui/options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"

QDialog* MakeMapSearchDialog(Binder& binder, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("searchForm2"));
    dialog->setWindowTitle(QStringLiteral("Map Search"));
    ApplyWindowFont(dialog);
    PageBuilder b(binder, "searchForm2", dialog);
    b.Group("");
    b.Row({C("Label3"), Stretch(), B("Button3", "Add...")});
    b.Row({Wide("Memo1").Height(100).Span(3)});
    b.Row({C("Label4"), N("Edit1").Width(-1), B("Button1", "Find"), B("Button2", "Cancel")});
    b.Row({C("Label1").Span(2)});
    b.Row({Wide("ListBox1").Height(140).Span(4)});
    static_cast<QPushButton*>(b.Button("Button1"))->setDefault(true);
    dialog->resize(480, dialog->sizeHint().height());
    dialog->setFixedSize(dialog->size());
    binder.BindDialog(dialog, &searchForm2.modalResult);
    return dialog;
}

QDialog* MakeSnippetPicker(Binder& binder, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("Form8"));
    dialog->setWindowTitle(QStringLiteral("POV-Ray snippets"));
    ApplyWindowFont(dialog);
    PageBuilder b(binder, "Form8", dialog);
    b.Column(1);
    b.Row({C("Label1")});
    const std::vector<QWidget*> pages = b.SubPages(
        "PageControl1", {"Material", "Texture", "Pigment", "Finish", "Normal", "Blending Patterns", "Interior"});
    const char* lists[] = {"ListBox6", "ListBox1", "ListBox2", "ListBox3", "ListBox4", "ListBox5", "ListBox7"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PageBuilder page(binder, "Form8", pages[i]);
        page.Row({Wide(lists[i]).Tall()});
    }
    b.Row({C("CheckBox1"), Stretch(), B("Button1", "Close")});
    QMenu* menu = b.Menu("PopupMenu1", {{"Delete1", "Delete"}, {"Cancel1", "Cancel"}});
    binder.AttachPopup(binder.Find("Form8.ListBox6"), "ListBox6", menu);
    dialog->resize(360, 420);
    binder.BindDialog(dialog, &Form8.modalResult);
    return dialog;
}
