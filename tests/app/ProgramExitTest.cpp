// The built program ends cleanly on every road out, under the sanitizers too: a start that fails
// (the settings folder cannot be made) prints its message and exits with status 1, with no
// report from the address, leak or undefined-behaviour checkers.
#include "tests/gui/PdfTools.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <string>

namespace {

TEST(ProgramExit, AFailedStartPrintsItsMessageAndEndsCleanly) {
    // The checkers get an exit status of their own, so their failure cannot pass for the
    // program's.
    const std::string command =
        "VANTREL_HOME=/proc/nonexistent/x QT_QPA_PLATFORM=offscreen "
        "ASAN_OPTIONS=\"${ASAN_OPTIONS}:exitcode=99\" UBSAN_OPTIONS=halt_on_error=1:exitcode=98 " +
        ShellQuoted(std::string(VANTREL_BINARY_DIR) + "/app/vantrel");
    const std::string out = RunTool(command);
    EXPECT_NE(out.find("Vantrel Plus: Cannot create the settings folder /proc/nonexistent/x"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("Sanitizer"), std::string::npos) << out;
    EXPECT_EQ(out.find("runtime error"), std::string::npos) << out;
    const std::size_t at = out.rfind("status=");
    ASSERT_NE(at, std::string::npos);
    const int status = std::stoi(out.substr(at + 7));
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_EQ(WEXITSTATUS(status), 1) << out;
}

} // namespace
