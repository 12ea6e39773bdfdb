#pragma once

#include <QStringList>
#include <QTextEdit>

namespace ventora {

/// The window's read-only log: monospaced white text on a near-black ground. New entries
/// are stamped and appended at the end, the oldest text is dropped beyond the length cap,
/// and the view then scrolls to the newest line. Undo is off, so the cap bounds memory too.
/// A QTextEdit rather than a QPlainTextEdit: it scrolls by pixels, so "the end" puts the
/// newest line at the bottom of the view instead of wherever a line-based scroll stops.
class LogView : public QTextEdit {
public:
    explicit LogView(QWidget* parent = nullptr);

    void appendEntries(const QStringList& entries);
};

} // namespace ventora
