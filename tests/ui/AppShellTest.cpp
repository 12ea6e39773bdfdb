#include "FakeWindowServices.hpp"
#include "app/AppDelegate.hpp"
#include "ui/Appearance.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"

#include <QApplication>
#include <QFileOpenEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

using namespace ventora;
using namespace ventora::test;

namespace {

const QUrl donationPage(QStringLiteral("https://donate.example.org/ventora"));
const QUrl contactMail(QStringLiteral("mailto:maintainers@example.org"));

} // namespace

/// The application shell: its menus and shortcuts, About and Help, and quitting that waits
/// for a running job whether asked from the menu or by closing the window.
class AppShellTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWindowServices> m_services;
    std::unique_ptr<AppDelegate> m_delegate;
    Gate m_gate;
    int m_terminations = 0;

    MainWindowView& window() { return m_delegate->windowController()->window(); }
    void waitUntilIdle() {
        QTRY_VERIFY_WITH_TIMEOUT(!m_delegate->windowController()->isBusy(), 10000);
    }

    void launch(AppDelegate::Links links, std::function<void()> terminate = {}) {
        m_delegate = std::make_unique<AppDelegate>(
            m_services, std::move(links),
            terminate ? std::move(terminate) : [this] { ++m_terminations; });
        m_delegate->applicationDidFinishLaunching();
    }

    QAction* menuItem(const QString& title) {
        const QList<QAction*> items = m_delegate->menuBar()->findChildren<QAction*>();
        const auto found = std::find_if(items.begin(), items.end(), [&](QAction* item) {
            return item->text() == title && item->isVisible();
        });
        return found == items.end() ? nullptr : *found;
    }

    void startGatedLoad() {
        m_services->gate = &m_gate;
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        menuItem(QStringLiteral("Load VBIOS ROM or SPPT\u2026"))->trigger();
        QTRY_VERIFY(m_gate.waiting);
    }

private slots:
    void init() {
        m_services = std::make_shared<FakeWindowServices>();
        m_gate.open = false;
        m_terminations = 0;
    }

    void cleanup() {
        m_gate.open = true;
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        m_delegate.reset();
    }

    void shortcutKeys_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<std::optional<PatchMode>>("generated");
        QTest::addColumn<int>("fileRequests");
        QTest::addColumn<int>("alerts");
        QTest::addColumn<int>("terminations");
        const std::optional<PatchMode> none;
#ifdef Q_OS_MACOS
        const QKeyCombination help = Qt::CTRL | Qt::Key_Question;
#else
        const QKeyCombination help(Qt::Key_F1);
#endif
        QTest::newRow("Ctrl+O: open panel") << (Qt::CTRL | Qt::Key_O) << none << 1 << 0 << 0;
        QTest::newRow("Ctrl+1: ZeroRPM OFF")
            << (Qt::CTRL | Qt::Key_1) << std::optional(PatchMode::zeroRpmPure) << 1 << 0 << 0;
        QTest::newRow("Ctrl+2: FAN 35")
            << (Qt::CTRL | Qt::Key_2) << std::optional(PatchMode::fan35) << 1 << 0 << 0;
        QTest::newRow("Ctrl+3: the custom row")
            << (Qt::CTRL | Qt::Key_3) << std::optional(PatchMode::custom(45, 40)) << 1 << 0 << 0;
        QTest::newRow("the platform's help key") << help << none << 0 << 1 << 0;
        QTest::newRow("Ctrl+Q: quit") << (Qt::CTRL | Qt::Key_Q) << none << 0 << 0 << 1;
        QTest::newRow("Ctrl+W: close the window, which quits")
            << (Qt::CTRL | Qt::Key_W) << none << 0 << 0 << 1;
    }

    void shortcutKeys() {
        QFETCH(QKeyCombination, key);
        QFETCH(std::optional<PatchMode>, generated);
        QFETCH(int, fileRequests);
        QFETCH(int, alerts);
        QFETCH(int, terminations);
        launch({});
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        QTest::keyClick(&window(), key.key(), key.keyboardModifiers());
        waitUntilIdle();
        QCOMPARE(m_services->fileRequests, fileRequests);
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.empty() ? std::nullopt : std::optional(calls.front().mode), generated);
        QCOMPARE(m_services->alerts.size(), alerts);
        if (alerts > 0) {
            QCOMPARE(m_services->alerts.front().message, QStringLiteral("Ventora Help"));
        }
        QCOMPARE(m_terminations, terminations);
    }

    void quitting_data() {
        QTest::addColumn<bool>("byClosingTheWindow");
        QTest::addColumn<bool>("busy");
        QTest::newRow("Quit item, idle: at once") << false << false;
        QTest::newRow("Quit item, loading: once the job ends") << false << true;
        QTest::newRow("closing the window, idle: at once") << true << false;
        QTest::newRow("closing the window, loading: once the job ends") << true << true;
    }

    void quitting() {
        QFETCH(bool, byClosingTheWindow);
        QFETCH(bool, busy);
        launch({});
        if (busy) {
            startGatedLoad();
        }
        if (byClosingTheWindow) {
            QCOMPARE(window().close(), !busy);
        } else {
            menuItem(QStringLiteral("Quit Ventora"))->trigger();
        }
        QCOMPARE(m_terminations, busy ? 0 : 1);
        if (busy) {
            QVERIFY(window().isVisible());
            QCOMPARE(window().statusLabel()->text(),
                     QStringLiteral("Cancelling the current operation before quitting..."));
            waitUntilIdle();
            QCOMPARE(m_terminations, 1);
            QVERIFY(m_services->errorAlerts.isEmpty());
        }
    }

    // The quit requested during a job runs when the job ends, although a dialog that refuses
    // to close (About with its three buttons) is open then: the real termination is used.
    void deferredQuitEndsTheAppThroughAnOpenDialog() {
        launch({donationPage, contactMail}, &AppDelegate::endEventLoop);
        m_services->jobsIgnoreCancellation = true;
        startGatedLoad();
        menuItem(QStringLiteral("Quit Ventora"))->trigger();
        QVERIFY(m_delegate->windowController()->isBusy());
        m_services->modalAlerts = true;
        QTimer::singleShot(0, m_delegate.get(), &AppDelegate::showAbout);
        QTimer endJobOnceTheDialogIsUp;
        connect(&endJobOnceTheDialogIsUp, &QTimer::timeout, this, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget();
                dialog && dialog->isVisible()) {
                endJobOnceTheDialogIsUp.stop();
                m_gate.open = true;
            }
        });
        endJobOnceTheDialogIsUp.start(20);
        QTimer::singleShot(10000, this, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(m_gate.open);
        QVERIFY(!m_delegate->windowController()->isBusy());
    }

    void fileOpenedFromTheFileManager_data() {
        QTest::addColumn<bool>("beforeLaunching");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("supported file: loaded") << false << "/cards/card.rom" << true;
        QTest::newRow("before launching: loaded once the window is up")
            << true << "/cards/TABLE.PP_TABLE" << true;
        QTest::newRow("unsupported extension: ignored like a drop")
            << false << "/cards/card.pdf" << false;
    }

    void fileOpenedFromTheFileManager() {
        QFETCH(bool, beforeLaunching);
        QFETCH(QString, file);
        QFETCH(bool, loaded);
        m_delegate = std::make_unique<AppDelegate>(m_services, AppDelegate::Links{}, [] {});
        QCoreApplication::instance()->installEventFilter(m_delegate.get());
        QFileOpenEvent event(file);
        if (!beforeLaunching) {
            m_delegate->applicationDidFinishLaunching();
        }
        QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
        m_delegate->applicationDidFinishLaunching();
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(loaded));
        QVERIFY(!loaded || m_services->loadedPaths().front() == file.toStdString());
    }

    // The test screen is 1280 x 720: the designed width holds, the height is cut to the screen.
    void windowFitsItsScreen() {
        launch({});
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        const QRect area = window().screen()->availableGeometry();
        QCOMPARE(area.size(), QSize(1280, 720));
        const QSize bar(0, window().menuWidget()->height());
        QVERIFY(area.contains(window().frameGeometry()));
        QCOMPARE(window().size(), (window().openingSize() + bar).boundedTo(area.size()));
        QCOMPARE(window().minimumSize(), (QSize(820, 720) + bar).boundedTo(area.size()));
        // Whole-pixel rounding of the two centres may differ by a pixel or two.
        const QPoint offset = window().geometry().center() - area.center();
        QVERIFY(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2);
    }

    void aboutAndTheLinks_data() {
        QTest::addColumn<bool>("withLinks");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QList<QUrl>>("opened");
        QTest::newRow("OK only closes") << true << 0 << QList<QUrl>{};
        QTest::newRow("Email writes to the contact") << true << 1 << QList<QUrl>{contactMail};
        QTest::newRow("PayPal opens the donation page") << true << 2 << QList<QUrl>{donationPage};
        QTest::newRow("no links, dismissed") << false << -1 << QList<QUrl>{};
    }

    // Without addresses no donation item, button or link is offered.
    void aboutAndTheLinks() {
        QFETCH(bool, withLinks);
        QFETCH(int, pressed);
        QFETCH(QList<QUrl>, opened);
        launch(withLinks ? AppDelegate::Links{donationPage, contactMail} : AppDelegate::Links{});
        QCOMPARE(menuItem(QStringLiteral("PayPal Donate")) != nullptr, withLinks);
        m_services->alertAnswers.push_back(pressed);
        m_delegate->showAbout();
        const Alert& alert = m_services->alerts.at(0);
        QCOMPARE(alert.message, QStringLiteral("Ventora"));
        QCOMPARE(alert.informativeText,
                 QStringLiteral("Fan Always On and FAN 35 \u00B0C Solution\nNavi 10 / Navi 21 / "
                                "Navi 22 / Navi 23 + Polaris + Vega 10 / Vega 20\n\nMade by the "
                                "Ventora contributors\n\nVersion " VENTORA_VERSION));
        const QStringList buttons{"OK", "Email", "PayPal"};
        QCOMPARE(alert.buttons, withLinks ? buttons : buttons.first(1));
        QCOMPARE(m_services->openedUrls, opened);
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Appearance::applyDarkAppearance(application);
    AppShellTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AppShellTest.moc"
