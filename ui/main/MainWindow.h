// The main window (Form1): the tabbed pages, the status strip and the
// popup menus. The pages come from ui/main/*Page.cpp; every command runs
// through the dispatcher.
#pragma once

#include <QWidget>
#include <functional>

class Binder;
class QProgressBar;
class QTabWidget;

class MainWindow : public QWidget {
public:
    // `onClose` runs the shutdown; it returns false to refuse closing (a
    // long operation runs).
    MainWindow(Binder& binder, std::function<bool()> onClose);
    QProgressBar* Gauge() const { return gauge_; }
    QTabWidget* Pages() const { return pages_; }
    // Puts the window where the records say, or centred on the screen.
    void Place();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildStatusStrip(QWidget* strip);

    Binder& binder_;
    std::function<bool()> onClose_;
    QTabWidget* pages_ = nullptr;
    QProgressBar* gauge_ = nullptr;
};
