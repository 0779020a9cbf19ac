// The load commands of the Input tab: "3D Model..." and "Merge 3D
// model..." of the Load menu, the history combo "Previously loaded models:"
// with "Load selected" and "Merge selected", and "Batch..." with the batch
// options of the POV-Ray Output tab.
#pragma once

#include <string>

#include "ui/control/Dispatcher.h"

class LoadController {
public:
    void Register(Dispatcher& d);

    // "3D Model...": the chosen model files (several merge into one scene)
    // replace the model; the preview window shows it.
    void N3DModel1Click();
    // "Merge 3D model...": the chosen file is added to the model.
    void Merge3Dmodel1Click();
    // "Merge selected": the history combo's file is added to the model.
    void Button20Click();
    // "Load selected" (also Enter in the history combo): the history
    // combo's file replaces the model.
    void Button71Click();
    // "Batch...": the models of a batch conversion are chosen and the batch
    // options shown.
    void Batch1Click();
    // "Browse..." of the batch's common material file.
    void Button24Click();
    // "Use a Batch file " and "Use a POV file": the controls of the chosen
    // way are enabled.
    void RadioButton3Click();

private:
    // Adds `file` to the model; `showPreview` shows the preview window.
    void MergeFile(const std::string& file, bool showPreview);
};
