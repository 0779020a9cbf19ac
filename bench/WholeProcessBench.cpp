// Whole processes, each next to its peer in the same run, on generated
// spheres with normals and texture coordinates (release build, an X server
// with the software OpenGL driver):
//   - the preview: `mirelan_e2e --preview 640 480 OUT.png MODEL` (load, lists,
//     one frame, the PNG) next to peer_preview (the same OBJ parsed, one
//     float array drawn once, the PNG), at 0.25, 1 and 4 million triangles;
//   - the whole load: `mirelan_e2e MODEL` next to peer_obj_parse (a
//     whole-file, one-pass parser into flat arrays) and peer_tinyobj
//     (Debian's tinyobjloader), at 1 and 4 million triangles, and a file of
//     one triangle;
//   - the conversion: `mirelan_e2e --out DIR MODEL`, writing every output of
//     the million triangles, next to peer_obj_parse;
//   - the start: the program until its main window is mapped, next to an
//     empty Qt window of the same size (peer_empty_window) and to the same
//     window shown after an OpenGL context was made and its version read, as
//     the program checks OpenGL before its windows show (peer_gl_window); the
//     windows are watched on an X server without a window manager (as
//     scripts/bench.sh starts one), where a top-level window is a child of
//     the root.
// Each process runs several times (MIRELAN_BENCH_RUNS, default 3); printed
// are the median wall time and the largest peak resident memory, and the
// ratio of ours to the peer. After the table: a hash of every output of the
// conversion, the model's folder taken out, so that a change can be checked
// to write the same bytes.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"

// Last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Figures {
    double ms = 0;      // median wall time
    double peakMB = 0;  // largest peak resident memory
    bool ok = true;
};

int Runs() {
    const char* text = std::getenv("MIRELAN_BENCH_RUNS");
    const int n = text ? std::atoi(text) : 3;
    return n >= 1 ? n : 3;
}

pid_t Spawn(const std::vector<std::string>& args, bool quiet) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs the command to its end `Runs()` times.
Figures Measure(const std::vector<std::string>& args) {
    std::vector<double> times;
    Figures f;
    for (int i = 0; i < Runs(); ++i) {
        const auto start = Clock::now();
        const pid_t pid = Spawn(args, true);
        int status = 0;
        rusage usage{};
        if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            f.ok = false;
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        f.peakMB = std::max(f.peakMB, static_cast<double>(usage.ru_maxrss) / 1024.0);
    }
    std::sort(times.begin(), times.end());
    f.ms = times[times.size() / 2];
    return f;
}

// Starts the program and waits for a top-level window of that title to be
// mapped, then ends the program; `Runs()` times.
Figures MeasureToWindow(const std::vector<std::string>& args, const char* title) {
    Figures f;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        f.ok = false;
        return f;
    }
    std::vector<double> times;
    for (int i = 0; i < Runs(); ++i) {
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, True);
        const auto start = Clock::now();
        const pid_t pid = Spawn(args, true);
        bool mapped = false;
        while (pid > 0 && !mapped && Clock::now() - start < std::chrono::seconds(20)) {
            while (!mapped && XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type != MapNotify) continue;
                char* name = nullptr;
                if (XFetchName(display, event.xmap.window, &name) && name) {
                    mapped = std::strcmp(name, title) == 0;
                    XFree(name);
                }
            }
            if (mapped) break;
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(ConnectionNumber(display), &fds);
            timeval wait{0, 20000};
            ::select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &wait);
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!mapped) f.ok = false;
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        XSelectInput(display, DefaultRootWindow(display), NoEventMask);
        XSync(display, True);
    }
    XCloseDisplay(display);
    std::sort(times.begin(), times.end());
    f.ms = times[times.size() / 2];
    return f;
}

void PrintHeader() {
    std::printf("%-34s %10s %10s %7s %9s %9s %7s\n", "measure (peer)", "ours ms", "peer ms", "x", "ours MB", "peer MB",
                "x");
}

void PrintRow(const std::string& what, const Figures& ours, const Figures& peer, double triangles = 0) {
    std::printf("%-34s %10.1f %10.1f %7.2f %9.1f %9.1f %7.2f", what.c_str(), ours.ms, peer.ms, ours.ms / peer.ms,
                ours.peakMB, peer.peakMB, ours.peakMB / peer.peakMB);
    if (triangles > 0)
        std::printf("   MB per million triangles: ours %.1f, peer %.1f", ours.peakMB / (triangles / 1e6),
                    peer.peakMB / (triangles / 1e6));
    if (!ours.ok || !peer.ok) std::printf("   FAILED (%s)", ours.ok ? "peer" : "ours");
    std::printf("\n");
    std::fflush(stdout);
}

// Removes the folder and what is in it when the run ends.
struct Folder {
    fs::path path = fs::temp_directory_path() / ("mirelan_processes_" + std::to_string(::getpid()));
    Folder() { fs::create_directories(path / "out"); }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void PrintOutputHashes(const Folder& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder.path / "out"))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files)
        std::printf("output %s\n", fixtures::OutputDigest(p.string(), folder.path.string()).c_str());
}

}  // namespace

int main() {
    const Folder folder;
    const std::string e2e = MIRELAN_E2E, app = MIRELAN_APP, peers = MIRELAN_PEERS;
    struct Sphere {
        const char* name;
        int segments, rings;
        double triangles;
    };
    const Sphere spheres[] = {{"0.25M", 500, 251, 250000}, {"1M", 1000, 501, 1000000}, {"4M", 2000, 1001, 4000000}};
    for (const Sphere& s : spheres)
        if (!fixtures::WriteSphereObj(folder / (std::string("sphere_") + s.name + ".obj"), s.segments, s.rings)) {
            std::fprintf(stderr, "cannot write the spheres into %s\n", folder.path.c_str());
            return 1;
        }
    {
        std::FILE* f = std::fopen((folder / "triangle.obj").c_str(), "wb");
        if (f) {
            std::fputs("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", f);
            std::fclose(f);
        }
    }
    std::printf("%d runs of each process\n", Runs());
    PrintHeader();
    const std::string png = folder / "preview.png";
    for (const Sphere& s : spheres) {
        const std::string model = folder / (std::string("sphere_") + s.name + ".obj");
        const Figures ours = Measure({e2e, "--preview", "640", "480", png, model});
        const Figures peer = Measure({peers + "/peer_preview", "640", "480", png, model});
        PrintRow(std::string("preview ") + s.name + " (peer_preview)", ours, peer);
    }
    for (const Sphere& s : spheres) {
        if (s.triangles < 1e6) continue;
        const std::string model = folder / (std::string("sphere_") + s.name + ".obj");
        const Figures ours = Measure({e2e, model});
        PrintRow(std::string("load ") + s.name + " (peer_obj_parse)", ours, Measure({peers + "/peer_obj_parse", model}),
                 s.triangles);
        if (fs::exists(peers + "/peer_tinyobj"))
            PrintRow(std::string("load ") + s.name + " (peer_tinyobj)", ours,
                     Measure({peers + "/peer_tinyobj", model}), s.triangles);
    }
    PrintRow("load 1 triangle (peer_obj_parse)", Measure({e2e, folder / "triangle.obj"}),
             Measure({peers + "/peer_obj_parse", folder / "triangle.obj"}));
    {
        const std::string model = folder / "sphere_1M.obj";
        PrintRow("conversion 1M (peer_obj_parse)", Measure({e2e, "--out", folder / "out", model}),
                 Measure({peers + "/peer_obj_parse", model}));
    }
    const Figures start = MeasureToWindow({app}, "Mirelan");
    PrintRow("start to main window (empty window)", start, MeasureToWindow({peers + "/peer_empty_window"}, "Mirelan"));
    PrintRow("start to main window (GL first)", start, MeasureToWindow({peers + "/peer_gl_window"}, "Mirelan"));
    PrintOutputHashes(folder);
    return 0;
}
