#pragma once

#include "core/CancellationToken.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

/// The one place that runs an outside program. It spawns the child with its output sent to
/// the given descriptors and blocks until the child has exited, under a watchdog that asks
/// the child to terminate on cancellation or time-out and kills it half a second later.
/// A process id is signalled only while the child is unreaped, so the id can never belong
/// to another process by then.
namespace ventora::ProcessRunner {

struct Request {
    std::filesystem::path executable;
    std::vector<std::string> arguments;
    std::optional<std::filesystem::path> workingDirectory; // inherited when absent
    int standardOutputFd;                                  // capture file or /dev/null
    int standardErrorFd;
    double timeoutSeconds;
    const CancellationToken* token = nullptr;
};

/// Launches with posix_spawn and blocks until the child has exited, under the watchdog
/// (0.05 s ticks; SIGTERM on cancellation or time-out, SIGKILL 0.5 s later; never signals a
/// reaped pid). Returns the exit status (0..255), or -1 when the child ended by a signal or
/// had to be ended by the watchdog (whatever status it then exited with).
/// Throws std::system_error when the launch fails (what() carries the platform's text).
int run(const Request& request);

} // namespace ventora::ProcessRunner
