// The mouse cursors of the HTML widgets: the link hand, the text beam, and
// the three cursors of scrolling while selecting (up and down, up only, down
// only), which are drawn here.
#pragma once

#include <QCursor>

namespace gfx {

enum class CursorId { Arrow, Hand, IBeam, Wait, UpDown, UpOnly, DownOnly };

QCursor cursor(CursorId id);

}  // namespace gfx
