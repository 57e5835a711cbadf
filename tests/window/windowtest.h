#pragma once

#include "../support/charts.h"
#include "mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

inline bool writeFile(const QString &path, const std::string &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(content.data(), qint64(content.size())) == qint64(content.size());
}

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

// Fills the dialog's name field and presses Return. Typed key by key, the name would race the
// completer, whose popup takes the Return when it shows in time.
inline void typeAndAccept(QFileDialog *dialog, const QString &name)
{
    QLineEdit *const edit = dialog->findChild<QLineEdit *>("fileNameEdit");
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}
