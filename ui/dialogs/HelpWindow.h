// The help window (Form5): the program's HTML help in the HTML viewer, with
// a tool bar for the contents, the history, the search and hiding, above the
// other windows.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "ui/control/HelpBrowser.h"

class Binder;
class QDialog;
class THtmlView;

// The help window's viewer as its commands see it. Texts cross between the
// program's strings (UTF-8 where valid) and the viewer's cp1252 document.
class HelpView : public HelpBrowser {
public:
    // `show` makes the help window visible (through its record).
    HelpView(THtmlView& view, std::function<void()> show);

    std::string CurrentFileName() const override;
    void LoadFromFile(const std::string& fileName) override;
    void JumpToAnchor(std::string_view anchor) override;
    void Show() override { show_(); }
    int HistoryPosition() const override;
    void SetHistoryPosition(int index) override;
    bool FindInDocument(std::string_view text, bool matchCase) override;
    void SetSelectionRange(int position) override;

private:
    THtmlView& view_;
    std::function<void()> show_;
};

// Gives a viewer the help window's settings: white background, no border, a
// history of at most 10 entries, Tahoma 8 with "Courier New" for
// preformatted text, black text, selection allowed.
void ApplyHelpViewSettings(THtmlView& view);

class HelpWindow : public QWidget {
public:
    HelpWindow(Binder& binder, QWidget* parent = nullptr);
    ~HelpWindow() override;
    // The viewer for the help commands, and the viewer control itself.
    HelpBrowser& Viewer() { return *viewer_; }
    THtmlView& HtmlView() { return *view_; }
    QDialog* FindDialog() { return find_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Binder& binder_;
    THtmlView* view_;
    std::unique_ptr<HelpView> viewer_;
    QDialog* find_;
};
