#include "app/AppDelegate.hpp"
#include "core/AppError.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/TemporaryFolder.hpp"
#include "ui/Appearance.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ValueBox.hpp"

#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <atomic>
#include <deque>
#include <thread>

using namespace ventora;
using namespace ventora::test;
using namespace Qt::StringLiterals;

namespace {

const QUrl donationPage(u"https://donate.example.org/ventora"_s);
const QUrl contactMail(u"mailto:maintainers@example.org"_s);

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

struct ExportCall {
    PatchMode mode;
    std::optional<std::string> devicePathOverride;
    std::optional<std::filesystem::path> baseConfig;
};

template <typename Answer> Answer next(std::deque<Answer>& answers, Answer otherwise) {
    if (!answers.empty()) {
        // Swapped out, not copied: GCC 12 at -O3 falsely reports a copy as reading uninitialised.
        std::swap(otherwise, answers.front());
        answers.pop_front();
    }
    return otherwise;
}

/// The window's services under test control. A job (on the worker thread) records its call,
/// waits, once `gated`, until the test opens the gate, as a real job between checkpoints that heed
/// cancellation unless `jobsIgnoreCancellation`, then throws its error or answers from the fields
/// below. Dialogs answer from queues (nothing left: cancelled, or the first button) and record what
/// they showed.
class FakeWindowServices : public WindowServices {
public:
    std::atomic<bool> gated = false, gateOpen = false, waiting = false;
    /// With modalAlerts, alerts also run as real modal dialogs, with no button that Escape or
    /// closing the dialog would press, until their event loop ends.
    bool jobsIgnoreCancellation = false, modalAlerts = false;
    std::optional<std::string> loadError, exportError, detectedPath;
    std::optional<std::vector<SysfsGPU>> gpus;
    /// The GPU chooser's answers.
    std::deque<std::optional<int>> picks;
    /// Answers both open dialogs, counted in fileRequests.
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<int> alertAnswers;
    int fileRequests = 0;
    QStringList errorAlerts, revealed;
    QList<Alert> alerts;
    QList<QUrl> openedUrls;

    /// Written by the jobs before they wait: read once a job has ended or is seen waiting.
    std::vector<std::filesystem::path> loadedPaths;
    std::vector<ExportCall> exportCalls;

    LoadOutcome loadInput(const std::filesystem::path& path,
                          const CancellationToken* token) override {
        loadedPaths.push_back(path);
        pause(token, loadError);
        return {SpptDocument{navi10Table(), "synthetic", {}, {}}, {"Read."}};
    }
    DetectOutcome detectDevicePath(const CancellationToken* token) override {
        pause(token, std::nullopt);
        return {detectedPath, {"Detection line."}};
    }
    ExportOutcome exportPackage(const SpptDocument&, PatchMode mode,
                                const std::optional<std::string>& devicePathOverride,
                                const std::optional<std::filesystem::path>& baseConfig,
                                const CancellationToken* token) override {
        exportCalls.push_back({mode, devicePathOverride, baseConfig});
        pause(token, exportError);
        return {"/private/Desktop/" + archiveName(mode), "Report.", "PciRoot(0x0)/Pci(0x1,0x0)"};
    }
    std::optional<std::vector<SysfsGPU>> computerGPUs() override { return gpus; }
    LoadOutcome loadFromGPU(const SysfsGPU& gpu, const CancellationToken* token) override {
        return loadInput("gpu:" + gpu.address, token);
    }
    std::optional<int> chooseGPU(QWidget*, const QStringList&) override { return next(picks, {}); }
    std::optional<QString> requestInputFile(QWidget*, const QStringList&) override {
        ++fileRequests;
        return next(fileAnswers, std::optional<QString>());
    }
    std::optional<QString> requestBaseConfig(QWidget*) override { return requestInputFile({}, {}); }
    void showErrorAlert(QWidget*, const QString& message) override { errorAlerts.append(message); }
    int showAlert(QWidget* parent, const Alert& alert) override {
        alerts.append(alert);
        if (modalAlerts) {
            QMessageBox box(parent);
            for (const QString& title : alert.buttons) {
                box.addButton(title, QMessageBox::ActionRole);
            }
            (void)box.exec();
        }
        return next(alertAnswers, 0);
    }
    void revealInFileManager(const QString& path) override { revealed.append(path); }
    void openUrl(const QUrl& url) override { openedUrls.append(url); }

private:
    void pause(const CancellationToken* token, const std::optional<std::string>& error) {
        while (gated && !gateOpen && !(isCancelled(token) && !jobsIgnoreCancellation)) {
            waiting = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (const bool cancelled = gated && !gateOpen; cancelled || error) {
            throw cancelled ? AppError("Cancelled.", ErrorKind::cancelled) : AppError(*error);
        }
    }
};

} // namespace

/// The window and the application shell around it, on the fake services: loads, detections
/// and exports with the busy rules, the pending generation, the path field and drops; the
/// shortcuts, About, files opened from the file manager and quitting that waits for a job.
class WindowTest : public QObject {
    Q_OBJECT

    std::shared_ptr<FakeWindowServices> m_services;
    std::unique_ptr<AppDelegate> m_delegate;
    int m_terminations = 0;
    TemporaryFolder m_folder;

    void launch(AppDelegate::Links links = {}, std::function<void()> terminate = {}) {
        m_delegate = std::make_unique<AppDelegate>(
            m_services, std::move(links),
            terminate ? std::move(terminate) : [this] { ++m_terminations; });
        m_delegate->applicationDidFinishLaunching();
    }

    MainWindowController& controller() { return *m_delegate->windowController(); }
    MainWindowView& window() { return controller().window(); }
    QString status() { return window().statusLabel()->text(); }
    QString log() { return window().logView()->toPlainText(); }
    QLineEdit* pathField() { return window().devicePathBox()->label(); }
    bool logEndsWith(const QString& line) { return log().endsWith("] " + line + '\n'); }
    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(!controller().isBusy(), 10000); }

    void loadFile() {
        m_services->fileAnswers.push_back(u"/cards/card.rom"_s);
        controller().loadFile();
        waitUntilIdle();
    }

    // Starts `job` and leaves it waiting on the gate: "load" (for a generation asked for
    // without a table), "detect" or "generate".
    void startGated(const QString& job) {
        if (job == "generate"_L1) {
            loadFile();
        }
        m_services->gated = true;
        m_services->fileAnswers.push_back(u"/cards/card.rom"_s);
        job == "detect"_L1 ? controller().detectDevicePath() : controller().generateZero();
        QTRY_VERIFY(m_services->waiting);
    }

    // Drags reach the window as the platform delivers them: to its native window, here at the
    // editable path field, from where Qt hands them to the nearest widget accepting drops.
    template <typename Event>
    bool send(const QList<QUrl>& urls, Qt::DropActions actions = Qt::CopyAction) {
        QMimeData data;
        data.setUrls(urls);
        Event event(pathField()->mapTo(&window(), pathField()->rect().center()), actions, &data,
                    Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window().windowHandle(), &event);
        return event.isAccepted();
    }

    // As in a real drag, the drop follows an enter (Qt delivers drops to the entered target).
    bool drop(const QList<QUrl>& urls) {
        (void)send<QDragEnterEvent>(urls);
        return send<QDropEvent>(urls);
    }

    // Each row names a job for startGated, with the status it starts with and how a quit during
    // it is asked for: the detection by closing the window, the others by asking to quit.
    static void jobRows() {
        QTest::addColumn<QString>("startStatus");
        QTest::addColumn<bool>("byClosingTheWindow");
        QTest::newRow("load") << "Loading SPPT/VBIOS..." << false;
        QTest::newRow("detect") << "Detecting the GFX0/AMD DeviceProperties path..." << true;
        QTest::newRow("generate") << "Detecting DeviceProperties path and generating ZeroRPM.zip..."
                                  << false;
    }

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        Appearance::applyDarkAppearance(*qApp);
    }

    void init() {
        m_services = std::make_shared<FakeWindowServices>();
        m_terminations = 0;
        launch();
    }

    // A job still running is left to finish after its controller is gone.
    void cleanup() {
        m_delegate.reset();
        m_services->gateOpen = true;
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }

    void busyRules_data() { jobRows(); }

    // Nothing else starts while a job runs; only a second generation is refused without a word,
    // and the one a load was started for follows it.
    void busyRules() {
        QFETCH(QString, startStatus);
        const QString job = QTest::currentDataTag();
        startGated(job);
        QCOMPARE(status(), startStatus);
        const int requests = m_services->fileRequests;
        for (const auto refused :
             {&MainWindowController::loadFile, &MainWindowController::detectDevicePath,
              &MainWindowController::chooseBaseConfig,
              &MainWindowController::useEmbeddedBaseConfig}) {
            window().statusLabel()->clear();
            (controller().*refused)();
            QCOMPARE(status(), u"Wait for the current operation to finish."_s);
        }
        QCOMPARE(m_services->fileRequests, requests);
        const QList<QUrl> other{fileUrl("/cards/other.rom")};
        QVERIFY(!send<QDragEnterEvent>(other) && !drop(other));
        window().statusLabel()->clear();
        controller().generateFan35();
        QCOMPARE(status(), job == "generate"_L1
                               ? QString()
                               : u"Wait for the current file/path operation to finish."_s);
        m_services->gateOpen = true;
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths.size(), std::size_t(job != "detect"_L1));
        QCOMPARE(m_services->exportCalls.size(), std::size_t(job != "detect"_L1));
    }

    void failuresAreReported_data() {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expectedStatus");
        const char* valid = "PciRoot(0x0)/Pci(0x3,0x1)";
        QTest::newRow("load") << "Not a regular file." << valid
                              << "Load failed. No SPPT is currently loaded.";
        QTest::newRow("export") << "Disk full." << valid << "Export failed.";
        QTest::newRow("invalid path")
            << "Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) chain, or "
               "clear the field to auto-detect it from IORegistry."
            << "PciRoot(0x0)/Pci(0x1"
            << "Invalid DeviceProperties path. Review it before generating.";
    }

    // No reveal, the typed path left as it was, the error logged and shown; a failed load also
    // forgets the table and what it said. An invalid path is refused before the export.
    void failuresAreReported() {
        const bool exporting = QString(QTest::currentDataTag()) != "load"_L1;
        QFETCH(QString, error);
        QFETCH(QString, typed);
        QFETCH(QString, expectedStatus);
        loadFile();
        pathField()->setText(typed);
        (exporting ? m_services->exportError : m_services->loadError) = error.toStdString();
        exporting ? controller().generateZero() : loadFile();
        waitUntilIdle();
        QCOMPARE(controller().hasDocument(), exporting);
        QCOMPARE(window().spptSummary()->text().isEmpty(), !exporting);
        QCOMPARE(window().generateZeroButton()->toolTip().isEmpty(), !exporting);
        QCOMPARE(status(), expectedStatus);
        QCOMPARE(m_services->errorAlerts, QStringList{error});
        QVERIFY(logEndsWith("ERROR: " + error) && m_services->revealed.isEmpty());
        QCOMPARE(pathField()->text(), typed);
    }

    // The custom button exports with its boxes' thresholds, which its title names, the typed
    // path made canonical in the field first, and the chosen base config until the embedded one
    // is chosen again. (What a finished export shows is the end-to-end suite's.)
    void generateCustomWithTheChosenBaseConfig() {
        loadFile();
        m_services->fileAnswers = {std::nullopt, u"/EFI/OC/My config.plist"_s};
        window().chooseConfigButton()->click();
        window().chooseConfigButton()->click();
        QCOMPARE(window().configValue()->text(), u"My config.plist"_s);
        QVERIFY(logEndsWith(u"Base config.plist: /EFI/OC/My config.plist. Exports merge into a "
                            "copy of it; the file itself is only read."_s));
        window().customStartBox()->setValue(50);
        window().customStopBox()->setValue(99);
        QCOMPARE(window().generateCustomButton()->text(),
                 u"Generate Fan 50 \u00B0C / Stop 47 \u00B0C"_s);
        pathField()->setText(u"  PciRoot(0x00)/Pci(0x03,0x01)/Pci(0x0,0x0)\t\n"_s);
        window().generateCustomButton()->click();
        const QString canonical = u"PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)"_s;
        QCOMPARE(status(), u"Generating ZeroRPM50-47.zip..."_s);
        QCOMPARE(pathField()->text(), canonical);
        waitUntilIdle();
        window().embeddedConfigButton()->click();
        QCOMPARE(window().configValue()->text(), u"Embedded base config.plist"_s);
        QVERIFY(logEndsWith(u"Base config.plist: the embedded template."_s));
        controller().generateZero();
        waitUntilIdle();
        const auto& calls = m_services->exportCalls;
        QCOMPARE(calls.size(), std::size_t(2));
        QVERIFY(calls[0].mode == PatchMode::custom(50, 47));
        QCOMPARE(calls[0].devicePathOverride, canonical.toStdString());
        QCOMPARE(calls[0].baseConfig, std::filesystem::path("/EFI/OC/My config.plist"));
        QVERIFY(!calls[1].baseConfig);
    }

    // Among several GPUs the user chooses one or cancels.
    void readingTheComputersGpu() {
        controller().loadFromComputerGPU();
        m_services->gpus = std::vector<SysfsGPU>{};
        controller().loadFromComputerGPU();
        QCOMPARE(m_services->errorAlerts,
                 (QStringList{"Could not read sysfs to find the GPU.",
                              "No supported AMD GPU was found in sysfs."}));
        m_services->gpus = {{{"0000:03:00.0", 0x1002, 0x67DF, GpuFamily::polaris},
                             {"0000:0c:00.0", 0x1002, 0x73BF, GpuFamily::rdna2}}};
        m_services->picks = {std::nullopt, 1};
        controller().loadFromComputerGPU();
        controller().loadFromComputerGPU();
        QCOMPARE(window().inputBox()->label()->text(), u"pp_table (0000:0c:00.0)"_s);
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths, std::vector<std::filesystem::path>{"gpu:0000:0c:00.0"});
    }

    // A found path replaces what was typed before, unless the field is edited meanwhile.
    void detection() {
        m_services->detectedPath = "PciRoot(0x0)/Pci(0x1,0x0)";
        pathField()->setText(u"typed before"_s);
        controller().detectDevicePath();
        waitUntilIdle();
        QCOMPARE(pathField()->text().toStdString(), *m_services->detectedPath);
        QCOMPARE(status(), u"DeviceProperties path detected. Review it before generating."_s);
        QVERIFY(logEndsWith(u"Detection line."_s));
        startGated(u"detect"_s);
        pathField()->setText(u"my own edit"_s);
        m_services->gateOpen = true;
        waitUntilIdle();
        QCOMPARE(pathField()->text(), u"my own edit"_s);
        QCOMPARE(status(), u"Detection finished. Manual DeviceProperties edit preserved."_s);
        QVERIFY(logEndsWith(u"DeviceProperties path was edited manually during detection; the "
                            "manual value was preserved."_s));
    }

    // The cleanup destroys the controller while this job runs; its result must be dropped.
    void resultsForADestroyedControllerAreDropped() { startGated(u"load"_s); }

    // A generation asked for without a table waits through a cancelled or refused panel and
    // refused drags for the next load, and is forgotten when that load fails. A drag qualifies
    // when copying exactly one file of a supported type; dropped on the editable field, the
    // file is loaded, never typed into the field.
    void dropsAndThePendingGeneration() {
        m_services->fileAnswers = {std::nullopt, u"/cards/readme.pdf"_s};
        controller().generateZero();
        controller().generateZero();
        QCOMPARE(status(), u"Unsupported file type."_s);
        QVERIFY(logEndsWith(u"Rejected unsupported file type: readme.pdf"_s));
        std::filesystem::create_directory(m_folder.path() / "dump.rom");
        for (const QList<QUrl>& refused : {QList<QUrl>{fileUrl("/cards/card.zip")},
                                           {fileUrl("/a.rom"), fileUrl("/b.rom")},
                                           {fileUrl(m_folder.path() / "dump.rom")},
                                           {}}) {
            QVERIFY(!send<QDragEnterEvent>(refused) && !drop(refused));
        }
        const QList<QUrl> table{QUrl(u"https://example.org/a.rom"_s), fileUrl("/cards/T.PP_TABLE")};
        QVERIFY(!send<QDragEnterEvent>(table, Qt::MoveAction) && drop(table));
        QCOMPARE(pathField()->text(), QString());
        waitUntilIdle();
        const auto dropTable = [&](std::optional<std::string> error) {
            m_services->loadError = std::move(error);
            QVERIFY(drop(table));
            waitUntilIdle();
        };
        dropTable("Unreadable.");
        controller().generateZero();
        dropTable("Unreadable.");
        dropTable(std::nullopt);
        QCOMPARE(m_services->loadedPaths,
                 std::vector<std::filesystem::path>(4, "/cards/T.PP_TABLE"));
        QCOMPARE(m_services->exportCalls.size(), std::size_t(1));
    }

    void shortcutKeys_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<std::optional<PatchMode>>("generated");
        QTest::addColumn<QList<int>>("requestsAlertsQuits");
        using Mode = std::optional<PatchMode>;
        const QList<int> panel{1, 0, 0}, quits{0, 0, 1};
        const QKeyCombination help = QKeySequence(QKeySequence::HelpContents)[0];
        QTest::newRow("Ctrl+O opens") << (Qt::CTRL | Qt::Key_O) << Mode() << panel;
        QTest::newRow("Ctrl+1") << (Qt::CTRL | Qt::Key_1) << Mode(PatchMode::zeroRpmPure) << panel;
        QTest::newRow("Ctrl+2") << (Qt::CTRL | Qt::Key_2) << Mode(PatchMode::fan35) << panel;
        QTest::newRow("Ctrl+3") << (Qt::CTRL | Qt::Key_3) << Mode(PatchMode::custom(45, 40))
                                << panel;
        QTest::newRow("the platform's help key") << help << Mode() << QList<int>{0, 1, 0};
        QTest::newRow("Ctrl+Q quits") << (Qt::CTRL | Qt::Key_Q) << Mode() << quits;
        QTest::newRow("Ctrl+W closes the window") << (Qt::CTRL | Qt::Key_W) << Mode() << quits;
    }

    void shortcutKeys() {
        QFETCH(QKeyCombination, key);
        QFETCH(std::optional<PatchMode>, generated);
        QFETCH(QList<int>, requestsAlertsQuits);
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        m_services->fileAnswers.push_back(u"/cards/card.rom"_s);
        QTest::keyClick(&window(), key.key(), key.keyboardModifiers());
        waitUntilIdle();
        const auto& calls = m_services->exportCalls;
        QCOMPARE(calls.empty() ? std::nullopt : std::optional(calls.front().mode), generated);
        QCOMPARE(
            (QList<int>{m_services->fileRequests, int(m_services->alerts.size()), m_terminations}),
            requestsAlertsQuits);
        for (const Alert& alert : m_services->alerts) {
            QCOMPARE(alert.message, u"Ventora Help"_s);
        }
    }

    void quittingDuringAJob_data() { jobRows(); }

    // The job is cancelled, a second request changes nothing, and the quit runs once the job
    // ends, with no alert, no reveal, no further generation and nothing written to the field
    // or the log. (Quitting when idle is immediate: see the shortcuts.)
    void quittingDuringAJob() {
        QFETCH(bool, byClosingTheWindow);
        const QString job = QTest::currentDataTag();
        m_services->detectedPath = "PciRoot(0x0)/Pci(0x1,0x0)";
        startGated(job);
        const QString logged = log();
        for (int request = 0; request < 2; ++request) {
            QVERIFY(!(byClosingTheWindow ? window().close()
                                         : m_delegate->applicationShouldTerminate()));
        }
        QVERIFY(m_terminations == 0 && window().isVisible());
        waitUntilIdle();
        QCOMPARE(m_terminations, 1);
        QCOMPARE(m_services->exportCalls.size(), std::size_t(job == "generate"_L1));
        QVERIFY(m_services->errorAlerts.isEmpty() && m_services->revealed.isEmpty());
        QCOMPARE(status(), u"Cancelling the current operation before quitting..."_s);
        QCOMPARE(log(), logged);
        QCOMPARE(pathField()->text(), QString());
    }

    // The quit requested during a job runs when the job ends, although a dialog that refuses
    // to close (About with its three buttons) is open then: the real termination is used.
    void deferredQuitEndsTheAppThroughAnOpenDialog() {
        launch({donationPage, contactMail}, &AppDelegate::endEventLoop);
        m_services->jobsIgnoreCancellation = true;
        startGated(u"load"_s);
        (void)m_delegate->applicationShouldTerminate();
        m_services->modalAlerts = true;
        QTimer::singleShot(0, m_delegate.get(), &AppDelegate::showAbout);
        QTimer endJobOnceTheDialogIsUp;
        connect(&endJobOnceTheDialogIsUp, &QTimer::timeout, this, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget();
                dialog && dialog->isVisible()) {
                endJobOnceTheDialogIsUp.stop();
                m_services->gateOpen = true;
            }
        });
        endJobOnceTheDialogIsUp.start(20);
        QTimer::singleShot(10000, &endJobOnceTheDialogIsUp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(m_services->gateOpen && !controller().isBusy());
    }

    // Loaded under the rules of a drop; one sent before launching waits for the window.
    void filesOpenedFromTheFileManager() {
        m_delegate = std::make_unique<AppDelegate>(m_services, AppDelegate::Links{}, [] {});
        QCoreApplication::instance()->installEventFilter(m_delegate.get());
        for (const char* file : {"/cards/TABLE.PP_TABLE", "/cards/card.pdf"}) {
            QFileOpenEvent event(QString::fromLatin1(file));
            QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
            m_delegate->applicationDidFinishLaunching();
            waitUntilIdle();
        }
        QCOMPARE(m_services->loadedPaths,
                 std::vector<std::filesystem::path>{"/cards/TABLE.PP_TABLE"});
    }

    // About names the version; without addresses no donation item, button or link is offered.
    void aboutAndTheLinks() {
        for (const bool withLinks : {false, true}) {
            launch(withLinks ? AppDelegate::Links{donationPage, contactMail}
                             : AppDelegate::Links{});
            const QList<QAction*> items = m_delegate->menuBar()->findChildren<QAction*>();
            QCOMPARE(std::any_of(items.begin(), items.end(),
                                 [](QAction* item) {
                                     return item->text() == "PayPal Donate"_L1 && item->isVisible();
                                 }),
                     withLinks);
            QCOMPARE(window().donateButton()->isHidden(), !withLinks);
            m_services->alertAnswers = {-1, 1, 2};
            for (int shown = 0; shown < 3; ++shown) {
                m_delegate->showAbout();
            }
            const Alert& alert = m_services->alerts.back();
            QCOMPARE(alert.message, u"Ventora"_s);
            QCOMPARE(
                alert.informativeText,
                QStringLiteral("Fan Always On and FAN 35 \u00B0C Solution\nNavi 10 / Navi 21 / "
                               "Navi 22 / Navi 23 + Polaris + Vega 10 / Vega 20\n\nMade by the "
                               "Ventora contributors\n\nVersion " VENTORA_VERSION));
            const QStringList buttons{"OK", "Email", "PayPal"};
            QCOMPARE(alert.buttons, withLinks ? buttons : buttons.first(1));
        }
        QCOMPARE(m_services->openedUrls, (QList<QUrl>{contactMail, donationPage}));
        window().donateButton()->click();
        QCOMPARE(m_services->openedUrls.last(), donationPage);
    }
};

QTEST_MAIN(WindowTest)

#include "WindowTest.moc"
