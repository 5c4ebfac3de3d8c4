// What a file made to take another file's place must carry over before it is renamed there (a
// packed copy of a table, a printout written beside the file it replaces).
//
// A new file belongs to the user who made it, in that user's group, with the rights the umask
// leaves. Renamed over a file that users of one group share, it would take the group's right to
// write away from them; and a file with other names (hard links) would keep its old contents
// under those. So the new file first takes the old one's owner, group and mode. Where the
// system refuses one of them (a plain user may not give a file to another user, nor to a group
// he is not in), or the old file has other names, a rename would change what others rely on:
// the caller then writes the old file in place instead, or refuses.
#pragma once

#include <sys/stat.h>

// Gives the file open at fd the owner, group and mode (with its set-id and sticky bits) of the
// file whose status is was, as far as the system allows. True when the file now has all three
// and the file of was has no other name, so that a rename of the new file over it changes
// nothing its users rely on; false otherwise, with errno set to the system's refusal (EPERM
// when the owner or group could not be given, EMLINK for a file of several names).
bool TakeOverIdentity(int fd, const struct stat& was);
