#pragma once

#include <QSpinBox>

namespace ventora {

/// A whole-degree temperature box of the custom fan-stop row. The dark look draws no stock
/// focus frame, so the box strokes the shared focus ring itself while it has the focus.
class ThresholdBox : public QSpinBox {
public:
    ThresholdBox(int minimum, int maximum, int value);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ventora
