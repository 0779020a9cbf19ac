#include "ui/control/PreviewPages.h"

#include <algorithm>
#include <string>

#include "model/Services.h"
#include "model/TextConv.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/OutputNames.h"

namespace {

// The Preview tab's place among the main tabs.
constexpr int32_t PreviewTabIndex = 1;

}  // namespace

double EditNumber(const tedit& edit, double fallback) {
    double value = 0;
    int32_t code = 0;
    ValFloat(edit.text, value, code);
    return code == 0 ? value : fallback;
}

bool StepEditValue(tedit& edit, double step) {
    double value = 0;
    int32_t code = 0;
    ValFloat(edit.text, value, code);
    if (code != 0) return false;
    edit.text = FloatToText(value + step);
    return true;
}

int32_t SelectedItem(const tcombobox& combo, std::size_t count) {
    const int64_t n = static_cast<int64_t>(std::min(count, combo.Count()));
    return combo.index >= 0 && combo.index < n ? combo.index : -1;
}

void AppendAndSelect(tcombobox& combo, std::string_view name) {
    if (!combo.source) combo.items.emplace_back(name);
    combo.index = static_cast<int32_t>(combo.Count()) - 1;
}

int32_t RemoveAndSelectPrevious(tcombobox& combo, int32_t index) {
    if (!combo.source && index >= 0 && index < static_cast<int32_t>(combo.items.size()))
        combo.items.erase(combo.items.begin() + index);
    const int32_t left = static_cast<int32_t>(combo.Count());
    combo.index = left == 0 ? -1 : std::clamp(index - 1, 0, left - 1);
    return combo.index;
}

bool PreviewTabShown() { return Form1.PageControl1.active == PreviewTabIndex; }

void RedrawPreview() { Svc().window->Draw(); }

bool ExecuteImageSaveDialog(const std::string& name, const std::string& folder, std::string& file) {
    tfiledialog& dialog = Form1.SaveDialog1;
    const auto extension = [&dialog] { return std::string(dialog.filterIndex == 2 ? ".jpg" : ".tga"); };
    FileDialogRequest request;
    request.filter = "TARGA uncompressed image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG";
    request.filterIndex = dialog.filterIndex == 2 ? 2 : 1;
    request.initialDir = folder.empty() ? dialog.initialDir : folder;
    request.fileName = ChangeFileExt(name, extension());
    request.onTypeChange = [&dialog](int32_t filterIndex, std::string& fileName) {
        dialog.filterIndex = filterIndex;
        SaveDialog1TypeChange(filterIndex, fileName);
    };
    std::string chosen;
    if (!Svc().prompts->SaveFile(request, chosen)) return false;
    if (ExtractFileExt(chosen).empty()) chosen += extension();
    chosen = UnreservedOutputName(chosen);
    dialog.fileName = chosen;
    file = chosen;
    return true;
}
