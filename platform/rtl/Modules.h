// The modules of entry points the program can look up by name, as it would find the procedures
// of a library that another part of the program has already loaded. A part registers its entry
// points under a module name while it is running and removes them when it stops; a caller asks
// for the module by name (never loading it) and then for a procedure of it.
//
// Entry points are kept as a generic function pointer; the caller casts one back to the type the
// module registered it with. Names of modules and procedures are compared without regard to case.
#pragma once

#include <cstdint>
#include <string>

using TModuleHandle = std::uintptr_t; // 0 = no module
using TFarProc = void (*)();

// Adds (or replaces) the procedure ProcName of the module Module; the module is loaded from then.
void RegisterModuleProc(const std::string& Module, const std::string& ProcName, TFarProc Proc);
// Removes the module and its procedures; nothing when it is not loaded.
void UnregisterModule(const std::string& Module);
// The handle of a loaded module, 0 when no module of that name is loaded.
TModuleHandle GetModuleHandle(const std::string& ModuleName);
// The procedure of the module, nullptr when the handle is no loaded module or it has no such
// procedure.
TFarProc GetProcAddress(TModuleHandle Module, const std::string& ProcName);
