// A temporary folder a benchmark writes its tables, settings and printouts into, removed with all
// it holds when the benchmark ends. Dir() is empty when the folder could not be made.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TBenchFolder {
public:
    explicit TBenchFolder(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (::mkdtemp(pattern.data())) dir_ = pattern;
    }
    ~TBenchFolder() {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;

    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    // Makes the folder the program's settings folder, where it keeps its files and printouts.
    void UseAsHome() const { ::setenv("VANTREL_HOME", dir_.c_str(), 1); }

private:
    std::string dir_;
};
