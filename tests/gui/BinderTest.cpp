// The binder and the Qt services between records and widgets: up-downs and
// their edits, radio groups, the lists of records, state pushed after a
// command, modal dialogs that end on their record, and the status pages.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "GuiFixtures.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "tests/readers/memory/CountedHeap.h"
#include "ui/control/FormDialogs.h"
#include "ui/core/CameraPresets.h"
#include "ui/qt/Widgets.h"

namespace {

using BinderTest = GuiTest;

TEST_F(BinderTest, UpDownsAndTheirEditsStayInStep) {
    StartProgram();
    app->Main().Pages()->setCurrentIndex(1);  // Preview: "Sky rotation (deg):" -180..180 in steps of 10
    auto* updown = FindOne<UpDownWidget>("Form1", "UpDown8");
    auto* edit = FindOne<QLineEdit>("Form1", "Edit70");
    ASSERT_TRUE(updown && edit);
    int clicks = 0;
    Commands().Add("Form1.UpDown8", [&] { ++clicks; });
    emit updown->Clicked(30);  // as a click on an arrow reports it
    EXPECT_EQ(Form1.UpDown8.position, 30);
    EXPECT_EQ(edit->text(), QStringLiteral("30"));
    EXPECT_EQ(clicks, 1);
    const std::pair<const char*, int> typed[] = {{"-45", -45}, {"999", 180}, {"abc", 180}, {"12", 12}};
    for (const auto& [text, position] : typed) {
        edit->setText(QString::fromLatin1(text));
        EXPECT_EQ(Form1.UpDown8.position, position) << text;
        EXPECT_EQ(Form1.Edit70.text, text);
    }
    // A value the program sets shows from its start in the narrow edit.
    Commands().Add("Form1.Test.SetLong", [] { Form1.Edit70.text = "0.0861684412345678"; });
    Commands().Run("Form1.Test.SetLong");
    EXPECT_EQ(edit->text(), QStringLiteral("0.0861684412345678"));
    EXPECT_EQ(edit->cursorPosition(), 0);
}

// A widget's signal whose record cannot take the widget's text for lack of
// memory ends in the memory box, not in the end of the program.
TEST_F(BinderTest, ASignalThatRunsOutOfMemoryShowsTheBox) {
    StartProgram();
    auto* edit = FindOne<QLineEdit>("Form1", "Edit70");
    ASSERT_TRUE(edit);
    const QString text = QStringLiteral("a text longer than a short string holds");
    memtest::allocationsLeft = 0;  // the record's copy of the text
    EXPECT_NO_THROW(emit edit->textChanged(text));
    memtest::allocationsLeft = memtest::NoLimit;
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, NoMemoryForCommandText);
}

TEST_F(BinderTest, RadioGroupsFollowTheTableAndTheRecordsAfterACommand) {
    StartProgram();
    app->Main().Pages()->setCurrentIndex(3);  // Groups
    auto* flipXY = FindOne<QRadioButton>("Form1", "RadioButton13");
    ASSERT_TRUE(flipXY);
    int clicks = 0;
    Commands().Add("Form1.RadioButton13", [&] { ++clicks; });
    flipXY->click();
    EXPECT_TRUE(Form1.RadioButton13.checked);
    EXPECT_FALSE(Form1.RadioButton1.checked);
    EXPECT_TRUE(Form1.RadioButton7.checked);  // another group keeps its choice
    EXPECT_EQ(clicks, 1);

    // A command changes records; the widgets follow, without their handlers.
    Commands().Add("Form1.ToolButton25", [] {
        SetControlValue("Form1.RadioButton1", "1");
        Form1.Edit58.enabled = true;
        Form1.RadioButton22.visible = true;
        Form1.Button46.enabled = true;
        Form1.Label92.caption = "64x64";
    });
    Commands().Run("Form1.ToolButton25");
    EXPECT_TRUE(FindOne<QRadioButton>("Form1", "RadioButton1")->isChecked());
    EXPECT_FALSE(flipXY->isChecked());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(FindOne<QLineEdit>("Form1", "Edit58")->isEnabled());
    EXPECT_FALSE(FindOne<QRadioButton>("Form1", "RadioButton22")->isHidden());
    EXPECT_TRUE(FindOne<QPushButton>("Form1", "Button46")->isEnabled());
    EXPECT_EQ(FindOne<QLabel>("Form1", "Label92")->text(), QStringLiteral("64x64"));
}

// The light selector and the camera presets show the lights and cameras
// themselves: a light renamed in the panel or deleted is listed as it is.
TEST_F(BinderTest, TheLightSelectorAndTheCameraPresetsListTheRecords) {
    StartProgram();
    app->Main().Pages()->setCurrentIndex(1);  // Preview
    const auto shown = [this](const char* name) {
        auto* combo = FindOne<QComboBox>("Form1", name);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        return (items.join(',') + " @" + QString::number(combo->currentIndex())).toStdString();
    };
    Commands().Add("Form1.Test.Records", [] {
        Lights.resize(2);
        for (tlight& l : Lights) NewLight(l);
        Lights[0].name = "Key";
        Lights[1].name = "Fill";
        Form1.ComboBox2.index = 1;
        AddCamera("Front");
    });
    Commands().Run("Form1.Test.Records");
    EXPECT_EQ(shown("ComboBox2"), "Key,Fill @1");
    EXPECT_EQ(shown("ComboBox8"), "Front @0");
    FindOne<QLineEdit>("Form1", "Edit80")->setText(QStringLiteral("Rim"));  // "Name:" of the chosen light
    EXPECT_EQ(shown("ComboBox2"), "Key,Rim @1");
    FindOne<QPushButton>("Form1", "Button2")->click();  // "-"
    EXPECT_EQ(shown("ComboBox2"), "Key @0");
    ClearCameras();
}

TEST_F(BinderTest, ADialogEndsWhenAHandlerSetsItsResult) {
    StartProgram();
    FormDialogs& dialogs = *app->Dialogs();
    prompts.defaultAnswer = Answer::Yes;  // "There are warnings. Continue?"
    // OK of the export options: its handler ends the dialog with OK.
    QTimer::singleShot(0, [this] { FindOne<QPushButton>("Form2", "Button1")->click(); });
    EXPECT_EQ(dialogs.ShowModal("Form2"), ModalResult::Ok);
    // Esc (the close box) gives Cancel.
    QTimer::singleShot(0, [this] { QTest::keyClick(app->Dialog("Form3"), Qt::Key_Escape); });
    EXPECT_EQ(dialogs.ShowModal("Form3"), ModalResult::Cancel);
    EXPECT_EQ(dialogs.ShowModal("Form1"), ModalResult::Cancel);  // not a dialog
}

TEST_F(BinderTest, StatusPagesCountTheirLinesAndTheStripFollowsTheLog) {
    StartProgram();
    ClearWarningsPage();
    EXPECT_EQ(WarningLineCount(), 0);
    AppendLine(StatusPage::Warnings, "one");
    AppendLine(StatusPage::Warnings, "two");
    EXPECT_EQ(WarningLineCount(), 2);
    LogMessage("Loading Model car.obj");
    EXPECT_EQ(FindOne<QLabel>("Form1", "Label160")->text(), QStringLiteral("Loading Model car.obj"));
    BeginWait();
    EXPECT_EQ(FindOne<QLabel>("Form1", "Label139")->text(), QStringLiteral("Processing..."));
    EXPECT_FALSE(app->Main().Pages()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    app->Main().close();  // refused while the operation runs
    EXPECT_TRUE(app->Main().isVisible());
    EndWait();
    EXPECT_TRUE(app->Main().Pages()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
