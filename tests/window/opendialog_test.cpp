#include "mainwindow.h"
#include "opendialog.h"

#include "charts.h"
#include "driving.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

QLineEdit *pathField(const MainWindow &window)
{
    return window.findChild<QLineEdit *>(QStringLiteral("Text2"));
}

// Fills the dialog's file name field and presses Return, as a user does. Typed key by key, the
// name would race the completer, whose popup takes the Return when it shows in time.
void typeAndAccept(QFileDialog *dialog, const QString &name)
{
    QLineEdit *const edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class TestOpenDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nameFilters_data();
    void nameFilters();
    void dialogOfTheWindow();
    void startsInCurrentDirectory();
    void choosing_data();
    void choosing();
    void cancelChangesNothing();
    void missingName_data();
    void missingName();
    void linkChosenAsItself();
    void choosingDuringCheck();

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_scratch;
    QString m_startDir;
};

void TestOpenDialog::init()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_scratch.isValid());
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestOpenDialog::cleanup()
{
    QDir::setCurrent(m_startDir);
}

void TestOpenDialog::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("chart-filter") << QStringLiteral("Step Mania Single BPM File(*.sm)\0*.sm")
                                  << QStringList {"Step Mania Single BPM File(*.sm) (*.sm)"};
    QTest::newRow("two-pairs-ended") << QStringLiteral("Charts\0*.sm;*.ssc\0Text\0*.txt\0\0")
                                     << QStringList {"Charts (*.sm *.ssc)", "Text (*.txt)"};
    QTest::newRow("ends-at-empty-description")
        << QStringLiteral("A\0*.a\0\0B\0*.b") << QStringList {"A (*.a)"};
    QTest::newRow("no-pattern") << QStringLiteral("Charts") << QStringList();
}

void TestOpenDialog::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(toNameFilters(filter), expected);
}

void TestOpenDialog::dialogOfTheWindow()
{
    MainWindow window;
    window.show();
    QFileDialog *seen = nullptr;
    QString title, shownFilter;
    QStringList filters;
    bool modal = false;
    onNextModal<QFileDialog>([&](QFileDialog *dialog) {
        seen = dialog;
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        shownFilter
            = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText();
        modal = dialog->isModal() && dialog->parentWidget() == &window;
        dialog->reject();
    });
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);

    QVERIFY(seen);
    QCOMPARE(title, QStringLiteral("Select SM"));
    QCOMPARE(filters, QStringList {"Step Mania Single BPM File(*.sm) (*.sm)"});
    QCOMPARE(shownFilter, QStringLiteral("Step Mania Single BPM File(*.sm)"));
    QVERIFY(modal);
}

void TestOpenDialog::startsInCurrentDirectory()
{
    QVERIFY(QDir(m_dir.path()).mkdir("second"));
    MainWindow window;
    QStringList started;
    for (const QString &current : {m_dir.path(), m_dir.filePath("second"), m_dir.path()}) {
        QVERIFY(QDir::setCurrent(current));
        // Chosen in the first, so a dialog that remembers its last folder fails the later ones.
        onNextModal<QFileDialog>([&](QFileDialog *dialog) {
            started.append(dialog->directory().absolutePath());
            if (started.size() == 1)
                typeAndAccept(dialog, "chart.sm");
            else
                dialog->reject();
        });
        if (started.isEmpty())
            QVERIFY(writeFile(m_dir.filePath("chart.sm"), makeChart({4})));
        window.browseForChart();
    }
    QCOMPARE(started, QStringList({m_dir.path(), m_dir.filePath("second"), m_dir.path()}));
}

void TestOpenDialog::choosing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pathBefore");

    QTest::newRow("name-in-folder") << "chart.sm"
                                    << "";
    QTest::newRow("same-file-again") << "chart.sm" << m_dir.filePath("chart.sm");
}

void TestOpenDialog::choosing()
{
    QFETCH(QString, typed);
    QFETCH(QString, pathBefore);

    QVERIFY(writeFile(m_dir.filePath("chart.sm"), makeChart({4})));
    MainWindow window;
    pathField(window)->setText(pathBefore);
    window.appendLog("Checking SM file...");
    onNextModal<QFileDialog>([&](QFileDialog *dialog) { typeAndAccept(dialog, typed); });
    window.browseForChart();

    QCOMPARE(pathField(window)->text(), m_dir.filePath("chart.sm"));
    QCOMPARE(window.logText(), QString());
}

void TestOpenDialog::cancelChangesNothing()
{
    MainWindow window;
    pathField(window)->setText("typed before.sm");
    window.appendLog("Checking SM file...");
    onNextModal<QFileDialog>([](QFileDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    window.browseForChart();

    QCOMPARE(pathField(window)->text(), QStringLiteral("typed before.sm"));
    QCOMPARE(window.logText(), QStringLiteral("Checking SM file...\r\n"));
}

void TestOpenDialog::missingName_data()
{
    QTest::addColumn<bool>("create");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestOpenDialog::missingName()
{
    QFETCH(bool, create);

    MainWindow window;
    window.setScratchFolder(m_scratch.path());
    QString question, questionTitle;
    bool stillOpen = false;
    onNextModal<QFileDialog>([&](QFileDialog *dialog) {
        onNextModal<QMessageBox>([&](QMessageBox *prompt) {
            question = prompt->text();
            questionTitle = prompt->windowTitle();
            prompt->button(create ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        typeAndAccept(dialog, "missing.sm");
        stillOpen = dialog->isVisible();
        if (stillOpen)
            dialog->reject();
    });
    window.browseForChart();

    QVERIFY(question.contains("missing.sm"));
    QCOMPARE(questionTitle, QStringLiteral("Select SM"));
    QCOMPARE(stillOpen, !create);
    QVERIFY(!QFile::exists(m_dir.filePath("missing.sm")));
    QCOMPARE(pathField(window)->text(), create ? m_dir.filePath("missing.sm") : QString());
    if (create) {
        window.runCheck();
        QCOMPARE(window.logText(), QStringLiteral("Incorrect SM file! Please check\r\n"));
    }
}

void TestOpenDialog::linkChosenAsItself()
{
    QVERIFY(QDir(m_dir.path()).mkdir("real"));
    QVERIFY(writeFile(m_dir.filePath("real/chart.sm"), makeChart({4})));
    QVERIFY(QFile::link(m_dir.filePath("real/chart.sm"), m_dir.filePath("link.sm")));
    QVERIFY(QFile::link(m_dir.filePath("real/gone.sm"), m_dir.filePath("dangling.sm")));
    MainWindow window;
    for (const QString name : {"link.sm", "dangling.sm"}) {
        // A link names a file of its own, even a dangling one: no create prompt.
        bool prompted = false;
        const QPointer<QTimer> prompt = onNextModal<QMessageBox>([&](QMessageBox *box) {
            prompted = true;
            box->button(QMessageBox::Yes)->click();
        });
        onNextModal<QFileDialog>([&](QFileDialog *dialog) { typeAndAccept(dialog, name); });
        window.browseForChart();
        delete prompt;
        QVERIFY(!prompted);
        QCOMPARE(pathField(window)->text(), m_dir.filePath(name));
    }
}

void TestOpenDialog::choosingDuringCheck()
{
    QVERIFY(writeFile(m_dir.filePath("long.sm"), makeLongChart()));
    QVERIFY(writeFile(m_dir.filePath("next.sm"), makeChart({4})));
    MainWindow window;
    window.setScratchFolder(m_scratch.path());
    pathField(window)->setText(m_dir.filePath("long.sm"));
    window.setPumpInterval(0ms);
    window.show();
    QPushButton *const browse = window.findChild<QPushButton *>(QStringLiteral("Command2"));
    duringCheck(window, [&] {
        if (!window.logText().contains("MeasureSize: "))
            return false;
        onNextModal<QFileDialog>([](QFileDialog *dialog) { typeAndAccept(dialog, "next.sm"); });
        QTest::mouseClick(browse, Qt::LeftButton);
        return true;
    });
    window.runCheck();

    QCOMPARE(pathField(window)->text(), m_dir.filePath("next.sm"));
    QCOMPARE(window.logText(), QString());
    QVERIFY(QDir(m_scratch.path()).isEmpty());
    window.runCheck();
    QCOMPARE(window.logText(),
        QStringLiteral("Checking SM file...\r\nSM file is OK. Ready to send to convert.\r\n"));
}

QTEST_MAIN(TestOpenDialog)
#include "opendialog_test.moc"
