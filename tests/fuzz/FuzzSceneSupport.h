// What the scene-file fuzz targets share: a window that reports a fixed
// preview size, a model that a scene can dress (materials, extents, a light
// and a camera of the user's), and snapshots of what a reader may change, so
// that a reader that refuses a file can be shown to have changed nothing.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/Scene.h"
#include "model/Services.h"
#include "options/Options.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzzing {

class SceneWindow : public WindowHooks {
public:
    void PreviewClientSize(int32_t& width, int32_t& height) override {
        width = 640;
        height = 480;
    }
};

// A fresh model with what a loaded OBJ would leave: materials named as a
// Poser figure's (one with a ":n" suffix), the extents, one light and one
// camera the user had, each listed in its selector.
inline void FreshScene(const char* fileName) {
    static SceneWindow window;
    FreshModel(fileName);
    Svc().window = &window;
    const auto material = [](const char* name, const char* colorMap, tvector diffuse) {
        tmaterial m;
        NewMaterial(m);
        m.name = name;
        m.colorMap = colorMap;
        m.diffuse = diffuse;
        m.faceCount = 3;
        SceneMaterials.push_back(m);
    };
    material("Skin", "skin.jpg", {1, 1, 1});
    material("Hair:2", "", {0.8, 0.8, 0.8});
    material("Eyes", "male business texture.tif", {1, 1, 1});
    Scene.extents.center = {1, 2, 3};
    Scene.extents.diagonal = 10;
    tlight l;
    NewLight(l);
    l.name = "Mine";
    Lights.push_back(l);
    Form1.ComboBox2.index = 0;
    tcamera c;
    c.name = "Front";
    Cameras.push_back(c);
    Form1.ComboBox8.index = 0;
}

// What a scene reader may change, compared field by field where it matters.
struct SceneSnapshot {
    std::vector<std::string> materialNames, colorMaps, bumpMaps, transparencyMaps;
    std::vector<std::string> lightNames, cameraNames, lightItems, cameraItems;
    std::string activeCamera;
    int32_t viewportWidth = 0, viewportHeight = 0, orthographic = 0;

    static SceneSnapshot Take() {
        SceneSnapshot s;
        for (const tmaterial& m : SceneMaterials) {
            s.materialNames.push_back(m.name.str());
            s.colorMaps.push_back(m.colorMap.str());
            s.bumpMaps.push_back(m.bumpMap.str());
            s.transparencyMaps.push_back(m.transparencyMap.str());
        }
        for (const tlight& l : Lights) s.lightNames.push_back(l.name.str());
        for (const tcamera& c : Cameras) s.cameraNames.push_back(c.name.str());
        for (std::size_t i = 0; i < Form1.ComboBox2.Count(); ++i) s.lightItems.push_back(Form1.ComboBox2.Item(i));
        for (std::size_t i = 0; i < Form1.ComboBox8.Count(); ++i) s.cameraItems.push_back(Form1.ComboBox8.Item(i));
        s.activeCamera = Scene.activeCameraName.str();
        s.viewportWidth = Scene.cameraViewportWidth;
        s.viewportHeight = Scene.cameraViewportHeight;
        s.orthographic = Scene.orthographic;
        return s;
    }
    bool operator==(const SceneSnapshot&) const = default;
};

// Stops the run when a light has a kind the writers do not know or a name
// longer than a light name may be.
inline void CheckLights() {
    for (const tlight& l : Lights)
        if (l.kind < LightParallel || l.kind > LightPoint || l.name.str().size() > 100) std::abort();
}

}  // namespace fuzzing
