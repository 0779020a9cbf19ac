#include "ui/control/ModelCommand.h"

#include <utility>

#include "model/Errors.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"

std::string NoMemoryToText(std::string_view what) {
    return "not enough memory to " + std::string(what) + " " + ExtractFileName(Scene.modelFile);
}

void EndWithoutMemory(const char* what) {
    std::string text = NoMemoryToText(what);
    try {
        LogMessage("<!>" + text);
    } catch (const std::bad_alloc&) {  // the box says it all the same
    }
    throw NoMemoryError(std::move(text));
}
