// The small commands of the output tabs that keep their controls
// consistent: the rendered picture's name and the launch buttons follow the
// options, the POV-Ray program is chosen and checked, the Moray material
// file and the OBJ's material library follow their options.
#pragma once

#include "ui/control/Dispatcher.h"

class OutputController {
public:
    void Register(Dispatcher& d);

    // "Width=", "Height=" and "Keep aspect ratio of preview": while the box
    // is checked, the other side follows at the preview's aspect.
    void Edit47Change();
    void Edit48Change();
    void CheckBox31Click();
    // "Set to size of preview": "Width=" and "Height=" become the preview's
    // drawing size.
    void Button32Click();
    // The output format: the rendered picture's name takes its extension.
    void ComboBox5Change();
    // "Only export geometry and materials.": the INI and scene names and
    // the two launch buttons are unavailable, the coordinate system
    // available.
    void CheckBox51Click();
    // The POV-Ray program's box turns red while it names nothing that runs.
    void Edit52Change();
    // "Browse..." of the POV-Ray program.
    void Button11Click();
    // The Moray material file follows "Use the original materials ...".
    void RadioButton20Click();
    // The OBJ's material library is the OBJ name with ".mtl".
    void Edit1Change();
};
