// The "Map Search" dialog (searchForm2): a list of folders to search, kept
// in the settings file, in which one named map is found (the user picks a
// hit) or, in the all-maps mode, every missing map of the materials.
#pragma once

#include "ui/control/Dispatcher.h"
#include "ui/control/FormDialogs.h"

class MapSearchController {
public:
    explicit MapSearchController(FormDialogs& dialogs) : dialogs_(dialogs) {}
    void Register(Dispatcher& d);

    // "Find": an empty folder list first gets the loaded model's folder. In
    // the all-maps mode the dialog closes with OK; otherwise every file named
    // as in "File name:" in each folder tree is listed (the first folder's
    // first), and "Could not find " + the name is shown when there is none.
    void Button1Click();
    // A double click on a listed file closes the dialog with OK.
    void ListBox1DblClick();
    // "Add...": the folder chosen in the directory dialog joins the list.
    void Button3Click();

    // Runs the dialog in the all-maps mode; once it is confirmed, every
    // missing map of the materials is looked for in the folders of the list.
    // True when the search ran.
    bool SearchMaps();

private:
    FormDialogs& dialogs_;
};
