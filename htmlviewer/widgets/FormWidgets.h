// The Qt half of the HTML viewer's forms: the widgets behind the window
// controls of form controls, and the paint panel that the document paints
// in, which makes those widgets as its children and gives the document its
// animation timer.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlForms.h"

class QPainter;

// cp1252 text as a QString and back ("?" for a character cp1252 lacks).
QString Cp1252ToQString(const std::string& text);
std::string QStringToCp1252(const QString& text);

// A window control that is a real widget (a child of the paint panel; the
// document that owns the control goes before the panel): an edit, a button, a radio button
// in a borderless panel, a check box, a list box, a drop-down list or a
// multi-line edit, as its spec asks. Setting the state sets the widget; what
// the user does in the widget comes back into the state and raises the
// events (click, Enter, checked, focus). The selection of a list box and
// the lines added to a text area reach the widget at once when it is shown
// or asked for, so that a page's thousands of options and lines cost one
// pass over them, not one each.
class TQtWindowControl : public TWindowControl {
public:
    TQtWindowControl(const TControlSpec& spec, QWidget* parent);
    ~TQtWindowControl() override;

    // The widget placed in the text: for a radio button its panel.
    QWidget* Widget() {
        Sync();
        return Outer;
    }
    // The widget that takes the input (the radio button inside its panel).
    QWidget* InputWidget() {
        Sync();
        return Inner;
    }

    void SetBounds(const gfx::Rect& bounds) override;
    void SetVisible(bool on) override;
    bool Focused() const override;
    gfx::Size WindowSize(gfx::Size client) const override;
    void SetFont(const gfx::FontSpec& font) override;
    void SetBackground(gfx::Color color) override;
    void SetText(const std::string& text) override;
    void SetChecked(bool on) override;
    void AddItem(const std::string& text) override;
    void SetItemSelected(int index, bool on) override;
    void SetLines(const std::vector<std::string>& lines) override;
    void AddLine(const std::string& line) override;

private:
    class FocusWatcher;
    void Connect();
    // The selection of a list box or drop-down list, read from the widget.
    void ReadSelection();
    // Gives the widget the selection and the lines it has not got yet.
    void Sync();
    // Notes a change the widget has not got.
    void MarkStale(bool& stale);

    // Children of the paint panel: gone if the panel went first.
    QPointer<QWidget> Outer;
    QPointer<QWidget> Inner;
    std::unique_ptr<FocusWatcher> Watcher;
    // The list box's selection, or the text area's lines, changed since
    // the widget last got them.
    bool SelectionStale = false;
    bool LinesStale = false;
    bool SyncQueued = false;
};

// The document's timer on a QTimer.
class TQtTimer : public TTimer {
public:
    TQtTimer();
    void SetEnabled(bool on) override;
    void SetInterval(int ms) override;

private:
    QTimer Timer;
};

// The window the document paints in: repaint requests become widget
// updates, the animation timer is a QTimer, form controls become child
// widgets. Painting itself belongs to the owner, through OnPaint.
class TQtPaintPanel : public QWidget, public TPaintPanel {
public:
    explicit TQtPaintPanel(QWidget* parent = nullptr);

    // Paints the exposed rectangle (window coordinates).
    std::function<void(QPainter&, const QRect&)> OnPaint;

    void Invalidate(const gfx::Rect& rect) override;
    std::unique_ptr<TTimer> CreateTimer() override;
    std::unique_ptr<TWindowControl> CreateControl(const TControlSpec& spec) override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
