// The material panel of the Materials tab: the controls are the working copy
// of one material, written back into its record (StoreMaterialPanel) and
// filled from it (RefreshMaterialPanel); a change is classified (nothing,
// appearance, maps) and the preview follows (MaterialsUpdated). Also the
// lists of the Materials and Groups tabs, the map thumbnails and the
// preview textures of the materials. Everything runs on the option records,
// the model and the window hooks, without widgets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Records.h"
#include "options/Options.h"

// Texts of the commands that need a model or refuse a name.
inline constexpr std::string_view LoadModelFirstText = "Load a 3D Model first from the input tab";
inline constexpr std::string_view BlankOrRepeatedNameText = "Cannot have blank or repeated names";

// The result of CompareMaterials.
enum MaterialChange : int32_t { ChangeNone = 0, ChangeAppearance = 1, ChangeMaps = 2 };

// The properties ApplyMaterialProperty writes, by the code "Apply this to all
// materials" takes from the control its popup was opened on.
enum MaterialProperty : int32_t {
    PropertyNone = 0,
    PropertyDiffuse = 1,
    PropertyAmbient = 2,
    PropertySpecular = 3,
    PropertyShininess = 4,
    PropertyTransparency = 5,
    PropertyReflection = 6,
    PropertyMetal = 7,
    PropertyBlend = 8,
    PropertyColorMap = 9,
    PropertyTransparencyMap = 10,
    PropertyBumpMap = 11,
    PropertyBumpSize = 12,
    PropertyInvertTransparency = 13,
    PropertyCustomText = 14,
    PropertyCustomActive = 15,
    PropertyCell = 16,
    PropertyCellHighlight = 17,
};

// Asks for a new name in the input box `caption` ("Name:", the name shown);
// the answer is trimmed. A blank answer, or the name of another record
// (one that `find` finds while it differs from `name`), is refused with
// the warning "Cannot have blank or repeated names". True when `name` took
// the answer.
bool AskNewName(std::string_view caption, tname& name, int32_t (*find)(std::string_view));

// The property code of the control a popup menu was opened on ("Edit97"
// gives transparency); any control without one gives the diffuse colour.
int32_t PropertyOfControl(std::string_view control);

// 0 when nothing that the preview shows changed, 1 when the appearance
// changed, 2 when a map (or what the texture is made of) changed; starts
// from 1 when `old` was already marked changed.
int32_t CompareMaterials(const tmaterial& old, const tmaterial& now);

// Writes every control of the panel into material `index`, each map box
// first made absolute (and shown so); with "Auto update" the other
// materials that used a replaced map name follow. The change is classified:
// the material is marked changed, and a map change deletes its preview
// texture. The map boxes' lists are refilled. Nothing for an index outside
// the list.
void StoreMaterialPanel(int32_t index);
// Writes one property of the panel into material `index` and classifies the
// change the same way. A custom text held back (PanelCustomTextHeld) stays
// held back and switched off in every material it goes to, and "Active"
// switches on no other material whose own text is held back.
void ApplyMaterialProperty(int32_t index, int32_t code);
// True while the panel shows a custom text that a model file gave its
// material and its reader kept switched off (customTextHeld), and the user
// has neither switched it on ("Active") nor edited it: such a text reaches
// POV-Ray in no way.
bool PanelCustomTextHeld();
// Fills the panel from material `index`, or from a fresh default material
// when there is no such material: colours, values, flags, maps with their
// thumbnails, the custom text and its identifier, and the UV view when the
// "UV" sub-page is shown.
void RefreshMaterialPanel(int32_t index);

// Stores the panel into the selected material and brings the preview up to
// date: changed materials get their textures and the display lists are
// rebuilt; a group shown or hidden since the last rebuild rebuilds them too.
// Ends with the camera applied, the scene checked and the preview redrawn.
void MaterialsUpdated();
// After the geometry or the UVs changed: the extents, counts, normals and
// display lists, the group boxes, and the group and material lists.
void RebuildAfterGeometryChange();
// The weld tolerance of the next weld (Groups tab): a hundredth of the side
// of the smallest face.
void ResetWeldTolerance();
// (Re)creates preview textures when the preview shows maps: mode 1 only for
// materials without one, modes 2 and 3 for every material with a colour or
// transparency map. A material whose maps another material already shows
// shares that texture.
void ReloadMaterialMaps(int32_t mode);

// Refills the material list, keeping the selected row when it is still
// there (else the first row, and the panel's material becomes the first),
// and the map boxes' lists.
void FillMaterialList();
// The lists of the three map boxes: every map name of the materials once.
void FillMapComboBoxes();
// Refills the group list, one `GroupListLine` per group.
void FillGroupList();

// Shows the map `name` in the thumbnail `image` with its size in `label`:
// "No map" for a blank name, "Map not found" for a missing file, the
// "Thumbnails off" note while "Show thumbs" is off, "ERROR" for a file that
// is no picture.
void ShowMapThumbnail(std::string_view name, std::string_view image, tlabel& label);
// Gives an image control of `width` x `height` its picture's aspect ratio:
// a picture not wider than high keeps the height, any other the width;
// nothing when the picture has no width or no height.
void FitImageToPicture(int32_t& width, int32_t& height, int32_t pictureWidth, int32_t pictureHeight);
// The three thumbnails of the panel for the current map box texts.
void ShowPanelThumbnails();
// The UV view of the selected material, when the "UV" sub-page is shown.
void RedrawUVView();
// "Invert mapping" swaps the two captions of the transparency scale;
// "Cartoon " enables "Cartoon + highlights".
void ShowTransparencyScale();
void EnableCartoonHighlights();

// The picture open dialog (OpenPictureDialog1), listing every picture
// extension the program reads, with `fileName` preset,
// starting in `folder` (its own last folder when empty); true with the
// chosen file in `fileName`, false when the user cancelled.
bool ExecutePictureDialog(std::string& fileName, std::string_view folder);

// The colour dialog opened on a swatch's colour; on OK the swatch takes the
// chosen colour (its caption then reads in black or white, whichever shows).
// PickLabelColor is true when a colour was chosen.
void PickPanelColor(tpanel& panel);
bool PickLabelColor(tlabel& label);

// An up-down and its edit set to `position` (kept within the range).
void SetUpDown(tupdown& updown, tedit& buddy, int32_t position);
// The editable combo box shows `text` (its item when one matches).
void SetComboText(tcombobox& combo, std::string_view text);
// The memo's lines as one text with CR LF between lines (as a material's
// custom text keeps them), and a text split into the memo's lines at CR LF,
// CR or LF.
std::string MemoText(const tmemo& memo);
// True when the memo shows `text` (as SetMemoText splits it).
bool MemoShows(const tmemo& memo, std::string_view text);
void SetMemoText(tmemo& memo, std::string_view text);
