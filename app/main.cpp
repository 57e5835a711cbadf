#include "mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillet.svg")));
    MainWindow window;
    // The one argument: a chart opened from a file manager ("quillet %f" in the desktop entry)
    // starts in the path field, as if chosen with "...".
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        if (auto *const pathEdit = window.findChild<QLineEdit *>(QStringLiteral("Text2")))
            pathEdit->setText(args.at(1));
    }
    window.show();
    return app.exec();
}
