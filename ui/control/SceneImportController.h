// The Poser and DAZ|Studio scene imports of the Load menu and their
// dialogs ("Poser scene import", Form3; "DAZ|Studio scene import", Form7):
// the scene's OBJ is loaded as any model, then its materials, camera and
// lights come from the Poser scene file (".pz3", or gzip-compressed
// ".pzz"), or its lights and camera from DAZ|Studio presets (".ds"), and
// missing maps are looked for in the texture folders.
#pragma once

#include <string>

#include "ui/control/Dispatcher.h"
#include "ui/control/FormDialogs.h"

// The active camera of a Poser scene (".pz3" or ".pzz") into the camera
// panel and the preview's size, stored as a camera preset named after the
// camera and the file.
void LoadPoserCamera(const std::string& sceneFile);
// The lights of a Poser scene in place of the lights, those switched off
// left out, each named after the file; the old lights stay when the file
// cannot be read.
void LoadPoserLights(const std::string& sceneFile);

// What "Poser Scene..." does once the scene's OBJ has loaded: the scene's
// materials onto the model, the maps looked for in the dialog's texture
// folders, the camera and the lights as the dialog's boxes say, the geometry
// cleaned up when asked, and the preview rebuilt. ReadError when the scene
// cannot be read or unpacked, or when a step runs out of memory: the
// materials, lights, camera presets and camera as before the import, the
// geometry as that step found it, the preview rebuilt.
void ImportPoserScene(const std::string& sceneFile);
// What "DAZ|Studio Scene..." does once the OBJ has loaded (with the scene
// record's DAZ-import flag on): the maps looked for in `searchFolder`, the
// light and camera presets the dialog names and its boxes allow, the normals
// when asked, and the preview rebuilt. ReadError when a preset cannot be
// read, or when a step runs out of memory: as for ImportPoserScene, what the
// import changed besides the geometry put back.
void ImportDazPresets(const std::string& searchFolder);
// The folder the DAZ|Studio import searches for maps: the one that holds the
// dialog's texture folder.
std::string DazMapSearchFolder(const std::string& textureFolder);

class SceneImportController {
public:
    explicit SceneImportController(FormDialogs& dialogs) : dialogs_(dialogs) {}
    void Register(Dispatcher& d);

    // "Poser Scene..." and "DAZ|Studio Scene...".
    void PoserScene1Click();
    void DAZStudioScene1Click();
    // Form3: "Browse..." of the OBJ and of the scene, "Add..." of a texture
    // folder.
    void Form3Button1Click();
    void Form3Button2Click();
    void Form3Button3Click();
    // Form7: "Browse..." of the OBJ, of the light and the camera preset,
    // "Change..." of the texture folder; the preset boxes enable their
    // names.
    void Form7Button3Click();
    void Form7Button5Click();
    void Form7Button6Click();
    void Form7Button4Click();
    void Form7CheckBox1Click();

private:
    FormDialogs& dialogs_;
};
