// Where the windows open: at a first start, at their stored places (bounded
// by the screen), and after ten restarts in a row. The test command runs
// these tests once without a window manager and once more on a 1024 x 768
// screen under one (MIRELAN_EXPECT_WINDOW_MANAGER), where windows get frames.
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolBar>
#include <QWindow>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "GuiFixtures.h"
#include "model/HelpTopic.h"
#include "preview/GlView.h"
#include "ui/core/Settings.h"

namespace {

class WindowPlaceTest : public GuiTest {
protected:
    static bool UnderWindowManager() { return std::getenv("MIRELAN_EXPECT_WINDOW_MANAGER") != nullptr; }
    QRect WorkArea() const { return app->Main().screen()->availableGeometry(); }
    std::vector<QWidget*> Windows() const { return {&app->Main(), &app->Preview(), &app->Status(), &app->Help()}; }
    // Shows the status and help windows (they never open by themselves).
    void OpenStatusAndHelp() {
        Commands().Run("Form1.Button43");
        ShowHelpTopic("#top");
        app->Bindings().RefreshAll();
    }
    // Waits until every shown window is exposed, framed when a window
    // manager runs, and has kept its place since the last look.
    // Waits until every shown window is exposed (and framed, under a window
    // manager) and no window has moved or changed its size for a quarter of
    // a second: a busy window manager may take its time over a request.
    void Settle() {
        std::vector<QRect> last;
        QElapsedTimer still;
        still.start();
        const bool settled = QTest::qWaitFor(
            [&] {
                std::vector<QRect> now;
                for (QWidget* w : Windows()) {
                    if (!w->isVisible()) continue;
                    if (!w->windowHandle() || !w->windowHandle()->isExposed()) return false;
                    if (UnderWindowManager() && !w->isMaximized() && w->frameGeometry() == w->geometry()) return false;
                    now.push_back(w->frameGeometry());
                }
                if (now != last) {
                    last = now;
                    still.restart();
                }
                return still.elapsed() >= 250;
            },
            20000);
        ASSERT_TRUE(settled);
    }
    void Restart() {
        app->Main().close();
        ResetOptionsToDefaults();
        StartProgram();
    }
    // The settings file with `key`=`value` in place of the key's line.
    void Store(const std::vector<std::pair<std::string, std::string>>& keys) {
        const std::string path = (dir / std::string(SettingsFileName)).string();
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        std::string s = text.str();
        for (const auto& [key, value] : keys) {
            const std::size_t at = s.find("\r\n" + key + "=") + 2;
            s.replace(at, s.find("\r\n", at) - at, key + "=" + value);
        }
        std::ofstream(path, std::ios::binary) << s;
    }
};

TEST_F(WindowPlaceTest, AFirstStartShowsEveryWindowWholeWithThePreviewBesideTheMainWindow) {
    StartProgram();
    ASSERT_NO_FATAL_FAILURE(Settle());
    MainWindow& main = app->Main();
    const QRect work = WorkArea(), frame = main.frameGeometry(), preview = app->Preview().frameGeometry();
    EXPECT_TRUE(app->Preview().isVisible());
    // The whole main window, frame included, is 1024 x 768 (or the screen).
    EXPECT_EQ(frame.size(), QSize(std::min(1024, work.width()), std::min(768, work.height())));
    EXPECT_TRUE(work.contains(frame) && work.contains(preview));
    // Beside it where the screen has room; else over it only as far as the
    // screen is too small, or (lying wholly over it) clear of its tool bars.
    const int tooWide = frame.width() + preview.width() - work.width();
    const int tooHigh = frame.height() + preview.height() - work.height();
    const QRect overlap = frame & preview;
    QToolBar* bar = main.Pages()->currentWidget()->findChild<QToolBar*>();
    const QRect bars(frame.topLeft(), QPoint(frame.right(), bar->mapToGlobal(QPoint(0, bar->height() - 1)).y()));
    if (tooWide <= 0)
        EXPECT_TRUE(overlap.isEmpty());
    else if (overlap != preview)
        EXPECT_EQ(overlap.width() * overlap.height(), tooWide * std::max(tooHigh, 0));
    else
        EXPECT_FALSE(preview.intersects(bars));

    // The status and help windows leave the tab bar, the tool bar and the
    // "+" button in sight.
    OpenStatusAndHelp();
    ASSERT_NO_FATAL_FAILURE(Settle());
    auto* plus = FindOne<QPushButton>("Form1", "Button43");
    const QRect plusRect(plus->mapToGlobal(QPoint(0, 0)), plus->size());
    for (QWidget* w : {static_cast<QWidget*>(&app->Status()), static_cast<QWidget*>(&app->Help())}) {
        EXPECT_TRUE(work.contains(w->frameGeometry())) << w->objectName().toStdString();
        EXPECT_FALSE(w->frameGeometry().intersects(bars) || w->frameGeometry().intersects(plusRect))
            << w->objectName().toStdString() << " " << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
            << w->frameGeometry().width() << "x" << w->frameGeometry().height() << " bars " << bars.bottom() << " plus "
            << plusRect.x() << "," << plusRect.y();
    }
    // Maximized, the main window keeps its status strip on the screen.
    main.showMaximized();
    ASSERT_NO_FATAL_FAILURE(Settle());
    // (The client area is checked: a window manager may drop the side
    // borders of a maximized window and tell the toolkit only later.)
    EXPECT_TRUE(work.contains(main.geometry()));
    EXPECT_TRUE(work.contains(QRect(plus->mapToGlobal(QPoint(0, 0)), plus->size())));
}

TEST_F(WindowPlaceTest, StoredPlacesComeBackAndDamagedOnesStayOnTheScreen) {
    StartProgram();
    app->Main().close();  // a settings file of this build
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> keys;
        bool exact;  // else only on the screen
    } cases[] = {
        {"stored",
         {{"messagewindow_x", "40"}, {"messagewindow_y", "300"}, {"messagewindow_w", "500"}, {"messagewindow_h", "260"},
          {"helpwindow_w", "-1"}, {"helpwindow_h", "-1"}, {"glposx", "300"}, {"glposy", "200"}, {"glwidth", "320"},
          {"glheight", "240"}},
         true},
        {"damaged",
         {{"Fwidth", "100000"}, {"Fheight", "100000"}, {"helpwindow_y", "-2147483648"}, {"helpwindow_w", "700"},
          {"glposx", "-50000"}, {"messagewindow_w", "99999"}, {"messagewindow_h", "99999"}},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Store(c.keys);
        ResetOptionsToDefaults();
        StartProgram();
        OpenStatusAndHelp();
        ASSERT_NO_FATAL_FAILURE(Settle());
        const QRect work = WorkArea();
        for (QWidget* w : Windows()) EXPECT_TRUE(work.contains(w->frameGeometry())) << w->objectName().toStdString();
        if (c.exact) {
            EXPECT_EQ(QRect(app->Status().pos(), app->Status().size()), QRect(40, 300, 500, 260));
            EXPECT_EQ(QRect(app->Preview().pos(), app->Preview().size()), QRect(300, 200, 320, 240));
            EXPECT_EQ(app->Preview().glView1->size(), QSize(320, 240));
            EXPECT_TRUE(app->Help().isMaximized());
        }
        app->Main().close();
    }
}

TEST_F(WindowPlaceTest, TenRestartsInARowKeepEveryWindowWhereItWas) {
    StartProgram();
    std::vector<QRect> first;
    for (int start = 0; start < 10; ++start) {
        SCOPED_TRACE(start);
        OpenStatusAndHelp();
        ASSERT_NO_FATAL_FAILURE(Settle());
        std::vector<QRect> frames;
        for (QWidget* w : Windows()) frames.push_back(w->frameGeometry());
        if (start == 0) first = frames;
        EXPECT_EQ(frames, first);
        Restart();
    }
}

}  // namespace
