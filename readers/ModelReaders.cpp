#include "readers/ModelReaders.h"

#include "model/TextConv.h"
#include "readers/RawReader.h"
#include "readers/UdoReader.h"

// Readers are compiled in as they join the project.
#if __has_include("readers/ObjReader.h")
#include "readers/ObjReader.h"
#define MIRELAN_HAS_OBJ 1
#endif
#if __has_include("readers/ThreeDSReader.h")
#include "readers/ThreeDSReader.h"
#define MIRELAN_HAS_3DS 1
#endif
#if __has_include("readers/LwoReader.h")
#include "readers/LwoReader.h"
#define MIRELAN_HAS_LWO 1
#endif
#if __has_include("readers/DxfReader.h")
#include "readers/DxfReader.h"
#define MIRELAN_HAS_DXF 1
#endif
#if __has_include("readers/PovMeshReader.h")
#include "readers/PovMeshReader.h"
#define MIRELAN_HAS_POV 1
#endif
#if __has_include("readers/VrmlReader.h")
#include "readers/VrmlReader.h"
#define MIRELAN_HAS_VRML 1
#endif

bool ReadModelByExtension(tscene& scene, std::string_view extension) {
    if (extension == ".obj") {
#ifdef MIRELAN_HAS_OBJ
        scene.mtlFile = ChangeFileExt(scene.modelFile, ".mtl");
        ReadOBJ(scene);
        return true;
#endif
    } else if (extension == ".dxf") {
#ifdef MIRELAN_HAS_DXF
        ReadDXF(scene);
        return true;
#endif
    } else if (extension == ".3ds") {
#ifdef MIRELAN_HAS_3DS
        Read3DS(scene);
        return true;
#endif
    } else if (extension == ".raw") {
        ReadRAW(scene);
        return true;
    } else if (extension == ".lwo") {
#ifdef MIRELAN_HAS_LWO
        ReadLWO(scene, -1);
        return true;
#endif
    } else if (extension == ".udo") {
        ReadUDO(scene);
        return true;
    } else if (extension == ".pov" || extension == ".inc") {
#ifdef MIRELAN_HAS_POV
        ReadPOVMesh(scene);
        return true;
#endif
    } else if (extension == ".wrl" || extension == ".x3d" || extension == ".gz") {
#ifdef MIRELAN_HAS_VRML
        ReadVRML(scene);
        return true;
#endif
    }
    return false;
}

bool IsZUpFormat(std::string_view extension) {
    return extension == ".dxf" || extension == ".3ds" || extension == ".udo";
}
