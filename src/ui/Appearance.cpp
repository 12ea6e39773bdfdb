#include "ui/Appearance.hpp"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QStyleFactory>

namespace ventora::Appearance {

QColor grey(double white, double alpha) {
    return QColor::fromRgbF(white, white, white, alpha);
}

QColor secondaryTextColor() {
    return grey(1.0, 0.55);
}

QFont systemFont(int pixelSize, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont monospacedFont(int pixelSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, grey(0.08));
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, grey(0.07));
    palette.setColor(QPalette::AlternateBase, grey(0.12));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::PlaceholderText, secondaryTextColor());
    palette.setColor(QPalette::Button, grey(0.2));
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, grey(0.16));
    palette.setColor(QPalette::ToolTipText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xd6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x5a, 0x9c, 0xff));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, secondaryTextColor());
    palette.setColor(QPalette::Disabled, QPalette::Text, secondaryTextColor());
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, secondaryTextColor());
    return palette;
}

void drawPanel(QPainter& painter, const QRectF& bounds, const QColor& fill, const QColor& stroke,
               double cornerRadius) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(stroke, 1.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

QColor focusRingColor() {
    return {0x4c, 0x8d, 0xff};
}

void drawFocusRing(QPainter& painter, const QRectF& bounds, double cornerRadius) {
    constexpr double width = 2.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(focusRingColor(), width));
    painter.setBrush(Qt::NoBrush);
    const double inset = width / 2;
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), cornerRadius - inset,
                            cornerRadius - inset);
    painter.restore();
}

void applyDarkAppearance(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        application.setStyle(fusion);
    }
    application.setPalette(darkPalette());
}

} // namespace ventora::Appearance
