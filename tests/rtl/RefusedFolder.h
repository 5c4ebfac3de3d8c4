// Runs parts of a test with a folder that refuses writes as the system refuses them: bound onto
// itself read-only (EROFS), not to be written by the user (EACCES: the folder and its files are
// another's, the user's folder is closed, or the user's files are), or full (ENOSPC: a small file
// system that the folder's files fill, in memory or an ext2 image, which cannot set room aside).
//
// A test that makes such refusals first runs itself again in a fresh process of the test program
// (RUN_IN_FRESH_PROCESS): that process is started by fork and exec in a mount namespace of its
// own, so it may mount over a folder without touching the machine's view, and it has no threads
// that a fork could have caught holding a lock. The first process waits, with a bound, and
// reports the fresh one's outcome (passed, failed with its messages, or skipped) as its own.
// In the fresh process the refusal is made in the process itself for the duration of a body and
// taken back afterwards; what the body wrote stays in the folder, so the test checks it after.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/rtl/TestFolder.h"

enum class TRefusal {
    ReadOnlyMount, // EROFS: the folder is bound onto itself read-only
    NotTheUsers,   // EACCES: the folder and its files belong to another user
    ClosedFolder,  // EACCES: the user owns the folder and its files; the folder is mode 555
    ClosedFiles,   // EACCES: the user owns the folder and its files; the files are mode 444
    FullImage,     // ENOSPC: as FullDisk, on an ext2 image, which cannot set room aside
    FullDisk,      // ENOSPC: the folder is a file system its files fill, leaving a set room
    NoLocks,       // ENOLCK: the folder is a file system that refuses every lock
};

// The error number the system gives a write the refusal refuses.
inline int ErrnoOf(TRefusal refusal) {
    switch (refusal) {
    case TRefusal::ReadOnlyMount: return EROFS;
    case TRefusal::FullDisk:
    case TRefusal::FullImage: return ENOSPC;
    case TRefusal::NoLocks: return ENOLCK;
    default: return EACCES;
    }
}

namespace fresh_process {

constexpr const char* kMarker = "VANTREL_FRESH_PROCESS"; // "mounts" or "none"
constexpr uid_t kPlainUser = 65534;                      // nobody
constexpr gid_t kPlainGroup = 65534;                     // nogroup
constexpr auto kBound = std::chrono::seconds(240);       // below the test's own time-out

inline const char* Marker() {
    return std::getenv(kMarker);
}

// The lines of the fresh process' output that tell why it failed or skipped.
inline std::string Outcome(const std::string& log, const std::string& end) {
    std::istringstream lines(log);
    std::string line, told;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (line.rfind("[ RUN      ]", 0) == 0)
            inside = true;
        else if (line.rfind(end, 0) == 0)
            break;
        else if (inside)
            told += line + "\n";
    }
    return told;
}

// Repeats the fresh process' lines telling a case it could not run ("[ NOT RUN  ]") in this log.
inline void TellCasesNotRun(const std::string& log) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("[ NOT RUN  ]", 0) == 0) std::printf("%s\n", line.c_str());
}

// Starts the current test again in a fresh process (killed when this one ends), its output in log
// and the environment entry more ("NAME=value") added: its id, or -1 when it cannot.
inline pid_t StartAgain(const std::string& log, std::string more = "") {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    // Everything the child uses is made before the fork: it makes system calls only. The last
    // entry of the environment tells whether the child has a mount namespace of its own.
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, kMarker, std::strlen(kMarker)) != 0) envp.push_back(*e);
    if (!more.empty()) envp.push_back(more.data());
    std::string mounts = std::string(kMarker) + "=mounts", none = std::string(kMarker) + "=none";
    envp.insert(envp.end(), {nullptr, nullptr});
    std::string arg0 = self, arg1 = filter;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) return -1;
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(126);
        ::dup2(out, 1);
        ::dup2(out, 2);
        const bool own = ::unshare(CLONE_NEWNS) == 0 &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        envp[envp.size() - 2] = own ? mounts.data() : none.data();
        ::execve(self.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(out);
    return child < 0 ? -1 : child;
}

// Starts the current test in a fresh process (with the environment entry more) and waits for
// it: its wait status (-1 when it cannot start, -2 when it overran), and what it printed in log.
inline int RunAgain(const std::string& log, const std::string& more = "") {
    const pid_t child = StartAgain(log, more);
    if (child < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status;
}

} // namespace fresh_process

// True in the fresh process, where the test goes on. In the first process it runs the test again
// in a fresh one, takes its outcome as the test's own and answers false: the test returns.
inline bool InFreshProcess() {
    if (fresh_process::Marker()) return true;
    TTestFolder logs;
    const std::string log = logs / "output";
    const int status = fresh_process::RunAgain(log);
    const std::string output = ReadAll(log);
    if (status == -2)
        ADD_FAILURE() << "the fresh process did not end within its bound:\n" << output;
    else if (status < 0 || !WIFEXITED(status))
        ADD_FAILURE() << "the fresh process could not be run or was killed (status " << status
                      << "):\n"
                      << output;
    else if (output.find("[  SKIPPED ]") != std::string::npos && WEXITSTATUS(status) == 0)
        [&] { GTEST_SKIP() << fresh_process::Outcome(output, "[  SKIPPED ]"); }();
    else if (WEXITSTATUS(status) != 0 || output.find("[       OK ]") == std::string::npos)
        ADD_FAILURE() << "in the fresh process:\n"
                      << (output.find("[  FAILED  ]") != std::string::npos
                              ? fresh_process::Outcome(output, "[  FAILED  ]")
                              : output.substr(output.size() > 6000 ? output.size() - 6000 : 0));
    else
        fresh_process::TellCasesNotRun(output);
    return false;
}

// Runs the rest of the test in a fresh process (see above).
#define RUN_IN_FRESH_PROCESS()                                                                     \
    do {                                                                                           \
        if (!InFreshProcess()) return;                                                             \
    } while (0)

// Runs the rest of the test in a fresh process as the superuser, who may act as kUserA and kUserB,
// making files with the default umask (022); another user skips it, naming the cases not run.
#define RUN_AS_TWO_USERS(cases)                                                                    \
    do {                                                                                           \
        RUN_IN_FRESH_PROCESS();                                                                    \
        if (::geteuid() != 0) GTEST_SKIP() << "not run (not the superuser): " << (cases);          \
        ::umask(022);                                                                              \
    } while (0)

namespace fresh_process {

// Lets every user pass through each folder above folder (a test folder of the superuser may be
// closed to others), so that a plain user reaches it by its path.
inline bool LetOthersReach(const std::string& folder) {
    for (std::filesystem::path above = std::filesystem::path(folder).parent_path();
         above.has_relative_path(); above = above.parent_path()) {
        struct stat st {};
        if (::stat(above.c_str(), &st) != 0) return false;
        if ((st.st_mode & S_IXOTH) == 0 &&
            ::chmod(above.c_str(), (st.st_mode & 07777) | S_IXOTH) != 0)
            return false;
    }
    return true;
}

// The folder and everything in it, with the owner and mode of each, to be given back.
struct TOwnership {
    std::map<std::string, struct stat> Entries;

    explicit TOwnership(const std::string& folder) {
        Keep(folder);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            Keep(entry.path().string());
    }
    void Keep(const std::string& path) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) Entries[path] = st;
    }
    void GiveBack() const {
        for (const auto& [path, st] : Entries) {
            (void)::lchown(path.c_str(), st.st_uid, st.st_gid);
            if (!S_ISLNK(st.st_mode)) ::chmod(path.c_str(), st.st_mode & 07777);
        }
    }
};

// Takes a mount away when it ends.
struct TMounted {
    std::string Folder;
    ~TMounted() { ::umount2(Folder.c_str(), MNT_DETACH); }
};

// The whole pages that the files in folder take.
inline std::size_t PagesOf(const std::string& folder) {
    std::size_t pages = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) pages += (entry.file_size() + 4095) / 4096;
    return pages;
}

// Puts what the folder from holds in place of what the folder to holds.
inline void ReplaceContent(const std::string& from, const std::string& to) {
    for (const auto& entry : std::filesystem::directory_iterator(to))
        std::filesystem::remove_all(entry.path());
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

// Takes a plain user's identity for file access (every thread): nobody in nogroup, or the user,
// group and other groups given (numeric ids need no account), until it ends.
class TPlainUser {
public:
    explicit TPlainUser(uid_t user = kPlainUser, gid_t group = kPlainGroup,
                        const std::vector<gid_t>& others = {}) {
        groups_.resize(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
        groups_.resize(static_cast<std::size_t>(
            std::max(0, ::getgroups(static_cast<int>(groups_.size()), groups_.data()))));
        taken_ = ::setgroups(others.size(), others.data()) == 0 &&
                 ::setresgid(-1, group, -1) == 0 && ::setresuid(-1, user, -1) == 0;
    }
    ~TPlainUser() {
        (void)::setresuid(-1, 0, -1);
        (void)::setresgid(-1, ::getgid(), -1);
        (void)::setgroups(groups_.size(), groups_.data());
    }
    TPlainUser(const TPlainUser&) = delete;
    TPlainUser& operator=(const TPlainUser&) = delete;
    bool Taken() const { return taken_; }

private:
    std::vector<gid_t> groups_;
    bool taken_ = false;
};

// Two plain users of one group, numbers that no account names, for tests of files they share.
constexpr uid_t kUserA = 61001, kUserB = 61002;
constexpr gid_t kSharedGroup = 61000;

// Gives folder (mode folderMode), reachable by every user, to the superuser and group, and each
// file in it (mode fileMode) to owner and group. False when refused.
inline bool ShareFolder(const std::string& folder, mode_t folderMode, uid_t owner, gid_t group,
                        mode_t fileMode) {
    if (!LetOthersReach(folder)) return false;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (::chown(entry.path().c_str(), owner, group) != 0 ||
            ::chmod(entry.path().c_str(), fileMode) != 0)
            return false;
    return ::chown(folder.c_str(), 0, group) == 0 && ::chmod(folder.c_str(), folderMode) == 0;
}

// Each file of folder as "name owner:group mode" (the mode in octal).
inline std::set<std::string> OwnersAndModes(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const struct stat st = StatOf(entry.path());
        char mode[8];
        std::snprintf(mode, sizeof mode, "%o", static_cast<unsigned>(st.st_mode & 07777));
        files.insert(entry.path().filename().string() + " " + std::to_string(st.st_uid) + ":" +
                     std::to_string(st.st_gid) + " " + mode);
    }
    return files;
}

// What body answers run as user in group (and the other groups given), followed by " (files of
// folder changed)" when its files are not those it held before, with their owners and modes.
inline std::string AsUserKeepingOwners(const std::string& folder, uid_t user, gid_t group,
                                       const std::function<std::string()>& body,
                                       const std::vector<gid_t>& others = {}) {
    const std::set<std::string> before = OwnersAndModes(folder);
    std::string answer = "no identity";
    if (const TPlainUser as(user, group, others); as.Taken()) answer = body();
    return OwnersAndModes(folder) == before ? answer : answer + " (files of folder changed)";
}

// Closes the folders (the folder itself, or every folder in it too) and the files in it.
inline void ChangeModes(const std::string& folder, bool closeFolder, bool closeFiles,
                        bool closeSubfolders = false) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (closeFiles && entry.is_regular_file()) ::chmod(entry.path().c_str(), 0444);
        if (closeSubfolders && entry.is_directory()) ::chmod(entry.path().c_str(), 0555);
    }
    if (closeFolder) ::chmod(folder.c_str(), 0555);
}

inline void GiveToPlainUser(const std::string& folder) {
    (void)::lchown(folder.c_str(), kPlainUser, kPlainGroup);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        (void)::lchown(entry.path().c_str(), kPlainUser, kPlainGroup);
}

// What body answers while the user may not write in folder.
inline std::optional<std::string> AsPlainUser(const std::string& folder, TRefusal refusal,
                                              const std::function<std::string()>& body) {
    const TOwnership ownership(folder);
    const bool superuser = ::geteuid() == 0;
    if (superuser && !LetOthersReach(folder)) return std::nullopt;
    if (refusal == TRefusal::NotTheUsers) {
        // The superuser's folder and files are the other user's; a plain user closes his own.
        if (superuser)
            ::chmod(folder.c_str(), 0755);
        else
            ChangeModes(folder, true, true, true);
    } else {
        if (superuser) GiveToPlainUser(folder);
        ChangeModes(folder, refusal == TRefusal::ClosedFolder, refusal == TRefusal::ClosedFiles);
    }
    std::optional<std::string> answer;
    {
        std::optional<TPlainUser> user;
        if (superuser) user.emplace();
        if (!user || user->Taken()) answer = body();
    }
    ownership.GiveBack();
    return answer;
}

// What body answers while folder is bound onto itself read-only.
inline std::optional<std::string> OnReadOnlyMount(const std::string& folder,
                                                  const std::function<std::string()>& body) {
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return std::nullopt;
    const TMounted mounted{folder};
    if (::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return std::nullopt;
    return body();
}

// What body answers while folder is a file system that its files fill but for room bytes (in
// whole pages): in memory, or (image) an ext2 image, which cannot set room aside, filled but for
// about as much; what the body left there is then put back into the folder.
inline std::optional<std::string> OnFullDisk(const std::string& folder, std::size_t room,
                                             const std::function<std::string()>& body,
                                             bool image = false) {
    const TTestFolder kept, images;
    ReplaceContent(folder, kept.Path());
    const std::size_t pages = PagesOf(folder) + (room + 4095) / 4096;
    const struct stat st = StatOf(folder);
    char mode[8], options[64];
    std::snprintf(mode, sizeof mode, "%o", static_cast<unsigned>(st.st_mode & 07777));
    // A file system cannot be of no size: an empty folder without room gets a page, filled.
    std::snprintf(options, sizeof options, "size=%zu,mode=%s",
                  std::max<std::size_t>(pages, 1) * 4096, mode);
    // An image takes the folder's mode, loses its own lost+found and is filled but for the pages.
    const std::string file = "'" + images / "disk'", at = " '" + folder + "'";
    const std::string filler = folder + "/.full";
    const std::string made = "mkfs.ext2 -q -F -m 0 " + file + " " +
                             std::to_string(pages * 4 + 256) + "k >/dev/null && mount -o loop " +
                             file + at + " && (chmod " + mode + at + "; rmdir '" + folder +
                             "/lost+found'; dd if=/dev/zero of='" + filler +
                             "' bs=4k 2>/dev/null; truncate -s -" + std::to_string(pages * 4096) +
                             " '" + filler + "'; true)";
    if (image ? std::system(made.c_str()) != 0
              : ::mount("vantrel-full", folder.c_str(), "tmpfs", 0, options) != 0)
        return std::nullopt;
    std::string answer;
    {
        const TMounted mounted{folder};
        std::filesystem::copy(kept.Path(), folder, std::filesystem::copy_options::recursive);
        if (pages == 0) WriteAll(filler, std::string(4096, 'F'));
        answer = body();
        std::filesystem::remove(filler);
        ReplaceContent(folder, kept.Path());
    }
    ReplaceContent(kept.Path(), folder);
    return answer;
}

// A file system (python's FUSE binding) that shows the folder given as its first argument at the
// mount point given after it, where files are read, made, written and removed, and refuses every
// lock with ENOLCK, as some network file systems do.
constexpr const char* kFolderWithoutLocks = R"(import errno, os, sys
import fuse

fuse.fuse_python_api = (0, 2)


class FolderWithoutLocks(fuse.Fuse):
    def getattr(self, path): return os.lstat(self.source + path)
    def readdir(self, path, offset):
        return [fuse.Direntry(n) for n in [".", ".."] + os.listdir(self.source + path)]
    def open(self, path, flags): return 0
    def read(self, path, size, offset):
        with open(self.source + path, "rb") as f:
            f.seek(offset)
            return f.read(size)
    def create(self, path, flags, mode): return os.close(os.open(self.source + path, flags, mode))
    def write(self, path, data, offset):
        with open(self.source + path, "r+b") as f:
            f.seek(offset)
            return f.write(data)
    def truncate(self, path, size): os.truncate(self.source + path, size)
    def unlink(self, path): os.unlink(self.source + path)
    def lock(self, path, cmd, owner, **kw): return -errno.ENOLCK


server = FolderWithoutLocks(dash_s_do="setsingle")
server.source = sys.argv[1]
server.parse(sys.argv[2:], errex=1)
server.main()
)";

// What body answers while folder is shown through a file system that refuses every file lock
// (kFolderWithoutLocks over a copy of its files). Nothing when python's FUSE binding or the mount
// cannot be had.
inline std::optional<std::string> WithoutLocks(const std::string& folder,
                                               const std::function<std::string()>& body) {
    const std::string python = PythonWith("fuse");
    const TTestFolder kept, program;
    if (python.empty()) return std::nullopt;
    WriteAll(program / "nolocks.py", kFolderWithoutLocks);
    ReplaceContent(folder, kept.Path());
    const std::string command = "exec " + python + " '" + (program / "nolocks.py") + "' '" +
                                kept.Path() + "' '" + folder + "' -f -o nonempty";
    const pid_t server = ::fork();
    if (server == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const dev_t before = StatOf(folder).st_dev;
    for (int k = 0; k < 250 && StatOf(folder).st_dev == before; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::optional<std::string> answer;
    if (StatOf(folder).st_dev != before) {
        const TMounted mounted{folder};
        answer = body();
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    return answer;
}

} // namespace fresh_process

// Whether answer was had; else the log tells that the case named did not run.
inline bool Ran(const std::optional<std::string>& answer, const std::string& which) {
    if (!answer)
        std::printf("[ NOT RUN  ] %s: this machine cannot make that refusal\n", which.c_str());
    return answer.has_value();
}

// What body answered with folder refusing its writes as refusal says (room: the bytes a full disk
// leaves free, in whole pages), or nothing when the machine does not let the refusal be made
// (the test goes on to its other cases, and skips when it could run none). Runs only in a fresh
// process (RUN_IN_FRESH_PROCESS). The folder's files must be closed: a mount hides files that
// are open.
inline std::optional<std::string> InRefusedFolder(const std::string& folder, TRefusal refusal,
                                                  const std::function<std::string()>& body,
                                                  std::size_t room = 0) {
    using namespace fresh_process;
    const char* marker = Marker();
    if (!marker) {
        ADD_FAILURE()
            << "a refused folder needs the test in a fresh process (RUN_IN_FRESH_PROCESS)";
        return std::nullopt;
    }
    const auto guarded = [&body]() -> std::string {
        try {
            return body();
        } catch (const std::exception& e) {
            return std::string("the body raised: ") + e.what();
        } catch (...) {
            return "the body raised an exception";
        }
    };
    const bool mounts = std::string(marker) == "mounts";
    switch (refusal) {
    case TRefusal::ReadOnlyMount: return mounts ? OnReadOnlyMount(folder, guarded) : std::nullopt;
    case TRefusal::FullDisk:
    case TRefusal::FullImage:
        return mounts ? OnFullDisk(folder, room, guarded, refusal == TRefusal::FullImage)
                      : std::nullopt;
    case TRefusal::NoLocks: return mounts ? WithoutLocks(folder, guarded) : std::nullopt;
    default: return AsPlainUser(folder, refusal, guarded);
    }
}
