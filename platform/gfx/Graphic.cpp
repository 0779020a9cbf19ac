#include "platform/gfx/Graphic.h"

#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"

namespace gfx {

void Graphic::loadFromFile(const std::string& fileName) {
    FileStream stream(fileName);
    loadFromStream(stream);
}

void Graphic::saveToStream(Stream&) const { throw EInvalidGraphic("This picture format cannot be saved"); }

void Graphic::saveToFile(const std::string& fileName) const {
    FileStream stream(fileName, FileStream::Mode::Create);
    saveToStream(stream);
    if (!stream.commit()) throw EWriteError("Cannot write file \"" + fileName + "\"");
}

}  // namespace gfx
