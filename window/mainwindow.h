#pragma once

#include "eventpump.h"
#include "messagesink.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <string_view>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class LogPane;

// The program's one window: the chart path, "..." to choose it, "Check file" to check it, and the
// log the check reports into.
class MainWindow : public QWidget, private quillet::MessageSink, private quillet::EventPump
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    /// Checks the chart named by the path field, as typed. Does nothing while a check runs.
    void runCheck();
    /// Lets the user choose a chart; a chosen one replaces the path and empties the log.
    void browseForChart();
    /// Adds message as the log's newest line.
    void appendLog(std::string_view message);
    /// Empties the log; a check under way is abandoned, and none of its messages follow.
    void clearLog();

    /// The log: each message followed by CR LF.
    QString logText() const;
    bool isChecking() const { return m_checking; }

    /// Where the check's scratch file "tmp.sm" goes; the application's folder by default.
    void setScratchFolder(const QString &folder) { m_scratchFolder = folder; }
    /// How long a check reads before it lets the window handle its events.
    void setPumpInterval(std::chrono::milliseconds interval) { m_pumpInterval = interval; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void addMessage(std::string_view message) override;
    bool processEvents() override;
    int twips(int value) const;
    void place(QWidget *widget, int left, int top, int width, int height) const;

    QGroupBox *const m_chartFrame;
    QLabel *const m_pathLabel;
    QLineEdit *const m_pathEdit;
    QPushButton *const m_browseButton;
    QGroupBox *const m_logFrame;
    LogPane *const m_logPane;
    QLabel *const m_siteLabel;
    QPushButton *const m_checkButton;

    QString m_scratchFolder;
    std::chrono::milliseconds m_pumpInterval {10};
    QElapsedTimer m_sincePump;
    bool m_checking = false;
    bool m_abandoned = false;
};
