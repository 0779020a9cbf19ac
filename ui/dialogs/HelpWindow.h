// The help window (Form5): the program's HTML help with a tool bar for the
// contents, the history, the search and hiding, above the other windows.
// The text is shown by a stand-in on the toolkit's rich-text browser until
// the program's own HTML viewer takes its place behind HelpBrowser.
#pragma once

#include <QTextBrowser>
#include <QWidget>
#include <functional>

#include "ui/control/HelpBrowser.h"

class Binder;
class QDialog;

// The stand-in viewer: loads the help file, jumps to anchors, keeps the
// history of places reached through links, finds text.
class HelpTextView : public QTextBrowser, public HelpBrowser {
public:
    // `show` makes the help window visible (through its record).
    HelpTextView(Binder& binder, std::function<void()> show, QWidget* parent);

    std::string CurrentFileName() const override { return fileName_; }
    void LoadFromFile(const std::string& fileName) override;
    void JumpToAnchor(std::string_view anchor) override;
    void Show() override { show_(); }
    int HistoryPosition() const override { return history_.Index(); }
    void SetHistoryPosition(int index) override;
    bool FindInDocument(std::string_view text, bool matchCase) override;
    void SetSelectionRange(int position) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LinkClicked(const QUrl& url);
    HelpPlace Here() const;

    Binder& binder_;
    std::function<void()> show_;
    std::string fileName_;
    HelpHistory history_{10};
};

class HelpWindow : public QWidget {
public:
    HelpWindow(Binder& binder, QWidget* parent = nullptr);
    HelpTextView& Viewer() { return *view_; }
    QDialog* FindDialog() { return find_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Binder& binder_;
    HelpTextView* view_;
    QDialog* find_;
};
