#include "ui/ContactLinks.hpp"

namespace ventora::ContactLinks {

std::optional<QUrl> webAddress(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        return std::nullopt;
    }
    return url;
}

std::optional<QUrl> mailLink(const QString& address) {
    const QString trimmed = address.trimmed();
    const qsizetype at = trimmed.indexOf(QLatin1Char('@'));
    if (at <= 0 || at != trimmed.lastIndexOf(QLatin1Char('@')) || at == trimmed.size() - 1 ||
        trimmed.contains(QLatin1Char(' '))) {
        return std::nullopt;
    }
    const QUrl url(QStringLiteral("mailto:") + trimmed, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

std::optional<QUrl> donationPage() {
    return webAddress(QStringLiteral(VENTORA_DONATION_URL));
}

std::optional<QUrl> contactMail() {
    return mailLink(QStringLiteral(VENTORA_CONTACT_EMAIL));
}

} // namespace ventora::ContactLinks
