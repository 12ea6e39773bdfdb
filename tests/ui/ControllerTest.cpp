#include "FakeWindowServices.hpp"
#include "core/AppError.hpp"
#include "output/OutputBuilder.hpp"
#include "patch/ZeroRpmPatcher.hpp"
#include "support/PowerPlayTables.hpp"
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
#include <QSpinBox>
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
    return {std::filesystem::path("/private/Desktop") / OutputBuilder::archiveName(mode),
            "Report line 1\nReport line 2", fallbackPath.toStdString()};
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

    // Drags reach the window as the platform delivers them: to its native window, at a point,
    // from where Qt hands them to the widget there or the nearest ancestor accepting drops.
    QPoint pointOn(QWidget* target) {
        if (!window().isVisible()) {
            window().show();
            (void)QTest::qWaitForWindowExposed(&window());
        }
        return target == nullptr ? QPoint(20, 20)
                                 : target->mapTo(&window(), target->rect().center());
    }

    bool sendDrag(const QList<QUrl>& urls, Qt::DropActions actions = Qt::CopyAction,
                  QWidget* target = nullptr) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent event(pointOn(target), actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window().windowHandle(), &event);
        return event.isAccepted();
    }

    // As in a real drag, the drop follows an enter (Qt delivers drops to the entered target).
    bool sendDrop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        (void)sendDrag(urls, Qt::CopyAction, target);
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(pointOn(target), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window().windowHandle(), &event);
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

    void failedJobsAreReported_data() {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("expectedStatus");
        QTest::newRow("load") << false
                              << QStringLiteral("Load failed. No SPPT is currently loaded.");
        QTest::newRow("export") << true << QStringLiteral("Export failed.");
    }

    void failedJobsAreReported() {
        QFETCH(bool, exporting);
        QFETCH(QString, expectedStatus);
        loadTable();
        const QString typed = QStringLiteral("PciRoot(0x0)/Pci(0x3,0x1)");
        pathField()->setText(typed);
        const QString error = QStringLiteral("Input path is not a regular file.");
        if (exporting) {
            m_services->exportScript = [error](PatchMode,
                                               const CancellationToken*) -> ExportOutcome {
                throw AppError(error.toStdString());
            };
            m_controller->generateZero();
        } else {
            scriptFailingLoad();
            m_services->fileAnswers.push_back(QStringLiteral("/cards/folder.bin"));
            m_controller->loadFile();
        }
        waitUntilIdle();
        QCOMPARE(m_controller->hasDocument(), exporting);
        QCOMPARE(status(), expectedStatus);
        QCOMPARE(m_services->errorAlerts, QStringList{error});
        QVERIFY(log().endsWith(QStringLiteral("] ERROR: ") + error + QLatin1Char('\n')));
        QVERIFY(m_services->revealed.isEmpty());
        QCOMPARE(pathField()->text(), typed);
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

    void customRowGeneratesWithTheThresholdsInItsBoxes() {
        loadTable();
        scriptExport(true);
        window().customStartBox()->setValue(50);
        window().customStopBox()->setValue(47);
        window().generateCustomButton()->click();
        QTRY_VERIFY(m_gate->isWaiting());
        QCOMPARE(status(), QStringLiteral("Detecting DeviceProperties path and generating "
                                          "ZeroRPM50-47.zip..."));
        m_gate->open();
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(1));
        QVERIFY(calls.front().mode == PatchMode::custom(50, 47));
        QVERIFY(log().contains(QStringLiteral("] Starting Fan 50 \u00B0C / Stop 47 \u00B0C "
                                              "export...\n")));
    }

    // After a load the SPPT card says what the table does today and each generate button's
    // tooltip what its preset would change, from the patcher's own recognition.
    void loadSummaryAndWhatEachPresetWouldChange() {
        const auto patched = [](PatchMode mode) {
            return ZeroRpmPatcher::apply(SpptDocument{navi10Table(), "t", {}, {}}, mode).data;
        };
        const QString unchanged = QStringLiteral("already set: the archive would change nothing");
        const QString refused = QStringLiteral("Not a supported layout: it will not be patched");
        const QString navi10 = QStringLiteral("Navi 10 \u00B7 fan-stop ");
        const QString two = QStringLiteral("changes 2 bytes");
        const struct {
            Bytes table;
            QString summary;
            QStringList tooltips;
        } rows[] = {
            {documentOfSize(512).data, refused, {refused, refused, refused}},
            {patched(PatchMode::zeroRpmPure),
             navi10 + QStringLiteral("off"),
             {unchanged, QStringLiteral("changes 3 bytes"), QStringLiteral("changes 3 bytes")}},
            {navi10Table(),
             navi10 + QStringLiteral("on \u00B7 starts 55 \u00B0C, stops 50 \u00B0C"),
             {QStringLiteral("changes 1 byte"), two, two}},
            {patched(PatchMode::fan35),
             navi10 + QStringLiteral("on \u00B7 starts 35 \u00B0C, stops 30 \u00B0C"),
             {QStringLiteral("changes 1 byte"), unchanged, two}},
        };
        const auto tooltips = [this] {
            return QStringList{window().generateZeroButton()->toolTip(),
                               window().generateFan35Button()->toolTip(),
                               window().generateCustomButton()->toolTip()};
        };
        for (const auto& row : rows) {
            m_services->loadScript = [table = row.table](const std::filesystem::path&,
                                                         const CancellationToken*) {
                return LoadOutcome{SpptDocument{table, "t", {}, {}}, {}};
            };
            m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
            m_controller->loadFile();
            waitUntilIdle();
            QCOMPARE(window().spptSummary()->text(), row.summary);
            QCOMPARE(tooltips(), row.tooltips);
        }
        // The custom button's tooltip follows the boxes; a failed load forgets it all.
        window().customStartBox()->setValue(35);
        window().customStopBox()->setValue(30);
        QCOMPARE(window().generateCustomButton()->toolTip(), unchanged);
        scriptFailingLoad();
        m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
        m_controller->loadFile();
        waitUntilIdle();
        QCOMPARE(window().spptSummary()->text(), QString());
        QCOMPARE(tooltips(), (QStringList{QString(), QString(), QString()}));
    }

    void pendingPreset_data() {
        QTest::addColumn<std::optional<QString>>("panelAnswer");
        QTest::addColumn<bool>("laterLoadFails");
        QTest::addColumn<bool>("generated");
        QTest::newRow("panel cancelled: kept for a later drop")
            << std::optional<QString>() << false << true;
        QTest::newRow("unsupported file chosen: kept for a later drop")
            << std::optional<QString>(QStringLiteral("/cards/readme.pdf")) << false << true;
        QTest::newRow("then a failed load: forgotten") << std::optional<QString>() << true << false;
    }

    void pendingPreset() {
        QFETCH(std::optional<QString>, panelAnswer);
        QFETCH(bool, laterLoadFails);
        QFETCH(bool, generated);
        scriptExport();
        m_services->fileAnswers.push_back(panelAnswer);
        m_controller->generateZero();
        QVERIFY(!m_controller->isBusy());
        QVERIFY(m_services->loadedPaths().empty());
        if (panelAnswer) {
            QCOMPARE(status(), QStringLiteral("Unsupported file type."));
            QVERIFY(
                log().endsWith(QStringLiteral("] Rejected unsupported file type: readme.pdf\n")));
        }
        if (laterLoadFails) {
            scriptFailingLoad();
            QVERIFY(sendDrop({QUrl::fromLocalFile(QStringLiteral("/cards/bad.rom"))}));
            waitUntilIdle();
        }
        scriptLoad();
        QVERIFY(sendDrop({QUrl::fromLocalFile(QStringLiteral("/cards/table.sppt"))}));
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(generated));
        if (generated) {
            QCOMPARE(calls.front().mode, PatchMode::zeroRpmPure);
            QCOMPARE(status(), QStringLiteral("Generated ZeroRPM.zip on Desktop."));
        }
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

    void typedPathIsCanonicalisedInTheFieldBeforeTheExport_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("OpenCore form")
            << QStringLiteral("  PciRoot(0x00)/Pci(0x03,0x01)/Pci(0x0,0x0)\t\n");
        QTest::newRow("Device Manager's two lines")
            << QStringLiteral("PCIROOT(0)#PCI(0301)#PCI(0000) ACPI(_SB_)#ACPI(PCI0)#ACPI(GPP0)");
    }

    void typedPathIsCanonicalisedInTheFieldBeforeTheExport() {
        QFETCH(QString, typed);
        loadTable();
        scriptExport(true);
        pathField()->setText(typed);
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

    void readingTheComputersGpuOffersAChoiceAmongSeveral() {
        scriptLoad(700);
        m_services->gpus = std::vector<SysfsGPU>{};
        m_controller->loadFromComputerGPU();
        QCOMPARE(m_services->errorAlerts,
                 QStringList{QStringLiteral("No supported AMD GPU was found in sysfs.")});
        m_services->gpus =
            std::vector<SysfsGPU>{{"0000:03:00.0", 0x1002, 0x67DF, GpuFamily::polaris},
                                  {"0000:0c:00.0", 0x1002, 0x73BF, GpuFamily::rdna2}};
        m_services->gpuAnswers = {std::nullopt, 1};
        m_controller->loadFromComputerGPU();
        QVERIFY(!m_controller->isBusy());
        m_controller->loadFromComputerGPU();
        QCOMPARE(window().inputBox()->label()->text(), QStringLiteral("pp_table (0000:0c:00.0)"));
        waitUntilIdle();
        QCOMPARE(m_services->gpuChoices.back(),
                 QStringList({QStringLiteral("Polaris, device-id 0x67DF (0000:03:00.0)"),
                              QStringLiteral("RDNA2, device-id 0x73BF (0000:0c:00.0)")}));
        QCOMPARE(m_services->loadedPaths(), std::vector<std::filesystem::path>{"gpu:0000:0c:00.0"});
        QVERIFY(m_controller->hasDocument());
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

    void quitWhileBusy_data() {
        QTest::addColumn<QString>("job");
        QTest::newRow("loading for a pending generation") << QStringLiteral("load");
        QTest::newRow("detecting") << QStringLiteral("detect");
        QTest::newRow("exporting") << QStringLiteral("export");
    }

    // The job is cancelled and the quit runs once it ends, with no alert, no reveal, no
    // generation and nothing written to the path field or the log.
    void quitWhileBusy() {
        QFETCH(QString, job);
        scriptExport(true);
        if (job == QLatin1String("load")) {
            scriptLoad(512, true);
            m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
            m_controller->generateZero();
        } else if (job == QLatin1String("detect")) {
            scriptDetect("PciRoot(0x0)/Pci(0x1,0x0)", true);
            m_controller->detectDevicePath();
        } else {
            loadTable();
            m_controller->generateFan35();
        }
        QTRY_VERIFY(m_gate->isWaiting());
        const QString field = pathField()->text();
        const QString logged = log();
        int terminations = 0;
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { ++terminations; }));
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { terminations += 100; }));
        QCOMPARE(status(), QStringLiteral("Cancelling the current operation before quitting..."));
        waitUntilIdle();
        QCOMPARE(terminations, 1);
        QCOMPARE(m_services->exportCalls().size(), std::size_t(job == QLatin1String("export")));
        QVERIFY(m_services->errorAlerts.isEmpty());
        QVERIFY(m_services->revealed.isEmpty());
        QCOMPARE(status(), QStringLiteral("Cancelling the current operation before quitting..."));
        QCOMPARE(log(), logged);
        if (job != QLatin1String("export")) {
            QCOMPARE(pathField()->text(), field);
        }
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

    void dropsOnTheFieldsReachTheWindow_data() {
        QTest::addColumn<bool>("onTheLog");
        QTest::newRow("path field") << false;
        QTest::newRow("log") << true;
    }

    void dropsOnTheFieldsReachTheWindow() {
        QFETCH(bool, onTheLog);
        scriptLoad();
        QWidget* target = onTheLog ? static_cast<QWidget*>(window().logView()) : pathField();
        const QList<QUrl> file{QUrl::fromLocalFile(QStringLiteral("/cards/card.rom"))};
        QVERIFY(sendDrag(file, Qt::CopyAction, target));
        QVERIFY(sendDrop(file, target));
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(1));
        QCOMPARE(pathField()->text(), QString());
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
