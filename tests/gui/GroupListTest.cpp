// The group list on the Groups tab of the main window: its icons are links
// whose clicks reach the list's record, a click on a name selects the group,
// and the tab is grabbed for a person to look at.
#include <QDir>
#include <QTabWidget>

#include "GuiFixtures.h"
#include "htmllistbox/HtmlListBox.h"
#include "model/ModelLists.h"

namespace {

using GroupListGuiTest = GuiTest;

TEST_F(GroupListGuiTest, IconClicksReachTheRecordAndANameClickSelects) {
    StartProgram();
    tgroup body, hair;
    body.name = "Body";
    hair.name = "Hair & <Lashes>";
    hair.castsShadow = 0;
    Form1.HtmlListBox1.items = {GroupListLine(body), GroupListLine(hair)};
    app->Bindings().Refresh("Form1.HtmlListBox1");
    auto* tabs = FindOne<QTabWidget>("Form1", "PageControl1");
    ASSERT_TRUE(tabs);
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == QStringLiteral("Groups")) tabs->setCurrentIndex(i);
    auto* list = dynamic_cast<THtmlListBox*>(FindOne("Form1", "HtmlListBox1"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Items().Count(), 2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));

    // The eye of the second group, then its shadow icon, a blank further on.
    const gfx::Rect row = list->ItemRect(1);
    const int y = row.top + 8;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, y));
    EXPECT_EQ(Form1.HtmlListBox1.clickedItem, 1);
    EXPECT_EQ(Form1.HtmlListBox1.clickedAnchor, "visible");
    int shadowX = -1, index = -1;
    for (int x = 20; x < 60 && shadowX < 0; ++x)
        if (list->AnchorAt(x, y, index) == "noshad") shadowX = x + 4;
    ASSERT_GT(shadowX, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(shadowX, y));
    EXPECT_EQ(Form1.HtmlListBox1.clickedAnchor, "noshad");
    EXPECT_EQ(Form1.HtmlListBox1.index, -1) << "a click on an icon selects nothing";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(shadowX + 40, y));
    EXPECT_EQ(Form1.HtmlListBox1.index, 1);

    QDir().mkpath("artifacts");
    app->Main().grab().save("artifacts/GroupsTab.png");
}

}  // namespace
