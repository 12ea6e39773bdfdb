#include "core/CancellationToken.hpp"

namespace ventora {

void CancellationToken::cancel() {
    std::lock_guard guard(m_lock);
    m_cancelled = true;
}

bool CancellationToken::isCancelled() const {
    std::lock_guard guard(m_lock);
    return m_cancelled;
}

} // namespace ventora
