#include "ui/Appearance.hpp"
#include "ui/LogFormat.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QSpinBox>
#include <QTest>
#include <algorithm>

using namespace ventora;

namespace {

qsizetype focusRingPixels(QWidget& widget) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return std::count(pixels, pixels + image.width() * image.height(),
                      Appearance::focusRingColor().rgba());
}

} // namespace

/// The log's text rules and the keyboard's reach in the window.
class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    // Entries are stamped each at its start; the cut ends after the first line feed within 2048
    // units of the excess, else at the excess itself, never inside a surrogate pair, and the
    // view keeps whole lines under the cap.
    void logFormat() {
        int second = 0;
        QCOMPARE(
            LogFormat::stampedEntries({QStringLiteral("first\nsecond"), QStringLiteral("next")},
                                      [&] { return QTime(14, 3, ++second); }),
            QStringLiteral("[14:03:01] first\nsecond\n[14:03:02] next\n"));
        const QList<qsizetype> cuts{
            LogFormat::excessPrefixLength(QStringLiteral("abc\n"), 4),
            LogFormat::excessPrefixLength(QStringLiteral("aaa\nbbb\n"), 5),
            LogFormat::excessPrefixLength("ab" + QString(2048, 'x') + "\nend", 2052),
            LogFormat::excessPrefixLength("a\U0001F600" + QString(3000, 'y'), 3001)};
        QCOMPARE(cuts, (QList<qsizetype>{0, 4, 2, 3}));
        LogView log;
        log.appendEntries(QStringList(700, QString(90, 'z')));
        QVERIFY(log.toPlainText().size() <= LogFormat::maximumLength);
        QVERIFY(log.toPlainText().startsWith('[') && log.toPlainText().endsWith("z\n"));
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
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    WidgetsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WidgetsTest.moc"
