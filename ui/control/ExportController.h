// The export commands: the export options dialog (Form2) with its directory
// choice, the "Save..." of the POV-Ray, Moray and OBJ Output tabs, "Save &&
// Render" and "Save && Edit", and the hidden YafRay save. Every save first
// asks the export options; the POV-Ray ones convert a pending batch instead
// of the model.
#pragma once

#include "ui/control/Dispatcher.h"
#include "ui/control/FormDialogs.h"

class ExportController {
public:
    explicit ExportController(FormDialogs& dialogs) : dialogs_(dialogs) {}
    void Register(Dispatcher& d);

    // Export options: "Copy all maps to the same directory" enables the map
    // options and takes the map paths away; "Fix map names" and "Fix map
    // max resolution to" change the scene warnings.
    void Form2CheckBox16Click();
    void Form2CheckBox28Click();
    // "Change...": the output folder from the directory choice.
    void Form2Button3Click();
    // "OK": only with an output folder that exists, and after a question
    // when there are warnings.
    void Form2Button1Click();

    // "Save..." of the POV-Ray, Moray and OBJ Output tabs.
    void ToolButton15Click();
    void ToolButton9Click();
    void ToolButton27Click();
    // "Save && Render": saves, then POV-Ray renders the INI file (or the
    // batch script runs) in the output folder.
    void ToolButton18Click();
    // "Save && Edit": saves, then the four POV-Ray files open in the
    // desktop's editor.
    void ToolButton19Click();
    // The YafRay scene.
    void ToolButton33Click();

private:
    // Shows the export options; true when they ended with OK.
    bool ExportOptionsConfirmed();

    FormDialogs& dialogs_;
};
