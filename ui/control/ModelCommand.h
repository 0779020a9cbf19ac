// The commands that change the model (the geometry tools, the ribbons, the
// regroupings, the UV remapping) run so that each either completes or leaves
// the model as it was.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct tmodelundo;

// The message of a command that ran out of memory: "not enough memory to "
// + `what` + " " + the model file's name, as a load says it.
std::string NoMemoryToText(std::string_view what);

// Runs `command`, whose steps keep in the undo what they change. When it
// runs out of memory, the model is put back as it was, the lists, panels
// and preview are rebuilt from it, and the error box says NoMemoryToText
// (logged with "<!>" as well); any other error also puts the model back,
// then goes on. True when the command completed.
bool RunModelCommand(std::string_view what, const std::function<void(tmodelundo&)>& command);
