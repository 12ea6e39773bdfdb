#pragma once

#include <QLineEdit>
#include <QWidget>

namespace ventora {

/// A bordered one-line field showing one value (the loaded file, the device path). Its
/// `label` is a line edit that is read-only unless the window makes it editable; whenever it
/// does not have keyboard focus its text is drawn on one line, cut at the tail with an
/// ellipsis when it does not fit. The box is never less than 36 pixels tall, and its border
/// becomes the focus ring while the field has keyboard focus.
class ValueBox : public QWidget {
public:
    static constexpr int cornerRadius = 8;
    static constexpr int minimumBoxHeight = 36;

    explicit ValueBox(const QString& text, QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* label() const { return m_label; }
    /// The text as it is currently drawn: elided unless the field is being edited.
    [[nodiscard]] QString displayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_label;
};

} // namespace ventora
