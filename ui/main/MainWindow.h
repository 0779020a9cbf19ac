// The main window (Form1): the tabbed pages, the status strip and the
// popup menus. The pages come from ui/main/*Page.cpp; every command runs
// through the dispatcher.
#pragma once

#include <QWidget>
#include <functional>

#include "ui/control/WindowPlaces.h"

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
    // The whole window, frame included, is at least 1024 x 768, or the
    // screen's work area when that is smaller: the client's minimum for the
    // window manager's `frame`.
    void FitMinimumSize(const tframe& frame);
    // Where the pages begin below the tab bar and the tool bar, and where
    // the status strip begins, in pixels from the top of the client area.
    int PagesTop() const;
    int StripTop() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildStatusStrip(QWidget* strip);

    Binder& binder_;
    std::function<bool()> onClose_;
    QTabWidget* pages_ = nullptr;
    QProgressBar* gauge_ = nullptr;
    QWidget* strip_ = nullptr;
    bool minimumFitted_ = false;
};
