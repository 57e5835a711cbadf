#include "windowtest.h"

#include "logpane.h"
#include "quitsignals.h"
#include "windowform.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <chrono>
#include <cmath>
#include <csignal>
#include <map>

using namespace std::chrono_literals;

namespace {

using namespace quillet::test;

const QString ok = QString::fromStdString(okLog);

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

// Drops urls onto the window as a file manager would; returns whether the window took them.
bool drop(MainWindow &window, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(window.width() / 2, window.height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &dropped);
    return dropped.isAccepted();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_charts;
    QTemporaryDir m_scratch;

    bool scratchLeft() const { return !QDir(m_scratch.path()).isEmpty(); }
    void prepare(MainWindow &window, const QString &name, const std::string &chart) const
    {
        QVERIFY(writeFile(m_charts.filePath(name), chart));
        window.setScratchFolder(m_scratch.path());
        window.findChild<QLineEdit *>("Text2")->setText(m_charts.filePath(name));
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
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("button") << QString::fromUtf8(" ñandú ☆ .sm ") << false;
        QTest::newRow("enter-in-path-field") << QStringLiteral("chart.sm") << true;
    }

    // "Check file" and Enter in the path field check the chart named as typed, each check's log
    // after the last.
    void check()
    {
        QFETCH(QString, file);
        QFETCH(bool, byEnter);

        MainWindow window;
        prepare(window, file, okChart);
        for (int round = 1; round <= 2; ++round) {
            if (byEnter)
                QTest::keyClick(window.findChild<QLineEdit *>("Text2"), Qt::Key_Return);
            else
                QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
            QCOMPARE(window.logText(), ok.repeated(round));
        }
        QVERIFY(!scratchLeft());
    }

    void dropping_data()
    {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<bool>("taken");
        QTest::newRow("several-files-the-first") << QStringList {"b.sm", "a.sm"} << true;
        QTest::newRow("not-a-local-file") << QStringList {"https://example.org/a.sm"} << false;
    }

    // A dropped file is chosen as with "...": its path in the field, the log emptied.
    void dropping()
    {
        QFETCH(QStringList, dropped);
        QFETCH(bool, taken);

        MainWindow window;
        window.findChild<QLineEdit *>("Text2")->setText("typed.sm");
        window.appendLog("earlier");
        QList<QUrl> urls;
        for (const QString &name : dropped)
            urls.append(
                name.contains(':') ? QUrl(name) : QUrl::fromLocalFile(m_charts.filePath(name)));
        QCOMPARE(drop(window, urls), taken);
        QCOMPARE(window.findChild<QLineEdit *>("Text2")->text(),
            taken ? QDir::toNativeSeparators(m_charts.filePath(dropped.first())) : "typed.sm");
        QCOMPARE(window.logText(), taken ? QString() : "earlier\r\n");
    }

    void abandoning_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("quits");
        QTest::newRow("choosing-a-chart") << "choose" << false;
        QTest::newRow("closing-the-window") << "close" << true;
        QTest::newRow("terminate-signal") << "signal" << true;
    }

    // As in the program, the check runs inside the event loop, where the button is disabled.
    // Choosing a chart, closing the window or a TERM signal abandons it: no message
    // of it follows, and no scratch file is left.
    void abandoning()
    {
        QFETCH(QString, how);
        QFETCH(bool, quits);

        QVERIFY(writeFile(m_charts.filePath("chosen.sm"), okChart));
        MainWindow window;
        prepare(window, "long.sm", longChart());
        window.setPumpInterval(0ms);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *const checkButton = window.findChild<QPushButton *>("Command1");
        bool acted = false;
        bool enabledDuring = false;
        QString logAtEnd;
        // The signal is handled at the check's next pump: the log as it stood then is kept.
        QuitSignals quitSignals;
        connect(&quitSignals, &QuitSignals::quitRequested, &window, [&](int signalNumber) {
            QCOMPARE(signalNumber, SIGTERM);
            logAtEnd = window.logText();
            window.close();
            QCoreApplication::quit();
        });
        duringCheck(window, [&] {
            enabledDuring = enabledDuring || checkButton->isEnabled();
            if (acted || !window.logText().contains("MeasureSize: "))
                return false;
            acted = true;
            logAtEnd = window.logText();
            if (how == "close") {
                window.close();
            } else if (how == "signal") {
                std::raise(SIGTERM);
            } else {
                logAtEnd.clear();
                onNextModal<QFileDialog>(&window, [&](QFileDialog *dialog) {
                    typeAndAccept(dialog, m_charts.filePath("chosen.sm"));
                });
                QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
            }
            return false;
        });
        QTimer::singleShot(0, &window, [&] {
            window.runCheck();
            if (!quits)
                QCoreApplication::quit();
        });
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(acted);
        QVERIFY(!enabledDuring);
        QVERIFY(checkButton->isEnabled());
        QCOMPARE(window.logText(), logAtEnd);
        QVERIFY(!scratchLeft());
        if (!quits) {
            window.runCheck();
            QCOMPARE(window.logText(), ok);
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "mainwindow_test.moc"
