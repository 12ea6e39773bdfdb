#include "ui/Appearance.hpp"
#include "ui/LogFormat.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/SystemWindowServices.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace ventora;

namespace {

qsizetype focusRingPixels(QWidget& widget) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return std::count(pixels, pixels + image.width() * image.height(),
                      Appearance::focusRingColor().rgba());
}

} // namespace

/// The log's text rules, the custom thresholds and the keyboard's reach in the window and its
/// dialogs.
class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void stampedEntries() {
        int calls = 0;
        QCOMPARE(LogFormat::stampedEntries({}, [] { return QTime(); }), QStringLiteral("\n"));
        QCOMPARE(LogFormat::stampedEntries(
                     {QStringLiteral("first\nsecond line"), QStringLiteral("next")},
                     [&] { return QTime(14, 3, ++calls); }),
                 QStringLiteral("[14:03:01] first\nsecond line\n[14:03:02] next\n"));
    }

    // The cut ends after the first line feed within 2048 units of the excess, else at the
    // excess itself, and never inside a surrogate pair.
    void excessPrefixLength() {
        const QList<qsizetype> cuts{
            LogFormat::excessPrefixLength(QStringLiteral("abc\n"), 4),
            LogFormat::excessPrefixLength(QStringLiteral("aaaa\nbbbb\ncccc\n"), 12),
            LogFormat::excessPrefixLength(QStringLiteral("aaa\nbbb\n"), 5),
            LogFormat::excessPrefixLength("ab" + QString(2048, 'x') + "\nend", 2052),
            LogFormat::excessPrefixLength("a\U0001F600" + QString(3000, 'y'), 3001)};
        QCOMPARE(cuts, (QList<qsizetype>{0, 5, 4, 2, 3}));
    }

    void logKeepsWholeLinesUnderTheCap() {
        LogView log;
        for (int line = 0; line < 700; ++line) {
            log.appendEntries({QStringLiteral("line %1 ").arg(line) + QString(90, 'z')});
        }
        QVERIFY(log.toPlainText().size() <= LogFormat::maximumLength);
        QVERIFY(log.toPlainText().startsWith('[') && log.toPlainText().endsWith("z\n"));
    }

    // The stop box never allows more than start − 3, and the button names the two values.
    void customThresholdsStayApart() {
        MainWindowView window;
        QSpinBox* start = window.customStartBox();
        QSpinBox* stop = window.customStopBox();
        QCOMPARE(std::tuple(start->minimum(), start->value(), start->maximum(), stop->minimum()),
                 std::tuple(25, 45, 90, 20));
        start->setValue(30);
        QCOMPARE(stop->value(), 27);
        start->setValue(90);
        stop->setValue(99);
        QCOMPARE(window.generateCustomButton()->text(),
                 QStringLiteral("Generate Fan 90 \u00B0C / Stop 87 \u00B0C"));
    }

    // In a window much smaller than its content, Tab visits every control in visual order,
    // scrolls each into view and draws its focus ring, which no control shows without focus.
    void tabReachesEveryControlInOrderWithAFocusRing() {
        MainWindowView window;
        window.show();
        window.resize(640, 360);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QList<QWidget*> expected{
            window.loadButton(),           window.devicePathBox()->label(),
            window.detectButton(),         window.chooseConfigButton(),
            window.embeddedConfigButton(), window.generateZeroButton(),
            window.generateFan35Button(),  window.donateButton(),
            window.customStartBox(),       window.customStopBox(),
            window.generateCustomButton(), window.logView()};
        expected.back()->setFocus();
        for (QWidget* control : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), control);
            QVERIFY(!control->visibleRegion().isEmpty());
            // The field's ring is its box's border.
            QWidget* ring =
                control == window.devicePathBox()->label() ? window.devicePathBox() : control;
            QVERIFY(focusRingPixels(*ring) > 0);
            window.centralWidget()->setFocus();
            QCOMPARE(focusRingPixels(*ring), 0);
            control->setFocus();
        }
    }

    // Escape closes every dialog the window opens; the open panel has its own title and starts
    // in Downloads, or in the home folder when there is none.
    void escapeClosesEveryDialog() {
        SystemWindowServices services{PlatformContext{}};
        QString title;
        QString folder;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget();
                dialog && dialog->isVisible()) {
                title = dialog->windowTitle();
                if (const auto* panel = qobject_cast<QFileDialog*>(dialog)) {
                    folder = panel->directory().absolutePath();
                }
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        poll.start(20);
        QCOMPARE(services.showAlert(nullptr, Alert{"Ventora", {}, {"OK", "Email", "PayPal"}}), 0);
        services.showErrorAlert(nullptr, QStringLiteral("Export failed."));
        QCOMPARE(title, QStringLiteral("Ventora"));
        QCOMPARE(services.requestInputFile(nullptr, {QStringLiteral("rom")}), std::nullopt);
        QCOMPARE(title, QStringLiteral("Load VBIOS ROM or PowerPlay Table"));
        const QDir downloads(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
        QCOMPARE(folder, downloads.exists() ? downloads.absolutePath() : QDir::homePath());
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    WidgetsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WidgetsTest.moc"
