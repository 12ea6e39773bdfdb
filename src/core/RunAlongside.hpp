#pragma once

#include <optional>
#include <system_error>
#include <thread>

namespace ventora {

/// Runs `background` on a second thread while `foreground` runs on this one, and returns once
/// both are done, also when `foreground` throws. Where no thread can be started they run one
/// after the other. `background` must not throw: nothing could report it.
template <class Background, class Foreground>
void runAlongside(Background&& background, Foreground&& foreground) {
    std::optional<std::thread> thread;
    try {
        thread.emplace([&background]() noexcept { background(); });
    } catch (const std::system_error&) {
        background();
        foreground();
        return;
    }
    try {
        foreground();
    } catch (...) {
        thread->join();
        throw;
    }
    thread->join();
}

} // namespace ventora
