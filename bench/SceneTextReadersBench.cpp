// The VRML and POV-Ray mesh readers on large generated files (32 and 128 MB
// of text): time per megabyte, and the peak memory of one read against the
// size of the text (counter "peak_per_text": how far the process's resident
// set rose during the read, divided by the text size; it takes in the model
// lists the read fills). The token list costs eight bytes
// per token, so the peak stays a small multiple of the text, whatever its
// size.
//
// The scene imports on the texts of an attack: a packed Poser scene that
// unpacks to one line of 100 MiB of one-letter words (unpacked once, then
// read by the material, camera and light passes as "Poser Scene..." does),
// the same text as a hundred MiB of tiny material blocks, and a plain
// DAZ|Studio script of one line of 50 MiB (read by the light and camera
// readers). The text is mapped, not copied, so "peak_per_text" is about the
// text's own pages.
//
// Scenes of many lights or cameras: a Poser scene of short light blocks (the
// three passes of the import) and DAZ|Studio scripts of many lights or many
// cameras; the lights of a Poser scene whose file name has 226 letters,
// imported (each light named after the file) and then saved as the
// end-to-end driver saves, and the cameras of a DAZ|Studio script of 240
// letters. Each keeps its records, so besides "peak_MB" the counter
// "records_MB" gives the bytes of the records kept (lights and cameras with
// their names) and "lists_MB" those that the lists of the light selector and
// the camera presets hold of their own (none: they list the records): a read
// that keeps one copy of them peaks near text_MB + records_MB + lists_MB.
// The material pass of a scene whose blocks each load a model material gives
// its peak per material loaded ("per_matched_B").
//
// The light pass of "Poser Scene..." over a scene of lights of which every
// other is switched off, which it leaves out, timed for two counts.
//
// The rows whose time must grow in proportion to their input are timed in
// CPU seconds against a control of the same size that lacks what the row
// attacks: "x_control" is the row's time over the control's, and a ratio
// above 2 labels the row "RATIO ABOVE 2" (and is printed on stderr), so that
// a time that grows with the square shows as a ratio.
//
// The material matching of a Poser scene: N model materials and a scene of N
// material blocks of the same names, once with distinct names (the control)
// and once with names that differ only in letter case (the matching ignores
// case). Every other block names a colour map that the model's materials do
// not have, so that it matches none: it is compared with every material it
// could take; the others are taken. Then the colour rule of scenes below
// version 5 on its edge: N black materials of one name (in letter case
// variants, or with the suffixes ":1" to ":99") and N blocks of that name 0.1
// away from black, below version 5 and from version 5 on, against the same
// with a name of its own for each material and block. And the colour rule
// with many colours: N materials of one name whose colours are the points of
// the 8-bit lattice between 25.5 and 26.5 steps from a grey, and N blocks of
// that name within a millionth of the grey, each just beyond 0.1 of every
// material, against the same blocks far from every colour.
//
// Models of many objects: a 3DS file of N objects and an LWO file of N point
// lists, of 100 points each, against the same points in 200 objects or lists
// (a 3DS object holds at most 65,535 points);
// an LWO file of N clips and N surfaces, each taking its image from a clip of
// its own, against clips and surfaces of one index.
//
// "Poser Scene..." on a model whose M materials name maps missing from the
// model's folder of F files, against the same in a folder of ten files.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchSetup.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "readers/Gzip.h"
#include "readers/LwoReader.h"
#include "readers/PoserReader.h"
#include "readers/PovMeshReader.h"
#include "readers/ThreeDSReader.h"
#include "readers/VrmlReader.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"

namespace {

constexpr std::size_t MB = 1048576;

// A grid of quads as one indexed face set, about `megabytes` MB.
std::string VrmlGrid(std::size_t megabytes) {
    std::string text = "#VRML V2.0 utf8\nShape { appearance Appearance { material Material { diffuseColor 1 0 0 } }\n"
                       "geometry IndexedFaceSet { coord Coordinate { point [\n";
    const std::size_t target = megabytes * MB;
    // Points take about 45 % of such a file, the quads the rest.
    const int width = 1000;
    int rows = 0;
    std::size_t pointBytes = 0;
    while (pointBytes < target * 45 / 100) {
        for (int x = 0; x < width; ++x) {
            const std::size_t before = text.size();
            AppendFloatText(text, x * 0.013);
            text += ' ';
            AppendFloatText(text, rows * 0.021);
            text += ' ';
            AppendFloatText(text, (x * rows % 97) * 0.001);
            text += ",\n";
            pointBytes += text.size() - before;
        }
        ++rows;
    }
    text += "] }\ncoordIndex [\n";
    for (int r = 0; r + 1 < rows; ++r)
        for (int x = 0; x + 1 < width; ++x) {
            const int a = r * width + x;
            text += std::to_string(a) + ' ' + std::to_string(a + 1) + ' ' + std::to_string(a + width + 1) + ' ' +
                    std::to_string(a + width) + " -1,\n";
        }
    text += "] } }\n";
    return text;
}

// The same grid as a mesh2 in the layout of the geometry include.
std::string Mesh2Grid(std::size_t megabytes) {
    const std::size_t target = megabytes * MB;
    const int width = 1000;
    const int rows = static_cast<int>(target / 90 / width) + 2;
    std::string text = "#declare grid_=mesh2{\nvertex_vectors{\n" + std::to_string(rows * width) + ",\n";
    for (int r = 0; r < rows; ++r)
        for (int x = 0; x < width; ++x) {
            text += '<';
            AppendFloatText(text, x * 0.013);
            text += ',';
            AppendFloatText(text, r * 0.021);
            text += ',';
            AppendFloatText(text, (x * r % 97) * 0.001);
            text += ">,\n";
        }
    text += "}\nface_indices{\n" + std::to_string((rows - 1) * (width - 1) * 2) + ",\n";
    for (int r = 0; r + 1 < rows; ++r)
        for (int x = 0; x + 1 < width; ++x) {
            const int a = r * width + x;
            text += '<' + std::to_string(a) + ',' + std::to_string(a + 1) + ',' + std::to_string(a + width + 1) +
                    ">,\n<" + std::to_string(a) + ',' + std::to_string(a + width + 1) + ',' + std::to_string(a + width) +
                    ">,\n";
        }
    text += "}\ninside_vector <0,0,1> }\n";
    return text;
}

// A figure of /proc/self/status in bytes: "VmHWM:" the peak resident set
// since the last ResetPeak, "VmRSS:" the resident set now.
std::size_t StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return static_cast<std::size_t>(std::stoull(line.substr(6))) * 1024;
    return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One run of the benchmark: `prepare`, not timed, then `read`, timed; how
// far the resident set rose during `read` (the memory freed before it given
// back, so that the rise is the read's own).
template <typename Prepare, typename Read>
double PeakRise(benchmark::State& state, Prepare&& prepare, Read&& read) {
    state.PauseTiming();
    prepare();
    malloc_trim(0);
    ResetPeak();
    const double before = static_cast<double>(StatusBytes("VmRSS:"));
    state.ResumeTiming();
    read();
    state.PauseTiming();
    const double peak = static_cast<double>(StatusBytes("VmHWM:")) - before;
    state.ResumeTiming();
    return peak;
}

// Writes the text into a file of its own and frees it: the reader holds the
// only copy of the file while it reads.
std::string WriteFile(std::string&& text, const char* name, std::size_t& size) {
    const std::string file = (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + name)).string();
    std::ofstream(file, std::ios::binary) << text;
    size = text.size();
    std::string().swap(text);
    return file;
}

template <typename Read>
void RunReader(benchmark::State& state, std::string text, const char* name, Read read) {
    std::size_t size = 0;
    const std::string file = WriteFile(std::move(text), name, size);
    fixtures::ResetModel();
    Scene.modelFile = file;
    ResetOptionsToDefaults();
    double peak = 0;
    const auto clear = [] {
        ClearModel();
        std::vector<tvertex>().swap(ImportVertices);
        std::vector<tnormal>().swap(ImportNormals);
        std::vector<tuv>().swap(ImportUVs);
        std::vector<tface>().swap(ImportFaces);
        ClearImportLists();
    };
    for (auto _ : state) peak = PeakRise(state, clear, read);
    std::filesystem::remove(Scene.modelFile);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["text_MB"] = static_cast<double>(size) / MB;
    state.counters["peak_per_text"] = peak / static_cast<double>(size);
    state.counters["faces"] = static_cast<double>(ImportFaces.size());
}

void BM_ReadVRMLGrid(benchmark::State& state) {
    RunReader(state, VrmlGrid(static_cast<std::size_t>(state.range(0))), "_grid.wrl", [] { ReadVRML(Scene); });
}
BENCHMARK(BM_ReadVRMLGrid)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReadPOVMesh2Grid(benchmark::State& state) {
    RunReader(state, Mesh2Grid(static_cast<std::size_t>(state.range(0))), "_grid.inc", [] { ReadPOVMesh(Scene); });
}
BENCHMARK(BM_ReadPOVMesh2Grid)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond)->Iterations(2);

// One line of one-letter words, about `megabytes` MiB.
std::string OneLongLine(std::size_t megabytes) {
    std::string text;
    text.reserve(megabytes * MB + 2);
    while (text.size() < megabytes * MB) text += "x ";
    text += '\n';
    return text;
}

// Tiny material blocks ("material SKIN" and one line), about `megabytes` MiB.
std::string TinyMaterialBlocks(std::size_t megabytes) {
    std::string text;
    text.reserve(megabytes * MB + 16);
    while (text.size() < megabytes * MB) text += "material SKIN\nx\n";
    return text;
}

// The text packed with gzip into a file of its own; `size` is the text's.
std::string WritePacked(std::string&& text, const char* name, std::size_t& size) {
    const std::string file = (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + name)).string();
    gzFile gz = gzopen(file.c_str(), "wb9");
    for (std::size_t at = 0; at < text.size(); at += 1 << 30)
        gzwrite(gz, text.data() + at, static_cast<unsigned>(std::min<std::size_t>(text.size() - at, 1 << 30)));
    gzclose(gz);
    size = text.size();
    std::string().swap(text);
    return file;
}

// The heap a text takes beyond its own object.
std::size_t HeldBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }

// The bytes of the lights and cameras kept, with their names.
std::size_t RecordBytes() {
    std::size_t bytes = Lights.size() * sizeof(tlight) + Cameras.size() * sizeof(tcamera);
    for (const tlight& l : Lights) bytes += HeldBytes(l.name.str());
    for (const tcamera& c : Cameras) bytes += HeldBytes(c.name.str());
    return bytes;
}

// The bytes the lists of the light selector and the camera presets hold of
// their own.
std::size_t ListBytes() {
    std::size_t bytes = 0;
    for (const std::vector<std::string>* list : {&Form1.ComboBox2.items, &Form1.ComboBox8.items})
        for (const std::string& name : *list) bytes += sizeof(std::string) + HeldBytes(name);
    return bytes;
}

template <typename Read>
void RunImport(benchmark::State& state, const std::string& file, std::size_t size, Read read) {
    fixtures::ResetModel();
    Scene.extents.diagonal = 10;
    ResetOptionsToDefaults();
    tmaterial skin;
    NewMaterial(skin);
    skin.name = "SKIN";
    double peak = 0;
    const auto clear = [&] {
        std::vector<tlight>().swap(Lights);
        std::vector<tcamera>().swap(Cameras);
        std::vector<std::string>().swap(Form1.ComboBox2.items);
        std::vector<std::string>().swap(Form1.ComboBox8.items);
        SceneMaterials.assign(1, skin);
    };
    for (auto _ : state) peak = PeakRise(state, clear, [&] { read(file); });
    std::filesystem::remove(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["text_MB"] = static_cast<double>(size) / MB;
    state.counters["peak_MB"] = peak / MB;
    state.counters["peak_per_text"] = peak / static_cast<double>(size);
    state.counters["records_MB"] = static_cast<double>(RecordBytes()) / MB;
    state.counters["lists_MB"] = static_cast<double>(ListBytes()) / MB;
}

// The three passes of the Poser scene import over one unpacked file.
void ImportPoserScene(const std::string& file) {
    const ScopedTempFile unpacked(UncompressGzipToTempFile(file, ".pz3"));
    ReadPoserMaterials(unpacked.path());
    tposercameravalues values{};
    ReadPoserCameras(unpacked.path(), values);
    ReadPoserLights(unpacked.path());
}

void BM_ImportPackedPoserSceneOfOneLine(benchmark::State& state) {
    std::size_t size = 0;
    const std::string file = WritePacked(OneLongLine(static_cast<std::size_t>(state.range(0))), "_line.pzz", size);
    RunImport(state, file, size, ImportPoserScene);
}
BENCHMARK(BM_ImportPackedPoserSceneOfOneLine)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ImportPackedPoserSceneOfTinyBlocks(benchmark::State& state) {
    std::size_t size = 0;
    const std::string file =
        WritePacked(TinyMaterialBlocks(static_cast<std::size_t>(state.range(0))), "_blocks.pzz", size);
    RunImport(state, file, size, ImportPoserScene);
}
BENCHMARK(BM_ImportPackedPoserSceneOfTinyBlocks)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

// The import of a plain file of the text.
template <typename Read>
void RunFileImport(benchmark::State& state, std::string&& text, const char* name, Read read) {
    std::size_t size = 0;
    const std::string file = WriteFile(std::move(text), name, size);
    RunImport(state, file, size, read);
}

void BM_ReadDazScriptOfOneLine(benchmark::State& state) {
    RunFileImport(state, "function createLight() {\n" + OneLongLine(static_cast<std::size_t>(state.range(0))),
                  "_line.ds", [](const std::string& f) {
                      ReadDazLights(f);
                      ReadDazCameras(f);
                  });
}
BENCHMARK(BM_ReadDazScriptOfOneLine)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1);

// Short Poser light blocks, about `megabytes` MiB: each a light that is on.
std::string ManyPoserLights(std::size_t megabytes) {
    std::string text;
    text.reserve(megabytes * MB + 32);
    while (text.size() < megabytes * MB) text += "light L\nname L\nlightOn 1\n";
    return text;
}

// The three passes of the Poser scene import over a plain scene file.
void ReadPoserScenePasses(const std::string& file) {
    ReadPoserMaterials(file);
    tposercameravalues values{};
    ReadPoserCameras(file, values);
    ReadPoserLights(file);
}

void BM_ImportPoserSceneOfManyLights(benchmark::State& state) {
    RunFileImport(state, ManyPoserLights(static_cast<std::size_t>(state.range(0))), "_lights.pz3",
                  ReadPoserScenePasses);
}
BENCHMARK(BM_ImportPoserSceneOfManyLights)->Arg(22)->Unit(benchmark::kMillisecond)->Iterations(1);

// "Poser Scene..."'s light pass over a scene of N lights of which every other
// is switched off, which the import leaves out: the time grows with N.
void BM_ImportPoserLightsSwitchedOff(benchmark::State& state) {
    std::string text;
    for (int64_t i = 0; i < state.range(0); ++i) (text += "light L\nname L\nlightOn ") += i % 2 ? "0\n" : "1\n";
    std::size_t size = 0;
    const std::string file = WriteFile(std::move(text), "_off.pz3", size);
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    for (auto _ : state) LoadPoserLights(file);
    std::filesystem::remove(file);
    state.counters["lights"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ImportPoserLightsSwitchedOff)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A DAZ|Studio script of short declarations and property lines, about
// `megabytes` MiB: lights of three properties, or cameras of two.
std::string ManyDazItems(std::size_t megabytes, bool cameras) {
    const std::string declaration = cameras ? "[ \"C\", DzBasicCamera ],\n" : "[ \"L\", DzPointLight ],\n";
    const std::string properties = cameras ? "set( \"XTranslate\", 0, 240 );\nset( \"Focal Length\", 0, 50 );\n"
                                           : "set( \"XTranslate\", 0, 240 );\nset( \"Intensity\", 0, 0.5 );\n"
                                             "set( \"Color\", 0, 1, 255, 127, 0 );\n";
    const std::size_t count = megabytes * MB / (declaration.size() + properties.size());
    std::string text = cameras ? "var m_aNewCameras = [\n" : "var m_aNewLights = [\n";
    text.reserve(megabytes * MB + 256);
    for (std::size_t i = 0; i < count; ++i) text += declaration;
    text += cameras ? "];\nfunction createCamera( oCamera, nCamera ) {\n" : "];\nfunction createLight( oLight, nLight ) {\n";
    for (std::size_t i = 0; i < count; ++i) text += properties;
    text += "default:\n}\n";
    return text;
}

void BM_ReadDazScriptOfManyLights(benchmark::State& state) {
    RunFileImport(state, ManyDazItems(static_cast<std::size_t>(state.range(0)), false), "_lights.ds", ReadDazLights);
}
BENCHMARK(BM_ReadDazScriptOfManyLights)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ReadDazScriptOfManyCameras(benchmark::State& state) {
    RunFileImport(state, ManyDazItems(static_cast<std::size_t>(state.range(0)), true), "_cameras.ds", ReadDazCameras);
}
BENCHMARK(BM_ReadDazScriptOfManyCameras)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(1);

// A file of the text in the temporary folder, removed with this object.
class BenchFile {
public:
    BenchFile(std::string&& text, const std::string& name) : path_(WriteFile(std::move(text), name.c_str(), size_)) {}
    ~BenchFile() { std::filesystem::remove(path_); }
    BenchFile(const BenchFile&) = delete;
    BenchFile& operator=(const BenchFile&) = delete;
    const std::string& path() const { return path_; }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
    std::string path_;
};

// The name of material i: the i-th variant in letter case of one word of 17
// letters, or a name of its own.
std::string MaterialName(std::size_t i, bool caseVariants) {
    if (!caseVariants) return "material" + std::to_string(i);
    std::string name = "abcdefghijklmnopq";
    for (std::size_t bit = 0; bit < name.size(); ++bit)
        if ((i >> bit) & 1) name[bit] = static_cast<char>(name[bit] - 'a' + 'A');
    return name;
}

// A model material of that name, colour map and diffuse colour.
tmaterial ModelMaterial(const std::string& name, const char* colorMap, const tvector& diffuse) {
    tmaterial m;
    NewMaterial(m);
    m.name = name;
    m.colorMap = colorMap;
    m.diffuse = diffuse;
    return m;
}

// The seconds of "Poser Scene..."'s material pass over `file` on the model
// materials `model`; `matched` counts those it loaded.
double TimeMatching(const std::vector<tmaterial>& model, const std::string& file, std::size_t& matched) {
    const double seconds = bench::TimeOnce([&] { SceneMaterials = model; }, [&] { ReadPoserMaterials(file); });
    matched = 0;
    for (const tmaterial& m : SceneMaterials) matched += m.blend == 1.0 ? 1 : 0;
    return seconds;
}

// N model materials and a scene of N material blocks of the same names, of
// which every other names a colour map the model's materials do not have.
double MatchNames(std::size_t n, bool caseVariants, std::size_t& matched) {
    std::string text;
    std::vector<tmaterial> model;
    for (std::size_t i = 0; i < n; ++i) {
        text += "material " + MaterialName(i, caseVariants) + "\n{\nKdColor 1 1 1 1\n" +
                (i % 2 ? "textureMap \"skin.jpg\"\n}\n" : "}\n");
        model.push_back(ModelMaterial(MaterialName(i, caseVariants), "", {1, 1, 1}));
    }
    const BenchFile file(std::move(text), caseVariants ? "_variants.pz3" : "_distinct.pz3");
    return TimeMatching(model, file.path(), matched);
}

void MatchPoserMaterials(benchmark::State& state, bool caseVariants) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::size_t matched = 0;
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = MatchNames(n, caseVariants, matched));
    state.counters["materials"] = static_cast<double>(n);
    state.counters["matched"] = static_cast<double>(matched);
    if (caseVariants)
        bench::CompareWithControl(state, "case variants of " + std::to_string(n), seconds,
                                  MatchNames(n, false, matched));
}

void BM_MatchPoserMaterialsOfDistinctNames(benchmark::State& state) { MatchPoserMaterials(state, false); }
BENCHMARK(BM_MatchPoserMaterialsOfDistinctNames)->UseManualTime()->Arg(10000)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MatchPoserMaterialsOfCaseVariants(benchmark::State& state) { MatchPoserMaterials(state, true); }
BENCHMARK(BM_MatchPoserMaterialsOfCaseVariants)->UseManualTime()->Arg(10000)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The colour rule of scenes below version 5 on its edge: N model materials
// of black, of one name in letter case variants (or, with suffixes, of that
// name and ":1" to ":99"), and N blocks of that name in a colour exactly 0.1
// away from black, which the rule does not match (below version 5 no block
// is taken; from version 5 on, where names and maps decide, every block
// is). The control gives every material and block a name of its own.
double MatchColoursAtTheTolerance(std::size_t n, int version, bool suffixes, bool distinct, std::size_t& matched) {
    std::string text = "version\n{\nnumber " + std::to_string(version) + "\n}\n";
    std::vector<tmaterial> model;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = distinct ? MaterialName(i, false) : "abcdefghijklmnopq";
        text += "material " + name + "\n{\nKdColor 0.1 0 0 1\ntextureMap skin.jpg\n}\n";
        const std::string own = distinct ? name : MaterialName(i, true);
        model.push_back(ModelMaterial(suffixes ? own + ":" + std::to_string(1 + i % 99) : own, "skin.jpg", {0, 0, 0}));
    }
    const BenchFile file(std::move(text), distinct ? "_tenth_distinct.pz3" : "_tenth.pz3");
    return TimeMatching(model, file.path(), matched);
}

// A matching of n materials, timed by `match` (true: its control) beside
// its control.
template <typename Match>
void MatchAgainstControl(benchmark::State& state, std::size_t n, const std::string& row, Match&& match) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    std::size_t matched = 0;
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = match(false, matched));
    state.counters["materials"] = static_cast<double>(n);
    state.counters["matched"] = static_cast<double>(matched);
    std::size_t controlMatched = 0;
    bench::CompareWithControl(state, row, seconds, match(true, controlMatched));
}

void BM_MatchPoserColoursAtTheTolerance(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const int version = static_cast<int>(state.range(1));
    const bool suffixes = state.range(2) != 0;
    MatchAgainstControl(state, n,
                        "colours 0.1 apart, version " + std::to_string(version) +
                            (suffixes ? ", suffixes, " : ", ") + std::to_string(n),
                        [&](bool distinct, std::size_t& matched) {
                            return MatchColoursAtTheTolerance(n, version, suffixes, distinct, matched);
                        });
}
BENCHMARK(BM_MatchPoserColoursAtTheTolerance)
    ->UseManualTime()
    ->ArgNames({"n", "version", "suffixes"})
    ->ArgsProduct({{10000, 80000}, {4, 5}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The colour rule on its edge with many colours: N model materials of one
// name in letter case variants, their colours the points of the 8-bit
// lattice (as a load leaves them) between 25.5 and 26.5 steps of grey 128,
// each about N / 8,500 times; and N blocks of that name in colours within a
// millionth of that grey, each just beyond 0.1 of every material, so that
// below version 5 none is taken (from version 5 on every one is). The
// control puts the blocks' colour far from every material.
double MatchColoursBeyondTheTolerance(std::size_t n, int version, bool far, std::size_t& matched) {
    std::vector<tvector> shell;
    for (int a = -26; a <= 26; ++a)
        for (int b = -26; b <= 26; ++b)
            for (int c = -26; c <= 26; ++c)
                if (const int d = a * a + b * b + c * c; d > 650 && d <= 702)
                    shell.push_back({(128 + a) / 255.0, (128 + b) / 255.0, (128 + c) / 255.0});
    std::string text = "version\n{\nnumber " + std::to_string(version) + "\n}\n";
    std::vector<tmaterial> model;
    for (std::size_t i = 0; i < n; ++i) {
        char grey[32];
        const double value = far ? 3.0 : 128 / 255.0 + static_cast<double>(i % 997) * 1e-9;
        *std::to_chars(grey, grey + sizeof grey - 1, value).ptr = '\0';
        text += "material abcdefghijklmnopq\n{\nKdColor " + std::string(grey) + " " + grey + " " + grey +
                " 1\ntextureMap skin.jpg\n}\n";
        model.push_back(ModelMaterial(MaterialName(i, true), "skin.jpg", shell[i % shell.size()]));
    }
    const BenchFile file(std::move(text), far ? "_shell_far.pz3" : "_shell.pz3");
    return TimeMatching(model, file.path(), matched);
}

void BM_MatchPoserColoursBeyondTheTolerance(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const int version = static_cast<int>(state.range(1));
    MatchAgainstControl(state, n, "colours beyond 0.1, version " + std::to_string(version) + ", " + std::to_string(n),
                        [&](bool far, std::size_t& matched) {
                            return MatchColoursBeyondTheTolerance(n, version, far, matched);
                        });
}
BENCHMARK(BM_MatchPoserColoursBeyondTheTolerance)
    ->UseManualTime()
    ->ArgNames({"n", "version"})
    ->ArgsProduct({{10000, 100000}, {4, 5}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// ---- Models of many objects ----------------------------------------------------

std::string Le16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16)); }
std::string Be16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string Be32(uint32_t v) { return Be16(static_cast<uint16_t>(v >> 16)) + Be16(static_cast<uint16_t>(v & 0xFFFF)); }
std::string Chunk3DS(uint16_t id, const std::string& data) {
    return Le16(id) + Le32(static_cast<uint32_t>(6 + data.size())) + data;
}
std::string ChunkIff(const char* tag, const std::string& data) {
    return tag + Be32(static_cast<uint32_t>(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

// Points on a circle and a fan of triangles over them, through `corner`
// (the file's corner index) and `coordinate` (its float).
template <typename Corner, typename Coordinate>
void Fan(std::size_t points, std::string& vertices, std::string& faces, Corner&& corner, Coordinate&& coordinate) {
    for (std::size_t p = 0; p < points; ++p) {
        const double a = 6.283185307179586 * static_cast<double>(p) / static_cast<double>(points);
        vertices += coordinate(static_cast<float>(std::cos(a))) + coordinate(static_cast<float>(std::sin(a))) +
                    coordinate(0.0f);
    }
    for (std::size_t p = 1; p + 1 < points; ++p)
        faces += corner(0) + corner(static_cast<uint16_t>(p)) + corner(static_cast<uint16_t>(p + 1));
}

std::string LeFloat(float f) { return Le32(std::bit_cast<uint32_t>(f)); }
std::string BeFloat(float f) { return Be32(std::bit_cast<uint32_t>(f)); }

// A 3DS file of `objects` objects of `points` vertices each (about 2 KB an
// object of 100).
std::string Objects3DS(std::size_t objects, std::size_t points) {
    std::string editor;
    for (std::size_t o = 0; o < objects; ++o) {
        std::string vertices, faces;
        Fan(points, vertices, faces, [](uint16_t c) { return Le16(c); }, LeFloat);
        std::string faceList = Le16(static_cast<uint16_t>(points - 2));
        for (std::size_t f = 0; f + 2 < points; ++f) faceList += faces.substr(f * 6, 6) + Le16(7);
        const std::string mesh = Chunk3DS(0x4110, Le16(static_cast<uint16_t>(points)) + vertices) +
                                 Chunk3DS(0x4120, faceList);
        editor += Chunk3DS(0x4000, "object" + std::to_string(o) + '\0' + Chunk3DS(0x4100, mesh));
    }
    return Chunk3DS(0x4D4D, Chunk3DS(0x3D3D, editor));
}

// An LWO2 file of `lists` point lists of `points` points, each with its
// polygons.
std::string PointListsLWO(std::size_t lists, std::size_t points) {
    std::string chunks = "LWO2" + ChunkIff("TAGS", std::string("Default\0", 8));
    for (std::size_t l = 0; l < lists; ++l) {
        std::string vertices, faces;
        Fan(points, vertices, faces, [](uint16_t c) { return Be16(c); }, BeFloat);
        std::string polygons = "FACE";
        for (std::size_t f = 0; f + 2 < points; ++f) polygons += Be16(3) + faces.substr(f * 6, 6);
        chunks += ChunkIff("PNTS", vertices) + ChunkIff("POLS", polygons);
    }
    return ChunkIff("FORM", chunks);
}

// The read of a model file of the text by `read`, in CPU seconds.
template <typename Read>
double TimeModelRead(std::string&& text, const char* name, Read&& read, std::size_t& faces) {
    const BenchFile file(std::move(text), name);
    const double seconds = bench::TimeOnce(
        [&] {
            ClearModel();
            ClearImportLists();
            std::vector<tvertex>().swap(ImportVertices);
            std::vector<tface>().swap(ImportFaces);
            Scene.modelFile = file.path();
        },
        [&] { read(Scene); });
    faces = ImportFaces.size();
    return seconds;
}

// A model of N objects (3DS) or point lists (LWO) of 100 points each, and
// the control: the same points and faces in 200 objects or lists, each
// within the 65,535 points a 3DS object can hold.
constexpr std::size_t ControlObjects = 200;
template <typename Make, typename Read>
void ReadManyObjects(benchmark::State& state, Make&& make, const char* name, Read&& read) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    const std::size_t n = static_cast<std::size_t>(state.range(0)), points = 100;
    std::size_t faces = 0;
    double seconds = 0;
    TimeModelRead(make(ControlObjects, n * points / ControlObjects), name, read, faces);  // warms the heap up for both
    for (auto _ : state) state.SetIterationTime(seconds = TimeModelRead(make(n, points), name, read, faces));
    state.counters["objects"] = static_cast<double>(n);
    state.counters["faces"] = static_cast<double>(faces);
    const double control = TimeModelRead(make(ControlObjects, n * points / ControlObjects), name, read, faces);
    bench::CompareWithControl(state, std::string(name) + " of " + std::to_string(n) + " objects", seconds, control);
}

void BM_Read3DSOfManyObjects(benchmark::State& state) { ReadManyObjects(state, Objects3DS, "_objects.3ds", Read3DS); }
BENCHMARK(BM_Read3DSOfManyObjects)->UseManualTime()->Apply(bench::AuthoredCounts);

void BM_ReadLWOOfManyPointLists(benchmark::State& state) {
    ReadManyObjects(state, PointListsLWO, "_lists.lwo", [](tscene& scene) { ReadLWO(scene, -1); });
}
BENCHMARK(BM_ReadLWOOfManyPointLists)->UseManualTime()->Apply(bench::AuthoredCounts);

// An LWO2 file of N clips, then N surfaces whose texture block takes its
// image from clip i, or, as the control, from the last clip.
std::string ClipsLWO(std::size_t n, bool lastClip) {
    const auto s0 = [](const std::string& text) { return text + (text.size() % 2 ? std::string(1, '\0') : std::string(2, '\0')); };
    const auto sub = [](const char* tag, const std::string& data) {
        return tag + Be16(static_cast<uint16_t>(data.size())) + data;
    };
    const auto index = [](std::size_t i) { return static_cast<uint16_t>(1 + i % 0xFE00); };
    std::string chunks = "LWO2";
    for (std::size_t i = 0; i < n; ++i)
        chunks += ChunkIff("CLIP", Be32(index(i)) + sub("STIL", s0("c" + std::to_string(i) + ".jpg")));
    const std::string header = sub("IMAP", s0("\x80") + sub("CHAN", "COLR"));
    for (std::size_t i = 0; i < n; ++i)
        chunks += ChunkIff("SURF", s0("s" + std::to_string(i)) + s0("") +
                                       sub("BLOK", header + sub("IMAG", Be16(index(lastClip ? n - 1 : i)))));
    return ChunkIff("FORM", chunks);
}

void BM_ReadLWOOfManyClips(benchmark::State& state) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const auto read = [](tscene& scene) { ReadLWO(scene, -1); };
    std::size_t faces = 0;
    double seconds = 0;
    TimeModelRead(ClipsLWO(n, true), "_clips.lwo", read, faces);  // warms the heap up for both
    for (auto _ : state)
        state.SetIterationTime(seconds = TimeModelRead(ClipsLWO(n, false), "_clips.lwo", read, faces));
    state.counters["clips"] = static_cast<double>(n);
    const double control = TimeModelRead(ClipsLWO(n, true), "_clips.lwo", read, faces);
    bench::CompareWithControl(state, "LWO of " + std::to_string(n) + " clips", seconds, control);
}
BENCHMARK(BM_ReadLWOOfManyClips)->UseManualTime()->Arg(10000)->Arg(60000)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- Missing maps ----------------------------------------------------------------

// Window services of the program as far as the imports' map lookup goes.
class MapCaseHooks : public WindowHooks {
public:
    void MatchMapNameCase() override { ::MatchMapNameCase(); }
};

// "Poser Scene..." on a model of M materials whose colour maps are missing
// from the model's folder, with a scene of no materials: the import looks
// for each map. Timed in a folder of F files, against a folder of ten.
double ImportWithMissingMaps(const std::filesystem::path& folder, std::size_t files, std::size_t maps) {
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < files; ++i) std::ofstream(folder / ("file" + std::to_string(i) + ".jpg"));
    const std::string scene = (folder / "scene.pz3").string();
    std::ofstream(scene) << "version\n{\nnumber 4\n}\n";
    Scene.modelFile = (folder / "model.obj").string();
    std::vector<tmaterial> model;
    for (std::size_t i = 0; i < maps; ++i)
        model.push_back(ModelMaterial("m" + std::to_string(i), ("missing" + std::to_string(i) + ".jpg").c_str(),
                                      {1, 1, 1}));
    const double seconds = bench::TimeOnce([&] { SceneMaterials = model; }, [&] { ::ImportPoserScene(scene); });
    std::filesystem::remove_all(folder);
    return seconds;
}

void BM_ImportMissingMapsInABigFolder(benchmark::State& state) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    MapCaseHooks hooks;
    Services services;
    services.window = &hooks;
    const ScopedServices scoped(services);
    Form3.CheckBox1.checked = Form3.CheckBox2.checked = Form3.CheckBox3.checked = false;
    Form3.Memo1.lines.clear();
    const std::size_t files = static_cast<std::size_t>(state.range(0)), maps = static_cast<std::size_t>(state.range(1));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_maps");
    double seconds = 0;
    for (auto _ : state) state.SetIterationTime(seconds = ImportWithMissingMaps(folder, files, maps));
    const double control = ImportWithMissingMaps(folder, 10, maps);
    state.counters["files"] = static_cast<double>(files);
    state.counters["maps"] = static_cast<double>(maps);
    bench::CompareWithControl(state,
                              std::to_string(maps) + " missing maps among " + std::to_string(files) + " files",
                              seconds, control);
}
BENCHMARK(BM_ImportMissingMapsInABigFolder)
    ->UseManualTime()
    ->Args({5000, 1000})
    ->Args({20000, 4000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// ---- Names that carry the file's name ----------------------------------------

// A file name of about `letters` letters.
std::string LongName(std::size_t letters, const char* extension) { return "_" + std::string(letters, 's') + extension; }

// The lights of a Poser scene named with 226 letters imported (each light is
// named "(" + the file's name + ") " + its own, cut to 100 characters), and
// with the saves of the end-to-end driver after the import.
void ImportLightsOfALongSceneName(benchmark::State& state, bool save) {
    std::size_t size = 0;
    const std::string file = WriteFile(ManyPoserLights(2), LongName(226, ".pz3").c_str(), size);
    const std::filesystem::path out = std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_out");
    std::filesystem::create_directories(out);
    RunImport(state, file, size, [&](const std::string& f) {
        LoadPoserLights(f);
        if (!save) return;
        fixtures::AddCube();
        Scene.modelFile = (out / "figure.obj").string();
        Form2.Edit1.text = out.string();
        Form2.CheckBox1.checked = true;
        SetDefaultOutputNames(Scene.modelFile);
        for (const SaveKind kind : {SaveKind::PovRay, SaveKind::Obj, SaveKind::Moray}) SaveModelFiles(kind);
        SaveYafRayScene();
    });
    std::filesystem::remove_all(out);
}

void BM_ImportPoserLightsOfALongSceneName(benchmark::State& state) { ImportLightsOfALongSceneName(state, false); }
BENCHMARK(BM_ImportPoserLightsOfALongSceneName)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ImportAndSavePoserLightsOfALongSceneName(benchmark::State& state) { ImportLightsOfALongSceneName(state, true); }
BENCHMARK(BM_ImportAndSavePoserLightsOfALongSceneName)->Unit(benchmark::kMillisecond)->Iterations(1);

// The cameras of a DAZ|Studio script named with 240 letters (each camera is
// named its name + "-" + the script's name), in terse lines.
void BM_ReadDazCamerasOfALongScriptName(benchmark::State& state) {
    std::size_t size = 0;
    std::string text = "var m_aNewCameras = [\n";
    const std::string declaration = "[ C DzBasicCamera\n", value = "XTranslate 0 0 1\n";
    const std::size_t count = 2 * MB / (declaration.size() + value.size());
    for (std::size_t i = 0; i < count; ++i) text += declaration;
    text += "];\nfunction createCamera() {\n";
    for (std::size_t i = 0; i < count; ++i) text += value;
    text += "default:\n}\n";
    const std::string file = WriteFile(std::move(text), LongName(240, ".ds").c_str(), size);
    RunImport(state, file, size, ReadDazCameras);
}
BENCHMARK(BM_ReadDazCamerasOfALongScriptName)->Unit(benchmark::kMillisecond)->Iterations(1);

// The material pass of a Poser scene whose N blocks each load a model
// material: the peak over the text beside the model's materials.
void BM_MatchPoserMaterialsMemory(benchmark::State& state) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::string text;
    std::vector<tmaterial> model;
    for (std::size_t i = 0; i < n; ++i) {
        text += "material " + MaterialName(i, false) + "\n{\nKdColor 1 1 1 1\n}\n";
        model.push_back(ModelMaterial(MaterialName(i, false), "", {1, 1, 1}));
    }
    const BenchFile file(std::move(text), "_matched.pz3");
    double peak = 0;
    for (auto _ : state)
        peak = PeakRise(state, [&] { SceneMaterials = model; }, [&] { ReadPoserMaterials(file.path()); });
    std::size_t matched = 0;
    for (const tmaterial& m : SceneMaterials) matched += m.blend == 1.0 ? 1 : 0;
    state.counters["text_MB"] = static_cast<double>(file.size()) / MB;
    state.counters["peak_MB"] = peak / MB;
    state.counters["peak_per_text"] = peak / static_cast<double>(file.size());
    state.counters["matched"] = static_cast<double>(matched);
    state.counters["per_matched_B"] = matched ? peak / static_cast<double>(matched) : 0;
}
BENCHMARK(BM_MatchPoserMaterialsMemory)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
