// Start-up of the whole program against a bare Qt window, both started as new processes in the
// same run. The program runs on the offscreen platform with its splash wait set to zero
// (VANTREL_SPLASH_MS=0), so what is timed is the work of starting: loading, the regional
// settings, the splash painted once, the main window with its menus, toolbar glyphs and
// settings built, shown and activated. The program is ready when its first activation opens
// the tip of the day, which on a screen without input it reports on standard error ("Tips"
// shown ... taken as cancelled). The peer is this same benchmark program started again as a
// plain Qt window that reports its first expose the same way. It prints the program's start-up
// time (goal: under 300 ms) and its ratio to the peer's.
#include <QGuiApplication>
#include <QRasterWindow>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kPeerVariable = "VANTREL_STARTUP_PEER";
constexpr const char* kReady = "\"Tips\" shown";
constexpr const char* kPeerReady = "peer window shown";
constexpr int kTimeoutMs = 20000;

// As the peer: one window, shown; its first expose is reported and the process then waits to
// be ended.
class PeerWindow : public QRasterWindow {
protected:
    void exposeEvent(QExposeEvent* e) override {
        QRasterWindow::exposeEvent(e);
        if (!reported_ && isExposed()) {
            reported_ = true;
            std::fprintf(stderr, "%s\n", kPeerReady);
            std::fflush(stderr);
        }
    }

private:
    bool reported_ = false;
};

[[noreturn]] void RunPeer() {
    int argc = 1;
    char name[] = "startup-peer";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    PeerWindow window;
    window.resize(620, 458);
    window.setTitle("Peer");
    window.show();
    std::exit(app.exec());
}

// Started as the peer, this program becomes the bare window before the benchmarks run.
[[maybe_unused]] const bool kIsPeer = [] {
    if (std::getenv(kPeerVariable)) RunPeer();
    return false;
}();

std::vector<std::string> Environment(const std::string& home, bool peer) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("VANTREL_", 0) == 0) continue;
        env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("VANTREL_HOME=" + home);
    env.push_back("VANTREL_SPLASH_MS=0");
    if (peer) env.push_back(std::string(kPeerVariable) + "=1");
    return env;
}

// Starts a program and returns the seconds until its standard error shows the marker.
double TimeToReady(const std::string& program, const std::vector<std::string>& env,
                   const char* marker) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (spawned != 0) {
        close(pipe_fds[0]);
        throw std::runtime_error("cannot start " + program);
    }
    std::string seen;
    double seconds = -1;
    while (seconds < 0) {
        pollfd p{pipe_fds[0], POLLIN, 0};
        if (poll(&p, 1, kTimeoutMs) <= 0) break;
        char buffer[4096];
        const ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        seen.append(buffer, static_cast<std::size_t>(n));
        if (seen.find(marker) != std::string::npos)
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(pipe_fds[0]);
    if (seconds < 0) throw std::runtime_error(program + " never became ready:\n" + seen);
    return seconds;
}

std::string SelfPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

void BM_StartupAgainstBareWindow(benchmark::State& state) {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("vantrel-startup-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    const auto program_env = Environment(home.string(), false);
    const auto peer_env = Environment(home.string(), true);
    double program_total = 0, peer_total = 0;
    try {
        // A first start makes the settings files, as after installation; it is not timed.
        TimeToReady(VANTREL_PROGRAM, program_env, kReady);
        for (auto _ : state) {
            const double program = TimeToReady(VANTREL_PROGRAM, program_env, kReady);
            peer_total += TimeToReady(SelfPath(), peer_env, kPeerReady);
            program_total += program;
            state.SetIterationTime(program);
        }
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
    std::filesystem::remove_all(home);
    const double n = static_cast<double>(state.iterations());
    if (program_total <= 0 || n == 0) return;
    state.counters["program_ms"] = 1000.0 * program_total / n;
    state.counters["bare_window_ms"] = 1000.0 * peer_total / n;
    state.counters["ratio"] = program_total / peer_total;
    std::printf("start-up to the main window ready: %.0f ms (goal < 300 ms), %.2f times a bare "
                "Qt window's %.0f ms\n",
                1000.0 * program_total / n, program_total / peer_total, 1000.0 * peer_total / n);
}

} // namespace

BENCHMARK(BM_StartupAgainstBareWindow)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
