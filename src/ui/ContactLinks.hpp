#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace ventora::ContactLinks {

/// The donation page and contact address are fixed when the program is built (CMake cache
/// variables VENTORA_DONATION_URL and VENTORA_CONTACT_EMAIL). Both default to empty, and a
/// value that does not form a usable link counts as absent: its button and menu item are
/// then hidden.

/// An http or https address with a host, or absent.
[[nodiscard]] std::optional<QUrl> webAddress(const QString& text);
/// A mailto: link for an address of the form local@domain, or absent.
[[nodiscard]] std::optional<QUrl> mailLink(const QString& address);

[[nodiscard]] std::optional<QUrl> donationPage();
[[nodiscard]] std::optional<QUrl> contactMail();

} // namespace ventora::ContactLinks
