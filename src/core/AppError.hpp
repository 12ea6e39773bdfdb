#pragma once

#include <exception>
#include <string>

namespace ventora {

/// The one error the program raises on its own account. `message` is a complete,
/// user-facing sentence shown verbatim in alerts, the log and on the command line.
class AppError : public std::exception {
public:
    explicit AppError(std::string message) : m_message(std::move(message)) {}

    [[nodiscard]] const std::string& message() const noexcept { return m_message; }
    [[nodiscard]] const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

} // namespace ventora
