// The shell through which the program opens documents and links and starts
// other programs. The platform implements it (SystemShell); the model's
// service registry holds the one in force, and tests record the requests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;
    // Opens a document or link, or starts a program with parameters, in the
    // given working folder; never waits. False when it could not be started.
    virtual bool Open(std::string_view target, std::string_view parameters, std::string_view folder) = 0;
};

class RecordingShell : public ShellLauncher {
public:
    struct Request {
        std::string target, parameters, folder;
    };
    bool Open(std::string_view target, std::string_view parameters, std::string_view folder) override {
        requests.push_back({std::string(target), std::string(parameters), std::string(folder)});
        return succeeds;
    }
    std::vector<Request> requests;
    bool succeeds = true;
};
