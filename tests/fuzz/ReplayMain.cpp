// The replay driver of the regression tests: feeds every file of the folders (or files) named on
// the command line, in name order, to the target's entry point once, without fuzzing. A fault
// shows as the sanitizer's report and a failing exit, like the fuzzer's own run of one input.
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputsOf(const fs::path& place) {
    std::vector<fs::path> inputs;
    if (fs::is_directory(place)) {
        for (const auto& entry : fs::directory_iterator(place))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else if (fs::is_regular_file(place)) {
        inputs.push_back(place);
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char** argv) {
    int fed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& input : InputsOf(argv[i])) {
            std::ifstream in(input, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            std::printf("%s (%zu bytes)\n", input.c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++fed;
        }
    }
    std::printf("%d inputs replayed\n", fed);
    return fed > 0 ? 0 : 1;
}
