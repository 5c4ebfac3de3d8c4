// Parts: a file written under a name of its own (its part, "<name>.1.part") that takes its name
// only when complete, so that a program killed while writing never leaves a cut file under the
// name a user looks for.
//
// The process writing a part holds an open-file-description write lock on all of it from its
// making until it is renamed or removed; the lock goes with the last descriptor, so a killed
// process lets go of it. A part whose lock another process can take is therefore a dead
// writer's, and the next writer in its folder removes it, whoever made it: a remover probes a
// part with a shared lock, which needs only the right to read it, and unlinks it where the
// folder lets him. Neither side ever removes a part a living writer holds: a part is made
// (O_EXCL), locked, and then checked to be still the file of its name, and a remover locks a
// part and checks the same before it unlinks it. On a file system without these locks, parts
// are never removed.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

// Makes the first of the parts name(1), name(2), ... that is free and that taken(n) (when given)
// does not count as taken, for reading and writing with mode (less the umask), and takes its
// lock: its descriptor, with path set to its name; -1 with errno set (EEXIST when all are
// taken) when none can be made. taken(n) is asked before the part is made and again after (a
// part made while n was being taken is removed again).
int CreateFirstFreePart(const std::function<std::string(int)>& name, mode_t mode, std::string& path,
                        const std::function<bool(int)>& taken = {});

// Removes from folder the ordinary files whose names isPart accepts, that this process may read
// and whose shared lock it can take: the parts of writers that died, of any user. A folder that
// cannot be read is left as it is.
void RemoveDeadParts(const std::string& folder,
                     const std::function<bool(const std::string&)>& isPart);

// Makes a part of the file called name in folder ("<name>.1.part", "<name>.2.part", ...) with
// mode (less the umask), once the parts of the same name dead writers left there are removed:
// its descriptor, with path set to it; -1 with errno set.
int CreatePartOf(const std::string& name, const std::string& folder, mode_t mode,
                 std::string& path);
