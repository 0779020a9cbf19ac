#include "ui/dialogs/PickerDialogs.h"

#include <QEvent>
#include <QListWidget>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QPushButton>

#include "options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"

QDialog* MakeMapSearchDialog(Binder& binder, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("searchForm2"));
    dialog->setWindowTitle(QStringLiteral("Map Search"));
    ApplyWindowFont(dialog);
    PageBuilder b(binder, "searchForm2", dialog);
    b.Group("");
    b.Line({C("Label3"), Stretch(), B("Button3", "Add...")});
    b.Row({Wide("Memo1").Height(100)});
    b.Line({C("Label4"), N("Edit1").Width(-1), B("Button1", "Find"), B("Button2", "Cancel")});
    b.Row({C("Label1")});
    b.Row({Wide("ListBox1").Height(140)});
    static_cast<QPushButton*>(b.Button("Button1"))->setDefault(true);
    dialog->resize(480, dialog->sizeHint().height());
    dialog->setFixedSize(dialog->size());
    binder.BindDialog(dialog, &searchForm2.modalResult);
    return dialog;
}

namespace {

// Places the picker with its top-left corner at the lower-left corner of
// the custom material's "Insert" button each time it is shown.
class BelowInsertButton : public QObject {
public:
    BelowInsertButton(Binder& binder, QObject* parent) : QObject(parent), binder_(binder) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (const QWidget* button = binder_.Find("Form1.ToolButton34"); button && button->isVisible())
                static_cast<QWidget*>(watched)->move(button->mapToGlobal(button->rect().bottomLeft()));
        return QObject::eventFilter(watched, event);
    }

private:
    Binder& binder_;
};

}  // namespace

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

    // The shown page's tab is highlighted.
    auto* tabs = qobject_cast<QTabWidget*>(b.Made("PageControl1"));
    const auto highlight = [tabs](int current) {
        for (int i = 0; i < tabs->count(); ++i)
            tabs->tabBar()->setTabTextColor(i, i == current ? tabs->palette().color(QPalette::Highlight)
                                                            : tabs->palette().color(QPalette::WindowText));
    };
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, highlight);
    highlight(tabs->currentIndex());

    // The library entries of the "Material" list can be deleted: the line
    // under the mouse is chosen before the menu shows what it allows.
    QMenu* menu = b.Menu("PopupMenu1", {{"Delete1", "Delete", &Form8.Delete1}, {"Cancel1", "Cancel"}});
    auto* materials = qobject_cast<QListWidget*>(binder.Find("Form8.ListBox6"));
    materials->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(materials, &QWidget::customContextMenuRequested, materials, [&binder, materials, menu](QPoint at) {
        if (QListWidgetItem* item = materials->itemAt(at)) materials->setCurrentItem(item);
        Form8.ListBox6.index = materials->currentRow();
        binder.Run("Form8.ListBox6.ContextPopup");
        menu->popup(materials->mapToGlobal(at));
    });
    dialog->installEventFilter(new BelowInsertButton(binder, dialog));
    dialog->resize(560, 420);  // every tab in sight
    binder.BindDialog(dialog, &Form8.modalResult);
    return dialog;
}
