#include "windowtest.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>

using namespace std::chrono_literals;

namespace {

const QString checking = QStringLiteral("Checking SM file...\r\n");
const QString ok = checking + "SM file is OK. Ready to send to convert.\r\n";
const QString problem = "Problem SM file. Please fix it before send to vorblen staff.\r\n";

// Long enough that its check pumps many times: every tenth of 20000 measures has 7 rows.
QByteArray longChart()
{
    QList<int> rows(20000, 4);
    for (qsizetype i = 9; i < rows.size(); i += 10)
        rows[i] = 7;
    return makeChart(rows);
}

// Calls action at every pump of the window's next check until it returns true.
void duringCheck(MainWindow &window, std::function<bool()> action)
{
    auto *const timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, timer, action] {
        if (window.isChecking() && action())
            timer->stop();
    });
    timer->start(0);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_charts;
    QTemporaryDir m_scratch;

    bool scratchLeft() const { return !QDir(m_scratch.path()).isEmpty(); }
    void prepare(MainWindow &window, const QString &name, const QByteArray &chart) const
    {
        QVERIFY(writeFile(m_charts.filePath(name), chart));
        window.setScratchFolder(m_scratch.path());
        window.findChild<QLineEdit *>("Text2")->setText(m_charts.filePath(name));
    }

private slots:
    void controls_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("nextByTab");

        // clang-format off
        QTest::newRow("Frame1")   << "Form1"  << "Select SM File (Single BPM)" << QRect(120, 120, 6015, 735) << "";
        QTest::newRow("Label1")   << "Frame1" << "Target SM:"      << QRect(120, 240, 855, 255)    << "";
        QTest::newRow("Text2")    << "Frame1" << ""                << QRect(960, 240, 4455, 285)   << "Command2";
        QTest::newRow("Command2") << "Frame1" << "..."             << QRect(5520, 240, 375, 255)   << "Text1";
        QTest::newRow("Frame2")   << "Form1"  << "Logs"            << QRect(120, 960, 6015, 2415)  << "";
        QTest::newRow("Text1")    << "Frame2" << ""                << QRect(120, 240, 5775, 2055)  << "Command1";
        QTest::newRow("Label2")   << "Form1"  << "www.vorblen.com" << QRect(120, 3600, 1935, 255)  << "";
        QTest::newRow("Command1") << "Form1"  << "Check file"      << QRect(4440, 3480, 1695, 375) << "Text2";
        // clang-format on
    }

    // A fresh window, and each control's parent, caption, place and the control Tab goes to.
    void controls()
    {
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(QString, nextByTab);

        MainWindow window;
        const auto px
            = [&](int value) { return int(std::lround(value * window.logicalDpiX() / 1440.0)); };
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillet v1.0"));
        QCOMPARE(window.size(), QSize(px(6255), px(3915)));

        QWidget *const widget = window.findChild<QWidget *>(QTest::currentDataTag());
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QString shown;
        for (const char *property : {"title", "text", "plainText"})
            shown += widget->property(property).toString();
        QCOMPARE(shown, caption);
        QCOMPARE(widget->geometry(),
            QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
        if (!nextByTab.isEmpty()) {
            window.show();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), nextByTab);
        }
    }

    void checkTwice_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("chart");
        QTest::addColumn<QString>("expected");

        const QString measure7 = "Problem note detected at beat: 8\r\nMeasureSize: 7\r\n";
        // clang-format off
        QTest::newRow("name-kept-as-typed") << QString::fromUtf8(" ñandú ☆ .sm ") << makeChart({4, 8}) << ok;
        QTest::newRow("measure-of-7") << "chart.sm" << makeChart({4, 7, 4}) << checking + measure7 + problem;
        QTest::newRow("no-title-line") << "chart.sm" << QByteArray("\r\n#TITLE:x;\r\n;\r\n")
                                       << "Incorrect SM file! Please check\r\n";
        // clang-format on
    }

    // The typed path is used as it stands, and two checks leave both logs in order, byte for byte.
    void checkTwice()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, chart);
        QFETCH(QString, expected);

        MainWindow window;
        prepare(window, file, chart);
        QPushButton *const check = window.findChild<QPushButton *>("Command1");
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(window.logText(), expected);
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(window.logText(), expected + expected);
        QVERIFY(!scratchLeft());
    }

    void longCheck_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<bool>("pumps");
        QTest::newRow("every-pump") << 0 << true;
        QTest::newRow("an-hour-apart") << 3600 * 1000 << false;
    }

    // A check lets the window handle events by the clock. At each pump the log shows the lines so
    // far, the scratch file is tmp.sm in the given folder, and a second check is refused, by the
    // disabled button and by runCheck itself.
    void longCheck()
    {
        QFETCH(int, intervalMs);
        QFETCH(bool, pumps);

        MainWindow window;
        prepare(window, "long.sm", longChart());
        window.setPumpInterval(std::chrono::milliseconds(intervalMs));
        QPushButton *const check = window.findChild<QPushButton *>("Command1");
        bool scratchSeen = false;
        bool enabledDuring = false;
        QString partialLog;
        duringCheck(window, [&] {
            scratchSeen = scratchSeen || QFile::exists(m_scratch.filePath("tmp.sm"));
            enabledDuring = enabledDuring || check->isEnabled();
            if (partialLog.isEmpty() && window.logText().contains("MeasureSize: "))
                partialLog = window.logText();
            QTest::mouseClick(check, Qt::LeftButton);
            window.runCheck();
            return false;
        });
        QTest::mouseClick(check, Qt::LeftButton);

        QCOMPARE(partialLog.startsWith(checking + "Problem note detected at beat: 40\r\n"), pumps);
        QCOMPARE(scratchSeen, pumps);
        QVERIFY(!enabledDuring);
        QCOMPARE(window.logText().count(checking), 1);
        QVERIFY(window.logText().endsWith(problem));
        QVERIFY(!scratchLeft());
    }

    void abandoning_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::newRow("choosing-a-chart") << false;
        QTest::newRow("closing-the-window") << true;
    }

    // As in the program, the check runs inside the event loop. Choosing a chart or closing the
    // window abandons it: no message of it follows, and no scratch file is left.
    void abandoning()
    {
        QFETCH(bool, closing);

        QVERIFY(writeFile(m_charts.filePath("chosen.sm"), makeChart({4})));
        MainWindow window;
        prepare(window, "long.sm", longChart());
        window.setPumpInterval(0ms);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        bool abandoned = false;
        QString logAtEnd;
        duringCheck(window, [&] {
            if (abandoned || !window.logText().contains("MeasureSize: "))
                return false;
            abandoned = true;
            if (closing) {
                logAtEnd = window.logText();
                window.close();
                return false;
            }
            onNextModal<QFileDialog>(&window, [&](QFileDialog *dialog) {
                typeAndAccept(dialog, m_charts.filePath("chosen.sm"));
            });
            QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
            return false;
        });
        QTimer::singleShot(0, &window, [&] {
            window.runCheck();
            QCoreApplication::quit();
        });
        QCOMPARE(QApplication::exec(), 0);

        QCOMPARE(window.logText(), logAtEnd);
        QVERIFY(!scratchLeft());
        if (!closing) {
            window.runCheck();
            QCOMPARE(window.logText(), ok);
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "mainwindow_test.moc"
