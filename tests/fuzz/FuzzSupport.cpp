#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

const std::string& FuzzFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-fuzz-XXXXXX");
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder");
        setenv("VANTREL_HOME", pattern.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // The folder goes with the process; libFuzzer and the replay both end through exit.
        static const std::string removeAtExit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return folder;
}

std::string WriteFuzzFile(const std::string& name, std::string_view bytes) {
    const std::string path = FuzzFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

void RemoveFuzzFile(const std::string& name) {
    std::error_code ignored;
    std::filesystem::remove(FuzzFolder() + "/" + name, ignored);
}

std::uint8_t TFuzzInput::Byte() {
    return static_cast<std::uint8_t>(Number(1));
}

std::uint32_t TFuzzInput::Number(int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes && !rest_.empty(); ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(rest_[0])) << (8 * i);
        rest_.remove_prefix(1);
    }
    return value;
}

std::string_view TFuzzInput::Take(std::size_t n) {
    const std::string_view piece = rest_.substr(0, n);
    rest_.remove_prefix(piece.size());
    return piece;
}

std::string_view TFuzzInput::Text() {
    const std::size_t end = rest_.find('\0');
    const std::string_view piece = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return piece;
}

std::string_view TFuzzInput::Rest() {
    return Take(rest_.size());
}
