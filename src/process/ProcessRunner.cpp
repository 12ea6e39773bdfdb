#include "process/ProcessRunner.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ventora::ProcessRunner {
namespace {

constexpr auto tickInterval = std::chrono::milliseconds(50);
constexpr auto killGrace = std::chrono::milliseconds(500);

void checkSpawnCall(int error, const std::filesystem::path& executable) {
    if (error != 0) {
        throw std::system_error(error, std::generic_category(), executable.string());
    }
}

int addChdir(posix_spawn_file_actions_t* actions, const char* directory) {
#ifdef VENTORA_SPAWN_ADDCHDIR
    return posix_spawn_file_actions_addchdir(actions, directory);
#else
    return posix_spawn_file_actions_addchdir_np(actions, directory);
#endif
}

/// Owns a posix_spawn_file_actions_t for the duration of one launch.
class SpawnFileActions {
public:
    explicit SpawnFileActions(const std::filesystem::path& executable) {
        checkSpawnCall(posix_spawn_file_actions_init(&m_actions), executable);
    }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;

    [[nodiscard]] posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
};

/// Owns a posix_spawnattr_t for the duration of one launch.
class SpawnAttributes {
public:
    explicit SpawnAttributes(const std::filesystem::path& executable) {
        checkSpawnCall(posix_spawnattr_init(&m_attributes), executable);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    [[nodiscard]] posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
};

// The child must be able to receive the watchdog's SIGTERM even when the calling thread
// blocks signals or the program ignores SIGTERM or SIGPIPE, which a child would inherit.
void resetSignals(SpawnAttributes& attributes, const std::filesystem::path& executable) {
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    checkSpawnCall(posix_spawnattr_setsigmask(attributes.get(), &none), executable);
    checkSpawnCall(posix_spawnattr_setsigdefault(attributes.get(), &defaults), executable);
    checkSpawnCall(
        posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
        executable);
}

pid_t spawn(const Request& request) {
    const auto& executable = request.executable;
    SpawnFileActions actions(executable);
    checkSpawnCall(
        posix_spawn_file_actions_adddup2(actions.get(), request.standardOutputFd, STDOUT_FILENO),
        executable);
    checkSpawnCall(
        posix_spawn_file_actions_adddup2(actions.get(), request.standardErrorFd, STDERR_FILENO),
        executable);
    if (request.workingDirectory) {
        checkSpawnCall(addChdir(actions.get(), request.workingDirectory->c_str()), executable);
    }
    SpawnAttributes attributes(executable);
    resetSignals(attributes, executable);

    std::vector<char*> argv;
    argv.reserve(request.arguments.size() + 2);
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const auto& argument : request.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = -1;
    checkSpawnCall(posix_spawn(&pid, executable.c_str(), actions.get(), attributes.get(),
                               argv.data(), environ),
                   executable);
    return pid;
}

/// Ticks every 0.05 s while the child runs. Once the child is cancelled or past its deadline
/// it sends SIGTERM on every tick and, from 0.5 s after the first one, SIGKILL as well.
/// Deadline and grace are read on the request's time source, the ticks on the real clock.
/// The owner stops it after the child has exited and before reaping it.
class Watchdog {
public:
    Watchdog(pid_t pid, Clock::time_point deadline, const Request& request)
        : m_pid(pid), m_deadline(deadline), m_token(request.token), m_now(request.now),
          m_thread([this] { watch(); }) {}
    ~Watchdog() { stop(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void stop() {
        {
            std::lock_guard lock(m_mutex);
            m_childExited = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    /// Whether the child was asked to terminate; valid after stop().
    [[nodiscard]] bool terminatedChild() const { return m_terminatedChild; }

private:
    void watch() {
        std::unique_lock lock(m_mutex);
        auto nextTick = Clock::now() + tickInterval;
        std::optional<Clock::time_point> firstTermination;
        while (!m_wake.wait_until(lock, nextTick, [this] { return m_childExited; })) {
            // After a stall the missed ticks are skipped rather than made up in a burst.
            nextTick = std::max(nextTick + tickInterval, Clock::now() + tickInterval / 2);
            // Measured on the clock, not by counting ticks, so the forced kill never follows
            // the request without its grace.
            const auto now = m_now();
            if (isCancelled(m_token) || now >= m_deadline) {
                ::kill(m_pid, SIGTERM);
                m_terminatedChild = true;
                if (!firstTermination) {
                    firstTermination = now;
                }
            }
            if (firstTermination && now >= *firstTermination + killGrace) {
                ::kill(m_pid, SIGKILL);
            }
        }
    }

    const pid_t m_pid;
    const Clock::time_point m_deadline;
    const CancellationToken* const m_token;
    const TimeSource m_now;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_childExited = false;
    bool m_terminatedChild = false;
    std::thread m_thread; // last: starts once everything it reads is initialised
};

// Waits for the child's exit but leaves it a zombie (WNOWAIT), so its pid stays reserved
// until the watchdog can no longer signal it. macOS also returns here for a child that was
// stopped or continued; only an exit or a fatal signal ends the wait.
int waitForExit(pid_t pid) {
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) {
            if (errno != EINTR) {
                return -1;
            }
            continue;
        }
        switch (info.si_code) {
        case CLD_EXITED:
            return info.si_status;
        case CLD_KILLED:
        case CLD_DUMPED:
            return -1;
        default:
            // The state stays reported while the child is stopped: pause rather than spin.
            std::this_thread::sleep_for(tickInterval / 5);
            break;
        }
    }
}

void reap(pid_t pid) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Clamped so that a huge or invalid time-out cannot overflow the clock's representation.
Clock::time_point deadlineAfter(Clock::time_point start, double seconds) {
    constexpr double longest = 365.0 * 24 * 3600;
    const double bounded = seconds > 0 ? std::min(seconds, longest) : 0.0;
    return start +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounded));
}

} // namespace

int run(const Request& request) {
    const pid_t pid = spawn(request);
    const auto deadline = deadlineAfter(request.now(), request.timeoutSeconds);
    std::optional<Watchdog> watchdog;
    try {
        watchdog.emplace(pid, deadline, request);
    } catch (...) {
        // Without a watchdog nobody could stop the child: end it now rather than wait.
        ::kill(pid, SIGKILL);
        reap(pid);
        throw;
    }
    const int status = waitForExit(pid);
    watchdog->stop();
    reap(pid);
    // A child may answer SIGTERM by exiting 0 with its work cut short: one the watchdog had
    // to end never counts as a success.
    return watchdog->terminatedChild() ? -1 : status;
}

} // namespace ventora::ProcessRunner
