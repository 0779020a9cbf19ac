// Every control of the control table on screen: found by its name in its
// window, of the right kind, with its caption, value and state; and a
// click, a typed text and a chosen item each reach the option record.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <set>

#include "GuiFixtures.h"
#include "options/ControlTable.h"
#include "ui/qt/QtText.h"
#include "ui/qt/Widgets.h"

namespace {

// The widget class that shows a control of each kind.
bool OfKind(ControlKind kind, QWidget* w) {
    switch (kind) {
        case ControlKind::CheckBox: return qobject_cast<QCheckBox*>(w);
        case ControlKind::RadioButton: return qobject_cast<QRadioButton*>(w);
        case ControlKind::Edit: return qobject_cast<QLineEdit*>(w);
        case ControlKind::ComboBox: return qobject_cast<QComboBox*>(w);
        case ControlKind::UpDown: return qobject_cast<UpDownWidget*>(w);
        case ControlKind::Memo: return qobject_cast<QPlainTextEdit*>(w);
        case ControlKind::Label: return qobject_cast<QLabel*>(w);
        case ControlKind::Panel: return w != nullptr;  // a swatch or a container
        case ControlKind::PageControl: return qobject_cast<QTabWidget*>(w);
        case ControlKind::SpinButton: return qobject_cast<SpinButtonWidget*>(w);
        case ControlKind::ListBox: return qobject_cast<QListWidget*>(w);
    }
    return false;
}

// What the widget shows, in the text form of GetControlValue.
std::string Shown(const ControlInfo& row, QWidget* w) {
    switch (row.kind) {
        case ControlKind::CheckBox:
        case ControlKind::RadioButton: return static_cast<QAbstractButton*>(w)->isChecked() ? "1" : "0";
        case ControlKind::Edit: return FromQ(static_cast<QLineEdit*>(w)->text());
        case ControlKind::ComboBox: return std::to_string(static_cast<QComboBox*>(w)->currentIndex());
        case ControlKind::UpDown: return std::to_string(static_cast<UpDownWidget*>(w)->Position());
        case ControlKind::Memo: return FromQ(static_cast<QPlainTextEdit*>(w)->toPlainText());
        case ControlKind::PageControl: return std::to_string(static_cast<QTabWidget*>(w)->currentIndex());
        case ControlKind::ListBox: return std::to_string(static_cast<QListWidget*>(w)->currentRow());
        default: return GetControlValue(row);  // swatches: their colour is checked through the record
    }
}

// Whether the record shows the widget: a tool bar shows its widgets through
// actions, and hides for itself those it has no room for.
bool ShownByRecord(QWidget* w) {
    if (auto* bar = qobject_cast<QToolBar*>(w->parentWidget()))
        for (QAction* a : bar->actions())
            if (bar->widgetForAction(a) == w) return a->isVisible();
    return !w->isHidden();
}

// The controls that start-up sets: the output size from the preview, the
// version, the warning line, the POV-Ray program on the PATH, and the
// dialogs' folders.
const std::set<std::string> SetAtStart = {"Form1.Edit47", "Form1.Edit48", "Form1.Label168", "Form1.Label139",
                                          "Form1.Edit52", "Form2.Edit1",  "Form7.Edit2"};

using ControlWalkTest = GuiTest;

TEST_F(ControlWalkTest, EveryControlIsOnScreenWithItsCaptionValueAndState) {
    StartProgram();
    std::set<std::string> bound;
    for (const std::string& name : app->Bindings().Names()) EXPECT_TRUE(bound.insert(name).second) << name;
    for (const ControlInfo& row : ControlTable()) {
        const std::string name = row.QualifiedName();
        SCOPED_TRACE(name);
        EXPECT_TRUE(bound.count(name));
        QWidget* w = FindOne(std::string(row.form), std::string(row.name));
        if (!w) continue;
        EXPECT_TRUE(OfKind(row.kind, w)) << w->metaObject()->className();
        // Caption: the text of a button or label, or the label put beside it.
        if (row.kind == ControlKind::CheckBox || row.kind == ControlKind::RadioButton) {
            EXPECT_EQ(static_cast<QAbstractButton*>(w)->text(), Caption(row.caption));
        }
        if (row.kind == ControlKind::Label && !SetAtStart.count(name)) {
            EXPECT_EQ(static_cast<QLabel*>(w)->text(), LabelText(row.caption));
        }
        if (QWidget* label = app->Bindings().FindLabel(name)) {
            EXPECT_EQ(static_cast<QLabel*>(label)->text(), LabelText(row.caption));
        }
        // Value: the design-time one, shown by the widget.
        const std::string value = GetControlValue(row);
        EXPECT_EQ(Shown(row, w), value);
        if (!SetAtStart.count(name) && row.kind != ControlKind::ComboBox && row.kind != ControlKind::ListBox &&
            row.kind != ControlKind::Memo && row.kind != ControlKind::PageControl) {
            const std::string design = row.kind == ControlKind::Edit ? std::string(row.text)
                                       : row.kind == ControlKind::SpinButton ? ""
                                                                               : std::to_string(row.value);
            EXPECT_EQ(value, design);
        }
        // State: enabled and visible as the record holds them.
        const tcontrol& state = std::visit([](auto* p) -> const tcontrol& { return *p; }, row.ref);
        EXPECT_EQ(!w->testAttribute(Qt::WA_Disabled), state.enabled);
        EXPECT_EQ(ShownByRecord(w), state.visible);
    }
}

TEST_F(ControlWalkTest, TabsButtonsAndMenusStartAsTheWindowOpens) {
    StartProgram();
    QTabWidget* tabs = app->Main().Pages();
    const char* captions[] = {"Input",          "Preview",      "Materials",  "Groups", "Light Dome",
                              "POV-Ray Output", "Moray Output", "OBJ Output", "YafRay"};
    ASSERT_EQ(tabs->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(tabs->tabText(i), QString::fromLatin1(captions[i]));
        EXPECT_EQ(tabs->isTabVisible(i), i != 8);  // the YafRay tab is hidden
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(app->Main().windowTitle(), QStringLiteral("Mirelan"));
    EXPECT_TRUE(app->Main().isVisible());
    EXPECT_TRUE(app->Preview().isVisible());  // and the other windows hidden
    EXPECT_FALSE(app->Status().isVisible() || app->Help().isVisible());
    EXPECT_EQ(app->Preview().windowTitle(), QStringLiteral("Preview (640 x 480)"));
    EXPECT_GE(app->Main().width(), 1024);
    auto* merge = FindOne<QPushButton>("Form1", "Button20");
    ASSERT_TRUE(merge);
    EXPECT_FALSE(merge->isEnabled());
    auto* load = app->Main().findChild<QMenu*>(QStringLiteral("PopupMenu2"));
    ASSERT_TRUE(load);
    QStringList items;
    for (QAction* a : load->actions()) items << a->text();
    EXPECT_EQ(items, QStringList({"3D Model...", "Merge 3D model...", "Poser Scene...", "DAZ|Studio Scene...",
                                  "Batch..."}));
    EXPECT_FALSE(load->actions()[1]->isEnabled());
    auto* strip = FindOne<QPushButton>("Form1", "Button43");
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->text(), QStringLiteral("+"));
    for (const char* radio : {"RadioButton1", "RadioButton7", "RadioButton4", "RadioButton20"}) {
        auto* r = FindOne<QRadioButton>("Form1", radio);
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->isChecked()) << radio;
    }
    // Every button and menu item the pages name is there once.
    for (const std::string& name : app->Bindings().Names())
        EXPECT_NE(app->Bindings().FindObject(name), nullptr) << name;
}

TEST_F(ControlWalkTest, ClickingTypingAndChoosingChangeTheRecords) {
    StartProgram();
    QTabWidget* tabs = app->Main().Pages();
    int changing = 0, changedTo = -1;
    Commands().Add("Form1.PageControl1.Changing", [&] { ++changing; });
    Commands().Add("Form1.PageControl1", [&] { changedTo = Form1.PageControl1.active; });

    // A check box on the OBJ tab, reached by clicking its tab.
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(7).center());
    EXPECT_EQ(Form1.PageControl1.active, 7);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changedTo, 7);
    auto* box = FindOne<QCheckBox>("Form1", "CheckBox21");
    ASSERT_TRUE(box);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box->window()));
    const bool before = Form1.CheckBox21.checked;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_EQ(Form1.CheckBox21.checked, !before);

    // Typing into an edit on the Input tab.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    auto* edit = FindOne<QLineEdit>("Form1", "Edit95");
    ASSERT_TRUE(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "12,5");
    EXPECT_EQ(Form1.Edit95.text, "12,5");

    // Choosing an item with the keyboard, so that the user's choice runs.
    int drawModeChoices = 0;
    Commands().Add("Form1.ComboBox4", [&] { ++drawModeChoices; });
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    auto* combo = FindOne<QComboBox>("Form1", "ComboBox4");
    ASSERT_TRUE(combo);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(Form1.ComboBox4.index, 1);
    EXPECT_EQ(Form1.ComboBox4.SelectedText(), "Line");
    EXPECT_EQ(drawModeChoices, 1);

    // A value set by the program shows after the command, without running
    // the control's handler.
    int gridClicks = 0;
    Commands().Add("Form1.CheckBox52", [&] { ++gridClicks; });
    Commands().Add("Form1.Button1", [] { Form1.CheckBox52.checked = true; });
    QTest::mouseClick(FindOne<QPushButton>("Form1", "Button1"), Qt::LeftButton);
    EXPECT_TRUE(FindOne<QCheckBox>("Form1", "CheckBox52")->isChecked());
    EXPECT_EQ(gridClicks, 0);
}

}  // namespace
