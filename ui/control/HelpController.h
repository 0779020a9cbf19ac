// The help window (Form5) and every control of the program that opens the
// help at one of its topics.
#pragma once

#include <string_view>

#include "ui/control/Dispatcher.h"
#include "ui/control/HelpBrowser.h"

// A control and the help topic it opens.
struct HelpTopicButton {
    std::string_view control;  // "Form1.ToolButton10"
    std::string_view anchor;   // "#top"
};

// Every help button and link of the main window, with its topic.
extern const HelpTopicButton HelpTopicButtons[10];

class HelpController {
public:
    explicit HelpController(HelpBrowser& viewer) : viewer_(viewer) {}
    void Register(Dispatcher& d);

    // "Contents".
    void ToolButton1Click();
    // "<< Back" and "Forward >>": one entry older or newer in the history.
    void ToolButton2Click();
    void ToolButton3Click();
    // "Find..." (Ctrl+F): the next search starts at the top; the find dialog
    // is shown.
    void Action1Execute();
    // The find dialog's "Find Next": the next occurrence of its text, or the
    // end-of-help message, after which the search starts at the top again.
    void FindDialog1Find();
    // "Hide" and Esc.
    void ToolButton5Click();
    // A link of the help text was clicked (Form5.clickedLink): a link that
    // does not start with "#" goes to the shell, which opens a web or mail
    // address or a file and never runs a program, and counts as handled; a
    // link the shell refuses is reported.
    void htmlView1HotSpotClick();

private:
    HelpBrowser& viewer_;
};
