#include "ui/LogView.hpp"

#include "ui/Appearance.hpp"
#include "ui/LogFormat.hpp"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace ventora {

LogView::LogView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
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

void LogView::appendEntries(const QStringList& entries) {
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

    moveCursor(QTextCursor::End);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace ventora
