// The scene record: everything about the current scene that is not a list
// element. There is one instance, `Scene`, for the life of the program.
#pragma once

#include <cstdint>
#include <string>

#include "model/Types.h"

// Bounding box of the model, filled by the extents pass.
struct textents {
    tvector minimum{-1, -1, -1};
    tvector maximum{1, 1, 1};
    tvector minimumCopy{-1, -1, -1};
    tvector maximumCopy{1, 1, 1};
    tvector size{2, 2, 2};
    double diagonal = 2.0;
    tvector center{0, 0, 0};
    tvector centerCopy{0, 0, 0};
};

// Camera location and view orientation taken at the last mouse-down in the
// preview window; the mouse moves are applied relative to them.
struct ttrackball {
    tvector location{0, 0, 0};
    tquaternion orientation{};
    tvector translation{0, 0, 0};
    double fieldOfView = 0;
    double distance = 0;
};

// File paths are held as plain strings (paths are not cut on this platform).
struct tscene {
    // File names
    std::string mtlFile;
    std::string modelFile;             // empty: no model loaded
    std::string cameraSourceFile;
    tname activeCameraName;
    std::string lightsSourceFile;
    std::string povSceneFile;
    std::string povGeometryFile;
    std::string povMaterialFile;
    std::string udoFile;
    std::string objFile;
    std::string iniFile;
    std::string renderImageFile;
    std::string reservedName;
    std::string yafrayFile;

    textents extents;

    tvector2 uvMinimum{0, 0};
    tvector2 uvMaximum{0, 0};
    double totalFaceArea = 0;
    double smallestFaceArea = 0;
    double largestFaceArea = 0;
    uint8_t mapsLoaded = 0;
    double fieldOfView = 19.0;         // vertical, degrees
    double fieldOfViewSnapshot = 0;
    tvector cameraLocation{0, 0, 0};
    tvector translation{0, 0, 0};
    ttrackball trackball;
    uint8_t mouseFlags[7] = {0, 0, 0, 0, 0, 0, 0};
    int32_t backgroundColor = 0xF0F0F0;  // 24-bit, red in the low byte
    tquaternion viewOrientation{};
    tquaternion viewOrientation2{};
    double viewRotationAngle = 0;      // radians
    tvector viewRotationAxis{0, 1, 0};
    int32_t polygonsRead = 0;          // reader counters, reset before each load
    int32_t trianglesMade = 0;
    int32_t polygonsOverThree = 0;

    // Output switches
    uint8_t writePovScene = 1;
    uint8_t writeMaterialInclude = 1;
    uint8_t writeObj = 1;
    uint8_t writeIni = 1;
    uint8_t writeGeometryInclude = 1;
    uint8_t writeUdo = 0;
    uint8_t writeMtl = 0;
    uint8_t yafrayOutput = 0;

    uint8_t savingPreview = 0;
    uint8_t orthographic = 0;
    uint8_t materialsInGeometry = 1;
    uint8_t loadFlag = 0;              // 1: the camera came from the file
    uint8_t reservedFlag = 0;
    uint8_t copyMaps = 0;
    uint8_t mapNamesAsJpg = 0;
    uint8_t mapPathOption1 = 0;        // fix map names
    uint8_t mapPathOption2 = 0;        // include map paths
    uint8_t mirrorX = 0;
    int32_t subdivisionFaceCount = 0;
    uint8_t dazSceneLoading = 0;
    int32_t cameraViewportWidth = 0;
    int32_t cameraViewportHeight = 0;
    uint8_t sanitiseNames = 0;
    uint8_t meshBreakingMode = 0;      // 0 by material, 1 by group and material, 2 batch
};

extern tscene Scene;

// Sets the start values of the scene record (a fresh record).
void InitSceneDefaults();
