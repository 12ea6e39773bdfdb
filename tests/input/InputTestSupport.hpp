#pragma once

#include "core/AppError.hpp"
#include "core/ByteUtils.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace ventora::test {

/// A private folder for one test's input files, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ventora-input-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), pattern);
        }
        m_path = pattern;
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    std::filesystem::path write(std::string_view name, ByteView bytes) const {
        const auto file = m_path / name;
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr) {
            throw std::system_error(errno, std::generic_category(), file.string());
        }
        const std::size_t written =
            bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        if (written != bytes.size()) {
            throw std::runtime_error("short write to " + file.string());
        }
        return file;
    }

    std::filesystem::path write(std::string_view name, std::string_view text) const {
        const Bytes bytes(text.begin(), text.end());
        return write(name, bytes);
    }

private:
    std::filesystem::path m_path;
};

/// Runs `check` as an unprivileged user: in a child process that drops to nobody when the
/// suite runs as root (file permissions do not stop root), else directly. `folder` is opened
/// to others for the check's sake. True when the check held.
inline bool holdsWithoutPrivileges(const TemporaryFolder& folder,
                                   const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    namespace fs = std::filesystem;
    fs::permissions(folder.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool held = ::setgid(65534) == 0 && ::setuid(65534) == 0 && check();
        std::_Exit(held ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

/// Runs `action` and returns the AppError message it throws, or a marker when it throws none.
template <typename Action> std::string appErrorOf(Action&& action) {
    try {
        action();
    } catch (const AppError& error) {
        return error.message();
    }
    return "<no AppError>";
}

/// `text` as the UTF-32 string the text import works on (ASCII input only).
inline std::u32string ascii32(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace ventora::test
