#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// The few facts the program takes from the machine: where temporary files and the Desktop
/// are, where its resources live and which outside executables it runs. Production code
/// builds it from the system with fromSystem(); tests build one by hand to point the code at
/// private folders and fake tools. It is a code-level seam: the program has no settings.
struct PlatformContext {
    std::filesystem::path temporaryDirectory;
    std::filesystem::path desktopDirectory;
    std::filesystem::path resourcesDirectory;
    std::filesystem::path ioregExecutable;
    /// Fixed gfxutil locations, searched after the bundled copy and before PATH.
    std::vector<std::filesystem::path> gfxutilLocations;
    /// The process's PATH as read when the context was built; absent when unset.
    std::optional<std::string> searchPath;
    std::filesystem::path zipExecutable;
    /// Linux's sysfs (/sys), where the GPU, its PCI chain and the driver's table are read;
    /// absent where the I/O Registry and gfxutil answer instead (macOS).
    std::optional<std::filesystem::path> sysfsDirectory;

    [[nodiscard]] static PlatformContext fromSystem();

    /// The folders of searchPath, in order, as the shell reads them: empty entries skipped,
    /// relative ones taken below the current folder.
    [[nodiscard]] std::vector<std::filesystem::path> searchPathDirectories() const;
};

/// True for a regular file (symbolic links followed) that this process may execute.
[[nodiscard]] bool isExecutableFile(const std::filesystem::path& path);

} // namespace ventora
