// What the pages of the Preview and Light Dome tabs share: numbers read from
// their edits with a fallback, the spin buttons that step an edit, the
// colour swatches, the selection of a list's combo box, and the redraw of
// the preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "options/Options.h"

// The number in the edit ("." or "," as the decimal point); `fallback` when
// the text is empty or not a number.
double EditNumber(const tedit& edit, double fallback);

// Adds `step` to the number in the edit and writes it back as text; false,
// and the edit unchanged, when it holds no number.
bool StepEditValue(tedit& edit, double step);

// The selected item of a combo box that lists `count` records: its index, or
// -1 when nothing valid is selected.
int32_t SelectedItem(const tcombobox& combo, std::size_t count);

// Adds `name` to the combo box's items and selects it (the change handler is
// not run: only the record changes). A combo box with an item source lists
// the record appended already, and only selects it.
void AppendAndSelect(tcombobox& combo, std::string_view name);

// Removes item `index` (a combo box with an item source lost it with its
// record) and selects the one before it (the first when it was the first;
// none when the list is empty). Returns the new selection.
int32_t RemoveAndSelectPrevious(tcombobox& combo, int32_t index);

// True while the main window shows the Preview tab.
bool PreviewTabShown();

// Redraws the preview.
void RedrawPreview();

// The save dialog of preview and probe pictures (SaveDialog1) with the
// filter "TARGA uncompressed image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG"
// and the type chosen last (".tga" for the first, ".jpg" for the second),
// proposing `name` with that extension and starting in `folder` (its own
// folder when empty). True with the chosen file in `file`, given the type's
// extension when it has none, and a "_Rev" name where no output may take the
// one chosen (UnreservedOutputName).
bool ExecuteImageSaveDialog(const std::string& name, const std::string& folder, std::string& file);

// The open dialog's filter for the lights and cameras of Poser scenes and
// DAZ|Studio scripts, and the extensions it accepts in its file-name box.
inline constexpr std::string_view PoserOrDazFileFilter =
    "Poser or DAZ Studio files (*.pz3;*.pzz;*.ds)|*.PZ3;*.PZZ;*.DS";
inline constexpr std::string_view PoserOrDazExtensions = "pzz,pz3,ds";
