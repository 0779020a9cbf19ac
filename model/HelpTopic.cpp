#include "model/HelpTopic.h"

#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"

void ShowHelpTopic(std::string_view anchor) {
    HelpViewer& viewer = *Svc().help;
    if (viewer.CurrentFileName().empty()) {
        LogMessage("Loading help file for fist use...");
        {
            WaitScope wait;
            if (FileExistsNonBlank(HelpFilePath)) viewer.LoadFromFile(HelpFilePath);
        }
        LogMessage("Help file loaded");
    }
    viewer.JumpToAnchor(anchor);
    viewer.Show();
}
