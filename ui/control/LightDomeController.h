// The "Light Dome" tab: a high-dynamic-range light probe (a PFM file) is
// loaded and shown tone-mapped with its statistics, its bright directions
// become scene lights, and it can be saved as an ordinary picture or made
// the preview's background. "Start HDR Shop..." starts the picture program
// the user chose for making probes.
#pragma once

#include <string>

#include "options/Options.h"
#include "ui/control/AppHost.h"
#include "ui/control/Dispatcher.h"

class LightDomeController {
public:
    explicit LightDomeController(AppHost& host) : host_(host) {}
    void Register(Dispatcher& d);

    // "Load probe (*.PFM)..." and a click on the probe image.
    void Button40Click();
    // "<< Extract Lights into scene".
    void Button35Click();
    // "Save probe as map...".
    void Button41Click();
    // "<< Set as background...".
    void Button14Click();
    // "Start HDR Shop...".
    void Button25Click();
    // The hidden colour swatches of the colour range.
    void SwatchClick(tlabel& swatch);

private:
    // The probe file exists; otherwise "Load a HDR image first" is shown.
    bool HaveProbe() const;
    // The picture save dialog at the probe's folder, proposing its name.
    bool AskPictureFile(std::string& file) const;

    AppHost& host_;
};
