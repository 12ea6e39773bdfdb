#pragma once

#include "core/ByteUtils.hpp"
#include "core/FileSystem.hpp"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace ventora {

/// The file an outside tool's output goes to: "Ventora-<UUID>.<suffix>" in a given folder,
/// created exclusively and private, and removed when the object goes, however the run ended.
class CaptureFile {
public:
    /// Throws std::system_error when the file cannot be created.
    CaptureFile(const std::filesystem::path& folder, std::string_view suffix);
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    [[nodiscard]] int fd() const { return m_fd.get(); }

    /// Closes the descriptor and reads back at most `maximumBytes` of what was written.
    /// Throws std::system_error when the file cannot be read.
    [[nodiscard]] Bytes read(std::size_t maximumBytes = SIZE_MAX);

private:
    std::filesystem::path m_path;
    UniqueFd m_fd;
};

} // namespace ventora
