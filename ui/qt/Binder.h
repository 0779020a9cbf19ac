// The binder keeps the widgets and the option records in step, both ways.
// A user's change (a click, typing, a choice) is written into the record
// first, then the dispatcher runs the control's handler. After every command
// RefreshAll pushes every record into its widget (value, items, caption,
// enabled, visible) with the widget's signals blocked, so that values set by
// the program never run handlers.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "options/ControlTable.h"

class Dispatcher;
class QAbstractButton;
class QAction;
class QButtonGroup;
class QDialog;
class QMenu;
class QTabWidget;
class QWidget;

class Binder : public QObject {
public:
    explicit Binder(Dispatcher& dispatcher, QObject* parent = nullptr);

    // A control of the control table shown by `widget` (made by the page
    // builder for the row's kind); `label` is the caption the page put beside
    // it, which follows the control's enabled and visible state.
    void Bind(const ControlInfo& row, QWidget* widget, QWidget* label = nullptr);
    // A page control of the control table.
    void BindTabs(const ControlInfo& row, QTabWidget* tabs);
    // A button, tool button or menu item named "Form1.ToolButton10"; `state`
    // when the program changes its caption, enabled, visible or pressed state.
    void BindButton(const std::string& name, QAbstractButton* button, tbutton* state = nullptr);
    void BindAction(const std::string& name, QAction* action, tbutton* state = nullptr);
    // A group box, panel, picture or label named `name`: bound to `state`
    // when the program changes its enabled and visible state; a picture or
    // label that can be clicked runs `name`.
    void BindState(const std::string& name, QWidget* widget, tbutton* state);
    // A tab of `tabs` that the program shows or hides.
    void BindTab(const std::string& name, QTabWidget* tabs, int index, tbutton* state);
    // A window shown and hidden by `*visible` and titled by `*caption` (both
    // may be null). When it is hidden by other means (its close box, the
    // window system) `*visible` becomes false and `hideHandler` runs.
    void BindWindow(QWidget* window, bool* visible, const std::string* caption, const std::string& hideHandler);
    // A widget of its own kind named `name`, which `refresh` brings up to
    // date from its record.
    void BindCustom(const std::string& name, QWidget* widget, std::function<void()> refresh);
    // A dialog window that ends (exec returns) as soon as a handler sets
    // `*result`; its close box sets Cancel.
    void BindDialog(QDialog* dialog, ModalResult* result);
    // The popup menu of `widget`: the record remembers the control it was
    // opened on (Form1.PopupComponent) before the menu shows.
    void AttachPopup(QWidget* widget, std::string_view controlName, QMenu* menu);

    // Every record into its widget.
    void RefreshAll();
    // One bound control, button or state ("Form1.Label160").
    void Refresh(std::string_view name);
    // The widget bound to a name; nullptr when none is.
    QWidget* Find(std::string_view name) const;
    // The widget or menu item bound to a name.
    QObject* FindObject(std::string_view name) const;
    // The caption label the page put beside a control; nullptr when none.
    QWidget* FindLabel(std::string_view name) const;
    // The names of every binding, in binding order.
    std::vector<std::string> Names() const;

    // A user event: the dispatcher runs `name` (not while refreshing).
    void Run(const std::string& name) noexcept;
    bool Refreshing() const { return refreshing_ > 0; }

private:
    // What a widget is bound to.
    struct Binding {
        std::string name;
        const ControlInfo* row = nullptr;  // a control of the table, or
        tbutton* state = nullptr;          // a button or container with a record, or neither
        QWidget* widget = nullptr;
        QWidget* label = nullptr;
        QAction* action = nullptr;
        QTabWidget* tabs = nullptr;  // a tab shown or hidden (with `tabIndex`)
        int tabIndex = -1;
        bool* visible = nullptr;  // a window
        ModalResult* modal = nullptr;  // a dialog
        std::function<void()> refresh;  // a widget of its own kind
        const std::string* caption = nullptr;
    };
    void RefreshBinding(const Binding& b);
    void ConnectControl(Binding& b);
    void SyncUpDownFromBuddy(const ControlInfo& edit);
    QButtonGroup* RadioGroup(const ControlInfo& row);
    // A binding named "Form1.Button20"; the object's name becomes "Button20".
    static Binding Named(const std::string& name, QObject* object, tbutton* state);
    void Add(Binding b);

    Dispatcher& dispatcher_;
    std::vector<Binding> bindings_;
    std::map<std::string, std::size_t, std::less<>> byName_;
    std::map<std::string, QButtonGroup*, std::less<>> radioGroups_;
    int refreshing_ = 0;
};
