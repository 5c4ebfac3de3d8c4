#include "platform/rtl/Regional.h"

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}
