// The run commands of the Input tab: "Exit", the maker's mail and web
// links and the Wine option. (Loading is the load commands' controller.)
#pragma once

#include <string_view>

#include "ui/control/AppHost.h"
#include "ui/control/Dispatcher.h"

// The maker's addresses shown on the Input tab.
inline constexpr std::string_view MakerMailAddress = "mirelan@example.org";
inline constexpr std::string_view MakerWebAddress = "https://www.example.org/mirelan";

class InputController {
public:
    explicit InputController(AppHost& host) : host_(host) {}
    void Register(Dispatcher& d);

    // "Exit": closes the main window, which runs the shutdown.
    void ToolButton20Click();
    // The mail label: the desktop's mail program with a new message.
    void Label90Click();
    // The web label: the maker's page in the web browser.
    void Label94Click();
    // "Mirelan is running using Wine ": "Copy all maps to the same
    // directory" of the export options follows it, with its own handler.
    void CheckBox34Click();

private:
    AppHost& host_;
};
