// Hands a document or a link to the shell, or starts a program through it,
// and returns at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The results the callers may test: above 32 the request was handed on.
inline constexpr int ShellStarted = 33;
inline constexpr int ShellFailed = 0;

// Opens `fileName` (a document, a folder or a link) with the desktop's
// opener, through the shell in force (Svc().shell); never runs it. The show
// state is accepted for the callers' sake; every window opens normally.
int OpenWithShell(std::string_view fileName, int showState);

// Starts the program `fileName` with `arguments`, each reaching it as it is
// whatever it holds, with `defaultDir` as working folder ("" keeps the
// current one) and the variables of `environment` ("NAME=value" each) set
// for that program alone.
int StartWithShell(std::string_view fileName, const std::vector<std::string>& arguments, std::string_view defaultDir,
                   int showState, const std::vector<std::string>& environment = {});
