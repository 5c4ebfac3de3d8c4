// Where the program keeps its files, and the lookup of a file name whatever its case.
#pragma once

#include <string>

// The folder of settings files (INI files, the emulated WIN.INI, the registry file):
// $VANTREL_HOME when set and not empty, else ~/.local/share/vantrel-plus. It is created with its
// parents when missing; a folder that cannot be created raises EInOutError.
std::string SettingsFolder();

// The folder of the running executable.
std::string ProgramFolder();

// The folder of read-only data the program ships ("auto.bin", the help file):
// "../share/vantrel-plus" from the executable's folder when that exists (an installed program),
// else the executable's own folder (the build puts the data beside the program).
std::string DataFolder();

// The path of the file (or folder) `name` in `folder` where each part of `name` (parts are
// separated by '/') may differ in the case of ASCII letters from the name on disk, so "ACCNTS.DBF"
// finds "accnts.dbf". An exact match wins; among several others the first in byte order does.
// Empty when nothing matches.
std::string FindFileCaseInsensitive(const std::string& folder, const std::string& name);

// The system's folder for temporary files: $TMPDIR when set and not empty, else /tmp.
std::string TempFolder();

// Creates a new empty file in the temporary folder whose name starts with Prefix and is made
// unique by the system, and returns its path; raises EInOutError when none can be made.
std::string CreateTempFile(const std::string& Prefix);
