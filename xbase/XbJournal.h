// The pack journal: how a pack puts the packed copies of a table's files in their place so that
// a process killed at any moment, or a write that fails, leaves either all the old files or all
// the new ones, and no stray files; and so that the files keep their owner, group, mode and
// other names, which others sharing them rely on.
//
// The copies are written beside the files they replace, named after them with ".pk" added
// (XbPackCopyPath), and flushed to disk; the table's copy carries the next update stamp of the
// table it was packed from (XbPackedHeader). Then the journal "<table>.pkj" is written and
// flushed: a line "<copy name>\t<file name>" per copy, the table's last, ended by a line "end";
// a pack in place starts it with a line "in place". It is the moment of commit. The copies are
// then put in place, the table's last: renamed over their files when every copy could take over
// its file's owner, group and mode and no file has other names (XbPackWayFor); written over
// them in place otherwise, the file cut to the copy's length, its first bytes (a table's header
// with its stamp) written last, and flushed. A rename the folder refuses for want of leave (a
// sticky folder keeps a user from replacing another's file) is done in place as well, and so is
// every copy after it. The journal is removed, then the copies.
//
// On the next open, XbRecoverPack finishes a complete journal (an earlier build's, which knew
// renames only and put the table first, as well), or removes the copies when there is no
// complete journal. A journal's copies are put in place only while the table is the one they
// were packed from, its stamp one below its copy's: once the table's copy is in place the table
// has that stamp, and every change after raises it. So a journal or copy that cannot be removed
// (another user's, in a sticky folder) neither keeps the table closed nor is ever put in place
// again over a table changed since. The next pack removes the journal first; when it cannot
// (another user's), it writes its copies and journal under this user's own names, which every
// opener's recovery finds and finishes by the same rule (XbChoosePackNames).
// Index files are not in the journal: they record the table they cover, and an index that does
// not match the table is rebuilt, in place, on open.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbFile.h"

#include <string>
#include <utility>
#include <vector>

// A pack's copies and the files they replace: (copy path, file path), in the table's folder.
using TXbPackMoves = std::vector<std::pair<std::string, std::string>>;

// The name of the packed copy of the file at path, and the journal of the table at tablePath:
// the common names ("<file>.pk", "<table>.pkj") or, with owner (a user's number), that user's
// own ("<file>.<owner>.pk", "<table>.<owner>.pkj").
std::string XbPackCopyPath(const std::string& path, const std::string& owner = {});
std::string XbPackJournalPath(const std::string& tablePath, const std::string& owner = {});
// The moves of a pack of files (the table's last) under the names of owner: each file's copy and
// the file.
TXbPackMoves XbPackMoves(const std::vector<std::string>& files, const std::string& owner);

// Makes header, the table's header as read from its file, that of its packed copy: kept
// records, the table's next update stamp (no index matches the copy until it is rebuilt) and
// its next pack count.
void XbPackedHeader(std::string& header, LongInt kept);
// The pack count in the header of the table open in file, raised by every pack of the table in
// any process; 0 when it cannot be read.
LongWord XbPackCount(const TXbFile& file);

// How a pack puts its copies in place.
enum class TXbPackWay { Rename, InPlace };
// Gives each copy of moves (written and flushed) the owner, group and mode of its file, and
// answers the way: Rename when every copy took them and no file has other names; InPlace when
// the system refused one (a plain user may not give a file to another) or a file has other
// names, so that a rename would change what others rely on.
TXbPackWay XbPackWayFor(const TXbPackMoves& moves);

// Chooses the names a pack of the table at tablePath writes its copies of files (the memo file,
// if any, and the table) and its journal under, and removes what an earlier pack left under
// them first: no copy is ever written beside a complete journal of its names. The common names
// (owner empty) when nothing stays under them; else, when what stays there never goes in place
// again (another user's, in a sticky folder), this user's own (owner its number). False when a
// journal that waits to be put in place, or a file of this user's names, stays (the reason
// recorded).
bool XbChoosePackNames(const std::string& tablePath, const std::vector<std::string>& files,
                       std::string& owner);

// What became of a pack's commit.
enum class TXbPackCommit {
    NotCommitted, // no journal: the files are the old ones, the caller removes the copies
    Pending,      // committed, not every copy in place: the next open finishes the pack
    LeftBehind,   // the files are the packed ones; the journal or a copy could not be removed
    Done          // the files are the packed ones, the journal and the copies gone
};
// Commits a pack of the table at tablePath: writes the journal (named for owner) for moves (the
// table's last) and the way, puts the copies in place and removes journal and copies. A failure is
// recorded with the file it concerns.
TXbPackCommit XbCommitPack(const std::string& tablePath, const std::string& owner,
                           const TXbPackMoves& moves, TXbPackWay way);

// True when an interrupted pack left a journal or copies for the table at tablePath (and the
// memo files memoPaths), under the common names or a user's own.
bool XbPackPending(const std::string& tablePath, const std::vector<std::string>& memoPaths);
// True when a complete journal of the table waits to be put in place over it: until then the
// table's files may be neither the old ones nor the new ones, and only a user who may write
// them can finish the pack.
bool XbPackUnfinished(const std::string& tablePath);
// Finishes or rolls back each interrupted pack of the table (common names first, then each
// user's own); the caller has the files to itself. False when a journal could not be read or a
// copy could not be put in place (the reason recorded, naming the journal; the next open tries
// again). A journal or copy that cannot be removed is left.
bool XbRecoverPack(const std::string& tablePath, const std::vector<std::string>& memoPaths);
