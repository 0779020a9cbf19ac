#include "platform/AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
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

// The folder as the file system resolves it: links and dots resolved as far
// as it exists, no final "/".
std::filesystem::path ResolvedFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    if (ec) p = fs::absolute(folder, ec).lexically_normal();
    std::string text = p.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

bool SameFolder(const std::string& a, const std::string& b) {
    const FileId idA = FileIdOf(a), idB = FileIdOf(b);
    if (idA != NoFile || idB != NoFile) return idA == idB;
    return ResolvedFolder(a) == ResolvedFolder(b);
}

}  // namespace

FileId FileIdOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return NoFile;
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool InProgramDir(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string_view::npos ? "." : std::string(path.substr(0, slash));
    if (folder.empty()) folder = "/";
    return SameFolder(folder, ProgramDir());
}

bool DirectoryExists(std::string_view path) {
    if (path.empty()) return false;
    struct stat st {};
    return stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutablePath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0 || buffer[0] != '/') return "";
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ExecutableDir() {
    const std::string path = ExecutablePath();
    return path.substr(0, path.empty() ? 0 : path.rfind('/') + 1);
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
    const std::string own = ProgramDir() + ProgramFile::Help;
    if (FileExists(own)) return own;
    for (const std::string& dir : InstalledDataDirs())
        if (FileExists(dir + ProgramFile::Help)) return dir + ProgramFile::Help;
    return own;
}

std::string HelpFilePath;

void InitHelpFilePath() { HelpFilePath = FindHelpFile(); }
