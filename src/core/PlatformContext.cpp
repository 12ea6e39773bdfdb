#include "core/PlatformContext.hpp"

#include <array>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace ventora {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

fs::path homeDirectory() {
    const auto home = environment("HOME");
    return home && !home->empty() ? fs::path(*home) : fs::path("/");
}

fs::path systemTemporaryDirectory() {
    std::error_code error;
    fs::path directory = fs::temp_directory_path(error);
    return error ? fs::path("/tmp") : directory;
}

#if !defined(__APPLE__)
// XDG_DESKTOP_DIR="$HOME/Desktop" in user-dirs.dirs; only that shape is understood.
std::optional<fs::path> xdgDesktopDirectory(const fs::path& home) {
    const auto configHome = environment("XDG_CONFIG_HOME");
    const fs::path config =
        configHome && !configHome->empty() ? fs::path(*configHome) : home / ".config";
    std::ifstream file(config / "user-dirs.dirs");
    const std::string key = "XDG_DESKTOP_DIR=\"";
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) {
            return home / fs::path(value.substr(5)).relative_path();
        }
        if (!value.empty() && value.front() == '/') {
            return fs::path(value);
        }
    }
    return std::nullopt;
}
#endif

fs::path systemDesktopDirectory() {
    const fs::path home = homeDirectory();
#if !defined(__APPLE__)
    if (auto desktop = xdgDesktopDirectory(home)) {
        return *desktop;
    }
#endif
    return home / "Desktop";
}

fs::path executableDirectory() {
#if defined(__APPLE__)
    std::array<char, 4096> buffer{};
    auto size = static_cast<std::uint32_t>(buffer.size());
    if (_NSGetExecutablePath(buffer.data(), &size) == 0) {
        return fs::weakly_canonical(fs::path(buffer.data())).parent_path();
    }
    return {};
#else
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
#endif
}

// macOS bundle: Contents/MacOS/ventora -> Contents/Resources. Installed Linux tree:
// bin/ventora -> share/ventora. The build tree keeps a copy next to the binaries.
fs::path systemResourcesDirectory() {
    const fs::path binaries = executableDirectory();
#if defined(__APPLE__)
    const fs::path bundled = binaries.parent_path() / "Resources";
#else
    const fs::path bundled = binaries.parent_path() / "share" / "ventora";
#endif
    std::error_code error;
    return fs::is_directory(bundled, error) ? bundled : binaries;
}

} // namespace

PlatformContext PlatformContext::fromSystem() {
    PlatformContext context;
    context.temporaryDirectory = systemTemporaryDirectory();
    context.desktopDirectory = systemDesktopDirectory();
    context.resourcesDirectory = systemResourcesDirectory();
    context.ioregExecutable = "/usr/sbin/ioreg";
    context.gfxutilLocations = {"/usr/local/bin/gfxutil", "/opt/homebrew/bin/gfxutil",
                                "/opt/local/bin/gfxutil"};
    context.searchPath = environment("PATH");
    context.zipExecutable = "/usr/bin/zip";
#if defined(__linux__)
    context.sysfsDirectory = "/sys";
#endif
    return context;
}

std::vector<fs::path> PlatformContext::searchPathDirectories() const {
    std::vector<fs::path> directories;
    if (!searchPath) {
        return directories;
    }
    std::string_view rest = *searchPath;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view directory = rest.substr(0, colon);
        if (!directory.empty()) {
            std::error_code ignored;
            directories.push_back(fs::absolute(fs::path(directory), ignored).lexically_normal());
        }
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    return directories;
}

bool isExecutableFile(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace ventora
