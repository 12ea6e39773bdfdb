#include "app/AppDelegate.hpp"

#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileOpenEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <utility>

namespace ventora {
namespace {

const QString aboutText =
    QStringLiteral("Fan Always On and FAN 35 \u00B0C Solution\n"
                   "Navi 10 / Navi 21 / Navi 22 / Navi 23 + Polaris + Vega 10 / Vega 20\n"
                   "\n"
                   "Made by the Ventora contributors\n"
                   "\n"
                   "Version " VENTORA_VERSION);

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

// On macOS Qt moves the items with the About, Quit and application-specific roles into the
// application menu; a menu of their own would be left behind empty there.
#ifdef Q_OS_MACOS
constexpr bool rolesFormTheApplicationMenu = true;
#else
constexpr bool rolesFormTheApplicationMenu = false;
#endif

// Qt::CTRL is the Command key on macOS and Control elsewhere. Every role is explicit, so Qt
// never moves an item by guessing from its title.
QAction* addItem(QMenu& menu, const QString& title, QObject* receiver, const char* slot,
                 QAction::MenuRole role, const QList<QKeySequence>& shortcuts = {}) {
    QAction* action = menu.addAction(title, receiver, slot);
    action->setMenuRole(role);
    action->setShortcuts(shortcuts);
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
    // The platform's close-window key closes it as its title bar button does, so quitting
    // waits for a running job the same way.
    auto* closeWindow = new QAction(&window);
    closeWindow->setShortcuts(QKeySequence::Close);
    connect(closeWindow, &QAction::triggered, &window, &QWidget::close);
    window.addAction(closeWindow);
    window.installEventFilter(this);
    window.placeOnScreen();
    window.show();
    window.raise();
    window.activateWindow();
    if (m_fileToOpenAtLaunch) {
        m_windowController->openFile(*std::exchange(m_fileToOpenAtLaunch, std::nullopt));
    }
}

QMenuBar* AppDelegate::menuBar() const {
    return m_windowController ? m_windowController->window().menuBar() : nullptr;
}

// The workflow items go straight to the controller, which exists before the menus do.
void AppDelegate::buildMenus(QMenuBar& menuBar) {
    MainWindowController* controller = m_windowController.get();
    const bool canDonate = m_links.donationPage.has_value();

    QMenu* application =
        rolesFormTheApplicationMenu ? nullptr : menuBar.addMenu(QStringLiteral("Ventora"));
    QMenu* file = menuBar.addMenu(QStringLiteral("File"));
    QMenu* roles = application != nullptr ? application : file;
    addItem(*roles, QStringLiteral("About Ventora"), this, SLOT(showAbout()), QAction::AboutRole);
    addItem(*roles, QStringLiteral("PayPal Donate"), controller, SLOT(openDonationPage()),
            QAction::ApplicationSpecificRole)
        ->setVisible(canDonate);
    if (application != nullptr) {
        application->addSeparator();
    }
    QAction* quit = roles->addAction(QStringLiteral("Quit Ventora"));
    quit->setMenuRole(QAction::QuitRole);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [this] { (void)applicationShouldTerminate(); });

    addItem(*file, QStringLiteral("Load VBIOS ROM or SPPT\u2026"), controller, SLOT(loadFile()),
            QAction::NoRole, {QKeySequence(Qt::CTRL | Qt::Key_O)});
#if defined(__linux__)
    addItem(*file, QStringLiteral("Read from This Computer's GPU"), controller,
            SLOT(loadFromComputerGPU()), QAction::NoRole);
#endif
    file->addSeparator();
    addItem(*file, QStringLiteral("Generate ZeroRPM OFF / Fan Always On"), controller,
            SLOT(generateZero()), QAction::NoRole, {QKeySequence(Qt::CTRL | Qt::Key_1)});
    addItem(*file, QStringLiteral("Generate FAN 35 \u00B0C Solution"), controller,
            SLOT(generateFan35()), QAction::NoRole, {QKeySequence(Qt::CTRL | Qt::Key_2)});
    addItem(*file, QStringLiteral("Generate Custom Fan Start / Stop"), controller,
            SLOT(generateCustom()), QAction::NoRole, {QKeySequence(Qt::CTRL | Qt::Key_3)});

    // The platform's help key (F1, or Command-? on macOS) and Control-? everywhere, once each:
    // a key bound twice to one action would be ambiguous and trigger nothing.
    QList<QKeySequence> helpKeys = QKeySequence::keyBindings(QKeySequence::HelpContents);
    if (const QKeySequence question(Qt::CTRL | Qt::Key_Question); !helpKeys.contains(question)) {
        helpKeys.append(question);
    }
    QMenu* help = menuBar.addMenu(QStringLiteral("Help"));
    addItem(*help, QStringLiteral("Ventora Help"), this, SLOT(showHelp()), QAction::NoRole,
            helpKeys);
    addItem(*help, QStringLiteral("PayPal Donate"), controller, SLOT(openDonationPage()),
            QAction::NoRole)
        ->setVisible(canDonate);
}

void AppDelegate::endEventLoop() {
    QCoreApplication::exit(0);
}

bool AppDelegate::applicationShouldTerminate() {
    if (m_windowController && m_windowController->deferTerminationUntilIdle(m_terminate)) {
        return false;
    }
    m_terminate();
    return true;
}

void AppDelegate::openFile(const QString& path) {
    if (m_windowController) {
        m_windowController->openFile(path);
    } else {
        m_fileToOpenAtLaunch = path;
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
    const int pressed = m_services->showAlert(window(), alert);
    // An alert dismissed without a button answers -1, which is also the index of an absent one.
    if (m_links.contactMail && pressed == emailButton) {
        m_services->openUrl(*m_links.contactMail);
    } else if (m_links.donationPage && pressed == donateButton) {
        m_services->openUrl(*m_links.donationPage);
    }
}

void AppDelegate::showHelp() {
    (void)m_services->showAlert(
        window(), Alert{QStringLiteral("Ventora Help"), helpText, {QStringLiteral("OK")}});
}

QWidget* AppDelegate::window() const {
    return m_windowController ? &m_windowController->window() : nullptr;
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FileOpen && watched == QCoreApplication::instance()) {
        openFile(static_cast<QFileOpenEvent*>(event)->file());
        return true;
    }
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
