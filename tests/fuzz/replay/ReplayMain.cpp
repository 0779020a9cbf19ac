// Runs a fuzz target's LLVMFuzzerTestOneInput over kept inputs, without
// libFuzzer: every file of the folders (or the files) named on the command
// line, in name order, then the target's seeds (the whole files of its
// format that its LLVMFuzzerInitialize writes into an empty corpus). The
// test command runs it in its sanitizer build over the inputs the fuzzers
// found, so that a fault they found once fails there if it comes back, and
// the seeds make every target's run reach its reader even where no input
// was kept. A missing folder is no input; a target that gives no seed fails
// the run (it would test nothing), and so does an input that takes more
// than a minute (a hang).
#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

// As the fuzzers run with a memory limit, an allocation of more than 256 MB
// from one of these small inputs is a size bomb: the sanitizer reports it.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=256"; }

namespace {

char current[4096];

void OnAlarm(int) {
    const char text[] = "replay: the input takes more than a minute (a hang): ";
    (void)!write(2, text, sizeof text - 1);
    (void)!write(2, current, std::char_traits<char>::length(current));
    (void)!write(2, "\n", 1);
    _exit(1);
}

// The files of a folder, or the file, in name order.
std::vector<std::filesystem::path> FilesOf(const std::filesystem::path& path) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        for (const auto& entry : std::filesystem::directory_iterator(path, ec))
            if (entry.is_regular_file(ec)) files.push_back(entry.path());
    } else if (std::filesystem::is_regular_file(path, ec)) {
        files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A new empty folder of its own in the temporary folder, removed with it.
struct SeedFolder {
    std::filesystem::path path;
    SeedFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "replay-seeds-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~SeedFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::filesystem::path> files = FilesOf(argv[i]);
        inputs.insert(inputs.end(), files.begin(), files.end());
    }
    const std::size_t kept = inputs.size();
    // The seeds, as the target writes them into an empty corpus.
    const SeedFolder seeds;
    if (LLVMFuzzerInitialize && !seeds.path.empty()) {
        std::string folder = seeds.path.string();
        char* seedArgv[] = {argv[0], folder.data(), nullptr};
        int seedArgc = 2;
        char** seedArgvPointer = seedArgv;
        LLVMFuzzerInitialize(&seedArgc, &seedArgvPointer);
        const std::vector<std::filesystem::path> files = FilesOf(seeds.path);
        inputs.insert(inputs.end(), files.begin(), files.end());
    }
    if (inputs.size() == kept) {
        std::fprintf(stderr, "replay: the target gives no seed to replay\n");
        return 1;
    }
    std::signal(SIGALRM, OnAlarm);
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && !in.eof()) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 1;
        }
        std::snprintf(current, sizeof current, "%s", path.c_str());
        std::fprintf(stderr, "%s\n", current);
        alarm(60);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        alarm(0);
    }
    std::printf("replayed %zu inputs (%zu kept, %zu seeds)\n", inputs.size(), kept, inputs.size() - kept);
    return 0;
}
