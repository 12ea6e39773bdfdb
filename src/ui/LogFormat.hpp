#pragma once

#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>

namespace ventora::LogFormat {

/// The log's text rules, kept apart from the widget so they can be checked exactly:
/// every entry gets its own "[HH:mm:ss] " stamp (an entry spanning several lines is stamped
/// once, at its start), and the stored text is capped at 60000 UTF-16 units, cut at a line
/// boundary whenever one lies close enough to the cut.

inline constexpr qsizetype maximumLength = 60000;
inline constexpr qsizetype lineSearchLength = 2048;

/// The entries stamped, joined by line feeds and ended by one more line feed. The clock is
/// asked once per entry.
[[nodiscard]] QString stampedEntries(const QStringList& entries,
                                     const std::function<QTime()>& clock);

/// How many leading units to delete so that `text` keeps at most `maximum` units.
[[nodiscard]] qsizetype excessPrefixLength(const QString& text, qsizetype maximum = maximumLength);

} // namespace ventora::LogFormat
