#pragma once

#include "core/CancellationToken.hpp"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

/// The one place that runs an outside program. It spawns the child with its output sent to
/// the given descriptors and blocks until the child has exited, under a watchdog that asks
/// the child to terminate on cancellation or time-out and kills it half a second later.
/// A process id is signalled only while the child is unreaped, so the id can never belong
/// to another process by then.
namespace ventora::ProcessRunner {

using Clock = std::chrono::steady_clock;

/// Where the watchdog reads the time it measures the time-out and the kill's grace against.
/// Its ticks keep the real pace whatever this says, so a clock that runs ahead lets a test
/// reach a time-out without waiting for it.
using TimeSource = std::function<Clock::time_point()>;

struct Request {
    std::filesystem::path executable;
    std::vector<std::string> arguments;
    std::optional<std::filesystem::path> workingDirectory; // inherited when absent
    int standardOutputFd; // a capture file (both streams may share one)
    int standardErrorFd;
    double timeoutSeconds;
    const CancellationToken* token = nullptr;
    TimeSource now = Clock::now;
};

/// Launches with posix_spawn and blocks until the child has exited, under the watchdog
/// (0.05 s ticks; SIGTERM on cancellation or time-out, SIGKILL 0.5 s later; never signals a
/// reaped pid). Returns the exit status (0..255), or -1 when the child ended by a signal or
/// had to be ended by the watchdog (whatever status it then exited with).
/// Throws std::system_error when the launch fails (what() carries the platform's text).
int run(const Request& request);

} // namespace ventora::ProcessRunner
