#include "opendialog.h"

#include "openfiledialog.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

QStringList toNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QChar(u'\0'));
    QStringList filters;
    // The list ends at the first empty description, as Windows reads it.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts.at(i).isEmpty(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(
            parts.at(i) + QLatin1String(" (") + patterns.simplified() + QLatin1Char(')'));
    }
    return filters;
}

QString showOpenDialog(
    const QString &title, const QString &filter, const QString &defaultName, QWidget *owner)
{
    if (!owner)
        owner = QApplication::activeWindow();
    OpenFileDialog dialog(owner, title);
    dialog.setNameFilters(toNameFilters(filter));
    // Always the current directory, never the folder of the last choice.
    dialog.setDirectory(QDir::currentPath());
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
