#include "FakeWindowServices.hpp"
#include "app/AppDelegate.hpp"
#include "core/AppError.hpp"
#include "ui/Appearance.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"

#include <QApplication>
#include <QFileOpenEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <map>

using namespace ventora;
using namespace ventora::test;

namespace {

const QUrl donationPage(QStringLiteral("https://donate.example.org/ventora"));
const QUrl contactMail(QStringLiteral("mailto:maintainers@example.org"));

// The visible item titles of one top-level menu, "-" per separator.
QStringList describe(const QMenu& menu) {
    QStringList items;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            items.append(QStringLiteral("-"));
        } else if (action->isVisible()) {
            items.append(action->text());
        }
    }
    return items;
}

QAction* findItem(const QMenuBar& bar, const QString& title) {
    for (QAction* action : bar.findChildren<QAction*>()) {
        if (action->text() == title) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

/// The application shell: its menus and shortcuts, About and Help, and quitting that waits
/// for a running job whether asked from the menu or by closing the window.
class AppShellTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWindowServices> m_services;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<Gate> m_gate;
    int m_terminations = 0;

    void launch(AppDelegate::Links links) {
        m_delegate = std::make_unique<AppDelegate>(m_services, std::move(links),
                                                   [this] { ++m_terminations; });
        m_delegate->applicationDidFinishLaunching();
    }

    // A load that ends when the gate opens; one that does not heed cancellation is a job
    // between two of its checkpoints.
    void startGatedLoad(bool heedsCancellation = true) {
        Gate* gate = m_gate.get();
        m_services->loadScript = [gate, heedsCancellation](const std::filesystem::path&,
                                                           const CancellationToken* token) {
            if (gate->waitOpenOrCancelled(heedsCancellation ? token : nullptr)) {
                throw AppError("Input loading cancelled.");
            }
            return LoadOutcome{documentOfSize(512), {}};
        };
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        findItem(*m_delegate->menuBar(), QStringLiteral("Load VBIOS ROM or SPPT\u2026"))->trigger();
        QVERIFY(m_delegate->windowController()->isBusy());
    }

    void waitUntilIdle() {
        QTRY_VERIFY_WITH_TIMEOUT(!m_delegate->windowController()->isBusy(), 10000);
    }

private slots:
    void init() {
        m_services = std::make_shared<FakeWindowServices>();
        m_gate = std::make_unique<Gate>();
        m_terminations = 0;
    }

    void cleanup() {
        m_gate->open();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        m_delegate.reset();
    }

    void menusHaveTheirItemsAndShortcuts() {
        launch({donationPage, contactMail});
        const QList<QAction*> top = m_delegate->menuBar()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top[1]->text(), QStringLiteral("File"));
        QCOMPARE(top[2]->text(), QStringLiteral("Help"));
        QCOMPARE(describe(*top[0]->menu()),
                 (QStringList{QStringLiteral("About Ventora"), QStringLiteral("PayPal Donate"),
                              QStringLiteral("-"), QStringLiteral("Quit Ventora")}));
        QStringList fileItems{QStringLiteral("Load VBIOS ROM or SPPT\u2026"), QStringLiteral("-"),
                              QStringLiteral("Generate ZeroRPM OFF / Fan Always On"),
                              QStringLiteral("Generate FAN 35 \u00B0C Solution"),
                              QStringLiteral("Generate Custom Fan Start / Stop")};
#if defined(__linux__)
        fileItems.insert(1, QStringLiteral("Read from This Computer's GPU"));
#endif
        QCOMPARE(describe(*top[1]->menu()), fileItems);
        QCOMPARE(describe(*top[2]->menu()),
                 (QStringList{QStringLiteral("Ventora Help"), QStringLiteral("PayPal Donate")}));
    }

    void shortcutKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("effect");
#ifdef Q_OS_MACOS
        const QKeyCombination help = Qt::CTRL | Qt::Key_Question;
#else
        const QKeyCombination help(Qt::Key_F1);
#endif
        QTest::newRow("Ctrl+O: open panel") << (Qt::CTRL | Qt::Key_O).toCombined() << "open";
        QTest::newRow("Ctrl+1: ZeroRPM OFF") << (Qt::CTRL | Qt::Key_1).toCombined() << "zero";
        QTest::newRow("Ctrl+2: FAN 35") << (Qt::CTRL | Qt::Key_2).toCombined() << "fan35";
        QTest::newRow("Ctrl+3: the custom row") << (Qt::CTRL | Qt::Key_3).toCombined() << "custom";
        QTest::newRow("the platform's help key") << help.toCombined() << "help";
        QTest::newRow("Ctrl+Q: quit") << (Qt::CTRL | Qt::Key_Q).toCombined() << "quit";
        QTest::newRow("Ctrl+W: close the window, which quits")
            << (Qt::CTRL | Qt::Key_W).toCombined() << "quit";
    }

    void shortcutKeys() {
        QFETCH(int, key);
        QFETCH(QString, effect);
        launch({});
        MainWindowView& window = m_delegate->windowController()->window();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        m_services->loadScript = [](const std::filesystem::path&, const CancellationToken*) {
            return LoadOutcome{documentOfSize(640), {}};
        };
        m_services->exportScript = [](PatchMode, const CancellationToken*) {
            return ExportOutcome{"/private/Desktop/ZeroRPM.zip", "report",
                                 "PciRoot(0x0)/Pci(0x1,0x0)"};
        };
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        const QKeyCombination pressed = QKeyCombination::fromCombined(key);
        QTest::keyClick(&window, pressed.key(), pressed.keyboardModifiers());
        waitUntilIdle();

        const std::map<QString, PatchMode> generated{
            {QStringLiteral("zero"), PatchMode::zeroRpmPure},
            {QStringLiteral("fan35"), PatchMode::fan35},
            {QStringLiteral("custom"), PatchMode::custom(45, 40)}};
        const auto mode = generated.find(effect);
        const bool generates = mode != generated.end();
        QCOMPARE(m_services->fileRequests, effect == QLatin1String("open") || generates ? 1 : 0);
        QCOMPARE(m_services->exportCalls().size(), std::size_t(generates));
        if (generates) {
            QVERIFY(m_services->exportCalls().front().mode == mode->second);
        }
        QCOMPARE(m_services->alerts.size(), effect == QLatin1String("help") ? 1 : 0);
        if (!m_services->alerts.isEmpty()) {
            QCOMPARE(m_services->alerts.front().message, QStringLiteral("Ventora Help"));
        }
        QCOMPARE(m_terminations, effect == QLatin1String("quit") ? 1 : 0);
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
        MainWindowView& window = m_delegate->windowController()->window();
        if (busy) {
            startGatedLoad();
        }
        if (byClosingTheWindow) {
            QCOMPARE(window.close(), !busy);
        } else {
            findItem(*m_delegate->menuBar(), QStringLiteral("Quit Ventora"))->trigger();
        }
        QCOMPARE(m_terminations, busy ? 0 : 1);
        if (busy) {
            QVERIFY(window.isVisible());
            QCOMPARE(window.statusLabel()->text(),
                     QStringLiteral("Cancelling the current operation before quitting..."));
            waitUntilIdle();
            QCOMPARE(m_terminations, 1);
            QVERIFY(m_services->errorAlerts.isEmpty());
        }
    }

    void fileOpenedFromTheFileManager_data() {
        QTest::addColumn<bool>("beforeLaunching");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("supported file: loaded")
            << false << QStringLiteral("/cards/card.rom") << true;
        QTest::newRow("before launching: loaded once the window is up")
            << true << QStringLiteral("/cards/TABLE.PP_TABLE") << true;
        QTest::newRow("unsupported extension: ignored like a drop")
            << false << QStringLiteral("/cards/card.pdf") << false;
    }

    void fileOpenedFromTheFileManager() {
        QFETCH(bool, beforeLaunching);
        QFETCH(QString, file);
        QFETCH(bool, loaded);
        m_services->loadScript = [](const std::filesystem::path&, const CancellationToken*) {
            return LoadOutcome{documentOfSize(512), {}};
        };
        m_delegate = std::make_unique<AppDelegate>(m_services, AppDelegate::Links{},
                                                   [this] { ++m_terminations; });
        QCoreApplication::instance()->installEventFilter(m_delegate.get());
        QFileOpenEvent event(file);
        if (beforeLaunching) {
            QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
            m_delegate->applicationDidFinishLaunching();
        } else {
            m_delegate->applicationDidFinishLaunching();
            QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
        }
        waitUntilIdle();
        const std::vector<std::filesystem::path> expected =
            loaded ? std::vector<std::filesystem::path>{file.toStdString()}
                   : std::vector<std::filesystem::path>{};
        QVERIFY(m_services->loadedPaths() == expected);
    }

    // The test screen is 1280 x 720: the designed width holds, the height is cut to the screen.
    void windowFitsItsScreen() {
        launch({});
        MainWindowView& window = m_delegate->windowController()->window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = window.screen()->availableGeometry();
        QCOMPARE(area.size(), QSize(1280, 720));
        const QSize bar(0, window.menuWidget()->height());
        QVERIFY(area.contains(window.frameGeometry()));
        QCOMPARE(window.size(), (window.openingSize() + bar).boundedTo(area.size()));
        QCOMPARE(window.minimumSize(), (QSize(820, 720) + bar).boundedTo(area.size()));
        // Whole-pixel rounding of the two centres may differ by a pixel or two.
        const QPoint offset = window.geometry().center() - area.center();
        QVERIFY(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2);
    }

    // The quit requested during a job runs when the job ends, although a dialog that refuses
    // to close (About with its three buttons) is open then: the real termination is used.
    void deferredQuitEndsTheAppThroughAnOpenDialog() {
        m_delegate = std::make_unique<AppDelegate>(
            m_services, AppDelegate::Links{donationPage, contactMail}, &AppDelegate::endEventLoop);
        m_delegate->applicationDidFinishLaunching();
        startGatedLoad(false);
        findItem(*m_delegate->menuBar(), QStringLiteral("Quit Ventora"))->trigger();
        QVERIFY(m_delegate->windowController()->isBusy());

        m_services->modalAlerts = true;
        QTimer::singleShot(0, m_delegate.get(), &AppDelegate::showAbout);
        QTimer endJobOnceTheDialogIsUp;
        bool dialogWasUp = false;
        connect(&endJobOnceTheDialogIsUp, &QTimer::timeout, this, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget();
                dialog && dialog->isVisible()) {
                dialogWasUp = true;
                endJobOnceTheDialogIsUp.stop();
                m_gate->open();
            }
        });
        endJobOnceTheDialogIsUp.start(20);
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        giveUp.start(10000);

        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(dialogWasUp);
        QCOMPARE(m_services->alerts.size(), 1);
        QVERIFY(!m_delegate->windowController()->isBusy());
    }

    void aboutButtons_data() {
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QList<QUrl>>("opened");
        QTest::newRow("OK only closes") << 0 << QList<QUrl>{};
        QTest::newRow("Email writes to the contact") << 1 << QList<QUrl>{contactMail};
        QTest::newRow("PayPal opens the donation page") << 2 << QList<QUrl>{donationPage};
    }

    void aboutButtons() {
        QFETCH(int, pressed);
        QFETCH(QList<QUrl>, opened);
        launch({donationPage, contactMail});
        m_services->alertAnswers.push_back(pressed);
        m_delegate->showAbout();
        QCOMPARE(m_services->alerts.size(), 1);
        const Alert& alert = m_services->alerts.front();
        QCOMPARE(alert.message, QStringLiteral("Ventora"));
        QCOMPARE(alert.informativeText,
                 QStringLiteral("Fan Always On and FAN 35 \u00B0C Solution\nNavi 10 / Navi 21 / "
                                "Navi 22 / Navi 23 + Polaris + Vega 10 / Vega 20\n\nMade by the "
                                "Ventora contributors\n\nVersion " VENTORA_VERSION));
        QCOMPARE(alert.buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Email"),
                                             QStringLiteral("PayPal")}));
        QCOMPARE(m_services->openedUrls, opened);
    }

    void withoutAddressesNoLinkIsOffered() {
        launch({});
        const QList<QAction*> top = m_delegate->menuBar()->actions();
        QVERIFY(!describe(*top[0]->menu()).contains(QStringLiteral("PayPal Donate|")));
        QVERIFY(!describe(*top[2]->menu()).contains(QStringLiteral("PayPal Donate|")));
        m_services->alertAnswers.push_back(-1); // dismissed without pressing a button
        m_delegate->showAbout();
        QCOMPARE(m_services->alerts.front().buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(m_services->openedUrls.isEmpty());
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
