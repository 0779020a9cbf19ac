#include "ui/control/HelpController.h"

#include <string>

#include "model/HelpTopic.h"
#include "model/Services.h"
#include "options/Options.h"
#include "ui/core/Shell.h"

const HelpTopicButton HelpTopicButtons[10] = {
    {"Form1.ToolButton10", "#top"},
    {"Form1.ToolButton13", "#HowaboutsomeTipsTutorials"},
    {"Form1.ToolButton36", "#previewtab"},
    {"Form1.ToolButton22", "#materialstab"},
    {"Form1.ToolButton28", "#groups"},
    {"Form1.ToolButton16", "#hdri_simulation"},
    {"Form1.ToolButton17", "#exportoptions"},
    {"Form1.ToolButton30", "#Moray_Export_Options"},
    {"Form1.ToolButton31", "#OBJ_Export_Options"},
    {"Form1.Label155", "#moraynotes"},
};

void HelpController::Register(Dispatcher& d) {
    for (const HelpTopicButton& b : HelpTopicButtons)
        d.Add(std::string(b.control), [anchor = b.anchor] { ShowHelpTopic(anchor); });
    d.Add("Form5.ToolButton1", [this] { ToolButton1Click(); });
    d.Add("Form5.ToolButton2", [this] { ToolButton2Click(); });
    d.Add("Form5.ToolButton3", [this] { ToolButton3Click(); });
    d.Add("Form5.ToolButton4", [this] { Action1Execute(); });
    d.Add("Form5.FindDialog1", [this] { FindDialog1Find(); });
    d.Add("Form5.ToolButton5", [this] { ToolButton5Click(); });
    d.Add("Form5.Escape", [this] { ToolButton5Click(); });
    d.Add("Form5.htmlView1.HotSpotClick", [this] { htmlView1HotSpotClick(); });
}

void HelpController::ToolButton1Click() { viewer_.JumpToAnchor("#Contents"); }

void HelpController::ToolButton2Click() { viewer_.SetHistoryPosition(viewer_.HistoryPosition() + 1); }

void HelpController::ToolButton3Click() { viewer_.SetHistoryPosition(viewer_.HistoryPosition() - 1); }

void HelpController::Action1Execute() {
    viewer_.SetSelectionRange(0);
    Form5.FindDialog1.visible = true;
}

void HelpController::FindDialog1Find() {
    const tfinddialog& find = Form5.FindDialog1;
    if (viewer_.FindInDocument(find.text, find.matchCase)) return;
    Svc().prompts->Show(MessageKind::Information,
                        "Reached end of help. No further occurances of \"" + find.text + "\"");
    viewer_.SetSelectionRange(0);
}

void HelpController::ToolButton5Click() { Form5.visible = false; }

void HelpController::htmlView1HotSpotClick() {
    const std::string& link = Form5.clickedLink;
    Form5.linkHandled = false;
    if (link.empty() || link.front() == '#') return;  // the viewer follows it
    // A link that is no web or mail address and names no file is refused:
    // the shell never runs it as a program.
    if (OpenWithShell(link, 1) <= ShellFailed)
        Svc().prompts->Show(MessageKind::Warning, "Cannot open the link " + link);
    Form5.linkHandled = true;
}
