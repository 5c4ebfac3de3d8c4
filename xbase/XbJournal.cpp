#include "xbase/XbJournal.h"

#include "xbase/XbFile.h"

#include <filesystem>

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder == "." ? name : folder + "/" + name;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The moves of a complete journal; false when the journal is missing or was cut short.
bool ReadJournal(const std::string& journal,
                 std::vector<std::pair<std::string, std::string>>& moves) {
    TXbFile file;
    std::string text;
    const Int64 size = Exists(journal) && file.Open(journal, false) ? file.Size() : -1;
    if (size <= 0 || size > 65536 || !file.ReadAt(0, text, static_cast<std::size_t>(size)))
        return false;
    const std::string folder = FolderOf(journal);
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = text.find('\n', at);
        if (end == std::string::npos) return false;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line == "end") return at == text.size();
        const auto tab = line.find('\t');
        if (tab == std::string::npos || line.find('/') != std::string::npos) return false;
        moves.emplace_back(InFolder(folder, line.substr(0, tab)),
                           InFolder(folder, line.substr(tab + 1)));
    }
    return false;
}

bool RenameAll(const std::vector<std::pair<std::string, std::string>>& moves) {
    bool done = true;
    for (const auto& [copy, target] : moves)
        if (Exists(copy) && !XbRename(copy, target)) done = false;
    return done;
}

} // namespace

std::string XbPackCopyPath(const std::string& path) {
    return path + ".pk";
}

std::string XbPackJournalPath(const std::string& tablePath) {
    return XbCompanionPath(tablePath, ".PKJ");
}

bool XbCommitPack(const std::string& tablePath,
                  const std::vector<std::pair<std::string, std::string>>& moves) {
    const std::string journal = XbPackJournalPath(tablePath);
    std::string text;
    for (const auto& [copy, target] : moves)
        text += XbFileName(copy) + "\t" + XbFileName(target) + "\n";
    text += "end\n";
    TXbFile file;
    if (!file.Create(journal) || !file.WriteAt(0, text) || !file.Flush() ||
        !XbSyncFolderOf(journal)) {
        file.Close();
        XbRemove(journal);
        return false;
    }
    file.Close();
    if (!RenameAll(moves) || !XbSyncFolderOf(journal)) return false;
    return XbRemove(journal);
}

bool XbPackPending(const std::string& tablePath, const std::vector<std::string>& memoPaths) {
    if (Exists(XbPackJournalPath(tablePath)) || Exists(XbPackCopyPath(tablePath))) return true;
    for (const std::string& memo : memoPaths)
        if (Exists(XbPackCopyPath(memo))) return true;
    return false;
}

bool XbRecoverPack(const std::string& tablePath, const std::vector<std::string>& memoPaths) {
    const std::string journal = XbPackJournalPath(tablePath);
    std::vector<std::pair<std::string, std::string>> moves;
    bool done = true;
    if (ReadJournal(journal, moves)) {
        done = RenameAll(moves) && XbSyncFolderOf(journal);
    } else {
        // Killed before the commit: the files are the old ones; the copies go.
        done = XbRemove(XbPackCopyPath(tablePath));
        for (const std::string& memo : memoPaths)
            done = XbRemove(XbPackCopyPath(memo)) && done;
    }
    return done && XbRemove(journal) && XbSyncFolderOf(journal);
}
