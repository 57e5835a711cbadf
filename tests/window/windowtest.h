#pragma once

#include "mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

// A chart whose note block has one measure per entry, of that many rows.
inline QByteArray makeChart(const QList<int> &measureRows)
{
    QByteArray chart = "#TITLE:Test;\r\n#NOTES:\r\n     dance-single:\r\n     :\r\n";
    for (qsizetype i = 0; i < measureRows.size(); ++i)
        chart += (i > 0 ? ",\r\n" : "") + QByteArray("0000\r\n").repeated(measureRows.at(i));
    return chart + ";\r\n";
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
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
