#pragma once

#include <QColor>
#include <QWidget>

namespace ventora {

/// A rounded translucent panel that groups one section of the window. It paints only its
/// own background and border; the children are laid out by the stack it holds, inset far
/// enough from the rounded corners that nothing is drawn over them.
class CardView : public QWidget {
public:
    static constexpr int cornerRadius = 14;

    explicit CardView(QWidget* parent = nullptr);

    [[nodiscard]] QColor fillColor() const { return m_fillColor; }
    [[nodiscard]] QColor strokeColor() const { return m_strokeColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fillColor;
    QColor m_strokeColor;
};

} // namespace ventora
