#pragma once

#include <QPlainTextEdit>
#include <QStringList>

namespace ventora {

/// The window's read-only log: monospaced white text on a near-black ground. New entries
/// are stamped and appended at the end, the oldest text is dropped beyond the length cap,
/// and the view then scrolls to the newest line. Undo is off, so the cap bounds memory too.
class LogView : public QPlainTextEdit {
public:
    explicit LogView(QWidget* parent = nullptr);

    void appendEntries(const QStringList& entries);
};

} // namespace ventora
