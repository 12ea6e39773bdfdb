#include "ui/SystemWindowServices.hpp"

#include "devicepath/DevicePathDetector.hpp"
#include "input/SpptFileParser.hpp"
#include "output/OutputBuilder.hpp"
#include "ui/FileReveal.hpp"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace ventora {
namespace {

// Downloaded ROMs and exported tables usually land in Downloads.
QString openPanelFolder() {
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return !downloads.isEmpty() && QDir(downloads).exists() ? downloads : QDir::homePath();
}

std::optional<QString> chosenFile(const QString& chosen) {
    return chosen.isEmpty() ? std::nullopt : std::optional(chosen);
}

LoadOutcome outcomeOf(SpptFileParser::LoadResult result) {
    return {std::move(result.document), std::move(result.messages)};
}

} // namespace

SystemWindowServices::SystemWindowServices(PlatformContext context)
    : m_context(std::move(context)) {}

LoadOutcome SystemWindowServices::loadInput(const std::filesystem::path& path,
                                            const CancellationToken* token) {
    return outcomeOf(SpptFileParser::load(path, token));
}

DetectOutcome SystemWindowServices::detectDevicePath(const CancellationToken* token) {
    DetectOutcome outcome;
    outcome.path = DevicePathDetector::detectPath(outcome.messages, token, m_context);
    return outcome;
}

ExportOutcome
SystemWindowServices::exportPackage(const SpptDocument& document, PatchMode mode,
                                    const std::optional<std::string>& devicePathOverride,
                                    const std::optional<std::filesystem::path>& baseConfig,
                                    const CancellationToken* token) {
    ExportOptions options;
    options.baseConfig = baseConfig;
    ExportResult result =
        OutputBuilder::exportPackage(document, mode, devicePathOverride, token, m_context, options);
    return {std::move(result.archivePath), std::move(result.report), std::move(result.devicePath)};
}

std::optional<std::vector<SysfsGPU>> SystemWindowServices::computerGPUs() {
    if (!m_context.sysfsDirectory) {
        return std::nullopt;
    }
    return SysfsPciTree::supportedGPUs(*m_context.sysfsDirectory);
}

LoadOutcome SystemWindowServices::loadFromGPU(const SysfsGPU& gpu, const CancellationToken* token) {
    return outcomeOf(SpptFileParser::loadDriverTable(
        SysfsPciTree::powerPlayTablePath(*m_context.sysfsDirectory, gpu), gpu.vendorID,
        gpu.deviceID, token));
}

std::optional<int> SystemWindowServices::chooseGPU(QWidget* parent, const QStringList& choices) {
    bool chosen = false;
    const QString choice = QInputDialog::getItem(parent, QStringLiteral("Ventora"),
                                                 QStringLiteral("Read the table of this GPU:"),
                                                 choices, 0, false, &chosen);
    if (!chosen) {
        return std::nullopt;
    }
    return static_cast<int>(choices.indexOf(choice));
}

std::optional<QString> SystemWindowServices::requestInputFile(QWidget* parent,
                                                              const QStringList& extensions) {
    QStringList patterns;
    for (const QString& extension : extensions) {
        patterns.append(QStringLiteral("*.") + extension);
    }
    const QString filter =
        QStringLiteral("VBIOS ROM or SPPT (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    return chosenFile(QFileDialog::getOpenFileName(
        parent, QStringLiteral("Load VBIOS ROM or PowerPlay Table"), openPanelFolder(), filter));
}

std::optional<QString> SystemWindowServices::requestBaseConfig(QWidget* parent) {
    return chosenFile(QFileDialog::getOpenFileName(
        parent, QStringLiteral("Choose your OpenCore config.plist"), QString(),
        QStringLiteral("Property lists (*.plist);;All files (*)")));
}

void SystemWindowServices::showErrorAlert(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ventora"), message, QMessageBox::Ok,
                    parent);
    box.exec();
}

int SystemWindowServices::showAlert(QWidget* parent, const Alert& alert) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Ventora"));
    box.setIconPixmap(QIcon(QStringLiteral(":/ventora/ventora.png")).pixmap(64, 64));
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton*> buttons;
    for (const QString& title : alert.buttons) {
        const auto role = buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::ActionRole;
        buttons.append(box.addButton(title, role));
    }
    // Escape presses the first button, so every alert can be dismissed from the keyboard.
    if (!buttons.isEmpty()) {
        box.setEscapeButton(buttons.front());
    }
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

void SystemWindowServices::revealInFileManager(const QString& path) {
    FileReveal::reveal(path);
}

void SystemWindowServices::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace ventora
