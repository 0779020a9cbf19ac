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

void WritePOVMaterialInclude(tscene& scene, ExportRun&) {
    NotAvailable("POV-Ray material include", scene.povMaterialFile);
}
void WritePOVGeometryInclude(tscene& scene, ExportRun&) {
    NotAvailable("POV-Ray geometry include", scene.povGeometryFile);
}
void WriteUDOFile(tscene& scene, ExportRun&) { NotAvailable("Moray UDO", scene.udoFile); }
