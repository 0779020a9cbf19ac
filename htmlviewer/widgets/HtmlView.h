// The HTML viewer control: a scrolling window that loads an HTML file (or
// plain text, or a picture alone), has the parser build its document, lays
// it out for its width and paints it, follows links inside the document and
// to other local files, keeps a history of places with back and forward,
// remembers visited links, finds text and lets the user select it with the
// mouse. The document paints in the scroll area's viewport, which is the
// paint panel of the document (form controls are its children).
#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlHistory.h"
#include "htmlviewer/HtmlParser.h"

class TQtPaintPanel;
class QPainter;

namespace gfx {
class QtCanvas;
}

// What lies under the mouse when the right button is released: the link,
// the image with the point inside it, and the word.
struct TRightClickParameters {
    std::string URL;
    std::string Target;
    THtmlObject* Image = nullptr;
    int ImageX = 0;
    int ImageY = 0;
    std::string ClickWord;
};

// The border: single while focused, never, or always.
enum class THtmlBorderStyle : uint8_t { htFocused, htNone, htSingle };
// The scroll bars the viewer may show.
enum class TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// Options: hover colouring of links, links without underline, a dummy caret
// mark, and a vertical scroll bar always shown (disabled when not needed).
using THtmlViewOptions = unsigned;
inline constexpr THtmlViewOptions htOverLinksActive = 1;
inline constexpr THtmlViewOptions htNoLinkUnderline = 2;
inline constexpr THtmlViewOptions htShowDummyCaret = 4;
inline constexpr THtmlViewOptions htShowVScroll = 8;

class THtmlView : public QAbstractScrollArea {
public:
    // A line of the vertical and of the horizontal scroll bar, in pixels.
    static constexpr int VertLine = 16;
    static constexpr int HorzLine = 15;
    // The hover watch and the scrolling steps while selecting or dragging.
    static constexpr int HoverInterval = 200;
    static constexpr int ScrollInterval = 100;
    // The largest margin.
    static constexpr int MaxMargin = 200;

    explicit THtmlView(QWidget* parent = nullptr);
    ~THtmlView() override;

    // ---- Properties (each setter has the effect the viewer needs) ----
    gfx::Color DefBackground() const { return Background_; }
    void SetDefBackground(gfx::Color color);
    THtmlBorderStyle BorderStyle() const { return BorderStyle_; }
    void SetBorderStyle(THtmlBorderStyle style);
    // At most this many history entries; a smaller value clears the history.
    int HistoryMaxCount() const { return History_.MaxCount(); }
    void SetHistoryMaxCount(int count);
    const std::string& DefFontName() const { return FontName_; }
    void SetDefFontName(const std::string& name);
    const std::string& DefPreFontName() const { return PreFontName_; }
    void SetDefPreFontName(const std::string& name);
    // At least 6 points.
    int DefFontSize() const { return FontSize_; }
    void SetDefFontSize(int size);
    gfx::Color DefFontColor() const { return FontColor_; }
    void SetDefFontColor(gfx::Color color);
    gfx::Color DefHotSpotColor() const { return HotSpotColor_; }
    void SetDefHotSpotColor(gfx::Color color);
    gfx::Color DefVisitedLinkColor() const { return VisitedColor_; }
    void SetDefVisitedLinkColor(gfx::Color color);
    gfx::Color DefOverLinkColor() const { return OverLinkColor_; }
    void SetDefOverLinkColor(gfx::Color color);
    // At least 0; 0 clears the visited list and every link's mark, a smaller
    // value drops the oldest entries.
    int VisitedMaxCount() const { return VisitedMaxCount_; }
    void SetVisitedMaxCount(int count);
    // 0 to 20 sweeps an unused picture stays in the image cache.
    int ImageCacheCount() const { return ImageCacheCount_; }
    void SetImageCacheCount(int count);
    // True clears the selection and forbids selecting.
    bool NoSelect() const { return NoSelect_; }
    void SetNoSelect(bool on);
    TScrollStyle ScrollBars() const { return ScrollBars_; }
    void SetScrollBars(TScrollStyle style);
    int CharSet() const { return CharSet_; }
    void SetCharSet(int charset);
    // At most 200; negative values are ignored.
    int MarginHeight() const { return MarginHeight_; }
    void SetMarginHeight(int height);
    int MarginWidth() const { return MarginWidth_; }
    void SetMarginWidth(int width);
    // The folder a link beginning with a separator is taken from (trimmed,
    // without a trailing separator).
    const std::string& ServerRoot() const { return ServerRoot_; }
    void SetServerRoot(const std::string& root);
    THtmlViewOptions HtOptions() const { return Options_; }
    void SetHtOptions(THtmlViewOptions options);
    bool ViewImages() const { return ViewImages_; }
    void SetViewImages(bool on);
    // The base used when a document has no BASE of its own.
    void SetBase(const std::string& base) { Base_ = base; }

    // ---- Events ----
    // The link under the mouse changed (empty: it left every link).
    std::function<void(const std::string& src)> OnHotSpotCovered;
    // A link was clicked; setting `handled` stops the viewer's own navigation.
    std::function<void(const std::string& src, bool& handled)> OnHotSpotClick;
    // The application's source of pictures (unset: pictures are files).
    TGetImageEvent OnImageRequest;
    TScriptHandler OnScript;
    std::function<void(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, const std::vector<std::string>& results)>
        OnFormSubmit;
    std::function<void()> OnHistoryChange;
    std::function<void(bool processing)> OnProcessing;
    TIncludeHandler OnInclude;
    TSoundHandler OnSoundRequest;
    TMetaHandler OnMeta;
    std::function<void(int delay, const std::string& url)> OnMetaRefresh;
    std::function<void(THtmlObject* image, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>
        OnImageClick;
    std::function<void(THtmlObject* image, Qt::KeyboardModifiers shift, int x, int y)> OnImageOver;
    std::function<void(TFormControlObj* control, const std::string& onClick)> OnObjectClick;
    std::function<void(const TRightClickParameters& parameters)> OnRightClick;
    std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)> OnMouseDouble;
    // A key pressed in the viewer; returning true takes it.
    std::function<bool(int key, Qt::KeyboardModifiers shift)> OnKeyDown;
    // An error in the viewer's own handling of the mouse or keys (a link to
    // a file that is not there): the standard error box unless set.
    std::function<void(const std::string& message)> OnError;

    // ---- Loading and navigation ----
    // Loads an HTML file (a ".txt" file as plain text); text after the first
    // "#" is an anchor to jump to. Nothing while processing or for an empty
    // name. A file that is not there raises gfx::EFOpenError "Can't locate
    // file: " and the name; a parse error (EParseError) leaves what was built
    // shown and is raised after the load.
    void LoadFromFile(const std::string& fileName);
    // Shows a picture file alone.
    void LoadImageFile(const std::string& fileName);
    // Shows an HTML text; `fileName` (may be empty) is the file its links
    // and pictures are relative to.
    void LoadFromString(const std::string& html, const std::string& fileName = {});
    // Scrolls to a named anchor (one leading "#" is dropped, the name
    // compared in upper case) and records the move in the history, so that
    // going back returns to the place left; true when found.
    bool JumpToAnchor(std::string_view name);
    // The full path of the file shown; empty before the first load.
    const std::string& CurrentFileName() const { return CurrentFile_; }
    TFileType CurrentFileType() const { return FileType_; }
    // Moves in the history: a larger index is older.
    void SetHistoryPosition(int index);
    int HistoryPosition() const { return History_.Index(); }
    const THtmlHistory& History() const { return History_; }
    // The visited links and places, newest first.
    const std::vector<std::string>& Visited() const { return Visited_; }
    // What happens when a link is clicked: events, anchors, local pages and
    // pictures by extension.
    virtual void HotSpotClick(const std::string& url);
    // Where the file a link names is (see ::ExpandLinkFileName).
    virtual std::string ExpandLinkFileName(const std::string& name) const;
    // Empties the viewer.
    void Clear();

    // ---- Find and selection ----
    // Finds and selects the next occurrence after the caret; true when found.
    bool FindInDocument(std::string_view text, bool matchCase);
    // The caret and both ends of the selection at one position (0 clears
    // the selection).
    void SetSelectionRange(int position);
    int SelStart() const;
    int SelLength() const;
    // The selected text (cp1252, lines ending in CR LF).
    std::string SelText();
    int CaretPos() const { return Caret_; }

    // ---- The document and the view ----
    TSectionList& Document() { return *Doc; }
    const TAnchorList& Anchors() const { return Anchors_; }
    const std::string& DocumentTitle() const { return Title_; }
    const std::string& DocumentBase() const { return DocBase_; }
    const std::string& DocumentTarget() const { return DocTarget_; }
    // The height of the laid-out document with its margins.
    int DocumentHeight() const { return DocHeight_; }
    // The document Y at the top of the window, and scrolling there
    // (clamped to the document).
    int ScrollPosition() const;
    void ScrollTo(int y);
    int HorzPosition() const;
    // The scroll position as a section and an offset, and back.
    TPositionCode Position() const;
    void GoToPosition(const TPositionCode& code);
    bool Processing() const { return Processing_; }
    // The window point of a document character position (the top of its
    // character cell); false when the position is not in the document.
    bool WindowPointOf(int position, QPoint& point);
    // The whole document painted as the window shows it, its form controls
    // included, as wide as the control (its scroll bars' room painted as
    // background) and as high as the document, painted in bands of at most
    // RenderBand rows. Raises
    // EOutOfResources "Out of Resources" when the picture cannot be made or
    // would have more than MaxRenderPixels pixels (1 GB).
    QImage RenderDocument();
    static constexpr int RenderBand = 8192;
    static constexpr int64_t MaxRenderPixels = int64_t{1} << 28;

    // ---- Timer steps (the timers call them; tests may too) ----
    // The hover watch: once the mouse has left the window the hover state,
    // the link and the watch end. HoverCheckAt takes the mouse's place on
    // the screen instead of asking for it.
    void HoverCheck();
    void HoverCheckAt(const QPoint& globalPos);
    // One step of scrolling while the user selects beyond the window.
    void AutoScrollStep();
    // One step of scrolling with the middle button.
    void DragScrollStep();
    bool DragScrolling() const { return DragScroll_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Runs `f` with a canvas that measures as the window paints.
    void WithCanvas(const std::function<void(gfx::Canvas&)>& f);
    void LoadFile(const std::string& name, TFileType type, bool pushHistory);
    // Builds the document from text; lays it out when it has sections.
    void LoadString(const std::string& text, TFileType type);
    void MetaHandler(const std::string& httpEquiv, const std::string& name, const std::string& content);
    void SetProcessing(bool on);
    // The width the document is laid out for.
    int LayoutWidth() const;
    void Layout();
    // Lays out again and scrolls back to the same section and offset.
    void Relayout();
    // The fonts and colours go to the document and it is laid out again.
    void UpdateFonts();
    void UpdateScrollBars();
    void UpdateFrame();
    void PaintRect(QPainter& painter, const QRect& rect);
    // Paints the form controls that the last paint placed, each as its
    // widget shows itself, at its place on the panel.
    void PaintPlacedControls(QPainter& painter);
    void PaintBackground(gfx::QtCanvas& canvas, const gfx::Rect& rect);
    // Scrolls to a named anchor without a history entry (a load records
    // its own); true when found.
    bool ScrollToAnchor(std::string_view name);
    THistoryEntry Here() const;
    void PushHistory(const THistoryEntry& previous);
    // The visited-list form of a link: the current file and the anchor for
    // "#name", else the expanded file name and its anchor.
    std::string LinkTarget(const std::string& url) const;
    void AddVisited(const std::string& entry);
    void MarkVisitedLinks();
    // Brings a document Y into view by the find rule.
    void ShowLine(int y);
    // The document point of a window point.
    int DocX(int x) const;
    int DocY(int y) const;
    // The character position under a window point; -1 when none.
    int PositionAt(const QPoint& point, bool* inText = nullptr, THtmlObject** obj = nullptr);
    std::string LinkAt(const QPoint& point, TFormControlObj*& control, std::string* target = nullptr);
    // The word (letters, digits and the letters of codes 192 to 255) around
    // a character position.
    bool WordBounds(int position, int& start, int& end);
    std::string WordAt(int position);
    void SelectTo(int position);
    void EndDragScroll();
    // Reports an error of the viewer's own event handling.
    void ReportError(const std::string& message);

    std::unique_ptr<TSectionList> Doc;
    TQtPaintPanel* Panel;
    TAnchorList Anchors_;
    THtmlHistory History_;
    std::vector<std::string> Visited_;
    QTimer HoverTimer;
    QTimer AutoScrollTimer;
    QTimer DragTimer;

    // Properties.
    gfx::Color Background_ = gfx::clBtnFace;
    THtmlBorderStyle BorderStyle_ = THtmlBorderStyle::htFocused;
    std::string FontName_ = "Times New Roman";
    std::string PreFontName_ = "Courier New";
    int FontSize_ = 12;
    gfx::Color FontColor_ = gfx::systemColor(gfx::SystemColor::BtnText);
    gfx::Color HotSpotColor_ = gfx::clBlue;
    gfx::Color VisitedColor_ = gfx::clPurple;
    gfx::Color OverLinkColor_ = gfx::clBlue;
    int VisitedMaxCount_ = 50;
    int ImageCacheCount_ = 5;
    bool NoSelect_ = false;
    TScrollStyle ScrollBars_ = TScrollStyle::ssBoth;
    int CharSet_ = 0;
    int MarginHeight_ = 5;
    int MarginWidth_ = 10;
    std::string ServerRoot_;
    THtmlViewOptions Options_ = 0;
    bool ViewImages_ = true;
    std::string Base_;

    // The document shown.
    std::string CurrentFile_;
    TFileType FileType_ = TFileType::Html;
    std::string Title_;
    std::string DocBase_;
    std::string DocTarget_;
    int DocMarginWidth_ = 10;
    int DocMarginHeight_ = 5;
    int DocHeight_ = 0;
    int MaxWidth_ = 0;
    int LastLayoutWidth_ = -1;
    int RefreshDelay_ = 0;
    std::string RefreshUrl_;
    bool Processing_ = false;
    bool Loading_ = false;

    // Mouse and selection.
    int Caret_ = 0;
    int SelAnchor_ = -1;
    bool LeftDown_ = false;
    std::string LinkAtPress_;
    std::string CurrentLink_;
    QCursor TextCursor_;
    bool DragScroll_ = false;
    bool DragMoved_ = false;
    QPoint DragStart_;
    QPoint DragPos_;
};
