#include "mainwindow.h"

#include "quitsignals.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillet.svg")));
    // The one argument: a chart opened from a file manager ("quillet %f" in the desktop entry).
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2) {
        std::fputs("usage: quillet [CHART]\n", stderr);
        return 2;
    }
    MainWindow window;
    if (arguments.size() == 2)
        window.chooseChart(arguments.at(1));
    // A file-size limit makes the scratch write fail with EFBIG, reported in the log, rather than
    // killing the window.
    std::signal(SIGXFSZ, SIG_IGN);
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &window, [&window] {
        window.close();
        QApplication::quit();
    });
    window.show();
    return app.exec();
}
