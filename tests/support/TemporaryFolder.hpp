#pragma once

#include "core/ByteUtils.hpp"

#include <filesystem>
#include <string_view>

namespace ventora::test {

/// A private folder for one test, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    /// Writes `bytes` to `name` inside the folder (subfolders created) and returns its path.
    std::filesystem::path write(std::string_view name, ByteView bytes) const;
    std::filesystem::path write(std::string_view name, std::string_view text) const;

private:
    std::filesystem::path m_path;
};

} // namespace ventora::test
