// The Materials tab's commands beyond one material: "Open..." (material
// values from an MTL or Poser file), "Save..." (the materials as an MTL
// file), "Find maps...", the "Convert..." buttons of the map slots, and the
// "UV" sub-page that projects, transforms, welds and draws the texture
// coordinates.
#pragma once

#include <string>

#include "options/Options.h"
#include "ui/control/AppHost.h"
#include "ui/control/Dispatcher.h"

// The file types "Open..." offers, and the extensions it accepts.
inline constexpr std::string_view MaterialOpenFilter =
    "Recognized files |*.MTL;*.PZ3;*.PZZ;*.CR2;*.PZ2;*.HR2|Wavefront Material file (*.mtl)|*.MTL|"
    "Poser scene (*.pz3;*.pzz)|*.PZ3;*.PZZ|Poser character (*.cr2)|*.CR2|Poser hair file (*.hr2)|*.HR2|"
    "Poser MAT pose (*.pz2)|*.PZ2|";
inline constexpr std::string_view MaterialOpenExtensions = "mtl,pzz,pz3,cr2,pz2,hr2";

// Every bump map named with the extension ".BUM" (any case) takes the
// extension of an existing picture of the same name: ".jpg", ".jpeg",
// ".tga", ".tif", ".tiff", ".bmp" tried in this order, the last found wins.
// A picture that does not exist as named is looked for again ignoring
// letter case ("skin.BUM" takes "skin.JPG"), and is then named as on disk.
void ResolveBumMaps();

// "Update" on the "UV" sub-page: the projection, then the transform of the
// chosen materials' UVs (transpose, clip to 0..1, scale and translate), the
// optional weld, then everything rebuilt and the UV view redrawn.
void RemapUV();

class MaterialFilesController {
public:
    explicit MaterialFilesController(AppHost& host) : host_(host) {}
    void Register(Dispatcher& d);

    // "Open...", "Save..." and "Find maps...".
    void ToolButton14Click();
    void ToolButton21Click();
    void ToolButton8Click();
    // A copy of the map `name` as TGA or JPEG (optionally resized) chosen in
    // the save dialog (a "_Rev" name where no output may take the one
    // chosen, UnreservedOutputName); `name` becomes the copy's name once the
    // picture was read, and stays otherwise.
    void ConvertMap(std::string& name);
    // "Convert..." of the colour, bump and transparency slots.
    void BitBtn9Click();
    void BitBtn11Click();
    void BitBtn16Click();

    // "Fit to unit box": the transform edits that map the UVs onto 0..1.
    void Button62Click();
    // "Save as map...": the UV layout as a bitmap file (a "_Rev" name where
    // no output may take the one chosen).
    void Button52Click();
    // "Reset values", "Refresh", the projection method chosen, and the UV
    // view drawn when its sub-page is shown.
    void Button31Click();
    void Button33Click();
    void ComboBox16Change();
    void PageControl2Change();

private:
    void OpenMaterialLibrary(const std::string& file);
    void OpenPoserMaterials(const std::string& file);
    void ConvertSlot(tcombobox& box, const char* image, tlabel& label);

    AppHost& host_;
};
