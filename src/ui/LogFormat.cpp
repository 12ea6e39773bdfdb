#include "ui/LogFormat.hpp"

namespace ventora::LogFormat {

QString stampedEntries(const QStringList& entries, const std::function<QTime()>& clock) {
    QString text;
    for (const QString& entry : entries) {
        if (!text.isEmpty()) {
            text += QLatin1Char('\n');
        }
        text += QLatin1Char('[') + clock().toString(QStringLiteral("HH:mm:ss")) +
                QStringLiteral("] ") + entry;
    }
    return text + QLatin1Char('\n');
}

qsizetype excessPrefixLength(const QString& text, qsizetype maximum) {
    const qsizetype length = text.size();
    if (length <= maximum) {
        return 0;
    }
    const qsizetype excess = length - maximum;
    const qsizetype searchEnd = std::min(excess + lineSearchLength, length);
    const qsizetype lineFeed = text.indexOf(QLatin1Char('\n'), excess);
    if (lineFeed >= 0 && lineFeed < searchEnd) {
        return lineFeed + 1;
    }
    // Never leave half of a surrogate pair at the start of the log.
    return text.at(excess).isLowSurrogate() ? excess + 1 : excess;
}

} // namespace ventora::LogFormat
