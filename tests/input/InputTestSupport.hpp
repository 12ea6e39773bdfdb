#pragma once

#include "support/ErrorMessage.hpp"
#include "support/TemporaryFolder.hpp"

#include <cstdlib>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace ventora::test {

/// Runs `check` as an unprivileged user: in a child process that drops to nobody when the
/// suite runs as root (file permissions do not stop root), else directly. `folder` is opened
/// to others for the check's sake. True when the check held.
inline bool holdsWithoutPrivileges(const TemporaryFolder& folder,
                                   const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    std::filesystem::permissions(folder.path(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    const pid_t child = ::fork();
    if (child == 0) {
        std::_Exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Spelled out rather than taken from the code, so that a changed text fails.
inline const std::string trying = "Trying PowerPlay header scan fallback...";
inline const std::string readOnly =
    "VBIOS was read as a file only. No firmware write or flash operation was performed.";

inline std::string extractedLine(const std::string& offset, std::size_t size) {
    return "Extracted PowerPlayInfo/SPPT from saved VBIOS ROM. Offset: " + offset +
           ", size: " + std::to_string(size) + " bytes.";
}

} // namespace ventora::test
