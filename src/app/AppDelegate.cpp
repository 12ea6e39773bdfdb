#include "app/AppDelegate.hpp"

#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"

#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace ventora {
namespace {

const QString aboutText =
    QStringLiteral("Fan Always On and FAN 35 \u00B0C Solution\n"
                   "Navi 10 / Navi 21 / Navi 22 / Navi 23 + Polaris + Vega 10 / Vega 20\n"
                   "\n"
                   "Made by the Ventora contributors");

const QString helpText = QStringLiteral(
    "Load a GPU-Z saved VBIOS ROM, PP_PhmSoftPowerPlayTable .bin, .reg or text export. The app "
    "extracts the PowerPlay/SPPT data, applies ZeroRPM OFF / Fan Always On or FAN 35 \u00B0C / "
    "Stop 30 \u00B0C, and generates Desktop/ZeroRPM.zip or Desktop/ZeroRPM35.zip with a "
    "ready-to-use OpenCore config.plist.\n"
    "\n"
    "The bundled config.plist template targets OpenCore MOD/Olarila. If you use official "
    "Acidanthera OpenCore, merge Snippets/OpenCore-DeviceProperties.plist into your existing "
    "validated config instead of replacing it.\n"
    "\n"
    "The app never flashes VBIOS, never writes firmware, never installs drivers and never sends "
    "data anywhere.");

// Qt::CTRL is the Command key on macOS and Control elsewhere. Every role is explicit, so Qt
// never moves an item by guessing from its title.
QAction* addItem(QMenu& menu, const QString& title, QObject* receiver, const char* slot,
                 QAction::MenuRole role, const QKeySequence& shortcut = QKeySequence()) {
    QAction* action = menu.addAction(title, receiver, slot);
    action->setMenuRole(role);
    action->setShortcut(shortcut);
    return action;
}

} // namespace

AppDelegate::AppDelegate(std::shared_ptr<WindowServices> services, Links links,
                         std::function<void()> terminate, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_links(std::move(links)),
      m_terminate(std::move(terminate)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    if (m_windowController) {
        return;
    }
    m_windowController = std::make_unique<MainWindowController>(m_services, m_links.donationPage);
    MainWindowView& window = m_windowController->window();
    buildMenus(*window.menuBar());
    window.installEventFilter(this);
    window.placeOnScreen();
    window.show();
    window.raise();
    window.activateWindow();
}

QMenuBar* AppDelegate::menuBar() const {
    return m_windowController ? m_windowController->window().menuBar() : nullptr;
}

void AppDelegate::buildMenus(QMenuBar& menuBar) {
    const bool canDonate = m_links.donationPage.has_value();

    QMenu* application = menuBar.addMenu(QStringLiteral("Ventora"));
    addItem(*application, QStringLiteral("About Ventora"), this, SLOT(showAbout()),
            QAction::AboutRole);
    addItem(*application, QStringLiteral("PayPal Donate"), this, SLOT(openPayPal()),
            QAction::ApplicationSpecificRole)
        ->setVisible(canDonate);
    application->addSeparator();
    QAction* quit = application->addAction(QStringLiteral("Quit Ventora"));
    quit->setMenuRole(QAction::QuitRole);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [this] { (void)applicationShouldTerminate(); });

    QMenu* file = menuBar.addMenu(QStringLiteral("File"));
    addItem(*file, QStringLiteral("Load VBIOS ROM or SPPT\u2026"), this, SLOT(loadFile()),
            QAction::NoRole, QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    addItem(*file, QStringLiteral("Generate ZeroRPM OFF / Fan Always On"), this,
            SLOT(generateZero()), QAction::NoRole, QKeySequence(Qt::CTRL | Qt::Key_1));
    addItem(*file, QStringLiteral("Generate FAN 35 \u00B0C Solution"), this, SLOT(generateFan35()),
            QAction::NoRole, QKeySequence(Qt::CTRL | Qt::Key_2));
    addItem(*file, QStringLiteral("Generate Custom Fan Start / Stop"), this, SLOT(generateCustom()),
            QAction::NoRole, QKeySequence(Qt::CTRL | Qt::Key_3));

    QMenu* help = menuBar.addMenu(QStringLiteral("Help"));
    addItem(*help, QStringLiteral("Ventora Help"), this, SLOT(showHelp()), QAction::NoRole,
            QKeySequence(Qt::CTRL | Qt::Key_Question));
    addItem(*help, QStringLiteral("PayPal Donate"), this, SLOT(openPayPal()), QAction::NoRole)
        ->setVisible(canDonate);
}

bool AppDelegate::applicationShouldTerminate() {
    if (m_windowController && m_windowController->deferTerminationUntilIdle(m_terminate)) {
        return false;
    }
    m_terminate();
    return true;
}

void AppDelegate::loadFile() {
    if (m_windowController) {
        m_windowController->loadFile();
    }
}

void AppDelegate::generateZero() {
    if (m_windowController) {
        m_windowController->generate(PatchMode::zeroRpmPure);
    }
}

void AppDelegate::generateFan35() {
    if (m_windowController) {
        m_windowController->generate(PatchMode::fan35);
    }
}

void AppDelegate::generateCustom() {
    if (m_windowController) {
        m_windowController->generateCustom();
    }
}

void AppDelegate::showAbout() {
    Alert alert{QStringLiteral("Ventora"), aboutText, {QStringLiteral("OK")}};
    const qsizetype emailButton = m_links.contactMail ? alert.buttons.size() : -1;
    if (m_links.contactMail) {
        alert.buttons.append(QStringLiteral("Email"));
    }
    const qsizetype donateButton = m_links.donationPage ? alert.buttons.size() : -1;
    if (m_links.donationPage) {
        alert.buttons.append(QStringLiteral("PayPal"));
    }
    QWidget* parent = m_windowController ? &m_windowController->window() : nullptr;
    const int pressed = m_services->showAlert(parent, alert);
    // An alert dismissed without a button answers -1, which is also the index of an absent one.
    if (m_links.contactMail && pressed == emailButton) {
        m_services->openUrl(*m_links.contactMail);
    } else if (m_links.donationPage && pressed == donateButton) {
        openPayPal();
    }
}

void AppDelegate::showHelp() {
    QWidget* parent = m_windowController ? &m_windowController->window() : nullptr;
    (void)m_services->showAlert(
        parent, Alert{QStringLiteral("Ventora Help"), helpText, {QStringLiteral("OK")}});
}

// The window's own button uses the same address through the controller.
void AppDelegate::openPayPal() {
    if (m_windowController) {
        m_windowController->openPayPal();
    } else if (m_links.donationPage) {
        m_services->openUrl(*m_links.donationPage);
    }
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && m_windowController &&
        watched == &m_windowController->window()) {
        if (!applicationShouldTerminate()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ventora
