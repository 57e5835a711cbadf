#include "windowtest.h"

#include "opendialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

class TestOpenDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_scratch;
    const QString m_startDir = QDir::currentPath();

private slots:
    void initTestCase()
    {
        const QDir dir(m_dir.path());
        QVERIFY(dir.mkdir("second") && dir.mkdir("real"));
        QVERIFY(writeFile(dir.filePath("chart.sm"), quillet::test::okChart));
        QVERIFY(writeFile(dir.filePath("real/chart.sm"), quillet::test::okChart));
        QVERIFY(QFile::link(dir.filePath("real/chart.sm"), dir.filePath("link.sm")));
        QVERIFY(QFile::link(dir.filePath("real/gone.sm"), dir.filePath("dangling.sm")));
    }
    void init() { QVERIFY(QDir::setCurrent(m_dir.path())); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    // The list ends at an empty description or a missing pattern list; ';' separates patterns.
    void nameFilters()
    {
        QCOMPARE(
            toNameFilters(QStringLiteral("A\0*.a;*.b\0\0B\0*.b")), QStringList {"A (*.a *.b)"});
        QCOMPARE(toNameFilters(QStringLiteral("A\0*.a\0B")), QStringList {"A (*.a)"});
    }

    // "..." opens the window's modal "Select SM" dialog with the chart filter, each time in the
    // current directory: the first chooses a chart, so a dialog that keeps its folder fails later.
    void dialogOfTheWindow()
    {
        MainWindow window;
        window.show();
        QStringList seen;
        for (const QString &current : {m_dir.path(), m_dir.filePath("second"), m_dir.path()}) {
            QVERIFY(QDir::setCurrent(current));
            onNextModal<QFileDialog>(&window, [&](QFileDialog *dialog) {
                const bool modal = dialog->isModal() && dialog->parentWidget() == &window;
                seen.append(dialog->windowTitle() + '|' + dialog->nameFilters().join(';') + '|'
                    + dialog->findChild<QComboBox *>("fileTypeCombo")->currentText()
                    + (modal ? "|modal|" : "|not-modal|") + dialog->directory().absolutePath());
                if (seen.size() == 1)
                    typeAndAccept(dialog, "chart.sm");
                else
                    dialog->reject();
            });
            QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
        }
        const QString shown = "Select SM|Step Mania Single BPM File(*.sm) (*.sm)|"
                              "Step Mania Single BPM File(*.sm)|modal|";
        QCOMPARE(seen,
            QStringList(
                {shown + m_dir.path(), shown + m_dir.filePath("second"), shown + m_dir.path()}));
    }

    void choosing_data()
    {
        QTest::addColumn<QString>("typed"); // none: the dialog is cancelled
        QTest::addColumn<int>("answer"); // to the create prompt; NoButton: none shows
        QTest::addColumn<QString>("path"); // then in the path field, in the dialog's folder
        QTest::addColumn<bool>("logKept");
        QTest::addColumn<bool>("chartOk"); // whether checking it then says so

        const int none = QMessageBox::NoButton;
        // clang-format off
        QTest::newRow("same-file-again") << "chart.sm"    << none                  << "chart.sm"    << false << true;
        QTest::newRow("cancel")          << ""            << none                  << "chart.sm"    << true  << true;
        QTest::newRow("missing-yes")     << "missing.sm"  << int(QMessageBox::Yes) << "missing.sm"  << false << false;
        QTest::newRow("missing-no")      << "missing.sm"  << int(QMessageBox::No)  << "chart.sm"    << true  << true;
        QTest::newRow("link")            << "link.sm"     << none                  << "link.sm"     << false << true;
        QTest::newRow("dangling-link")   << "dangling.sm" << none                  << "dangling.sm" << false << false;
        // clang-format on
    }

    // A choice replaces the path, even by the same one, and empties the log. A missing name is
    // taken once the user confirms it, and nothing is created; a link is a file of its own,
    // returned as itself.
    void choosing()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, path);
        QFETCH(bool, logKept);
        QFETCH(bool, chartOk);

        MainWindow window;
        window.setScratchFolder(m_scratch.path());
        QLineEdit *const pathField = window.findChild<QLineEdit *>("Text2");
        pathField->setText(m_dir.filePath("chart.sm"));
        window.appendLog("earlier");
        QString prompted;
        bool stillOpen = false;
        onNextModal<QMessageBox>(&window, [&](QMessageBox *box) {
            prompted = box->windowTitle() + '|' + box->text();
            box->button(answer == QMessageBox::No ? QMessageBox::No : QMessageBox::Yes)->click();
        });
        onNextModal<QFileDialog>(&window, [&](QFileDialog *dialog) {
            if (typed.isEmpty())
                return QTest::keyClick(dialog, Qt::Key_Escape);
            typeAndAccept(dialog, typed);
            stillOpen = dialog->isVisible();
            if (stillOpen)
                dialog->reject();
        });
        window.browseForChart();

        QCOMPARE(prompted,
            answer == QMessageBox::NoButton
                ? QString()
                : "Select SM|missing.sm\nThis file does not exist.\nDo you want to create it?");
        QCOMPARE(stillOpen, answer == QMessageBox::No);
        QCOMPARE(pathField->text(), m_dir.filePath(path));
        QVERIFY(!QFile::exists(m_dir.filePath("missing.sm")));
        window.runCheck();
        QCOMPARE(window.logText(),
            QString(logKept ? "earlier\r\n" : "")
                + (chartOk ? quillet::test::okLog : "Incorrect SM file! Please check\r\n").c_str());
    }
};

QTEST_MAIN(TestOpenDialog)
#include "opendialog_test.moc"
