#include "ui/qt/WindowPlace.h"

#include <QWidget>

void PlaceWindow(QWidget* window, const twindowbounds& bounds, bool maximized) {
    if (bounds.width > 0 && bounds.height > 0) {
        window->resize(bounds.width, bounds.height);
        window->move(bounds.left, bounds.top);
    }
    if (maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void StoreWindowPlace(const QWidget* window, twindowbounds& bounds, bool& maximized) {
    maximized = window->isMaximized();
    const QRect r = window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
    bounds = {r.x(), r.y(), r.width(), r.height()};
}
