// Every controller of the program's windows, made once and registered with
// the dispatcher. A new page gets its controller as a member here and one
// line in Register.
#pragma once

#include "ui/control/AppHost.h"
#include "ui/control/CameraController.h"
#include "ui/control/CustomMaterialController.h"
#include "ui/control/DialogController.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/ExportController.h"
#include "ui/control/FormDialogs.h"
#include "ui/control/GroupsController.h"
#include "ui/control/HelpBrowser.h"
#include "ui/control/HelpController.h"
#include "ui/control/InputController.h"
#include "ui/control/LoadController.h"
#include "ui/control/OutputController.h"
#include "ui/control/LightDomeController.h"
#include "ui/control/LightsController.h"
#include "ui/control/MapSearchController.h"
#include "ui/control/MaterialFilesController.h"
#include "ui/control/MaterialsController.h"
#include "ui/control/PlaceholdersController.h"
#include "ui/control/PreviewOptionsController.h"
#include "ui/control/SceneImportController.h"
#include "ui/control/SnippetController.h"
#include "ui/control/StatusController.h"

// What the controllers reach besides the option records, the model and the
// core's services.
struct ControllerPorts {
    AppHost& host;
    HelpBrowser& help;
    FormDialogs& dialogs;
};

struct Controllers {
    explicit Controllers(const ControllerPorts& ports)
            : ports(ports), input(ports.host), help(ports.help), exporter(ports.dialogs), imports(ports.dialogs),
              materials(ports.dialogs), files(ports.host),
              custom(ports.host, ports.dialogs), previewOptions(ports.host), lightDome(ports.host),
              mapSearch(ports.dialogs) {}

    // Registers the handlers of every controller.
    void Register(Dispatcher& d) {
        dialog.Register(d);
        input.Register(d);
        status.Register(d);
        help.Register(d);
        load.Register(d);
        exporter.Register(d);
        output.Register(d);
        imports.Register(d);
        groups.Register(d);
        materials.Register(d);
        files.Register(d);
        custom.Register(d);
        snippets.Register(d);
        lights.Register(d);
        placeholders.Register(d);
        previewOptions.Register(d);
        lightDome.Register(d);
        camera.Register(d);
        mapSearch.Register(d);
    }

    ControllerPorts ports;
    DialogController dialog;
    InputController input;
    StatusController status;
    HelpController help;
    LoadController load;
    ExportController exporter;
    OutputController output;
    SceneImportController imports;
    GroupsController groups;
    MaterialsController materials;
    MaterialFilesController files;
    CustomMaterialController custom;
    SnippetController snippets;
    LightsController lights;
    PlaceholdersController placeholders;
    PreviewOptionsController previewOptions;
    LightDomeController lightDome;
    CameraController camera;
    MapSearchController mapSearch;
};
