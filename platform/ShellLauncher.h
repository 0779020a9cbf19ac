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
    // Opens a document, a folder or a link with the desktop's opener; never
    // runs it. False when it could not be handed on.
    virtual bool Open(std::string_view target) = 0;
    // Starts `program` with `arguments`, each reaching it as it is, in the
    // working folder `folder` ("" keeps the current one); never waits. False
    // when it could not be started. `environment` ("NAME=value" each) sets
    // variables for this one program; the caller's own stay as they are.
    virtual bool Start(std::string_view program, const std::vector<std::string>& arguments,
                       std::string_view folder, const std::vector<std::string>& environment = {}) = 0;
};

class RecordingShell : public ShellLauncher {
public:
    struct Request {
        std::string target;
        std::vector<std::string> arguments;
        std::string folder;
        std::vector<std::string> environment;
        bool program = false;  // started as a program (Start), not opened
    };
    bool Open(std::string_view target) override {
        requests.push_back({std::string(target), {}, {}, {}, false});
        return succeeds;
    }
    bool Start(std::string_view program, const std::vector<std::string>& arguments, std::string_view folder,
               const std::vector<std::string>& environment = {}) override {
        requests.push_back({std::string(program), arguments, std::string(folder), environment, true});
        return succeeds;
    }
    std::vector<Request> requests;
    bool succeeds = true;
};
