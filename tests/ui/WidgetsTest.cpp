#include "ui/Appearance.hpp"
#include "ui/CardView.hpp"
#include "ui/LogFormat.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QBoxLayout>
#include <QEnterEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

using namespace ventora;

namespace {

QTime fixedClock() {
    return QTime(14, 3, 7);
}

// The visible top-level texts of a widget tree, in creation order.
QStringList labelTexts(const QWidget& root) {
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            texts.append(label->text());
        }
    }
    return texts;
}

} // namespace

/// The styled controls, the log's text rules and the main window's layout.
class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void cardKeepsItsColours() {
        CardView card;
        QCOMPARE(card.fillColor(), Appearance::grey(0.12, 0.96));
        QCOMPARE(card.strokeColor(), Appearance::grey(0.32, 0.55));
        card.resize(200, 100);
        const QImage image = card.grab().toImage();
        // Centre pixel: the fill composited on the (dark) window colour, never the raw ground.
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        QVERIFY(qAbs(centre.redF() - 0.12) < 0.02);
    }

    void buttonHoverFollowsEnterAndLeaveAcrossResizes() {
        PrimaryButton button(QStringLiteral("Generate FAN 35 \u00B0C\nSolution"));
        button.resize(120, 48);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        const auto enter = [&] {
            QEnterEvent event(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
            QApplication::sendEvent(&button, &event);
        };
        const auto leave = [&] {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(&button, &event);
        };
        // The offscreen cursor may start inside the button; begin from a known state.
        leave();
        QCOMPARE(button.backgroundColor(), Appearance::grey(0.2));
        enter();
        QCOMPARE(button.backgroundColor(), Appearance::grey(0.27));
        leave();
        QCOMPARE(button.backgroundColor(), Appearance::grey(0.2));
        button.resize(300, 60);
        enter();
        QVERIFY(button.isHovered());
        leave();
        QCOMPARE(button.backgroundColor(), button.normalColor());
    }

    void valueBoxElidesLongTextOnOneLine() {
        const QString path =
            QStringLiteral("PciRoot(0x0)") + QStringLiteral("/Pci(0x1F,0x7)").repeated(40);
        ValueBox box(path);
        box.resize(300, 20);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(box.height() >= ValueBox::minimumBoxHeight);
        QCOMPARE(box.label()->text(), path);
        const QString shown = box.displayedText();
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(!shown.contains(QLatin1Char('\n')));
        QVERIFY(path.startsWith(shown.chopped(1)));

        box.label()->setText(QStringLiteral("short.rom"));
        QCOMPARE(box.displayedText(), QStringLiteral("short.rom"));
    }

    void stampedEntries_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no entries: one line feed") << QStringList{} << QStringLiteral("\n");
        QTest::newRow("two entries, two stamps")
            << QStringList{QStringLiteral("Starting ZeroRPM OFF / Fan Always On export..."),
                           QStringLiteral("second")}
            << QStringLiteral("[14:03:07] Starting ZeroRPM OFF / Fan Always On export...\n"
                              "[14:03:07] second\n");
        QTest::newRow("multi-line entry stamped once")
            << QStringList{QStringLiteral("report line 1\nreport line 2")}
            << QStringLiteral("[14:03:07] report line 1\nreport line 2\n");
    }

    void stampedEntries() {
        QFETCH(QStringList, entries);
        QFETCH(QString, expected);
        QCOMPARE(LogFormat::stampedEntries(entries, fixedClock), expected);
    }

    void stampIsTakenPerEntry() {
        int calls = 0;
        const QString text = LogFormat::stampedEntries({QStringLiteral("a"), QStringLiteral("b")},
                                                       [&] { return QTime(0, 0, ++calls); });
        QCOMPARE(text, QStringLiteral("[00:00:01] a\n[00:00:02] b\n"));
    }

    void excessPrefixLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("maximum");
        QTest::addColumn<qsizetype>("expected");
        QTest::newRow("within the cap") << QStringLiteral("abc\n") << qsizetype(4) << qsizetype(0);
        QTest::newRow("cut after the next line feed")
            << QStringLiteral("aaaa\nbbbb\ncccc\n") << qsizetype(12) << qsizetype(5);
        QTest::newRow("excess ends exactly on a line feed")
            << QStringLiteral("aaa\nbbb\n") << qsizetype(5) << qsizetype(4);
        QTest::newRow("no line feed within 2048 units: cut the excess")
            << QString(500, QLatin1Char('a')) + QLatin1Char('\n') + QString(9500, QLatin1Char('x'))
            << qsizetype(9000) << qsizetype(1001);
        QTest::newRow("line feed just past the search window")
            << QStringLiteral("ab") + QString(2048, QLatin1Char('x')) + QStringLiteral("\nend")
            << qsizetype(2052) << qsizetype(2);
        QTest::newRow("never splits a surrogate pair")
            << QStringLiteral("a\U0001F600") + QString(3000, QLatin1Char('y')) << qsizetype(3001)
            << qsizetype(3);
    }

    void excessPrefixLength() {
        QFETCH(QString, text);
        QFETCH(qsizetype, maximum);
        QFETCH(qsizetype, expected);
        QCOMPARE(LogFormat::excessPrefixLength(text, maximum), expected);
    }

    void logKeepsWholeNewestLinesAndStaysScrolledToTheEnd() {
        LogView log;
        log.resize(400, 200);
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        const QString filler(90, QLatin1Char('z'));
        for (int line = 0; line < 1000; ++line) {
            log.appendEntries(
                {QStringLiteral("line %1 ").arg(line, 4, 10, QLatin1Char('0')) + filler});
        }
        const QString text = log.toPlainText();
        QVERIFY(text.size() <= LogFormat::maximumLength);
        QVERIFY(text.size() > LogFormat::maximumLength - 200);
        static const QRegularExpression line(
            QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] line \\d{4} z{90}$"));
        const QStringList lines = text.split(QLatin1Char('\n'));
        QCOMPARE(lines.last(), QString());
        for (qsizetype index = 0; index + 1 < lines.size(); ++index) {
            QVERIFY2(line.match(lines[index]).hasMatch(), qPrintable(lines[index]));
        }
        QVERIFY(lines[lines.size() - 2].contains(QStringLiteral("line 0999")));
        QCOMPARE(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
        QVERIFY(log.verticalScrollBar()->maximum() > 0);
    }

    void windowHasItsTitleSizesAndSevenRowsInOrder() {
        MainWindowView window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Ventora"));
        QCOMPARE(window.size(), MainWindowView::initialSize);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(200, 200);
        QApplication::processEvents();
        QVERIFY(window.centralWidget()->width() >= 820);
        QVERIFY(window.centralWidget()->height() >= 720);

        auto* root = qobject_cast<QVBoxLayout*>(window.centralWidget()->layout());
        QVERIFY(root != nullptr);
        QCOMPARE(root->count(), 7);
        for (int row = 0; row < 7; ++row) {
            QWidget* widget = root->itemAt(row)->widget();
            QVERIFY(widget != nullptr);
            const bool isCard = dynamic_cast<const CardView*>(widget) != nullptr;
            // Rows 1-3 and 5-6 are cards, row 4 holds two cards, row 7 is the status line.
            QCOMPARE(isCard, row != 3 && row != 6);
        }
        QCOMPARE(root->itemAt(6)->widget(), window.statusLabel());
        const QList<QWidget*> inRow = root->itemAt(3)->widget()->findChildren<QWidget*>();
        QCOMPARE(std::count_if(inRow.begin(), inRow.end(),
                               [](QWidget* child) { return dynamic_cast<CardView*>(child); }),
                 2);
    }

    void windowShowsEveryInitialText() {
        MainWindowView window;
        const QStringList texts = labelTexts(window);
        for (const QString& expected :
             {QStringLiteral("Ventora"), QStringLiteral("Fan Always On or FAN 35 \u00B0C Solution"),
              QStringLiteral("Navi 10/14 / Navi 21/22/23 + Polaris + Vega 10/20"),
              QStringLiteral("Input"), QStringLiteral("DeviceProperties"), QStringLiteral("SPPT"),
              QStringLiteral("Not loaded"), QStringLiteral("Config"),
              QStringLiteral("Embedded base config.plist"), QStringLiteral("Log"),
              QStringLiteral("Output: Desktop/ZeroRPM.zip or Desktop/ZeroRPM35.zip")}) {
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        }
        QVERIFY(std::any_of(texts.begin(), texts.end(), [](const QString& text) {
            return text.startsWith(QStringLiteral("Supported targets: Polaris: RX 460,")) &&
                   text.endsWith(QStringLiteral("Output: ZeroRPM.zip or ZeroRPM35.zip."));
        }));
        QCOMPARE(window.inputBox()->label()->text(),
                 QStringLiteral("Load a GPU-Z ROM or SPPT export to start."));
        QVERIFY(window.inputBox()->label()->isReadOnly());
        QCOMPARE(window.devicePathBox()->label()->text(), QString());
        QVERIFY(!window.devicePathBox()->label()->isReadOnly());
        QVERIFY(window.devicePathBox()->label()->toolTip().startsWith(
            QStringLiteral("Leave empty for automatic IORegistry detection")));
        QCOMPARE(window.loadButton()->text(), QStringLiteral("Load VBIOS ROM / SPPT"));
        QCOMPARE(window.detectButton()->text(), QStringLiteral("Detect Path"));
        QCOMPARE(window.generateZeroButton()->text(),
                 QStringLiteral("Generate ZeroRPM OFF\nFan Always On"));
        QCOMPARE(window.generateFan35Button()->text(),
                 QStringLiteral("Generate FAN 35 \u00B0C\nSolution"));
        QCOMPARE(window.donateButton()->text(), QStringLiteral("PayPal Donate"));
        QVERIFY(window.acceptDrops());
    }

    void actionButtonsShareTheRowEqually() {
        MainWindowView window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int width = window.generateZeroButton()->width();
        QVERIFY(qAbs(window.generateFan35Button()->width() - width) <= 1);
        QVERIFY(qAbs(window.donateButton()->width() - width) <= 1);
        QVERIFY(window.generateZeroButton()->height() >= 48);
        QVERIFY(window.loadButton()->width() >= 190);
        QVERIFY(window.detectButton()->width() >= 130);
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    WidgetsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WidgetsTest.moc"
