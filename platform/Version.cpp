#include "platform/Version.h"

#include "MirelanVersion.h"

std::string GetVersionString() { return MIRELAN_VERSION; }
