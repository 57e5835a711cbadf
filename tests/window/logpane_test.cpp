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
    // Each flush shows its queued lines after the earlier ones, each ended by CR LF, at once.
    void logText()
    {
        LogPane pane;
        QSignalSpy edits(pane.document(), &QTextDocument::contentsChange);
        pane.appendLog("A");
        pane.appendLog("");
        pane.flush();
        pane.appendLog("B");
        pane.flush();
        QCOMPARE(edits.count(), 2);
        QCOMPARE(pane.logText(), QStringLiteral("A\r\n\r\nB\r\n"));
    }

    // Scrolled up by the user, the pane still shows the newest line; the keyboard selects and
    // copies all or part of it, and edits nothing.
    void shownPane()
    {
        LogPane pane;
        pane.resize(385, 137);
        pane.show();
        QVERIFY(QTest::qWaitForWindowActive(&pane));
        QString all;
        for (int i = 0; i < 500; ++i) {
            pane.appendLog(QString::number(i));
            all += QString::number(i) + '\n';
        }
        pane.flush();
        QScrollBar *const bar = pane.verticalScrollBar();
        bar->setValue(0);
        pane.appendLog("newest");
        pane.flush();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), all + "newest\n");
        QTest::keyClick(&pane, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&pane, Qt::Key_Down);
        QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1"));
        QTest::keyClicks(&pane, "xy");
        QTest::keyClick(&pane, Qt::Key_Backspace);
        QCOMPARE(pane.logText(), QString(all + "newest\n").replace("\n", "\r\n"));
    }
};

QTEST_MAIN(TestLogPane)
#include "logpane_test.moc"
