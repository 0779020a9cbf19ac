// The shell of this desktop: documents, folders and links are handed to the
// desktop's opener ("xdg-open"), programs are started directly with their
// arguments in the given working folder. Nothing started is ever waited for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ShellLauncher.h"

class SystemShell : public ShellLauncher {
public:
    // `target` is a link ("http:", "mailto:" ...), a file or a folder, given
    // to the opener, which shows it by its type; the opener decides, so that
    // an executable file is never run by opening it. Any other target (a
    // word that names a program on PATH, say) is refused.
    bool Open(std::string_view target) override;
    // `program` is a path or a name found on PATH. A `folder` that does not
    // exist fails the start.
    bool Start(std::string_view program, const std::vector<std::string>& arguments, std::string_view folder,
               const std::vector<std::string>& environment = {}) override;

    std::string opener = "xdg-open";  // program that opens documents and links
};

// True for a text that starts with a URL scheme of two or more characters.
bool IsLinkText(std::string_view text);
// The absolute path of the executable program `name` names: `name` itself
// when it holds a "/", else the first match on PATH, a relative name or
// PATH entry (an empty one is the current folder) taken from the current
// working folder; "" when there is none.
std::string FindProgram(std::string_view name);
// Starts argv[0] (resolved with FindProgram before anything else, so that a
// relative name is the program of this process's working folder, not one
// of `folder`) with the arguments in `folder`
// ("" keeps the current folder), detached in a session of its own, stdin
// from /dev/null, with this process's environment changed by `environment`
// ("NAME=value" each replaces or adds NAME) for that program alone. Returns
// once the program has been started; false when it could not be (not found,
// not executable, bad folder).
bool StartDetached(const std::vector<std::string>& argv, const std::string& folder,
                   const std::vector<std::string>& environment = {});
