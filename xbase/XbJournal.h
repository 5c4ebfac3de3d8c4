// The pack journal: how a pack replaces a table's files by their packed copies so that a process
// killed at any moment leaves either all the old files or all the new ones, and no stray files.
//
// The copies are written beside the files they replace, named after them with ".pk" added
// (XbPackCopyPath), and flushed to disk. Then the journal "<table>.pkj" is written and flushed:
// a line "<copy name>\t<file name>" per copy, ended by a line "end". It is the moment of commit.
// The renames follow, the folder is flushed, and the journal is removed last. On the next open,
// XbRecoverPack finishes the renames of a complete journal, or removes the copies when there is
// no complete journal. Index files are not in the journal: they record the table they cover, and
// an index that does not match the table is rebuilt on open.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The name of the packed copy of the file at path.
std::string XbPackCopyPath(const std::string& path);
// The journal of the table at tablePath.
std::string XbPackJournalPath(const std::string& tablePath);

// Commits a pack: writes the journal for moves (copy path, file path; all in the table's
// folder), then renames every copy over its file and removes the journal. False when the journal
// could not be written (nothing was renamed; the caller removes the copies) or a rename failed
// (the journal stays, and the next open finishes the pack).
bool XbCommitPack(const std::string& tablePath,
                  const std::vector<std::pair<std::string, std::string>>& moves);

// True when an interrupted pack left a journal or copies for the table at tablePath (and the
// memo files memoPaths).
bool XbPackPending(const std::string& tablePath, const std::vector<std::string>& memoPaths);
// Finishes or rolls back an interrupted pack of the table; the caller has the files to itself.
// False when a file could not be renamed or removed.
bool XbRecoverPack(const std::string& tablePath, const std::vector<std::string>& memoPaths);
