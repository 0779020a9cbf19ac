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

// The command of the model that ran out of memory ends: its message
// NoMemoryToText(what) is logged with "<!>" and goes on to the dispatcher as
// a NoMemoryError, which shows it once the other records are put back.
[[noreturn]] void EndWithoutMemory(const char* what);

// Runs `command`, whose steps keep in the undo they are given what they
// change. When it fails, the model is put back before the error goes on to
// the dispatcher, which puts back what else the command changed (the option
// records with the lists and panels among them), shows the error and draws
// the preview again: running out of memory as EndWithoutMemory(what), any
// other error (a list asked to grow beyond what it can hold among them) as
// it is.
template <typename Command>
void RunModelCommand(const char* what, Command&& command) {
    tmodelundo undo;
    try {
        command(undo);
        undo.Finish();
        return;
    } catch (const std::bad_alloc&) {
    } catch (...) {
        undo.Restore();
        throw;
    }
    undo.Restore();
    EndWithoutMemory(what);
}
