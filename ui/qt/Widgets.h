// The small widgets the toolkit lacks: the up-down control beside an edit,
// the spin button pair, and a label that can be clicked (links, colour
// swatches, thumbnails).
#pragma once

#include <QLabel>
#include <QWidget>

class QToolButton;

// Two arrow buttons that step a position between a minimum and a maximum;
// the edit beside it shows the position (the binder keeps both in step).
class UpDownWidget : public QWidget {
    Q_OBJECT
public:
    explicit UpDownWidget(QWidget* parent = nullptr);
    void SetRange(int min, int max, int increment);
    void SetPosition(int position) { position_ = position; }
    int Position() const { return position_; }

signals:
    // The user stepped the position; `position` is the new one.
    void Clicked(int position);

private:
    void Step(int direction);
    int position_ = 0;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
};

// Two arrow buttons that report "up" and "down"; the page decides what a
// step does.
class SpinButtonWidget : public QWidget {
    Q_OBJECT
public:
    explicit SpinButtonWidget(QWidget* parent = nullptr);

signals:
    void Up();
    void Down();
};

// A label that reports clicks; with a colour it is a swatch that fills with
// the colour and writes its caption in black or white, whichever reads.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);
    // A colour value (red in the low byte); clNone shows the label plainly.
    void SetSwatchColor(int color);
    int SwatchColor() const { return color_; }

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int color_;
};
