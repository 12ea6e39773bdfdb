#pragma once

#include <mutex>

namespace ventora {

/// Cooperative cancellation shared between the main thread and one background job.
/// The flag only ever goes from false to true; the lock is held for the single access.
class CancellationToken {
public:
    void cancel();
    [[nodiscard]] bool isCancelled() const;

private:
    mutable std::mutex m_lock;
    bool m_cancelled = false;
};

/// True when a token was given and it has been cancelled; a job without a token never is.
[[nodiscard]] inline bool isCancelled(const CancellationToken* token) {
    return token != nullptr && token->isCancelled();
}

/// A cancellable job's checkpoint: throws AppError(`message`, ErrorKind::cancelled) once the
/// token has been cancelled.
void throwIfCancelled(const CancellationToken* token, const char* message);

} // namespace ventora
