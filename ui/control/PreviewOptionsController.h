// The Preview tab's tool bar and its group "Options": what the preview
// draws (maps, transparency, both faces, reflections, lines, axis, normals,
// grid, horizon, ground), the draw mode, the size of the preview textures,
// the alpha cutoff, the background (a colour, a spherical picture or a
// POV-Ray sky baked once into a spherical map) and "Save Preview...". The
// preview reads the options itself; the handlers rebuild what an option
// changes and redraw.
#pragma once

#include <string>
#include <vector>

#include "options/Options.h"
#include "ui/control/AppHost.h"
#include "ui/control/Dispatcher.h"

// The sky map of a background item: the program's folder + "Preview_Sky_" +
// the item's text + ".tga".
std::string SkyMapFile(const std::string& sky);

// The render settings of the bake of the sky `sky`: 512 x 256, uncompressed
// TGA, antialiased as the sky needs.
std::vector<std::string> SkyBakeOptions(const std::string& sky);

// Writes the scene and INI files that render the selected sky of the
// background list seen from the centre of a sphere, 512 x 256 with a
// spherical camera, as an uncompressed TGA named `outputFile`, and starts
// POV-Ray on them (RunBake); a bake that may not start writes nothing.
// True when POV-Ray was started.
bool CreateSkyMap(const std::string& outputFile);

class PreviewOptionsController {
public:
    explicit PreviewOptionsController(AppHost& host) : host_(host) {}
    void Register(Dispatcher& d);

    // "Enable Preview", "Show maps" and "Transparency": the material maps
    // loaded or unloaded and the display lists rebuilt (with a model).
    void CheckBox3Click();
    void CheckBox4Click();
    void CheckBox47Click();
    // "Draw double sided": face culling off while checked.
    void CheckBox42Click();
    // "Apply mats to both sides", "Reflections", "Show lines": the display
    // lists rebuilt (with a model).
    void RebuildListsClick();
    // "Draw mode:": the line colour is offered for the modes that draw
    // lines or points.
    void ComboBox4Change();
    // "Grid", "Horizon" and "Show ground normal to y" with their controls.
    void CheckBox52Click();
    void CheckBox70Click();
    void CheckBox8Click();
    // "Drop to bottom": the ground at the model's lowest point.
    void BitBtn3Click();
    // The ground height's spin button (0.001).
    void StepGroundHeight(double step);
    // A colour swatch of the group: the colour dialog, then a redraw.
    void SwatchClick(tlabel& swatch);
    // "GL map size:": 2 to the power of the up-down's position.
    void UpDown3Click();
    void UpDown4Click();
    // "Apply" of the map size: every preview texture made again.
    void BitBtn2Click();
    // "cutoff:": the alpha test with the value beside it (0.5 for no number).
    void CheckBox71Click();
    // "Sky rotation (deg):".
    void Edit70Change();
    // "Show Preview": the preview window shown exactly while it is down.
    void ToolButton32Click();
    // "Background: ".
    void ComboBox1Change();
    // "Save Preview...": the preview's frame (antialiased when the user
    // wishes) as a TGA or JPEG picture.
    void ToolButton35Click();

private:
    bool ModelLoaded() const;
    // Loads a background map, double-sided drawing on, lists rebuilt, with
    // `done` logged at the end.
    void LoadBackground(const std::string& file, const std::string& done);
    void ChooseBackgroundColor();
    void ChooseBackgroundPicture();
    void ChooseSky(const std::string& sky, int32_t index);

    AppHost& host_;
};
