#include "ui/ValueBox.hpp"

#include "ui/Appearance.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace ventora {
namespace {

constexpr int insideMargin = 12;

// The rectangle QLineEdit itself draws its text in, so the elided text sits exactly where
// the editable text appears once the field gains focus.
QRect textRectangle(const QLineEdit& edit) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = 0;
    option.midLineWidth = 0;
    QRect area = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins margins = edit.textMargins();
    return area.marginsRemoved(margins).adjusted(2, 0, -2, 0);
}

QString visibleText(const QLineEdit& edit) {
    if (edit.hasFocus()) {
        return edit.text();
    }
    return edit.fontMetrics().elidedText(edit.text(), Qt::ElideRight, textRectangle(edit).width());
}

// While not focused the field paints the elided text itself; editing shows the real text.
class ElidingLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (hasFocus()) {
            QLineEdit::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(textRectangle(*this), Qt::AlignLeft | Qt::AlignVCenter,
                         visibleText(*this));
    }
};

} // namespace

ValueBox::ValueBox(const QString& text, QWidget* parent)
    : QWidget(parent), m_label(new ElidingLineEdit(text, this)) {
    m_label->setReadOnly(true);
    m_label->setFrame(false);
    m_label->setFocusPolicy(Qt::NoFocus);
    m_label->setAcceptDrops(false);
    m_label->setFont(Appearance::systemFont(13, QFont::Medium));
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::white);
    m_label->setPalette(palette);
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_label->installEventFilter(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(insideMargin, 0, insideMargin, 0);
    layout->addWidget(m_label, 1, Qt::AlignVCenter);
    setMinimumHeight(minimumBoxHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString ValueBox::displayedText() const {
    return visibleText(*m_label);
}

void ValueBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Appearance::drawPanel(painter, QRectF(rect()), Appearance::grey(0.07),
                          Appearance::grey(0.28, 0.85), cornerRadius);
    if (m_label->hasFocus()) {
        Appearance::drawFocusRing(painter, QRectF(rect()), cornerRadius);
    }
}

bool ValueBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_label &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        update();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ventora
