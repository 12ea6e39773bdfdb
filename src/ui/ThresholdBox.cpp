#include "ui/ThresholdBox.hpp"

#include "ui/Appearance.hpp"

#include <QPainter>

namespace ventora {

ThresholdBox::ThresholdBox(int minimum, int maximum, int value) {
    setRange(minimum, maximum);
    setValue(value);
    setSuffix(QStringLiteral(" \u00B0C"));
    setFont(Appearance::systemFont(13, QFont::Medium));
    setMinimumHeight(36);
}

void ThresholdBox::paintEvent(QPaintEvent* event) {
    QSpinBox::paintEvent(event);
    if (hasFocus()) {
        constexpr double cornerRadius = 4.0;
        QPainter painter(this);
        Appearance::drawFocusRing(painter, QRectF(rect()), cornerRadius);
    }
}

} // namespace ventora
