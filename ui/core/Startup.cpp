#include "ui/core/Startup.h"

#include "model/Model.h"
#include "model/Random.h"
#include "options/ControlTable.h"
#include "platform/AppPaths.h"
#include "platform/TempFiles.h"
#include "writers/SceneChecks.h"

void InitCore(uint64_t seed) {
    if (seed == 0)
        SeedRandomFromClock();
    else
        SeedRandom(seed);
    ResetOptionsToDefaults();
    InitModelConstants();
    CreateModelLists();
    InitSceneDefaults();
    InitHelpFilePath();
    InstallSceneChecks();
    // What a run killed while it unpacked a model left behind.
    RemoveTempFilesOfGoneProcesses(TempFileStem);
}
