// Shared helpers of the advisors' tests: recorded messages and the shipped limits file, with
// the runtime tests' folder of a test's own.
#pragma once

#include "advisors/AdvMsg.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

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
