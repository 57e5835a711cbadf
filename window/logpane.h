#pragma once

#include <QPlainTextEdit>
#include <QString>

class QWidget;

// The read-only log: one line per message, newest at the bottom. Lines are queued and shown in
// one insertion by flush(), because a check can send millions of them and inserting each one on
// its own would cost more than the check.
class LogPane : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit LogPane(QWidget *parent = nullptr);

    /// Queues message as a line of its own; it shows at the next flush().
    void appendLog(const QString &message);
    /// Shows the queued lines at the end of the pane and scrolls to the newest.
    void flush();
    /// Empties the pane and drops the queued lines.
    void clearLog();
    /// The shown log: each line followed by CR LF.
    QString logText() const;

private:
    QString m_queued;
};
