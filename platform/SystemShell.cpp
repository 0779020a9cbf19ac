#include "platform/SystemShell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/AppPaths.h"

extern char** environ;

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Writes all of `value` to fd; only async-signal-safe calls.
void WriteInt(int fd, int value) {
    const char* p = reinterpret_cast<const char*>(&value);
    std::size_t left = sizeof value;
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// This process's environment with `changes` made: an entry of a name that
// a change sets is left out, and the changes follow.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
    const auto sets = [&changes](std::string_view entry) {
        const std::string_view name = entry.substr(0, entry.find('='));
        for (const std::string& change : changes)
            if (std::string_view(change).substr(0, change.find('=')) == name) return true;
        return false;
    };
    std::vector<std::string> entries;
    for (char** e = environ; e && *e; ++e)
        if (!sets(*e)) entries.emplace_back(*e);
    entries.insert(entries.end(), changes.begin(), changes.end());
    return entries;
}

}  // namespace

bool IsLinkText(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isAlpha(text[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

std::string FindProgram(std::string_view name) {
    if (name.empty()) return "";
    // A relative name is taken from this process's working folder now, and
    // the program it finds is named by its absolute path: the start that
    // runs it in another folder runs that file, not one of the same name
    // there.
    std::string here;
    const auto absolute = [&here](std::string path) {
        if (path.front() == '/') return path;
        if (here.empty()) {
            char buffer[PATH_MAX];
            if (!::getcwd(buffer, sizeof buffer)) return std::string();
            here = buffer;
        }
        while (path.starts_with("./")) path.erase(0, 2);
        return here + (here.back() == '/' ? "" : "/") + path;
    };
    if (name.find('/') != std::string_view::npos) {
        const std::string path = absolute(std::string(name));
        return !path.empty() && IsExecutableFile(path) ? path : "";
    }
    const char* env = std::getenv("PATH");
    const std::string list = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t colon = list.find(':', start);
        std::string dir = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir.push_back('.');  // an empty entry is the current folder
        const std::string candidate = absolute(dir + "/" + std::string(name));
        if (!candidate.empty() && IsExecutableFile(candidate)) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return "";
}

bool StartDetached(const std::vector<std::string>& argv, const std::string& folder,
                   const std::vector<std::string>& environment) {
    if (argv.empty()) return false;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) return false;
    if (!folder.empty() && !DirectoryExists(folder)) return false;

    // Everything the children need is prepared here: after fork they only
    // make async-signal-safe calls.
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::vector<std::string> envEntries = ChangedEnvironment(environment);
    std::vector<char*> env;
    env.reserve(envEntries.size() + 1);
    for (const std::string& e : envEntries) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    const char* dir = folder.empty() ? nullptr : folder.c_str();

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        // The middle process: a session of its own, one more fork so that
        // the program is adopted by init and never becomes our zombie.
        close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        if (dir && chdir(dir) != 0) {
            WriteInt(report[1], errno);
            _exit(127);
        }
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            if (null != STDIN_FILENO) close(null);
        }
        execve(program.c_str(), args.data(), env.data());
        WriteInt(report[1], errno);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool middleOk = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // The report pipe closes on a successful exec; an error number arrives
    // when chdir or exec failed.
    int error = 0;
    ssize_t got = 0;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return middleOk && got == 0;
}

bool SystemShell::Open(std::string_view target) {
    const std::string t(TrimBlanks(target));
    if (t.empty()) return false;
    if (!IsLinkText(t) && !IsRegularFile(t) && !DirectoryExists(t)) return false;
    return StartDetached({opener, t}, "");
}

bool SystemShell::Start(std::string_view program, const std::vector<std::string>& arguments, std::string_view folder,
                        const std::vector<std::string>& environment) {
    std::vector<std::string> argv{std::string(program)};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return StartDetached(argv, std::string(folder), environment);
}
