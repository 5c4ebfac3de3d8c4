// The engine as a module of entry points (platform/rtl/Modules.h): while it runs, the engine
// offers its work-area selection and its record condition under the module name "XBASE3032",
// so code that holds a condition in the engine's own expression language can hand it over
// without going through the call interface.
//
// XB_SELECT (a 16-bit work-area number) makes that area current and returns the area that was
// current before; XB_QUERY (a zero-terminated expression) sets the current area's condition,
// an empty text removing it, and returns the engine status (0 done).
#pragma once

#include "platform/rtl/Types.h"

using TXbSelectProc = Word (*)(Word Area);
using TXbQueryProc = Word (*)(const char* Expression);

constexpr const char* kXbModuleName = "XBASE3032";

// Registers and removes the module's entry points.
void RegisterXbModule();
void UnregisterXbModule();
