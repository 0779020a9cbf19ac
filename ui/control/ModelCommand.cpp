#include "ui/control/ModelCommand.h"

#include <new>
#include <stdexcept>

#include "model/LightPanel.h"
#include "model/ModelUndo.h"
#include "model/PlaceholderPanel.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/control/MaterialPanel.h"

namespace {

// The model put back, `report` (with the memory the command took given
// back first), then what shows the model rebuilt from it; a rebuild that
// fails in turn leaves the model as it is.
template <typename Report>
void PutBack(tmodelundo& undo, Report&& report) {
    const bool lights = undo.lights.has_value(), placeholders = undo.placeholders.has_value();
    const bool materials = undo.materials.has_value() || undo.lengths.has_value();
    undo.Restore();
    report();
    try {
        const WaitScope wait;
        RebuildAfterGeometryChange();
        if (lights) RefreshLightPanel(Form1.ComboBox2.index);
        if (placeholders) RefreshPlaceholderPanel(Form1.ComboBox7.index);
        if (materials) RefreshMaterialPanel(Form1.ListBox1.index);
    } catch (...) {
    }
}

}  // namespace

std::string NoMemoryToText(std::string_view what) {
    return "not enough memory to " + std::string(what) + " " + ExtractFileName(Scene.modelFile);
}

bool RunModelCommand(std::string_view what, const std::function<void(tmodelundo&)>& command) {
    const std::string text = NoMemoryToText(what);
    tmodelundo undo;
    try {
        command(undo);
        undo.Finish();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    } catch (...) {
        PutBack(undo, [] {});
        throw;
    }
    PutBack(undo, [&text] {
        Svc().prompts->Show(MessageKind::Error, text);
        try {
            LogMessage("<!>" + text);
        } catch (const std::bad_alloc&) {
        }
    });
    return false;
}
