// The start-up peer with the program's start-up order: an OpenGL context is
// created and its version read before an empty Qt window of the main
// window's size is shown. Next to peer_empty_window it shows what loading
// the OpenGL driver costs a start that checks OpenGL before its first window.
//   peer_gl_window
#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface)) {
        std::fprintf(stderr, "no OpenGL context\n");
        return 1;
    }
    if (!context.functions()->glGetString(GL_VERSION)) return 1;
    context.doneCurrent();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Mirelan"));
    window.resize(1024, 768);
    window.show();
    return QApplication::exec();
}
