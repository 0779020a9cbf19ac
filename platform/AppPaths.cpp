#include "platform/AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex& OverrideMutex() {
    static std::mutex m;
    return m;
}

std::string& Override() {
    static std::string folder;
    return folder;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsWritableDir(const std::string& folder) {
    return !folder.empty() && DirectoryExists(folder) && access(folder.c_str(), W_OK | X_OK) == 0;
}

// mkdir -p; true when the folder exists afterwards.
bool MakeDirs(const std::string& folder) {
    if (folder.empty()) return false;
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        partial = folder.substr(0, pos);
        if (partial.empty() || DirectoryExists(partial)) continue;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return DirectoryExists(folder);
}

std::string EnvOrEmpty(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool DirectoryExists(std::string_view path) {
    if (path.empty()) return false;
    struct stat st {};
    return stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutableDir() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "";
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return path.substr(0, slash + 1);
}

std::string UserDataDir() {
    std::string base = EnvOrEmpty("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = EnvOrEmpty("HOME");
        if (home.empty()) return "";
        base = WithSlash(home) + ".local/share";
    }
    const std::string folder = WithSlash(base) + "mirelan";
    return MakeDirs(folder) ? WithSlash(folder) : "";
}

std::vector<std::string> InstalledDataDirs() {
    std::vector<std::string> dirs;
    const std::string exe = ExecutableDir();
    if (!exe.empty()) dirs.push_back(exe + "../share/mirelan/");
    std::string list = EnvOrEmpty("XDG_DATA_DIRS");
    if (list.empty()) list = "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t colon = list.find(':', start);
        const std::string entry = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!entry.empty() && entry.front() == '/') dirs.push_back(WithSlash(entry) + "mirelan/");
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return dirs;
}

void SetProgramDirOverride(std::string_view folder) {
    std::lock_guard lock(OverrideMutex());
    Override() = folder.empty() ? std::string() : WithSlash(std::string(folder));
}

std::string ProgramDir() {
    {
        std::lock_guard lock(OverrideMutex());
        if (!Override().empty()) return Override();
    }
    const std::string exe = ExecutableDir();
    if (IsWritableDir(exe)) return exe;
    const std::string user = UserDataDir();
    if (!user.empty()) return user;
    return exe.empty() ? std::string("./") : exe;
}

std::string FindHelpFile() {
    static constexpr const char* kName = "mirelanhelp.htm";
    const std::string own = ProgramDir() + kName;
    if (FileExists(own)) return own;
    for (const std::string& dir : InstalledDataDirs())
        if (FileExists(dir + kName)) return dir + kName;
    return own;
}

std::string HelpFilePath;

void InitHelpFilePath() { HelpFilePath = FindHelpFile(); }
