#pragma once

#include "core/CancellationToken.hpp"
#include "core/PatchMode.hpp"
#include "core/SpptDocument.hpp"
#include "ui/WindowServices.hpp"

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace ventora {

class MainWindowView;

/// Owns the one main window and drives its three jobs: loading an input file, detecting
/// the DeviceProperties path and generating an archive. At most one job runs at a time; each
/// runs on a worker thread with its own cancellation token and reports back through a queued
/// call that is dropped when the controller no longer exists. The main thread never waits
/// for a job. A generation asked for without a table is remembered until a load ends, and a
/// quit request while busy cancels the job and is completed once the controller is idle.
class MainWindowController : public QObject {
    Q_OBJECT

public:
    MainWindowController(std::shared_ptr<WindowServices> services, std::optional<QUrl> donationPage,
                         QObject* parent = nullptr);
    ~MainWindowController() override;

    /// The input extensions offered and accepted, compared in lower case.
    [[nodiscard]] static const QStringList& supportedInputExtensions();
    /// The one file a drag carries when it qualifies: exactly one of its addresses is a local
    /// file, that file is not a folder, and its extension is supported.
    [[nodiscard]] static std::optional<QString> draggedSupportedFile(const QMimeData* data);

    [[nodiscard]] MainWindowView& window() const { return *m_window; }
    [[nodiscard]] bool isBusy() const { return m_job.has_value(); }
    [[nodiscard]] bool hasDocument() const { return m_spptDocument.has_value(); }

    void generate(PatchMode mode);
    /// A file handed over by the system, as when it is opened from the file manager: loaded
    /// under the rules of a drop (idle, a supported file, not a folder), otherwise ignored.
    void openFile(const QString& path);
    /// False when idle (terminate now); true when `terminate` will be called once idle.
    bool deferTerminationUntilIdle(std::function<void()> terminate);

public slots:
    void loadFile();
    /// Reads the table the running driver uses; with several GPUs the user picks one.
    void loadFromComputerGPU();
    void detectDevicePath();
    void generateZero();
    void generateFan35();
    /// Generates with the thresholds in the window's two boxes.
    void generateCustom();
    void openDonationPage();
    /// The user's own config.plist as the base of the next exports, until the window closes.
    void chooseBaseConfig();
    void useEmbeddedBaseConfig();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class JobKind { loading, detectingPath, generating };
    /// The job in progress and the token that cancels it.
    struct Job {
        JobKind kind;
        std::shared_ptr<CancellationToken> token;
    };

    void load(const QString& path);
    void startLoad(const QString& inputName,
                   std::function<LoadOutcome(WindowServices&, const CancellationToken*)> job);
    void finishLoad(std::optional<LoadOutcome> outcome, const QString& error);
    /// Tells, in each generate button's tooltip, what its preset would change in the loaded
    /// table; without a table the tooltips are empty.
    void showPresetEffects();
    void finishDetection(std::optional<DetectOutcome> outcome, const QString& error,
                         const QString& startingText);
    void finishExport(std::optional<ExportOutcome> outcome, const QString& error);
    [[nodiscard]] std::shared_ptr<CancellationToken> beginJob(JobKind kind);
    /// While a job runs: asks the user to wait and answers true.
    bool refusedWhileBusy();
    void showError(const QString& message);
    bool completeDeferredTerminationIfIdle();
    void append(const QStringList& lines);
    void setStatus(const QString& text);
    [[nodiscard]] QString devicePathText() const;
    void setDevicePathText(const QString& text);
    void setBaseConfig(std::optional<QString> path);
    [[nodiscard]] bool acceptsDrag(const QMimeData* data, Qt::DropActions actions) const;

    std::unique_ptr<MainWindowView> m_window;
    std::shared_ptr<WindowServices> m_services;
    std::optional<QUrl> m_donationPage;
    std::optional<SpptDocument> m_spptDocument;
    std::optional<Job> m_job;
    std::optional<PatchMode> m_pendingGenerationMode;
    std::optional<QString> m_baseConfig;
    std::function<void()> m_deferredTermination;
};

} // namespace ventora
