// Times a check in the window against quillet-check on the same chart, alternating the two, and
// the pane's cost of showing the same log inserted in one batch.
//   quillet-window-bench CHART QUILLET-CHECK [ROUNDS]
// Runs on any Qt platform; QT_QPA_PLATFORM=offscreen needs no display.

#include "logpane.h"
#include "mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeCommandLine(const QString &program, const QString &chart)
{
    QProcess check;
    check.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    check.start(program, {chart});
    check.waitForFinished(-1);
    return clock.nsecsElapsed() / 1e6;
}

double timeWindowCheck(MainWindow &window)
{
    window.clearLog();
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    return clock.nsecsElapsed() / 1e6;
}

double timeBatchInsert(const QStringList &lines)
{
    LogPane pane;
    pane.resize(385, 137);
    pane.show();
    QElapsedTimer clock;
    clock.start();
    for (const QString &line : lines)
        pane.appendLog(line);
    pane.flush();
    QCoreApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fputs("usage: quillet-window-bench CHART QUILLET-CHECK [ROUNDS]\n", stderr);
        return 2;
    }
    const QString chart = args.at(1);
    const QString commandLine = args.at(2);
    const int rounds = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 5;

    MainWindow window;
    window.findChild<QLineEdit *>("Text2")->setText(chart);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    std::vector<double> windowTimes, commandLineTimes;
    for (int i = 0; i < rounds; ++i) {
        windowTimes.push_back(timeWindowCheck(window));
        commandLineTimes.push_back(timeCommandLine(commandLine, chart));
    }
    QStringList lines = window.logText().split(QStringLiteral("\r\n"));
    lines.removeLast();
    const double batch = timeBatchInsert(lines);

    const double inWindow = median(windowTimes);
    const double atCommandLine = median(commandLineTimes);
    std::printf("window %.1f ms  quillet-check %.1f ms  ratio %.2f  (%lld log lines, shown in one "
                "batch in %.1f ms; the window less that: ratio %.2f)\n",
        inWindow, atCommandLine, inWindow / atCommandLine, qlonglong(lines.size()), batch,
        (inWindow - batch) / atCommandLine);
    return 0;
}
