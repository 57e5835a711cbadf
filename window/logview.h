#pragma once

#include <QByteArray>
#include <QListView>

class QKeyEvent;
class QWidget;

// The log's view: Qt's list view over a LogModel, one line a row, read-only. Ctrl+C and "Copy"
// copy every selected line, each followed by CR LF, where a list view copies its current row only.
class LogView : public QListView
{
    Q_OBJECT

public:
    explicit LogView(QWidget *parent = nullptr);

    /// Puts the selected lines on the clipboard; nothing without a selection.
    void copy() const;
    /// The selected lines' bytes, in the log's order, each followed by CR LF.
    QByteArray selectedText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
