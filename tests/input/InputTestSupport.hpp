#pragma once

#include "core/ByteUtils.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

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

/// `text` as the UTF-32 string the text import works on (ASCII input only).
inline std::u32string ascii32(std::string_view text) {
    return {text.begin(), text.end()};
}

/// A table's bytes spelled as contiguous upper-case hex digits.
inline std::string hexDigits(ByteView bytes) {
    return ByteUtils::hexString(bytes);
}

} // namespace ventora::test
