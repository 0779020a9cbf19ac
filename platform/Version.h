// The program's version text, fixed when the program is built.
#pragma once

#include <string>

// The full version, such as "1.0.0.1"; the build number is the text after
// its last ".".
std::string GetVersionString();
