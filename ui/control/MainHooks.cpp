#include "ui/control/MainHooks.h"

#include <string>

#include "model/Model.h"
#include "options/Options.h"
#include "ui/control/MaterialPanel.h"

void MainHooks::SetTitle(std::string_view title) { Form1.caption = std::string(title); }

void MainHooks::SetDialogDirs(std::string_view folder) {
    Form1.SaveDialog1.initialDir = std::string(folder);
    Form1.SaveDialog2.initialDir = std::string(folder);
    Form1.OpenPictureDialog1.initialDir = std::string(folder);
}

void MainHooks::EnableMergeSelected() { Form1.Button20.enabled = true; }

void MainHooks::ShowSingleModelControls() {
    Form1.ToolButton19.enabled = true;
    for (tedit* edit : {&Form1.Edit68, &Form1.Edit2, &Form1.Edit13, &Form1.Edit12}) edit->enabled = true;
    Form1.GroupBox3.visible = false;
}

void MainHooks::ClearMaterialList() {
    Form1.ListBox1.items.clear();
    Form1.ListBox1.index = -1;
}

void MainHooks::ClearGroupList() {
    Form1.HtmlListBox1.items.clear();
    Form1.HtmlListBox1.index = -1;
}

void MainHooks::FillMaterialList() { ::FillMaterialList(); }

void MainHooks::FillGroupList() { ::FillGroupList(); }

void MainHooks::RefreshMaterialPanel(int32_t index) { ::RefreshMaterialPanel(index); }

void MainHooks::ReloadMaterialMaps(int32_t mode) { ::ReloadMaterialMaps(mode); }

void MainHooks::ClearMaterialThumbnail() {
    Svc().window->ShowThumbnailMessage("Image4", 0, ThumbnailWidth, ThumbnailHeight);
    Form1.Label6.caption.clear();
}
