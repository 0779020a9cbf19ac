#include "platform/qt/Cursors.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace gfx {

namespace {

// A 32 x 32 cursor of a small circle with arrows up, down or both; its hot
// spot is the centre.
QCursor scrollCursor(bool up, bool down) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawEllipse(QPoint(16, 16), 3, 3);
    if (up) p.drawPolygon(QPolygon({QPoint(16, 2), QPoint(23, 10), QPoint(9, 10)}));
    if (down) p.drawPolygon(QPolygon({QPoint(16, 30), QPoint(23, 22), QPoint(9, 22)}));
    p.end();
    return QCursor(pixmap, 16, 16);
}

}  // namespace

QCursor cursor(CursorId id) {
    switch (id) {
    case CursorId::Arrow: return QCursor(Qt::ArrowCursor);
    case CursorId::Hand: return QCursor(Qt::PointingHandCursor);
    case CursorId::IBeam: return QCursor(Qt::IBeamCursor);
    case CursorId::Wait: return QCursor(Qt::WaitCursor);
    case CursorId::UpDown: return scrollCursor(true, true);
    case CursorId::UpOnly: return scrollCursor(true, false);
    case CursorId::DownOnly: return scrollCursor(false, true);
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace gfx
