#include "htmlviewer/HtmlDocument.h"

#include <algorithm>

#include "htmlviewer/GifImage.h"
#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlImageObj.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/ImageCache.h"
#include "model/TextConv.h"

// ---- Indent manager -------------------------------------------------------------------

void IndentManager::Init(int left, int right) {
    LfEdge = left;
    RtEdge = right;
    CurrentLevel = 0;
    L.clear();
    R.clear();
}

int IndentManager::LeftIndent(int y) const {
    int x = 0;
    for (const IndentRec& r : L)
        if (y >= r.YT && y < r.YB) x = std::max(x, r.X);
    return LfEdge + x;
}

int IndentManager::RightSide(int y) const {
    int x = 0;
    for (const IndentRec& r : R)
        if (y >= r.YT && y < r.YB) x = std::min(x, r.X);
    return RtEdge + x;
}

int IndentManager::AddLeftFloat(int y, int height, int width, int hspace) {
    const int at = LeftIndent(y) - LfEdge;
    L.push_back({AddWidths(at, width + hspace), y, AddHeights(y, height), 0});
    return at;
}

int IndentManager::AddRightFloat(int y, int height, int width, int hspace) {
    const int x = AddWidths(RightSide(y) - RtEdge, -(width + hspace));
    R.push_back({x, y, AddHeights(y, height), 0});
    return RtEdge - LfEdge + x + hspace;
}

void IndentManager::SetLevel(int y, int level, int step, bool oneStep) {
    if (oneStep) level = std::clamp(level, CurrentLevel - 1, CurrentLevel + 1);
    level = std::max(0, level);
    if (level > CurrentLevel) {
        for (int lev = CurrentLevel + 1; lev <= level; ++lev)
            L.push_back({LeftIndent(y) - LfEdge + step, y, OpenBottom, lev});
    } else if (level < CurrentLevel) {
        for (IndentRec& r : L)
            if (r.Lev > level) {
                r.Lev = 0;
                r.YB = y - 1;
            }
    }
    CurrentLevel = level;
}

namespace {

int LowestBottom(const std::vector<IndentRec>& recs) {
    int bottom = 0;
    for (const IndentRec& r : recs)
        if (r.Lev == 0) bottom = std::max(bottom, r.YB);
    return bottom;
}

}  // namespace

int IndentManager::LeftImageBottom() const { return LowestBottom(L); }
int IndentManager::RightImageBottom() const { return LowestBottom(R); }
int IndentManager::ImageBottom() const { return std::max(LeftImageBottom(), RightImageBottom()); }

int IndentManager::ClearSpace(int y, int side) const {
    // A float covers up to, not including, its bottom: the next line starts
    // at the lowest bottom.
    const int lb = LeftImageBottom(), rb = RightImageBottom();
    const int cl = lb == 0 ? 0 : lb + 1;
    const int cr = rb == 0 ? 0 : rb + 1;
    const int left = std::max(0, cl - y - 1), right = std::max(0, cr - y - 1);
    switch (side) {
    case 1: return left;
    case 2: return right;
    case 3: return std::max(left, right);
    default: return 0;
    }
}

// ---- Section base -------------------------------------------------------------------

TSectionBase::TSectionBase(TSectionList* document) : OwnerDocument(document) {}

void TSectionBase::CopySelection() {}

int TSectionBase::LayOutSection(gfx::Canvas&, int y, IndentManager& indents, int& maxWidth, int& curs) {
    YPosition = y;
    FirstPosition = curs;
    DrawHeight = SectionHeight;
    maxWidth = indents.Width();
    return SectionHeight;
}

int TSectionBase::Draw(gfx::Canvas&, const gfx::Rect&, int y, int, IndentManager&) {
    YPosition = y;
    return AddHeights(y, SectionHeight);
}

bool TSectionBase::LinkAtPoint(gfx::Canvas&, int, int, TUrlTarget&, TFormControlObj*&) { return false; }
bool TSectionBase::ObjectAtPoint(gfx::Canvas&, int, int, THtmlObject*&) { return false; }
int TSectionBase::PositionAtPoint(gfx::Canvas&, int, int, int&, int&, int&, THtmlObject*&, bool&) { return -1; }
int TSectionBase::FindString(int, std::string_view, bool) { return -1; }
int TSectionBase::SourcePosition(int) { return -1; }
int TSectionBase::DocumentPosition(int, bool) { return -1; }
bool TSectionBase::PointOfPosition(gfx::Canvas&, int, int&, int&) { return false; }
bool TSectionBase::CharAtPosition(int, char&, THtmlObject*&) { return false; }
void TSectionBase::UpdateFonts() { SetHeight(); }
void TSectionBase::SetHeight() {}

void TSectionBase::WidthBounds(gfx::Canvas&, int& min, int& max) {
    min = 0;
    max = 0;
}

// ---- Cell -----------------------------------------------------------------------------

TCell::TCell(TSectionList* document) : OwnerDocument(document) {}

void TCell::Add(std::unique_ptr<TSectionBase> section) {
    if (!section) return;
    if (auto* text = dynamic_cast<TSection*>(section.get())) text->Finish();
    section->OwnerDocument = OwnerDocument;
    section->OwnerCell = this;
    section->SetHeight();
    TFreeList<TSectionBase>::Add(std::move(section));
}

int TCell::LayOutContent(gfx::Canvas& canvas, int y, int width, int& curs, int& maxWidth) {
    Indents.Init(0, width);
    LastLayoutY = y;
    FirstPosition = curs;
    maxWidth = 0;
    int height = 0;
    for (const auto& s : *this) {
        int sectionMax = 0;
        height = AddHeights(height, s->LayOutSection(canvas, AddHeights(y, height), Indents, sectionMax, curs));
        maxWidth = std::max(maxWidth, sectionMax);
    }
    Len = curs - FirstPosition;
    return std::max(height, Indents.ImageBottom() - y);
}

int TCell::Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x) {
    const int width = Indents.Width();
    Indents.LfEdge = x;
    Indents.RtEdge = x + width;
    for (const auto& s : *this) y = s->Draw(canvas, rect, y, x, Indents);
    return y;
}

void TCell::WidthBounds(gfx::Canvas& canvas, int& min, int& max) {
    min = 0;
    max = 0;
    for (const auto& s : *this) {
        int smin = 0, smax = 0;
        s->WidthBounds(canvas, smin, smax);
        min = std::max(min, smin);
        max = std::max(max, smax);
    }
}

bool TCell::LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control) {
    int top = LastLayoutY;
    for (const auto& s : *this) {
        if (y >= top && y < top + s->DrawHeight && s->LinkAtPoint(canvas, x, y, urlTarget, control)) return true;
        top = AddHeights(top, s->SectionHeight);
    }
    return false;
}

bool TCell::ObjectAtPoint(gfx::Canvas& canvas, int x, int y, THtmlObject*& obj) {
    int top = LastLayoutY;
    for (const auto& s : *this) {
        if (y >= top && y < top + s->DrawHeight && s->ObjectAtPoint(canvas, x, y, obj)) return true;
        top = AddHeights(top, s->SectionHeight);
    }
    return false;
}

int TCell::PositionAtPoint(gfx::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt, THtmlObject*& obj,
                           bool& inText) {
    int top = LastLayoutY;
    for (const auto& s : *this) {
        if (y >= top && y < top + s->DrawHeight) {
            THtmlObject* found = nullptr;
            const int pos = s->PositionAtPoint(canvas, x, y, xr, yr, caretHt, found, inText);
            if (pos >= 0) {
                obj = found ? found : this;
                return pos;
            }
        }
        top = AddHeights(top, s->SectionHeight);
    }
    return -1;
}

int TCell::FindString(int from, std::string_view text, bool matchCase) {
    for (const auto& s : *this) {
        const int pos = s->FindString(from, text, matchCase);
        if (pos >= 0) return pos;
    }
    return -1;
}

int TCell::SourcePosition(int docPos) {
    for (const auto& s : *this) {
        const int pos = s->SourcePosition(docPos);
        if (pos >= 0) return pos;
    }
    return -1;
}

int TCell::DocumentPosition(int sourcePos, bool prev) {
    if (prev) {
        for (int i = Count() - 1; i >= 0; --i) {
            const int pos = (*this)[i]->DocumentPosition(sourcePos, prev);
            if (pos >= 0) return pos;
        }
        return -1;
    }
    for (const auto& s : *this) {
        const int pos = s->DocumentPosition(sourcePos, prev);
        if (pos >= 0) return pos;
    }
    return -1;
}

bool TCell::PointOfPosition(gfx::Canvas& canvas, int pos, int& y, int& x) {
    // A position where one section ends and the next begins is the next
    // section's first character; the end of a section counts only when no
    // section begins there.
    bool atEnd = false;
    int endY = 0, endX = 0;
    for (const auto& s : *this) {
        int sy = 0, sx = 0;
        if (!s->PointOfPosition(canvas, pos, sy, sx)) continue;
        if (pos < s->FirstPosition + s->Len) {
            y = sy;
            x = sx;
            return true;
        }
        if (!atEnd) {
            atEnd = true;
            endY = sy;
            endX = sx;
        }
    }
    if (atEnd) {
        y = endY;
        x = endX;
    }
    return atEnd;
}

bool TCell::CharAtPosition(int pos, char& ch, THtmlObject*& obj) {
    if (pos < FirstPosition || pos > FirstPosition + Len) return false;
    for (const auto& s : *this)
        if (s->CharAtPosition(pos, ch, obj)) return true;
    return false;
}

void TCell::UpdateFonts() {
    for (const auto& s : *this) s->UpdateFonts();
}

void TCell::CopySelection() {
    const TSectionList* doc = OwnerDocument;
    for (const auto& s : *this) {
        if (s->FirstPosition >= doc->SelE) break;
        const bool overlaps = s->Len > 0 ? s->FirstPosition + s->Len > doc->SelB : s->FirstPosition >= doc->SelB;
        if (overlaps) s->CopySelection();
    }
}

// ---- Document -------------------------------------------------------------------------

TSectionList::TSectionList(TPaintPanel* paintPanel) : TCell(this), PaintPanel(paintPanel) {}

TSectionList::~TSectionList() { Clear(); }

void TSectionList::Clear() {
    SelB = SelE = 0;
    if (BackgroundRequested && BackgroundBitmap) BitmapList().DecUsage(ImageName(BackgroundName));
    BackgroundName.clear();
    BackgroundBitmap.reset();
    BackgroundMask.reset();
    BackgroundRequested = false;
    AGifList.clear();
    MissingImages.clear();
    LinkList.clear();
    FormControlList.clear();
    ActiveLink = nullptr;
    ActiveImage = nullptr;
    Timer_.reset();
    // The sections hold pointers into the forms: they go first.
    TFreeList<TSectionBase>::Clear();
    HtmlFormList.Clear();
    MapList.Clear();
    Build = TBuildState{};
    Fonts.Clear();
    FocusInDocument = false;
}

void TSectionList::SetFonts(const std::string& name, const std::string& preName, gfx::Color color,
                            gfx::Color hotSpot, gfx::Color visited, gfx::Color active, bool linksActive,
                            gfx::Color background, int size) {
    FontName = name.substr(0, 32);
    PreFontName = preName.substr(0, 32);
    FontColor = color;
    HotSpotColor = hotSpot;
    LinkVisitedColor = visited;
    LinkActiveColor = active;
    LinksActive = linksActive;
    FontSize = size;
    SetBackground(background);
    UpdateFonts();
}

void TSectionList::SetScrollY(int y) {
    if (y == ScrollY) return;
    ScrollY = y;
    YOffChange = true;
    for (const auto& form : HtmlFormList)
        for (const auto& control : form->ControlList) control->ShowIt = false;
}

int TSectionList::LayOutContent(gfx::Canvas& canvas, int y, int width, int& curs, int& maxWidth) {
    if (Timer_) Timer_->SetEnabled(false);
    Fonts.Clear();
    for (const auto& form : HtmlFormList)
        for (const auto& control : form->ControlList) {
            control->ShowIt = false;
            control->PlaceControl(canvas);
        }
    const int height = TCell::LayOutContent(canvas, y, width, curs, maxWidth);
    for (TGIFImage* gif : AGifList) {
        gif->SetCurrentFrame(1);
        gif->CurrentIteration = 1;
    }
    if (!Timer_) {
        Timer_ = PaintPanel ? PaintPanel->CreateTimer() : std::make_unique<TTimer>();
        Timer_->OnTimer = [this] { AnimationTick(); };
        Timer_->SetInterval(50);
    }
    Timer_->SetEnabled(!AGifList.empty());
    HideControls();
    return height;
}

int TSectionList::Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x) {
    YOff = ScrollY + rect.bottom;
    if (Timer_) Timer_->SetEnabled(false);
    for (TGIFImage* gif : AGifList) gif->ShowIt = false;
    // The shared palette of a display of 8 bits or fewer, realised while the
    // document paints (its colours are palette-relative).
    const gfx::Palette* shared = SharedPalette();
    const gfx::Palette* before = shared ? canvas.selectPalette(shared) : nullptr;
    const int bottom = TCell::Draw(canvas, rect, y, x);
    if (shared) canvas.selectPalette(before);
    if (YOffChange) {
        HideControls();
        YOffChange = false;
    }
    if (Timer_ && !AGifList.empty()) Timer_->SetEnabled(true);
    return bottom;
}

bool TSectionList::LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget,
                               TFormControlObj*& control) {
    TFontObj* oldLink = ActiveLink;
    TImageObj* oldImage = ActiveImage;
    ActiveLink = nullptr;
    ActiveImage = nullptr;
    const bool found = TCell::LinkAtPoint(canvas, x, y, urlTarget, control);
    if (LinksActive && ActiveLink != oldLink) {
        if (oldLink) oldLink->SetHover(false);
        if (ActiveLink) ActiveLink->SetHover(true);
        InvalidatePanel({});
    }
    if (ActiveImage != oldImage) {
        if (oldImage) oldImage->SetHover(false);
        if (ActiveImage) ActiveImage->SetHover(true);
        InvalidatePanel({});
    }
    return found;
}

void TSectionList::ClearHover() {
    if (!ActiveLink && !ActiveImage) return;
    InvalidatePanel({});
    if (ActiveLink) ActiveLink->SetHover(false);
    if (ActiveImage) ActiveImage->SetHover(false);
    ActiveLink = nullptr;
    ActiveImage = nullptr;
}

void TSectionList::SetBackground(gfx::Color color) {
    Background = color;
    if (OnBackgroundChange) OnBackgroundChange(color);
}

void TSectionList::SetBackgroundImage(const std::string& name) {
    BackgroundName = name;
    BackgroundRequested = false;
}

int TSectionList::GetSectionTop(int n) const {
    int top = 0;
    const int last = std::min(n, Count() - 1);
    for (int i = 0; i < last; ++i) top = AddHeights(top, (*this)[i]->SectionHeight);
    return top;
}

std::string TSectionList::ImageName(const std::string& source) const {
    std::string name = source;
    if (!GetImage) {
        if (ExpandName) name = ExpandName(source);
    } else if (OnExpandName) {
        name = OnExpandName(source);
    }
    return UpperCase(name);
}

void TSectionList::GetBackgroundBitmap() {
    if (!ShowImages || BackgroundName.empty() || BackgroundRequested) return;
    BackgroundRequested = true;
    const std::string name = ImageName(BackgroundName);
    int transparent = 0;
    TFetchedImage fetched = FetchImage(name, GetImage, transparent);
    if (fetched.Delayed) {
        MissingImages.push_back({name, nullptr});
        return;
    }
    BackgroundBitmap = std::move(fetched.Image);
    BackgroundMask = std::move(fetched.Mask);
}

void TSectionList::AnimationTick() {
    for (TGIFImage* gif : AGifList)
        if (gif->ShowIt) gif->AnimationStep([this](const gfx::Rect& r) { InvalidatePanel(r); });
    if (Timer_) Timer_->SetInterval(50);
}

void TSectionList::HideControls() {
    bool focused = false;
    for (TFormControlObj* c : FormControlList)
        if (c->GetControl() && c->GetControl()->Focused()) focused = true;
    for (TFormControlObj* c : FormControlList) {
        TWindowControl* w = c->GetControl();
        if (!w || c->ShowIt) continue;
        if (focused) {
            w->MoveTo(TFormControlObj::OutOfSightX, w->Bounds().top);
            w->SetVisible(true);
        } else {
            w->SetVisible(false);
        }
    }
}

void TSectionList::ControlFocusChanged(TFormControlObj* control, bool focused) {
    FocusInDocument = focused;
    if (!focused) {
        HideControls();
        return;
    }
    for (TFormControlObj* c : FormControlList) {
        TWindowControl* w = c->GetControl();
        if (!w || c->ShowIt) continue;
        w->MoveTo(TFormControlObj::OutOfSightX, w->Bounds().top);
        w->SetVisible(true);
    }
    if (ControlEnter) ControlEnter(control);
}

void TSectionList::InvalidatePanel(const gfx::Rect& rect) {
    if (PaintPanel) PaintPanel->Invalidate(rect);
}

const TMapItem* TSectionList::FindMap(const std::string& name) const {
    for (const auto& map : MapList)
        if (map->MapName == name) return map.get();
    return nullptr;
}
