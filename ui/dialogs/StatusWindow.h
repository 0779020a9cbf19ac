// The status-messages window (Form4): six read-only pages of text that the
// status log writes, hidden at start, above the other windows when shown.
#pragma once

#include <QWidget>
#include <array>

#include "model/Services.h"

class Binder;

class StatusWindow : public QWidget {
public:
    StatusWindow(Binder& binder, QWidget* parent = nullptr);
    // The text controls of the pages in page order, for the status services.
    const std::array<QWidget*, StatusPageCount>& Pages() const { return pages_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Binder& binder_;
    std::array<QWidget*, StatusPageCount> pages_{};
};
