#include "ui/control/ModelCommand.h"

#include "model/LightPanel.h"
#include "model/PlaceholderPanel.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/control/MaterialPanel.h"

std::string NoMemoryToText(std::string_view what) {
    return "not enough memory to " + std::string(what) + " " + ExtractFileName(Scene.modelFile);
}

void PutModelBack(tmodelundo& undo, const char* what) {
    const bool lights = undo.lights.has_value(), placeholders = undo.placeholders.has_value();
    const bool materials = undo.materials.has_value() || undo.lengths.has_value();
    undo.Restore();
    if (what) Svc().prompts->Show(MessageKind::Error, NoMemoryToText(what));
    // A rebuild that runs out of memory in turn leaves the model as it is.
    try {
        if (what) LogMessage("<!>" + NoMemoryToText(what));
        const WaitScope wait;
        RebuildAfterGeometryChange();
        if (lights) RefreshLightPanel(Form1.ComboBox2.index);
        if (placeholders) RefreshPlaceholderPanel(Form1.ComboBox7.index);
        if (materials) RefreshMaterialPanel(Form1.ListBox1.index);
    } catch (const std::bad_alloc&) {
    }
}
