#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <chrono>
#include <memory>
#include <string_view>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class LogModel;
class LogView;

namespace quillet {
class CheckSession;
}

// The program's one window: the chart path, "..." to choose it, "Check file" to check it, and the
// log the check reports into. Its controls come from the form table; the rules of a check run are
// the session's.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Checks the chart named by the path field, as typed. Does nothing while a check runs.
    void runCheck();
    /// Lets the user choose a chart; a chosen one replaces the path and empties the log.
    void browseForChart();
    /// Puts path into the path field and empties the log, as a chart chosen with "..." does.
    void chooseChart(const QString &path);
    /// Chooses the chart named by the system's bytes, as an argument or a dropped file names it:
    /// the field shows the name, and the check takes these exact bytes, even where they are not
    /// valid UTF-8, until the field is edited.
    void chooseLocalChart(const QByteArray &path);
    /// Adds message as the log's newest line.
    void appendLog(std::string_view message);
    /// Empties the log; a check under way is abandoned, and none of its messages follow.
    void clearLog();

    /// The log: each message followed by CR LF.
    QString logText() const;
    bool isChecking() const;

    /// Where the check's scratch file "tmp.sm" goes; the application's folder by default.
    void setScratchFolder(const QString &folder);
    /// How long a check reads before it lets the window handle its events.
    void setPumpInterval(std::chrono::milliseconds interval);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    class SessionView;

    template <class Widget> Widget *create(std::string_view objectName);
    void applyForm();
    int twips(int value) const;

    QGroupBox *const m_chartFrame;
    QLabel *const m_pathLabel;
    QLineEdit *const m_pathEdit;
    QPushButton *const m_browseButton;
    QGroupBox *const m_logFrame;
    LogView *const m_logView;
    QLabel *const m_siteLabel;
    QPushButton *const m_checkButton;

    // The bytes of a chart chosen by its name on the system, and the text shown for them.
    QByteArray m_chosenPath;
    QString m_chosenText;

    std::unique_ptr<SessionView> m_view;
    std::unique_ptr<quillet::CheckSession> m_session;
    LogModel *const m_logModel;
};
