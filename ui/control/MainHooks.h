// The window hooks of the core (model/Services.h) that only change option
// records: the title, the dialogs' folders, the commands enabled once a
// model was loaded. The Qt windows derive from it for what needs widgets
// or the preview; tests use it as it is.
#pragma once

#include <string_view>

#include "model/Services.h"

class MainHooks : public WindowHooks {
public:
    // The title of the main window and of the application.
    void SetTitle(std::string_view title) override;
    // The save and picture dialogs start in `folder`.
    void SetDialogDirs(std::string_view folder) override;
    // "Merge selected" becomes available.
    void EnableMergeSelected() override;
    // After a single model was loaded: "Save && Edit" and the POV-Ray output
    // names are available again and the batch options are hidden.
    void ShowSingleModelControls() override;
};
