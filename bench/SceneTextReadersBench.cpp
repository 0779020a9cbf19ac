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
// cameras. Each keeps its records, so besides "peak_MB" the counter
// "records_MB" gives the bytes of the records kept (with their names and the
// lists of the light selector and the camera presets): a read that keeps one
// copy of them peaks near text_MB + records_MB.
//
// The light pass of "Poser Scene..." over a scene of lights of which every
// other is switched off, which it leaves out, timed for two counts.
//
// The material matching of a Poser scene: N model materials and a scene of N
// material blocks of the same names, once with distinct names and once with
// names that differ only in letter case (the matching ignores case), timed.
// Every other block names a colour map that the model's materials do not
// have, so that it matches none: it is compared with every material it
// could take; the others are taken.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/Model.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "readers/Gzip.h"
#include "readers/PoserReader.h"
#include "readers/PovMeshReader.h"
#include "readers/VrmlReader.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/SceneImportController.h"

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
    for (auto _ : state) {
        state.PauseTiming();
        ClearModel();
        std::vector<tvertex>().swap(ImportVertices);
        std::vector<tnormal>().swap(ImportNormals);
        std::vector<tuv>().swap(ImportUVs);
        std::vector<tface>().swap(ImportFaces);
        ClearImportLists();
        malloc_trim(0);  // freed memory goes back, so that the rise is this read's
        ResetPeak();
        const double before = static_cast<double>(StatusBytes("VmRSS:"));
        state.ResumeTiming();
        read();
        state.PauseTiming();
        peak = static_cast<double>(StatusBytes("VmHWM:")) - before;
        state.ResumeTiming();
    }
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

// The bytes of the lights and cameras kept, with their names and the lists
// of the light selector and the camera presets.
std::size_t RecordBytes() {
    std::size_t bytes = Lights.size() * sizeof(tlight) + Cameras.size() * sizeof(tcamera);
    for (const tlight& l : Lights) bytes += HeldBytes(l.name.str());
    for (const tcamera& c : Cameras) bytes += HeldBytes(c.name.str());
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
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<tlight>().swap(Lights);
        std::vector<tcamera>().swap(Cameras);
        std::vector<std::string>().swap(Form1.ComboBox2.items);
        std::vector<std::string>().swap(Form1.ComboBox8.items);
        SceneMaterials.assign(1, skin);
        malloc_trim(0);
        ResetPeak();
        const double before = static_cast<double>(StatusBytes("VmRSS:"));
        state.ResumeTiming();
        read(file);
        state.PauseTiming();
        peak = static_cast<double>(StatusBytes("VmHWM:")) - before;
        state.ResumeTiming();
    }
    std::filesystem::remove(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["text_MB"] = static_cast<double>(size) / MB;
    state.counters["peak_MB"] = peak / MB;
    state.counters["peak_per_text"] = peak / static_cast<double>(size);
    state.counters["records_MB"] = static_cast<double>(RecordBytes()) / MB;
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

// The name of material i: the i-th variant in letter case of one word of 17
// letters, or a name of its own.
std::string MaterialName(std::size_t i, bool caseVariants) {
    if (!caseVariants) return "material" + std::to_string(i);
    std::string name = "abcdefghijklmnopq";
    for (std::size_t bit = 0; bit < name.size(); ++bit)
        if ((i >> bit) & 1) name[bit] = static_cast<char>(name[bit] - 'a' + 'A');
    return name;
}

// N model materials and a scene of N material blocks of the same names.
void MatchPoserMaterials(benchmark::State& state, bool caseVariants) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += "material " + MaterialName(i, caseVariants) + "\n{\nKdColor 1 1 1 1\n" +
                (i % 2 ? "textureMap \"skin.jpg\"\n}\n" : "}\n");
    std::size_t size = 0;
    const std::string file = WriteFile(std::move(text), caseVariants ? "_variants.pz3" : "_distinct.pz3", size);
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    for (auto _ : state) {
        state.PauseTiming();
        SceneMaterials.clear();
        for (std::size_t i = 0; i < n; ++i) {
            tmaterial m;
            NewMaterial(m);
            m.name = MaterialName(i, caseVariants);
            SceneMaterials.push_back(std::move(m));
        }
        state.ResumeTiming();
        ReadPoserMaterials(file);
    }
    std::filesystem::remove(file);
    std::size_t loaded = 0;
    for (const tmaterial& m : SceneMaterials) loaded += m.blend == 1.0 ? 1 : 0;
    state.counters["materials"] = static_cast<double>(n);
    state.counters["matched"] = static_cast<double>(loaded);
}

void BM_MatchPoserMaterialsOfDistinctNames(benchmark::State& state) { MatchPoserMaterials(state, false); }
BENCHMARK(BM_MatchPoserMaterialsOfDistinctNames)->Arg(10000)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MatchPoserMaterialsOfCaseVariants(benchmark::State& state) { MatchPoserMaterials(state, true); }
BENCHMARK(BM_MatchPoserMaterialsOfCaseVariants)->Arg(10000)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
