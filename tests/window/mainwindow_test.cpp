#include "mainwindow.h"

#include "charts.h"
#include "driving.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cmath>

using namespace std::chrono_literals;

namespace {

const QString okVerdict = QStringLiteral("SM file is OK. Ready to send to convert.\r\n");
const QString checking = QStringLiteral("Checking SM file...\r\n");
const QString incorrect = QStringLiteral("Incorrect SM file! Please check\r\n");

template <typename T> T *control(const MainWindow &window, const char *name)
{
    T *const widget = window.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

// A frame's title, a label's, button's or field's text, or the pane's.
QString caption(const QWidget *widget)
{
    for (const char *property : {"title", "text", "plainText"}) {
        if (const QVariant value = widget->property(property); value.isValid())
            return value.toString();
    }
    return {};
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void initialState();
    void controls_data();
    void controls();
    void tabOrder();
    void typedPath_data();
    void typedPath();
    void checkLogs_data();
    void checkLogs();
    void noSecondCheckDuringOne();
    void pumpsByTime_data();
    void pumpsByTime();
    void closingDuringCheckEndsProgram();

private:
    QString chartPath(const QString &name) const { return m_charts.filePath(name); }
    bool scratchLeft() const { return !QDir(m_scratch.path()).isEmpty(); }
    void prepare(MainWindow &window, const QString &path) const;

    QTemporaryDir m_charts;
    QTemporaryDir m_scratch;
};

void TestMainWindow::init()
{
    QVERIFY(m_charts.isValid());
    QVERIFY(m_scratch.isValid());
    QVERIFY(!scratchLeft());
}

void TestMainWindow::prepare(MainWindow &window, const QString &path) const
{
    window.setScratchFolder(m_scratch.path());
    control<QLineEdit>(window, "Text2")->setText(path);
}

void TestMainWindow::initialState()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillet v1.0"));
    QCOMPARE(window.logText(), QString());
    QVERIFY(control<QPushButton>(window, "Command1")->isEnabled());
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("Frame1") << "Form1"
                            << "Select SM File (Single BPM)" << QRect(120, 120, 6015, 735);
    QTest::newRow("Label1") << "Frame1"
                            << "Target SM:" << QRect(120, 240, 855, 255);
    QTest::newRow("Text2") << "Frame1"
                           << "" << QRect(960, 240, 4455, 285);
    QTest::newRow("Command2") << "Frame1"
                              << "..." << QRect(5520, 240, 375, 255);
    QTest::newRow("Frame2") << "Form1"
                            << "Logs" << QRect(120, 960, 6015, 2415);
    QTest::newRow("Text1") << "Frame2"
                           << "" << QRect(120, 240, 5775, 2055);
    QTest::newRow("Label2") << "Form1"
                            << "www.vorblen.com" << QRect(120, 3600, 1935, 255);
    QTest::newRow("Command1") << "Form1"
                              << "Check file" << QRect(4440, 3480, 1695, 375);
}

void TestMainWindow::controls()
{
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);

    MainWindow window;
    const auto pixels
        = [&window](int value) { return int(std::lround(value * window.logicalDpiX() / 1440.0)); };
    QCOMPARE(window.size(), QSize(pixels(6255), pixels(3915)));

    const QWidget *const widget = control<QWidget>(window, QTest::currentDataTag());
    QCOMPARE(widget->parentWidget()->objectName(), container);
    QCOMPARE(::caption(widget), caption);
    QCOMPARE(widget->geometry(),
        QRect(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()), pixels(twips.height())));
}

void TestMainWindow::tabOrder()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    control<QLineEdit>(window, "Text2")->setFocus();

    QStringList order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order, QStringList({"Command2", "Text1", "Command1", "Text2"}));
}

void TestMainWindow::typedPath_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("spaces-around") << " chart .sm "
                                   << " chart .sm " << checking + okVerdict;
    QTest::newRow("not-trimmed") << "chart.sm"
                                 << "chart.sm " << incorrect;
    QTest::newRow("non-ascii") << QString::fromUtf8("ñandú ☆.sm") << QString::fromUtf8("ñandú ☆.sm")
                               << checking + okVerdict;
}

void TestMainWindow::typedPath()
{
    QFETCH(QString, file);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    QVERIFY(writeFile(chartPath(file), makeChart({4, 8})));
    MainWindow window;
    prepare(window, chartPath(typed));
    QTest::mouseClick(control<QPushButton>(window, "Command1"), Qt::LeftButton);
    QCOMPARE(window.logText(), expected);
}

void TestMainWindow::checkLogs_data()
{
    QTest::addColumn<QByteArray>("chart");
    QTest::addColumn<QString>("expected");

    QTest::newRow("second-measure-of-7") << makeChart({4, 7, 4})
                                         << checking
            + QStringLiteral("Problem note detected at beat: 8\r\nMeasureSize: 7\r\n"
                             "Problem SM file. Please fix it before send to vorblen staff.\r\n");
    QTest::newRow("no-title-line") << QByteArray("\r\n#TITLE:x;\r\n;\r\n") << incorrect;
}

// Two checks of one chart leave both logs, in order, byte for byte.
void TestMainWindow::checkLogs()
{
    QFETCH(QByteArray, chart);
    QFETCH(QString, expected);

    QVERIFY(writeFile(chartPath("chart.sm"), chart));
    MainWindow window;
    prepare(window, chartPath("chart.sm"));
    QPushButton *const check = control<QPushButton>(window, "Command1");
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(window.logText(), expected);
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(window.logText(), expected + expected);
    QVERIFY(!scratchLeft());
}

void TestMainWindow::noSecondCheckDuringOne()
{
    QVERIFY(writeFile(chartPath("long.sm"), makeLongChart()));
    MainWindow window;
    prepare(window, chartPath("long.sm"));
    window.setPumpInterval(0ms);
    window.show();
    QPushButton *const check = control<QPushButton>(window, "Command1");
    bool wasEnabled = true;
    duringCheck(window, [&] {
        wasEnabled = check->isEnabled();
        QTest::mouseClick(check, Qt::LeftButton);
        window.runCheck();
        return true;
    });
    QTest::mouseClick(check, Qt::LeftButton);

    QVERIFY(!wasEnabled);
    QVERIFY(check->isEnabled());
    const QString log = window.logText();
    QCOMPARE(log.count(QStringLiteral("Checking SM file...")), 1);
    QCOMPARE(log.count(QStringLiteral("Problem SM file.")), 1);
    QVERIFY(log.startsWith(checking));
    QVERIFY(!scratchLeft());
}

void TestMainWindow::pumpsByTime_data()
{
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<bool>("pumps");

    QTest::newRow("every-pump") << 0 << true;
    QTest::newRow("an-hour-apart") << 3600 * 1000 << false;
}

void TestMainWindow::pumpsByTime()
{
    QFETCH(int, intervalMs);
    QFETCH(bool, pumps);

    QVERIFY(writeFile(chartPath("long.sm"), makeLongChart()));
    MainWindow window;
    prepare(window, chartPath("long.sm"));
    window.setPumpInterval(std::chrono::milliseconds(intervalMs));
    int events = 0;
    bool scratchSeen = false;
    QString partialLog;
    duringCheck(window, [&] {
        ++events;
        scratchSeen = scratchSeen || QFile::exists(m_scratch.filePath("tmp.sm"));
        const QString log = window.logText();
        if (log.size() > partialLog.size() && !log.contains("Problem SM file."))
            partialLog = log;
        return false;
    });
    window.runCheck();

    QCOMPARE(events > 0, pumps);
    // The scratch file is tmp.sm in the given folder, and the log fills while the check runs.
    QCOMPARE(scratchSeen, pumps);
    QCOMPARE(partialLog.startsWith(checking + "Problem note detected at beat: 40\r\n"), pumps);
    QVERIFY(window.logText().endsWith(
        "Problem SM file. Please fix it before send to vorblen staff.\r\n"));
    QVERIFY(!scratchLeft());
}

// As in the program: the check runs inside the event loop, and closing the window ends both.
void TestMainWindow::closingDuringCheckEndsProgram()
{
    QVERIFY(writeFile(chartPath("long.sm"), makeLongChart()));
    MainWindow window;
    prepare(window, chartPath("long.sm"));
    window.setPumpInterval(0ms);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString logAtClose;
    duringCheck(window, [&] {
        if (!window.logText().contains("MeasureSize: "))
            return false;
        logAtClose = window.logText();
        window.close();
        return true;
    });
    QTimer::singleShot(0, &window, &MainWindow::runCheck);
    bool timedOut = false;
    QTimer::singleShot(30s, qApp, [&timedOut] {
        timedOut = true;
        QCoreApplication::quit();
    });
    QCOMPARE(QApplication::exec(), 0);

    QVERIFY(!timedOut);
    QVERIFY(!window.isChecking());
    QVERIFY(!window.isVisible());
    QVERIFY(!logAtClose.isEmpty());
    QCOMPARE(window.logText(), logAtClose);
    QVERIFY(!scratchLeft());
}

QTEST_MAIN(TestMainWindow)
#include "mainwindow_test.moc"
