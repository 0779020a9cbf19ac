#include "platform/TempFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/AppPaths.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::string> files;
};

Registry& Files() {
    static Registry r;
    return r;
}

std::string TryCreate(const std::string& folder, std::string_view stem, std::string_view extension) {
    if (folder.empty()) return "";
    std::string pattern = folder;
    if (pattern.back() != '/') pattern += '/';
    pattern += stem;
    pattern += "-XXXXXX";
    pattern += extension;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemps(buffer.data(), static_cast<int>(extension.size()));
    if (fd < 0) return "";
    close(fd);
    return std::string(buffer.data());
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
    r.files.push_back(path);
    return path;
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
