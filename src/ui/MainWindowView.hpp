#pragma once

#include <QMainWindow>

class QLabel;

namespace ventora {

class LogView;
class PrimaryButton;
class ValueBox;

/// The main window's views, built once: header, input, device path, the two status cards,
/// actions and log, then the status line, stacked top to bottom on a dark ground. It holds
/// no behaviour; the controller connects the buttons and fills the fields.
class MainWindowView : public QMainWindow {
public:
    static constexpr QSize initialSize{920, 740};
    static constexpr QSize minimumContentSize{820, 720};

    MainWindowView();

    /// Sizes the window so that its content, below a menu bar drawn inside the window, is
    /// `initialSize`, and centres it on its screen. Called once the menus are in place.
    void placeOnScreen();

    [[nodiscard]] ValueBox* inputBox() const { return m_inputBox; }
    [[nodiscard]] ValueBox* devicePathBox() const { return m_devicePathBox; }
    [[nodiscard]] QLabel* spptValue() const { return m_spptValue; }
    [[nodiscard]] QLabel* configValue() const { return m_configValue; }
    [[nodiscard]] QLabel* statusLabel() const { return m_statusLabel; }
    [[nodiscard]] LogView* logView() const { return m_logView; }
    [[nodiscard]] PrimaryButton* loadButton() const { return m_loadButton; }
    [[nodiscard]] PrimaryButton* detectButton() const { return m_detectButton; }
    [[nodiscard]] PrimaryButton* generateZeroButton() const { return m_generateZeroButton; }
    [[nodiscard]] PrimaryButton* generateFan35Button() const { return m_generateFan35Button; }
    [[nodiscard]] PrimaryButton* donateButton() const { return m_donateButton; }
    [[nodiscard]] PrimaryButton* chooseConfigButton() const { return m_chooseConfigButton; }
    [[nodiscard]] PrimaryButton* embeddedConfigButton() const { return m_embeddedConfigButton; }

private:
    void setupWindow();
    [[nodiscard]] QWidget* headerCard();
    [[nodiscard]] QWidget* inputCard();
    [[nodiscard]] QWidget* devicePathCard();
    [[nodiscard]] QWidget* statusCardsRow();
    [[nodiscard]] QWidget* actionsCard();
    [[nodiscard]] QWidget* logCard();

    ValueBox* m_inputBox = nullptr;
    ValueBox* m_devicePathBox = nullptr;
    QLabel* m_spptValue = nullptr;
    QLabel* m_configValue = nullptr;
    QLabel* m_statusLabel = nullptr;
    LogView* m_logView = nullptr;
    PrimaryButton* m_loadButton = nullptr;
    PrimaryButton* m_detectButton = nullptr;
    PrimaryButton* m_generateZeroButton = nullptr;
    PrimaryButton* m_generateFan35Button = nullptr;
    PrimaryButton* m_donateButton = nullptr;
    PrimaryButton* m_chooseConfigButton = nullptr;
    PrimaryButton* m_embeddedConfigButton = nullptr;
};

} // namespace ventora
