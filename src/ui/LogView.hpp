#pragma once

#include <QStringList>
#include <QTextEdit>

namespace ventora {

/// The window's read-only log: monospaced white text on a near-black ground. New entries
/// are stamped and appended at the end and the oldest text is dropped beyond the length cap;
/// a view that showed the end then scrolls to the newest line, one scrolled back keeps its
/// place and selection. Undo is off, so the cap bounds memory too. It takes keyboard focus
/// (for selecting and copying) and then shows the focus ring.
/// A QTextEdit rather than a QPlainTextEdit: it scrolls by pixels, so "the end" puts the
/// newest line at the bottom of the view instead of wherever a line-based scroll stops.
class LogView : public QTextEdit {
public:
    explicit LogView(QWidget* parent = nullptr);

    void appendEntries(const QStringList& entries);

    /// Asks for no more than its least height: the window's layout gives the log whatever room
    /// the other cards leave, so its wish must not push them into scrolling.
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static constexpr double focusRingRadius = 4.0;

    [[nodiscard]] QTextCursor cursorAt(int position) const;
};

} // namespace ventora
