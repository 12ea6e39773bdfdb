#include "FakeWindowServices.hpp"

#include "core/AppError.hpp"

#include <QMessageBox>

namespace ventora::test {

void Gate::open() {
    {
        std::lock_guard lock(m_lock);
        m_open = true;
    }
    m_changed.notify_all();
}

bool Gate::waitOpenOrCancelled(const CancellationToken* token) {
    std::unique_lock lock(m_lock);
    m_waiting = true;
    while (!m_open && !isCancelled(token)) {
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }
    m_waiting = false;
    return !m_open;
}

bool Gate::isWaiting() const {
    std::lock_guard lock(m_lock);
    return m_waiting;
}

std::vector<std::filesystem::path> FakeWindowServices::loadedPaths() const {
    std::lock_guard lock(m_lock);
    return m_loadedPaths;
}

std::vector<FakeWindowServices::ExportCall> FakeWindowServices::exportCalls() const {
    std::lock_guard lock(m_lock);
    return m_exportCalls;
}

LoadOutcome FakeWindowServices::loadInput(const std::filesystem::path& path,
                                          const CancellationToken* token) {
    {
        std::lock_guard lock(m_lock);
        m_loadedPaths.push_back(path);
    }
    if (!loadScript) {
        throw AppError("No load was scripted.");
    }
    return loadScript(path, token);
}

LoadOutcome FakeWindowServices::loadFromGPU(const SysfsGPU& gpu, const CancellationToken* token) {
    return loadInput("gpu:" + gpu.address, token);
}

std::optional<int> FakeWindowServices::chooseGPU(QWidget*, const QStringList& choices) {
    gpuChoices.append(choices);
    if (gpuAnswers.empty()) {
        return std::nullopt;
    }
    const std::optional<int> answer = gpuAnswers.front();
    gpuAnswers.pop_front();
    return answer;
}

DetectOutcome FakeWindowServices::detectDevicePath(const CancellationToken* token) {
    return detectScript ? detectScript(token) : DetectOutcome{};
}

ExportOutcome
FakeWindowServices::exportPackage(const SpptDocument& document, PatchMode mode,
                                  const std::optional<std::string>& devicePathOverride,
                                  const std::optional<std::filesystem::path>& baseConfig,
                                  const CancellationToken* token) {
    {
        std::lock_guard lock(m_lock);
        m_exportCalls.push_back({document.data.size(), mode, devicePathOverride, baseConfig});
    }
    if (!exportScript) {
        throw AppError("No export was scripted.");
    }
    return exportScript(mode, token);
}

std::optional<QString> FakeWindowServices::requestInputFile(QWidget*, const QStringList&) {
    ++fileRequests;
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    // Swapped out, not copied: GCC 12 at -O3 falsely reports a copy as reading uninitialised.
    std::optional<QString> answer;
    answer.swap(fileAnswers.front());
    fileAnswers.pop_front();
    return answer;
}

std::optional<QString> FakeWindowServices::requestBaseConfig(QWidget*) {
    return requestInputFile(nullptr, {});
}

void FakeWindowServices::showErrorAlert(QWidget*, const QString& message) {
    errorAlerts.append(message);
}

int FakeWindowServices::showAlert(QWidget* parent, const Alert& alert) {
    alerts.append(alert);
    if (modalAlerts) {
        QMessageBox box(parent);
        box.setText(alert.message);
        for (const QString& title : alert.buttons) {
            box.addButton(title, QMessageBox::ActionRole);
        }
        (void)box.exec();
    }
    if (alertAnswers.empty()) {
        return 0;
    }
    const int answer = alertAnswers.front();
    alertAnswers.pop_front();
    return answer;
}

void FakeWindowServices::revealInFileManager(const QString& path) {
    revealed.append(path);
}

void FakeWindowServices::openUrl(const QUrl& url) {
    openedUrls.append(url);
}

SpptDocument documentOfSize(std::size_t size) {
    SpptDocument document;
    document.data.assign(size, 0);
    document.data[0] = static_cast<std::uint8_t>(size & 0xFF);
    document.data[1] = static_cast<std::uint8_t>(size >> 8);
    document.sourceDescription = "synthetic";
    return document;
}

} // namespace ventora::test
