// A window's place on the screen and the option records that keep it.
#pragma once

#include "options/Options.h"

class QWidget;

// Gives the window the size and position of `bounds` (a width or height
// below 1 keeps its own), or maximizes it.
void PlaceWindow(QWidget* window, const twindowbounds& bounds, bool maximized);
// The window's normal bounds and maximized state into the record.
void StoreWindowPlace(const QWidget* window, twindowbounds& bounds, bool& maximized);
