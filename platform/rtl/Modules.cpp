#include "platform/rtl/Modules.h"

#include "platform/rtl/Strings.h"

#include <map>
#include <memory>

namespace {

struct TModule {
    std::map<std::string, TFarProc> Procs; // by upper-cased name
};

// Modules by upper-cased name; a handle is the address of its module record, which stays put
// while the module is loaded.
std::map<std::string, std::unique_ptr<TModule>>& Modules() {
    static std::map<std::string, std::unique_ptr<TModule>> modules;
    return modules;
}

} // namespace

void RegisterModuleProc(const std::string& Module, const std::string& ProcName, TFarProc Proc) {
    std::unique_ptr<TModule>& module = Modules()[UpperCase(Module)];
    if (!module) module = std::make_unique<TModule>();
    module->Procs[UpperCase(ProcName)] = Proc;
}

void UnregisterModule(const std::string& Module) {
    Modules().erase(UpperCase(Module));
}

TModuleHandle GetModuleHandle(const std::string& ModuleName) {
    const auto it = Modules().find(UpperCase(ModuleName));
    return it == Modules().end() ? 0 : reinterpret_cast<TModuleHandle>(it->second.get());
}

TFarProc GetProcAddress(TModuleHandle Module, const std::string& ProcName) {
    for (const auto& [name, module] : Modules()) {
        if (reinterpret_cast<TModuleHandle>(module.get()) != Module) continue;
        const auto proc = module->Procs.find(UpperCase(ProcName));
        return proc == module->Procs.end() ? nullptr : proc->second;
    }
    return nullptr;
}
