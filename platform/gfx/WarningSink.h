// Warnings of the libraries on the graphics layer (a damaged JPEG that still
// decodes, for example). The libraries never show a message box; they pass
// the text to the sink in force, and the program decides what to show. By
// default warnings are dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gfx {

class WarningSink {
public:
    virtual ~WarningSink() = default;
    virtual void warning(std::string_view message) = 0;
};

// Passes a warning to the sink in force; nothing when none is installed.
void warn(std::string_view message);

// Installs a sink for the lifetime of the object and restores the one before
// after it.
class ScopedWarningSink {
public:
    explicit ScopedWarningSink(WarningSink* sink);
    ~ScopedWarningSink();
    ScopedWarningSink(const ScopedWarningSink&) = delete;
    ScopedWarningSink& operator=(const ScopedWarningSink&) = delete;

private:
    WarningSink* saved_;
};

// Keeps every warning, in order; for tests and for callers that report them
// after an operation.
class RecordingWarnings : public WarningSink {
public:
    void warning(std::string_view message) override { messages.emplace_back(message); }
    std::vector<std::string> messages;
};

}  // namespace gfx
