// Load and save of a model of a million triangles with normals and texture
// coordinates, each next to the bare system work on the same bytes in the
// same run:
//   - a plain read() of the OBJ file into fresh memory, the reader alone, and
//     the whole load (clear, read, merge, geometry processing);
//   - a plain fwrite of the bytes of every output, and the four saves that
//     write them (POV-Ray, OBJ, Moray, YafRay) as the end-to-end driver does;
//   - peak memory of the read and of the whole load, each measured in a
//     fresh process against the arrays the model holds afterwards.
// The model is a 1000 x 500 grid of quads (501,501 vertices, about 105 MB
// of text) in 100 groups and 20 materials, generated here and removed at the
// end. After the benchmarks the program prints a hash of every output, with
// the default options and with another set, so that a change can be checked
// to write the same bytes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Model.h"
#include "model/Random.h"
#include "model/Services.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/ObjReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/Startup.h"

namespace {

namespace fs = std::filesystem;

constexpr int Columns = 1000, Rows = 500;
constexpr int RowsPerGroup = 5;        // 100 groups of 10,000 triangles
constexpr int FacesPerMaterialRun = 2500;
constexpr int Materials = 20;

// The folder of the files made by the parent, in the memory benchmark's
// child process.
std::string ParentFolder;

// The model's folder with the OBJ file and its material library, and an
// output folder; all removed when the program that made them ends.
struct ModelFiles {
    fs::path folder;
    std::string obj;
    std::size_t bytes = 0;
    bool owned = ParentFolder.empty();

    ModelFiles() {
        folder = owned ? fs::temp_directory_path() / ("mirelan_loadsave_" + std::to_string(::getpid()))
                       : fs::path(ParentFolder);
        obj = (folder / "grid.obj").string();
        if (!owned) {
            bytes = fs::file_size(obj);
            return;
        }
        fs::create_directories(folder / "out");
        fixtures::GridObj grid;
        grid.columns = Columns;
        grid.rows = Rows;
        grid.rowsPerGroup = RowsPerGroup;
        grid.facesPerMaterialRun = FacesPerMaterialRun;
        grid.materials = Materials;
        fixtures::WriteGridMtl((folder / grid.mtlName).string(), grid);
        bytes = fixtures::WriteGridObj(obj, grid);
    }
    ~ModelFiles() {
        std::error_code ec;
        if (owned) fs::remove_all(folder, ec);
    }
};

const ModelFiles& Files() {
    static const ModelFiles files;
    return files;
}

// The services of a run without windows: messages kept in memory, every
// question answered No (none is asked: files are overwritten).
struct Headless {
    MemoryStatus status;
    RecordingPrompts prompts;
    WindowHooks window;
    RecordingShell shell;
    Services services;
    std::unique_ptr<ScopedServices> scope;

    Headless() {
        services.status = &status;
        services.prompts = &prompts;
        services.window = &window;
        services.shell = &shell;
        scope = std::make_unique<ScopedServices>(services);
    }
    void ClearLog() {
        for (auto& page : status.pages) page.clear();
    }
};

void SetUpOptions(bool alternative) {
    InitCore(1);
    ResetOptionsToDefaults();
    Form2.Edit1.text = (Files().folder / "out").string();
    Form2.CheckBox1.checked = true;  // overwrite without asking
    if (alternative) {
        // Mesh breaking by group and material, materials apart from the
        // Moray geometry, cleaned OBJ names, separate YafRay materials.
        for (const char* set : {"Form1.ComboBox10=1", "Form1.RadioButton21=1", "Form1.CheckBox73=1"}) {
            const std::string s = set;
            const std::size_t eq = s.find('=');
            SetControlValue(s.substr(0, eq), s.substr(eq + 1));
        }
    }
}

bool Load() {
    BatchFiles = {Files().obj};
    return LoadSelectedModels();
}

// The four saves of the end-to-end driver.
void WriteEveryOutput() {
    for (SaveKind kind : {SaveKind::PovRay, SaveKind::Obj, SaveKind::Moray}) {
        SetSaveChoices(kind);
        WriteOutputFiles();
    }
    SaveYafRayScene();
}

std::vector<fs::path> OutputFiles() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(Files().folder / "out"))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// ---- Reading --------------------------------------------------------------

// The file read with read() into fresh memory, as a reader that allocates
// for its text; the bytes read.
std::size_t PlainRead(const ModelFiles& files, std::unique_ptr<char[]>& buffer) {
    const int fd = ::open(files.obj.c_str(), O_RDONLY);
    buffer.reset(new char[files.bytes]);
    std::size_t done = 0;
    while (done < files.bytes) {
        const ssize_t n = ::read(fd, buffer.get() + done, files.bytes - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done;
}

void BM_PlainRead(benchmark::State& state) {
    const ModelFiles& files = Files();
    for (auto _ : state) {
        std::unique_ptr<char[]> buffer;
        const std::size_t done = PlainRead(files, buffer);
        benchmark::DoNotOptimize(buffer.get());
        if (done != files.bytes) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.bytes));
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ReadOBJ(benchmark::State& state) {
    const ModelFiles& files = Files();
    Headless headless;
    SetUpOptions(false);
    for (auto _ : state) {
        state.PauseTiming();
        ClearModel();
        ClearImportLists();
        ImportVertices.shrink_to_fit();
        ImportNormals.shrink_to_fit();
        ImportUVs.shrink_to_fit();
        ImportFaces.shrink_to_fit();
        ::malloc_trim(0);  // every read starts on fresh memory, as in a new process
        headless.ClearLog();
        Scene.modelFile = files.obj;
        Scene.mtlFile = (files.folder / "grid.mtl").string();
        state.ResumeTiming();
        ReadOBJ(Scene);
        benchmark::DoNotOptimize(ImportFaces.data());
    }
    if (ImportFaces.size() != 2u * Columns * Rows) state.SkipWithError("wrong face count");
    ClearImportLists();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.bytes));
}
BENCHMARK(BM_ReadOBJ)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Load(benchmark::State& state) {
    const ModelFiles& files = Files();
    Headless headless;
    SetUpOptions(false);
    for (auto _ : state) {
        state.PauseTiming();
        ClearModel();
        ::malloc_trim(0);
        headless.ClearLog();
        state.ResumeTiming();
        if (!Load()) state.SkipWithError("not loaded");
    }
    if (SceneFaces.size() != 2u * Columns * Rows) state.SkipWithError("wrong face count");
    ClearModel();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.bytes));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- Writing --------------------------------------------------------------

void BM_PlainWrite(benchmark::State& state) {
    Headless headless;
    SetUpOptions(false);
    Load();
    WriteEveryOutput();
    std::vector<std::pair<std::string, std::string>> outputs;
    std::size_t bytes = 0;
    for (const fs::path& p : OutputFiles()) {
        outputs.emplace_back(p.string() + ".plain", fixtures::ReadFileBytes(p.string()));
        bytes += outputs.back().second.size();
    }
    ClearModel();
    for (auto _ : state) {
        for (const auto& [name, text] : outputs) {
            std::FILE* f = std::fopen(name.c_str(), "wb");
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }
    for (const auto& [name, text] : outputs) std::remove(name.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_WriteEveryOutput(benchmark::State& state) {
    Headless headless;
    SetUpOptions(false);
    Load();
    for (auto _ : state) {
        state.PauseTiming();
        headless.ClearLog();
        state.ResumeTiming();
        WriteEveryOutput();
    }
    std::size_t bytes = 0;
    for (const fs::path& p : OutputFiles()) bytes += fs::file_size(p);
    ClearModel();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteEveryOutput)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole conversion: load, then every output.
void BM_Conversion(benchmark::State& state) {
    Headless headless;
    SetUpOptions(false);
    for (auto _ : state) {
        state.PauseTiming();
        ClearModel();
        headless.ClearLog();
        state.ResumeTiming();
        Load();
        WriteEveryOutput();
    }
    ClearModel();
}
BENCHMARK(BM_Conversion)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- Memory ---------------------------------------------------------------

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
int64_t StatusBytes(std::string_view field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, field.size(), field) == 0 && line.size() > field.size() && line[field.size()] == ':')
            return std::stoll(line.substr(field.size() + 1)) * 1024;
    return -1;
}

template <typename T>
int64_t Bytes(const std::vector<T>& v) {
    return static_cast<int64_t>(v.size() * sizeof(T));
}
int64_t Bytes(const tfacetable& t) { return Bytes(t.offsets) + Bytes(t.faces); }

// In a fresh process (the plain read, the OBJ reader, or the whole load):
// the growth of the resident memory (its peak less what
// the process held before) while the file is read or loaded, the bytes of
// the arrays the model holds afterwards, and the time it took (a first load
// in a process, whose memory is all new). Prints "peak arrays milliseconds".
int PeakChild(std::string_view what) {
    Headless headless;
    SetUpOptions(false);
    const ModelFiles& files = Files();  // the parent's files
    const int64_t before = StatusBytes("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    int64_t arrays = 0;
    if (what == "plain") {
        std::unique_ptr<char[]> buffer;
        arrays = static_cast<int64_t>(PlainRead(files, buffer));
    } else if (what == "read") {
        Scene.modelFile = files.obj;
        Scene.mtlFile = (files.folder / "grid.mtl").string();
        ReadOBJ(Scene);
        arrays = Bytes(ImportVertices) + Bytes(ImportNormals) + Bytes(ImportUVs) + Bytes(ImportFaces);
    } else {
        Load();
        arrays = Bytes(SceneVertices) + Bytes(SceneNormals) + Bytes(SceneUVs) + Bytes(SceneFaces) +
                 Bytes(VertexFaceTable) + Bytes(UVFaceTable) + Bytes(MaterialFaceTable);
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double systemMs = static_cast<double>(usage.ru_stime.tv_sec) * 1e3 + usage.ru_stime.tv_usec / 1e3;
    std::printf("%lld %lld %.1f %.1f\n", static_cast<long long>(StatusBytes("VmHWM") - before),
                static_cast<long long>(arrays), milliseconds, systemMs);
    return 0;
}

std::string SelfPath;

void BM_PeakMemory(benchmark::State& state) {
    const char* what = state.range(0) == 0 ? "plain" : state.range(0) == 1 ? "read" : "load";
    const ModelFiles& files = Files();
    long long peak = 0, arrays = 0;
    double milliseconds = 0, systemMs = 0, totalMs = 0;
    for (auto _ : state) {
        const std::string command = "'" + SelfPath + "' --peak " + what + " '" + files.folder.string() + "'";
        std::FILE* p = ::popen(command.c_str(), "r");
        if (!p || std::fscanf(p, "%lld %lld %lf %lf", &peak, &arrays, &milliseconds, &systemMs) != 4)
            state.SkipWithError("no figures");
        if (p) ::pclose(p);
        totalMs += milliseconds;
    }
    // The time of a first load in a new process (averaged), and the time
    // that process spent in the system (page faults, reading).
    state.counters["fresh_ms"] = totalMs / static_cast<double>(state.iterations());
    state.counters["fresh_sys_ms"] = systemMs;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["arrays_MB"] = static_cast<double>(arrays) / 1e6;
    state.counters["ratio"] = arrays > 0 ? static_cast<double>(peak) / static_cast<double>(arrays) : 0;
}
BENCHMARK(BM_PeakMemory)->ArgName("plain_read_load")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- Output hashes --------------------------------------------------------

// In a fresh process, so that nothing of the benchmarks run before is left
// in the model or the options. The model's folder differs from run to run:
// it is taken out of the texts before they are hashed.
int PrintOutputHashes() {
    const std::string folder = Files().folder.string();
    for (bool alternative : {false, true}) {
        Headless headless;
        SetUpOptions(alternative);
        for (const fs::path& p : OutputFiles()) fs::remove(p);
        Load();
        WriteEveryOutput();
        for (const fs::path& p : OutputFiles()) {
            const std::string text = fixtures::WithoutFolder(fixtures::ReadFileBytes(p.string()), folder);
            std::fprintf(stderr, "output %s %s %zu %016llx\n", alternative ? "other" : "default",
                         p.filename().c_str(), text.size(), static_cast<unsigned long long>(fixtures::Fnv1a(text)));
        }
        ClearModel();
    }
    return 0;
}

}  // namespace

// Also the child of the memory benchmark ("--peak read|load FOLDER") and of
// the output hashes ("--hashes FOLDER").
int main(int argc, char** argv) {
    SelfPath = fs::canonical("/proc/self/exe").string();
    if (argc == 4 && std::string_view(argv[1]) == "--peak") {
        ParentFolder = argv[3];
        return PeakChild(argv[2]);
    }
    if (argc == 3 && std::string_view(argv[1]) == "--hashes") {
        ParentFolder = argv[2];
        return PrintOutputHashes();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The hashes of the outputs; MIRELAN_NO_HASHES=1 leaves them out.
    if (!std::getenv("MIRELAN_NO_HASHES")) {
        std::fflush(stdout);
        const std::string command = "'" + SelfPath + "' --hashes '" + Files().folder.string() + "'";
        return std::system(command.c_str()) == 0 ? 0 : 1;
    }
    return 0;
}
