// The shell of this desktop: documents and links are handed to the desktop's
// opener ("xdg-open"), programs are started directly with their parameters
// in the given working folder. Nothing started is ever waited for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ShellLauncher.h"

class SystemShell : public ShellLauncher {
public:
    // `target` is a link ("http:", "mailto:" ...), a document, a folder, or a
    // program (a path, a name found on PATH, optionally in double quotes, or
    // a program followed by its parameters in one text). `parameters` is a
    // command line split by blanks outside double quotes. A `folder` that is
    // blank or does not exist leaves the working folder as it is. False when
    // nothing could be started.
    bool Open(std::string_view target, std::string_view parameters, std::string_view folder) override;

    std::string opener = "xdg-open";  // program that opens documents and links
};

// Words of a command line: blanks and tabs separate words outside double
// quotes; the quotes group and are dropped ("" gives an empty word).
std::vector<std::string> SplitCommandLine(std::string_view line);
// True for a text that starts with a URL scheme of two or more characters.
bool IsLinkText(std::string_view text);
// The path of an executable program: `name` itself when it holds a "/",
// else the first match on PATH; "" when there is none.
std::string FindProgram(std::string_view name);
// Starts argv[0] (resolved with FindProgram) with the arguments in `folder`
// ("" keeps the current folder), detached in a session of its own, stdin
// from /dev/null. Returns once the program has been started; false when it
// could not be (not found, not executable, bad folder).
bool StartDetached(const std::vector<std::string>& argv, const std::string& folder);
