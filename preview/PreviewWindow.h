// The preview window: one OpenGL control, `glView1`, filling the client
// area; its caption shows the client size. Closing the window only hides it.
#pragma once

#include <QWidget>
#include <functional>

class QMouseEvent;

class TGlView;

class TForm9 : public QWidget {
public:
    explicit TForm9(QWidget* parent = nullptr);

    // Keeps the window above the others, or not.
    void stayontop(bool value);
    // Sets the client size (the size of `glView1`).
    void SetClientSize(int width, int height);

    // Told when the window is shown (true) or hidden (false), so that the
    // main window's "Show Preview" button can follow.
    std::function<void(bool shown)> OnShownChanged;
    // Told when the window changed option records of the main window (the
    // camera panel after a drag, the render size after a resize), so that
    // their controls can follow.
    std::function<void()> OnRecordsChanged;

    TGlView* glView1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void glView1Resize();
    void glView1MouseDown(QMouseEvent* e);
    void glView1MouseMove(QMouseEvent* e);
    void glView1MouseUp();
    void RecordsChanged();
    void ShowCaption(int width, int height);
};

// Makes the preview window (hidden; the caller shows it) and keeps it as the
// one the preview services draw into. Call once, after the application
// object exists.
TForm9* CreatePreviewWindow(QWidget* parent = nullptr);
// The window made by `CreatePreviewWindow`, or nullptr (also once it is
// gone).
TForm9* PreviewWindow();
