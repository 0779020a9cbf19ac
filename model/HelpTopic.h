// Showing a topic of the program's help file in the help window.
#pragma once

#include <string>
#include <string_view>

#include "platform/AppPaths.h"  // HelpFilePath

// Shows the help window at `anchor` (such as "#top"). The first time, while
// the viewer holds no document, the help file is loaded between
// "Loading help file for fist use..." and "Help file loaded" under the wait
// indicator; a missing help file is not reported.
void ShowHelpTopic(std::string_view anchor);
