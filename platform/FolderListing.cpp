#include "platform/FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

bool ForEachInFolder(const std::string& folder, const std::function<void(std::string_view name, mode_t type)>& take,
                bool withTypes) {
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (!dir) return false;
    const std::unique_ptr<DIR, int (*)(DIR*)> closing(dir, ::closedir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) return errno == 0;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        const bool typed = withTypes && ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0;
        take(name, typed ? st.st_mode & S_IFMT : 0);
    }
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty() || name.starts_with('/')) return std::string(name);
    std::string path(folder);
    if (path.back() != '/') path += '/';
    path += name;
    return path;
}
