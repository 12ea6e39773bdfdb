#pragma once

#include "core/CancellationToken.hpp"
#include "core/PatchMode.hpp"
#include "core/SpptDocument.hpp"
#include "devicepath/SysfsPciTree.hpp"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace ventora {

/// What a load hands back: the table and the loader's log lines.
struct LoadOutcome {
    SpptDocument document;
    std::vector<std::string> messages;
};

/// What a detection hands back: the canonical path when one was found, and its log lines.
struct DetectOutcome {
    std::optional<std::string> path;
    std::vector<std::string> messages;
};

/// What an export hands back: the archive, its report and the device path it used.
struct ExportOutcome {
    std::filesystem::path archivePath;
    std::string report;
    std::string devicePath;
};

/// A modal message with its buttons, in order; showAlert answers the index pressed.
struct Alert {
    QString message;
    QString informativeText;
    QStringList buttons;
};

/// Everything the window needs from outside itself: the three blocking jobs (called on a
/// worker thread, they may throw; the error's what() is what the user sees) and the modal
/// dialogs and desktop hand-offs (called on the main thread). Production code binds these
/// to the core modules and to Qt's dialogs; tests substitute a scripted double.
class WindowServices {
public:
    virtual ~WindowServices() = default;

    [[nodiscard]] virtual LoadOutcome loadInput(const std::filesystem::path& path,
                                                const CancellationToken* token) = 0;
    [[nodiscard]] virtual DetectOutcome detectDevicePath(const CancellationToken* token) = 0;
    [[nodiscard]] virtual ExportOutcome
    exportPackage(const SpptDocument& document, PatchMode mode,
                  const std::optional<std::string>& devicePathOverride,
                  const std::optional<std::filesystem::path>& baseConfig,
                  const CancellationToken* token) = 0;

    /// The supported AMD GPUs whose table the running driver shows (Linux); absent when they
    /// cannot be listed. Quick enough for the main thread: a few small sysfs files.
    [[nodiscard]] virtual std::optional<std::vector<SysfsGPU>> computerGPUs() = 0;
    /// Reads the table the driver uses for `gpu`; a blocking job like loadInput.
    [[nodiscard]] virtual LoadOutcome loadFromGPU(const SysfsGPU& gpu,
                                                  const CancellationToken* token) = 0;

    /// A modal choice among `choices`; the index chosen, absent when the user cancelled.
    [[nodiscard]] virtual std::optional<int> chooseGPU(QWidget* parent,
                                                       const QStringList& choices) = 0;
    /// A native open dialog for one existing file; absent when the user cancelled.
    [[nodiscard]] virtual std::optional<QString>
    requestInputFile(QWidget* parent, const QStringList& extensions) = 0;
    /// A native open dialog for the user's own config.plist; absent when cancelled.
    [[nodiscard]] virtual std::optional<QString> requestBaseConfig(QWidget* parent) = 0;
    virtual void showErrorAlert(QWidget* parent, const QString& message) = 0;
    [[nodiscard]] virtual int showAlert(QWidget* parent, const Alert& alert) = 0;
    virtual void revealInFileManager(const QString& path) = 0;
    virtual void openUrl(const QUrl& url) = 0;
};

} // namespace ventora
