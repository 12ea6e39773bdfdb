#pragma once

#include <exception>
#include <string>

namespace ventora {

/// What went wrong, for the callers that act on it (an exit code, a quiet cancel); the
/// message alone is for people.
enum class ErrorKind { failure, invalidInput, unsupportedLayout, cancelled };

/// The one error the program raises on its own account. `message` is a complete,
/// user-facing sentence shown verbatim in alerts, the log and on the command line.
class AppError : public std::exception {
public:
    explicit AppError(std::string message, ErrorKind kind = ErrorKind::failure)
        : m_message(std::move(message)), m_kind(kind) {}

    [[nodiscard]] const std::string& message() const noexcept { return m_message; }
    [[nodiscard]] ErrorKind kind() const noexcept { return m_kind; }
    [[nodiscard]] const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
    ErrorKind m_kind;
};

/// The message every front end gives for a table that no family accepts.
inline constexpr const char* unsupportedLayoutMessage =
    "Unsupported AMD PowerPlay layout. Output was blocked to avoid unsafe patching.";

} // namespace ventora
