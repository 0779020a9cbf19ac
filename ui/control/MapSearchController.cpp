#include "ui/control/MapSearchController.h"

#include <vector>

#include "model/FileSearch.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "ui/control/DialogController.h"

namespace {

constexpr std::string_view AllMapsTitle = "Search for all maps";

bool OnlyBlanks(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (!Trim(line).empty()) return false;
    return true;
}

}  // namespace

void MapSearchController::Register(Dispatcher& d) {
    d.Add("searchForm2.Button1", [this] { Button1Click(); });
    d.Add("searchForm2.ListBox1.DblClick", [this] { ListBox1DblClick(); });
    d.Add("searchForm2.Button3", [this] { Button3Click(); });
}

void MapSearchController::Button1Click() {
    std::vector<std::string>& folders = searchForm2.Memo1.lines;
    if (OnlyBlanks(folders)) {
        const std::string modelFolder = ExtractFilePath(Scene.modelFile);
        if (!modelFolder.empty()) folders.insert(folders.begin(), modelFolder);
    }
    if (!searchForm2.Edit1.enabled) {
        DialogController::Close("searchForm2", true);
        return;
    }
    WaitScope wait;
    tlistbox& results = searchForm2.ListBox1;
    results.items.clear();
    results.index = -1;
    const std::string name = searchForm2.Edit1.text;
    for (const std::string& line : folders) {
        const std::string folder = Trim(line);
        if (!folder.empty()) FindFilesRecursive(name, folder, results.items);
    }
    if (results.items.empty()) Svc().prompts->Show(MessageKind::Warning, "Could not find " + name);
}

void MapSearchController::ListBox1DblClick() {
    const tlistbox& results = searchForm2.ListBox1;
    // A double click beside the entries picks nothing.
    if (results.index >= 0 && results.index < static_cast<int32_t>(results.items.size()))
        DialogController::Close("searchForm2", true);
}

void MapSearchController::Button3Click() {
    if (dialogs_.ShowModal("Form6") == ModalResult::Ok && !Form6.directory.empty())
        searchForm2.Memo1.lines.push_back(Form6.directory);
}

bool MapSearchController::SearchMaps() {
    searchForm2.Edit1.text = AllMapsTitle;
    searchForm2.Edit1.enabled = false;
    searchForm2.ListBox1.items.clear();
    searchForm2.ListBox1.index = -1;
    searchForm2.ListBox1.enabled = false;
    searchForm2.modalResult = ModalResult::None;
    const ModalResult result = dialogs_.ShowModal("searchForm2");
    searchForm2.Edit1.text.clear();
    searchForm2.Edit1.enabled = true;
    searchForm2.ListBox1.enabled = true;
    if (result != ModalResult::Ok) return false;
    SearchMapsInDirs(searchForm2.Memo1.lines);
    return true;
}
