#include "platform/TempFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/FileReplace.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::string> files;
};

Registry& Files() {
    static Registry r;
    return r;
}

// What follows "<stem>-PID-" in a name the program makes: the six letters
// or digits of CreateTempFile, then one of the extensions of its unpacked
// files. A name of any other form is not the program's, whatever its start.
bool TempRest(std::string_view rest) {
    if (rest.size() < 6) return false;
    for (char c : rest.substr(0, 6))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    const std::string_view extension = rest.substr(6);
    return std::find(std::begin(TempFileExtensions), std::end(TempFileExtensions), extension) !=
           std::end(TempFileExtensions);
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

void RemoveLeftovers(const std::string& folder, std::string_view stem) {
    RemoveFilesOfGoneProcesses(folder, std::string(stem) + "-", TempRest);
}

std::string TryCreate(const std::string& folder, std::string_view stem, std::string_view extension) {
    if (folder.empty()) return "";
    std::string path = WithSlash(folder);
    // The files that killed processes left there go first.
    RemoveLeftovers(path, stem);
    path += stem;
    path += '-';
    path += std::to_string(::getpid());
    path += "-XXXXXX";
    path += extension;
    // The name is made in place: once the file is there nothing is allocated.
    const int fd = mkstemps(path.data(), static_cast<int>(extension.size()));
    if (fd < 0) return "";
    close(fd);
    return path;
}

}  // namespace

std::string TempFolder() {
    const char* folder = std::getenv("TMPDIR");
    if (folder && *folder && DirectoryExists(folder)) return folder;
    return "/tmp";
}

std::string CreateTempFile(std::string_view stem, std::string_view extension) {
    // Only plain names: a stem or extension with a folder in it is refused.
    if (stem.find('/') != std::string_view::npos || extension.find('/') != std::string_view::npos) return "";
    std::string path = TryCreate(TempFolder(), stem, extension);
    if (path.empty()) path = TryCreate(ProgramDir(), stem, extension);
    if (path.empty()) return "";
    Registry& r = Files();
    std::lock_guard lock(r.mutex);
    try {
        r.files.push_back(path);
    } catch (...) {
        // Not kept, so not left: only a file the program keeps is its own.
        std::remove(path.c_str());
        throw;
    }
    return path;
}

void RemoveTempFilesOfGoneProcesses(std::string_view stem) {
    for (const std::string& folder : {TempFolder(), ProgramDir()})
        if (!folder.empty()) RemoveLeftovers(WithSlash(folder), stem);
}

bool IsTempFileName(std::string_view name) {
    return ProcessOfFileName(name, std::string(TempFileStem) + "-", TempRest) > 0;
}

bool IsOwnTempFile(std::string_view path) {
    Registry& r = Files();
    std::lock_guard lock(r.mutex);
    return std::find(r.files.begin(), r.files.end(), path) != r.files.end();
}

bool DeleteTempFile(std::string_view path) {
    Registry& r = Files();
    std::lock_guard lock(r.mutex);
    const auto it = std::find(r.files.begin(), r.files.end(), path);
    if (it == r.files.end()) return false;
    const bool removed = std::remove(it->c_str()) == 0;
    r.files.erase(it);
    return removed;
}

void DeleteAllTempFiles() {
    Registry& r = Files();
    std::lock_guard lock(r.mutex);
    for (const std::string& path : r.files) std::remove(path.c_str());
    r.files.clear();
}
