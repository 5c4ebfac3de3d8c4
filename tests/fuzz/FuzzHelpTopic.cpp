// The help topic file as the help key opens it: the input is a context number (4 bytes,
// little-endian; the contents when negative) and the help file. The request goes through the
// help service, which reads the file, finds the topic and shows it in the help viewer.
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const auto context = static_cast<int>(input.Number(4));
    const std::string path = WriteFuzzFile("help.hlp", input.Rest());
    UiServices().Help({path, context < 0 ? HELP_CONTENTS : HELP_CONTEXT, context, {}});
    return 0;
}
