// The viewer control: properties, loading, layout, scrolling, painting,
// history, visited links, link navigation, find and selection. The mouse,
// the keys and the timers are in HtmlViewInput.cpp.
#include "htmlviewer/widgets/HtmlView.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/ImageCache.h"
#include "htmlviewer/widgets/FormWidgets.h"
#include "model/FileSearch.h"
#include "model/MapPaths.h"
#include "model/TextConv.h"
#include "platform/gfx/Display.h"
#include "platform/qt/Cursors.h"
#include "platform/qt/QtCanvas.h"

namespace fs = std::filesystem;

namespace {

// The anchor part of a name ("#" and what follows the first "#"), split off.
std::string SplitAnchor(std::string& name) {
    const std::size_t hash = name.find('#');
    if (hash == std::string::npos) return {};
    std::string anchor = name.substr(hash);
    name.erase(hash);
    return anchor;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream s;
    s << file.rdbuf();
    text = s.str();
    return true;
}

}  // namespace

THtmlView::THtmlView(QWidget* parent) : QAbstractScrollArea(parent) {
    // The viewer's images ask the screen for its colour depth.
    gfx::setDisplayDepthSource([] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 0;
    });
    resize(150, 150);
    setFocusPolicy(Qt::StrongFocus);
    Panel = new TQtPaintPanel(this);
    setViewport(Panel);
    Panel->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(VertLine);
    horizontalScrollBar()->setSingleStep(HorzLine);
    Doc = std::make_unique<TSectionList>(Panel);
    Doc->OnBackgroundChange = [this](gfx::Color) { viewport()->update(); };
    Doc->ExpandName = [this](const std::string& name) { return ExpandLinkFileName(name); };
    Doc->SubmitForm = [this](const std::string& action, const std::string& target, const std::string& encType,
                             const std::string& method, const std::vector<std::string>& results) {
        // Raised after the control's own click handling has returned.
        QMetaObject::invokeMethod(
            this,
            [this, action, target, encType, method, results] {
                if (OnFormSubmit) OnFormSubmit(action, target, encType, method, results);
            },
            Qt::QueuedConnection);
    };
    Doc->ObjectClick = [this](TFormControlObj* control, const std::string& onClick) {
        if (OnObjectClick) OnObjectClick(control, onClick);
    };
    Doc->ControlEnter = [this](TFormControlObj* control) { ShowLine(control->YValue); };
    TextCursor_ = gfx::cursor(gfx::CursorId::IBeam);
    viewport()->setCursor(TextCursor_);
    HoverTimer.setInterval(HoverInterval);
    AutoScrollTimer.setInterval(ScrollInterval);
    DragTimer.setInterval(ScrollInterval);
    connect(&HoverTimer, &QTimer::timeout, this, [this] { HoverCheck(); });
    connect(&AutoScrollTimer, &QTimer::timeout, this, [this] { AutoScrollStep(); });
    connect(&DragTimer, &QTimer::timeout, this, [this] { DragScrollStep(); });
    UpdateFrame();
    UpdateScrollBars();
    SetImageCacheCount(ImageCacheCount_);
}

THtmlView::~THtmlView() {
    // The document's form controls are widgets of the viewport: the
    // document goes first.
    HoverTimer.stop();
    Doc.reset();
}

// ---- Properties -------------------------------------------------------------------------

void THtmlView::SetDefBackground(gfx::Color color) {
    Background_ = color;
    Doc->SetBackground(color);
}

void THtmlView::SetBorderStyle(THtmlBorderStyle style) {
    BorderStyle_ = style;
    UpdateFrame();
    Relayout();
}

void THtmlView::UpdateFrame() {
    const bool framed = BorderStyle_ == THtmlBorderStyle::htSingle ||
                        (BorderStyle_ == THtmlBorderStyle::htFocused && hasFocus());
    setFrameStyle(framed ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    setLineWidth(1);
}

void THtmlView::SetHistoryMaxCount(int count) { History_.SetMaxCount(count); }

void THtmlView::SetDefFontName(const std::string& name) {
    FontName_ = name;
    UpdateFonts();
}

void THtmlView::SetDefPreFontName(const std::string& name) {
    PreFontName_ = name;
    UpdateFonts();
}

void THtmlView::SetDefFontSize(int size) {
    FontSize_ = std::max(6, size);
    UpdateFonts();
}

void THtmlView::SetDefFontColor(gfx::Color color) {
    FontColor_ = color;
    Doc->FontColor = color;
    viewport()->update();
}

void THtmlView::SetDefHotSpotColor(gfx::Color color) {
    HotSpotColor_ = color;
    Doc->HotSpotColor = color;
    viewport()->update();
}

void THtmlView::SetDefVisitedLinkColor(gfx::Color color) {
    VisitedColor_ = color;
    Doc->LinkVisitedColor = color;
    viewport()->update();
}

void THtmlView::SetDefOverLinkColor(gfx::Color color) {
    OverLinkColor_ = color;
    Doc->LinkActiveColor = color;
    viewport()->update();
}

void THtmlView::SetVisitedMaxCount(int count) {
    VisitedMaxCount_ = std::max(0, count);
    if (VisitedMaxCount_ == 0) {
        Visited_.clear();
        for (TFontObj* link : Doc->LinkList) link->SetVisited(false);
        viewport()->update();
    } else if (static_cast<int>(Visited_.size()) > VisitedMaxCount_) {
        Visited_.resize(static_cast<std::size_t>(VisitedMaxCount_));
    }
}

void THtmlView::SetImageCacheCount(int count) {
    ImageCacheCount_ = std::clamp(count, 0, 20);
    BitmapList().SetCacheCount(ImageCacheCount_);
}

void THtmlView::SetNoSelect(bool on) {
    NoSelect_ = on;
    if (on) SetSelectionRange(Caret_);
}

void THtmlView::SetScrollBars(TScrollStyle style) {
    ScrollBars_ = style;
    Relayout();
}

void THtmlView::SetCharSet(int charset) {
    CharSet_ = charset;
    Doc->Charset = charset;
    Relayout();
}

void THtmlView::SetMarginHeight(int height) {
    if (height < 0 || Processing_) return;
    MarginHeight_ = DocMarginHeight_ = std::min(height, MaxMargin);
    Relayout();
}

void THtmlView::SetMarginWidth(int width) {
    if (width < 0 || Processing_) return;
    MarginWidth_ = DocMarginWidth_ = std::min(width, MaxMargin);
    Relayout();
}

void THtmlView::SetServerRoot(const std::string& root) {
    ServerRoot_ = Trim(root);
    if (!ServerRoot_.empty() && (ServerRoot_.back() == '\\' || ServerRoot_.back() == '/')) ServerRoot_.pop_back();
}

void THtmlView::SetHtOptions(THtmlViewOptions options) {
    Options_ = options;
    UpdateFonts();
}

void THtmlView::SetViewImages(bool on) {
    if (on == ViewImages_) return;
    ViewImages_ = on;
    Doc->ShowImages = on;
    QApplication::setOverrideCursor(gfx::cursor(gfx::CursorId::Wait));
    if (on && !Processing_ && Doc->Count() > 0) Doc->GetBackgroundBitmap();
    Relayout();
    QApplication::restoreOverrideCursor();
}

void THtmlView::UpdateFonts() {
    if (Processing_) return;
    Doc->UnLine = !(Options_ & htNoLinkUnderline);
    Doc->ShowDummyCaret = Options_ & htShowDummyCaret;
    Doc->SetFonts(FontName_, PreFontName_, FontColor_, HotSpotColor_, VisitedColor_, OverLinkColor_,
                  Options_ & htOverLinksActive, Doc->Background, FontSize_);
    Relayout();
}

// ---- Loading -----------------------------------------------------------------------------

void THtmlView::SetProcessing(bool on) {
    if (Processing_ == on) return;
    Processing_ = on;
    if (OnProcessing) OnProcessing(on);
}

void THtmlView::LoadFromFile(const std::string& fileName) {
    std::string name = fileName;
    std::string ext = name;
    SplitAnchor(ext);
    LoadFile(fileName, SameText(ExtractFileExt(ext), ".txt") ? TFileType::Text : TFileType::Html, true);
}

void THtmlView::LoadImageFile(const std::string& fileName) { LoadFile(fileName, TFileType::Image, true); }

void THtmlView::LoadFile(const std::string& name, TFileType type, bool pushHistory) {
    if (Processing_ || name.empty()) return;
    std::string file = name;
    const std::string anchor = SplitAnchor(file);
    RefreshDelay_ = 0;
    std::error_code ec;
    std::string path = NormalizePathSeparators(file);
    if (!FileExistsNonBlank(path)) path = FileNameAsOnDisk(path);
    // Only a regular file: a FIFO or a device would hold the viewer in open
    // or in the read for good.
    std::string text;
    if (!FileExistsNonBlank(path) || (type != TFileType::Image && !ReadWholeFile(path, text)))
        throw gfx::EFOpenError("Can't locate file: " + file, file);
    const THistoryEntry before = Here();
    const int oldY = ScrollPosition();
    const fs::path full = fs::absolute(path, ec);
    CurrentFile_ = ec ? path : full.lexically_normal().generic_string();
    FileType_ = type;
    if (type == TFileType::Image) {
        // The picture alone: a document of one IMG tag naming it.
        std::string src;
        for (char c : CurrentFile_) src += c == '&' ? "&amp;" : c == '"' ? "&quot;" : std::string(1, c);
        text = "<img src=\"" + src + "\">";
    }
    std::exception_ptr error;
    Loading_ = true;
    try {
        LoadString(text, type);
    } catch (const EParseError&) {
        error = std::current_exception();
    }
    Loading_ = false;
    MarkVisitedLinks();
    if (anchor.empty() || !ScrollToAnchor(anchor)) {
        if (CurrentFile_ != before.File) {
            ScrollTo(0);
            horizontalScrollBar()->setValue(0);
        } else {
            ScrollTo(oldY);  // the same file again keeps its place
        }
    }
    if (pushHistory && (CurrentFile_ != before.File || FileType_ != before.Type)) PushHistory(before);
    viewport()->update();
    SetProcessing(false);
    if (RefreshDelay_ > 0 && OnMetaRefresh) OnMetaRefresh(RefreshDelay_, RefreshUrl_);
    if (error) std::rethrow_exception(error);
}

void THtmlView::LoadFromString(const std::string& html, const std::string& fileName) {
    if (Processing_) return;
    std::error_code ec;
    const fs::path full = fileName.empty() ? fs::path() : fs::absolute(fileName, ec);
    CurrentFile_ = fileName.empty() || ec ? fileName : full.lexically_normal().generic_string();
    FileType_ = TFileType::Html;
    std::exception_ptr error;
    Loading_ = true;
    try {
        LoadString(html, TFileType::Html);
    } catch (const EParseError&) {
        error = std::current_exception();
    }
    Loading_ = false;
    MarkVisitedLinks();
    ScrollTo(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    if (error) std::rethrow_exception(error);
}

void THtmlView::LoadString(const std::string& text, TFileType type) {
    SetProcessing(true);
    RefreshDelay_ = 0;
    RefreshUrl_.clear();
    HoverTimer.stop();
    CurrentLink_.clear();
    Doc->Clear();
    BitmapList().AgeCache();
    Doc->UnLine = !(Options_ & htNoLinkUnderline);
    Doc->ShowDummyCaret = Options_ & htShowDummyCaret;
    Doc->ShowImages = ViewImages_;
    Doc->Charset = CharSet_;
    Doc->GetImage = OnImageRequest;
    Doc->SetFonts(FontName_, PreFontName_, FontColor_, HotSpotColor_, VisitedColor_, OverLinkColor_,
                  Options_ & htOverLinksActive, Background_, FontSize_);
    Anchors_.clear();
    DocMarginWidth_ = MarginWidth_;
    DocMarginHeight_ = MarginHeight_;
    DocHeight_ = MaxWidth_ = 0;
    Caret_ = 0;
    SelAnchor_ = -1;
    if (OnSoundRequest) OnSoundRequest("", 0, true);
    ThlParser parser(text);
    parser.ForViewer = true;
    parser.OnMeta = [this](const std::string& h, const std::string& n, const std::string& c) { MetaHandler(h, n, c); };
    parser.OnSoundRequest = OnSoundRequest;
    parser.OnInclude = OnInclude;
    parser.OnScript = OnScript;
    std::exception_ptr error;
    try {
        if (type == TFileType::Text)
            parser.ParseText(*Doc, Anchors_);
        else
            parser.ParseHtml(*Doc, Anchors_);
    } catch (const EParseError&) {
        error = std::current_exception();  // what was built is shown
    }
    Title_ = parser.Title;
    DocBase_ = parser.Base.empty() ? Base_ : parser.Base;
    DocTarget_ = parser.BaseTarget;
    if (parser.BodyMarginWidth >= 0) DocMarginWidth_ = parser.BodyMarginWidth;
    if (parser.BodyMarginHeight >= 0) DocMarginHeight_ = parser.BodyMarginHeight;
    if (Doc->Count() > 0) {
        Doc->GetBackgroundBitmap();
        Layout();
    } else {
        UpdateScrollBars();
    }
    viewport()->update();
    SetProcessing(false);
    if (error) std::rethrow_exception(error);
}

void THtmlView::MetaHandler(const std::string& httpEquiv, const std::string& name, const std::string& content) {
    if (OnMeta) OnMeta(httpEquiv, name, content);
    if (!OnMetaRefresh || !SameText(httpEquiv, "refresh")) return;
    const std::size_t semicolon = content.find(';');
    int64_t delay = 0;
    if (!ParseInt(Trim(content.substr(0, semicolon)), delay) || delay < 0) {
        RefreshDelay_ = 0;
        return;
    }
    RefreshDelay_ = static_cast<int>(std::clamp<int64_t>(delay, 1, INT32_MAX));
    const std::size_t url = LowerCase(content).find("url=");
    RefreshUrl_ = url == std::string::npos ? std::string() : Trim(content.substr(url + 4));
}

void THtmlView::Clear() {
    HoverTimer.stop();
    AutoScrollTimer.stop();
    EndDragScroll();
    Doc->Clear();
    Anchors_.clear();
    Title_.clear();
    DocBase_.clear();
    DocTarget_.clear();
    DocHeight_ = MaxWidth_ = 0;
    Caret_ = 0;
    SelAnchor_ = -1;
    CurrentLink_.clear();
    UpdateScrollBars();
    if (OnSoundRequest) OnSoundRequest("", 0, true);
    viewport()->update();
}

// ---- Layout and scrolling -------------------------------------------------------------------

void THtmlView::WithCanvas(const std::function<void(gfx::Canvas&)>& f) {
    QImage image(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(viewport()->logicalDpiY() / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    gfx::QtCanvas canvas(painter);
    f(canvas);
}

int THtmlView::LayoutWidth() const {
    const bool vertical = ScrollBars_ == TScrollStyle::ssVertical || ScrollBars_ == TScrollStyle::ssBoth;
    int w = width() - (BorderStyle_ == THtmlBorderStyle::htNone ? 1 : 3) - 2 * DocMarginWidth_;
    if (vertical) w -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return std::max(1, w);
}

void THtmlView::Layout() {
    const bool vertical = ScrollBars_ == TScrollStyle::ssVertical || ScrollBars_ == TScrollStyle::ssBoth;
    LastLayoutWidth_ = LayoutWidth();
    Doc->ClientHeight = viewport()->height();
    Doc->MarginHeight = DocMarginHeight_;
    WithCanvas([&](gfx::Canvas& canvas) {
        int curs = 0, maxWidth = 0;
        const int height = Doc->LayOutContent(canvas, DocMarginHeight_, LastLayoutWidth_, curs, maxWidth);
        DocHeight_ = height + (vertical ? 2 : 1) * DocMarginHeight_;
        MaxWidth_ = maxWidth;
    });
    UpdateScrollBars();
}

void THtmlView::Relayout() {
    if (Processing_ || Doc->Count() == 0) {
        UpdateScrollBars();
        viewport()->update();
        return;
    }
    SetProcessing(true);
    const TPositionCode position = Position();
    Layout();
    GoToPosition(position);
    SetProcessing(false);
    viewport()->update();
}

void THtmlView::UpdateScrollBars() {
    const bool vertical = ScrollBars_ == TScrollStyle::ssVertical || ScrollBars_ == TScrollStyle::ssBoth;
    const bool horizontal = ScrollBars_ == TScrollStyle::ssHorizontal || ScrollBars_ == TScrollStyle::ssBoth;
    const int height = viewport()->height();
    QScrollBar* v = verticalScrollBar();
    const int vMax = std::max(0, DocHeight_ - height);
    if (!vertical)
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    else if (Options_ & htShowVScroll)
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    else
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v->setRange(0, vMax);
    v->setPageStep(std::max(1, height));
    v->setSingleStep(VertLine);
    v->setEnabled(vMax > 0);
    QScrollBar* h = horizontalScrollBar();
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int total = Doc->Count() ? MaxWidth_ + 2 * DocMarginWidth_ : 0;
    h->setRange(0, std::max(0, total - viewport()->width()));
    h->setPageStep(std::max(1, viewport()->width()));
    h->setSingleStep(HorzLine);
    Doc->SetScrollY(v->value());
}

int THtmlView::ScrollPosition() const { return Doc->ScrollY; }
int THtmlView::HorzPosition() const { return horizontalScrollBar()->value(); }

void THtmlView::ScrollTo(int y) {
    const int most = std::max(0, DocHeight_ - viewport()->height());
    y = std::clamp(y, 0, most);
    QScrollBar* v = verticalScrollBar();
    if (v->maximum() < y) v->setMaximum(y);
    v->setValue(y);
    if (Doc->ScrollY != y) {
        Doc->SetScrollY(y);
        viewport()->update();
    }
}

void THtmlView::scrollContentsBy(int, int) {
    Doc->SetScrollY(verticalScrollBar()->value());
    viewport()->update();
}

void THtmlView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (!Processing_ && Doc->Count() > 0 && LayoutWidth() != LastLayoutWidth_)
        Relayout();
    else
        UpdateScrollBars();
    ScrollTo(ScrollPosition());  // a shorter document may go back to the top
}

TPositionCode THtmlView::Position() const {
    const int y = Doc->ScrollY;
    TPositionCode code{0, y};
    for (int i = 0; i < Doc->Count(); ++i) {
        const TSectionBase* s = (*Doc)[i];
        if (s->YPosition > y) break;
        code = {i, y - s->YPosition};
    }
    return code;
}

void THtmlView::GoToPosition(const TPositionCode& code) {
    if (code.Section >= 0 && code.Section < Doc->Count())
        ScrollTo((*Doc)[code.Section]->YPosition + code.Offset);
    else
        ScrollTo(code.Offset);
}

// ---- Painting --------------------------------------------------------------------------------

void THtmlView::paintEvent(QPaintEvent* event) {
    if (Loading_) return;
    QPainter painter(viewport());
    PaintRect(painter, event->rect());
}

void THtmlView::PaintRect(QPainter& painter, const QRect& rect) {
    gfx::QtCanvas canvas(painter);
    const gfx::Rect r{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
    PaintBackground(canvas, r);
    canvas.pushClip(r);
    Doc->Draw(canvas, r, DocMarginHeight_, DocMarginWidth_ - HorzPosition());
    canvas.popClip();
}

void THtmlView::PaintBackground(gfx::QtCanvas& canvas, const gfx::Rect& rect) {
    canvas.fillRect(rect, Doc->Background);
    const gfx::Graphic* image = Doc->BackgroundBitmap.get();
    if (!image || image->empty()) return;
    // Tiles on a grid anchored to the document: they move with the scroll
    // positions.
    const int w = image->width(), h = image->height();
    const int x0 = -(HorzPosition() % w), y0 = -(Doc->ScrollY % h);
    const auto* bitmap = dynamic_cast<const gfx::Bitmap*>(image);
    canvas.pushClip(rect);
    for (int y = y0 + ((rect.top - y0) / h) * h; y < rect.bottom; y += h)
        for (int x = x0 + ((rect.left - x0) / w) * w; x < rect.right; x += w) {
            const gfx::Rect tile{x, y, x + w, y + h};
            if (bitmap && Doc->BackgroundMask)
                canvas.stretchBitmapMasked(tile, *bitmap, *Doc->BackgroundMask, {0, 0, w, h});
            else
                image->draw(canvas, tile);
        }
    canvas.popClip();
}

void THtmlView::PaintPlacedControls(QPainter& painter) {
    // The form controls are widgets over the panel, which the window system
    // shows above what the panel paints: each that this paint placed paints
    // itself where it stands, over the document as in the window (not over
    // a background of its own).
    for (TFormControlObj* control : Doc->FormControlList) {
        auto* window = dynamic_cast<TQtWindowControl*>(control->GetControl());
        QWidget* widget = window && control->ShowIt ? window->Widget() : nullptr;
        if (widget && widget->isVisibleTo(Panel))
            widget->render(&painter, widget->pos(), QRegion(), QWidget::DrawChildren);
    }
}

QImage THtmlView::RenderDocument() {
    const int width = std::max(1, this->width());
    const int height = std::max(1, DocHeight_);
    if (int64_t{width} * height > MaxRenderPixels) throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    const int dotsPerMeter = qRound(viewport()->logicalDpiY() / 0.0254);
    // The document is painted in bands, each scrolled to the top of its own
    // picture, so that no coordinate of a paint leaves the range the paint
    // engine draws (a document may be far taller than that).
    QImage band(width, std::min(height, RenderBand), QImage::Format_RGB32);
    if (band.isNull()) throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    for (QImage* i : {&image, &band}) {
        i->setDotsPerMeterX(dotsPerMeter);
        i->setDotsPerMeterY(dotsPerMeter);
    }
    const int y = Doc->ScrollY;
    for (int top = 0; top < height; top += band.height()) {
        const int rows = std::min(band.height(), height - top);
        Doc->SetScrollY(top);
        {
            QPainter painter(&band);
            PaintRect(painter, QRect(0, 0, width, rows));
            PaintPlacedControls(painter);
        }
        for (int r = 0; r < rows; ++r)
            std::memcpy(image.scanLine(top + r), band.constScanLine(r), static_cast<std::size_t>(band.bytesPerLine()));
    }
    Doc->SetScrollY(y);
    viewport()->update();
    return image;
}

// ---- History and visited links ----------------------------------------------------------------

THistoryEntry THtmlView::Here() const { return {CurrentFile_, Title_, Position(), FileType_}; }

void THtmlView::PushHistory(const THistoryEntry& previous) {
    if (History_.Push(previous, Here()) && OnHistoryChange) OnHistoryChange();
}

void THtmlView::SetHistoryPosition(int index) {
    if (Processing_ || index == History_.Index() || index < 0 || index >= History_.Count()) return;
    const std::optional<THistoryEntry> entry = History_.MoveTo(index, Here());
    if (!entry) return;
    if (entry->File != CurrentFile_ || entry->Type != FileType_) LoadFile(entry->File, entry->Type, false);
    GoToPosition(entry->Position);
    if (OnHistoryChange) OnHistoryChange();
}

std::string THtmlView::LinkTarget(const std::string& url) const {
    if (!url.empty() && url.front() == '#') return CurrentFile_ + url;
    std::string name = url;
    const std::string anchor = SplitAnchor(name);
    return ExpandLinkFileName(name) + anchor;
}

void THtmlView::AddVisited(const std::string& entry) {
    if (VisitedMaxCount_ <= 0) return;
    for (std::size_t i = 0; i < Visited_.size(); ++i)
        if (SameText(Visited_[i], entry)) {
            Visited_.erase(Visited_.begin() + static_cast<std::ptrdiff_t>(i));
            Visited_.insert(Visited_.begin(), entry);
            return;
        }
    Visited_.insert(Visited_.begin(), entry);
    for (TFontObj* link : Doc->LinkList)
        if (!link->Visited && SameText(LinkTarget(link->UrlTarget.Url), entry)) link->SetVisited(true);
    if (static_cast<int>(Visited_.size()) > VisitedMaxCount_) Visited_.resize(static_cast<std::size_t>(VisitedMaxCount_));
    viewport()->update();
}

void THtmlView::MarkVisitedLinks() {
    if (Visited_.empty()) return;
    for (TFontObj* link : Doc->LinkList) {
        const std::string target = LinkTarget(link->UrlTarget.Url);
        for (const std::string& v : Visited_)
            if (SameText(v, target)) {
                link->SetVisited(true);
                break;
            }
    }
}

// ---- Links -----------------------------------------------------------------------------------

std::string THtmlView::ExpandLinkFileName(const std::string& name) const {
    return ::ExpandLinkFileName(LinkToFileName(name), ServerRoot_, DocBase_, CurrentFile_);
}

bool THtmlView::JumpToAnchor(std::string_view name) {
    const THistoryEntry before = Here();
    if (!ScrollToAnchor(name)) return false;
    PushHistory(before);
    return true;
}

bool THtmlView::ScrollToAnchor(std::string_view name) {
    if (!name.empty() && name.front() == '#') name.remove_prefix(1);
    const std::string key = UpperCase(name);
    const auto it = Anchors_.find(key);
    if (it == Anchors_.end()) return false;
    ScrollTo(it->second->YPosition);
    horizontalScrollBar()->setValue(0);
    AddVisited(CurrentFile_ + "#" + key);
    return true;
}

void THtmlView::HotSpotClick(const std::string& url) {
    bool handled = false;
    if (OnHotSpotClick) OnHotSpotClick(url, handled);
    if (handled || url.empty()) return;
    if (url.front() == '#') {
        JumpToAnchor(url);
        return;
    }
    std::string name = url;
    const std::string anchor = SplitAnchor(name);
    const std::string full = ExpandLinkFileName(name);
    const std::string ext = UpperCase(ExtractFileExt(full));
    if (ext == ".HTM" || ext == ".HTML") {
        if (full != CurrentFile_) {
            LoadFromFile(full + anchor);
            AddVisited(full + anchor);
        } else if (!anchor.empty()) {
            JumpToAnchor(anchor);
        }
    } else if (ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG") {
        LoadImageFile(full);
    }
}

void THtmlView::ReportError(const std::string& message) {
    if (OnError)
        OnError(message);
    else
        QMessageBox::warning(this, window()->windowTitle(), QString::fromStdString(message));
}

// ---- Find and selection -------------------------------------------------------------------------

bool THtmlView::FindInDocument(std::string_view text, bool matchCase) {
    if (text.empty()) return false;
    const int pos = Doc->FindString(Caret_, text, matchCase);
    if (pos < 0) return false;
    Doc->SelB = pos;
    Doc->SelE = pos + static_cast<int>(text.size());
    Caret_ = Doc->CaretPos = Doc->SelE;
    int y = 0, x = 0;
    bool placed = false;
    WithCanvas([&](gfx::Canvas& canvas) { placed = Doc->PointOfPosition(canvas, pos, y, x); });
    if (placed) ShowLine(y);
    viewport()->update();
    return true;
}

bool THtmlView::WindowPointOf(int position, QPoint& point) {
    int y = 0, x = 0;
    bool placed = false;
    WithCanvas([&](gfx::Canvas& canvas) { placed = Doc->PointOfPosition(canvas, position, y, x); });
    if (placed) point = QPoint(x + DocMarginWidth_ - HorzPosition(), y - ScrollPosition());
    return placed;
}

void THtmlView::ShowLine(int y) {
    const int top = ScrollPosition(), height = viewport()->height();
    if (y < top || y > top + height - 20) ScrollTo(y - height / 2);
}

void THtmlView::SetSelectionRange(int position) {
    Caret_ = Doc->CaretPos = position;
    Doc->SelB = Doc->SelE = position;
    SelAnchor_ = -1;
    viewport()->update();
}

int THtmlView::SelStart() const { return Doc->SelB; }
int THtmlView::SelLength() const { return Doc->SelE - Doc->SelB; }

std::string THtmlView::SelText() {
    Doc->CopyBuffer.clear();
    if (Doc->SelE > Doc->SelB) Doc->CopySelection();
    return Doc->CopyBuffer;
}
