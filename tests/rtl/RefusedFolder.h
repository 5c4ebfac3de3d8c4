// Runs a part of a test in a child process for which a folder refuses every write as the system
// refuses it: with EROFS the folder is bound onto itself read-only in a mount namespace of the
// child's own; with EACCES the child runs as an unprivileged user, the folder and its files staying
// readable; or for which a folder is a disk of a few KiB that fills up (ENOSPC). The parent's view
// of the folder is untouched.
#pragma once

#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// Lets every user pass through each folder above folder (a test folder of the superuser may be
// closed to others), so that an unprivileged user reaches it by its path.
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

// Gives this process a mount namespace of its own, whose mounts no other process sees; false
// when the machine does not let a test do so.
inline bool OwnMountNamespace() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Makes folder refuse this process' writes with error (EROFS or EACCES); false when the machine
// does not let a test do so (no leave to mount, or not run by the superuser).
inline bool RefuseWritesIn(const std::string& folder, int error) {
    if (error == EROFS)
        return OwnMountNamespace() &&
               ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    constexpr uid_t nobody = 65534;
    return ::geteuid() == 0 && ::chmod(folder.c_str(), 0755) == 0 && LetOthersReach(folder) &&
           ::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
           ::setresuid(nobody, nobody, nobody) == 0;
}

// Mounts a disk of kib KiB (a tmpfs) on the empty folder, seen by this process alone: writes
// there fill it and are then refused with ENOSPC as on a full disk. False when the machine does
// not let a test do so.
inline bool MountSmallDisk(const std::string& folder, int kib) {
    const std::string size = "size=" + std::to_string(kib) + "k";
    return OwnMountNamespace() && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
}

// What body answered in a forked child once prepare succeeded there, or nothing when it did not
// (the caller skips). What body checks must come back in its answer; a child that ends without
// one, or gives none within limit (it is then killed), is told as such.
inline std::optional<std::string> InChild(const std::function<bool()>& prepare,
                                          const std::function<std::string()>& body,
                                          std::chrono::seconds limit = std::chrono::seconds(300)) {
    int ends[2];
    if (::pipe(ends) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        std::string answer = "-";
        try {
            if (prepare()) answer = "+" + body();
        } catch (...) {
            // Never let the child go on as a second runner of the tests.
            answer = "+the body raised an exception";
        }
        for (std::size_t done = 0; done < answer.size();) {
            const ssize_t n = ::write(ends[1], answer.data() + done, answer.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string answer;
    char chunk[512];
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool late = false;
    for (pollfd p{ends[0], POLLIN, 0};;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) {
            late = true;
            break;
        }
        const ssize_t n = ::read(ends[0], chunk, sizeof chunk);
        if (n <= 0) break;
        answer.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(ends[0]);
    int status = 0;
    if (child > 0 && late) ::kill(child, SIGKILL);
    if (child > 0) ::waitpid(child, &status, 0);
    if (late) return "the child gave no answer within " + std::to_string(limit.count()) + " s";
    if (answer == "-") return std::nullopt;
    if (answer.empty())
        return "the child ended without an answer, status " + std::to_string(status);
    return answer.substr(1);
}

// What body answered with folder refusing its writes with error, or nothing when the machine does
// not let the refusal be made (the caller skips). The body runs in a forked child (InChild).
inline std::optional<std::string> InRefusedFolder(const std::string& folder, int error,
                                                  const std::function<std::string()>& body) {
    return InChild([&] { return RefuseWritesIn(folder, error); }, body);
}

// What body answered with a disk of kib KiB mounted on folder (MountSmallDisk), or nothing when
// the machine does not let it be mounted (the caller skips). The body runs in a forked child
// (InChild), and so does whatever it runs to read the disk: nobody else sees it.
inline std::optional<std::string> OnSmallDisk(const std::string& folder, int kib,
                                              const std::function<std::string()>& body) {
    return InChild([&] { return MountSmallDisk(folder, kib); }, body);
}
