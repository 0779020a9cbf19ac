// The status services of the core on the windows: the six pages of the
// status window, and the warning line, the last log line, the gauge, the
// wait cursor and the enabled state of the main window's pages.
#pragma once

#include <QElapsedTimer>
#include <array>

#include "model/Services.h"

class Binder;
class QProgressBar;
class QTextDocument;
class QWidget;

class QtStatus : public StatusSink {
public:
    // `pages` are the text controls of the status window in page order
    // (plain or rich text editors); `gauge` the progress bar of the strip.
    QtStatus(Binder& binder, const std::array<QWidget*, StatusPageCount>& pages, QProgressBar* gauge);
    ~QtStatus() override;

    void AppendLine(StatusPage page, std::string_view text) override;
    void AppendLines(StatusPage page, const std::vector<std::string>& lines) override;
    void ClearPage(StatusPage page) override;
    int PageLineCount(StatusPage page) const override;
    void ScrollPageToTop(StatusPage page) override;
    void SetStatusLine(std::string_view text) override;
    void SetWarningsLine(std::string_view text) override;
    void SetPagesEnabled(bool enabled) override;
    void SetWaitCursor(bool on) override;
    void SetProgress(int percent) override;
    // Repaints at most every 30 ms; user input waits until the command ends.
    void ProcessPendingMessages() override;

private:
    QTextDocument* Document(StatusPage page) const;

    Binder& binder_;
    std::array<QWidget*, StatusPageCount> pages_;
    QProgressBar* gauge_;
    QElapsedTimer sinceRepaint_;
    bool waitCursor_ = false;
};
