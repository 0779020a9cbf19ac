// Waiting for a window manager: it frames and places windows in its own time.
#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>
#include <QWindow>
#include <QtCore/qtestsupport_core.h>
#include <span>
#include <vector>

// Handles events until every shown window of `windows` is exposed (and, when
// `framed`, has its frame) and none has moved, changed its size or been shown
// or hidden for a quarter of a second. False when that takes longer than
// `timeout` milliseconds.
inline bool SettleWindows(std::span<const QWidget* const> windows, bool framed, int timeout = 20000) {
    std::vector<QRect> last;
    QElapsedTimer still;
    still.start();
    return QTest::qWaitFor(
        [&] {
            std::vector<QRect> now;
            for (const QWidget* w : windows) {
                now.push_back(w->isVisible() ? w->frameGeometry() : QRect());
                if (!w->isVisible()) continue;
                if (!w->windowHandle() || !w->windowHandle()->isExposed()) return false;
                if (framed && !w->isMaximized() && w->frameGeometry() == w->geometry()) return false;
            }
            if (now != last) {
                last = now;
                still.restart();
            }
            return still.elapsed() >= 250;
        },
        timeout);
}
