// Hands a document, a program or a link to the shell and returns at once.
#pragma once

#include <string_view>

// The results the callers may test: above 32 the request was handed on.
inline constexpr int ShellStarted = 33;
inline constexpr int ShellFailed = 0;

// Opens `fileName` (a document, a link, or a program, which then gets
// `parameters` as its command line) with `defaultDir` as working folder,
// through the shell in force (Svc().shell). The show state is accepted for
// the callers' sake; every window opens normally. Texts of any length are
// passed whole.
int OpenWithShell(std::string_view fileName, std::string_view parameters, std::string_view defaultDir,
                  int showState);
