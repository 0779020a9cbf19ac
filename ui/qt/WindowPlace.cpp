#include "ui/qt/WindowPlace.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QWidget>
#include <vector>

namespace {

// The frame last seen around a window of the program.
tframe& LastFrame() {
    static tframe frame;
    return frame;
}

twindowbounds Bounds(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// The frame as the window has it now (none while it was never shown).
tframe CurrentFrame(const QWidget* window) {
    const QRect inner = window->geometry(), outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

std::vector<twindowbounds> WorkAreas() {
    std::vector<twindowbounds> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas.push_back(Bounds(s->availableGeometry()));
    return areas;
}

void SetPlace(QWidget* window, const twindowbounds& place) {
    window->resize(place.width, place.height);
    // The frame's corner. A window made before it was first shown would
    // take the point for its client area's until the window manager has
    // framed it; its platform window is told that the point is the frame's.
    QWindow* handle = window->windowHandle();
    if (handle && window->frameGeometry() == window->geometry())
        handle->setFramePosition(QPoint(place.left, place.top));
    else
        window->move(place.left, place.top);
}

bool Normal(const QWidget* window) {
    return !(window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

class FrameWatch : public QObject {
public:
    FrameWatch(QWidget* window, std::function<void(const tframe&)> changed)
        : QObject(window), window_(window), changed_(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (watched == window_ && (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Show) &&
            window_->isVisible() && Normal(window_)) {
            const tframe frame = CurrentFrame(window_);
            if (frame != frame_) {
                frame_ = LastFrame() = frame;
                changed_(frame);
            }
        }
        return false;
    }

private:
    QWidget* window_;
    std::function<void(const tframe&)> changed_;
    tframe frame_;
};

}  // namespace

tframe FrameOf(const QWidget* window) {
    const tframe frame = CurrentFrame(window);
    return frame == tframe{} ? LastFrame() : frame;
}

twindowbounds WorkArea(const QWidget* window) {
    const QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return s ? Bounds(s->availableGeometry()) : twindowbounds{0, 0, 1024, 768};
}

void ApplyWindowPlace(QWidget* window, const twindowbounds& place, bool maximized, const twindowbounds& fallback) {
    const std::vector<twindowbounds> areas = WorkAreas();
    const tframe frame = FrameOf(window);
    const std::optional<twindowbounds> fitted = maximized ? std::nullopt : FitToScreens(place, frame, areas);
    SetPlace(window, fitted ? *fitted : FitToScreens(fallback, frame, areas).value_or(fallback));
    window->setWindowState(maximized ? (window->windowState() | Qt::WindowMaximized)
                                     : (window->windowState() & ~Qt::WindowMaximized));
}

void StoreWindowPlace(const QWidget* window, twindowbounds& bounds, bool& maximized) {
    maximized = window->isMaximized();
    if (Normal(window)) {
        bounds = {window->x(), window->y(), window->width(), window->height()};
        return;
    }
    // The place the window returns to: its normal client rectangle, moved
    // out by the frame.
    const QRect normal = window->normalGeometry();
    const tframe frame = FrameOf(window);
    bounds = {normal.x() - frame.left, normal.y() - frame.top, normal.width(), normal.height()};
}

void KeepOnScreen(QWidget* window) {
    if (!Normal(window)) return;
    const twindowbounds now{window->x(), window->y(), window->width(), window->height()};
    const std::optional<twindowbounds> fitted = FitToScreens(now, FrameOf(window), WorkAreas());
    if (fitted && !(*fitted == now)) SetPlace(window, *fitted);
}

void WatchFrame(QWidget* window, std::function<void(const tframe&)> changed) {
    window->installEventFilter(new FrameWatch(window, std::move(changed)));
}
