#include "platform/gfx/WarningSink.h"

namespace gfx {

namespace {
WarningSink* current = nullptr;
}

void warn(std::string_view message) {
    if (current) current->warning(message);
}

ScopedWarningSink::ScopedWarningSink(WarningSink* sink) : saved_(current) { current = sink; }

ScopedWarningSink::~ScopedWarningSink() { current = saved_; }

}  // namespace gfx
