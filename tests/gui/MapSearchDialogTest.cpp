// The program's "Map Search" dialog: a name typed, "Find" clicked, the hits
// of a folder tree listed, a double click picking one.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <fstream>

#include "GuiFixtures.h"

TEST_F(GuiTest, MapSearchDialogListsTheHitsAndADoubleClickPicksOne) {
    StartProgram();
    for (const char* f : {"maps/wood.jpg", "maps/deep/WOOD.JPG", "more/Wood.jpg", "more/other.jpg"}) {
        std::filesystem::create_directories((dir / f).parent_path());
        std::ofstream(dir / f) << "x";
    }
    searchForm2.Memo1.lines = {(dir / "maps").string(), (dir / "more").string()};
    QDialog* dialog = app->Dialog("searchForm2");
    app->Bindings().RefreshAll();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    auto* list = FindOne<QListWidget>("searchForm2", "ListBox1");
    QTest::keyClicks(FindOne<QLineEdit>("searchForm2", "Edit1"), "wood.JPG");
    QTest::mouseClick(FindOne<QPushButton>("searchForm2", "Button1"), Qt::LeftButton);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text().mid(dir.string().size());
    EXPECT_EQ(shown, QStringList({"/maps/wood.jpg", "/maps/deep/WOOD.JPG", "/more/Wood.jpg"}));
    const QPoint third = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third);
    EXPECT_FALSE(dialog->isVisible());  // closed with OK on the third
    EXPECT_EQ(std::pair(searchForm2.modalResult, searchForm2.ListBox1.index), std::pair(ModalResult::Ok, 2));
}
