#include "logpane.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

class TestLogPane : public QObject
{
    Q_OBJECT

private slots:
    void logText_data();
    void logText();
    void flushAppendsAtEnd();
    void showsNewestLine();
    void keyboardSelectsCopiesNotEdits();
};

void TestLogPane::logText_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two-messages") << QStringList {"A", "B"} << QStringLiteral("A\r\nB\r\n");
    QTest::newRow("empty-message") << QStringList {""} << QStringLiteral("\r\n");
    QTest::newRow("empty-between")
        << QStringList {"A", "", "B"} << QStringLiteral("A\r\n\r\nB\r\n");
}

void TestLogPane::logText()
{
    QFETCH(QStringList, messages);
    QFETCH(QString, expected);

    LogPane pane;
    for (const QString &message : messages)
        pane.appendLog(message);
    pane.flush();
    QCOMPARE(pane.logText(), expected);
}

void TestLogPane::flushAppendsAtEnd()
{
    LogPane pane;
    QSignalSpy edits(pane.document(), &QTextDocument::contentsChange);
    pane.appendLog("Checking SM file...");
    pane.appendLog("Problem note detected at beat: 8");
    QCOMPARE(pane.logText(), QString());
    pane.flush();
    QCOMPARE(edits.count(), 1);
    // Inserted after the earlier lines, without removing any of them.
    pane.appendLog("MeasureSize: 7");
    pane.flush();
    QCOMPARE(edits.count(), 2);
    QCOMPARE(edits.last().at(1).toInt(), 0);
    QCOMPARE(pane.logText(),
        QStringLiteral(
            "Checking SM file...\r\nProblem note detected at beat: 8\r\nMeasureSize: 7\r\n"));
}

void TestLogPane::showsNewestLine()
{
    LogPane pane;
    pane.resize(385, 137);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QScrollBar *const bar = pane.verticalScrollBar();
    for (int i = 0; i < 500; ++i)
        pane.appendLog(QString::number(i));
    pane.flush();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Scrolled up by the user, the pane still follows the next lines.
    bar->setValue(0);
    pane.appendLog("newest");
    pane.flush();
    QCOMPARE(bar->value(), bar->maximum());
}

void TestLogPane::keyboardSelectsCopiesNotEdits()
{
    LogPane pane;
    pane.appendLog("Checking SM file...");
    pane.appendLog("SM file is OK. Ready to send to convert.");
    pane.flush();
    pane.resize(600, 200);
    pane.show();
    QVERIFY(QTest::qWaitForWindowActive(&pane));
    pane.setFocus();
    QGuiApplication::clipboard()->clear();

    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
        QStringLiteral("Checking SM file...\nSM file is OK. Ready to send to convert.\n"));

    // A part of it, with the caret keys.
    QTest::keyClick(&pane, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&pane, Qt::Key_Down);
    QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
        QStringLiteral("SM file is OK. Ready to send to convert."));

    QTest::keyClicks(&pane, "xy");
    QTest::keyClick(&pane, Qt::Key_Backspace);
    QCOMPARE(pane.logText(),
        QStringLiteral("Checking SM file...\r\nSM file is OK. Ready to send to "
                       "convert.\r\n"));
}

QTEST_MAIN(TestLogPane)
#include "logpane_test.moc"
