#include "xbase/XbModule.h"

#include "platform/rtl/Modules.h"
#include "xbase/Xbase.h"

namespace {

Word XbSelectEntry(Word Area) {
    return static_cast<Word>(xb_Select(Area));
}

Word XbQueryEntry(const char* Expression) {
    return static_cast<Word>(xb_Query(Expression ? Expression : ""));
}

} // namespace

void RegisterXbModule() {
    RegisterModuleProc(kXbModuleName, "XB_SELECT", reinterpret_cast<TFarProc>(&XbSelectEntry));
    RegisterModuleProc(kXbModuleName, "XB_QUERY", reinterpret_cast<TFarProc>(&XbQueryEntry));
}

void UnregisterXbModule() {
    UnregisterModule(kXbModuleName);
}
