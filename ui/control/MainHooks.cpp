#include "ui/control/MainHooks.h"

#include <string>

#include "ui/options/Options.h"

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
