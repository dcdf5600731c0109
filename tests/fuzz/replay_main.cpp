// Replays files through a fuzz target's entry without libFuzzer, so that ordinary builds run the
// corpus and every reproducer as a test. Arguments: files or folders (read recursively).
// A crash, a sanitizer report or an allocation past the memory limit fails the run.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "replay_memory_limit.h"

// Under AddressSanitizer one allocation beyond the limit is reported and ends the run; the
// environment's ASAN_OPTIONS are read after these and add to them.
extern "C" const char* __asan_default_options()
{
    return "max_allocation_size_mb=" ZENDAVO_REPLAY_LIMIT_MB_TEXT ":allocator_may_return_null=0";
}

namespace {

namespace fs = std::filesystem;

void collect(const fs::path& path, std::vector<fs::path>& files)
{
    if (fs::is_directory(path)) {
        for (const auto& entry : fs::recursive_directory_iterator(path))
            if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
        files.push_back(path);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (!fs::exists(argv[i])) {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            return 2;
        }
        collect(argv[i], files);
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        std::fprintf(stderr, "%s (%zu bytes)\n", file.c_str(), bytes.size());
        std::fflush(stderr);
        zendavo_replay_set_current(file.c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    zendavo_replay_set_current(nullptr);
    std::fprintf(stderr, "replayed %zu files\n", files.size());
    return files.empty() ? 1 : 0;
}
