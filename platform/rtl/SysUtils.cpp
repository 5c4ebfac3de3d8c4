#include "platform/rtl/SysUtils.h"

#include "platform/rtl/Strings.h"

#include <cstring>

void Abort() {
    throw EAbort();
}

std::string SysErrorMessage(int error) {
    std::string text = std::strerror(error);
    if (!text.empty()) text[0] = AnsiLowerChar(text[0]);
    return text;
}
