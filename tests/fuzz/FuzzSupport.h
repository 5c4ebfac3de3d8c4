// What every fuzz target shares: a private scratch folder for the files a reader opens, the
// environment the readers expect (settings folder, offscreen screen), and the entry point each
// target defines. A target is built twice: with libFuzzer's driver (clang, `make fuzz`), and with
// ReplayMain.cpp, which feeds every file of the corpus and reproducer folders to the same entry
// point as an ordinary test of `make test`.
//
// A target feeds its bytes through the call a user's action reaches (opening a table, loading a
// picture, reading a setting) and may only fail the run by crashing, hanging, leaking or raising
// an exception the program would not catch at that place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// The scratch folder of this process: made once, empty of other users' files, also the settings
// folder (VANTREL_HOME) of the process. The screen is the offscreen one.
const std::string& FuzzFolder();
// Writes bytes as the file name of the scratch folder and gives its full path.
std::string WriteFuzzFile(const std::string& name, std::string_view bytes);
void RemoveFuzzFile(const std::string& name);

// Takes the input apart: a selector byte, a little-endian number of n bytes, or a piece of the
// rest. Each gives zeros / empty when the input is used up.
class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t Byte();
    std::uint32_t Number(int bytes);
    // Up to n bytes; the rest when n is larger than what is left.
    std::string_view Take(std::size_t n);
    // Bytes up to the next NUL (dropped) or the end.
    std::string_view Text();
    std::string_view Rest();
    bool Empty() const { return rest_.empty(); }

private:
    std::string_view rest_;
};
