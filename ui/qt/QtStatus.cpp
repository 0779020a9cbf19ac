#include "ui/qt/QtStatus.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

#include "options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/QtText.h"

namespace {
constexpr qint64 RepaintIntervalMs = 30;
}

QtStatus::QtStatus(Binder& binder, const std::array<QWidget*, StatusPageCount>& pages, QProgressBar* gauge)
    : binder_(binder), pages_(pages), gauge_(gauge) {
    sinceRepaint_.start();
}

QtStatus::~QtStatus() {
    if (waitCursor_) QApplication::restoreOverrideCursor();
}

QTextDocument* QtStatus::Document(StatusPage page) const {
    QWidget* w = pages_[static_cast<std::size_t>(page)];
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->document();
    if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->document();
    return nullptr;
}

void QtStatus::AppendLine(StatusPage page, std::string_view text) {
    QWidget* w = pages_[static_cast<std::size_t>(page)];
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->appendPlainText(ToQ(text));
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        QTextCursor c(rich->document());
        c.movePosition(QTextCursor::End);
        if (!rich->document()->isEmpty()) c.insertBlock();
        c.insertText(ToQ(text));
    }
}

void QtStatus::ClearPage(StatusPage page) {
    if (QTextDocument* doc = Document(page)) doc->clear();
}

int QtStatus::PageLineCount(StatusPage page) const {
    const QTextDocument* doc = Document(page);
    return !doc || doc->isEmpty() ? 0 : doc->blockCount();
}

void QtStatus::ScrollPageToTop(StatusPage page) {
    QWidget* w = pages_[static_cast<std::size_t>(page)];
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->moveCursor(QTextCursor::Start);
        plain->verticalScrollBar()->setValue(0);
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        rich->moveCursor(QTextCursor::Start);
        rich->verticalScrollBar()->setValue(0);
    }
}

void QtStatus::SetStatusLine(std::string_view text) {
    Form1.Label160.caption = std::string(text);
    binder_.Refresh("Form1.Label160");
}

void QtStatus::SetWarningsLine(std::string_view text) {
    Form1.Label139.caption = std::string(text);
    binder_.Refresh("Form1.Label139");
}

void QtStatus::SetPagesEnabled(bool enabled) {
    Form1.PageControl1.enabled = enabled;
    binder_.Refresh("Form1.PageControl1");
}

void QtStatus::SetWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtStatus::SetProgress(int percent) {
    if (gauge_) gauge_->setValue(percent);
}

void QtStatus::ProcessPendingMessages() {
    if (sinceRepaint_.elapsed() < RepaintIntervalMs) return;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceRepaint_.restart();
}
