#include "ui/Appearance.hpp"
#include "ui/CardView.hpp"
#include "ui/LogFormat.hpp"
#include "ui/LogView.hpp"
#include "ui/MainWindowView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/SystemWindowServices.hpp"
#include "ui/ValueBox.hpp"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

using namespace ventora;

/// The styled controls, the log's text rules and the main window's layout and texts.
class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void cardPaintsItsFill() {
        CardView card;
        card.resize(200, 100);
        const QImage image = card.grab().toImage();
        // The fill composited on the dark window colour, never the raw ground.
        QVERIFY(qAbs(image.pixelColor(100, 50).redF() - 0.12) < 0.02);
    }

    void buttonHoverFollowsEnterAndLeaveAcrossResizes() {
        PrimaryButton button(QStringLiteral("Generate FAN 35 \u00B0C\nSolution"));
        button.resize(120, 48);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        const auto hover = [&](bool inside) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&button, inside ? static_cast<QEvent*>(&enter) : &leave);
        };
        for (const QSize size : {QSize(120, 48), QSize(300, 60)}) {
            button.resize(size);
            hover(false);
            QCOMPARE(button.backgroundColor(), Appearance::grey(0.2));
            hover(true);
            QCOMPARE(button.backgroundColor(), Appearance::grey(0.27));
        }
        hover(false);
        QCOMPARE(button.backgroundColor(), Appearance::grey(0.2));
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
        QVERIFY(path.startsWith(shown.chopped(1)));
        box.label()->setText(QStringLiteral("short.rom"));
        QCOMPARE(box.displayedText(), QStringLiteral("short.rom"));
    }

    void stampedEntries_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no entries: one line feed") << QStringList{} << QStringLiteral("\n");
        QTest::newRow("a stamp per entry, taken per entry")
            << QStringList{QStringLiteral("Starting ZeroRPM OFF / Fan Always On export..."),
                           QStringLiteral("second")}
            << QStringLiteral("[14:03:01] Starting ZeroRPM OFF / Fan Always On export...\n"
                              "[14:03:02] second\n");
        QTest::newRow("multi-line entry stamped once")
            << QStringList{QStringLiteral("report line 1\nreport line 2")}
            << QStringLiteral("[14:03:01] report line 1\nreport line 2\n");
    }

    void stampedEntries() {
        QFETCH(QStringList, entries);
        QFETCH(QString, expected);
        int calls = 0;
        QCOMPARE(LogFormat::stampedEntries(entries, [&] { return QTime(14, 3, ++calls); }),
                 expected);
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
        QTest::newRow("line feed just past the 2048-unit search: cut the excess")
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

    void logTrimsWholeLines_data() {
        QTest::addColumn<bool>("scrolledBack");
        QTest::newRow("at the end: follows the newest line") << false;
        QTest::newRow("scrolled back: keeps its place and the selection") << true;
    }

    void logTrimsWholeLines() {
        QFETCH(bool, scrolledBack);
        LogView log;
        log.resize(400, 200);
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        const QString filler(90, QLatin1Char('z'));
        const auto appendLines = [&](int from, int to) {
            for (int line = from; line < to; ++line) {
                log.appendEntries(
                    {QStringLiteral("line %1 ").arg(line, 4, 10, QLatin1Char('0')) + filler});
            }
        };
        // Past the length cap from the start, so the oldest lines are cut on every append.
        appendLines(0, 560);
        QString topLine;
        if (scrolledBack) {
            QScrollBar* bar = log.verticalScrollBar();
            bar->setValue(bar->maximum() / 2);
            QTextCursor selection = log.cursorForPosition(QPoint(40, 60));
            selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            log.setTextCursor(selection);
            topLine = log.cursorForPosition(QPoint(0, 0)).block().text();
        }
        const QString selected = log.textCursor().selectedText();
        appendLines(560, 660);

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
        QVERIFY(lines[lines.size() - 2].contains(QStringLiteral("line 0659")));
        QCOMPARE(log.textCursor().selectedText(), selected);
        if (scrolledBack) {
            QVERIFY(!selected.isEmpty());
            QCOMPARE(log.cursorForPosition(QPoint(0, 0)).block().text(), topLine);
            return;
        }
        // The end of the text sits at the bottom of the view, not somewhere above it.
        QTextCursor end(log.document());
        end.movePosition(QTextCursor::End);
        const int gap = log.viewport()->height() - log.cursorRect(end).bottom();
        QVERIFY2(gap >= 0 && gap <= log.fontMetrics().lineSpacing(),
                 qPrintable(QString::number(gap)));
    }

    void windowHasItsTitleSizesAndSevenRowsInOrder() {
        MainWindowView window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Ventora"));
        QCOMPARE(window.size(), window.openingSize());
        QCOMPARE(window.size().width(), 920);
        QVERIFY(window.size().height() >= 740);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* scroller = qobject_cast<QScrollArea*>(window.centralWidget());
        QVERIFY(scroller != nullptr);
        QWidget* content = scroller->widget();
        QCOMPARE(content->size(), window.size());
        // Made smaller than its content, the window scrolls a content that keeps its size.
        window.resize(200, 200);
        QApplication::processEvents();
        QCOMPARE(content->width(), 820);
        QVERIFY(content->height() >= 720);

        auto* root = qobject_cast<QVBoxLayout*>(content->layout());
        QVERIFY(root != nullptr);
        QCOMPARE(root->count(), 7);
        for (int row = 0; row < 7; ++row) {
            // Rows 1-3 and 5-6 are cards, row 4 holds two cards, row 7 is the status line.
            const bool isCard = dynamic_cast<const CardView*>(root->itemAt(row)->widget());
            QCOMPARE(isCard, row != 3 && row != 6);
        }
        QCOMPARE(root->itemAt(6)->widget(), window.statusLabel());
        const QList<QWidget*> inRow =
            root->itemAt(3)->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(std::count_if(inRow.begin(), inRow.end(),
                               [](QWidget* child) { return dynamic_cast<CardView*>(child); }),
                 2);

        window.resize(920, 740);
        QApplication::processEvents();
        const int width = window.generateZeroButton()->width();
        QVERIFY(qAbs(window.generateFan35Button()->width() - width) <= 1);
        QVERIFY(qAbs(window.donateButton()->width() - width) <= 1);
        QVERIFY(window.generateZeroButton()->height() >= 48);
        QVERIFY(window.loadButton()->width() >= 190);
        QVERIFY(window.detectButton()->width() >= 130);
    }

    void customRowSitsBelowTheButtonsAndFollowsItsBoxes() {
        MainWindowView window;
        QSpinBox* start = window.customStartBox();
        QSpinBox* stop = window.customStopBox();
        QCOMPARE(window.generateCustomButton()->text(),
                 QStringLiteral("Generate Fan 45 \u00B0C / Stop 40 \u00B0C"));
        QCOMPARE(window.spptSummary()->text(), QString());
        QVERIFY(window.generateCustomButton()->parentWidget() ==
                window.generateZeroButton()->parentWidget());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.generateCustomButton()->y() >=
                window.generateZeroButton()->geometry().bottom());

        QCOMPARE(start->minimum(), 25);
        QCOMPARE(start->maximum(), 90);
        QCOMPARE(stop->minimum(), 20);
        start->setValue(30);
        QCOMPARE(stop->maximum(), 27);
        QCOMPARE(stop->value(), 27);
        start->setValue(90);
        stop->setValue(99);
        QCOMPARE(stop->value(), 87);
        QCOMPARE(window.generateCustomButton()->text(),
                 QStringLiteral("Generate Fan 90 \u00B0C / Stop 87 \u00B0C"));
        QCOMPARE(window.customPreset(), PatchMode::custom(90, 87));
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
        QCOMPARE(window.focusChain(), expected);
        expected.back()->setFocus();
        for (QWidget* control : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), control);
            QVERIFY(!control->visibleRegion().isEmpty());
            if (control != window.logView()) {
                QCOMPARE(control->visibleRegion().boundingRect(), control->rect());
            }
            // The field's ring is its box's border.
            QWidget* ring =
                control == window.devicePathBox()->label() ? window.devicePathBox() : control;
            QVERIFY2(focusRingPixels(*ring) > 0, qPrintable(control->objectName()));
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
        const auto escapeNextDialog = [&] {
            auto* poll = new QTimer(this);
            QObject::connect(poll, &QTimer::timeout, [&, poll] {
                QWidget* dialog = QApplication::activeModalWidget();
                if (dialog == nullptr || !dialog->isVisible()) {
                    return;
                }
                poll->deleteLater();
                title = dialog->windowTitle();
                if (const auto* panel = qobject_cast<QFileDialog*>(dialog)) {
                    folder = panel->directory().absolutePath();
                }
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            poll->start(20);
        };

        escapeNextDialog();
        QCOMPARE(services.showAlert(nullptr, Alert{QStringLiteral("Ventora"),
                                                   QString(),
                                                   {QStringLiteral("OK"), QStringLiteral("Email"),
                                                    QStringLiteral("PayPal")}}),
                 0);
        escapeNextDialog();
        services.showErrorAlert(nullptr, QStringLiteral("Export failed."));
        QCOMPARE(title, QStringLiteral("Ventora"));

        escapeNextDialog();
        QCOMPARE(services.requestInputFile(nullptr, {QStringLiteral("rom")}), std::nullopt);
        QCOMPARE(title, QStringLiteral("Load VBIOS ROM or PowerPlay Table"));
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(folder,
                 QDir(downloads).exists() ? QDir(downloads).absolutePath() : QDir::homePath());
    }

private:
    static int focusRingPixels(QWidget& widget) {
        const QImage image = widget.grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) == Appearance::focusRingColor() ? 1 : 0;
            }
        }
        return count;
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Appearance::applyDarkAppearance(application);
    WidgetsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WidgetsTest.moc"
