// What a file made to take another file's place must carry over before it is renamed there (a
// packed copy of a table, a printout or a settings file written beside the file it replaces),
// and the other way, copying into the file in place.
//
// A new file belongs to the user who made it, in that user's group, with the rights the umask
// leaves. Renamed over a file that users of one group share, it would take the group's right to
// write away from them; and a file with other names (hard links) would keep its old contents
// under those. So the new file first takes the old one's owner, group, access list (ACL) and
// mode. Where the system refuses one of them (a plain user may not give a file to another user,
// nor to a group he is not in, nor set the access list of a file he does not own), or the old
// file has other names, a rename would change what others rely on: the caller then writes the
// old file in place instead (CopyInPlace), or refuses.
#pragma once

#include <cstddef>
#include <string>

// Gives the file open at fd the owner, group, access list and mode (with its set-id and sticky
// bits) of the file of, as far as the system allows. True when the file now has all of them and
// of has no other name, so that a rename of the new file over it changes nothing its users rely
// on; false otherwise, with errno set to the system's refusal (EPERM when the owner, group or
// access list could not be given, EOPNOTSUPP when the new file's file system keeps no access
// lists, EMLINK for a file of several names). The mode's group bits of a file with an access
// list are its list's mask: they are carried as that, never as rights of the owning group.
bool TakeOverIdentity(int fd, const std::string& of);

// Writes all of data at fd's offset, going on after partial writes: 0, or the error number of
// the write that failed.
int WriteFully(int fd, const char* data, std::size_t size);

// Waits until what was written to fd is on the disk: 0, or the error number (a device or a pipe
// has nothing to sync).
int Sync(int fd);

// Copies the complete file open at from into the file open at to, from its start, and cuts the
// file to from's length, holding the write lock of the whole of to meanwhile (waiting for
// another copy into it to end), so that copies into one file never mix: 0, or the error number.
// The room the file grows by is reserved first, so a full disk is told before the file is
// touched.
int CopyInPlace(int from, int to);
