#include "model/Scene.h"

tscene Scene;

void InitSceneDefaults() { Scene = tscene{}; }
