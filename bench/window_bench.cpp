// Times a check in the window against quillet-check on the same chart, alternating the two; with
// --faults, also the window's peak memory per log line and the time Ctrl+A, Ctrl+C take.
//   quillet-window-bench [--faults] CHART QUILLET-CHECK [ROUNDS]
// Runs on any Qt platform; QT_QPA_PLATFORM=offscreen needs no display.

#include "mainwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
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

double peakMebibytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool faults = args.size() > 1 && args.at(1) == QLatin1String("--faults");
    if (faults)
        args.removeAt(1);
    if (args.size() < 3) {
        std::fputs("usage: quillet-window-bench [--faults] CHART QUILLET-CHECK [ROUNDS]\n", stderr);
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
    const double startMebibytes = peakMebibytes();

    std::vector<double> windowTimes, commandLineTimes;
    for (int i = 0; i < rounds; ++i) {
        windowTimes.push_back(timeWindowCheck(window));
        commandLineTimes.push_back(timeCommandLine(commandLine, chart));
    }
    const double inWindow = median(windowTimes);
    const double atCommandLine = median(commandLineTimes);
    std::printf("window %.1f ms  quillet-check %.1f ms  ratio %.2f", inWindow, atCommandLine,
        inWindow / atCommandLine);
    if (!faults) {
        std::printf("\n");
        return 0;
    }

    const double checkedMebibytes = peakMebibytes();
    QWidget *const pane = window.findChild<QWidget *>("Text1");
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    const double copyMs = clock.nsecsElapsed() / 1e6;
    const qsizetype copied = QGuiApplication::clipboard()->mimeData()->data("text/plain").size();
    const double copiedMebibytes = peakMebibytes();
    // Counted last: the log as one QString costs more than the window holds.
    const double lines = double(window.logText().count(QStringLiteral("\r\n")));
    // The target: the window within 3 x quillet-check + 1 s, at most 64 bytes a log line plus
    // 64 MiB, and select-all with copy within 5 s.
    std::printf("  against 3 x quillet-check + 1 s: %.2f\n"
                "%.0f log lines: peak %.0f MiB at start, %.0f MiB after the check, %.0f MiB after "
                "the copy; %.1f bytes a line beyond the start; against 64 bytes a line + 64 MiB: "
                "%.2f\n"
                "Ctrl+A, Ctrl+C: %.1f ms for %lld bytes; against 5 s: %.2f\n",
        inWindow / (3 * atCommandLine + 1000), lines, startMebibytes, checkedMebibytes,
        copiedMebibytes, (copiedMebibytes - startMebibytes) * 1048576 / lines,
        copiedMebibytes / (64 * lines / 1048576 + 64), copyMs, qlonglong(copied), copyMs / 5000);
    return 0;
}
