// The group list of the Groups tab: the program's HTML list box with the
// main window's image list, showing the record Form1.HtmlListBox1 and
// reporting link clicks, clicks and double clicks to the dispatcher.
#pragma once

class Binder;
class QWidget;

// Makes the list, binds it as "Form1.HtmlListBox1" and returns it.
QWidget* MakeGroupList(Binder& binder, QWidget* parent);
