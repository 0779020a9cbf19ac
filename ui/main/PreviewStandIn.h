// The preview window (Form9) as the main window needs it until the OpenGL
// preview takes its place: a window with an OpenGL control of 640 x 480
// that shows the background colour, its caption "Preview (W x H)", and
// closing hides it.
#pragma once

#include <QOpenGLWidget>
#include <QWidget>

class Binder;

class PreviewGlView : public QOpenGLWidget {
public:
    explicit PreviewGlView(QWidget* parent);
    // Paints so far (the first frame of the preview is the one a test waits for).
    int Frames() const { return frames_; }

protected:
    void paintGL() override;

private:
    int frames_ = 0;
};

class PreviewStandIn : public QWidget {
public:
    explicit PreviewStandIn(Binder& binder);
    PreviewGlView* View() const { return view_; }
    // The OpenGL control's client size.
    void ClientSize(int& width, int& height) const;
    // Makes the control `width` x `height` (nothing below 1).
    void SetClientSize(int width, int height);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    PreviewGlView* view_;
};
