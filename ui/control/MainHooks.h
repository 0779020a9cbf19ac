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
    // The material and group lists of the Materials and Groups tabs, the
    // material panel and the materials' preview textures.
    void ClearMaterialList() override;
    void ClearGroupList() override;
    void FillMaterialList() override;
    void FillGroupList() override;
    void RefreshMaterialPanel(int32_t index) override;
    void ReloadMaterialMaps(int32_t mode) override;
    void ClearMaterialThumbnail() override;
};
