// Showing the program's own dialog windows (export options, Poser and DAZ
// Studio import, directory choice, map search, snippet picker) modally.
// A dialog ends when a handler sets its record's modal result. The Qt
// windows implement it; tests script the results.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "options/Options.h"

class FormDialogs {
public:
    virtual ~FormDialogs() = default;
    // Shows the window of `form` ("Form2", "searchForm2", ...) modally and
    // returns how it was closed (Cancel for its close box).
    virtual ModalResult ShowModal(std::string_view form) = 0;
};

// Records every dialog shown and answers from a script, then with
// `defaultResult`; `whileShown` (when set) acts as the user in the dialog.
class RecordingDialogs : public FormDialogs {
public:
    ModalResult ShowModal(std::string_view form) override {
        shown.emplace_back(form);
        if (whileShown) whileShown(form);
        if (results.empty()) return defaultResult;
        const ModalResult r = results.front();
        results.erase(results.begin());
        return r;
    }
    std::vector<std::string> shown;
    std::vector<ModalResult> results;
    ModalResult defaultResult = ModalResult::Cancel;
    std::function<void(std::string_view form)> whileShown;
};

// The modal result record of a dialog window; nullptr for a window that is
// not a modal dialog.
ModalResult* ModalResultOf(std::string_view form);
