#include "ui/control/Dispatcher.h"

#include <exception>
#include <new>
#include <optional>
#include <stdexcept>

#include "model/LightPanel.h"
#include "model/PlaceholderPanel.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "ui/control/CommandKeep.h"
#include "ui/control/MaterialPanel.h"

namespace {

// Runs `step`, which must not end the program or the command that runs it:
// an error in it is passed to `failed` (whose own error is dropped).
template <typename Step, typename Failed>
void Guarded(Step&& step, Failed&& failed) noexcept {
    try {
        step();
    } catch (...) {
        try {
            failed(std::current_exception());
        } catch (...) {
        }
    }
}

// The text of the error box for an error that ended a command.
std::string_view ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const NoMemoryError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unexpected error";
    }
    return NoMemoryForCommandText;
}

// Ends every wait the command left open, each with its scene check; a check
// that fails leaves its line in the log (WaitScope).
void EndWaits() noexcept {
    while (IsBusy()) EndWaitLogged();
}

// The window shows the records after a command that failed: the preview
// drawn from them (and from the model a command of the model put back), the
// thumbnails of the material panel and the scene checked again. When they
// were not put back (the faces changed), the lists and panels are filled
// from them first: a panel the command left half filled shows its record
// again.
void ShowRecordsAgain(bool putBack) {
    WindowHooks& window = *Svc().window;
    if (!putBack) {
        window.FillMaterialList();
        window.FillGroupList();
        window.RefreshMaterialPanel(CurrentMaterialIndex);
        RefreshLightPanel(Form1.ComboBox2.index);
        RefreshPlaceholderPanel(Form1.ComboBox7.index);
    }
    window.BuildNormalsList();
    window.BuildPreviewLists();
    ShowPanelThumbnails();
    if (Svc().checkScene) Svc().checkScene();
    window.Draw();
}

}  // namespace

void ShowCommandError(const std::exception_ptr& error) noexcept {
    Guarded([&] { Svc().prompts->Show(MessageKind::Error, ErrorText(error)); }, [](std::exception_ptr) {});
}

void Dispatcher::Add(std::string name, Handler handler, CommandScope scope) {
    handlers_[std::move(name)] = {std::move(handler), scope};
}

bool Dispatcher::Has(std::string_view name) const { return handlers_.find(name) != handlers_.end(); }

std::vector<std::string> Dispatcher::Names() const {
    std::vector<std::string> names;
    names.reserve(handlers_.size());
    for (const auto& [name, handler] : handlers_) names.push_back(name);
    return names;
}

void Dispatcher::Clear() {
    handlers_.clear();
    afterCommand_ = nullptr;
}

bool Dispatcher::Run(std::string_view name) noexcept {
    if (IsBusy()) return false;  // a long operation runs: no second command
    ++commandCount_;
    if (const auto it = handlers_.find(name); it != handlers_.end()) {
        std::exception_ptr error;
        bool putBack = true;
        {
            // What the command may change is kept first; when even that
            // does not fit, the command does not run.
            std::optional<CommandKeep> keep;
            try {
                keep.emplace(it->second.scope);
                // A copy: the handler may register handlers itself.
                const Handler handler = it->second.handler;
                handler();
            } catch (...) {
                error = std::current_exception();
            }
            if (keep) {
                putBack = error && keep->Fits();
                if (putBack)
                    keep->Restore();
                else
                    keep->Finish();
            }
        }  // what the failed command left is freed here
        EndWaits();
        if (error) {
            ShowCommandError(error);
            Guarded([putBack] { ShowRecordsAgain(putBack); }, [](std::exception_ptr) {});
            EndWaits();
        }
    }
    if (afterCommand_) Guarded(afterCommand_, [](const std::exception_ptr& e) { ShowCommandError(e); });
    return true;
}

void Dispatcher::Call(std::string_view name) {
    if (const auto it = handlers_.find(name); it != handlers_.end()) {
        const Handler handler = it->second.handler;
        handler();
    }
}

Dispatcher& Commands() {
    static Dispatcher dispatcher;
    return dispatcher;
}
