#include "logpane.h"

#include "loglines.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <string>

using Gesture = std::function<void(LogPane &)>;
Q_DECLARE_METATYPE(Gesture)

class TestLogPane : public QObject
{
    Q_OBJECT

private slots:
    void selecting_data()
    {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QString>("copied");

        QTest::newRow("ctrl-a") << Gesture([](LogPane &pane) {
            QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
        }) << QString();
        QTest::newRow("keyboard-range") << Gesture([](LogPane &pane) {
            QTest::keyClick(&pane, Qt::Key_Home);
            QTest::keyClick(&pane, Qt::Key_Down);
            QTest::keyClick(&pane, Qt::Key_Down, Qt::ShiftModifier);
        }) << "1\r\n2\r\n";
        QTest::newRow("mouse-drag") << Gesture([](LogPane &pane) {
            pane.verticalScrollBar()->setValue(0);
            // From the middle of the fourth row up to the second's, below the 2-pixel margin.
            const int row = pane.fontMetrics().lineSpacing();
            QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, {20, 2 + 3 * row + row / 2});
            QTest::mouseMove(pane.viewport(), {20, 2 + row + row / 2});
            QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, {20, 2 + row + row / 2});
        }) << "1\r\n2\r\n3\r\n";
    }

    // Lines appended while the user looks further up still bring the newest into view; the
    // selection made with the mouse or the keyboard is copied with Ctrl+C, each line followed by
    // CR LF, and read by assistive tools within the whole log's text.
    void selecting()
    {
        QFETCH(Gesture, gesture);
        QFETCH(QString, copied);

        quillet::LogLines lines;
        LogPane pane;
        pane.setLines(&lines);
        pane.resize(385, 137);
        pane.show();
        QVERIFY(QTest::qWaitForWindowActive(&pane));
        std::string all;
        for (int i = 0; i < 500; ++i) {
            lines.append(std::to_string(i));
            all += std::to_string(i) + "\r\n";
        }
        pane.linesAppended();
        QScrollBar *const bar = pane.verticalScrollBar();
        bar->setValue(0);
        lines.append("newest");
        all += "newest\r\n";
        pane.linesAppended();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        if (copied.isEmpty())
            copied = QString::fromStdString(all);

        QGuiApplication::clipboard()->clear();
        gesture(pane);
        QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);

        QAccessibleInterface *const accessible = QAccessible::queryAccessibleInterface(&pane);
        QVERIFY(accessible && accessible->textInterface());
        QCOMPARE(accessible->text(QAccessible::Value), QString::fromStdString(all));
        int start = -1;
        int end = -1;
        accessible->textInterface()->selection(0, &start, &end);
        QCOMPARE(accessible->textInterface()->text(start, end), copied);
    }
};

QTEST_MAIN(TestLogPane)
#include "logpane_test.moc"
