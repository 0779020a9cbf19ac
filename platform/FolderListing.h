// The names in a folder, read with the system's calls. The directory
// iterator of the standard library allocates where it may not throw, so that
// running out of memory while it lists a folder would end the program; here
// it is an exception like any other.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

// Gives `take` each name in `folder` ("." and ".." left out), with the type
// of the file it names (S_IFREG, S_IFDIR ...; links followed, 0 when it
// cannot be told) when `withTypes`, else 0. False when the folder cannot be
// read to its end (an empty name names no folder).
bool ForEachInFolder(const std::string& folder, const std::function<void(std::string_view name, mode_t type)>& take,
                bool withTypes = false);
