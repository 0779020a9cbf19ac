// The widgets behind the viewer's form controls and the paint panel: each
// kind is its real widget, state and widget follow each other both ways, the
// user's input raises the control's events, and a laid-out document places
// its widgets in the text with real fonts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "htmlviewer/HtmlParser.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/HtmlTable.h"
#include "htmlviewer/widgets/FormWidgets.h"
#include "platform/qt/QtCanvas.h"

namespace {

TControlSpec Spec(TControlKind kind) {
    TControlSpec spec;
    spec.Kind = kind;
    return spec;
}

template <class W>
W* As(TWindowControl& control) {
    return qobject_cast<W*>(static_cast<TQtWindowControl&>(control).InputWidget());
}

TEST(FormWidgets, EveryKindIsItsWidget) {
    TQtPaintPanel panel;
    struct Case {
        TControlKind kind;
        const char* className;
    };
    const std::vector<Case> cases = {
        {TControlKind::Edit, "QLineEdit"},         {TControlKind::Button, "QPushButton"},
        {TControlKind::Radio, "QRadioButton"},     {TControlKind::CheckBox, "QCheckBox"},
        {TControlKind::ListBox, "QListWidget"},    {TControlKind::ComboBox, "QComboBox"},
        {TControlKind::TextArea, "QPlainTextEdit"},
    };
    for (const Case& c : cases) {
        auto control = panel.CreateControl(Spec(c.kind));
        auto& qt = static_cast<TQtWindowControl&>(*control);
        EXPECT_STREQ(qt.InputWidget()->metaObject()->className(), c.className);
        EXPECT_EQ(qt.Widget()->parentWidget(), &panel);
        EXPECT_FALSE(qt.Widget()->isVisibleTo(&panel));
        control->SetBounds({3, 4, 33, 24});
        control->SetVisible(true);
        EXPECT_EQ(qt.Widget()->geometry(), QRect(3, 4, 30, 20));
        EXPECT_TRUE(qt.Widget()->isVisibleTo(&panel));
    }
}

TEST(FormWidgets, TextFollowsBothWays) {
    TQtPaintPanel panel;
    TControlSpec spec = Spec(TControlKind::Edit);
    spec.Password = true;
    spec.MaxLength = 6;
    auto edit = panel.CreateControl(spec);
    QLineEdit* line = As<QLineEdit>(*edit);
    EXPECT_EQ(line->echoMode(), QLineEdit::Password);
    edit->SetText("caf\xE9");
    EXPECT_EQ(line->text(), QString::fromUtf8("caf\xC3\xA9"));
    QTest::keyClicks(line, "xyz");
    EXPECT_EQ(edit->Text(), "caf\xE9xy");  // at most 6 characters
    int returns = 0;
    edit->OnReturn = [&] { ++returns; };
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(returns, 1);

    auto area = panel.CreateControl(Spec(TControlKind::TextArea));
    auto* text = As<QPlainTextEdit>(*area);
    area->SetLines({"l1", "l2"});
    EXPECT_EQ(text->toPlainText(), "l1\nl2");
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    text->moveCursor(QTextCursor::Start);
    QTest::keyClicks(text, "x");
    EXPECT_EQ(area->Lines(), (std::vector<std::string>{"xl1", "l2"}));

    auto button = panel.CreateControl(Spec(TControlKind::Button));
    button->SetText("A&B");
    EXPECT_EQ(As<QPushButton>(*button)->text(), "A&&B");
    int clicks = 0;
    button->OnClick = [&] { ++clicks; };
    QTest::mouseClick(As<QPushButton>(*button), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST(FormWidgets, ChoicesFollowBothWays) {
    TQtPaintPanel panel;
    auto radio = panel.CreateControl(Spec(TControlKind::Radio));
    radio->SetBounds({0, 0, 13, 14});
    int checked = 0;
    radio->OnChecked = [&] { ++checked; };
    QTest::mouseClick(As<QRadioButton>(*radio), Qt::LeftButton, {}, QPoint(6, 7));
    EXPECT_TRUE(radio->Checked());
    EXPECT_EQ(checked, 1);
    radio->SetChecked(false);  // the form unchecks it
    EXPECT_FALSE(As<QRadioButton>(*radio)->isChecked());
    radio->SetBackground(gfx::clRed);
    EXPECT_EQ(static_cast<TQtWindowControl&>(*radio).Widget()->palette().color(QPalette::Window), QColor(Qt::red));

    auto check = panel.CreateControl(Spec(TControlKind::CheckBox));
    check->SetBounds({0, 0, 13, 13});
    check->SetChecked(true);
    EXPECT_TRUE(As<QCheckBox>(*check)->isChecked());
    QTest::mouseClick(As<QCheckBox>(*check), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_FALSE(check->Checked());

    TControlSpec multi = Spec(TControlKind::ListBox);
    multi.Multiple = true;
    auto list = panel.CreateControl(multi);
    for (const char* item : {"a", "b", "c"}) list->AddItem(item);
    list->SetItemSelected(0, true);
    auto* widget = As<QListWidget>(*list);
    EXPECT_TRUE(widget->item(0)->isSelected());
    widget->item(2)->setSelected(true);  // the user adds an item
    EXPECT_TRUE(list->ItemSelected(0));
    EXPECT_TRUE(list->ItemSelected(2));
    EXPECT_EQ(widget->selectionMode(), QAbstractItemView::ExtendedSelection);

    auto combo = panel.CreateControl(Spec(TControlKind::ComboBox));
    combo->AddItem("x");
    combo->AddItem("y");
    combo->SetItemSelected(0, true);
    QTest::keyClick(As<QComboBox>(*combo), Qt::Key_Down);
    EXPECT_EQ(combo->ItemIndex(), 1);
}

TEST(FormWidgets, FocusIsReported) {
    TQtPaintPanel panel;
    auto edit = panel.CreateControl(Spec(TControlKind::Edit));
    std::vector<bool> seen;
    edit->OnFocus = [&](bool on) { seen.push_back(on); };
    QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
    QApplication::sendEvent(As<QLineEdit>(*edit), &in);
    QApplication::sendEvent(As<QLineEdit>(*edit), &out);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST(FormWidgets, TimerAndRepaints) {
    TQtPaintPanel panel;
    auto timer = panel.CreateTimer();
    int ticks = 0;
    timer->OnTimer = [&] { ++ticks; };
    timer->SetInterval(5);
    timer->SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }));
    timer->SetEnabled(false);

    int paints = 0;
    panel.OnPaint = [&](QPainter&, const QRect&) { ++paints; };
    panel.resize(100, 100);
    panel.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    const int before = paints;
    panel.Invalidate({5, 5, 20, 20});
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints > before; }));
}

// A document with controls in a coloured table cell, laid out and painted
// with real fonts: the widgets stand where the layout put them.
TEST(FormWidgets, TheDocumentPlacesItsWidgets) {
    TQtPaintPanel panel;
    panel.resize(400, 300);
    TSectionList doc(&panel);
    doc.ShowImages = false;
    TMyFont font;
    font.Font.family = doc.FontName;
    font.SetNormalSize(12, doc.FontSize);

    auto table = std::make_unique<ThtmlTable>(&doc, TAttributeList{}, LeftJustify, true);
    auto row = std::make_unique<TCellList>();
    TAttributeList cellAttrs;
    auto color = std::make_unique<TAttribute>();
    color->AttrSymbol = AttrSym::BgColor;
    color->Name = "yellow";
    cellAttrs.Add(std::move(color));
    auto cell = std::make_unique<TCellObj>(&doc, cellAttrs, VAMiddle);
    auto para = std::make_unique<TSection>(&doc, LeftJustify, TUrlTarget{}, font, 0);
    TokenObj text;
    for (char c : std::string("Name: ")) text.AddChar(c, 0);
    para->AddTokenObj(text, false);
    TAttributeList none;
    TAttributeList radioAttrs;
    auto type = std::make_unique<TAttribute>();
    type->AttrSymbol = AttrSym::Type;
    type->Name = "radio";
    radioAttrs.Add(std::move(type));
    TFormControlObj* edit = para->AddFormControl(Sym::Input, none, false, 0);
    TFormControlObj* radio = para->AddFormControl(Sym::Input, radioAttrs, false, 0);
    cell->Cell->Add(std::move(para));
    row->Add(std::move(cell));
    table->Rows.Add(std::move(row));
    doc.Add(std::move(table));

    QImage image(400, 300, QImage::Format_RGB32);
    QPainter painter(&image);
    gfx::QtCanvas canvas(painter);
    int curs = 0, maxWidth = 0;
    EXPECT_GT(doc.LayOutContent(canvas, 0, 380, curs, maxWidth), edit->Height());
    doc.Draw(canvas, {0, 0, 400, 300}, 0, 0);
    auto* editWidget = static_cast<TQtWindowControl*>(edit->GetControl())->Widget();
    EXPECT_TRUE(editWidget->isVisibleTo(&panel));
    const gfx::Rect& b = edit->GetControl()->Bounds();
    EXPECT_EQ(editWidget->geometry(), QRect(b.left, b.top, b.width(), b.height()));
    EXPECT_GT(b.left, 0);  // after the text
    EXPECT_EQ(radio->GetControl()->Background(), PaletteRelative(gfx::rgb(255, 255, 0)));
    EXPECT_EQ(static_cast<TQtWindowControl*>(radio->GetControl())->Widget()->palette().color(QPalette::Window),
              QColor(Qt::yellow));
}

// Options and lines reach the widgets one at a time, each selection as the
// page gives it; the widget shows what the control holds.
TEST(FormWidgets, OptionsAndLinesOfAPage) {
    TQtPaintPanel panel;
    TSectionList doc(&panel);
    TAnchorList anchors;
    ThlParser parser(
        "<SELECT SIZE=3><OPTION SELECTED>a<OPTION>b<OPTION SELECTED>c<OPTION>d</SELECT>"
        "<SELECT MULTIPLE><OPTION SELECTED>a<OPTION>b<OPTION SELECTED>c</SELECT>"
        "<SELECT><OPTION>x<OPTION>y</SELECT><SELECT><OPTION>x<OPTION SELECTED>y<OPTION>z</SELECT>"
        "<TEXTAREA>\nl1\n\nl&amp;3</TEXTAREA>");
    parser.ForViewer = true;
    parser.ParseHtml(doc, anchors);
    ASSERT_EQ(doc.FormControlList.size(), 5u);
    const std::vector<std::vector<bool>> selected = {
        {false, false, true, false}, {true, false, true}, {true, false}, {false, true, false}};
    for (std::size_t i = 0; i < selected.size(); ++i) {
        TWindowControl& control = *doc.FormControlList[i]->GetControl();
        for (std::size_t k = 0; k < selected[i].size(); ++k) {
            EXPECT_EQ(control.ItemSelected(static_cast<int>(k)), selected[i][k]) << i << " " << k;
            if (auto* list = As<QListWidget>(control)) {
                EXPECT_EQ(list->item(static_cast<int>(k))->isSelected(), selected[i][k]) << i << " " << k;
            }
        }
        if (auto* combo = As<QComboBox>(control)) {
            EXPECT_EQ(combo->currentIndex(), control.ItemIndex()) << i;
        }
    }
    TWindowControl& area = *doc.FormControlList[4]->GetControl();
    EXPECT_EQ(area.Lines(), (std::vector<std::string>{"", "l1", "", "l&3"}));
    auto* text = As<QPlainTextEdit>(area);
    EXPECT_EQ(text->toPlainText(), "\nl1\n\nl&3");
    EXPECT_FALSE(text->document()->isUndoAvailable());  // the page's text is no step to undo
}

// A page's large lists and text area are filled in one pass: each option
// and line is added once, and no control or widget is given all that came
// before it again for each one. Counted at both levels: the control's
// whole-selection and whole-text settings (a reset of a list sets every
// option's selection, a refill of a text area all its lines), and the
// widget's selection settings and text replacements.
TEST(FormWidgets, LargeListsAndTextFillOnce) {
    // A control that counts its selection settings and whole-text refills.
    struct CountingControl : TQtWindowControl {
        using TQtWindowControl::TQtWindowControl;
        void SetItemSelected(int index, bool on) override {
            ++Selections;
            TQtWindowControl::SetItemSelected(index, on);
        }
        void SetLines(const std::vector<std::string>& lines) override {
            ++Refills;
            TQtWindowControl::SetLines(lines);
        }
        int Selections = 0, Refills = 0, WidgetSets = 0;
    };
    // A list widget's selection model that counts what it is told to select.
    struct CountingSelection : QItemSelectionModel {
        CountingSelection(QAbstractItemModel* model, int& count) : QItemSelectionModel(model), Count(count) {}
        void select(const QModelIndex& index, SelectionFlags flags) override {
            ++Count;
            QItemSelectionModel::select(index, flags);
        }
        void select(const QItemSelection& selection, SelectionFlags flags) override {
            ++Count;
            QItemSelectionModel::select(selection, flags);
        }
        int& Count;
    };
    struct CountingPanel : TQtPaintPanel {
        std::unique_ptr<TWindowControl> CreateControl(const TControlSpec& spec) override {
            auto control = std::make_unique<CountingControl>(spec, this);
            int& sets = control->WidgetSets;
            QWidget* input = control->InputWidget();
            if (auto* list = qobject_cast<QListWidget*>(input)) {
                list->setSelectionModel(new CountingSelection(list->model(), sets));
            } else if (auto* text = qobject_cast<QPlainTextEdit*>(input)) {
                QObject::connect(text->document(), &QTextDocument::contentsChanged, [&sets] { ++sets; });
            }
            return control;
        }
    };

    constexpr int N = 2000;
    std::string page;
    const auto select = [&](const std::string& attributes, int selectEvery) {
        page += "<SELECT " + attributes + ">";
        for (int i = 0; i < N; ++i)
            page += std::string(selectEvery > 0 && i % selectEvery == 0 ? "<OPTION SELECTED>" : "<OPTION>") + "o" +
                    std::to_string(i);
        page += "</SELECT>";
    };
    select("SIZE=4 MULTIPLE", 10);
    select("SIZE=4", 1);  // each selected option takes over from the one before
    select("", 0);        // a drop-down list shows the first option
    page += "<TEXTAREA ROWS=4>";
    for (int i = 0; i < N; ++i) page += "line " + std::to_string(i) + "\n";
    page += "</TEXTAREA>";

    CountingPanel panel;
    panel.resize(1000, 400);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    TSectionList doc(&panel);
    TAnchorList anchors;
    ThlParser parser(page);
    parser.ForViewer = true;
    parser.ParseHtml(doc, anchors);
    QImage image(1000, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    gfx::QtCanvas canvas(painter);
    int curs = 0, maxWidth = 0;
    doc.LayOutContent(canvas, 0, 1000, curs, maxWidth);
    doc.Draw(canvas, {0, 0, 1000, 400}, 0, 0);  // shows the widgets, which take their content
    QApplication::processEvents();

    // Per control: the selection settings, one per option the page selects
    // (the drop-down list's first option once); the refills, none; the
    // widget's selection or text set once, when shown (-1: a drop-down list
    // has only its current index, set as its options come).
    struct Expected {
        int selections, refills, widgetSets;
    };
    const Expected expected[] = {{N / 10, 0, 1}, {N, 0, 1}, {1, 0, -1}, {0, 0, 1}};
    ASSERT_EQ(doc.FormControlList.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        auto& control = static_cast<CountingControl&>(*doc.FormControlList[i]->GetControl());
        EXPECT_TRUE(control.Visible()) << i;
        EXPECT_EQ(control.Selections, expected[i].selections) << i;
        EXPECT_EQ(control.Refills, expected[i].refills) << i;
        if (expected[i].widgetSets >= 0) {
            EXPECT_EQ(control.WidgetSets, expected[i].widgetSets) << i;
        }
    }
    // Filled all the same.
    auto& multiple = static_cast<TQtWindowControl&>(*doc.FormControlList[0]->GetControl());
    EXPECT_EQ(qobject_cast<QListWidget*>(multiple.InputWidget())->selectedItems().size(), N / 10);
    auto& area = static_cast<TQtWindowControl&>(*doc.FormControlList[3]->GetControl());
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(area.InputWidget())->blockCount(), N);
}

}  // namespace
