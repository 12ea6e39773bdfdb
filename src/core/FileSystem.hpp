#pragma once

#include "core/ByteUtils.hpp"
#include "core/FileBuffer.hpp"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace ventora {

/// An owned POSIX file descriptor, closed on destruction.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool valid() const { return m_fd >= 0; }
    int release();
    void reset();

private:
    int m_fd = -1;
};

/// File primitives with the program's safety rules: files in shared places are created
/// exclusively, never through a symbolic link, and private to the user; writes are atomic, and
/// a final output reaches stable storage before it replaces anything.
/// Failures throw std::system_error carrying errno and the path.
namespace FileSystem {

/// One step on the way to the disk: a file or folder flushed to stable storage, or a rename
/// of `path` to `target`.
struct Step {
    enum class Kind { flushFile, rename, flushDirectory };
    Kind kind;
    std::filesystem::path path;
    std::filesystem::path target;
};

/// While it lives, records every Step once it succeeded, so a test can check their order
/// without a power cut. One at a time, created and destroyed while no file work runs.
class StepRecorder {
public:
    StepRecorder();
    ~StepRecorder();
    StepRecorder(const StepRecorder&) = delete;
    StepRecorder& operator=(const StepRecorder&) = delete;

    [[nodiscard]] const std::vector<Step>& steps() const { return m_steps; }

private:
    std::vector<Step> m_steps;
};

/// Creates `path` with O_CREAT | O_EXCL | O_NOFOLLOW and mode 0600, open for writing.
[[nodiscard]] UniqueFd createExclusiveFile(const std::filesystem::path& path);

/// Creates the folder `path` with mode 0700; fails when anything already exists there.
void createPrivateDirectory(const std::filesystem::path& path);

/// Writes `bytes` to a fresh temporary file beside `target` and renames it over `target`.
/// Not flushed: for files that are thrown away soon. The temporary is removed on every failure.
void writeFileAtomically(const std::filesystem::path& target, ByteView bytes);

/// The same for a final output: the temporary is flushed to stable storage before the rename
/// and the folder after it, so a power cut leaves either the old file or the new one.
void writeFileDurably(const std::filesystem::path& target, ByteView bytes);

/// Flushes the complete file `source`, renames it over `target` in the same folder and
/// flushes that folder.
void replaceDurably(const std::filesystem::path& source, const std::filesystem::path& target);

/// Reads the whole file with ordinary reads (never mapped: a file truncated while mapped
/// would crash the reader), but never more than `maximumBytes` + 1 bytes, so a caller that
/// checks the count afterwards is not exposed to a file that grows while it is read.
/// `Buffer` is Bytes or FileBuffer.
template <class Buffer = Bytes>
[[nodiscard]] Buffer readWholeFile(const std::filesystem::path& path,
                                   std::size_t maximumBytes = SIZE_MAX);

} // namespace FileSystem
} // namespace ventora
