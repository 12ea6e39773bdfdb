#include "core/CancellationToken.hpp"

#include "core/AppError.hpp"

namespace ventora {

void CancellationToken::cancel() {
    std::lock_guard guard(m_lock);
    m_cancelled = true;
}

bool CancellationToken::isCancelled() const {
    std::lock_guard guard(m_lock);
    return m_cancelled;
}

void throwIfCancelled(const CancellationToken* token, const char* message) {
    if (isCancelled(token)) {
        throw AppError(message, ErrorKind::cancelled);
    }
}

} // namespace ventora
