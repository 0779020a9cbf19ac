// The page builder lays out a window page from a list of cells: the
// controls of the control table by name (their kind, caption, items and
// range come from the table), buttons with their caption, plain texts,
// pictures. A page is a row of columns; a column holds group boxes and
// loose rows; a row is one line of a grid, so that rows of the same shape
// line up. Every widget gets its control's name as objectName and is bound
// to its record.
#pragma once

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "options/Options.h"

class Binder;
class QAbstractButton;
class QGridLayout;
class QMenu;
class QTabWidget;
class QToolBar;
class QVBoxLayout;
class QHBoxLayout;
class QWidget;
struct ControlInfo;

// One cell of a row.
struct Cell {
    enum class Kind : uint8_t { Control, Button, Text, Image, Stretch };
    Kind kind = Kind::Control;
    std::string_view name;     // a control or button name ("CheckBox21"), an image name
    std::string_view caption;  // a button's caption, a text
    tbutton* state = nullptr;  // a button whose caption or state the program changes
    int width = 0;             // 0: the kind's own width; -1: as wide as the row allows
    int height = 0;            // 0: the kind's own height; -1: what the column leaves
    int span = 1;              // grid columns the widget takes
    int rows = 1;              // grid rows the widget takes
    bool label = true;         // an edit's or combo box's caption is put before it
    bool checkable = false;    // a tool button that stays pressed

    Cell Span(int n) const { Cell c = *this; c.span = n; return c; }
    Cell Rows(int n) const { Cell c = *this; c.rows = n; return c; }
    Cell Width(int w) const { Cell c = *this; c.width = w; return c; }
    Cell Height(int h) const { Cell c = *this; c.height = h; return c; }
    Cell Toggle() const { Cell c = *this; c.checkable = true; return c; }
    // The widget takes the height the column leaves (a list, a memo).
    Cell Tall() const { Cell c = *this; c.height = -1; return c; }
};

inline Cell NewCell(Cell::Kind kind, std::string_view name, std::string_view caption = {}, tbutton* state = nullptr) {
    Cell c;
    c.kind = kind;
    c.name = name;
    c.caption = caption;
    c.state = state;
    return c;
}

// A control of the control table, with its caption before it.
inline Cell C(std::string_view name) { return NewCell(Cell::Kind::Control, name); }
// The same without the caption (a second edit of "Position:", a column).
inline Cell N(std::string_view name) {
    Cell c = C(name);
    c.label = false;
    return c;
}
// A control that takes the rest of the row.
inline Cell Wide(std::string_view name) { return C(name).Width(-1); }
// A push button or tool button.
inline Cell B(std::string_view name, std::string_view caption, tbutton* state = nullptr) {
    return NewCell(Cell::Kind::Button, name, caption, state);
}
// A plain text.
inline Cell T(std::string_view text) { return NewCell(Cell::Kind::Text, {}, text); }
// A plain text whose enabled and visible state the program changes.
inline Cell T(std::string_view name, std::string_view text, tbutton* state) {
    return NewCell(Cell::Kind::Text, name, text, state);
}
// A picture (a thumbnail or preview image) that can be clicked.
inline Cell Img(std::string_view name, int width, int height) {
    Cell c = NewCell(Cell::Kind::Image, name);
    c.width = width;
    c.height = height;
    return c;
}
// Space that takes what the row leaves.
inline Cell Stretch() { return NewCell(Cell::Kind::Stretch, {}); }

// A menu item: "-" as the caption makes a separator.
struct MenuItem {
    std::string_view name;
    std::string_view caption;
    tbutton* state = nullptr;
};

class PageBuilder {
public:
    PageBuilder(Binder& binder, std::string_view form, QWidget* page);

    // A tool bar across the top of the page.
    void ToolBar(std::initializer_list<Cell> cells);
    // Starts a new column to the right of the others.
    void Column(int stretch = 0);
    // Starts a group box in the current column. `name` binds it: a panel of
    // the control table, or a record in `state`.
    void Group(std::string_view caption, std::string_view name = {}, tbutton* state = nullptr);
    // Rows after it go into the current column itself again.
    void EndGroup();
    // One line of the current group (or column).
    void Row(std::initializer_list<Cell> cells);
    // A row whose cells start at grid column `firstColumn`.
    void RowAt(int firstColumn, std::initializer_list<Cell> cells);
    // One line of cells that keeps to itself (no alignment with other rows),
    // from grid column `firstColumn` to the end of the row.
    void Line(std::initializer_list<Cell> cells, int firstColumn = 0);
    // A widget of the page's own (not of the control table) on a row of its
    // own, across `span` grid columns.
    void RowWidget(QWidget* widget, int span = 1);
    // Space that pushes what follows to the bottom of the column.
    void ColumnStretch();
    // The sub-pages of page control `name` (a row of the table), as a tab
    // widget in the current column; returns the page widgets.
    std::vector<QWidget*> SubPages(std::string_view name, std::initializer_list<std::string_view> captions);
    // A popup menu of the window; its items are bound as "Form1.N3DModel1".
    QMenu* Menu(std::string_view name, std::initializer_list<MenuItem> items);

    // The popup menu `menu` drops down from tool button `button` of the page.
    void DropDown(std::string_view button, QMenu* menu);
    // The widget made for `name` on this page; nullptr when there is none.
    QWidget* Made(std::string_view name) const;
    QAbstractButton* Button(std::string_view name) const;
    QWidget* Page() const { return page_; }
    ::Binder& Bindings() const { return binder_; }

private:
    QWidget* MakeCell(const Cell& cell, QWidget* parent, QWidget*& label);
    QWidget* MakeControl(const ControlInfo& row, QWidget* parent);
    QGridLayout* Grid();
    std::string Qualified(std::string_view name) const;

    Binder& binder_;
    std::string form_;
    QWidget* page_;
    QVBoxLayout* pageLayout_;
    QHBoxLayout* columns_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QGridLayout* grid_ = nullptr;    // the group's or the column's loose grid
    int gridRow_ = 0;
    std::vector<std::pair<std::string, QWidget*>> made_;
};

// The window font: the family the desktop substitutes for the program's
// face at 11 pixels.
void ApplyWindowFont(QWidget* window);
