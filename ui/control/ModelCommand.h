// The commands that change the model (the geometry tools, the ribbons, the
// regroupings, the UV remapping) run so that each either completes or leaves
// the model as it was.
#pragma once

#include <new>
#include <string>
#include <string_view>

#include "model/ModelUndo.h"

// The message of a command that ran out of memory: "not enough memory to "
// + `what` + " " + the model file's name, as a load says it.
std::string NoMemoryToText(std::string_view what);

// Puts the model back as `undo` kept it; then, after a command that ran out
// of memory (`what` not null), shows the error box NoMemoryToText(what)
// (logged with "<!>" as well) with the memory the command took given back;
// then rebuilds the lists, panels and preview from the model.
void PutModelBack(tmodelundo& undo, const char* what);

// Runs `command`, whose steps keep in the undo they are given what they
// change. When it runs out of memory, the model is put back and the memory
// message shown (PutModelBack); any other error (a list asked to grow beyond
// what it can hold among them) also puts the model back, then goes on to the
// dispatcher.
template <typename Command>
void RunModelCommand(const char* what, Command&& command) {
    tmodelundo undo;
    try {
        command(undo);
        undo.Finish();
        return;
    } catch (const std::bad_alloc&) {
    } catch (...) {
        PutModelBack(undo, nullptr);
        throw;
    }
    PutModelBack(undo, what);
}
