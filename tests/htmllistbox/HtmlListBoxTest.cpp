// The list box in a real window: item heights, anchor clicks, sorting,
// incremental search, the horizontal extent, blinking, and the group list
// with its icons (clicked and looked at).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "htmllistbox/GroupListIcons.h"
#include "htmllistbox/HtmlListBox.h"
#include "model/ModelLists.h"
#include "model/Services.h"
#include "platform/gfx/RecordingCanvas.h"

namespace {

// A list box that remembers which items it was asked to redraw.
class RecordingList : public THtmlListBox {
public:
    std::vector<int> redrawn;

protected:
    void RedrawItem(int index) override {
        redrawn.push_back(index);
        THtmlListBox::RedrawItem(index);
    }
};

// A shown list 240 x 300 that lays items out with the recording canvas's
// fixed metrics (characters 7 wide, lines 16 high).
class HtmlListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(240, 300);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.SetLayoutCanvas(&metrics);
    }
    void Add(std::initializer_list<std::string> items) {
        for (const std::string& item : items) list.Items().Add(item);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (int i = 0; i < list.Items().Count(); ++i) t.push_back(list.Items()[i]);
        return t;
    }
    void Click(int x, int y) { QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(x, y)); }

    gfx::RecordingCanvas metrics;
    RecordingList list;
};

TEST_F(HtmlListBoxTest, ItemHeightsComeFromTheRenderer) {
    std::string tall = "a";
    for (int i = 0; i < 19; ++i) tall += "<BR>a";  // 20 lines: 320 pixels
    Add({"text", "", "a<BR>b", tall});
    EXPECT_EQ(list.ItemHeight(0), 20);
    EXPECT_EQ(list.ItemHeight(1), 20);  // an empty item is as high as "gh"
    EXPECT_EQ(list.ItemHeight(2), 36);
    EXPECT_EQ(list.ItemHeight(3), 255);
    list.SetLineSpacing(2);
    EXPECT_EQ(list.ItemHeight(0), 22);
    EXPECT_EQ(list.ItemRect(1), (gfx::Rect{0, 22, list.viewport()->width(), 42}));
    EXPECT_EQ(list.ItemAtPos(5, 30), 1);
    EXPECT_THROW(list.ItemPlainText(4), EHtmlListBoxError);
    EXPECT_THROW(list.ItemPlainText(-1), EHtmlListBoxError);
    EXPECT_EQ(list.ItemPlainText(2), "a\r\nb");
}

// The list box drops its image list and its picture container when they
// are destroyed, and measures and paints on without them; one destroyed
// after the list box is not told.
TEST_F(HtmlListBoxTest, DestroyedImagesAndPicturesAreDropped) {
    auto icons = std::make_unique<gfx::ImageList>(16, 40);
    icons->add(gfx::Bitmap(16, 40, gfx::PixelFormat::pf32bit));
    auto container = std::make_unique<TImageContainer>();
    list.SetImages(icons.get());
    list.SetImageContainer(container.get());
    Add({R"(<IMG src="idx:0"> a)", R"(<IMG src="named"> b)"});
    EXPECT_EQ(list.ItemHeight(0), 44);
    icons.reset();
    container.reset();
    EXPECT_EQ(list.Images(), nullptr);
    EXPECT_EQ(list.ImageContainer(), nullptr);
    EXPECT_EQ(list.ItemHeight(0), 20);
    list.viewport()->repaint();

    auto later = std::make_unique<gfx::ImageList>();
    auto box = std::make_unique<THtmlListBox>();
    box->SetImages(later.get());
    box.reset();
    later.reset();
}

TEST_F(HtmlListBoxTest, AnchorClicksRaiseTheEventOrGoToTheShell) {
    RecordingShell shell;
    Services replacement;
    replacement.shell = &shell;
    ScopedServices services(replacement);
    std::vector<std::pair<int, std::string>> clicks;
    int doubleClicks = 0;
    list.OnAnchorClick = [&](int index, const std::string& anchor) { clicks.emplace_back(index, anchor); };
    list.OnDblClick = [&] { ++doubleClicks; };
    Add({R"(<A href="visible">eye</A> Body)", R"(<A href="mailto:a@b.c">mail</A>)", "plain"});

    Click(5, 8);  // "eye" in row 0 (0..20)
    EXPECT_EQ(clicks, (std::vector<std::pair<int, std::string>>{{0, "visible"}}));
    EXPECT_EQ(list.ItemIndex(), -1) << "a click on an anchor selects nothing";
    Click(5, 28);  // "mail" in row 1 (20..40)
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, "mailto:a@b.c");
    EXPECT_EQ(clicks.size(), 1u);
    Click(60, 8);  // "Body": no anchor
    EXPECT_EQ(list.ItemIndex(), 0);
    Click(5, 8);  // a double click: a click, then the double-click event
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(clicks.size(), 3u) << "both clicks of a double click on an anchor count";
    EXPECT_EQ(doubleClicks, 0);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(30, 48));
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, QPoint(30, 48));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(list.ItemIndex(), 2);
}

TEST_F(HtmlListBoxTest, HoveringAnAnchorShowsTheHandAndReportsEnterAndExit) {
    std::vector<std::string> events;
    list.OnAnchorEnter = [&](int i, const std::string& a) { events.push_back("enter " + std::to_string(i) + a); };
    list.OnAnchorExit = [&](int i, const std::string& a) { events.push_back("exit " + std::to_string(i) + a); };
    Add({"x", R"(<A href="one">a</A> <A href="two">b</A>)"});
    auto moveTo = [&](int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), list.viewport()->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
        return list.viewport()->cursor().shape();
    };
    EXPECT_EQ(moveTo(5, 28), Qt::PointingHandCursor);  // "a" in row 1
    EXPECT_EQ(moveTo(6, 28), Qt::PointingHandCursor);
    EXPECT_EQ(moveTo(19, 28), Qt::PointingHandCursor);  // "b"
    EXPECT_EQ(moveTo(100, 28), Qt::ArrowCursor);
    EXPECT_EQ(events, (std::vector<std::string>{"enter 1one", "exit 1one", "enter 1two", "exit 1two"}));
}

TEST_F(HtmlListBoxTest, SortingAndIncrementalSearchReadTheTextWithoutTags) {
    Add({"<B>b</B>", "a"});
    list.SetSorted(true);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "<B>b</B>"}));
    list.Items().Clear();
    Add({"a", "<B>b</B>"});
    list.SetSortWithHTML(true);
    list.SetSorted(false);
    list.SetSorted(true);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"<B>b</B>", "a"}));

    list.Items().Clear();
    Add({"apple", "banana", "blue", "<B>cherry</B>"});
    list.setFocus();
    list.SetItemIndex(1);
    const std::vector<std::pair<Qt::Key, int>> plain = {{Qt::Key_B, 1}, {Qt::Key_C, 3}, {Qt::Key_B, 1}, {Qt::Key_A, 0}};
    for (const auto& [key, index] : plain) {
        QTest::keyClick(&list, key);
        EXPECT_EQ(list.ItemIndex(), index) << "key " << key;
    }
    list.SetIncrLookup(true);
    const std::vector<std::pair<Qt::Key, int>> typed = {
        {Qt::Key_B, 1}, {Qt::Key_L, 2}, {Qt::Key_Backspace, 2}, {Qt::Key_A, 1}, {Qt::Key_X, 1}, {Qt::Key_A, 0}};
    for (const auto& [key, index] : typed) {
        QTest::keyClick(&list, key);
        EXPECT_EQ(list.ItemIndex(), index) << "key " << key;
    }
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(list.ItemIndex(), 3);
}

TEST_F(HtmlListBoxTest, HorizontalExtentFollowsTheWidestItem) {
    const std::string wide(60, 'w');  // 420 pixels
    list.SetScrollHorizontal(true);
    list.BeginUpdate();
    Add({"short", wide});
    EXPECT_EQ(list.HorizontalExtent(), 0) << "not during an update";
    list.EndUpdate();
    EXPECT_EQ(list.HorizontalExtent(), 426);
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), 426 - list.viewport()->width());
    list.Items().Delete(1);
    EXPECT_EQ(list.HorizontalExtent(), 0);
    list.Items().Add(wide);
    list.SetScrollHorizontal(false);
    EXPECT_EQ(list.HorizontalExtent(), 0);
    EXPECT_EQ(list.ItemHeight(1), 20) << "a word longer than the line is not broken";
}

TEST_F(HtmlListBoxTest, BlinkingTextBlinksEveryFifthTick) {
    Add({"x<BLINK>b</BLINK>", "plain", "<blink>c</blink>"});
    list.SetEnableBlink(true);
    auto blinkColour = [&] {
        gfx::RecordingCanvas canvas;
        list.PaintItems(canvas, {0, 0, 240, 300});
        for (const std::string& e : canvas.log)
            if (e.find("\"b\"") != std::string::npos) return e.substr(e.rfind('#'));
        return std::string("none");
    };
    for (int tick = 1; tick <= 4; ++tick) list.BlinkTimer();
    EXPECT_TRUE(list.redrawn.empty());
    EXPECT_EQ(blinkColour(), "#000000");
    list.BlinkTimer();
    EXPECT_EQ(list.redrawn, (std::vector<int>{0, 2}));
    EXPECT_EQ(blinkColour(), "#FFFFFF") << "hidden in the background colour";
    for (int tick = 6; tick <= 10; ++tick) list.BlinkTimer();
    EXPECT_EQ(list.redrawn.size(), 4u);
    EXPECT_EQ(blinkColour(), "#000000");
    for (int tick = 11; tick <= 15; ++tick) list.BlinkTimer();
    list.SetEnableBlink(false);
    EXPECT_EQ(blinkColour(), "#000000") << "turning blinking off shows the text";
    list.BlinkTimer();
    EXPECT_EQ(list.redrawn.size(), 6u);
}

TEST(GroupListTest, IconsAreClickedAndLookRight) {
    // The group list as the Groups page shows it: real fonts, the icons,
    // and the page's answer to a click (flip the flag, rebuild the line).
    gfx::ImageList icons(16, 16);
    icons.add(GroupListIcon(0));
    AddGroupListIcons(icons);
    ASSERT_EQ(icons.count(), 60);
    std::vector<tgroup> groups(4);
    groups[0].name = "Body";
    groups[1].name = "Hair & <Lashes>";
    groups[1].visible = 0;
    groups[2].name = "Eyes";
    groups[2].castsShadow = 0;
    groups[3].name = "Hidden";
    groups[3].visible = 0;

    THtmlListBox list;
    list.resize(260, 140);
    list.SetImages(&icons);
    list.BeginUpdate();
    for (const tgroup& g : groups) list.Items().Add(GroupListLine(g));
    list.EndUpdate();
    list.OnAnchorClick = [&](int index, const std::string& anchor) {
        tgroup& g = groups[static_cast<std::size_t>(index)];
        if (anchor == "visible" || anchor == "notvis") g.visible = anchor == "notvis";
        if (anchor == "shadow" || anchor == "noshad") g.castsShadow = anchor == "noshad";
        list.Items().Set(index, GroupListLine(g));
    };
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    // The shadow icon follows the eye, a blank further on.
    const gfx::Rect row = list.ItemRect(1);
    int shadowX = -1, index = -1;
    for (int x = 20; x < 60 && shadowX < 0; ++x)
        if (list.AnchorAt(x, row.top + 8, index) == "shadow") shadowX = x + 4;
    ASSERT_GT(shadowX, 0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, row.top + 8));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(shadowX, row.top + 8));
    EXPECT_EQ(groups[1].visible, 1);
    EXPECT_EQ(groups[1].castsShadow, 0);
    EXPECT_EQ(list.Items()[1].substr(0, 23), R"(<A href="visible"><IMG )");

    list.SetItemIndex(0);
    const QImage shot = list.grab().toImage();
    QDir().mkpath("artifacts");
    shot.save("artifacts/GroupList.png");
    // The pupil of an open eye on the rows of visible groups.
    const QPoint origin = list.viewport()->mapTo(&list, QPoint(0, 0));
    for (int r = 0; r < 4; ++r) {
        const QColor pupil = shot.pixelColor(origin + QPoint(2 + 8, list.ItemRect(r).top + 8));
        EXPECT_EQ(pupil == QColor(0, 0, 0), r < 3) << "row " << r;
    }
}

}  // namespace
