#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"
#include "support/TemporaryFolder.hpp"
#include "ui/Appearance.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowController.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/SystemWindowServices.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace ventora;

namespace {

/// The production services with the dialogs scripted: the real loader, detector and export
/// builder run against a private Desktop and tools that cannot be found.
class ScriptedDialogs : public SystemWindowServices {
public:
    using SystemWindowServices::SystemWindowServices;

    QString fileAnswer;
    QStringList errorAlerts;
    QStringList revealed;

    std::optional<QString> requestInputFile(QWidget*, const QStringList&) override {
        return fileAnswer;
    }
    void showErrorAlert(QWidget*, const QString& message) override { errorAlerts.append(message); }
    void revealInFileManager(const QString& path) override { revealed.append(path); }
};

} // namespace

/// Load, detect and generate through the window with the real core modules, on a synthetic
/// Navi 10 ROM; also leaves screenshots of the window in the build folder.
class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void loadDetectGenerateWithTheRealModules() {
        const test::TemporaryFolder root;
        const Bytes table = test::navi10Table();
        test::RomImageLayout layout;
        layout.table = table;
        PlatformContext context;
        context.temporaryDirectory = root.path() / "tmp";
        context.desktopDirectory = root.path() / "Desktop";
        context.resourcesDirectory = QCoreApplication::applicationDirPath().toStdString();
        context.ioregExecutable = root.path() / "no-ioreg";
        context.searchPath = std::string();
        context.zipExecutable = "/usr/bin/zip";
        std::filesystem::create_directories(context.temporaryDirectory);
        std::filesystem::create_directories(context.desktopDirectory);
        auto services = std::make_shared<ScriptedDialogs>(context);
        services->fileAnswer =
            QString::fromStdString(root.write("Navi10.rom", test::romImage(layout)));
        MainWindowController controller(services, std::nullopt);
        MainWindowView& window = controller.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        controller.loadFile();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isBusy(), 20000);
        QVERIFY2(services->errorAlerts.isEmpty(), qPrintable(services->errorAlerts.join('\n')));
        QCOMPARE(window.spptValue()->text(),
                 QStringLiteral("Loaded \u2022 %1 bytes").arg(table.size()));
        QCOMPARE(window.inputBox()->label()->text(), QStringLiteral("Navi10.rom"));
        QCOMPARE(window.spptSummary()->text(),
                 QStringLiteral("Navi 10 \u00B7 fan-stop on \u00B7 starts 55 \u00B0C, stops "
                                "50 \u00B0C"));
        QCOMPARE(window.statusLabel()->text(),
                 QStringLiteral("SPPT loaded. Choose a solution to generate the ZIP on Desktop."));
        QVERIFY(window.logView()->toPlainText().count(QLatin1Char('\n')) >= 1);
        QVERIFY(window.grab().save(QStringLiteral(VENTORA_TEST_OUTPUT_DIR "/main-window.png")));

        controller.detectDevicePath();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isBusy(), 20000);
        QCOMPARE(window.statusLabel()->text(),
                 QStringLiteral("GFX0 path was not detected. Generation will use the generic "
                                "fallback unless you enter a path."));
        QCOMPARE(window.devicePathBox()->label()->text(), QString());

        controller.generateZero();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isBusy(), 60000);
        QVERIFY2(services->errorAlerts.isEmpty(), qPrintable(services->errorAlerts.join('\n')));
        const QString archive = QString::fromStdString(root.path() / "Desktop/ZeroRPM.zip");
        QVERIFY(QFile::exists(archive));
        QCOMPARE(window.statusLabel()->text(), QStringLiteral("Generated ZeroRPM.zip on Desktop."));
        QCOMPARE(services->revealed, QStringList{archive});
        QCOMPARE(window.devicePathBox()->label()->text(),
                 QStringLiteral("PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)"));
        QVERIFY(window.logView()->toPlainText().contains(QStringLiteral("] Export completed: ") +
                                                         archive + QLatin1Char('\n')));
        QVERIFY(window.grab().save(
            QStringLiteral(VENTORA_TEST_OUTPUT_DIR "/main-window-exported.png")));
        QVERIFY(std::filesystem::is_empty(root.path() / "tmp"));
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    EndToEndTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "EndToEndTest.moc"
