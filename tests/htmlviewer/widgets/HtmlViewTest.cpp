// The viewer control in a real window: loading files and strings, anchors,
// the history, visited links, links by extension, find, selection with the
// mouse, scrolling by keys, wheel and the middle button, the hover watch,
// meta refresh, form submission, property limits, and the whole document
// painted by the end-to-end driver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "htmlviewer/GifImage.h"
#include "htmlviewer/GpImage.h"
#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlImageObj.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/ImageCache.h"
#include "htmlviewer/widgets/HtmlView.h"
#include "model/TextConv.h"

namespace fs = std::filesystem;

namespace {

// A long page: `n` numbered paragraphs with an anchor at each tenth.
std::string LongPage(const std::string& title, int n) {
    std::string html = "<TITLE>" + title + "</TITLE><A NAME=top></A><H1>" + title + "</H1>";
    for (int i = 0; i < n; ++i) {
        if (i % 10 == 0) html += "<A NAME=s" + std::to_string(i) + "></A>";
        html += "<P>Paragraph " + std::to_string(i) + " of the page, with words enough to fill a line or two.";
    }
    return html;
}

class HtmlViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / ("mirelan_view_" + std::string(info->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        view.resize(500, 300);
        view.SetHistoryMaxCount(10);
        view.SetDefBackground(gfx::clWhite);
        view.OnError = [this](const std::string& message) { errors.push_back(message); };
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    void TearDown() override { fs::remove_all(dir); }

    // A picture of one colour in the test's folder (its format by the name).
    void SavePicture(const std::string& name, QColor color, QImage::Format format = QImage::Format_RGB32) {
        QImage picture(40, 30, format);
        picture.fill(color);
        ASSERT_TRUE(picture.save(QString::fromStdString((dir / name).string()), nullptr, 100));
    }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.generic_string();
    }
    // The window point in the middle of the first character of `text`,
    // scrolled into view.
    QPoint PointOf(const std::string& text) {
        const int pos = view.Document().FindString(0, text, true);
        EXPECT_GE(pos, 0) << text;
        QPoint p;
        EXPECT_TRUE(view.WindowPointOf(pos, p));
        if (p.y() < 0 || p.y() > view.viewport()->height() - 20) {
            view.ScrollTo(view.ScrollPosition() + p.y() - 40);
            view.WindowPointOf(pos, p);
        }
        return p + QPoint(2, 6);
    }
    void Click(const std::string& text) { QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOf(text)); }
    // A mouse move delivered to the viewer at once (other tests on the same
    // display may move the real pointer).
    void Move(const QPoint& p, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(view.viewport()->mapToGlobal(p)), Qt::NoButton,
                         buttons, {});
        QApplication::sendEvent(view.viewport(), &move);
    }
    int AnchorY(const std::string& name) { return view.Anchors().at(name)->YPosition; }
    int MostY() { return std::max(0, view.DocumentHeight() - view.viewport()->height()); }

    fs::path dir;
    THtmlView view;
    std::vector<std::string> errors;
};

TEST_F(HtmlViewTest, LoadingFilesAnchorsAndReloads) {
    const std::string a = Write("a.htm", LongPage("Page A", 80));
    const std::string b = Write("b.htm", LongPage("Page B", 80));
    view.LoadFromFile(a);
    EXPECT_EQ(view.CurrentFileName(), a);
    EXPECT_EQ(view.DocumentTitle(), "Page A");
    EXPECT_EQ(view.ScrollPosition(), 0);
    EXPECT_GT(view.DocumentHeight(), 3 * view.viewport()->height());
    EXPECT_TRUE(view.JumpToAnchor("#S40"));  // any case, one "#" dropped
    EXPECT_EQ(view.ScrollPosition(), AnchorY("S40"));
    EXPECT_FALSE(view.JumpToAnchor("nowhere"));
    EXPECT_EQ(view.ScrollPosition(), AnchorY("S40"));
    const int here = view.ScrollPosition();
    view.LoadFromFile(a);  // the same file without an anchor keeps its place
    EXPECT_EQ(view.ScrollPosition(), here);
    view.LoadFromFile(a + "#s10");
    EXPECT_EQ(view.ScrollPosition(), AnchorY("S10"));
    view.LoadFromFile(b + "#nowhere");  // a new file with an unknown anchor starts at the top
    EXPECT_EQ(view.ScrollPosition(), 0);

    // A missing file raises and keeps the document; a parse error keeps what
    // was built; plain text and a picture alone.
    EXPECT_THROW(view.LoadFromFile((dir / "gone.htm").string()), gfx::EFOpenError);
    EXPECT_EQ(view.CurrentFileName(), b);
    EXPECT_THROW(view.LoadFromFile(Write("open.htm", "<P>kept<P><!-- open")), EParseError);
    EXPECT_GE(view.Document().FindString(0, "kept", true), 0);
    view.LoadFromFile(Write("notes.txt", "<b>literal</b>\nline two"));
    EXPECT_EQ(view.CurrentFileType(), TFileType::Text);
    EXPECT_GE(view.Document().FindString(0, "<b>literal</b>", true), 0);
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const std::string png = (dir / "red.png").string();
    ASSERT_TRUE(picture.save(QString::fromStdString(png)));
    view.LoadImageFile(png);
    EXPECT_EQ(view.CurrentFileType(), TFileType::Image);
    EXPECT_EQ(view.RenderDocument().pixel(view.MarginWidth() + 5, view.MarginHeight() + 5), qRgb(255, 0, 0));
}

TEST_F(HtmlViewTest, HistoryOfLinksBackAndForward) {
    const std::string a = Write("a.htm", LongPage("A", 50) + "<A NAME=s50></A><P><A HREF=\"b.htm#s20\">to b</A>" +
                                             LongPage("more", 10) + "<P><A HREF=\"#s50\">down</A> <A HREF=\"#gone\">gone</A>");
    const std::string b = Write("b.htm", LongPage("B", 60) + "<P><A HREF=\"a.htm\">to a</A>");
    int changes = 0;
    view.OnHistoryChange = [&] { ++changes; };
    view.LoadFromFile(a);
    view.SetHistoryPosition(1);  // back on a history of one place does nothing
    EXPECT_EQ(view.History().Count(), 0);
    view.ScrollTo(MostY());
    const int bottom = view.ScrollPosition();
    view.HotSpotClick("#gone");  // an unknown anchor adds nothing
    EXPECT_EQ(view.History().Count(), 0);
    Click("down");
    EXPECT_EQ(view.ScrollPosition(), AnchorY("S50"));
    EXPECT_EQ(view.History().Count(), 2);
    Click("to b");
    EXPECT_EQ(view.CurrentFileName(), b);
    EXPECT_EQ(view.ScrollPosition(), AnchorY("S20"));
    EXPECT_EQ(view.History().Count(), 3);
    const int atB = view.ScrollPosition();

    view.SetHistoryPosition(1);  // back to a, where the link was
    EXPECT_EQ(view.CurrentFileName(), a);
    EXPECT_EQ(view.ScrollPosition(), AnchorY("S50"));
    view.SetHistoryPosition(2);
    EXPECT_EQ(view.ScrollPosition(), bottom);
    view.SetHistoryPosition(0);  // forward twice in one step
    EXPECT_EQ(view.CurrentFileName(), b);
    EXPECT_EQ(view.ScrollPosition(), atB);
    EXPECT_GE(changes, 5);

    // With ten entries at most, the eleventh place drops the oldest.
    for (int i = 0; i < 12; ++i) view.HotSpotClick(i % 2 ? "#s10" : "#s30");
    EXPECT_EQ(view.History().Count(), 10);
}

TEST_F(HtmlViewTest, LinksByExtensionVisitedMarksAndErrors) {
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString((dir / "pic.PNG").string())));
    Write("archive.zip", "PK");
    Write("other.html", "<TITLE>Other</TITLE><A NAME=sec>Other page</A>");
    const std::string page = Write("page.htm", "<A HREF=\"other.html#sec\">other</A> <A HREF=\"pic.PNG\">picture</A> "
                                               "<A HREF=\"archive.zip\">zip</A> <A HREF=\"missing.htm\">missing</A> "
                                               "<A HREF=\"http://example.org/\">web</A>");
    view.LoadFromFile(page);
    std::vector<std::string> clicked;
    bool take = false;
    view.OnHotSpotClick = [&](const std::string& src, bool& handled) {
        clicked.push_back(src);
        handled = take;
    };
    Click("zip");  // another extension: nothing
    EXPECT_EQ(view.CurrentFileName(), page);
    Click("missing");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Can't locate file: " + (dir / "missing.htm").generic_string());
    take = true;
    Click("other");  // handled by the event: the viewer stays
    EXPECT_EQ(view.CurrentFileName(), page);
    take = false;
    Click("other");
    EXPECT_EQ(view.CurrentFileName(), (dir / "other.html").generic_string());
    EXPECT_EQ(view.DocumentTitle(), "Other");
    EXPECT_EQ(clicked, (std::vector<std::string>{"archive.zip", "missing.htm", "other.html#sec", "other.html#sec"}));
    ASSERT_FALSE(view.Visited().empty());
    EXPECT_EQ(view.Visited().front(), (dir / "other.html").generic_string() + "#sec");
    view.SetHistoryPosition(1);
    EXPECT_EQ(view.CurrentFileName(), page);
    const TFontObj* other = nullptr;
    for (const TFontObj* link : view.Document().LinkList)
        if (link->UrlTarget.Url == "other.html#sec") other = link;
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->Visited);
    Click("picture");
    EXPECT_EQ(view.CurrentFileType(), TFileType::Image);
    EXPECT_EQ(view.CurrentFileName(), (dir / "pic.PNG").generic_string());

    // No visited places: every mark goes.
    view.SetHistoryPosition(2);
    view.SetVisitedMaxCount(0);
    EXPECT_TRUE(view.Visited().empty());
    for (const TFontObj* link : view.Document().LinkList) EXPECT_FALSE(link->Visited);
}

TEST_F(HtmlViewTest, FindWalksTheHitsWithAndWithoutCase) {
    view.LoadFromString(LongPage("Find", 60) + "<P>The END of it. end again, End.");
    auto hits = [&](const std::string& text, bool matchCase) {
        std::vector<int> found;
        view.SetSelectionRange(0);
        while (view.FindInDocument(text, matchCase)) {
            found.push_back(view.SelStart());
            EXPECT_EQ(SameText(view.SelText(), text), true);
            EXPECT_EQ(view.CaretPos(), view.SelStart() + static_cast<int>(text.size()));
            // The hit is on the screen, not under the last 20 pixels.
            QPoint p;
            EXPECT_TRUE(view.WindowPointOf(view.SelStart(), p));
            EXPECT_GE(p.y(), 0);
            EXPECT_LE(p.y(), view.viewport()->height() - 20);
        }
        return found.size();
    };
    EXPECT_EQ(hits("end", false), 3u);
    EXPECT_EQ(hits("End", true), 1u);
    EXPECT_EQ(hits("Paragraph 5", true), 11u);  // 5 and 50 to 59
    EXPECT_EQ(hits("nothing like it", false), 0u);
    EXPECT_FALSE(view.FindInDocument("", false));
}

TEST_F(HtmlViewTest, MouseSelectsDoubleClickTakesAWordAndCopies) {
    view.LoadFromString("<P>Alpha beta gamma delta.<P>Second line here.");
    const QPoint from = PointOf("beta"), to = PointOf("delta");
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from - QPoint(1, 0));
    Move(to, Qt::LeftButton);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(view.SelText(), "beta gamma ");
    view.SetNoSelect(true);
    EXPECT_EQ(view.SelLength(), 0);
    view.SetNoSelect(false);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, PointOf("gamma") + QPoint(4, 0));
    EXPECT_EQ(view.SelText(), "gamma");
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("gamma"));
}

TEST_F(HtmlViewTest, KeysWheelAndTheMiddleButtonScroll) {
    view.LoadFromString(LongPage("Scroll", 100));
    const int page = view.viewport()->height() - THtmlView::VertLine;
    struct Step {
        Qt::Key key;
        int expected;
    };
    view.setFocus();
    for (const Step& s : std::vector<Step>{{Qt::Key_Down, 16}, {Qt::Key_Down, 32}, {Qt::Key_PageDown, 32 + page},
                                          {Qt::Key_Up, 16 + page}, {Qt::Key_PageUp, 16}, {Qt::Key_PageUp, 0},
                                          {Qt::Key_End, MostY()}, {Qt::Key_Home, 0}}) {
        QTest::keyClick(&view, s.key);
        EXPECT_EQ(view.ScrollPosition(), s.expected) << s.key;
    }
    QWheelEvent wheel(QPointF(50, 50), QPointF(view.viewport()->mapToGlobal(QPoint(50, 50))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_EQ(view.ScrollPosition(), 60);

    // The middle button: within 20 pixels nothing moves, beyond 60 it is fast.
    const QPoint start(100, 100);
    QTest::mousePress(view.viewport(), Qt::MiddleButton, {}, start);
    ASSERT_TRUE(view.DragScrolling());
    for (const auto& [dy, expected] : std::vector<std::pair<int, int>>{{10, 60}, {30, 68}, {90, 100}, {-30, 92}}) {
        Move(start + QPoint(0, dy));
        view.DragScrollStep();
        EXPECT_EQ(view.ScrollPosition(), expected) << dy;
    }
    QTest::mouseRelease(view.viewport(), Qt::MiddleButton, {}, start + QPoint(0, -30));
    EXPECT_FALSE(view.DragScrolling());
}

TEST_F(HtmlViewTest, HoverReportsLinksUntilTheMouseLeaves) {
    view.SetHtOptions(htOverLinksActive);
    view.LoadFromString("<P>Text <A HREF=\"x.htm\">the link</A> more text");
    std::vector<std::string> covered;
    view.OnHotSpotCovered = [&](const std::string& src) { covered.push_back(src); };
    const QPoint link = PointOf("the link");
    Move(link);
    ASSERT_EQ(covered, (std::vector<std::string>{"x.htm"}));
    EXPECT_TRUE(view.Document().ActiveLink);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
    view.HoverCheckAt(view.viewport()->mapToGlobal(link));  // the mouse is still inside
    EXPECT_EQ(covered.size(), 1u);
    view.HoverCheckAt(view.mapToGlobal(QPoint(view.width() + 100, view.height() + 100)));
    EXPECT_EQ(covered, (std::vector<std::string>{"x.htm", ""}));
    EXPECT_FALSE(view.Document().ActiveLink);
}

TEST_F(HtmlViewTest, MetaRefreshFormsAndProperties) {
    std::vector<std::string> refreshes;
    view.OnMetaRefresh = [&](int delay, const std::string& url) {
        refreshes.push_back(std::to_string(delay) + " " + url);
    };
    for (const char* content : {"5; URL=Next.htm", "0", "-1", "soon"})
        view.LoadFromFile(Write("r.htm", std::string("<META HTTP-EQUIV=Refresh CONTENT=\"") + content + "\">x"));
    EXPECT_EQ(refreshes, (std::vector<std::string>{"5 Next.htm", "1 "}));

    std::vector<std::string> submitted;
    view.OnFormSubmit = [&](const std::string& action, const std::string&, const std::string&,
                            const std::string& method, const std::vector<std::string>& results) {
        submitted.push_back(method + " " + action + " " + results.at(0));
    };
    view.LoadFromString("<FORM ACTION=go METHOD=post><INPUT NAME=q VALUE=v><INPUT TYPE=submit></FORM>");
    auto* form = view.Document().HtmlFormList[0];
    auto* button = dynamic_cast<TButtonFormControlObj*>(form->ControlList[1]);
    ASSERT_TRUE(button);
    button->Click();
    EXPECT_TRUE(submitted.empty());  // raised once the click has returned
    QCoreApplication::processEvents();
    EXPECT_EQ(submitted, (std::vector<std::string>{"post go q=v"}));

    view.SetDefFontSize(4);
    EXPECT_EQ(view.DefFontSize(), 6);
    view.SetMarginWidth(300);
    EXPECT_EQ(view.MarginWidth(), 200);
    view.SetMarginWidth(-3);
    EXPECT_EQ(view.MarginWidth(), 200);
    // The image cache keeps unused pictures for the viewer's count of
    // sweeps: 5 from the start, at most 20.
    EXPECT_EQ(view.ImageCacheCount(), 5);
    EXPECT_EQ(BitmapList().MaxCache, 5);
    view.SetImageCacheCount(99);
    EXPECT_EQ(view.ImageCacheCount(), 20);
    EXPECT_EQ(BitmapList().MaxCache, 20);
    view.SetServerRoot("  /srv/help/ ");
    EXPECT_EQ(view.ServerRoot(), "/srv/help");
    view.SetHistoryMaxCount(3);
    EXPECT_EQ(view.History().Count(), 0);
}

// A page laid out while images are not shown shows the default picture in
// their place; once they are shown, the pictures and the background load.
TEST_F(HtmlViewTest, ImagesAndBackgroundLoadWhenShown) {
    SavePicture("tile.bmp", QColor(0, 0, 255));
    SavePicture("pic.bmp", QColor(0, 200, 0));
    view.SetViewImages(false);
    view.LoadFromFile(Write("i.htm", "<BODY BACKGROUND=tile.bmp><IMG SRC=pic.bmp ALT=picture> text"));
    auto* section = dynamic_cast<TSection*>(view.Document()[0]);
    ASSERT_TRUE(section);
    ASSERT_EQ(section->Images.Count(), 1);
    const TImageObj& image = *section->Images[0];
    EXPECT_EQ(image.Picture(), &PendingImageBitmap());
    EXPECT_FALSE(view.Document().BackgroundBitmap);

    view.SetViewImages(true);
    const QImage shot = view.viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(image.DrawX + 10 + view.MarginWidth(), image.DrawY + 10), QColor(0, 200, 0));
    EXPECT_EQ(shot.pixelColor(shot.width() - 3, shot.height() - 3), QColor(0, 0, 255));
}

// Documents and pictures that are FIFOs: the viewer reads regular files
// only, so it never waits in open for a writer that never comes. A watch
// thread opens the writing end of each FIFO whenever a reader waits at it:
// that reader is counted and let go, so that a viewer opening one fails
// here rather than hanging.
TEST_F(HtmlViewTest, FifosAreNeverOpened) {
    const std::vector<std::string> names = {"doc.htm",  "alone.png", "page.bmp",   "page.gif",
                                            "page.png", "page.jpg",  "direct.gif", "direct.png"};
    std::vector<std::string> fifos;
    for (const std::string& name : names) {
        fifos.push_back((dir / name).string());
        ASSERT_EQ(::mkfifo(fifos.back().c_str(), 0600), 0) << name;
    }
    std::vector<std::atomic<int>> opened(fifos.size());
    std::atomic<bool> done{false};
    std::thread watch([&] {
        while (!done) {
            for (std::size_t i = 0; i < fifos.size(); ++i) {
                const int fd = ::open(fifos[i].c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0) continue;  // nobody reading
                ++opened[i];
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const std::vector<std::function<void()>> reads = {
        [&] { EXPECT_THROW(view.LoadFromFile(fifos[0]), gfx::EFOpenError); },
        [&] { EXPECT_THROW(view.LoadImageFile(fifos[1]), gfx::EFOpenError); },
        [&] {
            view.LoadFromFile(Write("page.htm", "<BODY BACKGROUND=page.bmp><IMG SRC=page.gif><IMG SRC=page.png>"
                                                "<INPUT TYPE=IMAGE SRC=page.jpg> loaded"));
            view.viewport()->grab();  // painted: the pictures and the background are fetched
            EXPECT_GE(view.Document().FindString(0, "loaded", true), 0);
        },
        [&] {
            bool nonAnimated = false;
            EXPECT_THROW(TGIFImage::CreateFromFile(fifos[6], nonAnimated), gfx::EFOpenError);
        },
        [&] { EXPECT_THROW(TGpImage{fifos[7]}, EGDIPlus); },
    };
    for (const auto& read : reads) read();
    done = true;
    watch.join();
    for (std::size_t i = 0; i < fifos.size(); ++i) EXPECT_EQ(opened[i], 0) << names[i];
}

// The whole document is painted as the window shows it, form controls
// included: in the first band of the picture and in a later one, a
// screenful is what the window shows there with every control of the form.
TEST_F(HtmlViewTest, TheDocumentPictureShowsTheFormControlsAsTheWindowDoes) {
    const std::string form =
        "<FORM><INPUT NAME=a VALUE=\"typed text\"> <SELECT NAME=b><OPTION>first<OPTION>second</SELECT> "
        "<SELECT NAME=c SIZE=3><OPTION>one<OPTION SELECTED>two<OPTION>three</SELECT><BR>"
        "<TEXTAREA NAME=d ROWS=3 COLS=20>line one\nline two</TEXTAREA> <INPUT TYPE=checkbox CHECKED> "
        "<INPUT TYPE=radio CHECKED> <INPUT TYPE=submit></FORM>";
    view.LoadFromString("<P>Above" + form + "<P><IMG SRC=gone.gif WIDTH=80 HEIGHT=" +
                        std::to_string(THtmlView::RenderBand) + "><P>Below" + form);
    const QImage picture = view.RenderDocument();
    for (const int top : {0, MostY()}) {
        view.ScrollTo(top);
        view.viewport()->repaint();  // the controls shown and hidden as the window shows them
        const int y = view.ScrollPosition();
        const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(picture.copy(0, y, shown.width(), shown.height()), shown) << "at " << y;
        int controls = 0;
        for (QWidget* w : view.viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            controls += w->isVisible() && view.viewport()->rect().contains(w->geometry());
        EXPECT_EQ(controls, 7) << "at " << y;
    }
}

// The end-to-end driver paints a page with tables and pictures as the help
// window shows it.
TEST_F(HtmlViewTest, DriverPaintsAPageWithTablesAndPictures) {
    SavePicture("green.png", QColor(0, 200, 0), QImage::Format_ARGB32);
    SavePicture("magenta.jpg", QColor(250, 0, 250));
    const std::string page = Write(
        "tables.htm",
        "<BODY><H2>Tables and pictures</H2><TABLE BORDER=1 CELLPADDING=4 WIDTH=90%>"
        "<CAPTION>A caption</CAPTION><TR><TH>Picture<TH>Text"
        "<TR><TD><IMG SRC=green.png ALT=green><TD BGCOLOR=#FFFF00>Yellow cell with <B>bold</B> text"
        "<TR><TD><IMG SRC=magenta.jpg WIDTH=80 HEIGHT=60><TD><TABLE BORDER=1><TR><TD>inner<TD>table</TABLE>"
        "<TR><TD COLSPAN=2 ALIGN=center><IMG SRC=missing.gif ALT=\"missing picture\"></TABLE>"
        "<P><IMG SRC=green.png ALIGN=left>Text flows around a picture at the left edge. "
        "Text flows around a picture at the left edge.");
    const QString out = QString::fromStdString((dir / "tables.png").string());
    QProcess driver;
    driver.start(QStringLiteral(MIRELAN_E2E_BINARY), {"--html", QString::fromStdString(page), "640", out});
    ASSERT_TRUE(driver.waitForFinished(120000));
    EXPECT_EQ(driver.exitCode(), 0) << driver.readAllStandardError().toStdString();
    const QString printed = QString::fromUtf8(driver.readAllStandardOutput()).trimmed();
    QImage picture(out);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(printed, QStringLiteral("html 640 %1").arg(picture.height()));
    EXPECT_EQ(picture.width(), 640);
    bool green = false, magenta = false, yellow = false;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            green = green || c == qRgb(0, 200, 0);
            yellow = yellow || c == qRgb(255, 255, 0);
            magenta = magenta || (qRed(c) > 230 && qGreen(c) < 20 && qBlue(c) > 230);
        }
    EXPECT_TRUE(green);
    EXPECT_TRUE(magenta);
    EXPECT_TRUE(yellow);

    // A page taller than the paint engine's coordinates is painted whole:
    // its last row, 40,000 pixels down, is there.
    const std::string tall = Write("tall.htm",
                                   "<IMG SRC=gone.gif WIDTH=80 HEIGHT=20000><BR><IMG SRC=gone.gif WIDTH=80 HEIGHT=20000>"
                                   "<TABLE CELLSPACING=0><TR><TD BGCOLOR=#00C800 WIDTH=200 HEIGHT=60>end</TABLE>");
    driver.start(QStringLiteral(MIRELAN_E2E_BINARY), {"--html", QString::fromStdString(tall), "300", out});
    ASSERT_TRUE(driver.waitForFinished(120000));
    EXPECT_EQ(driver.exitCode(), 0) << driver.readAllStandardError().toStdString();
    picture = QImage(out);
    ASSERT_GT(picture.height(), 40000);
    EXPECT_EQ(QString::fromUtf8(driver.readAllStandardOutput()).trimmed(),
              QStringLiteral("html 300 %1").arg(picture.height()));
    int lastGreen = -1;
    for (int y = picture.height() - 1; y >= 0 && lastGreen < 0; --y)
        if (picture.pixel(100, y) == qRgb(0, 200, 0)) lastGreen = y;
    EXPECT_GT(lastGreen, 40000);

    // A width out of range is a bad argument; a missing file fails.
    for (const auto& [width, file, status] : std::vector<std::tuple<QString, std::string, int>>{
             {"0", page, 2}, {"640", (dir / "gone.htm").string(), 1}}) {
        driver.start(QStringLiteral(MIRELAN_E2E_BINARY), {"--html", QString::fromStdString(file), width, out});
        ASSERT_TRUE(driver.waitForFinished(120000));
        EXPECT_EQ(driver.exitCode(), status) << width.toStdString() << " " << file;
    }
}

}  // namespace
