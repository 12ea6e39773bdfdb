#include "ui/CardView.hpp"

#include "ui/Appearance.hpp"

#include <QPainter>

namespace ventora {

CardView::CardView(QWidget* parent)
    : QWidget(parent), m_fillColor(Appearance::grey(0.12, 0.96)),
      m_strokeColor(Appearance::grey(0.32, 0.55)) {}

// Colours are applied on every paint, so a redraw can never lose them.
void CardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_strokeColor, 1.0));
    painter.setBrush(m_fillColor);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                            cornerRadius);
}

} // namespace ventora
