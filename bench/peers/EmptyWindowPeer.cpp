// The start-up peer: an empty Qt window of the main window's size, shown as
// soon as the application exists. The benchmark times it to the mapping of
// its window and then ends it.
//   peer_empty_window
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Mirelan"));
    window.resize(1024, 768);
    window.show();
    return QApplication::exec();
}
