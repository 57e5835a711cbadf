#include "logpane.h"

#include <QScrollBar>
#include <QTextCursor>

LogPane::LogPane(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    // Read-only panes take only the mouse by default; the keyboard lets a user Ctrl+A, Ctrl+C.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void LogPane::appendLog(const QString &message)
{
    // Every line keeps its own line end, so the document ends with an empty block and an empty
    // message stays distinguishable from no message.
    m_queued += message;
    m_queued += QLatin1Char('\n');
}

void LogPane::flush()
{
    if (m_queued.isEmpty())
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(m_queued);
    m_queued.clear();
    // The scroll bar rather than the text cursor, so a selection the user is making survives.
    QScrollBar *const bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void LogPane::clearLog()
{
    m_queued.clear();
    clear();
}

QString LogPane::logText() const
{
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}
