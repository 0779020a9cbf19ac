#include "platform/GluTess.h"

#include <dlfcn.h>

namespace {

template <typename F>
bool Take(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

const GluTessFunctions* Load() {
    static GluTessFunctions f;
    // The library stays loaded until the program ends.
    void* library = ::dlopen("libGLU.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    const bool all = Take(library, "gluNewTess", f.newTess) && Take(library, "gluDeleteTess", f.deleteTess) &&
                     Take(library, "gluTessCallback", f.tessCallback) &&
                     Take(library, "gluTessBeginPolygon", f.tessBeginPolygon) &&
                     Take(library, "gluTessBeginContour", f.tessBeginContour) &&
                     Take(library, "gluTessNormal", f.tessNormal) && Take(library, "gluTessVertex", f.tessVertex) &&
                     Take(library, "gluTessEndContour", f.tessEndContour) &&
                     Take(library, "gluTessEndPolygon", f.tessEndPolygon);
    return all ? &f : nullptr;
}

}  // namespace

const GluTessFunctions* GluTess() {
    static const GluTessFunctions* const functions = Load();
    return functions;
}
