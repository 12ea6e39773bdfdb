#include "FakeWindowServices.hpp"
#include "core/AppError.hpp"
#include "ui/Appearance.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace ventora;
using namespace ventora::test;

namespace {

const QString fallbackPath = QStringLiteral("PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)");
const QString waitForOperation = QStringLiteral("Wait for the current operation to finish.");
const QString waitForFileOrPath =
    QStringLiteral("Wait for the current file/path operation to finish.");

ExportOutcome exportedArchive(PatchMode mode) {
    const std::string name = mode == PatchMode::fan35 ? "ZeroRPM35.zip" : "ZeroRPM.zip";
    return {std::filesystem::path("/private/Desktop") / name, "Report line 1\nReport line 2",
            fallbackPath.toStdString()};
}

} // namespace

/// The window's workflow: loads, detections and exports through a scripted seam, with the
/// busy rules, the pending generation, the path field, drops and deferred quitting.
class ControllerTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWindowServices> m_services;
    std::unique_ptr<MainWindowController> m_controller;
    std::unique_ptr<Gate> m_gate;
    QTemporaryDir m_folder;

    MainWindowView& window() { return m_controller->window(); }
    QString status() { return window().statusLabel()->text(); }
    QString log() { return window().logView()->toPlainText(); }
    QLineEdit* pathField() { return window().devicePathBox()->label(); }

    void scriptLoad(std::size_t size = 512, bool gated = false) {
        Gate* gate = gated ? m_gate.get() : nullptr;
        m_services->loadScript = [size, gate](const std::filesystem::path& path,
                                              const CancellationToken* token) {
            if (gate != nullptr && gate->waitOpenOrCancelled(token)) {
                throw AppError("Input loading cancelled.");
            }
            return LoadOutcome{documentOfSize(size), {"Read " + path.filename().string() + "."}};
        };
    }

    void scriptFailingLoad() {
        m_services->loadScript = [](const std::filesystem::path&,
                                    const CancellationToken*) -> LoadOutcome {
            throw AppError("Input path is not a regular file.");
        };
    }

    void scriptExport(bool gated = false) {
        Gate* gate = gated ? m_gate.get() : nullptr;
        m_services->exportScript = [gate](PatchMode mode, const CancellationToken* token) {
            if (gate != nullptr && gate->waitOpenOrCancelled(token)) {
                throw AppError("Export cancelled.");
            }
            return exportedArchive(mode);
        };
    }

    void scriptDetect(std::optional<std::string> path, bool gated) {
        Gate* gate = gated ? m_gate.get() : nullptr;
        m_services->detectScript = [gate, path](const CancellationToken* token) {
            if (gate != nullptr) {
                (void)gate->waitOpenOrCancelled(token);
            }
            return DetectOutcome{path, {"Detection line."}};
        };
    }

    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isBusy(), 10000); }

    void loadTable(std::size_t size = 512) {
        scriptLoad(size);
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        m_controller->loadFile();
        waitUntilIdle();
        QVERIFY(m_controller->hasDocument());
    }

    bool sendDrag(const QList<QUrl>& urls, Qt::DropActions actions = Qt::CopyAction) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent event(QPoint(20, 20), actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window(), &event);
        return event.isAccepted();
    }

    // As in a real drag, the drop follows an enter (Qt delivers drops to the entered target).
    bool sendDrop(const QList<QUrl>& urls) {
        (void)sendDrag(urls);
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window(), &event);
        return event.isAccepted();
    }

private slots:
    void initTestCase() { QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("dump.rom"))); }

    void init() {
        m_services = std::make_shared<FakeWindowServices>();
        m_controller = std::make_unique<MainWindowController>(m_services, std::nullopt);
        m_gate = std::make_unique<Gate>();
    }

    void cleanup() {
        m_gate->open();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        m_controller.reset();
    }

    void loadShowsProgressThenTheTable() {
        scriptLoad(1234, true);
        m_services->fileAnswers.push_back(QStringLiteral("/cards/Navi21.ROM"));
        m_controller->loadFile();
        QVERIFY(m_controller->isBusy());
        QCOMPARE(status(), QStringLiteral("Loading SPPT/VBIOS..."));
        QCOMPARE(window().inputBox()->label()->text(), QStringLiteral("Navi21.ROM"));
        QCOMPARE(window().spptValue()->text(), QStringLiteral("Not loaded"));
        m_gate->open();
        waitUntilIdle();
        QCOMPARE(window().spptValue()->text(), QStringLiteral("Loaded \u2022 1234 bytes"));
        QCOMPARE(status(),
                 QStringLiteral("SPPT loaded. Choose a solution to generate the ZIP on Desktop."));
        QVERIFY(log().endsWith(QStringLiteral("] Read Navi21.ROM.\n")));
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(1));
        QCOMPARE(m_services->loadedPaths().front(), std::filesystem::path("/cards/Navi21.ROM"));
    }

    void failedLoadForgetsTheTableAndThePendingPreset() {
        loadTable();
        scriptExport();
        scriptFailingLoad();
        m_services->fileAnswers.push_back(QStringLiteral("/cards/folder.bin"));
        m_controller->loadFile();
        waitUntilIdle();
        QVERIFY(!m_controller->hasDocument());
        QCOMPARE(status(), QStringLiteral("Load failed. No SPPT is currently loaded."));
        QCOMPARE(m_services->errorAlerts,
                 QStringList{QStringLiteral("Input path is not a regular file.")});
        QVERIFY(log().endsWith(QStringLiteral("] ERROR: Input path is not a regular file.\n")));

        // Without a table a generation asks for a file; its failed load forgets the preset.
        m_services->fileAnswers.push_back(QStringLiteral("/cards/bad.rom"));
        m_controller->generateFan35();
        waitUntilIdle();
        scriptLoad();
        m_services->fileAnswers.push_back(QStringLiteral("/cards/good.rom"));
        m_controller->loadFile();
        waitUntilIdle();
        QVERIFY(m_controller->hasDocument());
        QVERIFY(m_services->exportCalls().empty());
    }

    void panelRefusesUnsupportedTypesAndCancelDoesNothing() {
        m_services->fileAnswers.push_back(QStringLiteral("/cards/readme.pdf"));
        m_controller->loadFile();
        QCOMPARE(status(), QStringLiteral("Unsupported file type."));
        QVERIFY(log().endsWith(QStringLiteral("] Rejected unsupported file type: readme.pdf\n")));
        QVERIFY(!m_controller->isBusy());

        m_services->fileAnswers.push_back(std::nullopt);
        m_controller->loadFile();
        QCOMPARE(status(), QStringLiteral("Unsupported file type."));
        QCOMPARE(m_services->fileRequests, 2);
        QVERIFY(m_services->loadedPaths().empty());
    }

    void generateWithoutTableAsksForAFileThenGenerates() {
        scriptLoad();
        scriptExport(true);
        pathField()->setText(QStringLiteral(" \t "));
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        window().generateFan35Button()->click();
        QCOMPARE(m_services->fileRequests, 1);
        QTRY_VERIFY(m_gate->isWaiting());
        QCOMPARE(status(),
                 QStringLiteral("Detecting DeviceProperties path and generating ZeroRPM35.zip..."));
        m_gate->open();
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(1));
        QCOMPARE(calls.front().mode, PatchMode::fan35);
        QCOMPARE(calls.front().tableSize, std::size_t(512));
        QVERIFY(!calls.front().devicePathOverride.has_value());
        QCOMPARE(status(), QStringLiteral("Generated ZeroRPM35.zip on Desktop."));
        QCOMPARE(pathField()->text(), fallbackPath);
        QCOMPARE(m_services->revealed,
                 QStringList{QStringLiteral("/private/Desktop/ZeroRPM35.zip")});
        const QString text = log();
        for (const QString& expected :
             {QStringLiteral("] Starting Fan 35 \u00B0C / Stop 30 \u00B0C export...\n"),
              QStringLiteral("] No manual DeviceProperties path selected; locating GFX0/AMD in "
                             "IORegistry. A generic fallback will be used if no usable path is "
                             "found.\n"),
              QStringLiteral("] IMPORTANT: Review/confirm the DeviceProperties path before using "
                             "the generated config.plist.\n"),
              QStringLiteral("] Export completed: /private/Desktop/ZeroRPM35.zip\n"),
              QStringLiteral("] Report line 1\nReport line 2\n")}) {
            QVERIFY2(text.contains(expected), qPrintable(expected));
        }
        QVERIFY(m_services->errorAlerts.isEmpty());
    }

    void configCardChoosesAndClearsTheBaseForLaterExports() {
        loadTable();
        scriptExport();
        QLabel* value = window().configValue();
        m_services->fileAnswers.push_back(std::nullopt);
        window().chooseConfigButton()->click();
        QCOMPARE(value->text(), QStringLiteral("Embedded base config.plist"));
        m_services->fileAnswers.push_back(QStringLiteral("/EFI/OC/My config.plist"));
        window().chooseConfigButton()->click();
        QCOMPARE(value->text(), QStringLiteral("My config.plist"));
        QVERIFY(log().contains(QStringLiteral("] Base config.plist: /EFI/OC/My config.plist.")));
        m_controller->generateZero();
        waitUntilIdle();
        window().embeddedConfigButton()->click();
        QCOMPARE(value->text(), QStringLiteral("Embedded base config.plist"));
        m_controller->generateZero();
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(2));
        QCOMPARE(calls[0].baseConfig,
                 std::optional(std::filesystem::path("/EFI/OC/My config.plist")));
        QVERIFY(!calls[1].baseConfig.has_value());
    }

    void cancelledPanelKeepsThePresetForALaterDrop() {
        scriptExport();
        m_services->fileAnswers.push_back(std::nullopt);
        m_controller->generateZero();
        QVERIFY(!m_controller->isBusy());
        QVERIFY(m_services->exportCalls().empty());
        scriptLoad();
        QVERIFY(sendDrop({QUrl::fromLocalFile(QStringLiteral("/cards/table.sppt"))}));
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(1));
        QCOMPARE(calls.front().mode, PatchMode::zeroRpmPure);
        QCOMPARE(status(), QStringLiteral("Generated ZeroRPM.zip on Desktop."));
    }

    void busyRules_data() {
        QTest::addColumn<QString>("job");
        QTest::newRow("loading") << QStringLiteral("load");
        QTest::newRow("detecting") << QStringLiteral("detect");
        QTest::newRow("generating") << QStringLiteral("generate");
    }

    void busyRules() {
        QFETCH(QString, job);
        if (job == QLatin1String("generate")) {
            loadTable();
            scriptExport(true);
            m_controller->generateZero();
        } else if (job == QLatin1String("detect")) {
            scriptDetect(std::nullopt, true);
            m_controller->detectDevicePath();
        } else {
            scriptLoad(512, true);
            m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
            m_controller->loadFile();
        }
        QVERIFY(m_controller->isBusy());
        const int requests = m_services->fileRequests;

        m_controller->loadFile();
        QCOMPARE(status(), waitForOperation);
        QCOMPARE(m_services->fileRequests, requests);
        window().statusLabel()->clear();
        m_controller->detectDevicePath();
        QCOMPARE(status(), waitForOperation);
        QVERIFY(!sendDrag({QUrl::fromLocalFile(QStringLiteral("/cards/other.rom"))}));
        QVERIFY(!sendDrop({QUrl::fromLocalFile(QStringLiteral("/cards/other.rom"))}));

        window().statusLabel()->clear();
        m_controller->generateFan35();
        QCOMPARE(status(), job == QLatin1String("generate") ? QString() : waitForFileOrPath);

        m_gate->open();
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(job != QLatin1String("detect")));
        QCOMPARE(m_services->exportCalls().size(), std::size_t(job == QLatin1String("generate")));
    }

    void invalidPathIsRefusedBeforeAnythingStarts() {
        loadTable();
        scriptExport();
        pathField()->setText(QStringLiteral("PciRoot(0x0)/Pci(0x1"));
        m_controller->generateFan35();
        QVERIFY(!m_controller->isBusy());
        QCOMPARE(status(),
                 QStringLiteral("Invalid DeviceProperties path. Review it before generating."));
        const QString alert = QStringLiteral(
            "Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) chain, or clear "
            "the field to auto-detect it from IORegistry.");
        QCOMPARE(m_services->errorAlerts, QStringList{alert});
        QVERIFY(log().endsWith(QStringLiteral("] ERROR: ") + alert + QLatin1Char('\n')));
        QCOMPARE(pathField()->text(), QStringLiteral("PciRoot(0x0)/Pci(0x1"));
        QVERIFY(m_services->exportCalls().empty());
    }

    void typedPathIsCanonicalisedInTheFieldBeforeTheExport() {
        loadTable();
        scriptExport(true);
        pathField()->setText(QStringLiteral("  PciRoot(0x00)/Pci(0x03,0x01)/Pci(0x0,0x0)\t\n"));
        m_controller->generateZero();
        const QString canonical = QStringLiteral("PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)");
        QCOMPARE(pathField()->text(), canonical);
        QCOMPARE(status(), QStringLiteral("Generating ZeroRPM.zip..."));
        QVERIFY(log().contains(
            QStringLiteral("] Using manual supported AMD GPU DeviceProperties path: ") + canonical +
            QLatin1Char('\n')));
        m_gate->open();
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(1));
        QCOMPARE(calls.front().devicePathOverride,
                 std::optional<std::string>(canonical.toStdString()));
    }

    void detection_data() {
        QTest::addColumn<std::optional<std::string>>("detected");
        QTest::addColumn<bool>("editDuringDetection");
        QTest::addColumn<QString>("expectedField");
        QTest::addColumn<QString>("expectedStatus");
        QTest::addColumn<bool>("expectPreservedLine");
        QTest::newRow("found")
            << std::optional<std::string>("PciRoot(0x0)/Pci(0x1,0x0)") << false
            << QStringLiteral("PciRoot(0x0)/Pci(0x1,0x0)")
            << QStringLiteral("DeviceProperties path detected. Review it before generating.")
            << false;
        QTest::newRow("nothing found")
            << std::optional<std::string>() << false << QStringLiteral("typed before")
            << QStringLiteral("GFX0 path was not detected. Generation will use the generic "
                              "fallback unless you enter a path.")
            << false;
        QTest::newRow("edited meanwhile")
            << std::optional<std::string>("PciRoot(0x0)/Pci(0x1,0x0)") << true
            << QStringLiteral("my own edit")
            << QStringLiteral("Detection finished. Manual DeviceProperties edit preserved.")
            << true;
    }

    void detection() {
        QFETCH(std::optional<std::string>, detected);
        QFETCH(bool, editDuringDetection);
        QFETCH(QString, expectedField);
        QFETCH(QString, expectedStatus);
        QFETCH(bool, expectPreservedLine);
        pathField()->setText(QStringLiteral("typed before"));
        scriptDetect(detected, true);
        window().detectButton()->click();
        QCOMPARE(status(), QStringLiteral("Detecting the GFX0/AMD DeviceProperties path..."));
        if (editDuringDetection) {
            pathField()->setText(QStringLiteral("my own edit"));
        }
        m_gate->open();
        waitUntilIdle();
        QCOMPARE(pathField()->text(), expectedField);
        QCOMPARE(status(), expectedStatus);
        const QString preserved = QStringLiteral(
            "] DeviceProperties path was edited manually during detection; the manual value was "
            "preserved.\n");
        QCOMPARE(log().endsWith(preserved), expectPreservedLine);
        QVERIFY(log().startsWith(QStringLiteral("[")));
        QVERIFY(log().contains(QStringLiteral("] Detection line.\n")));
    }

    void quitDuringExportCancelsItAndQuitsWithoutAlertOrReveal() {
        loadTable();
        scriptExport(true);
        m_controller->generateFan35();
        QTRY_VERIFY(m_gate->isWaiting());
        int terminations = 0;
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { ++terminations; }));
        QCOMPARE(status(), QStringLiteral("Cancelling the current operation before quitting..."));
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { terminations += 100; }));
        waitUntilIdle();
        QCOMPARE(terminations, 1);
        QVERIFY(m_services->errorAlerts.isEmpty());
        QVERIFY(m_services->revealed.isEmpty());
        QCOMPARE(status(), QStringLiteral("Cancelling the current operation before quitting..."));
        QVERIFY(!log().contains(QStringLiteral("ERROR")));
    }

    void quitDuringLoadDropsThePendingGeneration() {
        scriptLoad(512, true);
        scriptExport();
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        m_controller->generateZero();
        QTRY_VERIFY(m_gate->isWaiting());
        int terminations = 0;
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { ++terminations; }));
        waitUntilIdle();
        QCOMPARE(terminations, 1);
        QVERIFY(m_services->exportCalls().empty());
        QVERIFY(m_services->errorAlerts.isEmpty());
    }

    void resultsForADestroyedControllerAreDropped() {
        scriptLoad(512, true);
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        m_controller->loadFile();
        QTRY_VERIFY(m_gate->isWaiting());
        m_controller.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        init();
    }

    void dropAcceptance_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("accepted");
        const auto file = [](const char* name) {
            return QUrl::fromLocalFile(QString::fromUtf8(name));
        };
        QTest::newRow("one rom") << QList<QUrl>{file("/cards/card.rom")} << true;
        QTest::newRow("extension in capitals") << QList<QUrl>{file("/cards/CARD.ROM")} << true;
        QTest::newRow("pp_table") << QList<QUrl>{file("/cards/navi.pp_table")} << true;
        QTest::newRow("other extension") << QList<QUrl>{file("/cards/card.zip")} << false;
        QTest::newRow("no extension") << QList<QUrl>{file("/cards/card")} << false;
        QTest::newRow("two files")
            << QList<QUrl>{file("/cards/a.rom"), file("/cards/b.rom")} << false;
        QTest::newRow("web address")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.org/a.rom"))} << false;
        QTest::newRow("one file beside a web address")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.org/a.rom")),
                           file("/cards/card.bin")}
            << true;
        QTest::newRow("folder named like a table")
            << QList<QUrl>{QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("dump.rom")))}
            << false;
        QTest::newRow("nothing") << QList<QUrl>{} << false;
    }

    void dropAcceptance() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, accepted);
        scriptLoad();
        QCOMPARE(sendDrag(urls), accepted);
        QCOMPARE(sendDrag(urls, Qt::MoveAction), false);
        QCOMPARE(sendDrop(urls), accepted);
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(accepted));
        if (!accepted) {
            QCOMPARE(log(), QString());
        }
    }

    void donationButtonFollowsTheBuildAddress() {
        QVERIFY(window().donateButton()->isHidden());
        m_controller->openPayPal();
        QVERIFY(m_services->openedUrls.isEmpty());

        const QUrl page(QStringLiteral("https://donate.example.org/ventora"));
        MainWindowController withPage(m_services, page);
        QVERIFY(!withPage.window().donateButton()->isHidden());
        withPage.window().donateButton()->click();
        QCOMPARE(m_services->openedUrls, QList<QUrl>{page});
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    ControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ControllerTest.moc"
