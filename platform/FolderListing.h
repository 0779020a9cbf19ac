// The names in a folder, read with the system's calls, and names joined to
// their folder. The directory iterator of the standard library allocates
// where it may not throw, and its path's append frees memory it never had
// when an allocation fails part-way, so that running out of memory while it
// lists a folder or joins a name to a folder of long names would end the
// program; here it is an exception like any other.
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

// `name` in `folder`: the two joined by one "/" ("folder/name"); `name`
// alone when it is a full path or `folder` is empty.
std::string JoinPath(std::string_view folder, std::string_view name);
