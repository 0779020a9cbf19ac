#include "ui/qt/Widgets.h"

#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "model/VectorMath.h"
#include "options/Options.h"

namespace {

// The two arrow buttons, stacked, of an up-down or spin button.
void AddArrows(QWidget* owner, QToolButton*& up, QToolButton*& down) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up = new QToolButton(owner);
    down = new QToolButton(owner);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setFixedSize(16, 10);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    owner->setFixedSize(16, 20);
}

}  // namespace

UpDownWidget::UpDownWidget(QWidget* parent) : QWidget(parent) {
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
    AddArrows(this, up, down);
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownWidget::SetRange(int min, int max, int increment) {
    min_ = std::min(min, max);
    max_ = std::max(min, max);
    increment_ = increment;
}

void UpDownWidget::Step(int direction) {
    const int next = std::clamp(position_ + direction * increment_, min_, max_);
    if (next == position_) return;
    position_ = next;
    emit Clicked(position_);
}

SpinButtonWidget::SpinButtonWidget(QWidget* parent) : QWidget(parent) {
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
    AddArrows(this, up, down);
    connect(up, &QToolButton::clicked, this, &SpinButtonWidget::Up);
    connect(down, &QToolButton::clicked, this, &SpinButtonWidget::Down);
}

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent), color_(clNone) { setTextFormat(Qt::PlainText); }

void ClickLabel::SetSwatchColor(int color) {
    if (color == color_) return;
    color_ = color;
    if (color == clNone) {
        setAutoFillBackground(false);
        setPalette(QPalette());
        setFrameShape(QFrame::NoFrame);
        return;
    }
    const QColor fill(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    QPalette p = palette();
    p.setColor(QPalette::Window, fill);
    // White on a dark swatch: luminance 0.3 r + 0.59 g + 0.11 b at most 0.5.
    const tvector rgb{fill.redF(), fill.greenF(), fill.blueF()};
    p.setColor(QPalette::WindowText, ColorLuminance(rgb) <= 0.5 ? Qt::white : Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
}
