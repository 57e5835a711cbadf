// Drives the real window as a user would, for screenshots under Xvfb:
//   quillet-window-driver OUT.png CHART            types CHART into the path field, checks it
//   quillet-window-driver OUT.png CHART DIALOG.png picks CHART with "..." instead (a name in
//                                                  the current directory shows selected), and
//                                                  also shoots the open-file dialog
// The shots are taken with ImageMagick's import, of the window alone.

#include "mainwindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool shoot(const QWidget *widget, const QString &file)
{
    QTest::qWait(300);
    const QString window = QStringLiteral("0x") + QString::number(widget->winId(), 16);
    return QProcess::execute(QStringLiteral("import"), {"-window", window, file}) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 4) {
        std::fputs("usage: quillet-window-driver OUT.png CHART [DIALOG.png]\n", stderr);
        return 2;
    }
    const QString shot = args.at(1);
    const QString chart = args.at(2);

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    bool ok = true;
    if (args.size() == 4) {
        QTimer::singleShot(500, &window, [&] {
            auto *const dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                ok = false;
                return;
            }
            // The dialog opens in the current directory; CHART is typed as a user would.
            auto *const nameField = dialog->findChild<QLineEdit *>("fileNameEdit");
            nameField->setText(chart);
            ok = shoot(dialog, args.at(3));
            QTest::keyClick(nameField, Qt::Key_Return);
            if (dialog->isVisible()) {
                ok = false;
                dialog->reject();
            }
        });
        QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
    } else {
        QTest::keyClicks(window.findChild<QLineEdit *>("Text2"), chart);
    }
    QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    return ok && shoot(&window, shot) ? 0 : 1;
}
