#pragma once

#include "ui/WindowServices.hpp"

#include <QList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace ventora::test {

/// A latch a scripted job waits on, so a test decides when the job ends. The wait also ends
/// when the job's token is cancelled, as a real job's checkpoint would.
class Gate {
public:
    void open();
    /// Blocks until opened or cancelled; true when cancelled.
    bool waitOpenOrCancelled(const CancellationToken* token);
    [[nodiscard]] bool isWaiting() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_waiting = false;
};

/// The window's services under test control: jobs run scripts (on the worker thread) and
/// record how they were called; dialogs answer from queues and record what they showed.
class FakeWindowServices : public WindowServices {
public:
    struct ExportCall {
        std::size_t tableSize;
        PatchMode mode;
        std::optional<std::string> devicePathOverride;
        std::optional<std::filesystem::path> baseConfig;
    };

    std::function<LoadOutcome(const std::filesystem::path&, const CancellationToken*)> loadScript;
    std::function<DetectOutcome(const CancellationToken*)> detectScript;
    std::function<ExportOutcome(PatchMode, const CancellationToken*)> exportScript;

    std::optional<std::vector<SysfsGPU>> gpus;
    std::deque<std::optional<int>> gpuAnswers;
    QList<QStringList> gpuChoices;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<int> alertAnswers;
    /// Alerts then also run as real modal dialogs, with no button that Escape or closing the
    /// dialog would press, until their event loop ends.
    bool modalAlerts = false;

    int fileRequests = 0;
    QStringList errorAlerts;
    QList<Alert> alerts;
    QStringList revealed;
    QList<QUrl> openedUrls;

    [[nodiscard]] std::vector<std::filesystem::path> loadedPaths() const;
    [[nodiscard]] std::vector<ExportCall> exportCalls() const;

    LoadOutcome loadInput(const std::filesystem::path& path,
                          const CancellationToken* token) override;
    DetectOutcome detectDevicePath(const CancellationToken* token) override;
    ExportOutcome exportPackage(const SpptDocument& document, PatchMode mode,
                                const std::optional<std::string>& devicePathOverride,
                                const std::optional<std::filesystem::path>& baseConfig,
                                const CancellationToken* token) override;
    std::optional<std::vector<SysfsGPU>> computerGPUs() override { return gpus; }
    /// Recorded and run like loadInput, with "gpu:" + the address as the path.
    LoadOutcome loadFromGPU(const SysfsGPU& gpu, const CancellationToken* token) override;

    std::optional<int> chooseGPU(QWidget* parent, const QStringList& choices) override;
    std::optional<QString> requestInputFile(QWidget* parent,
                                            const QStringList& extensions) override;
    /// Answers from fileAnswers too, counted in fileRequests.
    std::optional<QString> requestBaseConfig(QWidget* parent) override;
    void showErrorAlert(QWidget* parent, const QString& message) override;
    int showAlert(QWidget* parent, const Alert& alert) override;
    void revealInFileManager(const QString& path) override;
    void openUrl(const QUrl& url) override;

private:
    mutable std::mutex m_lock;
    std::vector<std::filesystem::path> m_loadedPaths;
    std::vector<ExportCall> m_exportCalls;
};

/// A document as the loader would hand it back: `size` bytes whose first word is the size.
[[nodiscard]] SpptDocument documentOfSize(std::size_t size);

} // namespace ventora::test
