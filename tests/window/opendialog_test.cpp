#include "mainwindow.h"
#include "opendialog.h"

#include "windowform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Calls action once on the next modal dialog of type T to show, from inside its event loop; it
// stops waiting when owner goes.
template <typename T> void onNextModal(QObject *owner, std::function<void(T *)> action)
{
    auto *const timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        T *const modal = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        action(modal);
    });
    timer->start(10);
}

} // namespace

class TestOpenDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_startDir = QDir::currentPath();

private slots:
    void initTestCase()
    {
        const QDir dir(m_dir.path());
        QVERIFY(dir.mkdir("second") && dir.mkdir("real"));
        QVERIFY(QFile(dir.filePath("chart.sm")).open(QIODevice::WriteOnly));
        QVERIFY(QFile(dir.filePath("real/chart.sm")).open(QIODevice::WriteOnly));
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

    void choosing_data()
    {
        QTest::addColumn<QString>("typed"); // none: the dialog is cancelled
        QTest::addColumn<int>("answer"); // to the create prompt; NoButton: none shows
        QTest::addColumn<QString>("path"); // then in the path field, in the dialog's folder
        QTest::addColumn<bool>("logKept");

        const int none = QMessageBox::NoButton;
        // The rows run in order: the cancelled dialog opens in another current folder than the
        // one the first row chose from.
        // clang-format off
        QTest::newRow("same-file-again") << "chart.sm"    << none                  << "chart.sm"    << false;
        QTest::newRow("cancel")          << ""            << none                  << "chart.sm"    << true;
        QTest::newRow("missing-yes")     << "missing.sm"  << int(QMessageBox::Yes) << "missing.sm"  << false;
        QTest::newRow("missing-no")      << "missing.sm"  << int(QMessageBox::No)  << "chart.sm"    << true;
        QTest::newRow("link")            << "link.sm"     << none                  << "link.sm"     << false;
        QTest::newRow("dangling-link")   << "dangling.sm" << none                  << "dangling.sm" << false;
        // clang-format on
    }

    // "..." opens the window's modal dialog, with the form's title and chart filter, in the current
    // folder. A choice replaces the path, even by the same one, and empties the log. A missing
    // name is taken once the user confirms it, and nothing is created; a link is a file of its
    // own, returned as itself.
    void choosing()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, path);
        QFETCH(bool, logKept);

        if (typed.isEmpty())
            QVERIFY(QDir::setCurrent(m_dir.filePath("second")));
        MainWindow window;
        QLineEdit *const pathField = window.findChild<QLineEdit *>("Text2");
        pathField->setText(m_dir.filePath("chart.sm"));
        window.appendLog("earlier");
        QString shown;
        QString prompted;
        bool stillOpen = false;
        onNextModal<QMessageBox>(&window, [&](QMessageBox *box) {
            prompted = box->windowTitle() + '|' + box->text();
            box->button(answer == QMessageBox::No ? QMessageBox::No : QMessageBox::Yes)->click();
        });
        onNextModal<QFileDialog>(&window, [&](QFileDialog *dialog) {
            const bool modal = dialog->isModal() && dialog->parentWidget() == &window;
            shown = dialog->windowTitle() + '|' + dialog->nameFilters().join(';') + '|'
                + dialog->findChild<QComboBox *>("fileTypeCombo")->currentText()
                + (modal ? "|modal|" : "|not-modal|") + dialog->directory().absolutePath();
            if (typed.isEmpty())
                return QTest::keyClick(dialog, Qt::Key_Escape);
            // Typed key by key, the name would race the completer, whose popup takes the Return
            // when it shows in time.
            QLineEdit *const edit = dialog->findChild<QLineEdit *>("fileNameEdit");
            edit->setText(typed);
            QTest::keyClick(edit, Qt::Key_Return);
            stillOpen = dialog->isVisible();
            if (stillOpen)
                dialog->reject();
        });
        QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);

        const QString title = QString::fromUtf8(quillet::chartDialog.title);
        QCOMPARE(shown,
            title
                + "|Step Mania Single BPM File(*.sm) (*.sm)|Step Mania Single BPM File(*.sm)"
                  "|modal|"
                + QDir::currentPath());
        QCOMPARE(prompted,
            answer == QMessageBox::NoButton
                ? QString()
                : title + "|missing.sm\nThis file does not exist.\nDo you want to create it?");
        QCOMPARE(stillOpen, answer == QMessageBox::No);
        QCOMPARE(pathField->text(), m_dir.filePath(path));
        QVERIFY(!QFile::exists(m_dir.filePath("missing.sm")));
        QCOMPARE(window.logText(), logKept ? "earlier\r\n" : "");
    }
};

QTEST_MAIN(TestOpenDialog)
#include "opendialog_test.moc"
