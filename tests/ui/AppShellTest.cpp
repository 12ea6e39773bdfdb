#include "FakeWindowServices.hpp"
#include "app/AppDelegate.hpp"
#include "core/AppError.hpp"
#include "ui/Appearance.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QThreadPool>

using namespace ventora;
using namespace ventora::test;

namespace {

const QUrl donationPage(QStringLiteral("https://donate.example.org/ventora"));
const QUrl contactMail(QStringLiteral("mailto:maintainers@example.org"));

// "Title|shortcut" per item, "-" per separator, for one top-level menu.
QStringList describe(const QMenu& menu) {
    QStringList items;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            items.append(QStringLiteral("-"));
        } else if (action->isVisible()) {
            items.append(action->text() + QLatin1Char('|') +
                         action->shortcut().toString(QKeySequence::PortableText));
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

    void startGatedLoad() {
        Gate* gate = m_gate.get();
        m_services->loadScript = [gate](const std::filesystem::path&,
                                        const CancellationToken* token) {
            if (gate->waitOpenOrCancelled(token)) {
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
                 (QStringList{QStringLiteral("About Ventora|"), QStringLiteral("PayPal Donate|"),
                              QStringLiteral("-"), QStringLiteral("Quit Ventora|Ctrl+Q")}));
        QCOMPARE(
            describe(*top[1]->menu()),
            (QStringList{QStringLiteral("Load VBIOS ROM or SPPT\u2026|Ctrl+O"), QStringLiteral("-"),
                         QStringLiteral("Generate ZeroRPM OFF / Fan Always On|Ctrl+1"),
                         QStringLiteral("Generate FAN 35 \u00B0C Solution|Ctrl+2"),
                         QStringLiteral("Generate Custom Fan Start / Stop|Ctrl+3")}));
        QCOMPARE(describe(*top[2]->menu()), (QStringList{QStringLiteral("Ventora Help|Ctrl+?"),
                                                         QStringLiteral("PayPal Donate|")}));
    }

    void generateItemWithoutTableAsksForAFileThenGenerates() {
        launch({});
        m_services->loadScript = [](const std::filesystem::path&, const CancellationToken*) {
            return LoadOutcome{documentOfSize(640), {}};
        };
        m_services->exportScript = [](PatchMode, const CancellationToken*) {
            return ExportOutcome{"/private/Desktop/ZeroRPM35.zip", "report",
                                 "PciRoot(0x0)/Pci(0x1,0x0)"};
        };
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        findItem(*m_delegate->menuBar(), QStringLiteral("Generate FAN 35 \u00B0C Solution"))
            ->trigger();
        waitUntilIdle();
        QCOMPARE(m_services->fileRequests, 1);
        QCOMPARE(m_services->exportCalls().size(), std::size_t(1));
        QCOMPARE(m_services->exportCalls().front().mode, PatchMode::fan35);
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

    void windowOpensWithItsContentSizeCentred() {
        launch({});
        MainWindowView& window = m_delegate->windowController()->window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.centralWidget()->size(), QSize(920, 740));
        // Whole-pixel rounding of the two centres may differ by a pixel or two.
        const QPoint offset =
            window.geometry().center() - window.screen()->availableGeometry().center();
        QVERIFY(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2);
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
                                "Ventora contributors"));
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

    void helpHasItsThreeParagraphs() {
        launch({});
        findItem(*m_delegate->menuBar(), QStringLiteral("Ventora Help"))->trigger();
        QCOMPARE(m_services->alerts.size(), 1);
        const Alert& alert = m_services->alerts.front();
        QCOMPARE(alert.message, QStringLiteral("Ventora Help"));
        QCOMPARE(alert.buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(alert.informativeText,
                 QStringLiteral(
                     "Load a GPU-Z saved VBIOS ROM, PP_PhmSoftPowerPlayTable .bin, .reg or text "
                     "export. The app extracts the PowerPlay/SPPT data, applies ZeroRPM OFF / Fan "
                     "Always On or FAN 35 \u00B0C / Stop 30 \u00B0C, and generates "
                     "Desktop/ZeroRPM.zip or Desktop/ZeroRPM35.zip with a ready-to-use OpenCore "
                     "config.plist.\n\nThe bundled config.plist template targets OpenCore "
                     "MOD/Olarila. If you use official Acidanthera OpenCore, merge "
                     "Snippets/OpenCore-DeviceProperties.plist into your existing validated "
                     "config instead of replacing it.\n\nThe app never flashes VBIOS, never "
                     "writes firmware, never installs drivers and never sends data anywhere."));
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
