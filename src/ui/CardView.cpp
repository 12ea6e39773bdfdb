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
    Appearance::drawPanel(painter, QRectF(rect()), m_fillColor, m_strokeColor, cornerRadius);
}

} // namespace ventora
