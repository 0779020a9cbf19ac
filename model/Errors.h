// The error types of the program. A reader that cannot go on raises
// `ReadError`; the load command catches it, reports the file as not loaded
// and leaves the model as it was before that file. An index into a model list
// that lies outside the list raises `ModelError`; the command dispatcher
// catches every error, shows the error box and always ends the wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

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

// Running out of memory, with the message that tells in what: the command
// that meets it is put back as before it ran and shows this message rather
// than a bare one. (Making the message may itself run out of memory: then a
// plain std::bad_alloc goes on.)
class NoMemoryError : public std::bad_alloc {
public:
    explicit NoMemoryError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Runs `run`; running out of memory in it (std::bad_alloc, or a list asked
// to grow beyond what it can hold) throws `makeError()` instead, once what
// `run` held is released: a file too big for the memory left fails like a
// file that cannot be read or written.
template <typename Run, typename MakeError>
decltype(auto) RunWithinMemory(Run&& run, MakeError&& makeError) {
    try {
        return run();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    throw makeError();
}

// Runs `run`, a part of a command that it can do without (a report, the
// folder a dialog opens in) or that nothing has followed yet: running out of
// memory in it loses what it does, never the command. False when it ran out.
template <typename Run>
bool TryWithinMemory(Run&& run) {
    try {
        run();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return false;
}

[[noreturn]] void ThrowIndexError(const char* listName, int64_t index, std::size_t size);
