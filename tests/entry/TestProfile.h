// Test support: a settings folder of its own, holding a WIN.INI with the given text, for the
// lifetime of the object.
#pragma once

#include "tests/rtl/TestFolder.h"

#include <string>

class TTestProfile {
public:
    explicit TTestProfile(const std::string& winIni) { WriteAll(folder_ / "WIN.INI", winIni); }

private:
    TTestFolder folder_;
    TEnvironmentOverride home_{"VANTREL_HOME", folder_.Path()};
};
