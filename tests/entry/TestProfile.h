// Test support: a settings folder of its own, holding a WIN.INI with the given text, for the
// lifetime of the object.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include <unistd.h>

class TTestProfile {
public:
    explicit TTestProfile(const std::string& winIni) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-profile-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a test folder");
        folder_ = pattern;
        if (const char* home = std::getenv("VANTREL_HOME")) previous_ = home;
        setenv("VANTREL_HOME", folder_.c_str(), 1);
        std::ofstream(folder_ + "/WIN.INI") << winIni;
    }
    ~TTestProfile() {
        if (previous_)
            setenv("VANTREL_HOME", previous_->c_str(), 1);
        else
            unsetenv("VANTREL_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TTestProfile(const TTestProfile&) = delete;
    TTestProfile& operator=(const TTestProfile&) = delete;

private:
    std::string folder_;
    std::optional<std::string> previous_;
};
