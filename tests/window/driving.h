#pragma once

#include "mainwindow.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Calls action at every pump of the window's next check until it returns true.
inline void duringCheck(MainWindow &window, std::function<bool()> action)
{
    auto *const timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, timer, action] {
        if (window.isChecking() && action())
            timer->stop();
    });
    timer->start(0);
}

// Calls action once on the next modal dialog of type T to show, from inside its event loop.
// Deleting the returned watcher gives up waiting.
template <typename T> QPointer<QTimer> onNextModal(std::function<void(T *)> action)
{
    auto *const timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        T *const modal = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start(10);
    return timer;
}
