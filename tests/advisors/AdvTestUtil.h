// Shared helpers of the advisors' tests: recorded messages, the shipped limits file and a
// scratch folder of the test's own.
#pragma once

#include "advisors/AdvMsg.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

struct TRecordedMessage {
    TAdvisorMsgKind Kind;
    std::string Text;
};

// Records every advisor message while it lives.
class TMessageRecorder {
public:
    TMessageRecorder() {
        OnAdvisorMessage = [this](TAdvisorMsgKind kind, const std::string& text) {
            Messages.push_back({kind, text});
        };
    }
    ~TMessageRecorder() { OnAdvisorMessage = nullptr; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TRecordedMessage& m : Messages)
            texts.push_back(m.Text);
        return texts;
    }
    std::vector<TRecordedMessage> Messages;
};

// The limits file the build puts beside the program.
inline std::string ShippedAutoBin() {
    return std::string(VANTREL_BINARY_DIR) + "/app/auto.bin";
}

// A folder of its own for one test, removed with it.
class TScratchFolder {
public:
    TScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Path = std::filesystem::temp_directory_path() /
               ("vp-advisors-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                std::to_string(::getpid()));
        std::filesystem::create_directories(Path);
    }
    ~TScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    std::filesystem::path Path;
};
