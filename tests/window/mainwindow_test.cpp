#include "../support/charts.h"
#include "mainwindow.h"
#include "quitsignals.h"
#include "windowform.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

using namespace std::chrono_literals;

namespace {

using namespace quillet::test;

// Drops mimeData on the window as a file manager does; true when the window took it.
bool drop(MainWindow &window, QMimeData &data)
{
    QDragEnterEvent enter({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent dropped({1, 1}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (enter.isAccepted())
        QCoreApplication::sendEvent(&window, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
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

    // Writes chart to a file named by the system's bytes, types its path and returns it. The
    // scratch file goes to a folder of the test's own, not to one a parallel test shares.
    QByteArray prepare(MainWindow &window, const QByteArray &name, const std::string &chart) const
    {
        const QByteArray path = QFile::encodeName(m_charts.path()) + '/' + name;
        std::ofstream(path.toStdString(), std::ios::binary) << chart;
        window.setScratchFolder(m_scratch.path());
        window.findChild<QLineEdit *>("Text2")->setText(QFile::decodeName(path));
        return path;
    }

private slots:
    void controls_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t row = 1; row < quillet::windowForm.size(); ++row)
            QTest::newRow(quillet::windowForm[row].objectName.data()) << int(row);
    }

    // Each control of the form is in its container, with its caption and place, and Tab goes on
    // to the next control that takes focus in the form's tab order.
    void controls()
    {
        QFETCH(int, row);
        const quillet::FormControl &control = quillet::windowForm[std::size_t(row)];
        const quillet::FormControl &form = quillet::windowForm.front();

        MainWindow window;
        const auto px = [&](int value) {
            return int(std::lround(value * window.logicalDpiX() / double(quillet::twipsPerInch)));
        };
        QCOMPARE(window.objectName(), QString::fromUtf8(form.objectName));
        QCOMPARE(window.windowTitle(), QString::fromUtf8(form.caption));
        QCOMPARE(window.size(), QSize(px(form.width), px(form.height)));

        QWidget *const widget = window.findChild<QWidget *>(QString::fromUtf8(control.objectName));
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), QString::fromUtf8(control.container));
        QString shown;
        for (const char *property : {"title", "text"})
            shown += widget->property(property).toString();
        QCOMPARE(shown, QString::fromUtf8(control.caption));
        QCOMPARE(widget->geometry(),
            QRect(px(control.left), px(control.top), px(control.width), px(control.height)));
        if (!(widget->focusPolicy() & Qt::TabFocus))
            return;
        // The controls that take focus, by their place in the form's tab order.
        using enum quillet::ControlKind;
        std::map<int, std::string_view> focusable;
        for (const quillet::FormControl &other : quillet::windowForm) {
            if (other.kind == PathEdit || other.kind == Button || other.kind == LogPane)
                focusable[other.tabIndex] = other.objectName;
        }
        const auto after = focusable.upper_bound(control.tabIndex);
        const QString next = QString::fromUtf8(
            after == focusable.end() ? focusable.begin()->second : after->second);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }

    void check_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("way");
        QTest::addColumn<QByteArray>("chart");
        QTest::addColumn<QByteArray>("log");
        const QByteArray ok = QByteArray::fromStdString(okChart);
        const QByteArray okLines = QByteArray::fromStdString(okLog);
        QTest::newRow("button-many-lines")
            << QByteArray(" ñandú ☆ .sm ") << "typed" << QByteArray::fromStdString(longChart())
            << QByteArray::fromStdString(longChartLog());
        QTest::newRow("enter-in-path-field") << QByteArray("chart.sm") << "enter" << ok << okLines;
        // Named in Latin-1, as packs made on other systems are: not UTF-8.
        QTest::newRow("latin-1-name-by-argument")
            << QByteArray("caf\xe9.sm") << "argument" << ok << okLines;
        QTest::newRow("latin-1-name-dropped")
            << QByteArray("caf\xe9.sm") << "dropped" << ok << okLines;
    }

    // "Check file" and Enter in the path field check the chart named as typed, given as the
    // program's argument or dropped, by the exact bytes of its name; its log after what the log
    // held. The log shows every line, the newest in view.
    void check()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, way);
        QFETCH(QByteArray, chart);
        QFETCH(QByteArray, log);

        MainWindow window;
        const QByteArray path = prepare(window, name, chart.toStdString());
        // QTemporaryDir cannot remove a file whose name is not UTF-8.
        const auto removeChart = qScopeGuard([&] { std::remove(path.constData()); });
        window.setPumpInterval(0ms);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (way == "argument")
            window.chooseLocalChart(path);
        QMimeData data;
        data.setData("text/uri-list", "file://" + path.toPercentEncoding("/") + "\r\n");
        if (way == "dropped")
            QVERIFY(drop(window, data));
        window.appendLog("earlier");
        if (way == "enter")
            QTest::keyClick(window.findChild<QLineEdit *>("Text2"), Qt::Key_Return);
        else
            QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QCOMPARE(window.logText(), "earlier\r\n" + QString::fromUtf8(log));

        auto *const view = window.findChild<QAbstractItemView *>("Text1");
        const int rows = int(log.count("\r\n")) + 1;
        QCOMPARE(view->model()->rowCount(), rows);
        const QModelIndex newest = view->model()->index(rows - 1, 0);
        const QByteArray lines = log.chopped(2);
        QCOMPARE(newest.data().toString(), lines.sliced(lines.lastIndexOf("\r\n") + 2));
        QVERIFY(view->viewport()->rect().contains(view->visualRect(newest)));
    }

    void dropping_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("taken");
        QTest::newRow("several-files-the-first") << QList {QUrl::fromLocalFile("/charts/b.sm"),
            QUrl::fromLocalFile("/charts/a.sm")} << true;
        QTest::newRow("not-a-local-file") << QList {QUrl("https://example.org/a.sm")} << false;
    }

    // A file dropped as a file manager drops it is chosen as with "...": its path in the field,
    // the log emptied.
    void dropping()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, taken);

        MainWindow window;
        window.findChild<QLineEdit *>("Text2")->setText("typed.sm");
        window.appendLog("earlier");
        QMimeData data;
        data.setUrls(urls);
        QCOMPARE(drop(window, data), taken);
        QCOMPARE(window.findChild<QLineEdit *>("Text2")->text(),
            taken ? QDir::toNativeSeparators("/charts/b.sm") : "typed.sm");
        QCOMPARE(window.logText(), taken ? QString() : "earlier\r\n");
    }

    void abandoning_data()
    {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("closing-the-window") << false;
        QTest::newRow("terminate-signal") << true;
    }

    // As in the program, the check runs inside the event loop, where the button is disabled.
    // Closing the window, or a TERM signal handled at the check's next pump, abandons it: the log
    // stays as it was then.
    void abandoning()
    {
        QFETCH(bool, bySignal);

        MainWindow window;
        prepare(window, "long.sm", longChart());
        window.setPumpInterval(0ms);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *const checkButton = window.findChild<QPushButton *>("Command1");
        bool enabledDuring = false;
        QString logAtEnd;
        QuitSignals quitSignals;
        connect(&quitSignals, &QuitSignals::quitRequested, &window, [&](int signalNumber) {
            QCOMPARE(signalNumber, SIGTERM);
            QVERIFY(window.isChecking());
            logAtEnd = window.logText();
            window.close();
        });
        duringCheck(window, [&] {
            enabledDuring = enabledDuring || checkButton->isEnabled();
            if (!window.logText().contains("MeasureSize: "))
                return false;
            logAtEnd = window.logText();
            if (bySignal)
                std::raise(SIGTERM);
            else
                window.close();
            return true;
        });
        QTimer::singleShot(0, &window, [&] {
            window.runCheck();
            QCoreApplication::quit();
        });
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(!logAtEnd.isEmpty());
        QVERIFY(!enabledDuring);
        QVERIFY(checkButton->isEnabled());
        QCOMPARE(window.logText(), logAtEnd);
    }
};

QTEST_MAIN(TestMainWindow)
#include "mainwindow_test.moc"
