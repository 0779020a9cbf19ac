// The error types of the program. A reader that cannot go on raises
// `ReadError`; the load command catches it, reports the file as not loaded
// and leaves the model as it was before that file. An index into a model list
// that lies outside the list raises `ModelError`; the command dispatcher
// catches every error, shows the error box and always ends the wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ReadError : public std::runtime_error {
public:
    explicit ReadError(const std::string& message, std::string file = {}, int64_t line = -1)
        : std::runtime_error(message), file_(std::move(file)), line_(line) {}
    const std::string& file() const { return file_; }
    int64_t line() const { return line_; }  // -1 when not known

private:
    std::string file_;
    int64_t line_;
};

// Raised when an output file cannot be opened, written or closed; it ends
// the export run (files finished before it stay).
class ExportError : public std::runtime_error {
public:
    explicit ExportError(const std::string& message, std::string file = {})
        : std::runtime_error(message), file_(std::move(file)) {}
    const std::string& file() const { return file_; }

private:
    std::string file_;
};

[[noreturn]] void ThrowIndexError(const char* listName, int64_t index, std::size_t size);
