#pragma once

#include "core/AppError.hpp"

#include <string>

namespace ventora::test {

/// The message of the AppError `action` throws, or a marker when it throws none, so one
/// EXPECT_EQ states the exact sentence a failure must show.
template <typename Action> std::string appErrorOf(Action&& action) {
    try {
        action();
    } catch (const AppError& error) {
        return error.message();
    }
    return "<no AppError>";
}

} // namespace ventora::test
