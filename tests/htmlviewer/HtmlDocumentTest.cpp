// The document of the viewer: the empty document, the section walk, the
// indent manager, scrolling and form-control placing, the animation timer
// and hover colouring of links.
#include <gtest/gtest.h>

#include "DocumentTestSupport.h"
#include "ImageTestSupport.h"
#include "htmlviewer/GifImage.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/TickSource.h"

namespace {

// A paint panel that counts repaint requests and makes plain timers and
// controls.
class FakePanel : public TPaintPanel {
public:
    void Invalidate(const gfx::Rect& rect) override { invalidated.push_back(rect); }
    std::unique_ptr<TTimer> CreateTimer() override { return std::make_unique<TTimer>(); }
    std::unique_ptr<TWindowControl> CreateControl(const TControlSpec& spec) override {
        return std::make_unique<TWindowControl>(spec);
    }
    std::vector<gfx::Rect> invalidated;
};

using DocumentTest = DocTest;

TEST_F(DocumentTest, AnEmptyDocumentHasNothing) {
    doc.Add(nullptr);
    EXPECT_EQ(doc.Count(), 0);
    EXPECT_EQ(Layout(300), 0);
    Paint(300, 200);
    EXPECT_TRUE(canvas.log.empty());
    int xr = 0, yr = 0, ht = 0, y = 0, x = 0;
    THtmlObject* obj = nullptr;
    bool inText = false;
    char ch = 0;
    TUrlTarget url;
    TFormControlObj* control = nullptr;
    EXPECT_EQ(doc.FindString(0, "a", false), -1);
    EXPECT_EQ(doc.PositionAtPoint(canvas, 1, 1, xr, yr, ht, obj, inText), -1);
    EXPECT_FALSE(doc.LinkAtPoint(canvas, 1, 1, url, control));
    EXPECT_FALSE(doc.ObjectAtPoint(canvas, 1, 1, obj));
    EXPECT_FALSE(doc.PointOfPosition(canvas, 0, y, x));
    EXPECT_FALSE(doc.CharAtPosition(0, ch, obj));
    EXPECT_EQ(doc.SourcePosition(0), -1);
    EXPECT_EQ(doc.DocumentPosition(0, true), -1);
    EXPECT_EQ(doc.GetSectionTop(3), 0);
    // The animation timer exists after a layout, disabled without animations.
    ASSERT_NE(doc.Timer(), nullptr);
    EXPECT_FALSE(doc.Timer()->Enabled());
    EXPECT_EQ(doc.Timer()->Interval(), 50);
}

TEST_F(DocumentTest, SectionsStackAndFloatsHangBelow) {
    Add(std::make_unique<TParagraphSpace>(&doc));
    Add(std::make_unique<THeadingSpace>(&doc, 1));
    Add(std::make_unique<THorzLine>(&doc, TAttributeList{}));
    EXPECT_EQ(Layout(300), 14 + 16 + 20);
    const std::vector<int> tops = {0, 14, 30, 30};  // at most up to the last but one
    for (int n = 0; n < 4; ++n) EXPECT_EQ(doc.GetSectionTop(n), tops[static_cast<std::size_t>(n)]) << n;

    doc.Clear();
    auto p = Para();
    p->AddImage(Attrs({{AttrSym::Align, "left"}, {AttrSym::Width, "20"}, {AttrSym::Height, "100"}}), false, 0);
    p->AddTokenObj(Tok("x"), false);
    Add(std::move(p));
    EXPECT_EQ(Layout(300), 100);  // the float's bottom, not the one line
}

TEST_F(DocumentTest, IndentsFollowListLevels) {
    IndentManager m;
    m.Init(0, 300);
    m.SetLevel(10, 2, IndentManager::ListIndent, false);
    EXPECT_EQ(m.LeftIndent(10), 70);
    EXPECT_EQ(m.LeftIndent(5), 0);
    m.SetLevel(50, 1, IndentManager::ListIndent, false);
    EXPECT_EQ(m.LeftIndent(50), 35);
    EXPECT_EQ(m.LeftIndent(30), 70);  // the closed level still covers what lies above
    m.SetLevel(60, 3, 15, true);        // one step of 15 at a time
    EXPECT_EQ(m.CurrentLevel, 2);
    EXPECT_EQ(m.LeftIndent(60), 50);
    // Floats on both sides and the clear space below them.
    EXPECT_EQ(m.AddRightFloat(100, 30, 40, 5), 260);
    EXPECT_EQ(m.RightSide(110), 255);
    EXPECT_EQ(m.RightSide(130), 300);
    EXPECT_EQ(m.ClearSpace(110, 2), 20);
    EXPECT_EQ(m.ClearSpace(110, 1), 0);
    EXPECT_EQ(m.ClearSpace(140, 3), 0);
}

TEST_F(DocumentTest, ScrollingMarksTheControlsForPlacing) {
    auto p = Para("ab");
    TFormControlObj* edit = p->AddFormControl(Sym::Input, Attrs({{AttrSym::Name, "t"}}), false, 2);
    Add(std::move(p));
    Layout(300);
    Paint(300, 100);
    EXPECT_TRUE(edit->ShowIt);
    doc.SetScrollY(0);
    EXPECT_FALSE(doc.YOffChange);
    EXPECT_TRUE(edit->ShowIt);
    doc.SetScrollY(40);
    EXPECT_TRUE(doc.YOffChange);
    EXPECT_FALSE(edit->ShowIt);
}

TEST_F(DocumentTest, TheTimerRunsOnlyWithAnimations) {
    gfx::ManualTickSource clock;
    gfx::ScopedTickSource useClock(clock);
    FakePanel panel;
    TSectionList animated(&panel);
    const std::vector<uint8_t> frame = ImageBlock(0, 0, 1, 1, 2, PackCodes({{4, 3}, {1, 3}, {5, 3}}));
    gfx::MemoryStream gif(Gif(1, 1, Cat(frame, frame)));
    BitmapList().Clear();
    animated.GetImage = [&](const std::string&) -> gfx::Stream* { return &gif; };
    auto p = std::make_unique<TSection>(&animated, LeftJustify, TUrlTarget{}, DocFont(animated), 0);
    TImageObj* image = p->AddImage(Attrs({{AttrSym::Src, "anim.gif"}}), false, 0);
    // The same picture, animated only under the mouse (a copy of its own).
    TImageObj* active = p->AddImage(Attrs({{AttrSym::Src, "anim.gif"}, {AttrSym::Active, ""}}), false, 1);
    animated.Add(std::move(p));
    int curs = 0, max = 0;
    animated.LayOutContent(canvas, 0, 100, curs, max);
    ASSERT_NE(image->Gif(), nullptr);
    ASSERT_NE(active->Gif(), nullptr);
    EXPECT_NE(active->Gif(), image->Gif());
    EXPECT_EQ(animated.AGifList, (std::vector<TGIFImage*>{image->Gif()}));
    ASSERT_NE(animated.Timer(), nullptr);
    EXPECT_TRUE(animated.Timer()->Enabled());
    animated.Draw(canvas, {0, 0, 100, 100}, 0, 0);
    EXPECT_TRUE(image->Gif()->ShowIt);
    EXPECT_TRUE(animated.Timer()->Enabled());
    // A tick after the frame's time shows the next frame and repaints it.
    clock.advance(100);
    animated.Timer()->OnTimer();
    EXPECT_EQ(image->Gif()->CurrentFrame, 2);
    EXPECT_EQ(active->Gif()->CurrentFrame, 1);
    EXPECT_FALSE(panel.invalidated.empty());
    // The mouse over the ACTIVE image starts it; leaving stops it at frame 1.
    active->SetHover(true);
    EXPECT_TRUE(active->Gif()->Animate());
    EXPECT_EQ(animated.AGifList.size(), 2u);
    active->Gif()->SetCurrentFrame(2);
    active->SetHover(false);
    EXPECT_FALSE(active->Gif()->Animate());
    EXPECT_EQ(active->Gif()->CurrentFrame, 1);
    EXPECT_EQ(animated.AGifList.size(), 1u);
    animated.Clear();
    EXPECT_EQ(animated.Timer(), nullptr);
    BitmapList().Clear();
}

TEST_F(DocumentTest, HoveredLinksChangeColour) {
    FakePanel panel;
    TSectionList hover(&panel);
    hover.LinksActive = true;
    hover.HotSpotColor = gfx::clBlue;
    hover.LinkActiveColor = gfx::clRed;
    TUrlTarget link;
    link.Assign("a.htm", "");
    auto p = std::make_unique<TSection>(&hover, LeftJustify, TUrlTarget{}, DocFont(hover), 0);
    p->AddTokenObj(Tok("go "), false);
    p->HRef(Sym::A, DocFont(hover), link);
    p->AddTokenObj(Tok("there"), false);
    TSection* s = p.get();
    hover.Add(std::move(p));
    int curs = 0, max = 0;
    hover.LayOutContent(canvas, 0, 200, curs, max);
    TFontObj* run = s->Fonts[1];
    TUrlTarget url;
    TFormControlObj* control = nullptr;
    ASSERT_TRUE(hover.LinkAtPoint(canvas, 30, 5, url, control));
    EXPECT_EQ(run->TheFont.Font.color, PaletteRelative(gfx::clRed));
    EXPECT_EQ(panel.invalidated.size(), 1u);
    ASSERT_TRUE(hover.LinkAtPoint(canvas, 35, 5, url, control));  // the same link: no repaint
    EXPECT_EQ(panel.invalidated.size(), 1u);
    EXPECT_FALSE(hover.LinkAtPoint(canvas, 5, 5, url, control));
    EXPECT_EQ(run->TheFont.Font.color, PaletteRelative(gfx::clBlue));
    EXPECT_EQ(panel.invalidated.size(), 2u);
    hover.ClearHover();
    EXPECT_EQ(panel.invalidated.size(), 2u);
}

TEST_F(DocumentTest, FontsFollowTheDefaultSize) {
    TSection* p = Add(Para("abc"));
    TParagraphSpace* gap = Add(std::make_unique<TParagraphSpace>(&doc));
    gfx::Color seen = 0;
    doc.OnBackgroundChange = [&](gfx::Color c) { seen = c; };
    doc.SetFonts(std::string(40, 'f'), "Mono", gfx::clBlack, gfx::clBlue, gfx::clPurple, gfx::clRed, true, gfx::clWhite,
                 24);
    EXPECT_EQ(doc.FontName.size(), 32u);
    EXPECT_EQ(seen, gfx::clWhite);
    EXPECT_EQ(p->Fonts[0]->TheFont.Font.size, 24);
    EXPECT_EQ(gap->SectionHeight, 28);
}

}  // namespace
