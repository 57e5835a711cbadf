#include "mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#ifndef Q_OS_WIN
#include "quitsignals.h"
#endif

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillet.svg")));
    // The one argument a file manager passes: the chart to open.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2) {
        std::fputs("usage: quillet [CHART]\n", stderr);
        return 2;
    }
    MainWindow window;
    if (arguments.size() == 2)
        window.chooseChart(arguments.at(1));
#ifndef Q_OS_WIN
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &window, [&window] {
        window.close();
        QApplication::quit();
    });
#endif
    window.show();
    return app.exec();
}
