#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QApplication;
class QPainter;
class QRectF;

namespace ventora::Appearance {

/// The window's own dark look, independent of the desktop theme: grey levels given as a white
/// level and an alpha (0 to 1), fonts in the sizes the layout names (in device-independent
/// pixels, so they match across platforms), and a dark palette for the stock widgets.

[[nodiscard]] QColor grey(double white, double alpha = 1.0);
[[nodiscard]] QColor secondaryTextColor();
[[nodiscard]] QFont systemFont(int pixelSize, QFont::Weight weight = QFont::Normal);
[[nodiscard]] QFont monospacedFont(int pixelSize);
[[nodiscard]] QPalette darkPalette();

/// Fills a rounded panel inside `bounds` with a one-pixel border, drawn on the pixel grid.
void drawPanel(QPainter& painter, const QRectF& bounds, const QColor& fill, const QColor& stroke,
               double cornerRadius);

/// The keyboard focus indicator of the styled controls, which draw no stock focus frame.
[[nodiscard]] QColor focusRingColor();
/// Strokes the focus ring just inside `bounds`, following corners of the given radius.
void drawFocusRing(QPainter& painter, const QRectF& bounds, double cornerRadius);

/// Fusion style plus the dark palette, so dialogs and menus match the window too.
void applyDarkAppearance(QApplication& application);

} // namespace ventora::Appearance
