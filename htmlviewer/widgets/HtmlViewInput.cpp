// The viewer control's mouse, keys and timers: selection with scrolling
// beyond the window, word selection, links under the mouse and their
// clicks, the hover watch, scrolling by keys, wheel and the middle button.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "htmlviewer/HtmlForms.h"
#include "htmlviewer/HtmlImageObj.h"
#include "htmlviewer/widgets/FormWidgets.h"
#include "htmlviewer/widgets/HtmlView.h"
#include "platform/qt/Cursors.h"

namespace {

// The characters of a word for double-click selection.
bool IsWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u >= 192;
}

// How far the mouse may leave the window before selecting scrolls faster,
// and the distances of scrolling with the middle button.
constexpr int NearOutside = 15;
constexpr int DragDeadZone = 20;
constexpr int DragFastZone = 60;

}  // namespace

int THtmlView::DocX(int x) const { return x - DocMarginWidth_ + HorzPosition(); }
int THtmlView::DocY(int y) const { return y + ScrollPosition(); }

int THtmlView::PositionAt(const QPoint& point, bool* inText, THtmlObject** obj) {
    int pos = -1;
    WithCanvas([&](gfx::Canvas& canvas) {
        int xr = 0, yr = 0, caretHeight = 0;
        THtmlObject* found = nullptr;
        bool text = false;
        pos = Doc->PositionAtPoint(canvas, DocX(point.x()), DocY(point.y()), xr, yr, caretHeight, found, text);
        if (inText) *inText = pos >= 0 && text;
        if (obj) *obj = found;
    });
    return pos;
}

std::string THtmlView::LinkAt(const QPoint& point, TFormControlObj*& control, std::string* target) {
    TUrlTarget url;
    control = nullptr;
    bool found = false;
    WithCanvas([&](gfx::Canvas& canvas) { found = Doc->LinkAtPoint(canvas, DocX(point.x()), DocY(point.y()), url, control); });
    if (target) *target = url.Target;
    return found ? url.Url : std::string();
}

bool THtmlView::WordBounds(int position, int& start, int& end) {
    auto wordChar = [this](int pos) {
        char ch = 0;
        THtmlObject* obj = nullptr;
        return pos >= 0 && Doc->CharAtPosition(pos, ch, obj) && IsWordChar(ch);
    };
    if (!wordChar(position)) return false;
    start = end = position;
    while (start > 0 && wordChar(start - 1)) --start;
    while (wordChar(end)) ++end;
    return true;
}

std::string THtmlView::WordAt(int position) {
    int start = 0, end = 0;
    if (!WordBounds(position, start, end)) return {};
    std::string word;
    for (int pos = start; pos < end; ++pos) {
        char ch = 0;
        THtmlObject* obj = nullptr;
        Doc->CharAtPosition(pos, ch, obj);
        word += ch;
    }
    return word;
}

void THtmlView::SelectTo(int position) {
    Caret_ = Doc->CaretPos = position;
    if (SelAnchor_ < 0) SelAnchor_ = position;
    Doc->SelB = std::min(SelAnchor_, position);
    Doc->SelE = std::max(SelAnchor_, position);
    viewport()->update();
}

void THtmlView::EndDragScroll() {
    DragScroll_ = false;
    DragTimer.stop();
    viewport()->setCursor(TextCursor_);
}

// ---- Mouse -----------------------------------------------------------------------------------

void THtmlView::mousePressEvent(QMouseEvent* event) {
    if (DragScroll_) {  // any button ends scrolling with the middle button
        EndDragScroll();
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        DragScroll_ = true;
        DragMoved_ = false;
        DragStart_ = DragPos_ = event->pos();
        viewport()->setCursor(gfx::cursor(gfx::CursorId::UpDown));
        DragTimer.start();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    LeftDown_ = true;
    TFormControlObj* control = nullptr;
    LinkAtPress_ = LinkAt(event->pos(), control);
    const int pos = PositionAt(event->pos());
    if (pos >= 0) Caret_ = Doc->CaretPos = pos;
    SelAnchor_ = Caret_;
    Doc->SelB = Doc->SelE = Caret_;
    viewport()->update();
}

void THtmlView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->pos();
    if (DragScroll_) {
        DragMoved_ = DragMoved_ || p != DragStart_;
        DragPos_ = p;
        return;
    }
    TFormControlObj* control = nullptr;
    const std::string url = LinkAt(p, control);
    bool inText = false;
    THtmlObject* obj = nullptr;
    PositionAt(p, &inText);
    WithCanvas([&](gfx::Canvas& canvas) { Doc->ObjectAtPoint(canvas, DocX(p.x()), DocY(p.y()), obj); });
    if (!url.empty() || control)
        viewport()->setCursor(gfx::cursor(gfx::CursorId::Hand));
    else if (inText)
        viewport()->setCursor(TextCursor_);
    else
        viewport()->setCursor(Qt::ArrowCursor);
    if (auto* image = dynamic_cast<TImageObj*>(obj); image && OnImageOver)
        OnImageOver(image, event->modifiers(), DocX(p.x()) - image->DrawX, DocY(p.y()) - image->DrawY);
    if (url != CurrentLink_) {
        CurrentLink_ = url;
        if (OnHotSpotCovered) OnHotSpotCovered(url);
    }
    if ((!url.empty() || Doc->ActiveLink || Doc->ActiveImage) && !HoverTimer.isActive()) HoverTimer.start();
    if (LeftDown_ && !NoSelect_ && (event->buttons() & Qt::LeftButton)) {
        const int height = viewport()->height();
        const int pos = PositionAt(QPoint(p.x(), std::clamp(p.y(), 0, std::max(0, height - 1))));
        if (pos >= 0) SelectTo(pos);
        if (p.y() < 0 || p.y() >= height) {
            if (!AutoScrollTimer.isActive()) AutoScrollTimer.start();
        } else {
            AutoScrollTimer.stop();
        }
    }
}

void THtmlView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->pos();
    if (event->button() == Qt::MiddleButton) {
        if (DragScroll_ && DragMoved_) EndDragScroll();
        return;
    }
    THtmlObject* obj = nullptr;
    WithCanvas([&](gfx::Canvas& canvas) { Doc->ObjectAtPoint(canvas, DocX(p.x()), DocY(p.y()), obj); });
    auto* image = dynamic_cast<TImageObj*>(obj);
    if (image && OnImageClick)
        OnImageClick(image, event->button(), event->modifiers(), DocX(p.x()) - image->DrawX, DocY(p.y()) - image->DrawY);
    if (event->button() == Qt::RightButton) {
        if (!OnRightClick) return;
        TRightClickParameters parameters;
        TFormControlObj* control = nullptr;
        parameters.URL = LinkAt(p, control, &parameters.Target);
        if (image) {
            parameters.Image = image;
            parameters.ImageX = DocX(p.x()) - image->DrawX;
            parameters.ImageY = DocY(p.y()) - image->DrawY;
        }
        parameters.ClickWord = WordAt(PositionAt(p));
        OnRightClick(parameters);
        return;
    }
    if (event->button() != Qt::LeftButton || !LeftDown_) return;
    LeftDown_ = false;
    AutoScrollTimer.stop();
    if (Doc->SelE > Doc->SelB) return;  // text was selected: no click
    TFormControlObj* control = nullptr;
    const std::string url = LinkAt(p, control);
    try {
        if (auto* imageControl = dynamic_cast<TImageFormControlObj*>(control); imageControl && imageControl->MyImage)
            imageControl->ImageClick(DocX(p.x()) - imageControl->MyImage->DrawX,
                                     DocY(p.y()) - imageControl->MyImage->DrawY);
        else if (!url.empty() && url == LinkAtPress_)
            HotSpotClick(url);
    } catch (const std::exception& e) {
        ReportError(e.what());
    }
}

void THtmlView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint p = event->pos();
    if (event->button() == Qt::LeftButton && !NoSelect_) {
        int start = 0, end = 0;
        if (WordBounds(PositionAt(p), start, end)) {
            SelAnchor_ = start;
            SelectTo(end);
        }
    }
    if (OnMouseDouble) OnMouseDouble(event->button(), event->modifiers(), p.x(), p.y());
}

void THtmlView::wheelEvent(QWheelEvent* event) {
    ScrollTo(ScrollPosition() - event->angleDelta().y() / 2);
    event->accept();
}

void THtmlView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    UpdateFrame();
}

void THtmlView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    UpdateFrame();
}

// ---- Keys ------------------------------------------------------------------------------------

void THtmlView::keyPressEvent(QKeyEvent* event) {
    if (DragScroll_) {  // a key ends scrolling with the middle button
        EndDragScroll();
        event->accept();
        return;
    }
    if (OnKeyDown && OnKeyDown(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    const int page = std::max(VertLine, viewport()->height() - VertLine);
    const int y = ScrollPosition();
    QScrollBar* h = horizontalScrollBar();
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(Cp1252ToQString(SelText()));
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageUp: ScrollTo(y - page); break;
    case Qt::Key_PageDown: ScrollTo(y + page); break;
    case Qt::Key_Up: ScrollTo(y - VertLine); break;
    case Qt::Key_Down: ScrollTo(y + VertLine); break;
    case Qt::Key_Home: ScrollTo(0); break;
    case Qt::Key_End: ScrollTo(DocHeight_); break;
    case Qt::Key_Left: h->setValue(h->value() - HorzLine); break;
    case Qt::Key_Right: h->setValue(h->value() + HorzLine); break;
    default: event->ignore(); return;
    }
    event->accept();
}

// ---- Timers ----------------------------------------------------------------------------------

void THtmlView::HoverCheck() { HoverCheckAt(QCursor::pos()); }

void THtmlView::HoverCheckAt(const QPoint& globalPos) {
    if (viewport()->rect().contains(viewport()->mapFromGlobal(globalPos))) return;
    Doc->ClearHover();
    HoverTimer.stop();
    CurrentLink_.clear();
    if (OnHotSpotCovered) OnHotSpotCovered("");
}

void THtmlView::AutoScrollStep() {
    if (!LeftDown_ || NoSelect_) {
        AutoScrollTimer.stop();
        return;
    }
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    const int height = viewport()->height();
    const int outside = p.y() < 0 ? p.y() : p.y() >= height ? p.y() - height + 1 : 0;
    if (outside == 0) {
        AutoScrollTimer.stop();
        return;
    }
    const int step = std::abs(outside) <= NearOutside ? VertLine : 8 * VertLine;
    ScrollTo(ScrollPosition() + (outside < 0 ? -step : step));
    const int pos = PositionAt(QPoint(p.x(), std::clamp(p.y(), 0, std::max(0, height - 1))));
    if (pos >= 0) SelectTo(pos);
}

void THtmlView::DragScrollStep() {
    if (!DragScroll_) {
        DragTimer.stop();
        return;
    }
    const int dy = DragPos_.y() - DragStart_.y();
    if (std::abs(dy) <= DragDeadZone) {
        viewport()->setCursor(gfx::cursor(gfx::CursorId::UpDown));
        return;
    }
    const int step = std::abs(dy) > DragFastZone ? 32 : 8;
    ScrollTo(ScrollPosition() + (dy < 0 ? -step : step));
    viewport()->setCursor(gfx::cursor(dy < 0 ? gfx::CursorId::UpOnly : gfx::CursorId::DownOnly));
}
