#include "ui/MainWindowController.hpp"

#include "devicepath/DevicePathDetector.hpp"
#include "output/OutputBuilder.hpp"
#include "patch/FanStopSummary.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ValueBox.hpp"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QSpinBox>
#include <QThreadPool>
#include <utility>

namespace ventora {
namespace {

// Loads and exports are queued ahead of a detection waiting for a worker.
constexpr int userInitiatedPriority = 1;
constexpr int utilityPriority = 0;

const QString waitForOperation = QStringLiteral("Wait for the current operation to finish.");

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QStringList lines(const std::vector<std::string>& messages) {
    QStringList result;
    result.reserve(static_cast<qsizetype>(messages.size()));
    for (const std::string& message : messages) {
        result.append(text(message));
    }
    return result;
}

std::filesystem::path filesystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

bool hasSupportedExtension(const QString& path) {
    return MainWindowController::supportedInputExtensions().contains(
        QFileInfo(path).suffix().toLower());
}

bool isOpenableFile(const QString& path) {
    return !QFileInfo(path).isDir() && hasSupportedExtension(path);
}

// Runs `work` on a pool thread and hands its value, or the text of what it threw, to
// `deliver` on the main thread, unless `owner` has been destroyed by then.
template <typename Result, typename Work, typename Deliver>
void runInBackground(QObject* owner, int priority, Work work, Deliver deliver) {
    QPointer<QObject> guard(owner);
    QThreadPool::globalInstance()->start(
        [guard, work, deliver] {
            std::optional<Result> value;
            QString error;
            try {
                value = work();
            } catch (const std::exception& failure) {
                error = QString::fromUtf8(failure.what());
            } catch (...) {
                error = QStringLiteral("Unexpected error.");
            }
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, deliver, value, error] {
                    if (guard) {
                        deliver(value, error);
                    }
                },
                Qt::QueuedConnection);
        },
        priority);
}

} // namespace

MainWindowController::MainWindowController(std::shared_ptr<WindowServices> services,
                                           std::optional<QUrl> donationPage, QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindowView>()),
      m_services(std::move(services)), m_donationPage(std::move(donationPage)) {
    m_window->installEventFilter(this);
    connect(m_window->loadButton(), &QPushButton::clicked, this, &MainWindowController::loadFile);
    connect(m_window->detectButton(), &QPushButton::clicked, this,
            &MainWindowController::detectDevicePath);
    connect(m_window->generateZeroButton(), &QPushButton::clicked, this,
            &MainWindowController::generateZero);
    connect(m_window->generateFan35Button(), &QPushButton::clicked, this,
            &MainWindowController::generateFan35);
    connect(m_window->generateCustomButton(), &QPushButton::clicked, this,
            &MainWindowController::generateCustom);
    connect(m_window->donateButton(), &QPushButton::clicked, this,
            &MainWindowController::openDonationPage);
    for (QSpinBox* box : {m_window->customStartBox(), m_window->customStopBox()}) {
        connect(box, &QSpinBox::valueChanged, this, &MainWindowController::showPresetEffects);
    }
    connect(m_window->chooseConfigButton(), &QPushButton::clicked, this,
            &MainWindowController::chooseBaseConfig);
    connect(m_window->embeddedConfigButton(), &QPushButton::clicked, this,
            &MainWindowController::useEmbeddedBaseConfig);
    m_window->donateButton()->setVisible(m_donationPage.has_value());
}

MainWindowController::~MainWindowController() {
    // A job still running finds its token cancelled and its result is dropped.
    if (m_job) {
        m_job->token->cancel();
    }
}

const QStringList& MainWindowController::supportedInputExtensions() {
    static const QStringList extensions{QStringLiteral("rom"),      QStringLiteral("bin"),
                                        QStringLiteral("reg"),      QStringLiteral("txt"),
                                        QStringLiteral("pp_table"), QStringLiteral("sppt")};
    return extensions;
}

std::optional<QString> MainWindowController::draggedSupportedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return std::nullopt;
    }
    // Only file addresses are read from the drag; it qualifies when exactly one remains.
    QList<QUrl> files = data->urls();
    files.removeIf([](const QUrl& url) { return !url.isLocalFile(); });
    if (files.size() != 1) {
        return std::nullopt;
    }
    const QString path = files.front().toLocalFile();
    if (!isOpenableFile(path)) {
        return std::nullopt;
    }
    return path;
}

void MainWindowController::openFile(const QString& path) {
    if (!isBusy() && isOpenableFile(path)) {
        load(path);
    }
}

void MainWindowController::loadFile() {
    if (refusedWhileBusy()) {
        return;
    }
    const std::optional<QString> chosen =
        m_services->requestInputFile(m_window.get(), supportedInputExtensions());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    if (!hasSupportedExtension(*chosen)) {
        setStatus(QStringLiteral("Unsupported file type."));
        append(
            {QStringLiteral("Rejected unsupported file type: ") + QFileInfo(*chosen).fileName()});
        return;
    }
    load(*chosen);
}

void MainWindowController::loadFromComputerGPU() {
    if (refusedWhileBusy()) {
        return;
    }
    const std::optional<std::vector<SysfsGPU>> gpus = m_services->computerGPUs();
    if (!gpus || gpus->empty()) {
        showError(gpus ? QStringLiteral("No supported AMD GPU was found in sysfs.")
                       : QStringLiteral("Could not read sysfs to find the GPU."));
        return;
    }
    std::optional<int> chosen = 0;
    if (gpus->size() > 1) {
        QStringList choices;
        for (const SysfsGPU& gpu : *gpus) {
            choices.append(text(SysfsPciTree::describe(gpu)));
        }
        chosen = m_services->chooseGPU(m_window.get(), choices);
    }
    if (!chosen || *chosen < 0 || static_cast<std::size_t>(*chosen) >= gpus->size()) {
        return;
    }
    const SysfsGPU gpu = gpus->at(static_cast<std::size_t>(*chosen));
    startLoad(QStringLiteral("pp_table (") + text(gpu.address) + QLatin1Char(')'),
              [gpu](WindowServices& services, const CancellationToken* token) {
                  return services.loadFromGPU(gpu, token);
              });
}

void MainWindowController::load(const QString& path) {
    if (refusedWhileBusy()) {
        return;
    }
    startLoad(
        QFileInfo(path).fileName(),
        [file = filesystemPath(path)](WindowServices& services, const CancellationToken* token) {
            return services.loadInput(file, token);
        });
}

void MainWindowController::startLoad(
    const QString& inputName,
    std::function<LoadOutcome(WindowServices&, const CancellationToken*)> job) {
    std::shared_ptr<CancellationToken> token = beginJob(JobKind::loading);
    m_spptDocument.reset();
    m_window->inputBox()->label()->setText(inputName);
    m_window->spptValue()->setText(QStringLiteral("Not loaded"));
    m_window->spptSummary()->clear();
    showPresetEffects();
    setStatus(QStringLiteral("Loading SPPT/VBIOS..."));

    runInBackground<LoadOutcome>(
        this, userInitiatedPriority,
        [services = m_services, job = std::move(job), token] {
            return job(*services, token.get());
        },
        [this](const std::optional<LoadOutcome>& outcome, const QString& error) {
            finishLoad(outcome, error);
        });
}

void MainWindowController::finishLoad(std::optional<LoadOutcome> outcome, const QString& error) {
    m_job.reset();
    if (!outcome) {
        m_pendingGenerationMode.reset();
        if (completeDeferredTerminationIfIdle()) {
            return;
        }
        setStatus(QStringLiteral("Load failed. No SPPT is currently loaded."));
        showError(error);
        return;
    }
    m_spptDocument = std::move(outcome->document);
    m_window->spptValue()->setText(QStringLiteral("Loaded \u2022 %1 bytes")
                                       .arg(static_cast<qulonglong>(m_spptDocument->data.size())));
    m_window->spptSummary()->setText(text(FanStopSummary::describe(m_spptDocument->data)));
    showPresetEffects();
    append(lines(outcome->messages));
    setStatus(QStringLiteral("SPPT loaded. Choose a solution to generate the ZIP on Desktop."));
    if (completeDeferredTerminationIfIdle()) {
        return;
    }
    if (const std::optional<PatchMode> pending =
            std::exchange(m_pendingGenerationMode, std::nullopt)) {
        generate(*pending);
    }
}

void MainWindowController::generateZero() {
    generate(PatchMode::zeroRpmPure);
}

void MainWindowController::generateFan35() {
    generate(PatchMode::fan35);
}

void MainWindowController::generateCustom() {
    generate(m_window->customPreset());
}

void MainWindowController::showPresetEffects() {
    const std::pair<PrimaryButton*, PatchMode> buttons[] = {
        {m_window->generateZeroButton(), PatchMode::zeroRpmPure},
        {m_window->generateFan35Button(), PatchMode::fan35},
        {m_window->generateCustomButton(), m_window->customPreset()}};
    for (const auto& [button, mode] : buttons) {
        button->setToolTip(m_spptDocument
                               ? text(FanStopSummary::describeChange(*m_spptDocument, mode))
                               : QString());
    }
}

void MainWindowController::generate(PatchMode mode) {
    if (m_job && m_job->kind == JobKind::generating) {
        return;
    }
    if (m_job) {
        setStatus(QStringLiteral("Wait for the current file/path operation to finish."));
        return;
    }
    if (!m_spptDocument) {
        m_pendingGenerationMode = mode;
        loadFile();
        return;
    }
    std::optional<std::string> devicePathOverride;
    const QString typed = devicePathText().trimmed();
    if (!typed.isEmpty()) {
        devicePathOverride = DevicePathDetector::canonicalDevicePropertiesPath(
            DevicePathDetector::acceptTypedDevicePath(typed.toStdString()));
        if (!devicePathOverride) {
            setStatus(
                QStringLiteral("Invalid DeviceProperties path. Review it before generating."));
            showError(QStringLiteral("Invalid DeviceProperties path. Use a complete "
                                     "PciRoot(...)/Pci(...) chain, or clear the field to "
                                     "auto-detect it from IORegistry."));
            return;
        }
        setDevicePathText(text(*devicePathOverride));
    }

    std::shared_ptr<CancellationToken> token = beginJob(JobKind::generating);
    const QString archive = text(archiveName(mode));
    setStatus(devicePathOverride
                  ? QStringLiteral("Generating ") + archive + QStringLiteral("...")
                  : QStringLiteral("Detecting DeviceProperties path and generating ") + archive +
                        QStringLiteral("..."));
    append(lines(OutputBuilder::openingLines(mode, devicePathOverride)));

    runInBackground<ExportOutcome>(
        this, userInitiatedPriority,
        [services = m_services, document = *m_spptDocument, mode, devicePathOverride,
         baseConfig = m_baseConfig ? std::optional(filesystemPath(*m_baseConfig)) : std::nullopt,
         token] {
            return services->exportPackage(document, mode, devicePathOverride, baseConfig,
                                           token.get());
        },
        [this](const std::optional<ExportOutcome>& outcome, const QString& error) {
            finishExport(outcome, error);
        });
}

void MainWindowController::finishExport(std::optional<ExportOutcome> outcome,
                                        const QString& error) {
    m_job.reset();
    if (!outcome) {
        if (completeDeferredTerminationIfIdle()) {
            return;
        }
        setStatus(QStringLiteral("Export failed."));
        showError(error);
        return;
    }
    setDevicePathText(text(outcome->devicePath));
    if (completeDeferredTerminationIfIdle()) {
        return;
    }
    const QString archive = QString::fromStdString(outcome->archivePath.string());
    append({QStringLiteral("Export completed: ") + archive, text(outcome->report)});
    setStatus(QStringLiteral("Generated ") +
              QString::fromStdString(outcome->archivePath.filename().string()) +
              QStringLiteral(" on Desktop."));
    m_services->revealInFileManager(archive);
}

void MainWindowController::detectDevicePath() {
    if (refusedWhileBusy()) {
        return;
    }
    std::shared_ptr<CancellationToken> token = beginJob(JobKind::detectingPath);
    const QString startingText = devicePathText();
    setStatus(QStringLiteral("Detecting the GFX0/AMD DeviceProperties path..."));

    runInBackground<DetectOutcome>(
        this, utilityPriority,
        [services = m_services, token] { return services->detectDevicePath(token.get()); },
        [this, startingText](const std::optional<DetectOutcome>& outcome, const QString& error) {
            finishDetection(outcome, error, startingText);
        });
}

void MainWindowController::finishDetection(std::optional<DetectOutcome> outcome,
                                           const QString& error, const QString& startingText) {
    m_job.reset();
    if (completeDeferredTerminationIfIdle()) {
        return;
    }
    // Detection reports through its lines and never throws; should it do so anyway, the
    // failure is logged and treated as nothing detected.
    QStringList entries =
        outcome ? lines(outcome->messages) : QStringList{QStringLiteral("ERROR: ") + error};
    const std::optional<std::string> path = outcome ? outcome->path : std::nullopt;
    if (devicePathText() != startingText) {
        entries.append(QStringLiteral("DeviceProperties path was edited manually during "
                                      "detection; the manual value was preserved."));
        setStatus(QStringLiteral("Detection finished. Manual DeviceProperties edit preserved."));
    } else if (path) {
        setDevicePathText(text(*path));
        setStatus(QStringLiteral("DeviceProperties path detected. Review it before generating."));
    } else {
        setStatus(QStringLiteral("GFX0 path was not detected. Generation will use the generic "
                                 "fallback unless you enter a path."));
    }
    append(entries);
}

void MainWindowController::openDonationPage() {
    if (m_donationPage) {
        m_services->openUrl(*m_donationPage);
    }
}

void MainWindowController::chooseBaseConfig() {
    if (refusedWhileBusy()) {
        return;
    }
    if (const std::optional<QString> chosen = m_services->requestBaseConfig(m_window.get());
        chosen && !chosen->isEmpty()) {
        setBaseConfig(*chosen);
        append({QStringLiteral("Base config.plist: ") + *chosen +
                QStringLiteral(". Exports merge into a copy of it; the file itself is only "
                               "read.")});
    }
}

void MainWindowController::useEmbeddedBaseConfig() {
    if (refusedWhileBusy()) {
        return;
    }
    setBaseConfig(std::nullopt);
    append({QStringLiteral("Base config.plist: the embedded template.")});
}

void MainWindowController::setBaseConfig(std::optional<QString> path) {
    m_baseConfig = std::move(path);
    QLabel* value = m_window->configValue();
    value->setText(m_baseConfig ? QFileInfo(*m_baseConfig).fileName()
                                : QStringLiteral("Embedded base config.plist"));
    value->setToolTip(m_baseConfig.value_or(QString()));
}

bool MainWindowController::deferTerminationUntilIdle(std::function<void()> terminate) {
    if (!isBusy()) {
        return false;
    }
    if (m_deferredTermination) {
        return true;
    }
    m_pendingGenerationMode.reset();
    m_deferredTermination = std::move(terminate);
    m_job->token->cancel();
    setStatus(QStringLiteral("Cancelling the current operation before quitting..."));
    return true;
}

bool MainWindowController::completeDeferredTerminationIfIdle() {
    if (isBusy() || !m_deferredTermination) {
        return false;
    }
    std::function<void()> terminate = std::exchange(m_deferredTermination, nullptr);
    m_pendingGenerationMode.reset();
    terminate();
    return true;
}

std::shared_ptr<CancellationToken> MainWindowController::beginJob(JobKind kind) {
    m_job = Job{kind, std::make_shared<CancellationToken>()};
    return m_job->token;
}

bool MainWindowController::refusedWhileBusy() {
    if (isBusy()) {
        setStatus(waitForOperation);
    }
    return isBusy();
}

void MainWindowController::showError(const QString& message) {
    append({QStringLiteral("ERROR: ") + message});
    m_services->showErrorAlert(m_window.get(), message);
}

void MainWindowController::append(const QStringList& entries) {
    m_window->logView()->appendEntries(entries);
}

void MainWindowController::setStatus(const QString& status) {
    m_window->statusLabel()->setText(status);
}

QString MainWindowController::devicePathText() const {
    return m_window->devicePathBox()->label()->text();
}

void MainWindowController::setDevicePathText(const QString& value) {
    m_window->devicePathBox()->label()->setText(value);
}

bool MainWindowController::acceptsDrag(const QMimeData* data, Qt::DropActions actions) const {
    return !isBusy() && actions.testFlag(Qt::CopyAction) && draggedSupportedFile(data).has_value();
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window.get()) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (acceptsDrag(drag->mimeData(), drag->possibleActions())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::optional<QString> file =
            isBusy() ? std::nullopt : draggedSupportedFile(drop->mimeData());
        if (!file) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        load(*file);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace ventora
