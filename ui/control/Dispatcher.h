// The command dispatcher: one map from a control's qualified name to the
// handler that runs when the user works the control, and the one entry
// point through which every handler runs.
//
// Names: "Form1.CheckBox34" is the control's own event (a check box or radio
// button clicked, an edit or memo changed, a combo box item chosen, an
// up-down clicked, a button, tool button, menu item, label or swatch
// clicked, a list box item clicked, a page shown). Other events of a control
// carry their name after a second dot: ".DblClick", ".Enter" (the Enter
// key), ".Exit" (the focus left an edit), ".Up" and ".Down" (spin
// buttons), ".Changing" (before a page control changes its page),
// ".AnchorClick" (a link of the group list).
// Window events use the form: "Form4.Escape", "Form4.Hide".
//
// Adding a handler to a page: write the method in the page's controller
// (ui/control/XxxController) and one line in its Register:
//     d.Add("Form1.CheckBox53", [this] { CheckBox53Click(); });
// The binder already sends the control's events here; a control without a
// handler simply updates its option record.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/control/CommandKeep.h"

// The error box of a command that ran out of memory.
inline constexpr std::string_view NoMemoryForCommandText = "not enough memory to finish the command";

class Dispatcher {
public:
    using Handler = std::function<void()>;

    // Registers (or replaces) the handler of `name`, which may change what
    // `scope` says (CommandKeep keeps that before it runs).
    void Add(std::string name, Handler handler, CommandScope scope = CommandScope::Everything);
    bool Has(std::string_view name) const;
    // The names of every handler, in name order.
    std::vector<std::string> Names() const;
    // Forgets every handler and the after-command step (the windows closed).
    void Clear();

    // Runs the handler of `name`. Refused (false) while a long operation
    // runs. Every command either completes or leaves the records as they
    // were: what it may change besides the geometry is kept before it runs
    // (CommandKeep), and an error that escapes the handler puts that back
    // (unless a load or a command of the model has changed the faces since,
    // which keeps its own), then shows the error box (running out of memory
    // with the error's own message, NoMemoryError, or
    // NoMemoryForCommandText) and draws the window from the records again.
    // A wait the handler left open is ended; then the windows are refreshed
    // from the option records. Nothing of this ends the program: an error
    // after the command is shown or logged. True when the command was not
    // refused, whether or not `name` has a handler.
    bool Run(std::string_view name) noexcept;

    // Runs the handler of `name`, when it has one, inside the command that
    // is running: errors reach that command, and nothing is refreshed. For
    // the handlers that a Part lets run when code changes a control.
    void Call(std::string_view name);

    // What runs after every command (the binder's refresh of every widget).
    void SetAfterCommand(std::function<void()> refresh) { afterCommand_ = std::move(refresh); }

    // The number of commands run so far (refused ones not counted).
    int CommandCount() const { return commandCount_; }

private:
    struct Entry {
        Handler handler;
        CommandScope scope;
    };
    std::map<std::string, Entry, std::less<>> handlers_;
    std::function<void()> afterCommand_;
    int commandCount_ = 0;
};

// Registers handlers that all change only what `scope` says: the handlers
// of a page that keeps to its own records.
class ScopedRegistration {
public:
    ScopedRegistration(Dispatcher& d, CommandScope scope) : d_(d), scope_(scope) {}
    void Add(std::string name, Dispatcher::Handler handler) const {
        d_.Add(std::move(name), std::move(handler), scope_);
    }

private:
    Dispatcher& d_;
    CommandScope scope_;
};

// Shows the error box of an error that ended a command, as the dispatcher
// shows it (running out of memory with the error's own message,
// NoMemoryError, or NoMemoryForCommandText); an error in showing it is
// dropped.
void ShowCommandError(const std::exception_ptr& error) noexcept;

// The program's dispatcher.
Dispatcher& Commands();
