#pragma once

#include "core/PlatformContext.hpp"
#include "ui/WindowServices.hpp"

namespace ventora {

/// The window's services on a real desktop: the core loader, detector and export builder
/// with the given platform context, Qt's native open dialog and message boxes, the file
/// manager and the default browser or mail program.
class SystemWindowServices : public WindowServices {
public:
    explicit SystemWindowServices(PlatformContext context);

    [[nodiscard]] LoadOutcome loadInput(const std::filesystem::path& path,
                                        const CancellationToken* token) override;
    [[nodiscard]] DetectOutcome detectDevicePath(const CancellationToken* token) override;
    [[nodiscard]] ExportOutcome
    exportPackage(const SpptDocument& document, PatchMode mode,
                  const std::optional<std::string>& devicePathOverride,
                  const std::optional<std::filesystem::path>& baseConfig,
                  const CancellationToken* token) override;
    [[nodiscard]] std::optional<std::vector<SysfsGPU>> computerGPUs() override;
    [[nodiscard]] LoadOutcome loadFromGPU(const SysfsGPU& gpu,
                                          const CancellationToken* token) override;

    [[nodiscard]] std::optional<int> chooseGPU(QWidget* parent,
                                               const QStringList& choices) override;
    [[nodiscard]] std::optional<QString> requestInputFile(QWidget* parent,
                                                          const QStringList& extensions) override;
    [[nodiscard]] std::optional<QString> requestBaseConfig(QWidget* parent) override;
    void showErrorAlert(QWidget* parent, const QString& message) override;
    [[nodiscard]] int showAlert(QWidget* parent, const Alert& alert) override;
    void revealInFileManager(const QString& path) override;
    void openUrl(const QUrl& url) override;

private:
    PlatformContext m_context;
};

} // namespace ventora
