#include "ui/LogView.hpp"

#include "ui/Appearance.hpp"
#include "ui/LogFormat.hpp"

#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

namespace ventora {

LogView::LogView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    // Read-only, yet reachable by Tab and selectable from the keyboard so the log can be copied.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setTabChangesFocus(true);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setAcceptDrops(false);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFont(Appearance::monospacedFont(12));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Appearance::grey(0.06));
    palette.setColor(QPalette::Window, Appearance::grey(0.06));
    palette.setColor(QPalette::Text, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    document()->setDocumentMargin(8);
    setViewportMargins(2, 0, 2, 0);
    setMinimumHeight(100);
}

QSize LogView::sizeHint() const {
    return {QTextEdit::sizeHint().width(), minimumHeight()};
}

void LogView::appendEntries(const QStringList& entries) {
    // Only a view showing the end follows it. Otherwise the line at the top of the view stays
    // there, even when the oldest text is cut, and the user's selection is left alone.
    QScrollBar* bar = verticalScrollBar();
    const bool followsEnd = bar->value() >= bar->maximum();
    const int topPosition = cursorForPosition(QPoint(0, 0)).position();
    const int topOffset = cursorRect(cursorAt(topPosition)).top();

    QTextCharFormat format;
    format.setFont(Appearance::monospacedFont(12));
    format.setForeground(Qt::white);

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(LogFormat::stampedEntries(entries, [] { return QTime::currentTime(); }),
                      format);
    // Document positions count one unit per UTF-16 unit and per line break, as the text does.
    const qsizetype cut = LogFormat::excessPrefixLength(document()->toPlainText());
    if (cut > 0) {
        cursor.setPosition(0);
        cursor.setPosition(static_cast<int>(cut), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();

    if (followsEnd) {
        bar->setValue(bar->maximum());
        return;
    }
    const int keptTop = std::max(0, topPosition - static_cast<int>(cut));
    bar->setValue(bar->value() + cursorRect(cursorAt(keptTop)).top() - topOffset);
}

QTextCursor LogView::cursorAt(int position) const {
    QTextCursor cursor(document());
    cursor.setPosition(position);
    return cursor;
}

void LogView::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(viewport());
        Appearance::drawFocusRing(painter, QRectF(viewport()->rect()), focusRingRadius);
    }
}

// The ring is drawn over the scrolled text, so a scroll or a focus change redraws the view.
void LogView::scrollContentsBy(int dx, int dy) {
    QTextEdit::scrollContentsBy(dx, dy);
    viewport()->update();
}

void LogView::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    viewport()->update();
}

} // namespace ventora
