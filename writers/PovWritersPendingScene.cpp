// Stand-ins until the writers are built: they write nothing and end the run
// with an error that names the file, so that an export is never reported as
// complete while a file is missing.
#include "model/Errors.h"
#include "writers/PovWriters.h"

namespace {

[[noreturn]] void NotAvailable(const char* kind, const std::string& file) {
    throw ExportError(std::string("Cannot write file ") + file + ": the " + kind + " writer is not available yet",
                      file);
}

}  // namespace

void WritePOVSceneFile(tscene& scene, ExportRun&) { NotAvailable("POV-Ray scene file", scene.povSceneFile); }
