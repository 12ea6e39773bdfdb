#pragma once

#include "core/PatchMode.hpp"

#include <QMainWindow>

class QLabel;
class QSpinBox;

namespace ventora {

class LogView;
class PrimaryButton;
class ValueBox;

/// The main window's views, built once: header, input, device path, the two status cards,
/// actions and log, then the status line, stacked top to bottom on a dark ground inside a
/// scroll area, so a screen smaller than the window still reaches every control. Tab visits
/// the controls in the order the layouts place them. Beyond keeping the custom threshold boxes
/// and their button's title in step, it holds no behaviour; the controller connects the
/// buttons and fills the fields.
class MainWindowView : public QMainWindow {
public:
    static constexpr QSize initialSize{920, 740};
    static constexpr QSize minimumContentSize{820, 720};

    MainWindowView();

    /// Sizes the window so that its content, below a menu bar drawn inside the window, is
    /// `openingSize()` with `minimumContentSize` as its least size, each cut to the screen's
    /// available area where it does not fit, and centres it there. Called once the menus are
    /// in place.
    void placeOnScreen();

    /// `initialSize`, made taller where the content needs more at that width, so that on a
    /// screen with room nothing scrolls.
    [[nodiscard]] QSize openingSize() const;

    /// The controls Tab visits, in order: those of every layout, top to bottom and left to
    /// right as they are laid out.
    [[nodiscard]] QList<QWidget*> focusChain() const;

    [[nodiscard]] ValueBox* inputBox() const { return m_inputBox; }
    [[nodiscard]] ValueBox* devicePathBox() const { return m_devicePathBox; }
    [[nodiscard]] QLabel* spptValue() const { return m_spptValue; }
    /// The line under spptValue saying what the loaded table does today; empty otherwise.
    [[nodiscard]] QLabel* spptSummary() const { return m_spptSummary; }
    [[nodiscard]] QLabel* configValue() const { return m_configValue; }
    [[nodiscard]] QLabel* statusLabel() const { return m_statusLabel; }
    [[nodiscard]] LogView* logView() const { return m_logView; }
    [[nodiscard]] PrimaryButton* loadButton() const { return m_loadButton; }
    [[nodiscard]] PrimaryButton* detectButton() const { return m_detectButton; }
    [[nodiscard]] PrimaryButton* generateZeroButton() const { return m_generateZeroButton; }
    [[nodiscard]] PrimaryButton* generateFan35Button() const { return m_generateFan35Button; }
    [[nodiscard]] PrimaryButton* donateButton() const { return m_donateButton; }
    /// The user's fan-stop thresholds: the stop box never allows more than start − 3, and the
    /// custom button's title names the two values.
    [[nodiscard]] QSpinBox* customStartBox() const { return m_customStartBox; }
    [[nodiscard]] QSpinBox* customStopBox() const { return m_customStopBox; }
    [[nodiscard]] PrimaryButton* generateCustomButton() const { return m_generateCustomButton; }
    /// The preset the two boxes describe; always valid, since the boxes keep to the ranges.
    [[nodiscard]] PatchMode customPreset() const;
    [[nodiscard]] PrimaryButton* chooseConfigButton() const { return m_chooseConfigButton; }
    [[nodiscard]] PrimaryButton* embeddedConfigButton() const { return m_embeddedConfigButton; }

private:
    void setupWindow();
    [[nodiscard]] QWidget* headerCard();
    [[nodiscard]] QWidget* inputCard();
    [[nodiscard]] QWidget* devicePathCard();
    [[nodiscard]] QWidget* statusCardsRow();
    [[nodiscard]] QWidget* actionsCard();
    [[nodiscard]] QLayout* customRow();
    void followCustomThresholds();
    [[nodiscard]] QWidget* logCard();

    QWidget* m_content = nullptr;
    ValueBox* m_inputBox = nullptr;
    ValueBox* m_devicePathBox = nullptr;
    QLabel* m_spptValue = nullptr;
    QLabel* m_spptSummary = nullptr;
    QLabel* m_configValue = nullptr;
    QLabel* m_statusLabel = nullptr;
    LogView* m_logView = nullptr;
    PrimaryButton* m_loadButton = nullptr;
    PrimaryButton* m_detectButton = nullptr;
    PrimaryButton* m_generateZeroButton = nullptr;
    PrimaryButton* m_generateFan35Button = nullptr;
    PrimaryButton* m_donateButton = nullptr;
    QSpinBox* m_customStartBox = nullptr;
    QSpinBox* m_customStopBox = nullptr;
    PrimaryButton* m_generateCustomButton = nullptr;
    PrimaryButton* m_chooseConfigButton = nullptr;
    PrimaryButton* m_embeddedConfigButton = nullptr;
};

} // namespace ventora
