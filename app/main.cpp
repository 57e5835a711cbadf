#include "mainwindow.h"

#include "quitsignals.h"

#include <QApplication>
#include <QByteArray>
#include <QIcon>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillet.svg")));
    // The one argument: a chart opened from a file manager ("quillet %f" in the desktop entry),
    // taken by its bytes, so that a name in any encoding is found. QApplication has taken its own
    // options out of argv.
    if (argc > 2) {
        std::fputs("usage: quillet [CHART]\n", stderr);
        return 2;
    }
    MainWindow window;
    if (argc == 2)
        window.chooseLocalChart(QByteArray(argv[1]));
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
