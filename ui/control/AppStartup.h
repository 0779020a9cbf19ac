// The program's start-up once every window exists (InitApplication) and the
// main window's close (CloseApplication). Both run on the option records,
// the model and the services, so tests run them without widgets.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/Records.h"
#include "platform/gfx/WarningSink.h"
#include "ui/control/AppHost.h"

// The pattern of a fresh material for the Materials tab, made at start-up.
extern tmaterial DefaultMaterial;

// The create handlers of the windows, run once after the windows exist and
// before InitApplication: the export options and DAZ Studio dialogs start
// in the program's folder, the status window on its "Messages" page.
void RunFormCreateHandlers();

// Brings the program into its ready state: the OpenGL queries and the
// version test, the fixed item lists, the model lists and constants, the
// scene record, the settings file (when it was written by this build), the
// first log lines and the custom texture library. False when the installed
// OpenGL is older than 1.1: the error box was shown and the program is to
// end at once, without writing anything. `seed` 0 seeds the random
// generator from the clock.
bool InitApplication(AppHost& host, uint64_t seed = 0);

// The main window's close: the settings file and the texture library are
// written, then the model, the library, the lights, cameras and placeholders
// are freed. Refused (false) while a long operation runs.
bool CloseApplication(AppHost& host);

// The warnings of the image library (damaged JPEG data that still decodes,
// in a JPEG file or a TIFF strip): each in a "Warning" box with the
// decoder's text. The program installs one while it runs.
class WarningBoxes : public gfx::WarningSink {
public:
    void warning(std::string_view message) override;
};
