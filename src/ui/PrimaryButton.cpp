#include "ui/PrimaryButton.hpp"

#include "ui/Appearance.hpp"

#include <QPainter>

namespace ventora {
namespace {

constexpr int horizontalPadding = 14;
constexpr int verticalPadding = 8;
constexpr int textFlags = Qt::AlignCenter | Qt::TextWordWrap;

} // namespace

PrimaryButton::PrimaryButton(const QString& title, QWidget* parent)
    : QPushButton(title, parent), m_normalColor(Appearance::grey(0.2)),
      m_hoverColor(Appearance::grey(0.27)) {
    setFlat(true);
    setFont(Appearance::systemFont(13, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    setSizePolicy(policy);
}

QColor PrimaryButton::backgroundColor() const {
    return m_hovered ? m_hoverColor : m_normalColor;
}

QSize PrimaryButton::sizeHint() const {
    const QRect text =
        fontMetrics().boundingRect(QRect(0, 0, 10000, 10000), textFlags, this->text());
    return {text.width() + 2 * horizontalPadding, text.height() + 2 * verticalPadding};
}

QSize PrimaryButton::minimumSizeHint() const {
    return {2 * horizontalPadding, sizeHint().height()};
}

void PrimaryButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void PrimaryButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void PrimaryButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(backgroundColor());
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    // As Fusion does for its buttons, the ring shows once the keyboard has moved the focus, not
    // after a click.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        Appearance::drawFocusRing(painter, QRectF(rect()), cornerRadius);
    }
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(
        rect().adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding),
        textFlags, text());
}

} // namespace ventora
