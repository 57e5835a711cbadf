#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/// Asks the user for a file to open, starting in the current directory. filter holds pairs of a
/// description and its patterns, each ended by NUL, as Windows takes them ("Text\0*.txt;*.text").
/// Returns the chosen file's full path, or an empty string when the user cancels. owner, or else
/// the active window, owns the modal dialog.
QString showOpenDialog(const QString &title, const QString &filter, const QString &defaultName,
    QWidget *owner = nullptr);

/// The NUL-separated filter pairs as QFileDialog name filters: "description (patterns)".
QStringList toNameFilters(const QString &filter);
