// The pickers: the map search (searchForm2) and the POV-Ray snippet
// picker (Form8). Both are modal and end when a handler sets their record's
// modal result.
#pragma once

#include <QDialog>

class Binder;

// "Map Search".
QDialog* MakeMapSearchDialog(Binder& binder, QWidget* parent);
// The snippet picker: seven lists of POV-Ray text, a double click inserts.
QDialog* MakeSnippetPicker(Binder& binder, QWidget* parent);
