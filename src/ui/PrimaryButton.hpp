#pragma once

#include <QColor>
#include <QPushButton>

namespace ventora {

/// A flat rounded action button that lightens while the pointer is over it. Hover state
/// comes from the widget's own enter and leave events, which follow its geometry, so a
/// resize never leaves a stale hover region behind. The title may hold a line break. It shows
/// the focus ring while it has the focus the keyboard moved there.
class PrimaryButton : public QPushButton {
public:
    static constexpr int cornerRadius = 10;

    explicit PrimaryButton(const QString& title, QWidget* parent = nullptr);

    [[nodiscard]] QColor normalColor() const { return m_normalColor; }
    [[nodiscard]] QColor hoverColor() const { return m_hoverColor; }
    [[nodiscard]] bool isHovered() const { return m_hovered; }
    [[nodiscard]] QColor backgroundColor() const;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_normalColor;
    QColor m_hoverColor;
    bool m_hovered = false;
};

} // namespace ventora
