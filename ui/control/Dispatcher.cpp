#include "ui/control/Dispatcher.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "model/Services.h"
#include "model/StatusLog.h"

void Dispatcher::Add(std::string name, Handler handler) { handlers_[std::move(name)] = std::move(handler); }

bool Dispatcher::Has(std::string_view name) const { return handlers_.find(name) != handlers_.end(); }

void Dispatcher::Clear() {
    handlers_.clear();
    afterCommand_ = nullptr;
}

bool Dispatcher::Run(std::string_view name) {
    if (IsBusy()) return false;  // a long operation runs: no second command
    ++commandCount_;
    if (const auto it = handlers_.find(name); it != handlers_.end()) {
        // A copy: the handler may register handlers itself.
        const Handler handler = it->second;
        try {
            handler();
        } catch (const std::bad_alloc&) {
            Svc().prompts->Show(MessageKind::Error, NoMemoryForCommandText);
        } catch (const std::length_error&) {
            Svc().prompts->Show(MessageKind::Error, NoMemoryForCommandText);
        } catch (const std::exception& e) {
            Svc().prompts->Show(MessageKind::Error, e.what());
        } catch (...) {
            Svc().prompts->Show(MessageKind::Error, "Unexpected error");
        }
        while (IsBusy()) EndWait();  // the wait ends on every path
    }
    if (afterCommand_) afterCommand_();
    return true;
}

void Dispatcher::Call(std::string_view name) {
    if (const auto it = handlers_.find(name); it != handlers_.end()) {
        const Handler handler = it->second;
        handler();
    }
}

Dispatcher& Commands() {
    static Dispatcher dispatcher;
    return dispatcher;
}
