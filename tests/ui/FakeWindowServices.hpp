#pragma once

#include "core/AppError.hpp"
#include "output/OutputBuilder.hpp"
#include "ui/WindowServices.hpp"

#include <QList>
#include <QMessageBox>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace ventora::test {

/// A latch the fake's jobs wait on, so a test decides when a job ends.
struct Gate {
    std::atomic<bool> open = false;
    std::atomic<bool> waiting = false;
};

/// The window's services under test control. A job (on the worker thread) records its call,
/// waits on `gate` when one is set, as a real job between checkpoints that heed cancellation
/// unless `jobsIgnoreCancellation`, then throws its error or answers from the fields below.
/// Dialogs answer from queues (nothing left: cancelled, or the first button) and record what
/// they showed.
class FakeWindowServices : public WindowServices {
public:
    struct ExportCall {
        PatchMode mode;
        std::optional<std::string> devicePathOverride;
        std::optional<std::filesystem::path> baseConfig;
    };
    static constexpr const char* exportedDevicePath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";

    Gate* gate = nullptr;
    bool jobsIgnoreCancellation = false;
    Bytes table = Bytes(512);
    std::optional<std::string> loadError;
    std::optional<std::string> exportError;
    std::optional<std::string> detectedPath;

    std::optional<std::vector<SysfsGPU>> gpus;
    std::deque<std::optional<int>> gpuAnswers;
    QList<QStringList> gpuChoices;
    /// Answers both open dialogs, counted in fileRequests.
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

    [[nodiscard]] std::vector<std::filesystem::path> loadedPaths() const {
        std::lock_guard lock(m_lock);
        return m_loadedPaths;
    }
    [[nodiscard]] std::vector<ExportCall> exportCalls() const {
        std::lock_guard lock(m_lock);
        return m_exportCalls;
    }

    LoadOutcome loadInput(const std::filesystem::path& path,
                          const CancellationToken* token) override {
        record(m_loadedPaths, path);
        pause(token, loadError);
        return {SpptDocument{table, "synthetic", {}, {}},
                {"Read " + path.filename().string() + "."}};
    }
    DetectOutcome detectDevicePath(const CancellationToken* token) override {
        pause(token, std::nullopt);
        return {detectedPath, {"Detection line."}};
    }
    ExportOutcome exportPackage(const SpptDocument&, PatchMode mode,
                                const std::optional<std::string>& devicePathOverride,
                                const std::optional<std::filesystem::path>& baseConfig,
                                const CancellationToken* token) override {
        record(m_exportCalls, ExportCall{mode, devicePathOverride, baseConfig});
        pause(token, exportError);
        return {std::filesystem::path("/private/Desktop") / OutputBuilder::archiveName(mode),
                "Report line 1\nReport line 2", exportedDevicePath};
    }
    std::optional<std::vector<SysfsGPU>> computerGPUs() override { return gpus; }
    LoadOutcome loadFromGPU(const SysfsGPU& gpu, const CancellationToken* token) override {
        return loadInput("gpu:" + gpu.address, token);
    }

    std::optional<int> chooseGPU(QWidget*, const QStringList& choices) override {
        gpuChoices.append(choices);
        return next(gpuAnswers, std::optional<int>());
    }
    std::optional<QString> requestInputFile(QWidget*, const QStringList&) override {
        ++fileRequests;
        return next(fileAnswers, std::optional<QString>());
    }
    std::optional<QString> requestBaseConfig(QWidget*) override {
        return requestInputFile(nullptr, {});
    }
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
    template <typename Record> void record(std::vector<Record>& records, Record call) {
        std::lock_guard lock(m_lock);
        records.push_back(std::move(call));
    }

    void pause(const CancellationToken* token, const std::optional<std::string>& error) const {
        if (gate != nullptr) {
            gate->waiting = true;
            while (!gate->open && !(isCancelled(token) && !jobsIgnoreCancellation)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            gate->waiting = false;
            if (!gate->open) {
                throw AppError("Cancelled.", ErrorKind::cancelled);
            }
        }
        if (error) {
            throw AppError(*error);
        }
    }

    template <typename Answer> static Answer next(std::deque<Answer>& answers, Answer otherwise) {
        if (!answers.empty()) {
            // Swapped out, not copied: GCC 12 at -O3 falsely reports a copy as reading
            // uninitialised.
            std::swap(otherwise, answers.front());
            answers.pop_front();
        }
        return otherwise;
    }

    mutable std::mutex m_lock;
    std::vector<std::filesystem::path> m_loadedPaths;
    std::vector<ExportCall> m_exportCalls;
};

} // namespace ventora::test
