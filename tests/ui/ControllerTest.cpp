#include "FakeWindowServices.hpp"
#include "patch/FanStopSummary.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/TemporaryFolder.hpp"
#include "ui/Appearance.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QSpinBox>
#include <QTest>
#include <QThreadPool>

using namespace ventora;
using namespace ventora::test;

namespace {

const QString quitting = QStringLiteral("Cancelling the current operation before quitting...");

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

/// The window's workflow: loads, detections and exports through a scripted seam, with the
/// busy rules, the pending generation, the path field, drops and deferred quitting.
class ControllerTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWindowServices> m_services;
    std::unique_ptr<MainWindowController> m_controller;
    Gate m_gate;
    TemporaryFolder m_folder;

    MainWindowView& window() { return m_controller->window(); }
    QString status() { return window().statusLabel()->text(); }
    QString log() { return window().logView()->toPlainText(); }
    QLineEdit* pathField() { return window().devicePathBox()->label(); }
    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isBusy(), 10000); }

    void loadFile(const QString& path = QStringLiteral("/cards/card.rom")) {
        m_services->fileAnswers.push_back(path);
        m_controller->loadFile();
    }

    void loadTable() {
        loadFile();
        waitUntilIdle();
        QVERIFY(m_controller->hasDocument());
    }

    // Starts `job` and leaves it waiting on the gate: "load", "pending" (a load for a generation
    // asked for without a table), "detect" or "generate".
    void startGated(const QString& job) {
        if (job == QLatin1String("generate")) {
            loadTable();
        }
        m_services->gate = &m_gate;
        if (job == QLatin1String("detect")) {
            m_controller->detectDevicePath();
        } else if (job == QLatin1String("load")) {
            loadFile();
        } else {
            m_services->fileAnswers.push_back(QStringLiteral("/cards/card.rom"));
            m_controller->generateZero();
        }
        QTRY_VERIFY(m_gate.waiting);
    }

    bool logHas(const std::vector<std::string>& lines) {
        return std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return log().contains(QStringLiteral("] ") + qs(line) + '\n');
        });
    }

    // Drags reach the window as the platform delivers them: to its native window, at a point,
    // from where Qt hands them to the widget there or the nearest ancestor accepting drops.
    template <typename Event>
    bool send(const QList<QUrl>& urls, Qt::DropActions actions, QWidget* target) {
        if (!window().isVisible()) {
            window().show();
            (void)QTest::qWaitForWindowExposed(&window());
        }
        QMimeData data;
        data.setUrls(urls);
        Event event(target == nullptr ? QPoint(20, 20)
                                      : target->mapTo(&window(), target->rect().center()),
                    actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window().windowHandle(), &event);
        return event.isAccepted();
    }

    bool sendDrag(const QList<QUrl>& urls, Qt::DropActions actions = Qt::CopyAction) {
        return send<QDragEnterEvent>(urls, actions, nullptr);
    }

    // As in a real drag, the drop follows an enter (Qt delivers drops to the entered target).
    bool sendDrop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        (void)send<QDragEnterEvent>(urls, Qt::CopyAction, target);
        return send<QDropEvent>(urls, Qt::CopyAction, target);
    }

private slots:
    void init() {
        m_services = std::make_shared<FakeWindowServices>();
        m_controller = std::make_unique<MainWindowController>(m_services, std::nullopt);
        m_gate.open = false;
    }

    void cleanup() {
        m_gate.open = true;
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        m_controller.reset();
    }

    void busyRules_data() {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("startStatus");
        QTest::newRow("load") << "load" << QStringLiteral("Loading SPPT/VBIOS...");
        QTest::newRow("detect") << "detect"
                                << QStringLiteral(
                                       "Detecting the GFX0/AMD DeviceProperties path...");
        QTest::newRow("generate") << "generate"
                                  << QStringLiteral("Detecting DeviceProperties path and "
                                                    "generating ZeroRPM.zip...");
    }

    // Nothing else starts while a job runs; only a second generation is refused without a word.
    void busyRules() {
        QFETCH(QString, job);
        QFETCH(QString, startStatus);
        startGated(job);
        QCOMPARE(status(), startStatus);
        const int requests = m_services->fileRequests;
        for (const auto refused :
             {&MainWindowController::loadFile, &MainWindowController::detectDevicePath,
              &MainWindowController::chooseBaseConfig,
              &MainWindowController::useEmbeddedBaseConfig}) {
            window().statusLabel()->clear();
            (m_controller.get()->*refused)();
            QCOMPARE(status(), QStringLiteral("Wait for the current operation to finish."));
        }
        QCOMPARE(m_services->fileRequests, requests);
        QVERIFY(!sendDrag({fileUrl("/cards/other.rom")}));
        QVERIFY(!sendDrop({fileUrl("/cards/other.rom")}));
        window().statusLabel()->clear();
        m_controller->generateFan35();
        QCOMPARE(status(), job == QLatin1String("generate")
                               ? QString()
                               : QStringLiteral("Wait for the current file/path operation to "
                                                "finish."));
        m_gate.open = true;
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(job != QLatin1String("detect")));
        QCOMPARE(m_services->exportCalls().size(), std::size_t(job == QLatin1String("generate")));
    }

    void failuresAreReported_data() {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("expectedStatus");
        const QString valid = QStringLiteral("PciRoot(0x0)/Pci(0x3,0x1)");
        QTest::newRow("load") << false << valid << QStringLiteral("Not a regular file.")
                              << QStringLiteral("Load failed. No SPPT is currently loaded.");
        QTest::newRow("export") << true << valid << QStringLiteral("Disk full.")
                                << QStringLiteral("Export failed.");
        QTest::newRow("invalid path, refused before the export")
            << true << QStringLiteral("PciRoot(0x0)/Pci(0x1")
            << QStringLiteral("Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) "
                              "chain, or clear the field to auto-detect it from IORegistry.")
            << QStringLiteral("Invalid DeviceProperties path. Review it before generating.");
    }

    // No reveal, the typed path left as it was, the error logged and shown.
    void failuresAreReported() {
        QFETCH(bool, exporting);
        QFETCH(QString, typed);
        QFETCH(QString, error);
        QFETCH(QString, expectedStatus);
        loadTable();
        pathField()->setText(typed);
        (exporting ? m_services->exportError : m_services->loadError) = error.toStdString();
        exporting ? m_controller->generateZero() : loadFile();
        waitUntilIdle();
        QCOMPARE(m_controller->hasDocument(), exporting);
        QCOMPARE(status(), expectedStatus);
        QCOMPARE(m_services->errorAlerts, QStringList{error});
        QVERIFY(log().endsWith("] ERROR: " + error + '\n'));
        QVERIFY(m_services->revealed.isEmpty());
        QCOMPARE(pathField()->text(), typed);
    }

    void generateShowsProgressThenRevealsTheArchive_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::optional<std::string>>("override");
        QTest::addColumn<QString>("startStatus");
        const std::string canonical = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)";
        QTest::newRow("blank: detected")
            << QStringLiteral(" \t ") << std::optional<std::string>()
            << QStringLiteral("Detecting DeviceProperties path and generating ZeroRPM35.zip...");
        QTest::newRow("typed: canonical in the field first")
            << QStringLiteral("  PciRoot(0x00)/Pci(0x03,0x01)/Pci(0x0,0x0)\t\n")
            << std::optional(canonical) << QStringLiteral("Generating ZeroRPM35.zip...");
    }

    void generateShowsProgressThenRevealsTheArchive() {
        QFETCH(QString, typed);
        QFETCH(std::optional<std::string>, override);
        QFETCH(QString, startStatus);
        loadTable();
        pathField()->setText(typed);
        window().generateFan35Button()->click();
        QCOMPARE(status(), startStatus);
        QCOMPARE(pathField()->text(), override ? qs(*override) : typed);
        QVERIFY(logHas(OutputBuilder::openingLines(PatchMode::fan35, override)));
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.size(), std::size_t(1));
        QCOMPARE(calls.front().mode, PatchMode::fan35);
        QCOMPARE(calls.front().devicePathOverride, override);
        QCOMPARE(status(), QStringLiteral("Generated ZeroRPM35.zip on Desktop."));
        QCOMPARE(pathField()->text(), QString(FakeWindowServices::exportedDevicePath));
        const QString archive = QStringLiteral("/private/Desktop/ZeroRPM35.zip");
        QCOMPARE(m_services->revealed, QStringList{archive});
        QVERIFY(log().contains("] Export completed: " + archive + '\n'));
        QVERIFY(log().endsWith(QStringLiteral("] Report line 1\nReport line 2\n")));
    }

    void configCardChoosesAndClearsTheBaseForLaterExports() {
        loadTable();
        QLabel* value = window().configValue();
        m_services->fileAnswers = {std::nullopt, QStringLiteral("/EFI/OC/My config.plist")};
        window().chooseConfigButton()->click();
        QCOMPARE(value->text(), QStringLiteral("Embedded base config.plist"));
        window().chooseConfigButton()->click();
        QCOMPARE(value->text(), QStringLiteral("My config.plist"));
        QVERIFY(log().endsWith(QStringLiteral("] Base config.plist: /EFI/OC/My config.plist. "
                                              "Exports merge into a copy of it; the file itself "
                                              "is only read.\n")));
        m_controller->generateZero();
        waitUntilIdle();
        window().embeddedConfigButton()->click();
        QCOMPARE(value->text(), QStringLiteral("Embedded base config.plist"));
        QVERIFY(log().endsWith(QStringLiteral("] Base config.plist: the embedded template.\n")));
        m_controller->generateZero();
        waitUntilIdle();
        const auto calls = m_services->exportCalls();
        QCOMPARE(calls.at(0).baseConfig, std::filesystem::path("/EFI/OC/My config.plist"));
        QVERIFY(!calls.at(1).baseConfig);
    }

    // The buttons' tooltips follow the loaded table and the custom boxes; a failed load
    // clears them and the summary.
    void loadSummaryAndWhatEachPresetWouldChange() {
        m_services->table = navi10Table();
        loadTable();
        window().customStartBox()->setValue(60);
        const SpptDocument document{navi10Table(), "synthetic", {}, {}};
        QCOMPARE(window().generateCustomButton()->toolTip(),
                 qs(FanStopSummary::describeChange(document, PatchMode::custom(60, 40))));
        QCOMPARE(window().spptSummary()->text(), qs(FanStopSummary::describe(document.data)));
        m_services->loadError = "Unreadable.";
        loadFile();
        waitUntilIdle();
        QCOMPARE(window().spptSummary()->text() + window().generateZeroButton()->toolTip(),
                 QString());
    }

    void pendingPreset_data() {
        QTest::addColumn<std::optional<QString>>("panelAnswer");
        QTest::addColumn<bool>("laterLoadFails");
        QTest::newRow("panel cancelled: kept for a later drop")
            << std::optional<QString>() << false;
        QTest::newRow("unsupported file chosen, then a failed load: forgotten")
            << std::optional<QString>(QStringLiteral("/cards/readme.pdf")) << true;
    }

    void pendingPreset() {
        QFETCH(std::optional<QString>, panelAnswer);
        QFETCH(bool, laterLoadFails);
        m_services->fileAnswers.push_back(panelAnswer);
        m_controller->generateZero();
        QVERIFY(!m_controller->isBusy());
        if (panelAnswer) {
            QCOMPARE(status(), QStringLiteral("Unsupported file type."));
            QVERIFY(
                log().endsWith(QStringLiteral("] Rejected unsupported file type: readme.pdf\n")));
        }
        if (laterLoadFails) {
            m_services->loadError = "Unreadable.";
            QVERIFY(sendDrop({fileUrl("/cards/bad.rom")}));
            waitUntilIdle();
            m_services->loadError.reset();
        }
        QVERIFY(sendDrop({fileUrl("/cards/table.sppt")}));
        waitUntilIdle();
        QCOMPARE(m_services->exportCalls().size(), std::size_t(!laterLoadFails));
        QCOMPARE(status() == QStringLiteral("Generated ZeroRPM.zip on Desktop."), !laterLoadFails);
    }

    void readingTheComputersGpuOffersAChoiceAmongSeveral() {
        m_controller->loadFromComputerGPU();
        m_services->gpus = std::vector<SysfsGPU>{};
        m_controller->loadFromComputerGPU();
        QCOMPARE(m_services->errorAlerts,
                 (QStringList{QStringLiteral("Could not read sysfs to find the GPU."),
                              QStringLiteral("No supported AMD GPU was found in sysfs.")}));
        const std::vector<SysfsGPU> gpus{{"0000:03:00.0", 0x1002, 0x67DF, GpuFamily::polaris},
                                         {"0000:0c:00.0", 0x1002, 0x73BF, GpuFamily::rdna2}};
        m_services->gpus = gpus;
        m_services->gpuAnswers = {std::nullopt, 1};
        m_controller->loadFromComputerGPU();
        QVERIFY(!m_controller->isBusy());
        m_controller->loadFromComputerGPU();
        QCOMPARE(window().inputBox()->label()->text(), QStringLiteral("pp_table (0000:0c:00.0)"));
        waitUntilIdle();
        QCOMPARE(m_services->gpuChoices.back(), (QStringList{qs(SysfsPciTree::describe(gpus[0])),
                                                             qs(SysfsPciTree::describe(gpus[1]))}));
        QCOMPARE(m_services->loadedPaths(), std::vector<std::filesystem::path>{"gpu:0000:0c:00.0"});
    }

    void detection_data() {
        QTest::addColumn<std::optional<std::string>>("detected");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("expectedField");
        QTest::addColumn<QString>("expectedStatus");
        const std::optional<std::string> found("PciRoot(0x0)/Pci(0x1,0x0)");
        QTest::newRow("found")
            << found << QString() << qs(*found)
            << QStringLiteral("DeviceProperties path detected. Review it before generating.");
        QTest::newRow("nothing found")
            << std::optional<std::string>() << QString() << QStringLiteral("typed before")
            << QStringLiteral("GFX0 path was not detected. Generation will use the generic "
                              "fallback unless you enter a path.");
        QTest::newRow("edited meanwhile")
            << found << QStringLiteral("my own edit") << QStringLiteral("my own edit")
            << QStringLiteral("Detection finished. Manual DeviceProperties edit preserved.");
    }

    void detection() {
        QFETCH(std::optional<std::string>, detected);
        QFETCH(QString, edit);
        QFETCH(QString, expectedField);
        QFETCH(QString, expectedStatus);
        pathField()->setText(QStringLiteral("typed before"));
        m_services->detectedPath = detected;
        startGated(QStringLiteral("detect"));
        if (!edit.isEmpty()) {
            pathField()->setText(edit);
        }
        m_gate.open = true;
        waitUntilIdle();
        QCOMPARE(pathField()->text(), expectedField);
        QCOMPARE(status(), expectedStatus);
        QVERIFY(log().endsWith(edit.isEmpty()
                                   ? QStringLiteral("] Detection line.\n")
                                   : QStringLiteral("] DeviceProperties path was "
                                                    "edited manually during detection; "
                                                    "the manual value was preserved.\n")));
    }

    void quitWhileBusy_data() {
        QTest::addColumn<QString>("job");
        for (const char* job : {"pending", "detect", "generate"}) {
            QTest::newRow(job) << QString::fromLatin1(job);
        }
    }

    // The job is cancelled and the quit runs once it ends, with no alert, no reveal, no
    // generation and nothing written to the path field or the log.
    void quitWhileBusy() {
        QFETCH(QString, job);
        m_services->detectedPath = "PciRoot(0x0)/Pci(0x1,0x0)";
        startGated(job);
        const QString field = pathField()->text();
        const QString logged = log();
        int terminations = 0;
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { ++terminations; }));
        QVERIFY(m_controller->deferTerminationUntilIdle([&] { terminations += 100; }));
        QCOMPARE(status(), quitting);
        waitUntilIdle();
        QCOMPARE(terminations, 1);
        QCOMPARE(m_services->exportCalls().size(), std::size_t(job == QLatin1String("generate")));
        QVERIFY(m_services->errorAlerts.isEmpty() && m_services->revealed.isEmpty());
        QCOMPARE(status(), quitting);
        QCOMPARE(log(), logged);
        QCOMPARE(pathField()->text(), field);
        QVERIFY(!m_controller->deferTerminationUntilIdle([&] { terminations += 100; }));
    }

    void resultsForADestroyedControllerAreDropped() {
        startGated(QStringLiteral("load"));
        m_controller.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        init();
    }

    void dropAcceptance_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("accepted");
        const QUrl web(QStringLiteral("https://example.org/a.rom"));
        std::filesystem::create_directory(m_folder.path() / "dump.rom");
        QTest::newRow("one rom") << QList<QUrl>{fileUrl("/cards/card.rom")} << true;
        QTest::newRow("extension in capitals") << QList<QUrl>{fileUrl("/cards/T.PP_TABLE")} << true;
        QTest::newRow("other extension") << QList<QUrl>{fileUrl("/cards/card.zip")} << false;
        QTest::newRow("two files") << QList<QUrl>{fileUrl("/a.rom"), fileUrl("/b.rom")} << false;
        QTest::newRow("one file beside a web address")
            << QList<QUrl>{web, fileUrl("/cards/card.bin")} << true;
        QTest::newRow("folder named like a table")
            << QList<QUrl>{fileUrl(m_folder.path() / "dump.rom")} << false;
        QTest::newRow("nothing") << QList<QUrl>{} << false;
    }

    // Dropped on the editable field, a file is loaded, never typed into the field.
    void dropAcceptance() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, accepted);
        QCOMPARE(sendDrag(urls), accepted);
        QCOMPARE(sendDrag(urls, Qt::MoveAction), false);
        QCOMPARE(sendDrop(urls, pathField()), accepted);
        waitUntilIdle();
        QCOMPARE(m_services->loadedPaths().size(), std::size_t(accepted));
        QCOMPARE(log().isEmpty(), !accepted);
        QCOMPARE(pathField()->text(), QString());
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    ControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ControllerTest.moc"
