// Replays fuzz inputs in the ordinary builds: every file named, or found in a
// folder named, on the command line goes through the target once.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz_input.h"

static void replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    fuzz_require(in.good(), "an input file can be read");
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // An empty vector's data may be null; libFuzzer never passes null.
    bytes.push_back(0);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() - 1);
}

// A missing folder (no regressions yet) counts as empty; no input at all fails.
int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path named(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(named, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(named))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(named, error)) {
            files.push_back(named);
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        printf("%s\n", file.filename().string().c_str());
        fflush(stdout);  // the last name printed is the one that failed
        replay(file);
    }
    printf("replayed %zu inputs\n", files.size());
    return files.empty() ? 1 : 0;
}
