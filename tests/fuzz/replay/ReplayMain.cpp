// Runs a fuzz target's LLVMFuzzerTestOneInput over kept inputs, without
// libFuzzer: every file of the folders (or the files) named on the command
// line, in name order. The test command runs it in its sanitizer build over
// the inputs the fuzzers found, so that a fault they found once fails there
// if it comes back. A missing folder is no input; an input that takes more
// than a minute is a hang and fails the run.
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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, ec))
                if (entry.is_regular_file(ec)) inputs.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(path, ec)) {
            inputs.push_back(path);
        }
    }
    std::sort(inputs.begin(), inputs.end());
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
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
