// The Groups and Materials tabs in the real windows: the group list's icons
// and renaming, the material thumbnails, and the snippet picker inserting at
// the memo's caret.
#include <QLabel>
#include <QListWidget>
#include <QOpenGLWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "GuiFixtures.h"
#include "htmllistbox/HtmlListBox.h"
#include "preview/GlView.h"
#include "ui/core/LoadDrivers.h"

namespace {

class PagesTest : public GuiTest {
protected:
    // Starts the program with the two boxes loaded (the red one textured).
    void StartWithBoxes() {
        StartProgram();
        BatchFiles = {MIRELAN_TEXTURED_MODEL};
        ASSERT_TRUE(LoadSelectedModels());
        app->Bindings().RefreshAll();
    }
    void ShowTab(int index) {
        Form1.PageControl1.active = index;
        app->Bindings().RefreshAll();
    }
    // The point of the first link `anchor` in item `item` of the list.
    static QPoint AnchorPoint(THtmlListBox& list, int item, const std::string& anchor) {
        const gfx::Rect row = list.ItemRect(item);
        const int y = (row.top + row.bottom) / 2;
        for (int x = row.left; x < row.right; ++x) {
            int index = -1;
            if (list.AnchorAt(x, y, index) == anchor && index == item) return {x + 2, y};
        }
        return {-1, -1};
    }
    // The pixels of the preview that are not the background's colour.
    int ModelPixels() {
        const QImage frame = app->Preview().glView1->grabFramebuffer();
        const QRgb background = frame.pixel(0, 0);
        int n = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) n += frame.pixel(x, y) != background;
        return n;
    }
};

TEST_F(PagesTest, ClickingTheGroupListsIconsTogglesTheFlagsAndDoubleClickingRenames) {
    StartWithBoxes();
    ShowTab(3);
    auto* list = dynamic_cast<THtmlListBox*>(FindOne<QAbstractScrollArea>("Form1", "HtmlListBox1"));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    ASSERT_EQ(list->Items().Count(), 2);
    const int before = ModelPixels();

    const QPoint eye = AnchorPoint(*list, 0, "visible");
    ASSERT_GE(eye.x(), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, eye);
    EXPECT_EQ(SceneGroups[0].visible, 0);
    EXPECT_EQ(list->Items()[0].substr(0, 17), "<A href=\"notvis\">");
    const QPoint shadow = AnchorPoint(*list, 1, "shadow");
    ASSERT_GE(shadow.x(), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, shadow);
    EXPECT_EQ(SceneGroups[1].castsShadow, 0);
    EXPECT_NE(list->Items()[1].find("noshad"), std::string::npos);

    // The preview follows at the next rebuild: the Groups tab's "Update".
    Form1.PageControl6.active = 3;  // "Lines": no geometry changes
    QTest::mouseClick(FindOne<QToolButton>("Form1", "ToolButton23"), Qt::LeftButton);
    const int after = ModelPixels();
    EXPECT_LT(after, before);
    EXPECT_GT(after, 0);

    // A double click on the name renames the group.
    prompts.inputAnswers = {"Crate"};
    const gfx::Rect row = list->ItemRect(1);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.right - 10, (row.top + row.bottom) / 2));
    EXPECT_EQ(SceneGroups[1].name, "Crate");
    EXPECT_NE(list->Items()[1].find("> Crate"), std::string::npos);
}

TEST_F(PagesTest, TheMaterialPanelShowsTheTexturedMaterialAndItsThumbnail) {
    StartWithBoxes();
    ShowTab(2);
    auto* materials = FindOne<QListWidget>("Form1", "ListBox1");
    ASSERT_NE(materials, nullptr);
    ASSERT_EQ(materials->count(), 2);
    EXPECT_EQ(materials->item(0)->text(), QStringLiteral("Red"));
    EXPECT_EQ(Form1.Label6.caption, "64x64 (16 KBytes)");
    auto* thumbnail = FindOne<QLabel>("Form1", "Image4");
    ASSERT_NE(thumbnail, nullptr);
    const QImage shown = thumbnail->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_NE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::white));  // the map, not a note

    // Choosing the other material stores and refreshes the panel.
    QTest::mouseClick(materials->viewport(), Qt::LeftButton, {}, materials->visualItemRect(materials->item(1)).center());
    EXPECT_EQ(CurrentMaterialIndex, 1);
    EXPECT_EQ(FindOne<QLabel>("Form1", "Label95")->text(), QStringLiteral("#declare Blue_="));
    // A row chosen with the keys is shown the same way.
    QTest::keyClick(materials, Qt::Key_Up);
    EXPECT_EQ(CurrentMaterialIndex, 0);
    EXPECT_EQ(Form1.Label95.caption, "#declare Red_=");
}

TEST_F(PagesTest, ThePickerInsertsItsTextAtTheMemosCaret) {
    StartWithBoxes();
    ShowTab(2);
    Form1.PageControl2.active = 1;
    app->Bindings().RefreshAll();
    auto* memo = FindOne<QPlainTextEdit>("Form1", "Memo2");
    ASSERT_NE(memo, nullptr);
    memo->setFocus();
    QTest::keyClicks(memo, "material{");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "}");
    EXPECT_TRUE(Form1.CheckBox10.checked);  // typing made it active
    QTest::keyClick(memo, Qt::Key_Home);      // the caret at the start of "}"
    EXPECT_EQ(Form1.Memo2.selStart, 10);

    // While the picker is shown: its "Finish" page, a double click on "Dull".
    QTimer::singleShot(0, [this] {
        QDialog* picker = app->Dialog("Form8");
        auto* tabs = picker->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        tabs->setCurrentIndex(3);
        auto* finishes = picker->findChild<QListWidget*>(QStringLiteral("ListBox3"));
        const QRect item = finishes->visualItemRect(finishes->item(1));
        QTest::mouseClick(finishes->viewport(), Qt::LeftButton, {}, item.center());
        QTest::mouseDClick(finishes->viewport(), Qt::LeftButton, {}, item.center());
    });
    QTest::mouseClick(FindOne<QToolButton>("Form1", "ToolButton34"), Qt::LeftButton);
    EXPECT_FALSE(app->Dialog("Form8")->isVisible());
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("material{\n        finish{Dull}\n}"));
    EXPECT_EQ(Form1.Memo2.lines, (std::vector<std::string>{"material{", "        finish{Dull}", "}"}));
    EXPECT_EQ(memo->textCursor().position(), 31);  // after the inserted text
}

}  // namespace
